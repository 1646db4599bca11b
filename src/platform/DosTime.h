#pragma once

#include <cstdint>

namespace platform {

// MS-DOS date and time fields as archives store them. Conversions treat the
// fields as UTC wall-clock time, so the same member shows the same time on
// every machine whatever its time zone.

// Seconds since 1970 of the DOS fields; false when the fields are not a valid
// date and time (month 0, day 0, hour 24 and the like).
bool DosToUnix(uint16_t dosDate, uint16_t dosTime, int64_t& seconds);
// DOS fields of a time; years before 1980 clamp to 1980-01-01, seconds are
// rounded down to even.
void UnixToDos(int64_t seconds, uint16_t& dosDate, uint16_t& dosTime);

} // namespace platform

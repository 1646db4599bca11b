#include "platform/DosTime.h"

namespace platform {
namespace {

// Days since 1970-01-01 of a proleptic Gregorian date.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y += m <= 2;
}

unsigned DaysInMonth(int64_t y, unsigned m) {
    static const unsigned days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return m == 2 && leap ? 29 : days[m - 1];
}

} // namespace

bool DosToUnix(uint16_t dosDate, uint16_t dosTime, int64_t& seconds) {
    int64_t year = 1980 + (dosDate >> 9);
    unsigned month = (dosDate >> 5) & 0x0F;
    unsigned day = dosDate & 0x1F;
    unsigned hour = dosTime >> 11;
    unsigned minute = (dosTime >> 5) & 0x3F;
    unsigned second = (dosTime & 0x1F) * 2;
    if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour > 23 ||
        minute > 59 || second > 59)
        return false;
    seconds = DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
    return true;
}

void UnixToDos(int64_t seconds, uint16_t& dosDate, uint16_t& dosTime) {
    const int64_t earliest = DaysFromCivil(1980, 1, 1) * 86400;
    const int64_t latest = DaysFromCivil(2107, 12, 31) * 86400 + 86399;
    if (seconds < earliest) seconds = earliest;
    if (seconds > latest) seconds = latest;
    int64_t days = seconds / 86400;
    int64_t rest = seconds % 86400;
    int64_t y;
    unsigned m, d;
    CivilFromDays(days, y, m, d);
    dosDate = static_cast<uint16_t>(((y - 1980) << 9) | (m << 5) | d);
    dosTime = static_cast<uint16_t>(((rest / 3600) << 11) | (((rest / 60) % 60) << 5) |
                                    ((rest % 60) / 2));
}

} // namespace platform

#pragma once

#include "pak/PakTypes.h"

#include <filesystem>

namespace pak {

// Adds or replaces one file in the archive at `archive` and rewrites it. True when the new
// archive is in place; *result (when given) receives the graded PakResult.
//
// The old archive stays untouched until the complete new archive has been written and
// synced beside it; any failure (the source missing, an unreadable or inconsistent old
// directory, a write error, sizes beyond 4 GB) leaves it byte-identical.
bool UpdatePakArchive(const std::filesystem::path& archive, const PakAddRequest& request,
                      int* result = nullptr);

} // namespace pak

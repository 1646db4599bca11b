#pragma once

#include <optional>
#include <string>

namespace pak {

// Graded results of archive operations. The worst grade met during a pass is
// its result; anything above PakOk makes the boolean at the class boundary false.
enum PakResult : int {
    PakOk = 0,
    PakWarning = 1,   // a member skipped, a name cut, extra bytes, an empty archive
    PakError = 2,     // CRC mismatch, bytes missing, undecodable data, unsafe name
    PakBadFormat = 3, // a signature not where the directory says
    PakNoMemory = 4,
    PakNotZip = 5, // no end record
    PakMultiVolume = 6,
    PakNoFiles = 7, // nothing selected was found
    PakCannotWrite = 8,
    PakUnexpectedEof = 9,
};

// What a caller passes to CPakArchive::Update to add or replace one file.
struct PakAddRequest {
    bool dosMode = false;   // store the short name, MS-DOS attributes and version
    bool keepPath = true;   // store the archive name without its root, else only the file name
    std::string sourcePath; // the file on disk that supplies the data
    std::optional<std::string> archiveName; // stored name; the source path when absent
};

} // namespace pak

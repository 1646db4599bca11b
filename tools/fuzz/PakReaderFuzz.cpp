// Feeds arbitrary bytes to the pak archive reader as an archive file: lists
// it, checks it and extracts everything into a scratch folder, which is
// removed again after each input.

#include "pak/PakArchive.h"

#include "platform/Text.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

fs::path Scratch() {
    return fs::temp_directory_path() / ("vm_pak_fuzz_" + std::to_string(::getpid()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const fs::path scratch = Scratch();
    const fs::path archivePath = scratch / "input.zip";
    const fs::path target = scratch / "out";
    fs::create_directories(scratch);
    {
        std::ofstream out(archivePath, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    pak::CPakArchive archive;
    if (archive.Open(archivePath)) {
        archive.List();
        std::vector<std::string> names;
        for (const auto& m : archive.Members())
            names.push_back(platform::ToLowerCp1252(m.name));
        archive.Test(nullptr);
        archive.Extract({}, names, target);
    }
    std::error_code ec;
    fs::remove_all(scratch, ec);
    return 0;
}

#include "cli/CliCommands.h"

#include "pak/PakArchive.h"
#include "platform/Prompts.h"
#include "platform/Text.h"

#include <cstdio>
#include <string>
#include <unordered_set>
#include <vector>

using pak::CPakArchive;

namespace {

const char* kPakUsage =
    "Usage: vmed pak COMMAND ARGS...\n"
    "\n"
    "Reads, checks and rewrites the game's pak archives (zip format).\n"
    "\n"
    "Commands:\n"
    "  list ARCHIVE\n"
    "      Print one line per member, in archive order, with tab-separated fields:\n"
    "      method number, uncompressed size, compressed size, CRC-32 (8 hex digits),\n"
    "      stored name. Control bytes in names are shown as \\xNN.\n"
    "  extract ARCHIVE DIR [NAME...] [--prefix P]...\n"
    "      Extract members into the folder DIR (created if missing). NAME selects a\n"
    "      member by its stored name; --prefix P selects every member whose name\n"
    "      begins with P. Both compare without regard to case. With neither, every\n"
    "      member is extracted. Members whose names would leave DIR are refused.\n"
    "  test ARCHIVE\n"
    "      Decode every member and check its size and CRC-32 without writing\n"
    "      anything; print each member that fails or is skipped.\n"
    "  add ARCHIVE SOURCE MEMBER\n"
    "      Add the file SOURCE under the name MEMBER, or replace the member of that\n"
    "      name, and rewrite the archive. The old archive stays as it was until\n"
    "      the new one is complete.\n"
    "\n"
    "Options:\n"
    "  --prefix P   (extract) select members by the beginning of their names; repeatable\n"
    "  --           (extract) end of options: the arguments after it are names\n"
    "  -h, --help   show this text\n"
    "\n"
    "Exit codes: list, extract and test return the archive's graded result:\n"
    "  0 success, 1 warning (a member skipped, a name cut, extra bytes, empty archive),\n"
    "  2 error (CRC or size mismatch, bytes missing, undecodable data, unsafe name),\n"
    "  3 bad format, 4 out of memory, 5 not a zip archive, 6 multi-volume archive,\n"
    "  7 no files found, 8 cannot write, 9 unexpected end of file.\n"
    "  add returns 0 on success and 2 on failure. Wrong arguments return 2.\n";

constexpr int kUsageError = 2;

// Prints the archive's one message (a file that cannot be opened) to stderr.
class StderrPrompts : public platform::Prompts {
  public:
    void Message(std::string_view text, platform::Icon) override {
        std::fprintf(stderr, "vmed pak: %.*s\n", static_cast<int>(text.size()), text.data());
    }
    bool AskYesNo(std::string_view) override { return false; }
};

// Member names come from the archive and may hold anything; control bytes are
// escaped so that neither the listing's layout nor the terminal is disturbed.
std::string Printable(const std::string& name) {
    std::string out;
    out.reserve(name.size());
    for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7F) {
            char buf[5];
            std::snprintf(buf, sizeof buf, "\\x%02x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

int UsageError(const std::string& message) {
    std::fprintf(stderr, "vmed pak: %s\nRun 'vmed pak --help' for usage.\n", message.c_str());
    return kUsageError;
}

void PrintProblems(const CPakArchive& archive, std::FILE* to) {
    for (const auto& p : archive.Problems()) {
        if (p.name.empty())
            std::fprintf(to, "%s: %s\n", archive.Path().string().c_str(), p.reason.c_str());
        else
            std::fprintf(to, "%s: %s\n", Printable(p.name).c_str(), p.reason.c_str());
    }
}

// Opens the archive; prints why it failed when it did.
bool OpenArchive(CPakArchive& archive, const std::string& path) {
    if (archive.Open(path)) return true;
    std::error_code ec;
    if (!std::filesystem::exists(path, ec))
        std::fprintf(stderr, "vmed pak: '%s' does not exist\n", path.c_str());
    return false;
}

int RunList(const std::vector<std::string>& args) {
    if (args.size() != 1) return UsageError("list takes exactly one archive");
    StderrPrompts prompts;
    CPakArchive archive(&prompts);
    if (!OpenArchive(archive, args[0])) return archive.LastResult();
    archive.List();
    for (const auto& m : archive.Members())
        std::printf("%u\t%u\t%u\t%08x\t%s\n", m.method, m.uncompressedSize, m.compressedSize, m.crc,
                    Printable(m.name).c_str());
    PrintProblems(archive, stderr);
    return archive.LastResult();
}

int RunExtract(const std::vector<std::string>& args) {
    std::vector<std::string> positional;
    std::vector<std::string> prefixes;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (!optionsEnded && a == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && a == "--prefix") {
            if (i + 1 == args.size()) return UsageError("--prefix needs a value");
            prefixes.push_back(platform::ToLowerCp1252(args[++i]));
        } else if (!optionsEnded && a.rfind("--prefix=", 0) == 0) {
            prefixes.push_back(platform::ToLowerCp1252(a.substr(9)));
        } else if (!optionsEnded && a.size() > 1 && a[0] == '-') {
            return UsageError("unknown option '" + a + "'");
        } else {
            positional.push_back(a);
        }
    }
    if (positional.size() < 2) return UsageError("extract needs an archive and a target folder");

    StderrPrompts prompts;
    CPakArchive archive(&prompts);
    if (!OpenArchive(archive, positional[0])) return archive.LastResult();
    std::vector<std::string> names;
    std::unordered_set<std::string> seen;
    for (size_t i = 2; i < positional.size(); ++i) {
        std::string lower = platform::ToLowerCp1252(positional[i]);
        if (seen.insert(lower).second) names.push_back(lower);
    }
    bool everything = names.empty() && prefixes.empty();
    if (everything || !prefixes.empty()) {
        archive.List();
        for (const auto& m : archive.Members()) {
            std::string lower = platform::ToLowerCp1252(m.name);
            bool take = everything;
            for (const auto& p : prefixes)
                take = take || lower.compare(0, p.size(), p) == 0;
            if (take && seen.insert(lower).second) names.push_back(lower);
        }
    }
    pak::PakExtractOptions options;
    archive.Extract(options, names, positional[1]);
    PrintProblems(archive, stderr);
    return archive.LastResult();
}

int RunTest(const std::vector<std::string>& args) {
    if (args.size() != 1) return UsageError("test takes exactly one archive");
    StderrPrompts prompts;
    CPakArchive archive(&prompts);
    if (!OpenArchive(archive, args[0])) return archive.LastResult();
    std::vector<std::string> failing;
    int result = archive.Test(&failing);
    PrintProblems(archive, stdout);
    if (result == pak::PakOk)
        std::printf("%s: all members OK\n", args[0].c_str());
    else
        std::fprintf(stderr, "vmed pak: %zu member(s) not OK in %s\n", failing.size(),
                     args[0].c_str());
    return result;
}

int RunAdd(const std::vector<std::string>& args) {
    if (args.size() != 3)
        return UsageError("add needs an archive, a source file and a member name");
    StderrPrompts prompts;
    CPakArchive archive(&prompts);
    if (!OpenArchive(archive, args[0])) return pak::PakError;
    pak::PakAddRequest request;
    request.dosMode = false;
    request.keepPath = true;
    request.sourcePath = args[1];
    request.archiveName = args[2];
    if (archive.Update(request)) return 0;
    std::fprintf(stderr, "vmed pak: adding '%s' to '%s' failed (result %d)\n", args[1].c_str(),
                 args[0].c_str(), archive.LastResult());
    return pak::PakError;
}

} // namespace

int RunPakCommand(const std::vector<std::string>& args) {
    if (args.empty()) {
        std::fputs(kPakUsage, stderr);
        return kUsageError;
    }
    const std::string& command = args[0];
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(kPakUsage, stdout);
        return 0;
    }
    std::vector<std::string> rest(args.begin() + 1, args.end());
    for (const auto& a : rest) {
        if (a == "--help" || a == "-h") {
            std::fputs(kPakUsage, stdout);
            return 0;
        }
    }
    if (command == "list") return RunList(rest);
    if (command == "extract") return RunExtract(rest);
    if (command == "test") return RunTest(rest);
    if (command == "add") return RunAdd(rest);
    return UsageError("unknown command '" + command + "'");
}

#include "cli/CliCommands.h"
#include "cli/CliDocumentDialogs.h"

#include "document/MissionLint.h"
#include "document/VarnholtMapEditorDoc.h"
#include "platform/Progress.h"
#include "platform/Prompts.h"
#include "resources/ResourceCatalogue.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

const char* kLintUsage =
    "Usage: vmed mission lint [--game-path G --resource-dir R [--member M]] FILE\n"
    "\n"
    "Opens a mission (FILE.mi with its base map 'map' beside it) or a map (a\n"
    "file without extension) as the editor does and checks what the game relies\n"
    "on: duplicate entity IDs and MIDs; Link, Brain, trigger and waypoint blocks\n"
    "that name IDs, MIDs or waypoints that do not exist; entities, waypoints and\n"
    "zones outside the map's WorldBound; names and values that would not read\n"
    "back. With --game-path and --resource-dir the entity types are also looked\n"
    "up in the game's entity catalogue (unpacked into R as the editor does), and\n"
    "--member M opens the member M of the pak archive FILE. The editor's \"Check\n"
    "Mission\" command runs the same checks.\n"
    "\n"
    "Prints one finding a line on standard output, in line order:\n"
    "    LINE<TAB>SEVERITY<TAB>MESSAGE\n"
    "LINE is the line of the block's opening brace in the file as the editor\n"
    "writes it (the layout of 'vmed def fmt'; for a file saved by the editor, the\n"
    "line in the file itself). SEVERITY is 'error' or 'warning'. Messages of the\n"
    "loader (duplicate IDs and MIDs as the editor words them) go to standard\n"
    "error.\n"
    "\n"
    "Exit codes: 0 no findings, 1 findings, 2 the file or the catalogue could not\n"
    "be read (a file read with problems, such as blocks left open, counts as\n"
    "unreadable; its problems go to standard error), or a usage error.\n";

constexpr int kFindings = 1;
constexpr int kFailure = 2;

// The loader's messages go to standard error. Its one question while
// opening is whether to keep a file read with problems: lint answers No (the
// checks would judge what is left, not the file) and shows it, because it
// lists what is wrong.
class LintPrompts : public platform::Prompts {
  public:
    void Message(std::string_view text, platform::Icon) override {
        std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
    }
    bool AskYesNo(std::string_view question) override {
        std::fprintf(stderr, "%.*s No.\n", static_cast<int>(question.size()), question.data());
        return false;
    }
};

int UsageError(const std::string& message) {
    std::fprintf(stderr, "vmed mission lint: %s\nRun 'vmed mission lint --help' for usage.\n",
                 message.c_str());
    return kFailure;
}

} // namespace

int RunMissionLintCommand(const std::vector<std::string>& args) {
    std::string gamePath, resourceDir, member;
    std::vector<std::string> files;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "-h" || a == "--help") {
            std::fputs(kLintUsage, stdout);
            return 0;
        }
        if (a == "--game-path" || a == "--resource-dir" || a == "--member") {
            if (i + 1 >= args.size()) return UsageError(a + " needs a value");
            (a == "--game-path" ? gamePath : a == "--member" ? member : resourceDir) = args[++i];
        } else if (a.rfind("--", 0) == 0) {
            return UsageError("unknown argument '" + a + "'");
        } else {
            files.push_back(a);
        }
    }
    if (gamePath.empty() != resourceDir.empty())
        return UsageError("--game-path and --resource-dir go together");
    if (!member.empty() && gamePath.empty())
        return UsageError("--member needs --game-path and --resource-dir");
    if (files.size() != 1) return UsageError("one FILE is required");

    LintPrompts prompts;
    platform::NullProgress progress;
    std::unique_ptr<resources::CResourceCatalogue> catalogue;
    if (!gamePath.empty()) {
        catalogue = std::make_unique<resources::CResourceCatalogue>(&prompts, &progress, nullptr);
        catalogue->SetGamePath(gamePath);
        catalogue->SetResourceDir(resourceDir);
        if (!catalogue->LoadResources()) {
            std::fputs("Failed to load entities\n", stderr);
            return kFailure;
        }
    }
    document::DocumentServices services;
    services.prompts = &prompts;
    services.catalogue = catalogue.get();
    CliDocumentDialogs dialogs(member);
    services.dialogs = &dialogs;
    document::CVarnholtMapEditorDoc doc(services);
    if (!doc.OnOpenDocument(files[0])) {
        std::fprintf(stderr, "vmed mission lint: cannot open '%s'\n", files[0].c_str());
        return kFailure;
    }
    const std::vector<document::LintFinding> findings = document::LintMission(doc, catalogue.get());
    for (const document::LintFinding& finding : findings) {
        // A message quotes the offending text, which may hold tabs or line
        // breaks; one finding stays one line of three fields.
        std::string message = finding.message;
        for (char& ch : message)
            if (ch == '\t' || ch == '\r' || ch == '\n') ch = ' ';
        std::printf("%d\t%s\t%s\n", finding.line, document::SeverityWord(finding.severity),
                    message.c_str());
    }
    return findings.empty() ? 0 : kFindings;
}

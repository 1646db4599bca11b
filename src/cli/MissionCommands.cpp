#include "cli/CliCommands.h"
#include "cli/CliDocumentDialogs.h"

#include "document/VarnholtMapEditorDoc.h"
#include "platform/Progress.h"
#include "platform/Prompts.h"
#include "platform/Text.h"
#include "resources/ResourceCatalogue.h"

#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using document::CVarnholtMapEditorDoc;
using resources::CResourceCatalogue;

namespace {

const char* kMissionUsage =
    "Usage: vmed mission info --game-path G --resource-dir R [--member M] FILE\n"
    "       vmed mission save --game-path G --resource-dir R [--member M]\n"
    "                         [--accept-damaged] IN OUT\n"
    "       vmed mission lint [--game-path G --resource-dir R] FILE  (see 'vmed mission lint "
    "--help')\n"
    "\n"
    "Opens a mission (FILE.mi with its base map 'map' beside it) or a map (a\n"
    "file without extension) as the editor does, against the entity catalogue of\n"
    "the game in G unpacked into R. With --member, FILE (or IN) is a pak archive\n"
    "and M the member to open: it is extracted into R with, for a mission, its\n"
    "map, as the editor's member list does.\n"
    "\n"
    "info  prints key<TAB>value lines: kind (0 mission, 1 map), roots, entities,\n"
    "      category.N for each category with entities, waypoints, zones, events,\n"
    "      triggers, camerapaths. Duplicate IDs and MIDs go to standard error in\n"
    "      the editor's words.\n"
    "save  saves the opened document as OUT (a mission also copies its map beside\n"
    "      OUT, overwriting an existing one).\n"
    "\n"
    "A file read with problems (blocks left open, text outside any block, a NUL\n"
    "or control bytes, a quote or comment running to the end) is reported on\n"
    "standard error with the editor's question. info goes on with what was read;\n"
    "save refuses, because the saved file would hold only what was read, unless\n"
    "--accept-damaged is given. A node that would not read back as it is written\n"
    "makes save fail with the editor's message; OUT is left unchanged.\n"
    "\n"
    "Exit codes: 0 success, 2 failure.\n";

constexpr int kFailure = 2;

// Messages go to standard error as the editor words them; questions are
// answered with a fixed answer, which the command sets for each stage.
class CliPrompts : public platform::Prompts {
  public:
    explicit CliPrompts(bool answer) : m_answer(answer) {}
    void Message(std::string_view text, platform::Icon) override {
        std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
    }
    bool AskYesNo(std::string_view question) override {
        // Only the question about a damaged file is shown: it lists what was
        // read with trouble, and the answer decides what happens next.
        if (m_showQuestions)
            std::fprintf(stderr, "%.*s %s\n", static_cast<int>(question.size()), question.data(),
                         m_answer ? "Yes." : "No.");
        if (!m_answer) ++m_declined;
        return m_answer;
    }
    void SetAnswer(bool answer, bool showQuestions) {
        m_answer = answer;
        m_showQuestions = showQuestions;
    }
    int Declined() const { return m_declined; }

  private:
    bool m_answer;
    bool m_showQuestions = false;
    int m_declined = 0;
};

int UsageError(const std::string& message) {
    std::fprintf(stderr, "vmed mission: %s\nRun 'vmed mission --help' for usage.\n",
                 message.c_str());
    return kFailure;
}

size_t CountWaypoints(const CVarnholtMapEditorDoc& doc) {
    CDefNode* helpers = doc.Helpers();
    size_t count = 0;
    if (!helpers) return 0;
    for (CDefNode* c : helpers->Children())
        if (platform::EqualsNoCase(c->Name(), "waypoints")) count += c->ChildCount();
    return count;
}

void PrintInfo(CVarnholtMapEditorDoc& doc, const CResourceCatalogue& catalogue) {
    doc.ScanAll();
    size_t entities = 0;
    std::map<int, size_t> categories;
    if (CDefNode* root = doc.WorkingRoot())
        for (CDefNode* c : root->Children()) {
            if (!platform::EqualsNoCase(c->Name(), "Entity")) continue;
            ++entities;
            if (!resources::CheckEntityType(*c, catalogue)) continue;
            std::string type = c->GetValueUnquoted(0);
            type = type.substr(0, type.find(':'));
            if (const resources::CEntityEntry* entry = catalogue.FindEntity(type))
                ++categories[entry->category];
        }
    std::printf("kind\t%d\nroots\t%zu\nentities\t%zu\n", static_cast<int>(doc.Kind()),
                doc.Roots().size(), entities);
    for (const auto& [category, count] : categories)
        std::printf("category.%d\t%zu\n", category, count);
    std::printf("waypoints\t%zu\nzones\t%zu\nevents\t%zu\ntriggers\t%zu\ncamerapaths\t%zu\n",
                CountWaypoints(doc), doc.Zones().size(), doc.Events().size(), doc.Triggers().size(),
                doc.CameraPaths().size());
}

} // namespace

int RunMissionCommand(const std::vector<std::string>& args) {
    if (args.empty()) return UsageError("a subcommand is required");
    if (args[0] == "-h" || args[0] == "--help") {
        std::fputs(kMissionUsage, stdout);
        return 0;
    }
    const std::string& action = args[0];
    if (action != "info" && action != "save")
        return UsageError("unknown subcommand '" + action + "'");
    std::string gamePath, resourceDir, member;
    std::vector<std::string> files;
    bool acceptDamaged = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--accept-damaged" && action == "save") {
            acceptDamaged = true;
        } else if (a == "--game-path" || a == "--resource-dir" || a == "--member") {
            if (i + 1 >= args.size()) return UsageError(a + " needs a value");
            (a == "--game-path" ? gamePath : a == "--member" ? member : resourceDir) = args[++i];
        } else if (a.rfind("--", 0) == 0) {
            return UsageError("unknown argument '" + a + "'");
        } else {
            files.push_back(a);
        }
    }
    if (gamePath.empty() || resourceDir.empty())
        return UsageError("--game-path and --resource-dir are required");
    if (files.size() != (action == "info" ? 1u : 2u)) return UsageError("wrong number of files");

    CliPrompts prompts(true);
    platform::NullProgress progress;
    CResourceCatalogue catalogue(&prompts, &progress, nullptr);
    catalogue.SetGamePath(gamePath);
    catalogue.SetResourceDir(resourceDir);
    if (!catalogue.LoadResources()) {
        std::fputs("Failed to load entities\n", stderr);
        return kFailure;
    }
    document::DocumentServices services;
    services.prompts = &prompts;
    services.catalogue = &catalogue;
    CliDocumentDialogs dialogs(member);
    services.dialogs = &dialogs;
    CVarnholtMapEditorDoc doc(services);
    // While opening, the only question is whether to keep a file read with
    // problems: info reads on, save only when told to.
    prompts.SetAnswer(action == "info" || acceptDamaged, true);
    if (!doc.OnOpenDocument(files[0])) {
        if (prompts.Declined())
            std::fprintf(stderr,
                         "vmed mission: '%s' was read with problems and is not saved; give "
                         "--accept-damaged to save what was read\n",
                         files[0].c_str());
        else
            std::fprintf(stderr, "vmed mission: cannot open '%s'\n", files[0].c_str());
        return kFailure;
    }
    if (action == "info") {
        PrintInfo(doc, catalogue);
        return 0;
    }
    prompts.SetAnswer(true, false);
    return doc.OnSaveDocument(files[1]) ? 0 : kFailure;
}

#include "cli/CliCommands.h"
#include "cli/MinimapRender.h"

#include "document/DocExport.h"
#include "document/VarnholtMapEditorDoc.h"
#include "platform/Progress.h"
#include "platform/Prompts.h"
#include "platform/Text.h"

#include <cstdio>
#include <string>
#include <vector>

using document::CVarnholtMapEditorDoc;

namespace {

const char* kExportPakUsage =
    "Usage: vmed export-pak --game-path G --resource-dir R FILE [--yes]\n"
    "\n"
    "Puts the saved mission or map FILE, which must lie below the resource\n"
    "directory R, into G/game.pak under its name relative to R. The archive is\n"
    "replaced only when the new one is complete. --yes answers the question\n"
    "whether an existing member is overwritten.\n"
    "\n"
    "Exit codes: 0 success, 2 failure (the reason on standard error).\n";

const char* kExportModUsage =
    "Usage: vmed export-mod --game-path G --resource-dir R --name NAME [--title T]\n"
    "                       [--version V] [--desc D] [--side 0..3] [--no-map]\n"
    "                       [--no-env] [--no-minimap] FILE\n"
    "\n"
    "Builds the mod folder G/mods/NAME from the saved mission or map FILE: the\n"
    "file and its map, info.mod, and for a mission the game's mission registry\n"
    "and mission texts from R with an entry for the mod. --side is the player\n"
    "side (0 USSR, 1 USA, 2 GER, 3 GBR). A custom environment.set beside vmed is\n"
    "copied unless --no-env. The minimap (resource/interface/minimap/NAME.tga and\n"
    ".ebm) is drawn offscreen with OpenGL unless --no-minimap; where no OpenGL\n"
    "context can be made it is skipped, and standard error says so.\n"
    "\n"
    "Exit codes: 0 success, 2 failure (the reason on standard error).\n";

constexpr int kFailure = 2;

// Messages go to standard error; the one success message is left out so
// that a script sees only failures.
class ExportPrompts : public platform::Prompts {
  public:
    explicit ExportPrompts(bool yes) : m_yes(yes) {}
    void Message(std::string_view text, platform::Icon) override {
        if (text == document::kExportSuccess) return;
        std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
    }
    bool AskYesNo(std::string_view question) override {
        if (!m_yes)
            std::fprintf(stderr, "%.*s (answered No; use --yes)\n",
                         static_cast<int>(question.size()), question.data());
        return m_yes;
    }

  private:
    bool m_yes;
};

int Fail(const char* command, const std::string& message) {
    std::fprintf(stderr, "vmed %s: %s\nRun 'vmed %s --help' for usage.\n", command, message.c_str(),
                 command);
    return kFailure;
}

struct Options {
    std::string gamePath, resourceDir, file, name, title, version, desc, side;
    bool yes = false, noMap = false, noEnv = false, noMinimap = false;
};

// Reads the options of both commands; an empty string on success, else the complaint.
std::string ParseOptions(const std::vector<std::string>& args, bool mod, Options& o) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::string* value = a == "--game-path"      ? &o.gamePath
                             : a == "--resource-dir" ? &o.resourceDir
                                                     : nullptr;
        if (mod && !value)
            value = a == "--name"      ? &o.name
                    : a == "--title"   ? &o.title
                    : a == "--version" ? &o.version
                    : a == "--desc"    ? &o.desc
                    : a == "--side"    ? &o.side
                                       : nullptr;
        if (value) {
            if (i + 1 >= args.size()) return a + " needs a value";
            *value = args[++i];
        } else if (!mod && a == "--yes") {
            o.yes = true;
        } else if (mod && a == "--no-map") {
            o.noMap = true;
        } else if (mod && a == "--no-env") {
            o.noEnv = true;
        } else if (mod && a == "--no-minimap") {
            o.noMinimap = true;
        } else if (a.rfind("--", 0) == 0 || !o.file.empty()) {
            return "unexpected argument '" + a + "'";
        } else {
            o.file = a;
        }
    }
    if (o.gamePath.empty() || o.resourceDir.empty())
        return "--game-path and --resource-dir are required";
    if (o.file.empty()) return "FILE is required";
    if (mod && o.name.empty()) return "--name is required";
    if (!o.side.empty() && (o.side.size() != 1 || o.side[0] < '0' || o.side[0] > '3'))
        return "--side must be 0 to 3";
    return {};
}

// The folder of the running program, where the editor keeps its custom environment.
std::string ProgramFolder() {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string(".") : exe.parent_path().string();
}

int Run(const std::vector<std::string>& args, bool mod) {
    const char* command = mod ? "export-mod" : "export-pak";
    if (!args.empty() && (args[0] == "-h" || args[0] == "--help")) {
        std::fputs(mod ? kExportModUsage : kExportPakUsage, stdout);
        return 0;
    }
    Options o;
    if (std::string complaint = ParseOptions(args, mod, o); !complaint.empty())
        return Fail(command, complaint);

    document::ModInfo info;
    if (mod) {
        info.name = o.name;
        info.title = o.title;
        info.version = o.version;
        info.description = o.desc;
        // Refused before the document is even opened: nothing is written.
        if (std::string problem = document::CheckModInfo(info); !problem.empty())
            return Fail(command, problem);
    }

    ExportPrompts prompts(o.yes);
    document::DocumentServices services;
    services.prompts = &prompts;
    CVarnholtMapEditorDoc doc(services);
    if (!doc.OnOpenDocument(o.file)) return Fail(command, "cannot open '" + o.file + "'");
    document::ExportPaths paths{o.gamePath, o.resourceDir, ProgramFolder()};
    if (!mod) return document::ExportToPak(doc, paths) ? 0 : kFailure;

    info.side = o.side.empty() ? 0 : o.side[0] - '0';
    info.exportMap = !o.noMap;
    // The minimap is drawn offscreen, as the 3D view would draw it.
    cli::MinimapHost host(doc, o.gamePath, o.resourceDir, &prompts);
    document::DocumentServices withHost = doc.Services();
    withHost.host = &host;
    doc.SetServices(withHost);
    info.minimap = !o.noMinimap;
    std::error_code ec;
    info.customEnvironmentAvailable = std::filesystem::is_regular_file(
        std::filesystem::path(paths.editorDir) / "environment.set", ec);
    info.customEnvironment = info.customEnvironmentAvailable && !o.noEnv;
    const bool exported = document::ExportMod(doc, paths, &info);
    if (exported && info.minimap && !host.Why().empty())
        std::fprintf(stderr, "vmed export-mod: %s: the minimap was skipped\n", host.Why().c_str());
    return exported ? 0 : kFailure;
}

} // namespace

int RunExportPakCommand(const std::vector<std::string>& args) {
    return Run(args, false);
}
int RunExportModCommand(const std::vector<std::string>& args) {
    return Run(args, true);
}

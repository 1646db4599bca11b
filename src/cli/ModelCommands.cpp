#include "cli/CliCommands.h"

#include "platform/Progress.h"
#include "platform/Prompts.h"
#include "resources/ResourceCatalogue.h"
#include "view3d/MeshFile.h"
#include "view3d/ModelCache.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

const char* kModelUsage =
    "Usage: vmed model check FILE...\n"
    "       vmed model info --game-path G --resource-dir R [--all | ENTITY...]\n"
    "\n"
    "check: reads each mesh file as the 3D view does and prints\n"
    "  FILE: C chunks, V vertices, F faces\n"
    "or FILE: error: REASON when the file cannot be read. Exit 0 when every file\n"
    "reads, 2 otherwise.\n"
    "\n"
    "info: loads the game's resources as the editor does at start (unpacking what\n"
    "is missing into R), then loads the model of each entity type named (an\n"
    "ENTITY may carry a variant, \"type:variant\"), or of every catalogued type\n"
    "with --all, the way the 3D view loads it: map definitions and skies as\n"
    "objects, every other type as a placed element. Prints one line per type:\n"
    "  ENTITY<TAB>parts<TAB>vertices<TAB>faces<TAB>textures\n"
    "or ENTITY<TAB>no model<TAB>REASON. Exit 0, or 2 when the resources cannot be\n"
    "loaded or the arguments are wrong.\n";

constexpr int kFailure = 2;

class StderrPrompts : public platform::Prompts {
  public:
    void Message(std::string_view text, platform::Icon) override {
        std::fprintf(stderr, "vmed model: %.*s\n", static_cast<int>(text.size()), text.data());
    }
    bool AskYesNo(std::string_view) override { return false; }
};

int UsageError(const std::string& message) {
    std::fprintf(stderr, "vmed model: %s\nRun 'vmed model --help' for usage.\n", message.c_str());
    return kFailure;
}

int Check(const std::vector<std::string>& files) {
    if (files.empty()) return UsageError("no mesh file given");
    int code = 0;
    for (const std::string& file : files) {
        view3d::MeshFile mesh;
        std::string error;
        if (view3d::ReadMeshFile(std::filesystem::path(file), mesh, error)) {
            std::printf("%s: %zu chunks, %u vertices, %u faces\n", file.c_str(), mesh.chunks.size(),
                        mesh.vertexCount, mesh.faceTotal);
        } else {
            std::printf("%s: error: %s\n", file.c_str(), error.c_str());
            code = kFailure;
        }
    }
    return code;
}

// How the view asks for a type's model: maps and skies are objects, the
// rest are placed elements.
bool LoadsAsObject(int category) {
    return category == resources::CategoryMapDefinitions || category == resources::CategorySky;
}

void PrintModel(const std::string& label, const view3d::ModelData* model,
                const std::string& reason) {
    if (!model) {
        std::printf("%s\tno model\t%s\n", label.c_str(), reason.c_str());
        return;
    }
    size_t vertices = 0, faces = 0, textures = 0;
    for (size_t i = 0; i < model->PartCount(); ++i) {
        const auto* part = dynamic_cast<const view3d::MeshData*>(model->Part(i));
        if (!part) continue;
        vertices += part->vertexCount;
        faces += part->faceCount;
        textures += part->textures.size();
    }
    std::printf("%s\t%zu\t%zu\t%zu\t%zu\n", label.c_str(), model->PartCount(), vertices, faces,
                textures);
}

int Info(const std::vector<std::string>& args) {
    std::string gamePath, resourceDir;
    std::vector<std::string> names;
    bool all = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--all") {
            all = true;
            continue;
        }
        std::string* target = a == "--game-path"      ? &gamePath
                              : a == "--resource-dir" ? &resourceDir
                                                      : nullptr;
        if (!target) {
            if (!a.empty() && a[0] == '-') return UsageError("unknown argument '" + a + "'");
            names.push_back(a);
            continue;
        }
        if (i + 1 >= args.size()) return UsageError(a + " needs a value");
        *target = args[++i];
    }
    if (gamePath.empty() || resourceDir.empty())
        return UsageError("--game-path and --resource-dir are required");
    if (all == !names.empty()) return UsageError("give either --all or entity names");

    StderrPrompts prompts;
    platform::NullProgress progress;
    resources::CResourceCatalogue catalogue(&prompts, &progress, nullptr);
    catalogue.SetGamePath(gamePath);
    catalogue.SetResourceDir(resourceDir);
    if (!catalogue.LoadResources()) {
        std::fputs("vmed model: Failed to load entities\n", stderr);
        return kFailure;
    }
    view3d::CModelCache models(catalogue);
    auto show = [&](const std::string& label, const resources::CEntityEntry* entry,
                    const std::string& variant) {
        std::string reason = "unknown entity type";
        const view3d::ModelData* model = nullptr;
        if (entry)
            model = LoadsAsObject(entry->category)
                        ? models.ModelForObject(*entry, &reason)
                        : models.ModelForEntity(*entry, variant, &reason);
        PrintModel(label, model, reason);
    };
    if (all) {
        for (const resources::CEntityEntry& entry : catalogue.Entries())
            show(entry.name, &entry, {});
        return 0;
    }
    for (const std::string& name : names) {
        size_t colon = name.find(':');
        std::string type = name.substr(0, colon);
        std::string variant = colon == std::string::npos ? std::string() : name.substr(colon + 1);
        show(name, catalogue.FindEntity(type), variant);
    }
    return 0;
}

} // namespace

int RunModelCommand(const std::vector<std::string>& args) {
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        std::fputs(kModelUsage, args.empty() ? stderr : stdout);
        return args.empty() ? kFailure : 0;
    }
    std::vector<std::string> rest(args.begin() + 1, args.end());
    for (const std::string& a : rest) {
        if (a == "--help" || a == "-h") {
            std::fputs(kModelUsage, stdout);
            return 0;
        }
    }
    if (args[0] == "check") return Check(rest);
    if (args[0] == "info") return Info(rest);
    return UsageError("unknown command '" + args[0] + "'");
}

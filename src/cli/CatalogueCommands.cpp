#include "cli/CliCommands.h"

#include "platform/Progress.h"
#include "platform/Prompts.h"
#include "platform/Text.h"
#include "resources/ResourceCatalogue.h"

#include <cstdio>
#include <string>
#include <vector>

using resources::CResourceCatalogue;

namespace {

const char* kCatalogueUsage =
    "Usage: vmed catalogue --game-path G --resource-dir R [--category N]\n"
    "\n"
    "Loads the game's resources as the editor does at start: unpacks what is\n"
    "missing from the game's archives into the resource directory R, then\n"
    "catalogues the entity definitions found there.\n"
    "\n"
    "Prints one line per category: number, label and entity count, separated by\n"
    "tabs. With --category N, prints the entity names of category N instead, one\n"
    "a line, in scan order (category 6: the breeds; category 10: the buildings\n"
    "the editor offers as complete buildings).\n"
    "\n"
    "Exit codes: 0 success, 2 when the load fails or the arguments are wrong.\n";

constexpr int kFailure = 2;

class StderrPrompts : public platform::Prompts {
  public:
    void Message(std::string_view text, platform::Icon) override {
        std::fprintf(stderr, "vmed catalogue: %.*s\n", static_cast<int>(text.size()), text.data());
    }
    bool AskYesNo(std::string_view) override { return false; }
};

int UsageError(const std::string& message) {
    std::fprintf(stderr, "vmed catalogue: %s\nRun 'vmed catalogue --help' for usage.\n",
                 message.c_str());
    return kFailure;
}

// The label printed for a category; the two catalogue-only categories have
// none in the editor, so they get descriptive ones here.
const char* PrintedLabel(int category) {
    if (category == resources::CategoryMapDefinitions) return "Map Definitions";
    if (category == resources::CategorySky) return "Sky";
    return resources::CategoryLabel(category);
}

std::vector<std::string> NamesOf(const CResourceCatalogue& catalogue, int category) {
    if (category == resources::CategoryHumansEquipped) return catalogue.BreedList();
    // "Complete Buildings" has no entries of its own: the editor lists
    // buildings (category 9) under it, through its own name list.
    if (category == resources::CategoryCompleteBuildings) return catalogue.CategoryList(10);
    std::vector<std::string> names;
    for (const auto& entry : catalogue.Entries())
        if (entry.category == category) names.push_back(entry.name);
    return names;
}

} // namespace

int RunCatalogueCommand(const std::vector<std::string>& args) {
    std::string gamePath, resourceDir, category;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "-h" || a == "--help") {
            std::fputs(kCatalogueUsage, stdout);
            return 0;
        }
        std::string* target = a == "--game-path"      ? &gamePath
                              : a == "--resource-dir" ? &resourceDir
                              : a == "--category"     ? &category
                                                      : nullptr;
        if (!target) return UsageError("unknown argument '" + a + "'");
        if (i + 1 >= args.size()) return UsageError(a + " needs a value");
        *target = args[++i];
    }
    if (gamePath.empty() || resourceDir.empty())
        return UsageError("--game-path and --resource-dir are required");
    int wanted = -1;
    if (!category.empty()) {
        wanted = static_cast<int>(platform::ParseLong(category.c_str()));
        if (!PrintedLabel(wanted) || category.find_first_not_of("0123456789") != std::string::npos)
            return UsageError("no category '" + category + "'");
    }

    StderrPrompts prompts;
    platform::NullProgress progress;
    CResourceCatalogue catalogue(&prompts, &progress, nullptr);
    catalogue.SetGamePath(gamePath);
    catalogue.SetResourceDir(resourceDir);
    if (!catalogue.LoadResources()) {
        std::fputs("vmed catalogue: Failed to load entities\n", stderr);
        return kFailure;
    }

    if (wanted >= 0) {
        for (const std::string& name : NamesOf(catalogue, wanted))
            std::printf("%s\n", name.c_str());
        return 0;
    }
    for (int c = 0; c <= resources::CategorySky; ++c)
        if (const char* label = PrintedLabel(c))
            std::printf("%d\t%s\t%zu\n", c, label, NamesOf(catalogue, c).size());
    return 0;
}

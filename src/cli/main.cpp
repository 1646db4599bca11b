#include "cli/CliCommands.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

const char* kUsage =
    "Usage: vmed COMMAND [ARGS...]\n"
    "\n"
    "Command-line companion of the Varnholt Map Editor: reads, checks and rewrites\n"
    "the game's definition files, pak archives, missions and maps.\n"
    "\n"
    "Commands:\n"
    "  def check FILE...           parse definition files, print the node count of each\n"
    "  def fmt FILE [-o OUT]       parse a definition file and write it back in standard layout\n"
    "  def dump FILE               print the node tree of a definition file as JSON\n"
    "  pak list ARCHIVE            list the members of a pak archive\n"
    "  pak extract ARCHIVE DIR ... extract members into a folder\n"
    "  pak test ARCHIVE            decode every member and check its CRC\n"
    "  pak add ARCHIVE SOURCE MEMBER  add or replace one member\n"
    "  catalogue --game-path G --resource-dir R [--category N]\n"
    "                              unpack what is missing and list the entity catalogue\n"
    "  mission info --game-path G --resource-dir R [--member M] FILE\n"
    "                              open a mission or map as the editor does, print its counts\n"
    "  mission save --game-path G --resource-dir R [--member M] IN OUT\n"
    "                              open a mission or map and save it as OUT\n"
    "  mission lint [--game-path G --resource-dir R] FILE\n"
    "                              check a mission or map, one LINE<TAB>SEVERITY<TAB>MESSAGE a "
    "finding\n"
    "  export-pak --game-path G --resource-dir R FILE [--yes]\n"
    "                              put a saved mission or map into the game's game.pak\n"
    "  export-mod --game-path G --resource-dir R --name NAME [...] FILE\n"
    "                              build a mod folder from a saved mission or map\n"
    "  model check FILE...         read mesh files, print chunks, vertices and faces of each\n"
    "  model info --game-path G --resource-dir R [--all | ENTITY...]\n"
    "                              load entity models as the 3D view does, print their sizes\n"
    "\n"
    "Run 'vmed def --help' or 'vmed pak --help' for the options of a group.\n";

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        std::fputs(kUsage, args.empty() ? stderr : stdout);
        return args.empty() ? 1 : 0;
    }
    std::string group = args[0];
    std::vector<std::string> rest(args.begin() + 1, args.end());
    if (group == "def") return RunDefCommand(rest);
    if (group == "pak") return RunPakCommand(rest);
    if (group == "catalogue") return RunCatalogueCommand(rest);
    if (group == "mission" && !rest.empty() && rest[0] == "lint")
        return RunMissionLintCommand(std::vector<std::string>(rest.begin() + 1, rest.end()));
    if (group == "mission") return RunMissionCommand(rest);
    if (group == "export-pak") return RunExportPakCommand(rest);
    if (group == "export-mod") return RunExportModCommand(rest);
    if (group == "model") return RunModelCommand(rest);
    std::fprintf(stderr, "vmed: unknown command '%s'\n\n%s", group.c_str(), kUsage);
    return 1;
}

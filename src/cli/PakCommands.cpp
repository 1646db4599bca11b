#include "cli/CliCommands.h"

#include <cstdio>

int RunPakCommand(const std::vector<std::string>&) {
    std::fputs("vmed pak: not available yet\n", stderr);
    return 1;
}

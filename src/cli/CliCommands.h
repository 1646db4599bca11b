#pragma once

#include <string>
#include <vector>

// Each command group of vmed takes the arguments after its own name and
// returns the process exit code.
int RunDefCommand(const std::vector<std::string>& args);
int RunPakCommand(const std::vector<std::string>& args);
int RunCatalogueCommand(const std::vector<std::string>& args);
int RunMissionCommand(const std::vector<std::string>& args);
// "mission lint": the arguments after "lint".
int RunMissionLintCommand(const std::vector<std::string>& args);
int RunExportPakCommand(const std::vector<std::string>& args);
int RunExportModCommand(const std::vector<std::string>& args);
int RunModelCommand(const std::vector<std::string>& args);

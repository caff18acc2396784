// Each subcommand adds itself to the application with its options and a
// callback that stores the subcommand's exit status in *status.
#pragma once

#include <CLI/CLI.hpp>

void AddLsCommand(CLI::App& app, int* status);
void AddCatCommand(CLI::App& app, int* status);
void AddPutCommand(CLI::App& app, int* status);
void AddGetCommand(CLI::App& app, int* status);
void AddRmCommand(CLI::App& app, int* status);
void AddDfCommand(CLI::App& app, int* status);
void AddInspectCommand(CLI::App& app, int* status);
void AddVerifyCommand(CLI::App& app, int* status);
void AddSettingsCommand(CLI::App& app, int* status);
// The mount on Linux; nothing on Win32, which has no FUSE.
void AddPlatformCommands(CLI::App& app, int* status);

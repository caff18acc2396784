#include "cli/morvane_command.h"

#include "cli/subcommands.h"

int RunMorvane(const std::vector<std::string>& arguments) {
    CLI::App app{"Morvane: a volume whose files are stored compressed by the MORVANE filter.", "morvane"};
    app.require_subcommand(1);
    // Volume paths begin with a slash: never an option, in either build.
    app.allow_windows_style_options(false);
    int status = 0;
    AddPlatformCommands(app, &status);
    AddLsCommand(app, &status);
    AddCatCommand(app, &status);
    AddPutCommand(app, &status);
    AddGetCommand(app, &status);
    AddRmCommand(app, &status);
    AddDfCommand(app, &status);
    AddInspectCommand(app, &status);
    AddVerifyCommand(app, &status);
    AddSettingsCommand(app, &status);

    // CLI11 takes the arguments after the program name, last first.
    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend() - 1);
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& error) {
        return app.exit(error) == 0 ? 0 : 2;
    }
    return status;
}

// The morvane command: parses the arguments (argv[0] first, UTF-8) and runs
// the subcommand they name. Returns the process's exit status: 0 on success,
// 1 when the work failed (each failure is on stderr, naming its file), 2 for
// a command line that does not parse.
#pragma once

#include <string>
#include <vector>

int RunMorvane(const std::vector<std::string>& arguments);

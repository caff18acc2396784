#include <string>
#include <vector>

#include "cli/morvane_command.h"

int main(int argc, char** argv) { return RunMorvane(std::vector<std::string>(argv, argv + argc)); }

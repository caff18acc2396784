// Win32 hands the command line over in UTF-16; the command works in UTF-8.
#include <string>
#include <vector>

#include "cli/morvane_command.h"
#include "platform/types.h"
#include "platform/utf.h"

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i) {
        arguments.push_back(ToUtf8(WString(argv[i])));
    }
    return RunMorvane(arguments);
}

#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "cli/console.h"

bool StderrIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

void SetStdoutBinary() { _setmode(_fileno(stdout), _O_BINARY); }

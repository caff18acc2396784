#include <unistd.h>

#include "cli/console.h"

bool StderrIsTerminal() { return isatty(STDERR_FILENO) == 1; }

void SetStdoutBinary() {}

// The few console facts the command needs that differ between the builds.
#pragma once

// A progress bar is drawn only when stderr is a terminal.
bool StderrIsTerminal();

// File content written to stdout goes out byte for byte (no CRLF translation).
void SetStdoutBinary();

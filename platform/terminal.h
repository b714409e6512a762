#pragma once
// What a console program needs to know about its output and about Ctrl+C.
#include <cstddef>

namespace ferrow {

// True when standard error is a terminal (live progress lines); false for a file or a pipe.
bool IsErrorTerminal();
// Width of the terminal on standard error; 80 when it cannot be told.
int GetTerminalColumns();
// Height of the terminal on standard error; 24 when it cannot be told.
int GetTerminalRows();
// From now on a change of the terminal's size (SIGWINCH) sets a flag that TakeResized reads
// and clears.
void InstallResizeFlag();
bool TakeResized();

// Writes all the bytes to standard output (a pipe or a file); false when it cannot take them.
bool WriteStandardOutput(const char* data, size_t size);

// From now on SIGINT and SIGTERM only set a flag (the first one; a second one ends the program
// at once as usual), so the main loop can stop its transfers cleanly.
void InstallInterruptFlag();
// Whether SIGINT or SIGTERM arrived since InstallInterruptFlag; 0 when none, else the signal.
int GetInterruptSignal();

}  // namespace ferrow

// The folder of the running program, for the launchers that load a library from beside it.
#pragma once

#include <string>

// The program's folder ending in a backslash; empty when the program path cannot be had or
// does not fit its 260 characters (a cut path names some other folder, and the caller must then
// not load anything by a name relative to it).
std::wstring GetProgramFolder();

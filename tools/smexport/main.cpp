#include <windows.h>

#include "smexport.h"

// The options come from the run-time's wide argument vector, not from the entry's parameters.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return RunSmExport(); }

#include <windows.h>

#include "fileacl.h"

// The options come from the run-time's wide argument vector, not from the entry's parameters.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return RunFileAcl(); }

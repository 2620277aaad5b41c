#include <windows.h>

#include "shortcut.h"

// The options come from the run-time's wide argument vector, not from the entry's parameters.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return RunShortcutCommand(); }

#include <windows.h>

#include "msiremove.h"

// The tool reads no command line at all: the entry's parameters and the argument vector alike.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return RemoveOldMonitorPackage(); }

// Shell path helpers.
#pragma once

#include <windows.h>

BOOL WINAPI PathFileExistsW(LPCWSTR path);

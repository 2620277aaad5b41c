// String forms of security identifiers.
#pragma once

#include <windows.h>

BOOL WINAPI ConvertSidToStringSidW(PSID sid, LPWSTR* text);

// vqsmexport: has the older status monitor's user settings exported by its outside library,
// but only when the installed version of the older package lies in the window of "-l" and "-h".
#pragma once

#include <string>

#include "oldmonitor.h"

// Below HKEY_LOCAL_MACHINE; this 32-bit program sees it in the 32-bit registry view.
std::wstring OldMonitorUninstallKey();

int RunSmExport();
// "DisplayVersion", or "-1" when not installed, or "-2" when it could not be read.
std::wstring GetOldMonitorVersion();
std::wstring GetSmSettingsPath(const std::wstring& folder);
int WriteLogByOption();

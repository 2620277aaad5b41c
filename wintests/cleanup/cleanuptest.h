// Shared by the clean-up tool's Windows-side unit tests: a fresh folder per test, a settings
// file that SettingsIniPath names, registry set-up and the held log lines.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "wintest.h"

// C:\velmar-tests\<suite>\<test>, emptied and created anew.
std::wstring FreshTestFolder();
void WriteBytes(const std::wstring& path, const std::string& bytes);
// Writes `ini` as getinfo.ini in `folder` and points SettingsIniPath at it.
void UseSettings(const std::wstring& folder, const std::string& ini);

// HKLM key set-up: creates the key (and its parents), optionally with a string value.
void CreateMachineKey(const std::wstring& path, const wchar_t* value = nullptr,
                      const std::wstring& data = L"");
bool MachineKeyExists(const std::wstring& path);
// The product's Uninstall key in the 32-bit node, for the product code `id`.
std::wstring UninstallKeyPath(const std::wstring& id);

// The lines the operations added since the last ClearHeldLog.
std::vector<std::string> HeldLines();
void ClearHeldLog();

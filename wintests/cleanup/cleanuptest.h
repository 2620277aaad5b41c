// Shared by the clean-up tool's Windows-side tests: fresh folders, the settings file and product
// key that the operations read, registry and shell-folder set-up and the held log lines.
#pragma once

#include <windows.h>

#include <string>

#include "wintest.h"

// C:\velmar-tests\<suite>\<test>, emptied and created anew; the held log lines are dropped too.
std::wstring FreshTestFolder();
void MakeFolder(const std::wstring& path);
// Writes the file, making its folders first.
void WriteBytes(const std::wstring& path, const std::string& bytes);
// `name` in the test program's folder, where the tool looks for its list files.
std::wstring BesideProgram(const std::string& name);
std::wstring ShellFolder(int csidl);
// The folder that holds the installer's cache of each product, with a trailing backslash.
std::wstring InstallCacheRoot();

// The Uninstall key, in the 32-bit node, of the product `id`, or of the running suite's product.
std::wstring UninstallKeyPath(const std::wstring& id);
std::wstring ProductKey();
// A fresh test folder with the getinfo.ini that SettingsIniPath names: the suite's product code,
// then the lines of `ini` (a blank also ends a line). The product key is made anew with `value`
// set to `data`, or is left away without a value; it goes when the test ends. Returns the folder.
std::wstring UseProduct(const std::string& ini, const wchar_t* value = nullptr,
                        const std::wstring& data = L"");

// HKLM key set-up: creates the key (and its parents), optionally with a string value.
void CreateMachineKey(const std::wstring& path, const wchar_t* value = nullptr,
                      const std::wstring& data = L"");
extern const wchar_t RunKeyPath[];
bool RunValueExists(const wchar_t* name);

// A step's `result`, then each line held since the last outcome: an error line as its code and
// error ("ERROR CODE: " dropped), any other line whole in <>; all joined by blanks.
std::string Outcome(int result);

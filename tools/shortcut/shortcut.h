// vqshortcut: creates or removes one shortcut in the all-users Startup folder.
#pragma once

#include <windows.h>

#include <string>

int RunShortcutCommand();
bool CreateShellShortcut(const std::wstring& target, const std::wstring& name,
                         const std::wstring& arguments, const std::wstring& folder);
bool DeleteShellShortcut(const std::wstring& folder, const std::wstring& name);

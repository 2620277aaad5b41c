// vqzubstart6: hands a maker component's install or uninstall to the vqzubkit library.
#pragma once

#include <windows.h>

#include <string>

typedef int ZubInstallMode; // 1 install, 2 uninstall
enum : ZubInstallMode { ZubInstall = 1, ZubUninstall = 2 };

// The export "Vq_Start_Zub_Install" as the launcher calls it.
typedef int (*StartZubInstallProc)(const char* name, int mode);

int RunZubStart();
// The text in the thread's ANSI code page; empty when it is empty or cannot be converted.
std::string WideToAnsi(const std::wstring& text);
std::wstring GetZubKitPath(const std::wstring& programFolder);

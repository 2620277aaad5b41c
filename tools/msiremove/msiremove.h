// vqmsiremove: removes the older status-monitor package through the Windows Installer when the
// older monitor's key shows a version that begins with 2.
#pragma once

#include <windows.h>

// Buffer sizes in wide characters.
enum : size_t {
    MsiFolderChars = 260,
    MsiProgramChars = 260,
    MsiArgumentChars = 128,
    MsiCommandChars = 260,
    MonitorVersionChars = 260
};

// How long msiexec is given to finish the removal.
const DWORD MsiexecWaitMilliseconds = 30000;

int RemoveOldMonitorPackage();
bool IsMonitorVersion2Installed();
// The system folder through the shell into MsiFolderChars; empty when it cannot be had.
void FindSystemFolder(wchar_t* folder);
// "<folder>\msiexec.exe /x {code} /q" into MsiCommandChars: ERROR_SUCCESS, else
// ERROR_PATH_NOT_FOUND for an empty folder or ERROR_INSUFFICIENT_BUFFER when a part was cut
// (the command line is then empty).
DWORD BuildUninstallCommand(const wchar_t* systemFolder, wchar_t* commandLine);
// Starts the command and waits for it; 0 when it ended in time, else 1641 with its line logged.
int StartAndWait(wchar_t* commandLine, DWORD waitMilliseconds);

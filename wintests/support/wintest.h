// Support for the Windows-side tests that run the shipped binaries under Wine.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "textlines.h"

// dist/<machine>/ of this build (x64 or x86), as a Windows path, from VELMAR_DIST.
std::wstring DistDir();
// The build folder of this Windows build (test doubles live below it), from VELMAR_BUILD.
std::wstring BuildDir();
// A Unix path as Wine's Z: drive sees it; Windows paths pass unchanged.
std::wstring WindowsPathOf(const std::string& path);

// Starts `program` with the arguments (each quoted as the Windows rules need), waits for it
// and returns its exit code from GetExitCodeProcess; ~0u if it could not be started or timed out.
DWORD RunProgram(const std::wstring& program, const std::vector<std::wstring>& arguments,
                 DWORD timeoutMilliseconds = 120000);
// The command line that RunProgram builds.
std::wstring BuildCommandLine(const std::wstring& program,
                              const std::vector<std::wstring>& arguments);

// %APPDATA%\Velmar\<name>.log and its bytes ("" when missing).
std::wstring LogFilePath(const std::wstring& name);
std::string ReadFileBytes(const std::wstring& path);
bool PathExists(const std::wstring& path);
// Whether HKLM\<path> opens for reading in this program's view.
bool MachineKeyExists(const std::wstring& path);
void DeleteIfPresent(const std::wstring& path);

// PE headers of a binary file.
struct PeInfo {
    bool valid = false;
    WORD machine = 0;   // IMAGE_FILE_MACHINE_AMD64 0x8664, IMAGE_FILE_MACHINE_I386 0x14c
    WORD subsystem = 0; // 2: Windows GUI
    bool dll = false;
    std::vector<std::string> imports; // DLL names, lower case, in table order
};
PeInfo ReadPeInfo(const std::wstring& path);

// Resources: the manifest text (resource type 24, id 1 or 2), version strings and numbers.
std::string ReadManifest(const std::wstring& path);
std::wstring VersionString(const std::wstring& path, const wchar_t* name); // from 040904b0
bool FixedVersion(const std::wstring& path, DWORD* fileMs, DWORD* fileLs, DWORD* productMs,
                  DWORD* productLs);

// What every shipped tool must be, beside its behaviour: the machine, the GUI subsystem,
// imports only from DLLs every Windows has, the manifest's assembly name at 1.0.0.0 with
// asInvoker, and the version block's product name, file name and versions 1.0.0.0.
void ExpectToolBinary(const std::wstring& path, WORD machine, const char* assemblyName,
                      const wchar_t* productName);

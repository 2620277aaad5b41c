// Test control of the host stand-in: sets up the simulated machine and inspects it. Kept apart
// from the Win32 facade so that system code never sees it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace winsim {

// Resets the whole simulated machine: fresh sandbox folder, empty registry, default shell
// folders, system information, clock, argument vector, no faults, empty call log. Reset
// steps registered by the other parts of the stand-in run too.
void Reset();

// The argument vector the program sees (element 0 is the program path).
void SetArguments(std::initializer_list<const wchar_t*> arguments);
void SetArguments(const std::vector<std::wstring>& arguments);

// Fault injection: the Nth call of `function` from now (1 = the next call) fails with
// `result` (cast to the function's return type) and sets the last error to `lastError`.
// With nth 0 every call from now fails.
void FailCall(const char* function, unsigned nth, std::intptr_t result, DWORD lastError);
void ClearFaults();

// Calls made to stand-in functions since Reset (or ClearCallLog), in order.
const std::vector<std::string>& CallLog();
void ClearCallLog();
unsigned CallCount(const char* function);

// Resources that were acquired and not released: "sid", "local", "hkey", "file", ...
int LiveCount(const char* kind);

// The virtual clock: seconds since 1970 (read as local time) and milliseconds.
void SetClock(std::int64_t seconds, unsigned milliseconds);
void AdvanceClock(std::uint64_t milliseconds);
std::uint64_t ElapsedMilliseconds(); // since Reset

// System information.
void SetVersion(bool available, DWORD major, DWORD minor);
void SetNativeArchitecture(WORD architecture);
void SetSystemDefaultLangID(LANGID language);

// Shell folders: a CSIDL's path (created in the sandbox); an empty path makes the folder
// unknown.
void SetShellFolder(int csidl, const std::wstring& path);

// Files: the host path of a Windows path in the sandbox, and whole-file helpers.
std::string HostPath(const std::wstring& windowsPath);
bool FileExists(const std::wstring& windowsPath);
std::string ReadFileBytes(const std::wstring& windowsPath);
void WriteFileBytes(const std::wstring& windowsPath, const std::string& bytes);

// Wide text as UTF-8, for messages.
std::string ToUtf8(const std::wstring& text);

// Registry: "HKLM\\SOFTWARE\\X" style paths.
bool KeyExists(const std::wstring& path);

} // namespace winsim

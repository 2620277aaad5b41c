// Command-line option lookup, error-code lines and the failure exit of the tools.
#pragma once

#include <windows.h>

#include <string>

typedef int ToolExitCode; // ERROR_SUCCESS, ERROR_INSTALL_FAILURE or ERROR_SUCCESS_REBOOT_INITIATED

// The run-time's wide argument vector, for the tools that parse it themselves: its count (0
// when there is none) and element `index` below that count (a null element reads as empty).
int ArgumentCount();
const wchar_t* Argument(int index);

bool HasOption(const wchar_t* option);
std::wstring GetOptionValue(const wchar_t* option);
void LogErrorCode(int code, bool withLastError);
// The spaced error-code lines of the tools that parse their own command line:
// "ERROR CODE: %d" and "ERROR CODE: %d (0x%08x)" with a status, error number or wait result.
void LogSpacedErrorCode(int code);
void LogSpacedErrorCode(int code, DWORD value);

// The exit code of a failed task under the "-error" policy value (exact, case-sensitive).
ToolExitCode MapFailureExitCode(const wchar_t* errorMode);
ToolExitCode FailureExit();

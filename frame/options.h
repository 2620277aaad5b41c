// Command-line option lookup, error-code lines and the failure exit of the tools.
#pragma once

#include <string>

typedef int ToolExitCode; // ERROR_SUCCESS, ERROR_INSTALL_FAILURE or ERROR_SUCCESS_REBOOT_INITIATED

bool HasOption(const wchar_t* option);
std::wstring GetOptionValue(const wchar_t* option);
void LogErrorCode(int code, bool withLastError);

// The exit code of a failed task under the "-error" policy value (exact, case-sensitive).
ToolExitCode MapFailureExitCode(const wchar_t* errorMode);
ToolExitCode FailureExit();

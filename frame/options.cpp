#include "options.h"

#include <windows.h>

#include "crt.h"
#include "log.h"

// The run-time's wide argument vector; a missing vector reads as an empty one.
int ArgumentCount() { return __wargv != nullptr ? __argc : 0; }

const wchar_t* Argument(int index) {
    const wchar_t* element = __wargv[index];
    return element != nullptr ? element : L"";
}

bool HasOption(const wchar_t* option) {
    const int count = ArgumentCount();
    for (int i = 0; i < count; ++i) {
        if (wcscmp(Argument(i), option) == 0) {
            return true;
        }
    }
    return false;
}

std::wstring GetOptionValue(const wchar_t* option) {
    const int count = ArgumentCount();
    for (int i = 0; i + 1 < count; ++i) {
        if (wcscmp(Argument(i), option) == 0) {
            return Argument(i + 1);
        }
    }
    return std::wstring();
}

void LogErrorCode(int code, bool withLastError) {
    wchar_t text[LogMessageChars];
    if (withLastError) {
        const DWORD lastError = GetLastError();
        _snwprintf_s(text, _countof(text), _TRUNCATE, L"ERROR CODE:%d (0X%X)", code, lastError);
    } else {
        _snwprintf_s(text, _countof(text), _TRUNCATE, L"ERROR CODE:%d", code);
    }
    LogPrintf(text);
}

void LogSpacedErrorCode(int code) { LogPrintf(L"ERROR CODE: %d", code); }

void LogSpacedErrorCode(int code, DWORD value) {
    LogPrintf(L"ERROR CODE: %d (0x%08x)", code, value);
}

ToolExitCode MapFailureExitCode(const wchar_t* errorMode) {
    if (wcscmp(errorMode, L"ERROR_INSTALL_FAILURE") == 0) {
        return ERROR_INSTALL_FAILURE;
    }
    if (wcscmp(errorMode, L"ERROR_SUCCESS") == 0) {
        return ERROR_SUCCESS;
    }
    return ERROR_SUCCESS_REBOOT_INITIATED;
}

ToolExitCode FailureExit() {
    std::wstring logName = GetOptionValue(L"-log");
    if (logName.empty()) {
        logName = ToolLogName;
    }
    LogFlush(logName.c_str());
    return MapFailureExitCode(GetOptionValue(L"-error").c_str());
}

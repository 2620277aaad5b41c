// The four commands of the service tool, the program-path test and the presence test.
#include "service.h"

#include "crt.h"
#include "log.h"
#include "options.h"

namespace {

const int kFailed = ERROR_SUCCESS_REBOOT_INITIATED;

int RunInstall() {
    LogPrintf(L"EVENT TYPE: INSTALL");
    int result = CheckServiceBinary();
    if (result != ERROR_SUCCESS) {
        return result;
    }
    if (IsServicePresent()) {
        result = StopServiceAndWait();
        if (result != ERROR_SUCCESS) {
            return result;
        }
        result = DeleteServiceEntry();
        if (result != ERROR_SUCCESS) {
            return result;
        }
    }
    result = CreateServiceEntry();
    if (result != ERROR_SUCCESS) {
        return result;
    }
    return StartServiceAndWait();
}

int RunRemove() {
    LogPrintf(L"EVENT TYPE: REMOVE");
    const int result = StopServiceAndWait();
    if (result != ERROR_SUCCESS) {
        return result;
    }
    return DeleteServiceEntry();
}

int RunCommandSequence() {
    const wchar_t* command = ServiceToolOptions.SvcCommand;
    if (wcscmp(command, L"install") == 0) {
        return RunInstall();
    }
    if (wcscmp(command, L"remove") == 0) {
        return RunRemove();
    }
    if (wcscmp(command, L"start") == 0) {
        LogPrintf(L"EVENT TYPE: START");
        return StartServiceAndWait();
    }
    if (wcscmp(command, L"stop") == 0) {
        LogPrintf(L"EVENT TYPE: STOP");
        return StopServiceAndWait();
    }
    LogPrintf(L"ERROR:%d", SvcStepUnknownCommand);
    return kFailed;
}

} // namespace

int RunServiceCommand() {
    LogStart();
    int result = kFailed;
    if (ParseServiceOptions()) {
        result = RunCommandSequence();
    }
    // A name that does not fit the log name has been refused by the parser unless the parse
    // stopped before it was checked; such a run logs under the tool's own name.
    wchar_t logName[SvcLogNameChars];
    if (!FormServiceLogName(logName)) {
        _snwprintf_s(logName, _countof(logName), _TRUNCATE, L"%s", ToolLogName);
    }
    LogFlush(result, logName);
    if (result == ERROR_SUCCESS) {
        return ERROR_SUCCESS;
    }
    return MapFailureExitCode(ServiceToolOptions.SvcErrorMode);
}

int CheckServiceBinary() {
    const wchar_t* path = ServiceToolOptions.SvcProgramPath;
    const wchar_t* dot = wcschr(path, L'.');
    if (dot == nullptr) {
        LogSpacedErrorCode(SvcStepNoExtension);
        return kFailed;
    }
    if (wcsncmp(dot, L".exe", 4) != 0) {
        LogSpacedErrorCode(SvcStepNotExe);
        return kFailed;
    }
    // Only the program itself must exist; arguments after ".exe" are the service's own.
    wchar_t program[SvcFieldChars];
    const size_t length = static_cast<size_t>(dot - path) + 4;
    CopyMemory(program, path, length * sizeof(wchar_t));
    program[length] = L'\0';
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW(program, &found);
    if (search == INVALID_HANDLE_VALUE) {
        LogSpacedErrorCode(SvcStepProgramMissing);
        return kFailed;
    }
    FindClose(search);
    return ERROR_SUCCESS;
}

bool IsServicePresent() {
    const SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (manager == nullptr) {
        return true; // unknown counts as present: the stop and the deletion will report it
    }
    bool present = true;
    const SC_HANDLE service = OpenServiceW(manager, ServiceToolOptions.SvcName, SERVICE_ALL_ACCESS);
    if (service != nullptr) {
        CloseServiceHandle(service);
    } else {
        present = GetLastError() != ERROR_SERVICE_DOES_NOT_EXIST;
    }
    CloseServiceHandle(manager);
    return present;
}

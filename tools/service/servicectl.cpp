// The service operations: create, delete, start and wait, stop and wait. Each opens its own
// handles and closes them, the service's before the manager's.
#include "service.h"

#include "crt.h"
#include "log.h"

namespace {

const int kFailed = ERROR_SUCCESS_REBOOT_INITIATED;

SC_HANDLE OpenManager() { return OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS); }

SC_HANDLE OpenNamedService(SC_HANDLE manager) {
    return OpenServiceW(manager, ServiceToolOptions.SvcName, SERVICE_ALL_ACCESS);
}

// The first status query comes before any request, so a service that already runs costs no
// request and no pause.
int WaitUntilRunning(SC_HANDLE service) {
    bool startSent = false;
    for (DWORD poll = 1; poll <= SvcWaitPolls; ++poll) {
        SERVICE_STATUS status;
        ZeroMemory(&status, sizeof(status));
        if (!QueryServiceStatus(service, &status)) {
            LogSpacedErrorCode(SvcStepStartQuery, GetLastError());
            return kFailed;
        }
        if (status.dwCurrentState == SERVICE_RUNNING) {
            return ERROR_SUCCESS;
        }
        // A refused request is sent again at the next poll; an accepted one never again.
        if (!startSent && StartServiceW(service, 0, nullptr)) {
            startSent = true;
        }
        Sleep(SvcPollPauseMilliseconds);
    }
    LogSpacedErrorCode(SvcStepStartTimeout);
    return kFailed;
}

int WaitUntilStopped(SC_HANDLE service) {
    SERVICE_STATUS status;
    ZeroMemory(&status, sizeof(status));
    bool stopSent = false;
    for (DWORD poll = 1; poll <= SvcWaitPolls; ++poll) {
        if (!QueryServiceStatus(service, &status)) {
            LogSpacedErrorCode(SvcStepStopQuery, GetLastError());
            return kFailed;
        }
        if (status.dwCurrentState == SERVICE_STOPPED) {
            return ERROR_SUCCESS;
        }
        // The request reports the service's status into the same structure.
        if (!stopSent && ControlService(service, SERVICE_CONTROL_STOP, &status)) {
            stopSent = true;
        }
        Sleep(SvcPollPauseMilliseconds);
    }
    if (status.dwCurrentState == SERVICE_STOPPED) {
        return ERROR_SUCCESS;
    }
    LogSpacedErrorCode(SvcStepStopTimeout);
    return kFailed;
}

// Opens the manager and the named service, runs `act` on the service and closes both handles,
// the service's first. A service that does not exist is a success when `missingIsSuccess`;
// any other failure to open logs its step code with the open's error.
int RunOnNamedService(int managerCode, int openCode, bool missingIsSuccess,
                      int (*act)(SC_HANDLE service)) {
    const SC_HANDLE manager = OpenManager();
    if (manager == nullptr) {
        LogSpacedErrorCode(managerCode, GetLastError());
        return kFailed;
    }
    int result = kFailed;
    const SC_HANDLE service = OpenNamedService(manager);
    if (service == nullptr) {
        const DWORD error = GetLastError();
        if (missingIsSuccess && error == ERROR_SERVICE_DOES_NOT_EXIST) {
            result = ERROR_SUCCESS;
        } else {
            LogSpacedErrorCode(openCode, error);
        }
    } else {
        result = act(service);
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return result;
}

} // namespace

int CreateServiceEntry() {
    const SC_HANDLE manager = OpenManager();
    if (manager == nullptr) {
        LogSpacedErrorCode(SvcStepCreateManager, GetLastError());
        return kFailed;
    }
    int result = kFailed;
    SC_HANDLE service = OpenNamedService(manager);
    if (service != nullptr) {
        LogSpacedErrorCode(SvcStepAlreadyExists, GetLastError());
        CloseServiceHandle(service);
    } else {
        // The one dependency as a list: the name, its terminator and the list's terminator.
        wchar_t dependencies[SvcFieldChars + 1];
        ZeroMemory(dependencies, sizeof(dependencies));
        _snwprintf_s(dependencies, SvcFieldChars, _TRUNCATE, L"%s",
                     ServiceToolOptions.SvcDependencies);
        service = CreateServiceW(
            manager, ServiceToolOptions.SvcName, ServiceToolOptions.SvcDisplayName,
            SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_IGNORE,
            ServiceToolOptions.SvcProgramPath, nullptr, nullptr, dependencies, nullptr, nullptr);
        if (service == nullptr) {
            LogSpacedErrorCode(SvcStepCreate, GetLastError());
        } else {
            // The service is usable without its description, so a failure here is ignored.
            SERVICE_DESCRIPTIONW description;
            description.lpDescription = ServiceToolOptions.SvcDescription;
            ChangeServiceConfig2W(service, SERVICE_CONFIG_DESCRIPTION, &description);
            CloseServiceHandle(service);
            result = ERROR_SUCCESS;
        }
    }
    CloseServiceHandle(manager);
    return result;
}

int DeleteServiceEntry() {
    // The operation does not wait for the service to vanish.
    return RunOnNamedService(SvcStepDeleteManager, SvcStepDeleteOpen, true, [](SC_HANDLE service) {
        if (!DeleteService(service)) {
            LogSpacedErrorCode(SvcStepDelete, GetLastError());
            return kFailed;
        }
        return static_cast<int>(ERROR_SUCCESS);
    });
}

int StartServiceAndWait() {
    return RunOnNamedService(SvcStepStartManager, SvcStepStartOpen, false, WaitUntilRunning);
}

int StopServiceAndWait() {
    // A service that is not installed counts as stopped.
    return RunOnNamedService(SvcStepStopManager, SvcStepStopOpen, true, WaitUntilStopped);
}

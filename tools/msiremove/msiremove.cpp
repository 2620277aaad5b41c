#include "msiremove.h"

#include <shlobj.h>

#include "crt.h"
#include "log.h"
#include "oldmonitor.h"
#include "options.h"

const wchar_t ToolLogName[] = L"vqmsiremove";

namespace {

const wchar_t MonitorKeyPath[] = L"SOFTWARE\\Velmar\\TeskStatusMonitor";

} // namespace

bool IsMonitorVersion2Installed() {
    HKEY key = nullptr;
    // No view flag: the program's own (64-bit) view only.
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, MonitorKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    wchar_t version[MonitorVersionChars];
    ZeroMemory(version, sizeof(version));
    DWORD size = sizeof(version);
    const LONG status = RegQueryValueExW(key, L"Version", nullptr, nullptr,
                                         reinterpret_cast<BYTE*>(version), &size);
    RegCloseKey(key);
    // A value too long for the buffer leaves it undefined: that counts as no version.
    if (status != ERROR_SUCCESS) {
        version[0] = L'\0';
    }
    return version[0] == L'2';
}

void FindSystemFolder(wchar_t* folder) {
    folder[0] = L'\0';
    IMalloc* allocator = nullptr;
    HRESULT hr = SHGetMalloc(&allocator);
    if (FAILED(hr)) {
        LogSpacedErrorCode(1001, static_cast<DWORD>(hr));
        return;
    }
    LPITEMIDLIST idList = nullptr;
    hr = SHGetSpecialFolderLocation(nullptr, CSIDL_SYSTEM, &idList);
    if (FAILED(hr)) {
        LogSpacedErrorCode(1001, static_cast<DWORD>(hr));
        allocator->Release();
        return;
    }
    if (!SHGetPathFromIDListW(idList, folder)) {
        folder[0] = L'\0';
    }
    allocator->Free(idList);
    allocator->Release();
}

DWORD BuildUninstallCommand(const wchar_t* systemFolder, wchar_t* commandLine) {
    commandLine[0] = L'\0';
    // Without the folder the command would name "\msiexec.exe" in the current drive's root.
    if (systemFolder[0] == L'\0') {
        return ERROR_PATH_NOT_FOUND;
    }
    wchar_t program[MsiProgramChars];
    wchar_t arguments[MsiArgumentChars];
    ZeroMemory(program, sizeof(program));
    ZeroMemory(arguments, sizeof(arguments));
    if (_snwprintf_s(program, _countof(program), _TRUNCATE, L"%s\\msiexec.exe", systemFolder) < 0 ||
        _snwprintf_s(arguments, _countof(arguments), _TRUNCATE, L"/x %s /q",
                     OldMonitorProductCode) < 0 ||
        _snwprintf_s(commandLine, MsiCommandChars, _TRUNCATE, L"%s %s", program, arguments) < 0) {
        // A cut command names some other program or product: it is never started.
        commandLine[0] = L'\0';
        return ERROR_INSUFFICIENT_BUFFER;
    }
    return ERROR_SUCCESS;
}

int StartAndWait(wchar_t* commandLine, DWORD waitMilliseconds) {
    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process;
    ZeroMemory(&process, sizeof(process));
    if (!CreateProcessW(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        LogSpacedErrorCode(1002, GetLastError());
        return ERROR_SUCCESS_REBOOT_INITIATED;
    }
    int result = ERROR_SUCCESS;
    // Only the end of the process counts; its exit code is msiexec's own business.
    const DWORD wait = WaitForSingleObject(process.hProcess, waitMilliseconds);
    if (wait != WAIT_OBJECT_0) {
        LogSpacedErrorCode(1003, wait == WAIT_FAILED ? GetLastError() : wait);
        result = ERROR_SUCCESS_REBOOT_INITIATED;
    }
    // A process that outlives the wait is left to finish on its own.
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return result;
}

int RemoveOldMonitorPackage() {
    wchar_t systemFolder[MsiFolderChars];
    wchar_t commandLine[MsiCommandChars];
    ZeroMemory(systemFolder, sizeof(systemFolder));
    ZeroMemory(commandLine, sizeof(commandLine));
    LogStart();
    if (!IsMonitorVersion2Installed()) {
        return ERROR_SUCCESS;
    }
    FindSystemFolder(systemFolder);
    int result = ERROR_SUCCESS;
    const DWORD built = BuildUninstallCommand(systemFolder, commandLine);
    if (built != ERROR_SUCCESS) {
        LogSpacedErrorCode(1002, built);
        result = ERROR_SUCCESS_REBOOT_INITIATED;
    } else {
        result = StartAndWait(commandLine, MsiexecWaitMilliseconds);
    }
    LogFlush(result);
    return result;
}

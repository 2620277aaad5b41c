// Steps 4 and 5 of the clean-up: run the listed startup uninstallers from the install folder,
// then delete the listed values of the machine's Run key.
#include "cleanup.h"

#include "crt.h"

namespace {

const wchar_t StartupSection[] = L"UninstStartupExe";
const wchar_t RunValueSection[] = L"SetPCStartupReg";
const wchar_t AgentName[] = L"vqagent.exe";
const DWORD StartupWaitMilliseconds = 30000;

} // namespace

int RunStartupUninstallers() {
    const int count = ReadSettingInt(StartupSection, L"FileNum", -1);
    if (count <= 0) {
        return 1;
    }
    wchar_t folder[CleanupPathChars] = {};
    if (!ReadInstallLocation(folder)) {
        LogSpacedErrorCode(3001);
        return 0;
    }

    int result = 1;
    for (int i = 0; i < count; ++i) {
        STARTUPINFOW startup;
        ZeroMemory(&startup, sizeof(startup));
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_SHOWNORMAL;

        wchar_t name[260] = {};
        wchar_t option[128] = {};
        if (!ReadStartupExeEntry(i, name, option)) {
            LogSpacedErrorCode(3002);
            result = 0;
            continue;
        }
        // The program path is built for both forms: a cut one is not started, nor even
        // looked for, since it can name another program.
        const bool agent = wcscmp(name, AgentName) == 0;
        const int startFailed = agent ? 3003 : 3005;
        wchar_t path[CleanupPathChars];
        wchar_t commandLine[CleanupPathChars];
        if (!FormatFitted(path, _countof(path), L"%s\\%s", folder, name)) {
            LogSpacedErrorCode(startFailed, ERROR_FILENAME_EXCED_RANGE);
            result = 0;
            continue;
        }
        if (!FileExistsIn(folder, name)) {
            continue; // not installed: nothing to run
        }
        // vqagent wants its own quoted path as the first word of its command line; the other
        // programs get the option text alone.
        if (agent &&
            !FormatFitted(commandLine, _countof(commandLine), L"\"%s\" %s", path, option)) {
            LogSpacedErrorCode(startFailed, ERROR_FILENAME_EXCED_RANGE);
            result = 0;
            continue;
        }

        PROCESS_INFORMATION process;
        ZeroMemory(&process, sizeof(process));
        if (!CreateProcessW(agent ? nullptr : path, agent ? commandLine : option, nullptr, nullptr,
                            FALSE, 0, nullptr, nullptr, &startup, &process)) {
            LogSpacedErrorCode(startFailed, GetLastError());
            result = 0;
            continue;
        }
        // A program still running after the wait is left to finish on its own.
        const DWORD waited = WaitForSingleObject(process.hProcess, StartupWaitMilliseconds);
        if (waited != WAIT_OBJECT_0) {
            LogSpacedErrorCode(agent ? 3004 : 3006,
                               waited == WAIT_FAILED ? GetLastError() : waited);
            result = 0;
        }
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    return result;
}

int DeleteRunValues() {
    const int count = ReadSettingInt(RunValueSection, L"FileNum", -1);
    if (count <= 0) {
        return 1;
    }
    HKEY key = nullptr;
    const LONG opened =
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", 0,
                      KEY_ALL_ACCESS, &key);
    if (opened != ERROR_SUCCESS) {
        LogSpacedErrorCode(4001, static_cast<DWORD>(opened));
        return 0;
    }

    int result = 1;
    for (int i = 0; i < count; ++i) {
        wchar_t name[CleanupNameChars] = {};
        if (!ReadStartupRegName(i, name)) {
            LogSpacedErrorCode(4002);
            result = 0;
            continue;
        }
        // A value that is not there counts as deleted.
        const LONG deleted = RegDeleteValueW(key, name);
        if (deleted != ERROR_SUCCESS && deleted != ERROR_FILE_NOT_FOUND) {
            LogSpacedErrorCode(4003, static_cast<DWORD>(deleted));
            result = 0;
        }
    }
    RegCloseKey(key);
    return result;
}

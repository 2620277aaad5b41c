// Stands in for the programs that the clean-up starts: appends its command line to the record
// beside its own file and, told "-stay", outlives the clean-up's wait.
#include <windows.h>

#include <wchar.h>

#include "startprog.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t record[MAX_PATH + 32];
    const DWORD length = GetModuleFileNameW(nullptr, record, MAX_PATH);
    wchar_t* slash = wcsrchr(record, L'\\');
    if (length == 0 || length >= MAX_PATH || slash == nullptr) {
        return 1;
    }
    wcscpy_s(slash + 1, _countof(record) - (slash + 1 - record), StartProgRecordName);
    const std::wstring line = std::wstring(GetCommandLineW()) + L"\n";
    HANDLE file = CreateFileW(record, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return 2;
    }
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size() * sizeof(wchar_t)), &written,
              nullptr);
    CloseHandle(file);
    if (line.find(L"-stay") != std::wstring::npos) {
        Sleep(60000);
    }
    return 0;
}

// Stands in for the programs that the clean-up starts: appends its command line to the record
// beside its own file and, told "-stay", outlives the clean-up's wait.
#include <windows.h>

#include "startprog.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t self[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring record(self, length < MAX_PATH ? length : 0);
    if (record.rfind(L'\\') == std::wstring::npos) {
        return 1;
    }
    record.replace(record.rfind(L'\\') + 1, std::wstring::npos, StartProgRecordName);
    const std::wstring line = std::wstring(GetCommandLineW()) + L"\n";
    HANDLE file = CreateFileW(record.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
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

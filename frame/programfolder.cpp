#include "programfolder.h"

#include <windows.h>

#include "crt.h"

std::wstring GetProgramFolder() {
    wchar_t folder[MAX_PATH];
    ZeroMemory(folder, sizeof(folder));
    const DWORD length = GetModuleFileNameW(nullptr, folder, _countof(folder));
    if (length == 0 || length >= _countof(folder)) {
        return std::wstring();
    }
    wchar_t* last = wcsrchr(folder, L'\\');
    if (last != nullptr) {
        last[1] = L'\0';
    }
    return folder;
}

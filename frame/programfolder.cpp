#include "programfolder.h"

#include "crt.h"

bool ReadProgramFolder(wchar_t* folder, DWORD chars) {
    ZeroMemory(folder, chars * sizeof(wchar_t));
    const DWORD length = GetModuleFileNameW(nullptr, folder, chars);
    if (length >= chars) {
        folder[0] = L'\0';
        return false;
    }
    if (length == 0) {
        folder[0] = L'\0';
        return true;
    }
    wchar_t* last = wcsrchr(folder, L'\\');
    if (last != nullptr) {
        last[1] = L'\0';
    }
    return true;
}

std::wstring GetProgramFolder() {
    wchar_t folder[MAX_PATH];
    return ReadProgramFolder(folder, _countof(folder)) ? folder : L"";
}

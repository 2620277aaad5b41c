// The program folder, the settings path, existence tests and shell-folder lookup.
#include "cleanup.h"

#include <shlobj.h>

#include <cstdarg>

#include "crt.h"
#include "log.h"
#include "programfolder.h"

wchar_t SettingsIniPath[CleanupPathChars];
// The frame's name for this tool's log; the run names its log itself ("vqcleanlog_<AppName>").
const wchar_t ToolLogName[] = L"vqcleanlog";

bool FormatFitted(wchar_t* buffer, size_t chars, const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    const int written = _vsnwprintf_s(buffer, chars, _TRUNCATE, format, args);
    va_end(args);
    return written >= 0;
}

int GetProgramFolder(wchar_t (&folder)[CleanupPathChars]) {
    return ReadProgramFolder(folder, CleanupPathChars) ? 1 : 0;
}

int FileExistsIn(const wchar_t* folder, const wchar_t* name) {
    wchar_t path[CleanupPathChars];
    bool fitted = false;
    if (folder == nullptr) {
        wchar_t programFolder[CleanupPathChars];
        fitted = GetProgramFolder(programFolder) &&
                 FormatFitted(path, _countof(path), L"%s%s", programFolder, name);
    } else {
        fitted = FormatFitted(path, _countof(path), L"%s\\%s", folder, name);
    }
    if (!fitted) {
        return 0; // a cut path may name some other entry
    }
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(path, &found);
    if (search == INVALID_HANDLE_VALUE) {
        return 0;
    }
    FindClose(search);
    return 1;
}

int GetShellFolderPath(int csidl, wchar_t* buffer, unsigned capacity) {
    IMalloc* allocator = nullptr;
    LPITEMIDLIST items = nullptr;
    wchar_t local[MAX_PATH] = {};
    const HRESULT allocatorResult = SHGetMalloc(&allocator);
    HRESULT locationResult = E_FAIL;
    if (allocatorResult == S_OK) {
        locationResult = SHGetSpecialFolderLocation(nullptr, csidl, &items);
        if (locationResult == S_OK && !SHGetPathFromIDListW(items, local)) {
            local[0] = L'\0';
        }
    }
    if (items != nullptr) {
        allocator->Free(items);
    }
    if (allocator != nullptr) {
        allocator->Release();
    }
    if (capacity > 0) {
        _snwprintf_s(buffer, capacity, _TRUNCATE, L"%s", local);
    }
    return allocatorResult == S_OK && locationResult == S_OK ? 0 : 1;
}

bool IsNameBelowFolder(const wchar_t* name, bool trailingSeparator) {
    const wchar_t* part = name;
    for (;;) {
        const wchar_t* end = part + wcscspn(part, L"\\/");
        bool named = false;
        for (const wchar_t* c = part; c < end; ++c) {
            named = named || (*c != L' ' && *c != L'.');
        }
        if (*end == L'\0') {
            return named || (trailingSeparator && part == end && part != name);
        }
        if (!named) {
            return false;
        }
        part = end + 1;
    }
}

bool FormInstallCacheFolder(wchar_t (&folder)[CleanupPathChars], const wchar_t* programFiles,
                            const wchar_t* productCode) {
    return FormatFitted(folder, CleanupPathChars, L"%s\\%s\\{%s}", programFiles,
                        L"InstallShield Installation Information", productCode);
}

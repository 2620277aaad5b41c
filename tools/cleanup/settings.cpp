// Reading "getinfo.ini": single keys with their defaults, and the numbered item readers.
#include "cleanup.h"

#include "crt.h"

const wchar_t SettingMissing[] = L"Could't";
const wchar_t ItemMissing[] = L"error";

namespace {

// No key of the settings file is read with a larger buffer than this.
const DWORD LongestSettingChars = 260;

// Reads "<stem><index>" of `section` with the default "error" into `value` (read size
// `chars`); 0 when it counts as missing.
int ReadItem(const wchar_t* section, const wchar_t* stem, int index, wchar_t* value, DWORD chars) {
    wchar_t key[CleanupNameChars];
    _snwprintf_s(key, _countof(key), _TRUNCATE, L"%s%d", stem, index);
    ReadSettingText(section, key, ItemMissing, value, chars);
    return value[0] != L'\0' && wcscmp(value, ItemMissing) != 0;
}

} // namespace

bool ReadSettingText(const wchar_t* section, const wchar_t* key, const wchar_t* defaultText,
                     wchar_t* buffer, DWORD chars) {
    // One character more than asked for tells a value that fits from one that was cut.
    wchar_t value[LongestSettingChars + 1];
    const DWORD size = chars < LongestSettingChars ? chars : LongestSettingChars;
    // Without a settings path every key reads as its default (an empty name would have the
    // system look for some other file).
    bool fitted = false;
    if (SettingsIniPath[0] != L'\0') {
        fitted = GetPrivateProfileStringW(section, key, defaultText, value, size + 1,
                                          SettingsIniPath) < size;
    }
    _snwprintf_s(buffer, chars, _TRUNCATE, L"%s", fitted ? value : defaultText);
    return fitted;
}

int ReadSettingInt(const wchar_t* section, const wchar_t* key, int defaultValue) {
    if (SettingsIniPath[0] == L'\0') {
        return defaultValue;
    }
    return static_cast<int>(GetPrivateProfileIntW(section, key, defaultValue, SettingsIniPath));
}

int ReadStartupRegName(int index, wchar_t (&name)[CleanupNameChars]) {
    wchar_t value[CleanupNameChars];
    if (!ReadItem(L"SetPCStartupReg", L"regname", index, value, _countof(value))) {
        return 0;
    }
    wcscpy_s(name, value);
    return 1;
}

int ReadStartupExeEntry(int index, wchar_t (&name)[260], wchar_t (&option)[128]) {
    wchar_t program[260];
    if (!ReadItem(L"UninstStartupExe", L"name", index, program, _countof(program))) {
        return 0;
    }
    wchar_t text[127];
    if (!ReadItem(L"UninstStartupExe", L"OptionCommand", index, text, _countof(text))) {
        return 0;
    }
    wcscpy_s(name, program);
    wcscpy_s(option, text);
    return 1;
}

int ReadExceptionListItem(int index, wchar_t (&path)[CleanupPathChars]) {
    wchar_t value[260];
    if (!ReadItem(L"AddExceptionListApp", L"filename", index, value, _countof(value))) {
        return 0;
    }
    wcscpy_s(path, value);
    return 1;
}

int ReadDesktopItemName(int index, wchar_t (&name)[CleanupNameChars]) {
    wchar_t value[260];
    // A name longer than the caller's buffer counts as missing rather than being cut.
    if (!ReadItem(L"DesktopShortCut", L"ItemName", index, value, _countof(value)) ||
        wcslen(value) >= _countof(name)) {
        return 0;
    }
    wcscpy_s(name, value);
    return 1;
}

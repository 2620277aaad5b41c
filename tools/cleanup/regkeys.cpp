// The product's Uninstall key, its two readers, and the brand application keys.
#include "cleanup.h"

#include "crt.h"
#include "log.h"

namespace {

const wchar_t kUninstallKeyFormat[] =
    L"SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{%s}";
const wchar_t kBrandKeyFormat[] = L"%s\\%s\\%s\\%s";

// Reads one value of the product's Uninstall key into `value` of `chars` characters.
int ReadUninstallValue(const wchar_t* name, wchar_t* value, DWORD chars) {
    wchar_t productCode[CleanupProductChars];
    ReadSettingText(L"GUID", L"id", SettingMissing, productCode, _countof(productCode));
    wchar_t path[CleanupPathChars];
    if (!FormatFitted(path, _countof(path), kUninstallKeyFormat, productCode)) {
        return 0;
    }
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return 0;
    }
    DWORD type = 0;
    DWORD bytes = chars * sizeof(wchar_t);
    const LONG status =
        RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &bytes);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) {
        value[0] = L'\0';
        return 0;
    }
    // A stored text need not carry its terminator: one that fills the buffer without it is one
    // character too long and is refused; a shorter one is terminated where it ends.
    const DWORD stored = bytes / sizeof(wchar_t);
    if (stored >= chars) {
        if (value[chars - 1] != L'\0') {
            value[0] = L'\0';
            return 0;
        }
    } else {
        value[stored] = L'\0';
    }
    return 1;
}

// RegDeleteKeyW of one brand application key; 0 and ERROR_FILE_NOT_FOUND count as removed.
LONG DeleteBrandKey(const wchar_t* brand, const wchar_t* appName) {
    wchar_t key[CleanupPathChars];
    if (!FormatFitted(key, _countof(key), kBrandKeyFormat, L"SOFTWARE", brand, L"Tesk", appName)) {
        return ERROR_FILENAME_EXCED_RANGE;
    }
    const LONG status = RegDeleteKeyW(HKEY_LOCAL_MACHINE, key);
    return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

} // namespace

int ReadInstallLocation(wchar_t (&location)[CleanupPathChars]) {
    return ReadUninstallValue(L"InstallLocation", location, CleanupPathChars) &&
           location[0] != L'\0';
}

int ReadDisplayName(wchar_t (&name)[CleanupNameChars]) {
    // An empty display name would name the shell folder or the brand key it is appended to.
    return ReadUninstallValue(L"DisplayName", name, CleanupNameChars) && name[0] != L'\0';
}

int DeleteBrandAppKeys(const wchar_t* brand) {
    wchar_t regAppName[CleanupNameChars];
    ReadSettingText(L"RegApplicationName", L"RegAppName", SettingMissing, regAppName,
                    _countof(regAppName));
    // An empty name would name the brand's "Tesk" key itself.
    if (wcscmp(regAppName, SettingMissing) == 0 || regAppName[0] == L'\0') {
        LogSpacedErrorCode(9001);
        return 0;
    }
    LONG status = DeleteBrandKey(brand, regAppName);
    if (status != ERROR_SUCCESS) {
        LogSpacedErrorCode(9002, static_cast<DWORD>(status));
    }
    wchar_t displayName[CleanupNameChars] = {};
    if (!ReadDisplayName(displayName)) {
        LogSpacedErrorCode(9003);
        return 0;
    }
    if (wcscmp(displayName, regAppName) == 0) {
        return 1;
    }
    status = DeleteBrandKey(brand, displayName);
    if (status != ERROR_SUCCESS) {
        LogSpacedErrorCode(9004, static_cast<DWORD>(status));
        return 0;
    }
    return 1;
}

int DeleteUninstallKey(const wchar_t* productCode) {
    wchar_t code[CleanupNameChars + 1];
    wchar_t path[CleanupPathChars];
    if (!FormatFitted(code, _countof(code), L"%s", productCode) ||
        !FormatFitted(path, _countof(path), kUninstallKeyFormat, code)) {
        LogSpacedErrorCode(9005, ERROR_FILENAME_EXCED_RANGE);
        return 0;
    }
    const LONG status = RegDeleteKeyW(HKEY_LOCAL_MACHINE, path);
    if (status != ERROR_SUCCESS) {
        LogSpacedErrorCode(9005, static_cast<DWORD>(status));
        return 0;
    }
    return 1;
}

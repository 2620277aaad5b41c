#include "smexport.h"

#include <windows.h>

#include "crt.h"
#include "log.h"
#include "options.h"
#include "programfolder.h"

const wchar_t ToolLogName[] = L"vqsmexport";

namespace {

typedef void (*UserSettingRegProc)();

enum : size_t { VersionValueChars = 32 };

// The run-time's conversion in the classic locale, which this program never changes, so "."
// is the decimal separator and a text without a leading number reads as 0.0.
double ToNumber(const std::wstring& text) { return _wtof(text.c_str()); }

} // namespace

std::wstring OldMonitorUninstallKey() {
    return std::wstring(L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") +
           OldMonitorProductCode;
}

std::wstring GetOldMonitorVersion() {
    wchar_t value[VersionValueChars];
    ZeroMemory(value, sizeof(value));
    HKEY key = nullptr;
    const LONG opened =
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, OldMonitorUninstallKey().c_str(), 0, KEY_READ, &key);
    if (opened == ERROR_FILE_NOT_FOUND) {
        return L"-1";
    }
    if (opened != ERROR_SUCCESS) {
        LogErrorCode(1, true);
        return L"-2";
    }
    DWORD bytes = sizeof(value);
    const LONG read = RegQueryValueExW(key, L"DisplayVersion", nullptr, nullptr,
                                       reinterpret_cast<BYTE*>(value), &bytes);
    if (read != ERROR_SUCCESS && read != ERROR_FILE_NOT_FOUND) {
        LogErrorCode(2, true);
    }
    RegCloseKey(key);
    if (read == ERROR_SUCCESS) {
        // A value stored without its terminator can fill the whole buffer: stop at its end.
        return std::wstring(value, wcsnlen(value, _countof(value)));
    }
    return read == ERROR_FILE_NOT_FOUND ? L"-1" : L"-2";
}

std::wstring GetSmSettingsPath(const std::wstring& folder) { return folder + L"vqsmsettings.dll"; }

int WriteLogByOption() {
    std::wstring name = GetOptionValue(L"-log");
    if (name.empty()) {
        name = ToolLogName;
    }
    LogFlush(name.c_str());
    return 0;
}

int RunSmExport() {
    LogStart();
    const double version = ToNumber(GetOldMonitorVersion());
    if (version == -1.0) {
        return 0;
    }
    if (version == -2.0) {
        return WriteLogByOption();
    }
    const double lower = ToNumber(GetOptionValue(L"-l"));
    const double upper = ToNumber(GetOptionValue(L"-h"));
    // Written so that a version that is no number at all lies outside every window.
    if (!(version >= lower && version <= upper)) {
        return 0;
    }
    // An empty folder means the program path was cut; a bare library name would have the
    // system search elsewhere, so that counts as the library not found.
    const std::wstring folder = GetProgramFolder();
    HMODULE library = folder.empty() ? nullptr : LoadLibraryW(GetSmSettingsPath(folder).c_str());
    if (library == nullptr) {
        LogErrorCode(3, true);
        return WriteLogByOption();
    }
    const UserSettingRegProc exportSettings =
        reinterpret_cast<UserSettingRegProc>(GetProcAddress(library, "exp_sm_usrsetting_reg"));
    if (exportSettings == nullptr) {
        LogErrorCode(4, true);
        FreeLibrary(library);
        return WriteLogByOption();
    }
    exportSettings();
    FreeLibrary(library);
    return 0;
}

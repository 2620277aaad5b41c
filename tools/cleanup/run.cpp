// The run: the "-error" option, the settings path, the installer-cache test, the eleven steps
// in their fixed order, the log on failure and the exit code.
#include "cleanup.h"

#include <shlobj.h>

#include "crt.h"
#include "log.h"

wchar_t ErrorOption[CleanupOptionChars];

namespace {

const wchar_t* const kBrands[] = {L"Velmar", L"Brovik", L"Dorrik", L"Traskel"};

} // namespace

int ParseErrorOption() {
    const int count = ArgumentCount();
    for (int i = 1; i < count; i += 2) {
        if (wcscmp(Argument(i), L"-error") != 0) {
            return 0;
        }
        // A "-error" in last place has no value; nothing is read past the vector.
        if (i + 1 < count) {
            _snwprintf_s(ErrorOption, _countof(ErrorOption), _TRUNCATE, L"%s", Argument(i + 1));
        } else {
            ErrorOption[0] = L'\0';
        }
    }
    return 1;
}

int IsInstallCachePresent() {
    if (FileExistsIn(nullptr, L"getinfo.ini") == 0) {
        return 0;
    }
    wchar_t productCode[CleanupProductChars];
    ReadSettingText(L"GUID", L"id", SettingMissing, productCode, _countof(productCode));
    wchar_t programFiles[CleanupShellFolderChars];
    if (GetShellFolderPath(CSIDL_PROGRAM_FILESX86, programFiles, _countof(programFiles)) != 0) {
        return 1;
    }
    wchar_t cacheFolder[CleanupPathChars];
    if (!FormInstallCacheFolder(cacheFolder, programFiles, productCode)) {
        return 0;
    }
    return FileExistsIn(cacheFolder, L"setup.exe");
}

int RunCleanupSteps() {
    // Every step runs whatever the earlier ones returned; each logs its own codes.
    int failed = 0;
    failed |= !RemoveFirewallExceptions();
    failed |= !RemoveProgramGroups();
    failed |= !RemoveStartupShortcuts();
    failed |= !RunStartupUninstallers();
    failed |= !DeleteRunValues();
    failed |= !RemoveDesktopShortcuts();
    failed |= !RemoveUninstallFiles();
    wchar_t productCode[CleanupProductChars];
    ReadSettingText(L"GUID", L"id", SettingMissing, productCode, _countof(productCode));
    failed |= !RemoveInstallCacheFolder(productCode);
    failed |= !DeleteListedRegistryKeys();
    for (const wchar_t* brand : kBrands) {
        failed |= !DeleteBrandAppKeys(brand);
    }
    failed |= !DeleteUninstallKey(productCode);
    return failed ? ERROR_SUCCESS_REBOOT_INITIATED : ERROR_SUCCESS;
}

int RunCleanup() {
    LogStart();
    ParseErrorOption();
    wchar_t programFolder[CleanupPathChars];
    // A program path or settings path that did not fit leaves no settings path: nothing is
    // found and nothing is done.
    if (!GetProgramFolder(programFolder) ||
        !FormatFitted(SettingsIniPath, _countof(SettingsIniPath), L"%s%s", programFolder,
                      L"getinfo.ini")) {
        SettingsIniPath[0] = L'\0';
    }
    int result = ERROR_SUCCESS;
    if (SettingsIniPath[0] != L'\0' && IsInstallCachePresent() == 1) {
        result = RunCleanupSteps();
    }
    wchar_t appName[CleanupNameChars];
    ReadSettingText(L"ApplicationName", L"AppName", SettingMissing, appName, _countof(appName));
    wchar_t logName[CleanupPathChars];
    _snwprintf_s(logName, _countof(logName), _TRUNCATE, L"%s_%s", L"vqcleanlog", appName);
    LogFlush(result, logName);
    if (result != ERROR_SUCCESS_REBOOT_INITIATED) {
        return result;
    }
    return MapFailureExitCode(ErrorOption);
}

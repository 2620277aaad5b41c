// The product's program folders, startup shortcuts and desktop shortcuts in the all-users
// shell folders.
#include "cleanup.h"

#include <shlobj.h>

#include "log.h"

namespace {

// The setting that turns the startup shortcuts' removal off: read with 8 characters.
enum : size_t { SwitchChars = 8 };

// Reads a name of 128 characters with the default "Could't". False when the stored name was
// too long: it then reads as the default, and the name counts as one that cannot be processed.
bool ReadNameSetting(const wchar_t* section, const wchar_t* key,
                     wchar_t (&name)[CleanupNameChars]) {
    ZeroMemory(name, sizeof(name));
    return ReadSettingText(section, key, SettingMissing, name, CleanupNameChars);
}

bool IsNameMissing(const wchar_t* name) {
    return name[0] == L'\0' || wcscmp(name, SettingMissing) == 0;
}

// A shell folder's path, or false when it was not obtained. An empty path would turn every
// name below into one at the root of the current drive.
bool GetCommonFolder(int csidl, wchar_t (&folder)[CleanupPathChars]) {
    ZeroMemory(folder, sizeof(folder));
    return GetShellFolderPath(csidl, folder, CleanupPathChars) == 0 && folder[0] != L'\0';
}

// 1 when the program folder of `name` is gone or was left in place empty; 0 when it could not
// be deleted or its path cannot be trusted.
int RemoveProgramFolder(const wchar_t* programs, const wchar_t* name) {
    wchar_t folder[CleanupPathChars] = {};
    if (!IsNameBelowFolder(name, false) ||
        !FormatFitted(folder, _countof(folder), L"%s\\%s", programs, name)) {
        return 0;
    }
    if (FolderHasContent(folder) == 1 && DeleteFolderTree(folder) == 0) {
        return 0;
    }
    return 1;
}

// 1 when the startup shortcut of `name` is absent or was deleted; 0 when it stays or its
// path cannot be trusted.
int RemoveStartupShortcut(const wchar_t* startup, const wchar_t* name) {
    wchar_t linkName[CleanupNameChars] = {};
    wchar_t linkPath[CleanupPathChars] = {};
    if (!IsNameBelowFolder(name, false) ||
        !FormatFitted(linkName, _countof(linkName), L"%s.lnk", name) ||
        !FormatFitted(linkPath, _countof(linkPath), L"%s\\%s", startup, linkName)) {
        return 0;
    }
    if (FileExistsIn(startup, linkName) == 1 && !DeleteFileW(linkPath)) {
        return 0;
    }
    return 1;
}

// Deletes the desktop shortcut of `name` once. A failure other than ERROR_NOT_FOUND is logged
// with `code` and its error, and gives 0.
int DeleteDesktopShortcut(const wchar_t* desktop, const wchar_t* name, bool nameFits, int code) {
    wchar_t linkPath[CleanupPathChars] = {};
    DWORD error = ERROR_SUCCESS;
    if (!nameFits || !FormatFitted(linkPath, _countof(linkPath), L"%s\\%s.lnk", desktop, name)) {
        error = ERROR_FILENAME_EXCED_RANGE;
    } else if (!IsNameBelowFolder(name, false)) {
        error = ERROR_INVALID_NAME;
    } else if (!DeleteFileW(linkPath)) {
        error = GetLastError();
    }
    if (error == ERROR_SUCCESS || error == ERROR_NOT_FOUND) {
        return 1;
    }
    LogSpacedErrorCode(code, error);
    return 0;
}

// Deletes the desktop shortcut named by a [DesktopShortCut] key when "MediaGuide" is exactly
// "Y". The flag is read afresh for each key.
int DeleteMediaGuideShortcut(const wchar_t* desktop, const wchar_t* key, int code,
                             bool& attempted) {
    wchar_t flag[SwitchChars] = {};
    ReadSettingText(L"DesktopShortCut", L"MediaGuide", SettingMissing, flag, SwitchChars);
    if (wcscmp(flag, L"Y") != 0) {
        return 1;
    }
    // A missing key leaves the default as the name; that shortcut is not found and fails.
    wchar_t name[CleanupNameChars];
    const bool fits = ReadNameSetting(L"DesktopShortCut", key, name);
    attempted = true;
    return DeleteDesktopShortcut(desktop, name, fits, code);
}

// The step codes of one name-driven step after its DisplayName entry.
struct NameStepCodes {
    int displayRemoved, appMissing, appRemoved, regMissing, regRemoved;
};

// The name-driven steps' common walk: the DisplayName entry, then AppName and RegAppName unless
// equal to it; the first failure logs its code and ends the step.
int RemoveForProductNames(const wchar_t* folder, const wchar_t* displayName,
                          int (*remove)(const wchar_t*, const wchar_t*),
                          const NameStepCodes& codes) {
    if (remove(folder, displayName) == 0) {
        LogSpacedErrorCode(codes.displayRemoved);
        return 0;
    }
    wchar_t appName[CleanupNameChars];
    const bool appNameFits = ReadNameSetting(L"ApplicationName", L"AppName", appName);
    if (appNameFits && IsNameMissing(appName)) {
        LogSpacedErrorCode(codes.appMissing);
        return 0;
    }
    // A name too long to read differs from the display name, which fits.
    if (!appNameFits || (wcscmp(appName, displayName) != 0 && remove(folder, appName) == 0)) {
        LogSpacedErrorCode(codes.appRemoved);
        return 0;
    }
    wchar_t regAppName[CleanupNameChars];
    const bool regAppNameFits = ReadNameSetting(L"RegApplicationName", L"RegAppName", regAppName);
    if (regAppNameFits && IsNameMissing(regAppName)) {
        LogSpacedErrorCode(codes.regMissing);
        return 0;
    }
    if (regAppNameFits && wcscmp(regAppName, displayName) == 0) {
        return 1;
    }
    if (!regAppNameFits || remove(folder, regAppName) == 0) {
        LogSpacedErrorCode(codes.regRemoved);
        return 0;
    }
    return 1;
}

} // namespace

int RemoveProgramGroups() {
    wchar_t displayName[CleanupNameChars] = {};
    if (ReadDisplayName(displayName) == 0) {
        LogSpacedErrorCode(2001);
        return 0;
    }
    wchar_t programs[CleanupPathChars];
    if (!GetCommonFolder(CSIDL_COMMON_PROGRAMS, programs)) {
        LogSpacedErrorCode(2003);
        return 0;
    }
    return RemoveForProductNames(programs, displayName, RemoveProgramFolder,
                                 {2004, 2005, 2006, 2007, 2008});
}

int RemoveStartupShortcuts() {
    // A value too long for its 8 characters is none of the three that turn the step off.
    wchar_t setting[SwitchChars] = {};
    if (ReadSettingText(L"SETSTARTUP", L"Register", SettingMissing, setting, SwitchChars) &&
        (IsNameMissing(setting) || wcscmp(setting, L"N") == 0)) {
        return 1;
    }
    wchar_t startup[CleanupPathChars];
    if (!GetCommonFolder(CSIDL_COMMON_STARTUP, startup)) {
        LogSpacedErrorCode(2009);
        return 0;
    }
    wchar_t displayName[CleanupNameChars] = {};
    if (ReadDisplayName(displayName) == 0) {
        LogSpacedErrorCode(2010);
        return 0;
    }
    return RemoveForProductNames(startup, displayName, RemoveStartupShortcut,
                                 {2011, 2012, 2013, 2014, 2015});
}

int RemoveDesktopShortcuts() {
    wchar_t desktop[CleanupPathChars];
    if (!GetCommonFolder(CSIDL_COMMON_DESKTOPDIRECTORY, desktop)) {
        LogSpacedErrorCode(5001, GetLastError());
        return 0;
    }

    int result = 1;
    bool attempted = false;
    if (DeleteMediaGuideShortcut(desktop, L"MediaGudeName", 5002, attempted) == 0) {
        result = 0;
    }
    if (DeleteMediaGuideShortcut(desktop, L"ReadmeName", 5003, attempted) == 0) {
        result = 0;
    }

    const int otherFile = ReadSettingInt(L"DesktopShortCut", L"OtherFile", -1);
    for (int index = 0; index < otherFile; ++index) {
        wchar_t name[CleanupNameChars] = {};
        if (ReadDesktopItemName(index, name) != 1) {
            LogSpacedErrorCode(5004);
            result = 0;
            continue;
        }
        if (DeleteDesktopShortcut(desktop, name, true, 5005) == 0) {
            result = 0;
        }
    }

    if (otherFile > 0 || attempted) {
        SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_PATHW, desktop, nullptr);
    }
    return result;
}

// vqcleanup6: removes, at uninstall, what "getinfo.ini" beside the program lists, in a fixed
// order of eleven steps, and reports the outcome through its exit code.
#pragma once

#include <windows.h>

#include "options.h"

// Buffer sizes in wide characters, terminator included.
enum : size_t {
    CleanupPathChars = 261,    // paths, the program folder, SettingsIniPath
    CleanupNameChars = 128,    // DisplayName, AppName, RegAppName, Run value names
    CleanupProductChars = 129, // [GUID] "id"
    CleanupOptionChars = 512,  // ErrorOption
    CleanupShellFolderChars = 1024,
};

// Settings defaults that count as "missing" where the settings table says so.
extern const wchar_t SettingMissing[]; // "Could't", single keys
extern const wchar_t ItemMissing[];    // "error", numbered entries

// Set once by RunCleanup before anything reads the settings file.
extern wchar_t SettingsIniPath[CleanupPathChars];
// The value of the last "-error" pair that ParseErrorOption read.
extern wchar_t ErrorOption[CleanupOptionChars];

// Bounded formatting that reports a cut: false when the text did not fit and was shortened.
// A cut path can name another, existing object, so callers never act on it.
bool FormatFitted(wchar_t* buffer, size_t chars, const wchar_t* format, ...);

// --- Paths and shell folders ---
// The running program's folder with its trailing backslash (empty when the program path
// cannot be had). 0 when the program path did not fit: nothing may be built on it.
int GetProgramFolder(wchar_t (&folder)[CleanupPathChars]);
// 1 when an entry `name` exists in `folder` (null: the program folder), else 0.
int FileExistsIn(const wchar_t* folder, const wchar_t* name);
// 0 on success, 1 on failure.
int GetShellFolderPath(int csidl, wchar_t* buffer, unsigned capacity);
// True when every element of `name` names something: the platform drops trailing dots and
// blanks, so an element that is empty or only dots and blanks names the folder it is appended
// to, its parent or a root. With `trailingSeparator`, one final separator after a name passes.
bool IsNameBelowFolder(const wchar_t* name, bool trailingSeparator);
// The installer's cache folder of the product below the 32-bit Program Files folder; false
// when it did not fit.
bool FormInstallCacheFolder(wchar_t (&folder)[CleanupPathChars], const wchar_t* programFiles,
                            const wchar_t* productCode);

// --- Settings file ---
// GetPrivateProfileStringW and GetPrivateProfileIntW on SettingsIniPath. A text too long for
// its buffer reads as the default (false): a cut name or path could name something else.
bool ReadSettingText(const wchar_t* section, const wchar_t* key, const wchar_t* defaultText,
                     wchar_t* buffer, DWORD chars);
int ReadSettingInt(const wchar_t* section, const wchar_t* key, int defaultValue);
// The item readers: 1 with the entry copied, 0 when it counts as missing (outputs untouched).
int ReadStartupRegName(int index, wchar_t (&name)[CleanupNameChars]);
int ReadStartupExeEntry(int index, wchar_t (&name)[260], wchar_t (&option)[128]);
int ReadExceptionListItem(int index, wchar_t (&path)[CleanupPathChars]);
int ReadDesktopItemName(int index, wchar_t (&name)[CleanupNameChars]);

// --- Product registration keys ---
// 1 with the value in the buffer, 0 when the key or value cannot be read or does not fit. An
// empty install folder counts as missing: a path built on it begins at the current drive's root.
int ReadInstallLocation(wchar_t (&location)[CleanupPathChars]);
// As above; an empty display name counts as missing, since it names a shell folder itself.
int ReadDisplayName(wchar_t (&name)[CleanupNameChars]);
int DeleteBrandAppKeys(const wchar_t* brand);       // steps 9001-9004
int DeleteUninstallKey(const wchar_t* productCode); // step 9005

// --- Folder trees ---
int FolderHasContent(const wchar_t* folder);
int DeleteFolderTree(const wchar_t* folder);

// --- Registry key-list files ---
int DeleteListedRegistryKeys(); // steps 8001-8002
int DeleteKeysFromKeyListFile(const wchar_t* path);
int DeleteKeyByPath(const wchar_t* text);
LONG DeleteKeyTree(HKEY root, const wchar_t* subKey);

// --- Firewall exceptions ---
int RemoveFirewallExceptions(); // steps 1001-1003
int RemoveFirewallAuthorizedApp(const wchar_t* path);

// --- Program groups and shortcuts ---
int RemoveProgramGroups();    // steps 2001-2008
int RemoveStartupShortcuts(); // steps 2009-2015
int RemoveDesktopShortcuts(); // steps 5001-5005

// --- Startup programs and Run values ---
int RunStartupUninstallers(); // steps 3001-3006
int DeleteRunValues();        // steps 4001-4003

// --- Install files and installer cache ---
int RemoveUninstallFiles();                               // steps 6001-6005
int RemoveInstallCacheFolder(const wchar_t* productCode); // steps 7001-7002, always 1

// --- The run ---
int RunCleanup(); // the process exit code: 0, 1603 or 1641
int ParseErrorOption();
int RunCleanupSteps(); // 0 or 1641
int IsInstallCachePresent();

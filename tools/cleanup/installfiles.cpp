// Steps 7 and 8 of the clean-up: the files that "UninstFiles.ini" lists below the install
// folder, the install folder itself once it is empty, and the installer's cache folder.
#include "cleanup.h"

#include <shlobj.h>

#include "crt.h"
#include "log.h"
#include "options.h"

namespace {

const wchar_t ListFileName[] = L"UninstFiles.ini";

// fgetws count for one piece of a list line: 254 characters and the terminator.
const int ListPieceChars = 255;
// Never produced by the text-mode read (bytes become U+0000..U+00FF): marks the part of the
// line buffer that fgetws left alone, which tells how many characters it stored.
const wchar_t Unwritten = 0xFFFF;

enum EntryKind { EntrySkipped, EntryUsable, EntryRefused };

// Blanks alone name nothing and are passed over like an empty line; an entry that would name
// the install folder itself or a place beside it is refused. One trailing backslash after a
// folder name stays valid.
EntryKind ClassifyEntry(const wchar_t* entry) {
    if (entry[wcsspn(entry, L" ")] == L'\0') {
        return EntrySkipped;
    }
    return IsNameBelowFolder(entry, true) ? EntryUsable : EntryRefused;
}

// After a piece that filled the buffer without a line end: reads and drops the rest of the
// line; true when there was any.
bool LineWentOn(FILE* list) {
    bool wentOn = false;
    for (wint_t next = fgetwc(list); next != WEOF && next != L'\n'; next = fgetwc(list)) {
        wentOn = true;
    }
    return wentOn;
}

// Deletes one listed file or removes one listed folder; 0 when that failed (its line added).
int RemoveListedEntry(const wchar_t* installFolder, const wchar_t* entry) {
    wchar_t path[CleanupPathChars] = {};
    if (!FormatFitted(path, _countof(path), L"%s\\%s", installFolder, entry)) {
        LogSpacedErrorCode(6004, ERROR_FILENAME_EXCED_RANGE);
        return 0;
    }
    if (DeleteFileW(path)) {
        return 1;
    }
    SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
    if (DeleteFileW(path)) {
        return 1;
    }
    const DWORD deleteError = GetLastError();

    // Only a plain folder is removed as one; a link or any folder with further attributes
    // goes the way of a file.
    WIN32_FIND_DATAW found;
    bool plainFolder = false;
    HANDLE find = FindFirstFileW(path, &found);
    if (find != INVALID_HANDLE_VALUE) {
        plainFolder = found.dwFileAttributes == FILE_ATTRIBUTE_DIRECTORY;
        FindClose(find);
    }
    if (plainFolder) {
        if (RemoveDirectoryW(path)) {
            return 1;
        }
        const DWORD removeError = GetLastError();
        if (removeError == ERROR_FILE_NOT_FOUND || removeError == ERROR_PATH_NOT_FOUND) {
            return 1;
        }
        LogSpacedErrorCode(6003, removeError);
        return 0;
    }
    if (deleteError == ERROR_FILE_NOT_FOUND || deleteError == ERROR_PATH_NOT_FOUND) {
        return 1;
    }
    LogSpacedErrorCode(6004, deleteError);
    return 0;
}

// Works through the list beside the program, in file order. False when the list cannot be
// opened (its line added); otherwise `result` is 0 when any entry failed.
bool RemoveListedEntries(const wchar_t* installFolder, int& result) {
    wchar_t programFolder[CleanupPathChars] = {};
    wchar_t listPath[CleanupPathChars] = {};
    if (!GetProgramFolder(programFolder) ||
        !FormatFitted(listPath, _countof(listPath), L"%s%s", programFolder, ListFileName)) {
        LogSpacedErrorCode(6002, ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    FILE* list = nullptr;
    const errno_t opened = _wfopen_s(&list, listPath, L"rt");
    if (opened != 0 || list == nullptr) {
        LogSpacedErrorCode(6002, static_cast<DWORD>(opened));
        return false;
    }

    wchar_t line[CleanupPathChars];
    for (;;) {
        wmemset(line, Unwritten, _countof(line));
        if (fgetws(line, ListPieceChars, list) == nullptr) {
            break;
        }
        size_t end = 0;
        while (line[end] != Unwritten) {
            ++end;
        }
        size_t stored = end - 1; // the terminator fgetws wrote
        const bool lineEnded = stored > 0 && line[stored - 1] == L'\n';

        // Any piece of a longer line is a cut path that may name another, existing entry.
        if (!lineEnded && stored == ListPieceChars - 1 && LineWentOn(list)) {
            LogSpacedErrorCode(6004, ERROR_FILENAME_EXCED_RANGE);
            result = 0;
            continue;
        }
        if (lineEnded) {
            line[--stored] = L'\0';
        }
        // A NUL byte in the line would cut the name short just the same.
        if (wcslen(line) != stored) {
            LogSpacedErrorCode(6004, ERROR_INVALID_NAME);
            result = 0;
            continue;
        }
        switch (ClassifyEntry(line)) {
        case EntrySkipped:
            break;
        case EntryRefused:
            LogSpacedErrorCode(6004, ERROR_INVALID_NAME);
            result = 0;
            break;
        case EntryUsable:
            if (!RemoveListedEntry(installFolder, line)) {
                result = 0;
            }
            break;
        }
    }
    fclose(list);
    return true;
}

} // namespace

int RemoveUninstallFiles() {
    wchar_t installFolder[CleanupPathChars] = {};
    if (!ReadInstallLocation(installFolder)) {
        LogSpacedErrorCode(6001);
        return 0;
    }
    int result = 1;
    if (FolderHasContent(installFolder) == 1 && !RemoveListedEntries(installFolder, result)) {
        return 0;
    }
    // Whatever the list did not name keeps the folder, and that is no failure.
    if (FolderHasContent(installFolder) == 1) {
        return result;
    }
    if (!RemoveDirectoryW(installFolder)) {
        LogSpacedErrorCode(6005, GetLastError());
        return 0;
    }
    return result;
}

int RemoveInstallCacheFolder(const wchar_t* productCode) {
    // A product code cut to fit, or one holding a path separator, would name another
    // product's cache or a folder outside the cache: nothing is deleted then.
    wchar_t code[CleanupProductChars] = {};
    const bool codeUsable = productCode != nullptr &&
                            FormatFitted(code, _countof(code), L"%s", productCode) &&
                            wcspbrk(code, L"\\/") == nullptr;

    wchar_t programFiles[CleanupShellFolderChars] = {};
    if (GetShellFolderPath(CSIDL_PROGRAM_FILESX86, programFiles, _countof(programFiles)) != 0 ||
        programFiles[0] == L'\0') {
        LogSpacedErrorCode(7001);
        return 1;
    }
    wchar_t cachePath[CleanupPathChars] = {};
    int r = 0;
    if (codeUsable && FormInstallCacheFolder(cachePath, programFiles, code)) {
        r = FolderHasContent(cachePath);
        if (r == 1) {
            r = DeleteFolderTree(cachePath);
        }
    }
    // An empty cache folder is left where it is.
    if (r == 0) {
        LogSpacedErrorCode(7002);
    }
    return 1;
}

// Folder trees: whether a folder holds anything, and deletion of a folder with all it holds.
// Neither operation logs; the steps that call them log their own codes.
#include "cleanup.h"

#include <cwchar>

namespace {

bool IsDotEntry(const wchar_t* name) { return wcscmp(name, L".") == 0 || wcscmp(name, L"..") == 0; }

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// A path that no tree deletion may start from: empty, a drive, volume or share root, one that
// ends in a separator (a parent with an empty name appended), or one whose last name is only
// dots and blanks (which the platform trims away, naming the parent or a root).
bool IsRefusedTreeRoot(const wchar_t* folder) {
    const size_t length = wcslen(folder);
    if (length == 0 || IsSeparator(folder[length - 1])) {
        return true;
    }
    const wchar_t* rest = folder;
    size_t rootNames = 0; // leading names that together only name a root
    if (IsSeparator(rest[0]) && IsSeparator(rest[1])) {
        rest += 2;
        rootNames = 2; // \\server\share
        if ((rest[0] == L'?' || rest[0] == L'.') && IsSeparator(rest[1])) {
            rest += 2;
            rootNames = 1; // \\?\C:, \\?\Volume{...}
            if (_wcsnicmp(rest, L"UNC", 3) == 0 && IsSeparator(rest[3])) {
                rest += 4;
                rootNames = 2;
            }
        }
    } else if (rest[0] != L'\0' && rest[1] == L':') {
        rest += 2; // C:, C:name
    }
    size_t names = 0;
    const wchar_t* last = rest;
    for (const wchar_t* c = rest; *c != L'\0'; ++c) {
        if (!IsSeparator(*c) && (c == rest || IsSeparator(c[-1]))) {
            ++names;
            last = c;
        }
    }
    return names <= rootNames || wcsspn(last, L". ") == wcslen(last);
}

} // namespace

int FolderHasContent(const wchar_t* folder) {
    wchar_t pattern[CleanupPathChars];
    if (!FormatFitted(pattern, _countof(pattern), L"%s\\%s", folder, L"*.*")) {
        return 0;
    }
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) {
        return 0;
    }
    // Only an entry after the leading "." and ".." counts: a listing without them, as that of a
    // drive root, counts as empty, so that no caller goes on to delete it.
    int result = 0;
    bool fromNext = false;
    for (;;) {
        if (!IsDotEntry(found.cFileName)) {
            result = fromNext ? 1 : 0;
            break;
        }
        if (!FindNextFileW(search, &found)) {
            break;
        }
        fromNext = true;
    }
    FindClose(search);
    return result;
}

int DeleteFolderTree(const wchar_t* folder) {
    if (IsRefusedTreeRoot(folder)) {
        return 0;
    }
    // A folder link given as the tree itself would have its target emptied.
    const DWORD attributes = GetFileAttributesW(folder);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        return 0;
    }
    wchar_t pattern[CleanupPathChars];
    if (!FormatFitted(pattern, _countof(pattern), L"%s\\%s", folder, L"*.*")) {
        return 0; // a cut pattern lists another folder
    }
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) {
        return 0;
    }
    int result = 1;
    wchar_t entryPath[CleanupPathChars];
    do {
        ZeroMemory(entryPath, sizeof(entryPath));
        if (IsDotEntry(found.cFileName)) {
            continue;
        }
        // A cut entry path can name a sibling or another folder: the entry stays, as a failure.
        if (!FormatFitted(entryPath, _countof(entryPath), L"%s\\%s", folder, found.cFileName)) {
            result = 0;
            continue;
        }
        // Only a plain folder is descended: a link, junction or hidden folder fails as a file.
        if (found.dwFileAttributes == FILE_ATTRIBUTE_DIRECTORY) {
            if (DeleteFolderTree(entryPath) == 0) {
                result = 0;
            }
        } else if (!DeleteFileW(entryPath)) {
            SetFileAttributesW(entryPath, FILE_ATTRIBUTE_NORMAL);
            if (!DeleteFileW(entryPath) && GetLastError() != ERROR_FILE_NOT_FOUND) {
                result = 0;
            }
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    // Left in place when something in it stayed; the result speaks only of its contents.
    RemoveDirectoryW(folder);
    return result;
}

// File search of the simulated machine: the first match of a name or a wildcard pattern in the
// sandbox, through a tracked search handle.
#include <winsim/control.h>

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <set>

#include "internal.h"

namespace winsim {
namespace {

struct FindHandles {
    std::set<HANDLE> live;
    std::uintptr_t next = 0x7000;
};

FindHandles g_find;

void ResetFind() { g_find = FindHandles(); }
const ResetStep g_reset(ResetFind);

wchar_t Fold(wchar_t c) { return (c >= L'a' && c <= L'z') ? c - L'a' + L'A' : c; }

// '*' matches any run of characters and '?' any one, without regard to case.
bool MatchPattern(const wchar_t* pattern, const wchar_t* name) {
    if (*pattern == L'\0') {
        return *name == L'\0';
    }
    if (*pattern == L'*') {
        for (const wchar_t* rest = name;; ++rest) {
            if (MatchPattern(pattern + 1, rest)) {
                return true;
            }
            if (*rest == L'\0') {
                return false;
            }
        }
    }
    if (*name == L'\0') {
        return false;
    }
    return (*pattern == L'?' || Fold(*pattern) == Fold(*name)) &&
           MatchPattern(pattern + 1, name + 1);
}

void FillFindData(const std::wstring& name, const struct stat& info, LPWIN32_FIND_DATAW data) {
    ZeroMemory(data, sizeof(*data));
    // Attributes kept by SetFileAttributesW are not reported here; only the kind of entry is.
    data->dwFileAttributes =
        S_ISDIR(info.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    const std::uint64_t ticks =
        (static_cast<std::uint64_t>(info.st_mtime) + 11644473600ull) * 10000000ull;
    FILETIME stamp{static_cast<DWORD>(ticks & 0xFFFFFFFFu), static_cast<DWORD>(ticks >> 32)};
    data->ftCreationTime = stamp;
    data->ftLastAccessTime = stamp;
    data->ftLastWriteTime = stamp;
    const std::uint64_t size = S_ISDIR(info.st_mode) ? 0 : static_cast<std::uint64_t>(info.st_size);
    data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
    data->nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
    const size_t count = std::min(name.size(), static_cast<size_t>(MAX_PATH - 1));
    std::wmemcpy(data->cFileName, name.c_str(), count);
    data->cFileName[count] = L'\0';
}

HANDLE NewFindHandle() {
    HANDLE handle = reinterpret_cast<HANDLE>(g_find.next);
    g_find.next += 4;
    g_find.live.insert(handle);
    Acquire("find", handle);
    return handle;
}

} // namespace
} // namespace winsim

HANDLE WINAPI FindFirstFileW(LPCWSTR fileName, LPWIN32_FIND_DATAW findData) {
    WINSIM_CALL(HANDLE);
    if (fileName == nullptr || findData == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    std::wstring path(fileName);
    if (path.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    std::replace(path.begin(), path.end(), L'/', L'\\');
    const size_t start = path.size() >= 2 && path[1] == L':' ? 2 : 0;
    if (path.find_first_of(L"\"<>|:", start) != std::wstring::npos) {
        SetLastError(ERROR_INVALID_NAME);
        return INVALID_HANDLE_VALUE;
    }
    const size_t cut = path.find_last_of(L'\\');
    const std::wstring folder =
        cut == std::wstring::npos ? path.substr(0, start) : path.substr(0, cut);
    const std::wstring pattern =
        cut == std::wstring::npos ? path.substr(start) : path.substr(cut + 1);
    if (pattern.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND); // a trailing backslash names no file
        return INVALID_HANDLE_VALUE;
    }
    if (folder.find_first_of(L"*?") != std::wstring::npos) {
        SetLastError(ERROR_INVALID_NAME);
        return INVALID_HANDLE_VALUE;
    }
    const std::string hostFolder = winsim::MapPath((folder.empty() ? L"\\" : folder).c_str());
    struct stat info;
    if (hostFolder.empty() || ::stat(hostFolder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }

    // The candidates in the order the search returns them: by name, without regard to case.
    std::map<std::wstring, std::string, winsim::NoCaseLess> entries;
    if (DIR* dir = opendir(hostFolder.c_str())) {
        while (const dirent* entry = readdir(dir)) {
            entries.emplace(winsim::FromUtf8(entry->d_name), entry->d_name);
        }
        closedir(dir);
    }
    const bool root = hostFolder == winsim::MapPath(L"\\");
    const std::wstring effective = pattern == L"*.*" ? L"*" : pattern; // "*.*" matches every name
    for (const auto& entry : entries) {
        const bool dots = entry.first == L"." || entry.first == L"..";
        if ((dots && root) || !winsim::MatchPattern(effective.c_str(), entry.first.c_str())) {
            continue;
        }
        const std::string host = hostFolder + "/" + entry.second;
        struct stat found;
        if (::stat(host.c_str(), &found) != 0) {
            continue;
        }
        winsim::FillFindData(entry.first, found, findData);
        return winsim::NewFindHandle();
    }
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
}

BOOL WINAPI FindClose(HANDLE findFile) {
    WINSIM_CALL(BOOL);
    if (winsim::g_find.live.erase(findFile) == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    winsim::Release("find", findFile);
    return TRUE;
}

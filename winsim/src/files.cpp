// The file system of the simulated machine: drive letters are folders of a per-test sandbox.
#include <winsim/control.h>

#include <shlwapi.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "internal.h"

namespace winsim {
namespace {

struct FileSystem {
    std::string sandbox;
    std::map<std::string, DWORD> attributes; // Windows attributes kept beside the host files
};

FileSystem g_files;

void ResetFiles() {
    if (!g_files.sandbox.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(g_files.sandbox, ignored);
    }
    char pattern[] = "/tmp/winsim-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (made == nullptr) {
        std::abort();
    }
    g_files.sandbox = made;
    g_files.attributes.clear();
    std::filesystem::create_directories(g_files.sandbox + "/C");
}
const ResetStep g_reset(ResetFiles);

// Removes the last sandbox when the test process ends.
struct SandboxCleaner {
    ~SandboxCleaner() {
        if (!g_files.sandbox.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(g_files.sandbox, ignored);
        }
    }
} g_cleaner;

// The existing entry of `folder` whose name matches `name` without regard to case.
std::string MatchEntry(const std::string& folder, const std::string& name) {
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) {
        return name;
    }
    std::string match = name;
    const std::wstring wanted = FromUtf8(name);
    while (const dirent* entry = readdir(dir)) {
        if (EqualNoCase(FromUtf8(entry->d_name), wanted)) {
            match = entry->d_name;
            break;
        }
    }
    closedir(dir);
    return match;
}

bool Stat(const std::string& hostPath, struct stat* info) {
    return !hostPath.empty() && ::stat(hostPath.c_str(), info) == 0;
}

DWORD MissingPathError(const std::string& hostPath) {
    struct stat info;
    if (hostPath.empty()) {
        return ERROR_PATH_NOT_FOUND;
    }
    const std::string parent = hostPath.substr(0, hostPath.find_last_of('/'));
    return Stat(parent, &info) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

// Stat that sets the last error as Windows does for a missing file or folder.
bool StatOrSetError(const std::string& hostPath, struct stat* info) {
    if (Stat(hostPath, info)) {
        return true;
    }
    SetLastError(MissingPathError(hostPath));
    return false;
}

} // namespace

std::string MapPath(const wchar_t* windowsPath) {
    if (windowsPath == nullptr || windowsPath[0] == L'\0' || g_files.sandbox.empty()) {
        return std::string();
    }
    std::wstring path(windowsPath);
    for (wchar_t& c : path) {
        if (c == L'/') {
            c = L'\\';
        }
    }
    std::wstring drive = L"C";
    if (path.size() >= 2 && path[1] == L':') {
        drive.assign(1, static_cast<wchar_t>(std::towupper(static_cast<wint_t>(path[0]))));
        path.erase(0, 2);
    }
    std::vector<std::wstring> parts;
    std::wstringstream stream(path);
    std::wstring part;
    while (std::getline(stream, part, L'\\')) {
        if (part.empty() || part == L".") {
            continue;
        }
        if (part == L"..") {
            if (!parts.empty()) {
                parts.pop_back();
            }
            continue;
        }
        parts.push_back(part);
    }
    std::string host = g_files.sandbox + "/" + ToUtf8(drive);
    for (const std::wstring& name : parts) {
        host += "/" + MatchEntry(host, ToUtf8(name));
    }
    return host;
}

std::string HostPath(const std::wstring& windowsPath) { return MapPath(windowsPath.c_str()); }

bool FileExists(const std::wstring& windowsPath) {
    struct stat info;
    return Stat(MapPath(windowsPath.c_str()), &info);
}

std::string ReadFileBytes(const std::wstring& windowsPath) {
    std::ifstream in(MapPath(windowsPath.c_str()), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteFileBytes(const std::wstring& windowsPath, const std::string& bytes) {
    const std::string host = MapPath(windowsPath.c_str());
    std::filesystem::create_directories(std::filesystem::path(host).parent_path());
    std::ofstream out(host, std::ios::binary | std::ios::trunc);
    out << bytes;
}

void MakeFolders(const std::wstring& windowsPath) {
    std::error_code ignored;
    std::filesystem::create_directories(MapPath(windowsPath.c_str()), ignored);
}

} // namespace winsim

BOOL WINAPI CreateDirectoryW(LPCWSTR path, LPSECURITY_ATTRIBUTES attributes) {
    WINSIM_CALL(BOOL);
    (void)attributes;
    const std::string host = winsim::MapPath(path);
    if (host.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    if (::mkdir(host.c_str(), 0777) == 0) {
        return TRUE;
    }
    SetLastError(errno == EEXIST ? ERROR_ALREADY_EXISTS : ERROR_PATH_NOT_FOUND);
    return FALSE;
}

BOOL WINAPI RemoveDirectoryW(LPCWSTR path) {
    WINSIM_CALL(BOOL);
    const std::string host = winsim::MapPath(path);
    if (!host.empty() && ::rmdir(host.c_str()) == 0) {
        winsim::g_files.attributes.erase(host);
        return TRUE;
    }
    SetLastError(errno == ENOTEMPTY ? ERROR_DIR_NOT_EMPTY
                 : errno == ENOTDIR ? ERROR_DIRECTORY
                                    : winsim::MissingPathError(host));
    return FALSE;
}

DWORD WINAPI GetFileAttributesW(LPCWSTR path) {
    WINSIM_CALL(DWORD);
    const std::string host = winsim::MapPath(path);
    struct stat info;
    if (!winsim::StatOrSetError(host, &info)) {
        return INVALID_FILE_ATTRIBUTES;
    }
    auto kept = winsim::g_files.attributes.find(host);
    DWORD attributes = kept != winsim::g_files.attributes.end() ? kept->second : 0;
    if (S_ISDIR(info.st_mode)) {
        attributes |= FILE_ATTRIBUTE_DIRECTORY;
    } else if (kept == winsim::g_files.attributes.end()) {
        attributes = FILE_ATTRIBUTE_ARCHIVE;
    }
    return attributes;
}

BOOL WINAPI SetFileAttributesW(LPCWSTR path, DWORD attributes) {
    WINSIM_CALL(BOOL);
    const std::string host = winsim::MapPath(path);
    struct stat info;
    if (!winsim::StatOrSetError(host, &info)) {
        return FALSE;
    }
    winsim::g_files.attributes[host] = attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY);
    return TRUE;
}

BOOL WINAPI DeleteFileW(LPCWSTR path) {
    WINSIM_CALL(BOOL);
    const std::string host = winsim::MapPath(path);
    struct stat info;
    if (!winsim::StatOrSetError(host, &info)) {
        return FALSE;
    }
    auto kept = winsim::g_files.attributes.find(host);
    if (S_ISDIR(info.st_mode) ||
        (kept != winsim::g_files.attributes.end() && (kept->second & FILE_ATTRIBUTE_READONLY))) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (::unlink(host.c_str()) != 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    winsim::g_files.attributes.erase(host);
    return TRUE;
}

BOOL WINAPI PathFileExistsW(LPCWSTR path) {
    WINSIM_CALL(BOOL);
    struct stat info;
    if (winsim::Stat(winsim::MapPath(path), &info)) {
        return TRUE;
    }
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
}

#include "log.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <cstdarg>

#include "crt.h"

// Order matters: the stream is built first so that it is destroyed last.
CLogFileStream LogFileStream;
LogLineList PendingLogLines;

namespace {

const wchar_t kLogFolderName[] = L"Velmar";
const wchar_t kEmptyNameLog[] = L"err_logmgr";

int WriteLogFile(const wchar_t* name) {
    wchar_t folder[LogPathChars];
    if (!GetLogFolder(folder)) {
        return 0;
    }
    // A name holding a path element would put the file outside the log folder, which has no
    // sub-folders: such a name is taken as no name.
    if (name == nullptr || name[0] == L'\0' || wcspbrk(name, L"\\/:") != nullptr) {
        name = kEmptyNameLog;
    }
    wchar_t path[LogPathChars];
    if (_snwprintf_s(path, _countof(path), _TRUNCATE, L"%s\\%s.log", folder, name) < 0) {
        return 0; // the path does not fit: nothing is written
    }
    wchar_t stamp[LogPathChars];
    FormatLogTimestamp(stamp);
    LogPrintf(L"\n=== Logging stopped: %s ===\n", stamp);

    if (!LogFileStream.Open(path)) {
        return 0;
    }
    bool first = true;
    for (const std::string& line : PendingLogLines) {
        LogFileStream << line << '\n';
        if (first) {
            LogSystemInfo(LogFileStream);
            first = false;
        }
    }
    LogFileStream.flush();
    LogFileStream.Close();
    return 1;
}

} // namespace

int LogStart() {
    wchar_t stamp[LogPathChars];
    FormatLogTimestamp(stamp);
    LogPrintf(L"=== Logging started: %s ===\n", stamp);
    return 1;
}

int LogPrintf(const wchar_t* format, ...) {
    if (format == nullptr) {
        return 0;
    }
    wchar_t text[LogMessageChars];
    text[0] = L'\0';
    va_list args;
    va_start(args, format);
    // A message longer than the buffer is cut to its first 1023 characters.
    _vsnwprintf_s(text, _countof(text), _TRUNCATE, format, args);
    va_end(args);

    char narrow[LogMessageChars];
    size_t converted = 0;
    if (wcstombs_s(&converted, narrow, sizeof(narrow), text, _TRUNCATE) != 0) {
        narrow[0] = '\0'; // a character outside the single-byte range empties the line
    }
    PendingLogLines.push_back(narrow);
    return 1;
}

void FormatLogTimestamp(wchar_t* buffer) {
    __time64_t now = 0;
    _time64(&now);
    struct tm local = {};
    _localtime64_s(&local, &now);
    struct __timeb64 precise = {};
    _ftime64_s(&precise);
    _snwprintf_s(buffer, LogPathChars, _TRUNCATE, L"%02d/%02d/%02d %02d:%02d:%02d.%03d",
                 local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                 local.tm_sec, static_cast<int>(precise.millitm));
}

bool GetLogFolder(wchar_t* buffer) {
    wchar_t appData[LogPathChars] = {};
    SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, appData);
    if (appData[0] == L'\0') {
        return false;
    }
    if (_snwprintf_s(buffer, LogPathChars, _TRUNCATE, L"%s\\%s", appData, kLogFolderName) < 0) {
        return false; // the folder path would not fit in MAX_PATH
    }
    if (!PathFileExistsW(buffer)) {
        CreateDirectoryW(buffer, nullptr);
    }
    return GetFileAttributesW(buffer) != INVALID_FILE_ATTRIBUTES;
}

void LogSystemInfo(std::ostream& stream) {
    OSVERSIONINFOW version;
    ZeroMemory(&version, sizeof(version));
    version.dwOSVersionInfoSize = sizeof(version);
    if (GetVersionExW(&version)) {
        stream << "OS Version:" << version.dwMajorVersion << "." << version.dwMinorVersion
               << std::endl;
    }
    SYSTEM_INFO system;
    ZeroMemory(&system, sizeof(system));
    GetNativeSystemInfo(&system);
    stream << "Architecture:" << static_cast<unsigned>(system.wProcessorArchitecture) << std::endl;
    stream << "LangID:" << std::hex << static_cast<unsigned>(GetSystemDefaultLangID()) << std::dec
           << std::endl;
}

int LogFlush(int flag, const wchar_t* name) {
    if (flag == 0) {
        return 1;
    }
    return WriteLogFile(name);
}

int LogFlush(const wchar_t* name) { return WriteLogFile(name); }

int LogFlush(int flag) {
    if (flag == 0) {
        return 1;
    }
    return WriteLogFile(ToolLogName);
}

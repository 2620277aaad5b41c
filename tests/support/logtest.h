// Helpers for tests that read what the log manager wrote.
#pragma once

#include <winsim/control.h>

#include <string>

#include "log.h"

// The log file of `name` in the default log folder.
inline std::wstring LogFilePath(const std::wstring& name) {
    return L"C:\\Users\\tester\\AppData\\Roaming\\Velmar\\" + name + L".log";
}

inline std::string ReadLog(const std::wstring& name) {
    return winsim::ReadFileBytes(LogFilePath(name));
}

// Lines of a file, split at CR LF (a lone LF would stay inside a line and fail comparisons).
inline std::vector<std::string> SplitCrLf(const std::string& bytes) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t at = bytes.find("\r\n"); at != std::string::npos; at = bytes.find("\r\n", start)) {
        lines.push_back(bytes.substr(start, at - start));
        start = at + 2;
    }
    if (start < bytes.size()) {
        lines.push_back(bytes.substr(start));
    }
    return lines;
}

// The process-wide log starts empty in every test.
inline void ClearPendingLog() { PendingLogLines.clear(); }

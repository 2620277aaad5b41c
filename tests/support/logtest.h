// Helpers for tests that read what the log manager wrote.
#pragma once

#include <winsim/control.h>

#include <string>

#include "log.h"
#include "textlines.h"

// The log file of `name` in the default log folder.
inline std::wstring LogFilePath(const std::wstring& name) {
    return L"C:\\Users\\tester\\AppData\\Roaming\\Velmar\\" + name + L".log";
}

inline std::string ReadLog(const std::wstring& name) {
    return winsim::ReadFileBytes(LogFilePath(name));
}

// The lines a tool added: every held line after the start line, without the stop line that a
// flush adds.
inline std::vector<std::string> ToolLines() {
    std::vector<std::string> lines(PendingLogLines.begin(), PendingLogLines.end());
    if (!lines.empty() && lines.front().rfind("=== Logging started:", 0) == 0) {
        lines.erase(lines.begin());
    }
    if (!lines.empty() && lines.back().rfind("\n=== Logging stopped:", 0) == 0) {
        lines.pop_back();
    }
    return lines;
}

// The process-wide log starts empty in every test.
inline void ClearPendingLog() { PendingLogLines.clear(); }

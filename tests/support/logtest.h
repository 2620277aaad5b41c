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

// The process-wide log starts empty in every test.
inline void ClearPendingLog() { PendingLogLines.clear(); }

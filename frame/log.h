// The log manager: lines held in memory while a tool runs, written to the per-user log file
// only when the tool decides to (on failure).
#pragma once

#include <windows.h>

#include <list>
#include <ostream>
#include <string>

#include "logstream.h"

typedef std::list<std::string> LogLineList;

// Constructed in this order before main runs, so destroyed in the reverse order at exit.
extern CLogFileStream LogFileStream;
extern LogLineList PendingLogLines;

// Each tool defines its fixed or default log name (used by FailureExit and the flag-only
// LogFlush).
extern const wchar_t ToolLogName[];

// Fixed buffer sizes of the log manager, in wide characters.
enum : size_t { LogMessageChars = 1024, LogPathChars = MAX_PATH };

int LogStart();
int LogPrintf(const wchar_t* format, ...);
void FormatLogTimestamp(wchar_t* buffer);
bool GetLogFolder(wchar_t* buffer);
void LogSystemInfo(std::ostream& stream);

// The three forms of one flush operation.
int LogFlush(int flag, const wchar_t* name); // flag 0: nothing written
int LogFlush(const wchar_t* name);           // always writes; empty name: "err_logmgr"
int LogFlush(int flag);                      // flag 0: nothing written; else ToolLogName

// The startup-program double: where the build puts it, and the record that each copy of it
// keeps beside itself (one line per start: the command line it was given).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

const wchar_t StartProgRecordName[] = L"startprog-record.txt";

inline std::wstring StartProgPath(const std::wstring& buildDir) {
    return buildDir + L"\\testing\\doubles\\startprog\\velmar_startprog.exe";
}

// The command lines recorded by the copies of the double in `folder`, in the order started.
inline std::vector<std::wstring> ReadStartProgRecord(const std::wstring& folder) {
    std::vector<std::wstring> lines;
    HANDLE file =
        CreateFileW((folder + L"\\" + StartProgRecordName).c_str(), GENERIC_READ,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return lines;
    }
    static wchar_t text[16384];
    DWORD bytes = 0;
    ReadFile(file, text, sizeof(text), &bytes, nullptr);
    CloseHandle(file);
    std::wstring line;
    for (DWORD i = 0; i < bytes / sizeof(wchar_t); ++i) {
        if (text[i] == L'\n') {
            lines.push_back(line);
            line.clear();
        } else {
            line += text[i];
        }
    }
    return lines;
}

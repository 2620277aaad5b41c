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
    std::wstring text(8192, L'\0');
    DWORD bytes = 0;
    HANDLE file =
        CreateFileW((folder + L"\\" + StartProgRecordName).c_str(), GENERIC_READ,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        ReadFile(file, &text[0], static_cast<DWORD>(text.size() * sizeof(wchar_t)), &bytes,
                 nullptr);
        CloseHandle(file);
    }
    text.resize(bytes / sizeof(wchar_t));
    std::vector<std::wstring> lines;
    for (size_t start = 0, end; (end = text.find(L'\n', start)) != std::wstring::npos;
         start = end + 1) {
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

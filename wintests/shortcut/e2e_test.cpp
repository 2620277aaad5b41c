// vqshortcut.exe from dist/, run as the installer runs it; the links it leaves read back.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <cstdio>
#include <cstring>

#include "wintest.h"

namespace {

#define TOOLS L"C:\\velmar-tests\\shortcut"
const wchar_t kApp[] = TOOLS L"\\app.exe", kRootApp[] = L"C:\\vqshortcut-test-app.exe";

std::wstring Tool() { return DistDir() + L"\\vqshortcut.exe"; }

// "target|arguments|folder|icon,index|show|flags", "-" for no link. After Load, Wine answers 1
// from GetShowCmd whatever was saved (todo_wine): the show command is read from the file at 0x3C,
// like the has-arguments flag (0x20 of the flags at 0x14); "r" marks a read-only link.
std::wstring DescribeLink(const std::wstring& path) {
    const std::string bytes = ReadFileBytes(path);
    if (bytes.size() < 0x40) {
        return L"-";
    }
    wchar_t target[MAX_PATH] = {}, arguments[MAX_PATH] = {}, folder[MAX_PATH] = {},
            icon[MAX_PATH] = {}, text[1200] = {};
    int index = -1;
    IShellLinkW* link = nullptr;
    IPersistFile* file = nullptr;
    CoInitialize(nullptr);
    CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                     reinterpret_cast<void**>(&link));
    link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    EXPECT_EQ(S_OK, file->Load(path.c_str(), STGM_READ));
    link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
    link->GetArguments(arguments, MAX_PATH);
    link->GetWorkingDirectory(folder, MAX_PATH);
    link->GetIconLocation(icon, MAX_PATH, &index);
    file->Release();
    link->Release();
    CoUninitialize();
    _snwprintf_s(text, _countof(text), _TRUNCATE, L"%s|%s|%s|%s,%d|%d|%s%s", target, arguments,
                 folder, icon, index, bytes[0x3C], (bytes[0x14] & 0x20) ? L"a" : L"",
                 (GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_READONLY) ? L"r" : L"");
    return text;
}

struct Row {
    std::vector<std::wstring> arguments;
    const char* result;  // exit code, then the log written and the tool's lines in it
    const wchar_t* link; // the link after the run, as DescribeLink gives it
};

TEST(ShortcutEndToEnd, CommandTable) {
    wchar_t startup[MAX_PATH] = {};
    ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, startup, CSIDL_COMMON_STARTUP, FALSE));
    const std::wstring n = L"VqShortcutTest" + std::to_wstring(GetCurrentProcessId());
    const std::wstring linkPath = startup + (L"\\" + n + L".lnk"), d = L"CSIDL_COMMON_STARTUP";
    SHCreateDirectoryExW(nullptr, TOOLS, nullptr);
    for (const wchar_t* app : {kApp, kRootApp}) {
        CloseHandle(CreateFileW(app, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    }
    SetCurrentDirectoryW(TOOLS); // inherited by the tool: "app.exe" exists relative to it
    const wchar_t made[] = TOOLS L"\\app.exe|/run now|" TOOLS L"|" TOOLS L"\\app.exe,0|1|a";
    const wchar_t atRoot[] = L"C:\\vqshortcut-test-app.exe||C:|C:\\vqshortcut-test-app.exe,0|1|";
    const std::wstring slashed = L"C:/velmar-tests/shortcut";
    const std::wstring bySlash = kApp + (L"||" + slashed + L"|" + slashed + L"/app.exe,0|1|");
    // clang-format off
    const Row rows[] = {
        // Success ignores "-error"; a read-only link (made so before the second row) is replaced.
        {{L"-n", n, L"-d", d, L"-i", kApp, L"-o", L"/run now", L"-error", L"ERROR_INSTALL_FAILURE"},
         "0", made},
        {{L"-u", L"-i", kApp, L"-d", d, L"-n", n}, "0",
         TOOLS L"\\app.exe||" TOOLS L"|" TOOLS L"\\app.exe,0|1|"},
        {{L"-n", n, L"-d", d, L"-i", kRootApp, L"-o", L""}, "0", atRoot},
        // A bare name has no folder to work in: refused, the existing link left alone.
        {{L"-n", n, L"-d", d, L"-i", L"app.exe", L"-log", L"custom",
          L"-error", L"ERROR_INSTALL_FAILURE"},
         "1603 custom ERROR CODE:10|ERROR CODE:15", atRoot},
        {{L"-n", n, L"-d", d, L"-i", slashed + L"/app.exe"}, "0", bySlash.c_str()},
        {{L"-n", n, L"-d", d, L"-u"}, "0", L"-"},
        {{L"-n", n, L"-d", d, L"-u", L"-error", L"ERROR_SUCCESS"},
         "0 vqshortcut ERROR CODE:13 (0X2)|ERROR CODE:14 (0X2)|ERROR CODE:16", L"-"},
        {{L"-n", n, L"-d", d, L"-i", TOOLS L"\\missing.exe"},
         "1641 vqshortcut ERROR CODE:3 (0X2)", L"-"},
        {{L"-d", d, L"-i", kApp}, "1641 vqshortcut ERROR CODE:1", L"-"},
        {{L"-n", n, L"-d", L"CSIDL_STARTUP", L"-i", kApp}, "1641 vqshortcut ERROR CODE:1", L"-"},
        {{L"-n", n, L"-d", d, L"-i"}, "1641 vqshortcut ERROR CODE:1", L"-"},
        {{L"-n", n, L"-d", d, L"-error", L"error_success", L"-log", L""},
         "1641 vqshortcut ERROR CODE:1", L"-"},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.result);
        if (&row == &rows[1]) {
            SetFileAttributesW(linkPath.c_str(), FILE_ATTRIBUTE_READONLY);
        }
        DeleteIfPresent(LogFilePath(L"vqshortcut"));
        DeleteIfPresent(LogFilePath(L"custom"));
        unsigned exitCode = ~0u;
        char log[32] = "";
        int used = 0;
        sscanf(row.result, "%u %31s %n", &exitCode, log, &used);
        EXPECT_EQ(exitCode, RunProgram(Tool(), row.arguments));
        EXPECT_EQ(row.link, DescribeLink(linkPath));
        for (const wchar_t* name : {L"vqshortcut", L"custom"}) {
            const std::vector<std::string> lines = SplitCrLf(ReadFileBytes(LogFilePath(name)));
            std::string joined = lines.empty() ? "-" : "";
            for (size_t i = 5; i + 3 < lines.size(); ++i) {
                joined += (i > 5 ? "|" : "") + lines[i];
            }
            const bool written = std::wstring(log, log + strlen(log)) == name;
            EXPECT_EQ(written ? row.result + used : "-", joined) << name;
        }
    }
    // The last rows leave no link behind.
    SetCurrentDirectoryW(L"C:\\");
    DeleteFileW(kApp);
    DeleteFileW(kRootApp);
    RemoveDirectoryW(TOOLS);
}

TEST(ShortcutBinary, ProgramProperties) {
    ExpectToolBinary(Tool(), IMAGE_FILE_MACHINE_I386, "VQSHORTCUT", L"VQSHORTCUT");
}

} // namespace

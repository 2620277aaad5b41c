// vqmsiremove: its command and process steps in-process, then the shipped program on a real
// package installed in the test prefix with the system's msiexec.
#include <gtest/gtest.h>

#include <windows.h>

#include <msi.h>

#include <algorithm>

#include "log.h"
#include "msiremove.h"
#include "oldmonitor.h"
#include "wintest.h"

namespace {

const wchar_t k64[] = L"SOFTWARE\\Velmar\\TeskStatusMonitor";
const wchar_t k32[] = L"SOFTWARE\\Wow6432Node\\Velmar\\TeskStatusMonitor";

std::wstring System(const wchar_t* name) {
    wchar_t folder[MAX_PATH] = {};
    GetSystemDirectoryW(folder, MAX_PATH);
    return std::wstring(folder) + name;
}

bool Installed() { return MsiQueryProductStateW(OldMonitorProductCode) == INSTALLSTATE_DEFAULT; }

TEST(MsiRemove, CommandNamesMsiexecInTheFolderAndNeverACutOrRootPath) {
    const std::wstring tail = std::wstring(L"\\msiexec.exe /x ") + OldMonitorProductCode + L" /q";
    // 202 characters of folder fill the command line's 259 exactly.
    const DWORD cut = ERROR_INSUFFICIENT_BUFFER;
    const std::pair<size_t, DWORD> cases[] = {
        {19, 0}, {0, ERROR_PATH_NOT_FOUND}, {202, 0}, {203, cut}, {259, cut}};
    for (const auto& c : cases) {
        const std::wstring folder(c.first, L'd');
        wchar_t line[MsiCommandChars];
        EXPECT_EQ(c.second, BuildUninstallCommand(folder.c_str(), line)) << c.first;
        EXPECT_EQ(c.second == 0 ? folder + tail : L"", line);
    }
}

TEST(MsiRemove, StartFailureAndTimeOutAreLoggedAndFail) {
    struct {
        std::wstring command;
        DWORD wait;
        int result;
        const char* line; // the last log line afterwards
    } cases[] = {{System(L"\\cmd.exe /c ping -n 3 127.0.0.1 >nul"), 200, 1641,
                  "ERROR CODE: 1003 (0x00000102)"},
                 {System(L"\\velmar-missing.exe"), 30000, 1641, "ERROR CODE: 1002 (0x00000002)"}};
    for (auto& c : cases) {
        LogPrintf(L"-");
        EXPECT_EQ(c.result, StartAndWait(&c.command[0], c.wait));
        EXPECT_EQ(c.line, PendingLogLines.back());
    }
}

TEST(MsiRemove, ProgramRemovesThePackageOnlyForAVersionBeginningWith2) {
    const std::wstring tool = DistDir() + L"\\vqmsiremove.exe", tooLong(300, L'2');
    RunProgram(System(L"\\msiexec.exe"),
               {L"/i", BuildDir() + L"\\wintests\\msiremove_oldmonitor.msi", L"/q"});
    DeleteIfPresent(LogFilePath(L"vqmsiremove"));
    struct {
        const wchar_t* key; // null: no key
        const wchar_t* version;
        bool removed; // the last case finds nothing left: msiexec fails, the tool does not
    } cases[] = {{k64, L"1.50", false},         {k64, L"3.0", false},  {k64, L"12", false},
                 {k64, L" 2.0", false},         {nullptr, L"", false}, {k32, L"2.00", false},
                 {k64, tooLong.c_str(), false}, {k64, L"20", true},    {k64, L"2.00.000", true}};
    for (const auto& c : cases) {
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, k64);
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, k32);
        if (c.key != nullptr) {
            RegSetKeyValueW(HKEY_LOCAL_MACHINE, c.key, L"Version", REG_SZ, c.version,
                            static_cast<DWORD>((wcslen(c.version) + 1) * sizeof(wchar_t)));
        }
        EXPECT_EQ(0u, RunProgram(tool, {L"-error", L"ERROR_INSTALL_FAILURE"}));
        EXPECT_EQ(!c.removed, Installed()) << c.version;
        EXPECT_FALSE(PathExists(LogFilePath(L"vqmsiremove")));
    }
    // Without msiexec.exe in the system folder (the version still begins with 2) the start
    // fails. Wine starts its built-in one for a missing file unless told to take only the file.
    const std::wstring msiexec = System(L"\\msiexec.exe"), aside = msiexec + L".aside";
    ASSERT_TRUE(MoveFileW(msiexec.c_str(), aside.c_str()));
    const wchar_t overrides[] = L"Software\\Wine\\DllOverrides";
    RegSetKeyValueW(HKEY_CURRENT_USER, overrides, L"msiexec.exe", REG_SZ, L"native", 14);
    EXPECT_EQ(1641u, RunProgram(tool, {}));
    RegDeleteKeyValueW(HKEY_CURRENT_USER, overrides, L"msiexec.exe");
    MoveFileW(aside.c_str(), msiexec.c_str());
    const std::vector<std::string> lines = SplitCrLf(ReadFileBytes(LogFilePath(L"vqmsiremove")));
    EXPECT_EQ(1, std::count(lines.begin(), lines.end(), "ERROR CODE: 1002 (0x00000002)"));
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, k64);
}

TEST(MsiRemove, ProgramProperties) {
    ExpectToolBinary(DistDir() + L"\\vqmsiremove.exe", IMAGE_FILE_MACHINE_AMD64, "Oxbrane",
                     L"VQMSIREMOVE");
}

} // namespace

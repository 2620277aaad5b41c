// Startup uninstallers (copies of the recording program in an install folder) and the values
// of the machine's Run key.
#include <gtest/gtest.h>

#include "cleanup.h"
#include "cleanuptest.h"
#include "startprog.h"

#include <tlhelp32.h>

namespace {

// Ends the running processes of that program file name; how many there were.
int EndPrograms(const wchar_t* exeName) {
    int ended = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry;
    ZeroMemory(&entry, sizeof(entry));
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry)) {
        HANDLE process = _wcsicmp(entry.szExeFile, exeName) != 0
                             ? nullptr
                             : OpenProcess(PROCESS_TERMINATE, FALSE, entry.th32ProcessID);
        if (process != nullptr) {
            ended += TerminateProcess(process, 0) ? 1 : 0;
            CloseHandle(process);
        }
    }
    CloseHandle(snapshot);
    return ended;
}

struct StartCase {
    const char* label;
    size_t folderChars;                 // the install folder's length (0: the test folder)
    bool installed;                     // the Uninstall key gives the install folder
    std::vector<std::wstring> files;    // in it: *.exe copies of the double, others text
    const char* entries;                // [UninstStartupExe]
    std::vector<std::wstring> recorded; // "@" stands for the install folder
    std::vector<std::string> lines;
    int result;
    int staying; // programs still running after the step
};

const char AgentEntry[] = "FileNum=1\nname0=vqagent.exe\nOptionCommand0=-x\n";

TEST(StartupPrograms, StartsWhatIsListedAndPresent) {
    // clang-format off
    const StartCase cases[] = {
        {"Agent", 0, true, {L"vqagent.exe"}, AgentEntry, {L"\"@\\vqagent.exe\" -x"}, {}, 1, 0},
        {"AgentInCapitals", 0, true, {L"vqagent.exe"},
         "FileNum=1\nname0=VQAGENT.EXE\nOptionCommand0=-x\n", {L"-x"}, {}, 1, 0},
        {"AbsentThenPresent", 0, true, {L"other.exe"},
         "FileNum=2\nname0=absent.exe\nOptionCommand0=-a\nname1=other.exe\nOptionCommand1=-y\n",
         {L"-y"}, {}, 1, 0},
        {"NoOptionText", 0, true, {L"other.exe"},
         "FileNum=2\nname0=other.exe\nname1=other.exe\nOptionCommand1=-z\n", {L"-z"},
         {"ERROR CODE: 3002"}, 0, 0},
        {"NoFileNum", 0, false, {L"vqagent.exe"}, AgentEntry + 10, {}, {}, 1, 0},
        {"FileNumZero", 0, false, {L"vqagent.exe"},
         "FileNum=0\nname0=vqagent.exe\nOptionCommand0=-x\n", {}, {}, 1, 0},
        {"FileNumNegative", 0, false, {L"vqagent.exe"},
         "FileNum=-3\nname0=vqagent.exe\nOptionCommand0=-x\n", {}, {}, 1, 0},
        {"NoInstallFolder", 0, false, {L"vqagent.exe"}, AgentEntry, {}, {"ERROR CODE: 3001"}, 0, 0},
        {"NotAProgram", 0, true, {L"notes.txt"}, "FileNum=1\nname0=notes.txt\nOptionCommand0=-n\n",
         {}, {"ERROR CODE: 3005 (0x000000c1)"}, 0, 0},
        // The agent's path fits, its command line does not; the next entry still runs. (The
        // record beside the copies must stay within 260 characters for FreshTestFolder.)
        {"AgentLineTooLong", 235, true, {L"vqagent.exe", L"other.exe"},
         "FileNum=2\nname0=vqagent.exe\nOptionCommand0=-a-rather-long-option-text\n"
         "name1=other.exe\nOptionCommand1=-y\n", {L"-y"}, {"ERROR CODE: 3003 (0x000000ce)"}, 0, 0},
        {"PathTooLong", 255, true, {}, "FileNum=1\nname0=other.exe\nOptionCommand0=-y\n", {},
         {"ERROR CODE: 3005 (0x000000ce)"}, 0, 0},
        // The one case that waits the full 30 s.
        {"OutlivesTheWait", 0, true, {L"stay.exe", L"vqagent.exe"},
         "FileNum=2\nname0=stay.exe\nOptionCommand0=-stay\nname1=vqagent.exe\nOptionCommand1=-x\n",
         {L"-stay", L"\"@\\vqagent.exe\" -x"}, {"ERROR CODE: 3006 (0x00000102)"}, 0, 1}};
    // clang-format on
    for (const StartCase& c : cases) {
        SCOPED_TRACE(c.label);
        const std::wstring base = FreshTestFolder();
        std::wstring folder = base;
        if (c.folderChars > 0) {
            folder += L"\\" + std::wstring(c.folderChars - base.size() - 1, L'p');
            CreateDirectoryW(folder.c_str(), nullptr);
        }
        for (const std::wstring& name : c.files) {
            if (name.find(L".exe") != std::wstring::npos) {
                ASSERT_TRUE(CopyFileW(StartProgPath(BuildDir()).c_str(),
                                      (folder + L"\\" + name).c_str(), FALSE));
            } else {
                WriteBytes(folder + L"\\" + name, "text");
            }
        }
        CreateMachineKey(UninstallKeyPath(L"VELMAR-STARTUP-TEST"), L"InstallLocation", folder);
        UseSettings(base, std::string("[GUID]\nid=") +
                              (c.installed ? "VELMAR-STARTUP-TEST" : "none") +
                              "\n[UninstStartupExe]\n" + c.entries);
        ClearHeldLog();

        EXPECT_EQ(c.result, RunStartupUninstallers());
        EXPECT_EQ(c.lines, HeldLines());
        EXPECT_EQ(c.staying, EndPrograms(L"stay.exe"));
        std::vector<std::wstring> expected = c.recorded;
        for (std::wstring& line : expected) {
            const size_t at = line.find(L'@');
            line = at == std::wstring::npos ? line : line.replace(at, 1, folder);
        }
        EXPECT_EQ(expected, ReadStartProgRecord(folder));
    }
}

const wchar_t RunKeyPath[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

struct RunValueCase {
    const char* label;
    const char* entries;            // [SetPCStartupReg]
    std::vector<std::wstring> kept; // of VelmarA, VelmarB, VelmarC, all set up before
    std::vector<std::string> lines;
    int result;
};

TEST(RunValues, DeletesTheListedValues) {
    // clang-format off
    const RunValueCase cases[] = {
        {"Deleted", "FileNum=2\nregname0=VelmarA\nregname1=VelmarB\n", {L"VelmarC"}, {}, 1},
        {"AlreadyAbsent", "FileNum=2\nregname0=VelmarGone\nregname1=VelmarC\n",
         {L"VelmarA", L"VelmarB"}, {}, 1},
        {"NameMissing", "FileNum=3\nregname0=VelmarA\nregname2=VelmarB\n", {L"VelmarC"},
         {"ERROR CODE: 4002"}, 0},
        {"NoFileNum", "regname0=VelmarA\n", {L"VelmarA", L"VelmarB", L"VelmarC"}, {}, 1}};
    // clang-format on
    for (const RunValueCase& c : cases) {
        SCOPED_TRACE(c.label);
        UseSettings(FreshTestFolder(), std::string("[SetPCStartupReg]\n") + c.entries);
        const wchar_t* names[] = {L"VelmarA", L"VelmarB", L"VelmarC"};
        for (const wchar_t* name : names) {
            CreateMachineKey(RunKeyPath, name, L"C:\\velmar.exe");
        }
        ClearHeldLog();

        EXPECT_EQ(c.result, DeleteRunValues());
        EXPECT_EQ(c.lines, HeldLines());
        std::vector<std::wstring> kept;
        for (const wchar_t* name : names) {
            if (RegGetValueW(HKEY_LOCAL_MACHINE, RunKeyPath, name, RRF_RT_ANY, nullptr, nullptr,
                             nullptr) == ERROR_SUCCESS) {
                kept.push_back(name);
            }
        }
        EXPECT_EQ(c.kept, kept);
    }
}

} // namespace

// Startup uninstallers (copies of the recording program in an install folder) and the values
// of the machine's Run key.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <sstream>

#include "cleanup.h"
#include "cleanuptest.h"
#include "startprog.h"

namespace {

TEST(StartupPrograms, StartsWhatIsListedAndPresent) {
    // clang-format off
    const struct {
        size_t folderChars;                 // the install folder's length (0: the test folder)
        bool installed;                     // the product key gives the install folder
        const wchar_t* files;               // in it: *.exe copies of the double, others text
        const char* entries;                // [UninstStartupExe]
        std::vector<std::wstring> recorded;
        const char* outcome;
    } cases[] = {
        // An absent program is passed over, an entry without option text fails alone, and only
        // "vqagent.exe" exactly gets its quoted path first.
        {0, true, L"other.exe vqagent.exe", "FileNum=4 name0=absent.exe OptionCommand0=-a "
         "name1=other.exe name2=other.exe OptionCommand2=-z name3=VQAGENT.EXE OptionCommand3=-x",
         {L"-z", L"-x"}, "0 3002"},
        // Without a count nothing is read, not even the install folder.
        {0, false, L"", "FileNum=0 name0=vqagent.exe OptionCommand0=-x", {}, "1"},
        {0, false, L"", "FileNum=-3 name0=vqagent.exe OptionCommand0=-x", {}, "1"},
        {0, false, L"", "FileNum=1 name0=vqagent.exe OptionCommand0=-x", {}, "0 3001"},
        {0, true, L"notes.txt", "FileNum=1 name0=notes.txt OptionCommand0=-n", {},
         "0 3005 (0x000000c1)"},
        // The agent's path fits, its command line does not; the next entry still runs. (The
        // record beside the copies must stay within 260 characters for FreshTestFolder.)
        {235, true, L"vqagent.exe other.exe", "FileNum=2 name0=vqagent.exe "
         "OptionCommand0=-a-rather-long-option-text name1=other.exe OptionCommand1=-y",
         {L"-y"}, "0 3003 (0x000000ce)"},
        {255, true, L"", "FileNum=1 name0=other.exe OptionCommand0=-y", {}, "0 3005 (0x000000ce)"},
        // The one case that waits the full 30 s; the program is left running.
        {0, true, L"stay.exe other.exe", "FileNum=2 name0=stay.exe OptionCommand0=-stay "
         "name1=other.exe OptionCommand1=-x", {L"-stay", L"-x"}, "0 3006 (0x00000102)"},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entries);
        const std::wstring base = FreshTestFolder();
        const std::wstring folder =
            c.folderChars == 0 ? base
                               : base + L"\\" + std::wstring(c.folderChars - base.size() - 1, L'p');
        UseProduct(std::string("[UninstStartupExe] ") + c.entries,
                   c.installed ? L"InstallLocation" : nullptr, folder);
        MakeFolder(folder);
        std::wistringstream files(c.files);
        for (std::wstring name; files >> name;) {
            if (name.find(L".exe") != std::wstring::npos) {
                ASSERT_TRUE(CopyFileW(StartProgPath(BuildDir()).c_str(),
                                      (folder + L"\\" + name).c_str(), FALSE));
            } else {
                WriteBytes(folder + L"\\" + name, "text");
            }
        }
        EXPECT_EQ(c.outcome, Outcome(RunStartupUninstallers()));
        EXPECT_EQ(c.recorded, ReadStartProgRecord(folder));
    }
    // The program that outlived the wait still runs.
    EXPECT_EQ(0u, RunProgram(ShellFolder(CSIDL_SYSTEM) + L"\\taskkill.exe",
                             {L"/F", L"/IM", L"stay.exe"}));
}

TEST(RunValues, DeletesTheListedValues) {
    const struct {
        const char* entries; // [SetPCStartupReg]
        const wchar_t* kept; // of VelmarA and VelmarB, both set up before
        const char* outcome;
    } cases[] = {
        // A value that is not there counts as deleted; a missing name fails alone.
        {"FileNum=3 regname0=VelmarGone regname2=VelmarA", L"VelmarB", "0 4002"},
        {"regname0=VelmarA", L"VelmarA VelmarB", "1"},
    };
    for (const auto& c : cases) {
        UseProduct(std::string("[SetPCStartupReg] ") + c.entries);
        for (const wchar_t* name : {L"VelmarA", L"VelmarB"}) {
            CreateMachineKey(RunKeyPath, name, L"C:\\velmar.exe");
        }
        EXPECT_EQ(c.outcome, Outcome(DeleteRunValues())) << c.entries;
        std::wstring kept;
        for (const wchar_t* name : {L"VelmarA", L"VelmarB"}) {
            kept += RunValueExists(name) ? (kept.empty() ? L"" : L" ") + std::wstring(name) : L"";
            RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, RunKeyPath, name);
        }
        EXPECT_EQ(c.kept, kept) << c.entries;
    }
}

} // namespace

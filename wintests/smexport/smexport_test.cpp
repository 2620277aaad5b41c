// vqsmexport.exe from dist/, run from a folder of its own beside a copy of the settings double.
#include <gtest/gtest.h>

#include <regex>

#include "smexport.h"
#include "wintest.h"

namespace {

const std::wstring Folder = L"C:\\velmar-tests\\smexport\\";
enum Key { NoKey, In32, In32Unterminated, Only64 };

// Wine answers a REG_SZ stored without its terminator as 2 bytes longer than stored, so a
// 64-byte one gives ERROR_MORE_DATA (Windows returns it as stored); the type is not tested, so
// a binary value fills the buffer with no terminator instead.
void SetVersion(Key where, const std::wstring& version) {
    const std::wstring path = OldMonitorUninstallKey();
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), KEY_WOW64_32KEY, 0);
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), KEY_WOW64_64KEY, 0);
    const REGSAM view = where == Only64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
    HKEY key = nullptr;
    if (where != NoKey && RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                                          KEY_WRITE | view, nullptr, &key, nullptr) == 0) {
        const bool bare = where == In32Unterminated;
        RegSetValueExW(key, L"DisplayVersion", 0, bare ? REG_BINARY : REG_SZ,
                       reinterpret_cast<const BYTE*>(version.c_str()),
                       static_cast<DWORD>((version.size() + !bare) * sizeof(wchar_t)));
        RegCloseKey(key);
    }
}

TEST(SmExport, WindowLibraryAndLog) {
    const std::wstring n31 = L"2.1" + std::wstring(28, L'0'), n32 = n31 + L"0";
    const std::vector<std::wstring> window = {L"-l", L"2.0", L"-h", L"2.5"};
    const wchar_t *full = L"vqsmsettings.dll", *bare = L"vqsmsettings_bare.dll";
    const char* called = "load call free ";
    struct Case {
        Key key;
        std::wstring version;
        std::vector<std::wstring> arguments;
        const wchar_t* library; // the double copied in as vqsmsettings.dll; nullptr: none
        const char* record;     // what the double wrote
        const wchar_t* log;     // nullptr: no log file
        int code;               // of the log's one error line
    } cases[] = {
        {In32, L"2.10.5", window, full, called, nullptr, 0},
        {In32, L"2.0", window, full, called, nullptr, 0},
        {In32, L"2.5", window, full, called, nullptr, 0},
        {In32, L"2.9", window, full, "", nullptr, 0},
        {In32, L"1.99", window, full, "", nullptr, 0},
        {In32, L"1.2", {L"-l", L"1,5", L"-h", L"2"}, full, called, nullptr, 0},
        {In32, n31, window, full, called, nullptr, 0},
        {In32Unterminated, n32, window, full, called, nullptr, 0},
        {In32, n32, window, full, "", L"vqsmexport", 2},
        {NoKey, L"", window, full, "", nullptr, 0},
        {Only64, L"2.1", window, full, "", nullptr, 0},
        {In32,
         L"2.1",
         {L"-l", L"2", L"-h", L"3", L"-error", L"ERROR_INSTALL_FAILURE", L"-log"},
         nullptr,
         "",
         L"vqsmexport",
         3},
        {In32,
         L"2.1",
         {L"-log", L"smexport-own", L"-l", L"2", L"-h", L"3"},
         bare,
         "load free ",
         L"smexport-own",
         4},
    };
    CreateDirectoryW(L"C:\\velmar-tests", nullptr);
    CreateDirectoryW(Folder.c_str(), nullptr);
    CopyFileW((DistDir() + L"\\vqsmexport.exe").c_str(), (Folder + L"vqsmexport.exe").c_str(),
              FALSE);
    for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(i);
        SetVersion(c.key, c.version);
        DeleteIfPresent(Folder + L"vqsmsettings.txt");
        DeleteIfPresent(Folder + L"vqsmsettings.dll");
        if (c.library != nullptr) {
            CopyFileW((BuildDir() + L"\\testing\\doubles\\vqsmsettings\\" + c.library).c_str(),
                      (Folder + L"vqsmsettings.dll").c_str(), FALSE);
        }
        DeleteIfPresent(LogFilePath(L"vqsmexport"));
        DeleteIfPresent(LogFilePath(L"smexport-own"));
        EXPECT_EQ(0u, RunProgram(Folder + L"vqsmexport.exe", c.arguments));
        EXPECT_EQ(c.record, ReadFileBytes(Folder + L"vqsmsettings.txt"));
        EXPECT_EQ(c.log != nullptr && wcscmp(c.log, L"vqsmexport") == 0,
                  PathExists(LogFilePath(L"vqsmexport")));
        if (c.log != nullptr) {
            const std::vector<std::string> lines = SplitCrLf(ReadFileBytes(LogFilePath(c.log)));
            ASSERT_EQ(9u,
                      lines.size()); // start, empty, three system lines, ours, empty, stop, empty
            const std::string code = "ERROR CODE:" + std::to_string(c.code) + " \\(0X[0-9A-F]+\\)";
            EXPECT_TRUE(std::regex_match(lines[5], std::regex(code))) << lines[5];
        }
    }
    SetVersion(NoKey, L"");
}

TEST(SmExport, ProgramProperties) {
    ExpectToolBinary(DistDir() + L"\\vqsmexport.exe", IMAGE_FILE_MACHINE_I386, "VQSMEXPORT",
                     L"VQSMEXPORT");
}

} // namespace

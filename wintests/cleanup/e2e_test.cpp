// vqcleanup6.exe from dist/, run as the installer runs it at uninstall, in a prefix prepared to
// look like an installed product.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>

#include "cleanuptest.h"
#include "fwdouble.h"
#include "startprog.h"

namespace {

const wchar_t kId[] = L"VELMAR-E2E-0001";
const wchar_t kDisplay[] = L"Velmar Monitor";

std::wstring CacheFolder() { return InstallCacheRoot() + L"{" + kId + L"}"; }

std::wstring Brand(const wchar_t* brand, const wchar_t* app) {
    return std::wstring(L"SOFTWARE\\") + brand + L"\\Tesk\\" + app;
}

class CleanupEndToEnd : public testing::Test {
  protected:
    void SetUp() override {
        root_ = FreshTestFolder();
        tool_ = root_ + L"\\tool\\vqcleanup6.exe";
        install_ = root_ + L"\\Program\\App";
        MakeFolder(root_ + L"\\tool");
        ASSERT_TRUE(CopyFileW((DistDir() + L"\\vqcleanup6.exe").c_str(), tool_.c_str(), FALSE));
        for (const wchar_t* log : {L"vqcleanlog_VelmarApp", L"vqcleanlog_Could't"}) {
            DeleteIfPresent(LogFilePath(log));
        }
    }
    void TearDown() override {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, UninstallKeyPath(kId).c_str());
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\VelmarE2E");
        for (const wchar_t* brand : {L"Velmar", L"Brovik"}) {
            RegDeleteTreeW(HKEY_LOCAL_MACHINE, (std::wstring(L"SOFTWARE\\") + brand).c_str());
        }
        for (const wchar_t* name : {L"VelmarRun", L"VelmarKeepRun"}) {
            RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, RunKeyPath, name);
        }
    }
    void WriteBesideTool(const wchar_t* name, const std::string& text) {
        WriteBytes(root_ + L"\\tool\\" + name, text);
    }
    // The product as the installer left it: Uninstall key, install folder and cache.
    void InstallProduct(const std::string& ini) {
        WriteBesideTool(L"getinfo.ini", ini);
        CreateMachineKey(UninstallKeyPath(kId), L"InstallLocation", install_);
        CreateMachineKey(UninstallKeyPath(kId), L"DisplayName", kDisplay);
        WriteBytes(CacheFolder() + L"\\setup.exe", "x");
        WriteBytes(CacheFolder() + L"\\data\\setup.inx", "x");
    }
    std::wstring root_, tool_, install_;
};

TEST_F(CleanupEndToEnd, RemovesExactlyWhatIsListedThenFindsNothingToDo) {
    InstallProduct("[GUID]\r\nid=VELMAR-E2E-0001\r\n[ApplicationName]\r\nAppName=VelmarApp\r\n"
                   "[RegApplicationName]\r\nRegAppName=VelmarReg\r\n[SETSTARTUP]\r\nRegister=Y\r\n"
                   "[UninstStartupExe]\r\nFileNum=2\r\nname0=vqagent.exe\r\n"
                   "OptionCommand0=-uninstall\r\nname1=other.exe\r\nOptionCommand1=-quiet\r\n"
                   "[SetPCStartupReg]\r\nFileNum=1\r\nregname0=VelmarRun\r\n"
                   "[AddExceptionListApp]\r\nNum=2\r\nfilename0=bin\\mon.exe\r\n"
                   "filename1=agent.exe\r\n[DesktopShortCut]\r\nMediaGuide=Y\r\n"
                   "MediaGudeName=Media Guide\r\nReadmeName=Readme\r\nOtherFile=1\r\n"
                   "ItemName0=Extra\r\n[Registry]\r\nFileNum=1\r\nFile00=keys.reg\r\n");
    WriteBesideTool(L"UninstFiles.ini",
                    "bin\\mon.exe\r\nbin\r\n\r\nreadme.txt\r\nvqagent.exe\r\nother.exe");
    WriteBesideTool(L"keys.reg", "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\VelmarE2E\\Listed]"
                                 "\r\n\"a\"=\"1\"\r\n\r\n"
                                 "[HKEY_LOCAL_MACHINE\\SOFTWARE\\VelmarE2E\\Listed\\Sub]\r\n");
    WriteBytes(install_ + L"\\bin\\mon.exe", "x");
    WriteBytes(install_ + L"\\readme.txt", "x");
    for (const wchar_t* program : {L"vqagent.exe", L"other.exe"}) {
        ASSERT_TRUE(CopyFileW(StartProgPath(BuildDir()).c_str(),
                              (install_ + L"\\" + program).c_str(), FALSE));
    }
    const std::wstring programs = ShellFolder(CSIDL_COMMON_PROGRAMS);
    const std::wstring startup = ShellFolder(CSIDL_COMMON_STARTUP);
    const std::wstring desktop = ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY);
    const std::vector<std::wstring> listed = {programs + L"\\" + kDisplay + L"\\Monitor.lnk",
                                              programs + L"\\VelmarApp\\App.lnk",
                                              programs + L"\\VelmarReg\\sub\\Reg.lnk",
                                              startup + L"\\" + kDisplay + L".lnk",
                                              startup + L"\\VelmarApp.lnk",
                                              startup + L"\\VelmarReg.lnk",
                                              desktop + L"\\Media Guide.lnk",
                                              desktop + L"\\Readme.lnk",
                                              desktop + L"\\Extra.lnk"};
    const std::vector<std::wstring> kept = {programs + L"\\VelmarKeep\\Keep.lnk",
                                            startup + L"\\VelmarKeep.lnk",
                                            desktop + L"\\VelmarKeep.lnk"};
    for (const auto* paths : {&listed, &kept}) {
        for (const std::wstring& path : *paths) {
            WriteBytes(path, "x");
        }
    }
    for (const wchar_t* name : {L"VelmarRun", L"VelmarKeepRun"}) {
        CreateMachineKey(RunKeyPath, name, L"x.exe");
    }
    for (const wchar_t* key : {L"Listed\\Sub\\Deeper", L"Keep"}) {
        CreateMachineKey(std::wstring(L"SOFTWARE\\VelmarE2E\\") + key);
    }
    for (const wchar_t* app : {L"VelmarReg", kDisplay, L"Keep"}) {
        CreateMachineKey(Brand(L"Velmar", app));
    }
    CreateMachineKey(Brand(L"Brovik", L"VelmarReg"));
    ASSERT_TRUE(FwDoubleRegister(BuildDir() + FwDoubleBelowBuild));

    EXPECT_EQ(0u, RunProgram(tool_, {}));
    const std::vector<std::wstring> removed = FwDoubleReadList(L"Removed");
    FwDoubleRestore();

    EXPECT_EQ((std::vector<std::wstring>{install_ + L"\\bin\\mon.exe", install_ + L"\\agent.exe"}),
              removed);
    EXPECT_EQ(
        (std::vector<std::wstring>{L"\"" + install_ + L"\\vqagent.exe\" -uninstall", L"-quiet"}),
        ReadStartProgRecord(install_));
    for (const std::wstring& path : listed) {
        EXPECT_FALSE(PathExists(path)) << path;
    }
    for (const wchar_t* folder : {kDisplay, L"VelmarApp", L"VelmarReg"}) {
        EXPECT_FALSE(PathExists(programs + L"\\" + folder)) << folder;
    }
    for (const std::wstring& path : kept) {
        EXPECT_TRUE(PathExists(path)) << path;
    }
    for (const wchar_t* file : {L"\\bin", L"\\readme.txt", L"\\vqagent.exe", L"\\other.exe"}) {
        EXPECT_FALSE(PathExists(install_ + file)) << file;
    }
    EXPECT_TRUE(PathExists(install_ + L"\\" + StartProgRecordName)) << "not listed: it stays";
    EXPECT_FALSE(PathExists(CacheFolder()));
    EXPECT_FALSE(RunValueExists(L"VelmarRun"));
    EXPECT_TRUE(RunValueExists(L"VelmarKeepRun"));
    EXPECT_FALSE(MachineKeyExists(L"SOFTWARE\\VelmarE2E\\Listed"));
    EXPECT_TRUE(MachineKeyExists(L"SOFTWARE\\VelmarE2E\\Keep"));
    for (const wchar_t* app : {L"VelmarReg", kDisplay}) {
        EXPECT_FALSE(MachineKeyExists(Brand(L"Velmar", app))) << app;
    }
    EXPECT_FALSE(MachineKeyExists(Brand(L"Brovik", L"VelmarReg")));
    EXPECT_TRUE(MachineKeyExists(Brand(L"Velmar", L"Keep")));
    EXPECT_FALSE(MachineKeyExists(UninstallKeyPath(kId)));
    EXPECT_FALSE(PathExists(LogFilePath(L"vqcleanlog_VelmarApp")));

    // The cache is gone, so a second run has nothing to do.
    CreateMachineKey(RunKeyPath, L"VelmarRun", L"x.exe");
    EXPECT_EQ(0u, RunProgram(tool_, {}));
    EXPECT_TRUE(RunValueExists(L"VelmarRun"));
    EXPECT_FALSE(PathExists(LogFilePath(L"vqcleanlog_VelmarApp")));
    for (const std::wstring& path : kept) {
        DeleteFileW(path.c_str());
    }
    RemoveDirectoryW((programs + L"\\VelmarKeep").c_str());
}

TEST_F(CleanupEndToEnd, NothingToDoWithoutSettingsOrCachedSetup) {
    CreateMachineKey(UninstallKeyPath(kId), L"DisplayName", kDisplay);
    EXPECT_EQ(0u, RunProgram(tool_, {})) << "no getinfo.ini";
    InstallProduct("[GUID]\r\nid=VELMAR-E2E-0001\r\n");
    DeleteFileW((CacheFolder() + L"\\setup.exe").c_str());
    EXPECT_EQ(0u, RunProgram(tool_, {})) << "a cache folder without setup.exe";
    EXPECT_TRUE(MachineKeyExists(UninstallKeyPath(kId)));
    EXPECT_TRUE(PathExists(CacheFolder() + L"\\data\\setup.inx"));
    EXPECT_FALSE(PathExists(LogFilePath(L"vqcleanlog_Could't")));
}

TEST_F(CleanupEndToEnd, AFailingStepIsLoggedAndMappedByTheErrorOption) {
    const struct {
        std::vector<std::wstring> arguments;
        DWORD exitCode;
    } rows[] = {
        {{}, 1641},
        {{L"-error", L"ERROR_SUCCESS"}, 0},
        {{L"-error", L"ERROR_INSTALL_FAILURE"}, 1603},
        {{L"-error", L"error_success"}, 1641},
        {{L"-x", L"1", L"-error", L"ERROR_SUCCESS"}, 1641},
        {{L"-error", L"ERROR_SUCCESS", L"-error", L"ERROR_INSTALL_FAILURE"}, 1603},
        {{L"-error"}, 1641},
    };
    for (const auto& row : rows) {
        const std::wstring line = BuildCommandLine(L"vqcleanup6", row.arguments);
        // Everything succeeds but the listed folder, which still holds a file.
        InstallProduct("[GUID]\r\nid=VELMAR-E2E-0001\r\n[RegApplicationName]\r\nRegAppName=R\r\n"
                       "[ApplicationName]\r\nAppName=VelmarApp\r\n");
        WriteBesideTool(L"UninstFiles.ini", "sub\r\n");
        WriteBytes(install_ + L"\\sub\\unlisted.txt", "x");
        DeleteIfPresent(LogFilePath(L"vqcleanlog_VelmarApp"));

        EXPECT_EQ(row.exitCode, RunProgram(tool_, row.arguments)) << line;
        const std::vector<std::string> lines =
            SplitCrLf(ReadFileBytes(LogFilePath(L"vqcleanlog_VelmarApp")));
        ASSERT_GE(lines.size(), 6u) << line;
        EXPECT_EQ(0u, lines[0].rfind("=== Logging started: ", 0));
        EXPECT_EQ(1, std::count(lines.begin(), lines.end(), "ERROR CODE: 6003 (0x00000091)"))
            << line;
        EXPECT_EQ(1, std::count_if(lines.begin(), lines.end(), [](const std::string& text) {
                      return text.rfind("ERROR CODE", 0) == 0;
                  }));
        EXPECT_FALSE(MachineKeyExists(UninstallKeyPath(kId))) << "later steps still ran";
    }

    // Without an application name the log takes the default text.
    InstallProduct("[GUID]\r\nid=VELMAR-E2E-0001\r\n");
    EXPECT_EQ(1641u, RunProgram(tool_, {}));
    const std::string log = ReadFileBytes(LogFilePath(L"vqcleanlog_Could't"));
    for (const char* code : {"2005", "6003 (0x00000091)"}) {
        EXPECT_NE(std::string::npos, log.find(std::string("ERROR CODE: ") + code)) << code;
    }
    // Each of the four brands logs its own missing name.
    const std::vector<std::string> logLines = SplitCrLf(log);
    EXPECT_EQ(4, std::count(logLines.begin(), logLines.end(), "ERROR CODE: 9001"));

    // A failure of the first step alone (its one entry is missing) still fails the run.
    InstallProduct("[GUID]\r\nid=VELMAR-E2E-0001\r\n[RegApplicationName]\r\nRegAppName=R\r\n"
                   "[ApplicationName]\r\nAppName=VelmarApp\r\n[AddExceptionListApp]\r\nNum=1\r\n");
    DeleteFileW((install_ + L"\\sub\\unlisted.txt").c_str());
    DeleteIfPresent(LogFilePath(L"vqcleanlog_VelmarApp"));
    EXPECT_EQ(1641u, RunProgram(tool_, {}));
    const std::vector<std::string> lines =
        SplitCrLf(ReadFileBytes(LogFilePath(L"vqcleanlog_VelmarApp")));
    ASSERT_GE(lines.size(), 8u);
    EXPECT_EQ(std::vector<std::string>{"ERROR CODE: 1002"},
              std::vector<std::string>(lines.begin() + 5, lines.end() - 3));
}

TEST_F(CleanupEndToEnd, ProgramProperties) {
    ExpectToolBinary(DistDir() + L"\\vqcleanup6.exe", IMAGE_FILE_MACHINE_AMD64, "VQCLEANLOG",
                     L"VQCLEANUP6");
}

} // namespace

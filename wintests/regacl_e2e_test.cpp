// vqregacl6.exe from dist/, run as the installer runs it.
#include <gtest/gtest.h>

#include <aclapi.h>
#include <sddl.h>

#include <algorithm>
#include <cstring>
#include <regex>

#include "keydacl.h"
#include "wintest.h"

namespace {

const wchar_t kParent[] = L"SOFTWARE\\VelmarE2E";

std::wstring Tool() { return DistDir() + L"\\vqregacl6.exe"; }

class RegAclEndToEnd : public testing::Test {
  protected:
    void SetUp() override {
        const char* test = testing::UnitTest::GetInstance()->current_test_info()->name();
        key_ = std::wstring(kParent) + L"\\" + std::wstring(test, test + std::strlen(test));
        HKEY created = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, key_.c_str(), 0, nullptr, 0,
                                                 KEY_ALL_ACCESS, nullptr, &created, nullptr));
        RegCloseKey(created);
        for (const wchar_t* name : {L"vqregacllog", L"custom"}) {
            DeleteIfPresent(LogFilePath(name));
        }
    }
    void TearDown() override {
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, key_.c_str());
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, kParent);
    }
    std::wstring key_;
};

TEST_F(RegAclEndToEnd, GrantLeavesOneEveryoneEntryAndNoLog) {
    for (int run = 0; run < 2; ++run) {
        EXPECT_EQ(0u, RunProgram(Tool(), {L"-t", L"HLM", L"-k", key_}));
        const std::vector<KeyAce> dacl = ReadKeyDacl(HKEY_LOCAL_MACHINE, key_);
        ASSERT_EQ(1u, dacl.size());
        EXPECT_EQ(ACCESS_ALLOWED_ACE_TYPE, dacl[0].type);
        EXPECT_EQ(CONTAINER_INHERIT_ACE, dacl[0].flags);
        EXPECT_EQ(static_cast<ACCESS_MASK>(KEY_ALL_ACCESS), dacl[0].mask);
        EXPECT_EQ(L"S-1-1-0", dacl[0].sid);
    }
    EXPECT_FALSE(PathExists(LogFilePath(L"vqregacllog")));
}

TEST_F(RegAclEndToEnd, MissingKeyFailsWithTheLogLaidOut) {
    const std::wstring missing = key_ + L"\\Missing";
    EXPECT_EQ(1641u, RunProgram(Tool(), {L"-t", L"HLM", L"-k", missing}));
    EXPECT_FALSE(MachineKeyExists(missing));
    const std::vector<std::string> lines = SplitCrLf(ReadFileBytes(LogFilePath(L"vqregacllog")));
    ASSERT_EQ(10u, lines.size());
    const std::string s = "\\d{4}/\\d{2}/\\d{2} \\d{2}:\\d{2}:\\d{2}\\.\\d{3}";
    EXPECT_TRUE(std::regex_match(lines[0], std::regex("=== Logging started: " + s + " ===")))
        << lines[0];
    EXPECT_EQ("", lines[1]);
    EXPECT_TRUE(std::regex_match(lines[2], std::regex("OS Version:\\d+\\.\\d+"))) << lines[2];
    EXPECT_TRUE(std::regex_match(lines[3], std::regex("Architecture:9"))) << lines[3];
    EXPECT_TRUE(std::regex_match(lines[4], std::regex("LangID:[0-9a-f]+"))) << lines[4];
    EXPECT_EQ("ERROR CODE:7", lines[5]);
    EXPECT_EQ("ERROR CODE:10", lines[6]);
    EXPECT_EQ("", lines[7]);
    EXPECT_TRUE(std::regex_match(lines[8], std::regex("=== Logging stopped: " + s + " ===")))
        << lines[8];
    EXPECT_EQ("", lines[9]);
}

TEST_F(RegAclEndToEnd, ErrorOptionChoosesTheExitCodeAndTheLogIsStillWritten) {
    const std::wstring missing = key_ + L"\\Missing";
    struct Case {
        const wchar_t* mode;
        DWORD exitCode;
    } cases[] = {{L"ERROR_INSTALL_FAILURE", 1603}, {L"ERROR_SUCCESS", 0}, {L"error_success", 1641}};
    for (const Case& c : cases) {
        DeleteIfPresent(LogFilePath(L"vqregacllog"));
        EXPECT_EQ(c.exitCode,
                  RunProgram(Tool(), {L"-t", L"HLM", L"-k", missing, L"-error", c.mode}));
        EXPECT_TRUE(PathExists(LogFilePath(L"vqregacllog")));
    }
}

TEST_F(RegAclEndToEnd, LogOptionNamesTheFile) {
    EXPECT_EQ(1641u,
              RunProgram(Tool(), {L"-log", L"custom", L"-t", L"HLM", L"-k", key_ + L"\\No"}));
    EXPECT_TRUE(PathExists(LogFilePath(L"custom")));
    EXPECT_FALSE(PathExists(LogFilePath(L"vqregacllog")));
    // A name holding a path stays in the log folder, under the name of no name.
    DeleteIfPresent(LogFilePath(L"err_logmgr"));
    EXPECT_EQ(1641u,
              RunProgram(Tool(), {L"-t", L"HLM", L"-k", key_ + L"\\No", L"-log", L"..\\up"}));
    EXPECT_FALSE(PathExists(LogFilePath(L"..\\up")));
    const std::vector<std::string> lines = SplitCrLf(ReadFileBytes(LogFilePath(L"err_logmgr")));
    EXPECT_EQ(1, std::count(lines.begin(), lines.end(), "ERROR CODE:7"));
}

TEST_F(RegAclEndToEnd, RefusedRootGivesOneCodeOneLine) {
    EXPECT_EQ(1641u, RunProgram(Tool(), {L"-t", L"HKLM", L"-k", key_}));
    const std::vector<std::string> lines = SplitCrLf(ReadFileBytes(LogFilePath(L"vqregacllog")));
    ASSERT_EQ(9u, lines.size()); // start, empty, three system lines, one tool line, stop
    EXPECT_EQ("ERROR CODE:1", lines[5]);
}

TEST(RegAclBinary, HeadersManifestAndVersion) {
    const std::wstring tool = Tool();
    const PeInfo pe = ReadPeInfo(tool);
    ASSERT_TRUE(pe.valid);
    EXPECT_EQ(IMAGE_FILE_MACHINE_AMD64, pe.machine);
    EXPECT_EQ(IMAGE_SUBSYSTEM_WINDOWS_GUI, pe.subsystem);
    EXPECT_FALSE(pe.dll);
    const std::vector<std::string> allowed = {"kernel32.dll", "advapi32.dll", "shell32.dll",
                                              "shlwapi.dll",  "msvcrt.dll",   "ole32.dll",
                                              "oleaut32.dll", "user32.dll"};
    for (const std::string& dll : pe.imports) {
        EXPECT_NE(allowed.end(), std::find(allowed.begin(), allowed.end(), dll)) << dll;
    }

    const std::string manifest = ReadManifest(tool);
    EXPECT_NE(std::string::npos, manifest.find("name=\"VQREGACLLOG\"")) << manifest;
    EXPECT_NE(std::string::npos, manifest.find("version=\"1.0.0.0\""));
    EXPECT_NE(std::string::npos, manifest.find("level=\"asInvoker\""));

    EXPECT_EQ(L"VQREGACL6", VersionString(tool, L"ProductName"));
    DWORD fileMs = 0, fileLs = 0, productMs = 0, productLs = 0;
    ASSERT_TRUE(FixedVersion(tool, &fileMs, &fileLs, &productMs, &productLs));
    EXPECT_EQ(0x00010000u, fileMs);
    EXPECT_EQ(0u, fileLs);
    EXPECT_EQ(0x00010000u, productMs);
    EXPECT_EQ(0u, productLs);
}

} // namespace

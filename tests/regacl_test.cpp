#include <gtest/gtest.h>
#include <winsim/control.h>

#include <aclapi.h>
#include <sddl.h>

#include "log.h"
#include "keydacl.h"
#include "logtest.h"
#include "regacl.h"

namespace {

const wchar_t kKey[] = L"SOFTWARE\\Velmar\\Shared";

std::vector<KeyAce> ReadKeyDacl(const wchar_t* path) {
    return ReadKeyDacl(HKEY_LOCAL_MACHINE, path);
}

void CreateKey(const wchar_t* path) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &key, nullptr));
    RegCloseKey(key);
}

void ExpectNothingLeftOpen() {
    EXPECT_EQ(0, winsim::LiveCount("sid"));
    EXPECT_EQ(0, winsim::LiveCount("local"));
    EXPECT_EQ(0, winsim::LiveCount("hkey"));
    EXPECT_EQ(0, winsim::LiveCount("file"));
}

const KeyAce kEveryoneFull{ACCESS_ALLOWED_ACE_TYPE, CONTAINER_INHERIT_ACE, KEY_ALL_ACCESS,
                           L"S-1-1-0"};

class RegAclTest : public testing::Test {
  protected:
    void SetUp() override {
        ClearPendingLog();
        CreateKey(kKey);
    }
};

TEST_F(RegAclTest, GrantReplacesTheDaclWithEveryoneFullControl) {
    ASSERT_EQ(3u, ReadKeyDacl(kKey).size()); // the key starts with entries of its own
    for (int run = 0; run < 2; ++run) {
        winsim::SetArguments({L"vqregacl6.exe", L"-t", L"HLM", L"-k", kKey});
        EXPECT_EQ(0, RunRegKeyAcl());
        EXPECT_EQ(std::vector<KeyAce>{kEveryoneFull}, ReadKeyDacl(kKey));
    }
    EXPECT_FALSE(winsim::FileExists(L"C:\\Users\\tester\\AppData\\Roaming\\Velmar"));
    ExpectNothingLeftOpen();
}

TEST_F(RegAclTest, OptionsAreFoundInAnyOrder) {
    winsim::SetArguments(
        {L"vqregacl6.exe", L"stray", L"-k", kKey, L"-x", L"-t", L"HLM", L"-k", L"SOFTWARE\\Other"});
    EXPECT_EQ(0, RunRegKeyAcl());
    EXPECT_EQ(std::vector<KeyAce>{kEveryoneFull}, ReadKeyDacl(kKey));
}

TEST_F(RegAclTest, RefusedCommandLinesLogCodeOne) {
    const std::vector<std::vector<std::wstring>> refused = {
        {L"vqregacl6.exe", L"-t", L"HKLM", L"-k", kKey},
        {L"vqregacl6.exe", L"-t", L"hlm", L"-k", kKey},
        {L"vqregacl6.exe", L"-t", L"HLMX", L"-k", kKey},
        {L"vqregacl6.exe", L"-k", kKey},
        {L"vqregacl6.exe", L"-t", L"HLM"},
        {L"vqregacl6.exe", L"-t", L"HLM", L"-k"},
        {L"vqregacl6.exe", L"-t", L"HLM", L"-k", L""},
        {L"vqregacl6.exe", L"-k", kKey, L"-t"},
    };
    for (const auto& arguments : refused) {
        winsim::Reset();
        ClearPendingLog();
        CreateKey(kKey);
        winsim::SetArguments(arguments);
        EXPECT_EQ(1641, RunRegKeyAcl());
        EXPECT_EQ(std::vector<std::string>{"ERROR CODE:1"}, ToolLines());
        EXPECT_TRUE(winsim::FileExists(LogFilePath(L"vqregacllog")));
        EXPECT_EQ(3u, ReadKeyDacl(kKey).size());
    }
}

// Every failing step of the grant: its line, the line of code 10, and the release of all
// that had been obtained.
TEST_F(RegAclTest, EachFailingStepLogsItsCode) {
    struct Case {
        const char* function;
        std::intptr_t result;
        DWORD lastError;
        std::string line;
        bool daclReplaced;
    } cases[] = {
        {"AllocateAndInitializeSid", FALSE, 0x57, "ERROR CODE:2 (0X57)", false},
        {"SetEntriesInAclW", ERROR_NOT_ENOUGH_MEMORY, 0, "ERROR CODE:3", false},
        {"LocalAlloc", 0, ERROR_NOT_ENOUGH_MEMORY, "ERROR CODE:4", false},
        {"InitializeSecurityDescriptor", FALSE, 0x539, "ERROR CODE:5 (0X539)", false},
        {"SetSecurityDescriptorDacl", FALSE, 0x53A, "ERROR CODE:6 (0X53A)", false},
        {"RegOpenKeyExW", ERROR_ACCESS_DENIED, 0, "ERROR CODE:7", false},
        {"RegSetKeySecurity", ERROR_ACCESS_DENIED, 0, "ERROR CODE:8", false},
        {"RegFlushKey", 29, 0, "ERROR CODE:9", true},
    };
    for (const Case& c : cases) {
        winsim::Reset();
        ClearPendingLog();
        CreateKey(kKey);
        winsim::SetArguments({L"vqregacl6.exe", L"-t", L"HLM", L"-k", kKey});
        winsim::FailCall(c.function, 1, c.result, c.lastError);
        EXPECT_EQ(1641, RunRegKeyAcl()) << c.function;
        const std::vector<std::string> expected{c.line, "ERROR CODE:10"};
        EXPECT_EQ(expected, ToolLines()) << c.function;
        EXPECT_EQ(c.daclReplaced ? 1u : 3u, ReadKeyDacl(kKey).size()) << c.function;
        ExpectNothingLeftOpen();
    }
}

TEST_F(RegAclTest, CleanUpRunsInItsOrder) {
    winsim::SetArguments({L"vqregacl6.exe", L"-t", L"HLM", L"-k", kKey});
    winsim::ClearCallLog();
    winsim::FailCall("RegFlushKey", 1, 1, 0);
    RunRegKeyAcl();
    std::vector<std::string> releases;
    for (const std::string& call : winsim::CallLog()) {
        if (call == "FreeSid" || call == "LocalFree" || call == "RegCloseKey") {
            releases.push_back(call);
        }
    }
    const std::vector<std::string> expected{"FreeSid", "LocalFree", "LocalFree", "RegCloseKey"};
    EXPECT_EQ(expected, releases);
}

TEST_F(RegAclTest, MissingKeyFailsWithoutCreatingIt) {
    winsim::SetArguments({L"vqregacl6.exe", L"-t", L"HLM", L"-k", L"SOFTWARE\\Missing", L"-error",
                          L"ERROR_SUCCESS"});
    EXPECT_EQ(0, RunRegKeyAcl());
    const std::vector<std::string> expected{"ERROR CODE:7", "ERROR CODE:10"};
    EXPECT_EQ(expected, ToolLines());
    EXPECT_FALSE(winsim::KeyExists(L"HKLM\\SOFTWARE\\Missing"));
    const std::vector<std::string> file = SplitCrLf(ReadLog(L"vqregacllog"));
    ASSERT_EQ(10u, file.size());
    EXPECT_EQ("ERROR CODE:7", file[5]);
    EXPECT_EQ("ERROR CODE:10", file[6]);
    ExpectNothingLeftOpen();
}

TEST_F(RegAclTest, LogOptionNamesTheFile) {
    winsim::SetArguments({L"vqregacl6.exe", L"-t", L"HLM", L"-k", L"SOFTWARE\\Missing", L"-log",
                          L"custom", L"-error", L"ERROR_INSTALL_FAILURE"});
    EXPECT_EQ(1603, RunRegKeyAcl());
    EXPECT_TRUE(winsim::FileExists(LogFilePath(L"custom")));
    EXPECT_FALSE(winsim::FileExists(LogFilePath(L"vqregacllog")));
}

} // namespace

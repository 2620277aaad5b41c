#include <gtest/gtest.h>
#include <winsim/control.h>
#include <winsim/crt.h>

#include "log.h"
#include "logtest.h"
#include "options.h"

namespace {

class OptionsTest : public testing::Test {
  protected:
    void SetUp() override { ClearPendingLog(); }
};

TEST_F(OptionsTest, LookupTakesWholeCaseSensitiveElements) {
    struct Case {
        std::vector<std::wstring> arguments;
        const wchar_t* option;
        bool present;
        std::wstring value;
    } cases[] = {
        {{L"tool.exe", L"-n", L"name"}, L"-n", true, L"name"},
        {{L"tool.exe", L"-u"}, L"-u", true, L""},                // last place: present, no value
        {{L"tool.exe", L"-x", L"-n"}, L"-n", true, L""},         // last place has no value
        {{L"tool.exe", L"-n", L"-n", L"x"}, L"-n", true, L"-n"}, // first occurrence with a value
        {{L"tool.exe", L"-n", L"a", L"-n", L"b"}, L"-n", true, L"a"},
        {{L"tool.exe", L"-N", L"a"}, L"-n", false, L""},    // no case folding
        {{L"tool.exe", L"-name", L"a"}, L"-n", false, L""}, // no prefix matching
        {{L"tool.exe", L"-n=a"}, L"-n", false, L""},        // no joined forms
        {{L"tool.exe", L"-n", L""}, L"-n", true, L""},      // empty value reads as missing
        {{L"-n", L"zero"}, L"-n", true, L"zero"},           // element 0 is compared too
        {{}, L"-n", false, L""},
    };
    for (const Case& c : cases) {
        winsim::SetArguments(c.arguments);
        EXPECT_EQ(c.present, HasOption(c.option)) << c.arguments.size();
        EXPECT_EQ(c.value, GetOptionValue(c.option)) << c.arguments.size();
    }
}

TEST_F(OptionsTest, MissingArgumentVectorReadsAsEmpty) {
    __wargv = nullptr;
    __argc = 5;
    EXPECT_FALSE(HasOption(L"-n"));
    EXPECT_EQ(L"", GetOptionValue(L"-n"));
}

TEST_F(OptionsTest, ManyUnknownElementsAreIgnored) {
    std::vector<std::wstring> arguments{L"tool.exe"};
    for (int i = 0; i < 5000; ++i) {
        arguments.push_back(L"-junk" + std::to_wstring(i));
    }
    arguments.push_back(L"-k");
    winsim::SetArguments(arguments);
    EXPECT_TRUE(HasOption(L"-k"));
    EXPECT_EQ(L"", GetOptionValue(L"-k"));
}

TEST_F(OptionsTest, ErrorCodeLineTakesTheLastErrorWhenAsked) {
    SetLastError(5);
    LogErrorCode(7, true);
    LogErrorCode(7, false);
    SetLastError(0xC0000005u);
    LogErrorCode(-3, true);
    const std::vector<std::string> expected{"ERROR CODE:7 (0X5)", "ERROR CODE:7",
                                            "ERROR CODE:-3 (0XC0000005)"};
    EXPECT_EQ(expected, std::vector<std::string>(PendingLogLines.begin(), PendingLogLines.end()));
}

TEST_F(OptionsTest, ErrorOptionMapsExactly) {
    struct Case {
        const wchar_t* value;
        int exitCode;
    } cases[] = {
        {L"ERROR_INSTALL_FAILURE", 1603}, {L"ERROR_SUCCESS", 0}, {L"error_success", 1641},
        {L"ERROR_SUCCESS ", 1641},        {L"", 1641},           {L"1603", 1641},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.exitCode, MapFailureExitCode(c.value)) << winsim::ToUtf8(c.value);
    }
}

TEST_F(OptionsTest, FailureExitWritesTheLogThenMapsTheErrorOption) {
    struct Case {
        std::vector<std::wstring> arguments;
        std::wstring logName;
        int exitCode;
    } cases[] = {
        {{L"tool.exe"}, L"frametool", 1641},
        {{L"tool.exe", L"-error", L"ERROR_SUCCESS"}, L"frametool", 0},
        {{L"tool.exe", L"-error", L"ERROR_INSTALL_FAILURE"}, L"frametool", 1603},
        {{L"tool.exe", L"-error", L"error_success"}, L"frametool", 1641},
        {{L"tool.exe", L"-log", L"mine", L"-error", L"ERROR_SUCCESS"}, L"mine", 0},
        {{L"tool.exe", L"-log", L""}, L"frametool", 1641},
        {{L"tool.exe", L"-error", L"ERROR_SUCCESS", L"-log"}, L"frametool", 0},
    };
    for (const Case& c : cases) {
        winsim::Reset();
        ClearPendingLog();
        winsim::SetArguments(c.arguments);
        LogStart();
        EXPECT_EQ(c.exitCode, FailureExit());
        EXPECT_TRUE(winsim::FileExists(LogFilePath(c.logName))) << winsim::ToUtf8(c.logName);
    }
}

} // namespace

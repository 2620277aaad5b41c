#include <gtest/gtest.h>
#include <winsim/control.h>
#include <winsim/services.h>

#include "log.h"
#include "logtest.h"
#include "service.h"

namespace {

const wchar_t kProgram[] = L"C:\\Program Files\\Velmar\\vqsmsvc.exe";

void SetToolArguments(const std::vector<std::wstring>& options) {
    std::vector<std::wstring> arguments{L"C:\\Installer\\vqservice6.exe"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    winsim::SetArguments(arguments);
}

void FreshRun() {
    winsim::Reset();
    ClearPendingLog();
    ZeroMemory(&ServiceToolOptions, sizeof(ServiceToolOptions));
    winsim::WriteFileBytes(kProgram, "MZ");
}

class ServiceOptionsTest : public testing::Test {
  protected:
    void SetUp() override { FreshRun(); }
};

struct ParsedFields {
    std::wstring name{}, display{}, description{}, program{}, command{}, dependencies{},
        errorMode{};
};

ParsedFields Fields() {
    const SERVICE_TOOL_OPTIONS& o = ServiceToolOptions;
    return {o.SvcName,    o.SvcDisplayName,  o.SvcDescription, o.SvcProgramPath,
            o.SvcCommand, o.SvcDependencies, o.SvcErrorMode};
}

TEST_F(ServiceOptionsTest, ParserTable) {
    const std::wstring name249(249, L'n');
    const std::wstring name250(250, L'n');
    const std::wstring text511(511, L'x');
    struct Case {
        std::vector<std::wstring> options;
        int result;
        std::vector<std::string> lines;
        ParsedFields fields;
    } cases[] = {
        {{}, 0, {"ERROR CODE: 1002"}, {}},
        {{L"-s", L"svc"}, 1, {}, {L"svc"}},
        {{L"-s", L"svc", L"-d", L"Disp", L"-i", L"Desc", L"-p", kProgram, L"-t", L"install", L"-c",
          L"Dep", L"-error", L"ERROR_SUCCESS"},
         1,
         {},
         {L"svc", L"Disp", L"Desc", kProgram, L"install", L"Dep", L"ERROR_SUCCESS"}},
        // An unknown element at an option position ends the parse; the rest stays unread.
        {{L"-s", L"svc", L"-S", L"x", L"-t", L"stop"}, 0, {"ERROR CODE: 1001"}, {L"svc"}},
        {{L"-t", L"stop", L"stray", L"-s", L"svc"},
         0,
         {"ERROR CODE: 1001"},
         {L"", L"", L"", L"", L"stop"}},
        {{L"-s", L"svc", L"-log", L"x"}, 0, {"ERROR CODE: 1001"}, {L"svc"}},
        // Values are taken unchanged, even when they look like options.
        {{L"-s", L"svc", L"-d", L"-p"}, 1, {}, {L"svc", L"-p"}},
        {{L"-s", L"first-and-longer", L"-s", L"b"}, 1, {}, {L"b"}},
        // An option in the last place gets an empty value.
        {{L"-s"}, 0, {"ERROR CODE: 1002"}, {}},
        {{L"-s", L"svc", L"-s"}, 0, {"ERROR CODE: 1002"}, {}},
        {{L"-s", L"svc", L"-t"}, 1, {}, {L"svc"}},
        {{L"-s", L""}, 0, {"ERROR CODE: 1002"}, {}},
        // "-d" and "-p" are needed for "install" only, and "-t" is tested as a whole string.
        {{L"-s", L"svc", L"-t", L"install", L"-d", L"Disp"},
         0,
         {"ERROR CODE: 1003"},
         {L"svc", L"Disp", L"", L"", L"install"}},
        {{L"-s", L"svc", L"-t", L"install", L"-p", kProgram},
         0,
         {"ERROR CODE: 1003"},
         {L"svc", L"", L"", kProgram, L"install"}},
        {{L"-s", L"svc", L"-t", L"Install"}, 1, {}, {L"svc", L"", L"", L"", L"Install"}},
        {{L"-s", L"svc", L"-t", L"start"}, 1, {}, {L"svc", L"", L"", L"", L"start"}},
        // Values that do not fit are refused, never cut; the field keeps what it held.
        {{L"-s", name249}, 1, {}, {name249}},
        {{L"-s", name250}, 0, {"ERROR CODE: 1002"}, {name250}},
        {{L"-s", L"svc", L"-i", text511}, 1, {}, {L"svc", L"", text511}},
        {{L"-s", L"svc", L"-i", text511 + L"x"}, 0, {"ERROR CODE: 1001"}, {L"svc"}},
        {{L"-s", L"svc", L"-t", L"123456789"}, 1, {}, {L"svc", L"", L"", L"", L"123456789"}},
        {{L"-s", L"svc", L"-t", L"stop", L"-t", L"installxyz"},
         0,
         {"ERROR CODE: 1001"},
         {L"svc", L"", L"", L"", L"stop"}},
    };
    for (const Case& c : cases) {
        FreshRun();
        SetToolArguments(c.options);
        const std::string label = c.options.empty() ? "(none)"
                                                    : winsim::ToUtf8(c.options[0]) + " " +
                                                          std::to_string(c.options.size());
        EXPECT_EQ(c.result, ParseServiceOptions()) << label;
        EXPECT_EQ(c.lines, ToolLines()) << label;
        const ParsedFields got = Fields();
        EXPECT_EQ(c.fields.name, got.name) << label;
        EXPECT_EQ(c.fields.display, got.display) << label;
        EXPECT_EQ(c.fields.description, got.description) << label;
        EXPECT_EQ(c.fields.program, got.program) << label;
        EXPECT_EQ(c.fields.command, got.command) << label;
        EXPECT_EQ(c.fields.dependencies, got.dependencies) << label;
        EXPECT_EQ(c.fields.errorMode, got.errorMode) << label;
    }
}

TEST_F(ServiceOptionsTest, LaterValueLeavesNothingOfTheEarlier) {
    SetToolArguments({L"-s", L"svc", L"-c", L"LongDependencyName", L"-c", L"Dep"});
    ASSERT_EQ(1, ParseServiceOptions());
    const wchar_t* field = ServiceToolOptions.SvcDependencies;
    EXPECT_EQ(std::wstring(L"Dep"), field);
    for (size_t i = 3; i < SvcFieldChars; ++i) {
        ASSERT_EQ(L'\0', field[i]) << i;
    }
}

// Every refused command line and every failing command: its lines, its log file (written even
// when "-error" turns the failure into 0) and its exit code.
TEST_F(ServiceOptionsTest, FailuresWriteTheLogAndMapTheExitCode) {
    const std::wstring longName(300, L'n');
    struct Case {
        std::vector<std::wstring> options;
        std::vector<std::string> lines;
        std::wstring logName;
    } cases[] = {
        {{}, {"ERROR CODE: 1002"}, L"vqsvc"},
        {{L"-s", L"svc"}, {"ERROR:1004"}, L"vqsvc_svc"},
        {{L"-s", L"svc", L"-t", L"Install"}, {"ERROR:1004"}, L"vqsvc_svc"},
        {{L"-s", L"svc", L"-t", L"install", L"-d", L"Disp"}, {"ERROR CODE: 1003"}, L"vqsvc_svc"},
        {{L"-s", longName, L"-t", L"stop"}, {"ERROR CODE: 1002"}, L"vqsvc"},
        {{L"-s", L"svc", L"-t", L"start"},
         {"EVENT TYPE: START", "ERROR CODE: 4003 (0x00000424)"},
         L"vqsvc_svc"},
        {{L"-s", L"svc", L"-t", L"install", L"-d", L"Disp", L"-p", L"C:\\Missing\\svc.exe"},
         {"EVENT TYPE: INSTALL", "ERROR CODE: 2003"},
         L"vqsvc_svc"},
    };
    const struct Policy {
        std::vector<std::wstring> options;
        int exitCode;
    } policies[] = {
        {{}, 1641},
        {{L"-error", L"ERROR_SUCCESS"}, 0},
        {{L"-error", L"ERROR_INSTALL_FAILURE"}, 1603},
        {{L"-error", L"error_success"}, 1641},
        {{L"-error", L""}, 1641},
    };
    for (const Case& c : cases) {
        for (const Policy& policy : policies) {
            FreshRun();
            std::vector<std::wstring> options = policy.options;
            options.insert(options.end(), c.options.begin(), c.options.end());
            SetToolArguments(options);
            const std::string label =
                winsim::ToUtf8(c.logName) + " " + std::to_string(policy.exitCode);
            EXPECT_EQ(policy.exitCode, RunServiceCommand()) << label;
            EXPECT_EQ(c.lines, ToolLines()) << label;
            EXPECT_TRUE(winsim::FileExists(LogFilePath(c.logName))) << label;
        }
    }
}

TEST_F(ServiceOptionsTest, ErrorPolicyBehindARefusedElementIsNotRead) {
    struct Case {
        std::vector<std::wstring> options;
        int exitCode;
        std::wstring logName;
    } cases[] = {
        {{L"-S", L"svc", L"-error", L"ERROR_SUCCESS"}, 1641, L"vqsvc"},
        {{L"-s", L"svc", L"-x", L"y", L"-error", L"ERROR_SUCCESS"}, 1641, L"vqsvc_svc"},
        {{L"-error", L"ERROR_SUCCESS", L"-s", L"svc", L"-x"}, 0, L"vqsvc_svc"},
        {{L"-s", std::wstring(300, L'n'), L"-x", L"y"}, 1641, L"vqsvc"},
    };
    for (const Case& c : cases) {
        FreshRun();
        SetToolArguments(c.options);
        EXPECT_EQ(c.exitCode, RunServiceCommand());
        EXPECT_EQ(std::vector<std::string>{"ERROR CODE: 1001"}, ToolLines());
        EXPECT_TRUE(winsim::FileExists(LogFilePath(c.logName))) << winsim::ToUtf8(c.logName);
    }
}

TEST_F(ServiceOptionsTest, SuccessWritesNoLog) {
    const std::vector<std::vector<std::wstring>> runs = {
        {L"-s", L"svc", L"-t", L"stop"},
        {L"-s", L"svc", L"-t", L"remove"},
        {L"-s", L"svc", L"-t", L"install", L"-d", L"Disp", L"-p", kProgram},
        {L"-s", L"svc", L"-t", L"start"},
        {L"-s", L"svc", L"-t", L"stop"},
        {L"-s", L"svc", L"-t", L"remove"},
    };
    const std::vector<std::string> events = {"EVENT TYPE: STOP",    "EVENT TYPE: REMOVE",
                                             "EVENT TYPE: INSTALL", "EVENT TYPE: START",
                                             "EVENT TYPE: STOP",    "EVENT TYPE: REMOVE"};
    for (size_t i = 0; i < runs.size(); ++i) {
        ClearPendingLog();
        ZeroMemory(&ServiceToolOptions, sizeof(ServiceToolOptions));
        SetToolArguments(runs[i]);
        EXPECT_EQ(0, RunServiceCommand()) << i;
        EXPECT_EQ(std::vector<std::string>{events[i]}, ToolLines()) << i;
    }
    EXPECT_FALSE(winsim::FindService(L"svc").has_value());
    EXPECT_FALSE(winsim::FileExists(L"C:\\Users\\tester\\AppData\\Roaming\\Velmar"));
}

// The log file of a failed wait: the frame's lines around the tool's two, and a stop time 30
// virtual seconds after the start.
TEST_F(ServiceOptionsTest, LogFileOfATimedOutStart) {
    winsim::AddService({L"svc", L"Disp", SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START,
                        SERVICE_ERROR_IGNORE, kProgram});
    winsim::ScriptService(L"svc", {winsim::kAlways});
    SetToolArguments({L"-s", L"svc", L"-t", L"start"});
    EXPECT_EQ(1641, RunServiceCommand());
    const std::vector<std::string> expected = {
        "=== Logging started: 2026/03/14 15:09:26.535 ===",
        "",
        "OS Version:6.2",
        "Architecture:9",
        "LangID:409",
        "EVENT TYPE: START",
        "ERROR CODE: 4002",
        "",
        "=== Logging stopped: 2026/03/14 15:09:56.535 ===",
        "",
    };
    EXPECT_EQ(expected, SplitCrLf(ReadLog(L"vqsvc_svc")));
}

} // namespace

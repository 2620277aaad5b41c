#include <gtest/gtest.h>
#include <winsim/control.h>
#include <winsim/services.h>

#include <functional>

#include "log.h"
#include "logtest.h"
#include "service.h"

namespace {

const wchar_t kProgram[] = L"C:\\Program Files\\Velmar\\vqsmsvc.exe";
const wchar_t kName[] = L"VqSmSvc";

void FreshMachine() {
    winsim::Reset();
    ClearPendingLog();
    ZeroMemory(&ServiceToolOptions, sizeof(ServiceToolOptions));
    winsim::WriteFileBytes(kProgram, "MZ");
}

void UseOptions(const std::vector<std::wstring>& options) {
    std::vector<std::wstring> arguments{L"vqservice6.exe"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    winsim::SetArguments(arguments);
    ASSERT_EQ(1, ParseServiceOptions());
    ClearPendingLog(); // the tests look at the operations' lines only
}

void AddInstalled(DWORD state) {
    winsim::ServiceEntry entry;
    entry.name = kName;
    entry.displayName = L"Old display";
    entry.binaryPath = L"C:\\Old\\old.exe";
    entry.startType = SERVICE_DEMAND_START;
    entry.description = L"old";
    entry.state = state;
    winsim::AddService(entry);
}

// The stand-in calls of the service interface and the waits, in order.
std::vector<std::string> ServiceCalls() {
    static const char* const watched[] = {
        "FindFirstFileW", "FindClose",          "OpenSCManagerW",        "OpenServiceW",
        "CreateServiceW", "DeleteService",      "ChangeServiceConfig2W", "StartServiceW",
        "ControlService", "QueryServiceStatus", "CloseServiceHandle",    "Sleep"};
    std::vector<std::string> calls;
    for (const std::string& call : winsim::CallLog()) {
        for (const char* name : watched) {
            if (call == name) {
                calls.push_back(call);
            }
        }
    }
    return calls;
}

void ExpectHandlesClosed(const std::vector<std::string>& closes, const std::string& label) {
    EXPECT_EQ(closes, winsim::ServiceHandleCloses()) << label;
    EXPECT_EQ(0, winsim::LiveCount("schandle")) << label;
    EXPECT_EQ(0, winsim::LiveCount("find")) << label;
}

class ServiceControlTest : public testing::Test {
  protected:
    void SetUp() override { FreshMachine(); }
};

TEST_F(ServiceControlTest, InstallCreatesTheServiceAsConfigured) {
    winsim::AddService({L"RpcSs", L"", SERVICE_WIN32_SHARE_PROCESS, SERVICE_AUTO_START,
                        SERVICE_ERROR_NORMAL, L"C:\\Windows\\System32\\svchost.exe"});
    winsim::SetServiceState(L"RpcSs", SERVICE_RUNNING);
    const std::wstring path = std::wstring(kProgram) + L" -service \"two words\"";
    UseOptions({L"-s", kName, L"-t", L"install", L"-d", L"Status monitor", L"-p", path, L"-i",
                L"Watches the printers", L"-c", L"LongerDependencyName", L"-c", L"RpcSs"});
    EXPECT_EQ(0, RunServiceCommand());
    const std::optional<winsim::ServiceEntry> entry = winsim::FindService(kName);
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(L"Status monitor", entry->displayName);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS), entry->type);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_AUTO_START), entry->startType);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_ERROR_IGNORE), entry->errorControl);
    EXPECT_EQ(path, entry->binaryPath);
    EXPECT_EQ(std::vector<std::wstring>{L"RpcSs"}, entry->dependencies);
    EXPECT_EQ(L"LocalSystem", entry->account);
    EXPECT_EQ(std::optional<std::wstring>(L"Watches the printers"), entry->description);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), entry->state);
}

TEST_F(ServiceControlTest, InstallWithoutOptionalValues) {
    UseOptions({L"-s", kName, L"-t", L"install", L"-d", L"Disp", L"-p", kProgram});
    EXPECT_EQ(0, RunServiceCommand());
    const std::optional<winsim::ServiceEntry> entry = winsim::FindService(kName);
    ASSERT_TRUE(entry.has_value());
    EXPECT_TRUE(entry->dependencies.empty());
    EXPECT_FALSE(entry->description.has_value());
}

// Install over a running service: stop, delete, create from the options, start; one pause in
// each wait.
TEST_F(ServiceControlTest, InstallOverAnExistingService) {
    AddInstalled(SERVICE_RUNNING);
    UseOptions({L"-s", kName, L"-t", L"install", L"-d", L"Disp", L"-p", kProgram});
    winsim::ClearCallLog();
    EXPECT_EQ(0, RunServiceCommand());
    const std::vector<std::string> expected = {
        "FindFirstFileW", "FindClose",
        // present?
        "OpenSCManagerW", "OpenServiceW", "CloseServiceHandle", "CloseServiceHandle",
        // stop
        "OpenSCManagerW", "OpenServiceW", "QueryServiceStatus", "ControlService", "Sleep",
        "QueryServiceStatus", "CloseServiceHandle", "CloseServiceHandle",
        // delete
        "OpenSCManagerW", "OpenServiceW", "DeleteService", "CloseServiceHandle",
        "CloseServiceHandle",
        // create
        "OpenSCManagerW", "OpenServiceW", "CreateServiceW", "ChangeServiceConfig2W",
        "CloseServiceHandle", "CloseServiceHandle",
        // start
        "OpenSCManagerW", "OpenServiceW", "QueryServiceStatus", "StartServiceW", "Sleep",
        "QueryServiceStatus", "CloseServiceHandle", "CloseServiceHandle"};
    EXPECT_EQ(expected, ServiceCalls());
    const std::optional<winsim::ServiceEntry> entry = winsim::FindService(kName);
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(L"Disp", entry->displayName);
    EXPECT_EQ(kProgram, entry->binaryPath);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), entry->state);
    EXPECT_EQ(2000u, winsim::ElapsedMilliseconds());
    ExpectHandlesClosed({"service", "manager", "service", "manager", "service", "manager",
                         "service", "manager", "service", "manager"},
                        "install");
}

// The first failing operation ends each command; nothing after it touches the service.
TEST_F(ServiceControlTest, FirstFailingOperationEndsTheCommand) {
    struct Case {
        const char* label;
        std::vector<std::wstring> options;
        std::function<void()> arrange;
        std::vector<std::string> lines;
        std::vector<std::string> neverCalled;
        DWORD stateAfter; // 0: no longer installed
    } cases[] = {
        {"install, program missing",
         {L"-t", L"install", L"-d", L"Disp", L"-p", L"C:\\Missing\\x.exe"},
         [] { AddInstalled(SERVICE_RUNNING); },
         {"EVENT TYPE: INSTALL", "ERROR CODE: 2003"},
         {"OpenSCManagerW"},
         SERVICE_RUNNING},
        {"install, stop refused",
         {L"-t", L"install", L"-d", L"Disp", L"-p", kProgram},
         [] {
             AddInstalled(SERVICE_RUNNING);
             winsim::ScriptService(kName, {0, 0, 0, SERVICE_RUNNING, winsim::kAlways});
         },
         {"EVENT TYPE: INSTALL", "ERROR CODE: 5002"},
         {"DeleteService", "CreateServiceW"},
         SERVICE_RUNNING},
        {"install, deletion fails",
         {L"-t", L"install", L"-d", L"Disp", L"-p", kProgram},
         [] {
             AddInstalled(SERVICE_STOPPED);
             winsim::FailCall("DeleteService", 1, FALSE, ERROR_ACCESS_DENIED);
         },
         {"EVENT TYPE: INSTALL", "ERROR CODE: 3001 (0x00000005)"},
         {"CreateServiceW"},
         SERVICE_STOPPED},
        {"install, creation fails",
         {L"-t", L"install", L"-d", L"Disp", L"-p", kProgram},
         [] { winsim::FailCall("CreateServiceW", 1, 0, ERROR_INVALID_PARAMETER); },
         {"EVENT TYPE: INSTALL", "ERROR CODE: 2004 (0x00000057)"},
         {"StartServiceW"},
         0},
        {"install, start never completes",
         {L"-t", L"install", L"-d", L"Disp", L"-p", kProgram},
         [] {
             winsim::ScriptService(kName, {0, 0, winsim::kNever});
         },
         {"EVENT TYPE: INSTALL", "ERROR CODE: 4002"},
         {},
         SERVICE_START_PENDING},
        {"remove, stop refused",
         {L"-t", L"remove"},
         [] {
             AddInstalled(SERVICE_RUNNING);
             winsim::ScriptService(kName, {0, 0, 0, SERVICE_RUNNING, winsim::kAlways});
         },
         {"EVENT TYPE: REMOVE", "ERROR CODE: 5002"},
         {"DeleteService"},
         SERVICE_RUNNING},
        {"remove, deletion fails",
         {L"-t", L"remove"},
         [] {
             AddInstalled(SERVICE_RUNNING);
             winsim::FailCall("DeleteService", 1, FALSE, ERROR_ACCESS_DENIED);
         },
         {"EVENT TYPE: REMOVE", "ERROR CODE: 3001 (0x00000005)"},
         {},
         SERVICE_STOPPED},
    };
    for (const Case& c : cases) {
        FreshMachine();
        std::vector<std::wstring> options{L"-s", kName};
        options.insert(options.end(), c.options.begin(), c.options.end());
        UseOptions(options);
        c.arrange();
        winsim::ClearCallLog();
        EXPECT_EQ(1641, RunServiceCommand()) << c.label;
        EXPECT_EQ(c.lines, ToolLines()) << c.label;
        for (const std::string& call : c.neverCalled) {
            EXPECT_EQ(0u, winsim::CallCount(call.c_str())) << c.label << ": " << call;
        }
        EXPECT_EQ(c.stateAfter, winsim::ServiceState(kName)) << c.label;
        EXPECT_EQ(0, winsim::LiveCount("schandle")) << c.label;
    }
}

// A manager that cannot be opened for the presence test counts as "present": the stop and the
// deletion then find nothing to do, and the install goes on.
TEST_F(ServiceControlTest, InstallGoesOnWhenThePresenceIsUnknown) {
    UseOptions({L"-s", kName, L"-t", L"install", L"-d", L"Disp", L"-p", kProgram});
    winsim::FailCall("OpenSCManagerW", 1, 0, ERROR_ACCESS_DENIED);
    EXPECT_EQ(0, RunServiceCommand());
    EXPECT_EQ(5u, winsim::CallCount("OpenSCManagerW")); // presence, stop, delete, create, start
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), winsim::ServiceState(kName));
}

// Each step code of the operations with its exact line, its result and the handles it closed.
TEST_F(ServiceControlTest, StepCodes) {
    const std::vector<std::string> both = {"service", "manager"};
    const std::vector<std::string> managerOnly = {"manager"};
    const std::vector<std::string> none = {};
    struct Case {
        const char* label;
        std::function<void()> arrange;
        int (*operation)();
        int result;
        std::string line;
        std::vector<std::string> closes;
    } cases[] = {
        {"2001",
         [] {
             UseOptions({L"-s", kName, L"-p", L"C:\\Velmar\\svc"});
         },
         CheckServiceBinary, 1641, "ERROR CODE: 2001", none},
        {"2002 dotted folder",
         [] {
             winsim::WriteFileBytes(L"C:\\Vel.mar\\svc.exe", "MZ");
             UseOptions({L"-s", kName, L"-p", L"C:\\Vel.mar\\svc.exe"});
         },
         CheckServiceBinary, 1641, "ERROR CODE: 2002", none},
        {"2002 upper-case extension",
         [] {
             winsim::WriteFileBytes(L"C:\\Velmar\\svc.EXE", "MZ");
             UseOptions({L"-s", kName, L"-p", L"C:\\Velmar\\svc.EXE"});
         },
         CheckServiceBinary, 1641, "ERROR CODE: 2002", none},
        {"2002 other extension",
         [] {
             UseOptions({L"-s", kName, L"-p", L"C:\\Velmar\\svc.ex"});
         },
         CheckServiceBinary, 1641, "ERROR CODE: 2002", none},
        {"2003 quoted",
         [] {
             UseOptions({L"-s", kName, L"-p", L"\"C:\\Program Files\\Velmar\\vqsmsvc.exe\""});
         },
         CheckServiceBinary, 1641, "ERROR CODE: 2003", none},
        {"2003 missing",
         [] {
             UseOptions({L"-s", kName, L"-p", L"C:\\Velmar\\none.exe -x"});
         },
         CheckServiceBinary, 1641, "ERROR CODE: 2003", none},
        {"program with arguments",
         [] {
             UseOptions({L"-s", kName, L"-p", std::wstring(kProgram) + L" -x.log"});
         },
         CheckServiceBinary, 0, "", none},
        {"2004",
         [] {
             UseOptions({L"-s", kName, L"-d", L"Disp", L"-p", kProgram});
             winsim::FailCall("CreateServiceW", 1, 0, ERROR_SERVICE_MARKED_FOR_DELETE);
         },
         CreateServiceEntry, 1641, "ERROR CODE: 2004 (0x00000430)", managerOnly},
        {"2005",
         [] {
             AddInstalled(SERVICE_STOPPED);
             UseOptions({L"-s", kName, L"-d", L"Disp", L"-p", kProgram});
             SetLastError(0x12);
         },
         CreateServiceEntry, 1641, "ERROR CODE: 2005 (0x00000012)", both},
        {"2006",
         [] {
             UseOptions({L"-s", kName});
             winsim::FailCall("OpenSCManagerW", 1, 0, ERROR_ACCESS_DENIED);
         },
         CreateServiceEntry, 1641, "ERROR CODE: 2006 (0x00000005)", none},
        {"3001",
         [] {
             AddInstalled(SERVICE_STOPPED);
             UseOptions({L"-s", kName});
             winsim::FailCall("DeleteService", 1, FALSE, ERROR_SERVICE_MARKED_FOR_DELETE);
         },
         DeleteServiceEntry, 1641, "ERROR CODE: 3001 (0x00000430)", both},
        {"3002",
         [] {
             UseOptions({L"-s", kName});
             winsim::FailCall("OpenServiceW", 1, 0, ERROR_ACCESS_DENIED);
         },
         DeleteServiceEntry, 1641, "ERROR CODE: 3002 (0x00000005)", managerOnly},
        {"delete missing",
         [] {
             UseOptions({L"-s", kName});
         },
         DeleteServiceEntry, 0, "", managerOnly},
        {"3003",
         [] {
             UseOptions({L"-s", kName});
             winsim::FailCall("OpenSCManagerW", 1, 0, ERROR_ACCESS_DENIED);
         },
         DeleteServiceEntry, 1641, "ERROR CODE: 3003 (0x00000005)", none},
        {"4001",
         [] {
             AddInstalled(SERVICE_STOPPED);
             UseOptions({L"-s", kName});
             winsim::FailCall("QueryServiceStatus", 2, FALSE, ERROR_INVALID_HANDLE);
         },
         StartServiceAndWait, 1641, "ERROR CODE: 4001 (0x00000006)", both},
        {"4002",
         [] {
             AddInstalled(SERVICE_STOPPED);
             UseOptions({L"-s", kName});
             winsim::ScriptService(kName, {winsim::kAlways});
         },
         StartServiceAndWait, 1641, "ERROR CODE: 4002", both},
        {"4003",
         [] {
             UseOptions({L"-s", kName});
         },
         StartServiceAndWait, 1641, "ERROR CODE: 4003 (0x00000424)", managerOnly},
        {"4004",
         [] {
             UseOptions({L"-s", kName});
             winsim::FailCall("OpenSCManagerW", 1, 0, ERROR_ACCESS_DENIED);
         },
         StartServiceAndWait, 1641, "ERROR CODE: 4004 (0x00000005)", none},
        {"5001",
         [] {
             AddInstalled(SERVICE_RUNNING);
             UseOptions({L"-s", kName});
             winsim::FailCall("QueryServiceStatus", 1, FALSE, ERROR_ACCESS_DENIED);
         },
         StopServiceAndWait, 1641, "ERROR CODE: 5001 (0x00000005)", both},
        {"5002",
         [] {
             AddInstalled(SERVICE_RUNNING);
             UseOptions({L"-s", kName});
             winsim::ScriptService(kName, {0, 0, 0, SERVICE_RUNNING, 0, 0, winsim::kNever});
         },
         StopServiceAndWait, 1641, "ERROR CODE: 5002", both},
        {"5003",
         [] {
             UseOptions({L"-s", kName});
             winsim::FailCall("OpenServiceW", 1, 0, ERROR_INVALID_NAME);
         },
         StopServiceAndWait, 1641, "ERROR CODE: 5003 (0x0000007b)", managerOnly},
        {"stop missing",
         [] {
             UseOptions({L"-s", kName});
         },
         StopServiceAndWait, 0, "", managerOnly},
        {"5004",
         [] {
             UseOptions({L"-s", kName});
             winsim::FailCall("OpenSCManagerW", 1, 0, ERROR_ACCESS_DENIED);
         },
         StopServiceAndWait, 1641, "ERROR CODE: 5004 (0x00000005)", none},
    };
    for (const Case& c : cases) {
        FreshMachine();
        c.arrange();
        EXPECT_EQ(c.result, c.operation()) << c.label;
        const std::vector<std::string> lines =
            c.line.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.line};
        EXPECT_EQ(lines, ToolLines()) << c.label;
        ExpectHandlesClosed(c.closes, c.label);
    }
}

struct WaitCase {
    const char* label;
    DWORD initialState;
    winsim::ServiceScript script;
    int result;
    unsigned polls;    // status queries
    unsigned requests; // start or stop requests sent
    unsigned pauses;
    DWORD stateAfter;
};

void ExpectWait(const WaitCase& c, int (*operation)(), bool start) {
    FreshMachine();
    AddInstalled(c.initialState);
    winsim::ScriptService(kName, c.script);
    UseOptions({L"-s", kName});
    winsim::ClearCallLog();
    EXPECT_EQ(c.result, operation()) << c.label;
    const winsim::ServiceCounters counters = winsim::ServiceCountersOf(kName);
    EXPECT_EQ(c.polls, counters.statusQueries) << c.label;
    EXPECT_EQ(c.requests, start ? counters.startRequests : counters.stopRequests) << c.label;
    // Only the pauses take time.
    EXPECT_EQ(c.pauses, winsim::CallCount("Sleep")) << c.label;
    EXPECT_EQ(c.pauses * 1000ull, winsim::ElapsedMilliseconds()) << c.label;
    EXPECT_EQ(c.stateAfter, winsim::ServiceState(kName)) << c.label;
    ExpectHandlesClosed({"service", "manager"}, c.label);
}

TEST_F(ServiceControlTest, StartWaits) {
    using winsim::kAlways;
    using winsim::kNever;
    // A pause follows every poll that does not end the wait: reaching the state at poll k
    // costs k - 1 pauses.
    const WaitCase cases[] = {
        {"already running", SERVICE_RUNNING, {}, 0, 1, 0, 0, SERVICE_RUNNING},
        {"running at poll 2", SERVICE_STOPPED, {}, 0, 2, 1, 1, SERVICE_RUNNING},
        {"running at poll 7", SERVICE_STOPPED, {0, 0, 6000}, 0, 7, 1, 6, SERVICE_RUNNING},
        {"running at the last poll", SERVICE_STOPPED, {0, 0, 29000}, 0, 30, 1, 29, SERVICE_RUNNING},
        {"running only during the last pause",
         SERVICE_STOPPED,
         {0, 0, 29500},
         1641,
         30,
         1,
         30,
         SERVICE_RUNNING},
        {"never running", SERVICE_STOPPED, {0, 0, kNever}, 1641, 30, 1, 30, SERVICE_START_PENDING},
        {"every request refused", SERVICE_STOPPED, {kAlways}, 1641, 30, 30, 30, SERVICE_STOPPED},
        {"three refusals", SERVICE_STOPPED, {3}, 0, 5, 4, 4, SERVICE_RUNNING},
        // An accepted request is never repeated, even when the program ends while starting.
        {"ends while starting",
         SERVICE_STOPPED,
         {0, 0, 2000, SERVICE_STOPPED},
         1641,
         30,
         1,
         30,
         SERVICE_STOPPED},
    };
    for (const WaitCase& c : cases) {
        ExpectWait(c, StartServiceAndWait, true);
    }
}

TEST_F(ServiceControlTest, StopWaits) {
    using winsim::kAlways;
    using winsim::kNever;
    const DWORD running = SERVICE_RUNNING;
    const WaitCase cases[] = {
        {"already stopped", SERVICE_STOPPED, {}, 0, 1, 0, 0, SERVICE_STOPPED},
        {"stopped at poll 2", running, {}, 0, 2, 1, 1, SERVICE_STOPPED},
        {"stopped at poll 4", running, {0, 0, 0, running, 0, 0, 3000}, 0, 4, 1, 3, SERVICE_STOPPED},
        {"stopped only during the last pause",
         running,
         {0, 0, 0, running, 0, 0, 29500},
         1641,
         30,
         1,
         30,
         SERVICE_STOPPED},
        {"never stopping",
         running,
         {0, 0, 0, running, 0, 0, kNever},
         1641,
         30,
         1,
         30,
         SERVICE_STOP_PENDING},
        {"every request refused", running, {0, 0, 0, running, kAlways}, 1641, 30, 30, 30, running},
        // The last poll's own request reports the stop: no further query is needed.
        {"stopped by the last poll's request",
         running,
         {0, 0, 0, running, 29},
         0,
         30,
         30,
         30,
         SERVICE_STOPPED},
    };
    for (const WaitCase& c : cases) {
        ExpectWait(c, StopServiceAndWait, false);
    }
}

} // namespace

// Firewall exception removal against the firewall-manager double: Wine's own manager answers
// Remove with S_OK and removes nothing, so the double records what was removed.
#include <gtest/gtest.h>

#include <objbase.h>

#include "cleanup.h"
#include "cleanuptest.h"
#include "fwdouble.h"

namespace {

const std::wstring App = L"C:\\Prog\\App", RunExe = App + L"\\bin\\run.exe",
                   AgentExe = App + L"\\agent.exe";
const std::string TwoEntries = "Num=2 filename0=bin\\run.exe filename1=agent.exe";

class FirewallTest : public testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(FwDoubleRegister(BuildDir() + FwDoubleBelowBuild)); }
    void TearDown() override { FwDoubleRestore(); }
};

TEST_F(FirewallTest, RemovesEachEntryBelowTheInstallFolder) {
    const std::wstring longFolder = L"C:\\" + std::wstring(250, L'a');
    // clang-format off
    const struct {
        const wchar_t* installFolder; // null: no product key
        std::string entries;
        const char* outcome;
        std::vector<std::wstring> removed;
    } cases[] = {
        {App.c_str(), "Num=3 filename0=bin\\run.exe filename2=agent.exe", "0 1002",
         {RunExe, AgentExe}},
        // 253 + 6 characters fit; the longer entry would be cut and is never handed on.
        {longFolder.c_str(), "Num=2 filename0=bin\\run.exe filename1=r.exe", "0 1003",
         {longFolder + L"\\r.exe"}},
        // Without the product key, reading the install folder would log 1001.
        {nullptr, "filename0=run.exe", "1", {}},
        {nullptr, "Num=0 filename0=run.exe", "1", {}},
        {nullptr, TwoEntries, "0 1001", {}},
        // An empty folder would root the entry at the current drive, another program's path.
        {L"", "Num=1 filename0=bin\\mon.exe", "0 1001", {}},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entries);
        UseProduct("[AddExceptionListApp] " + c.entries,
                   c.installFolder ? L"InstallLocation" : nullptr,
                   c.installFolder ? c.installFolder : L"");
        EXPECT_EQ(c.outcome, Outcome(RemoveFirewallExceptions()));
        EXPECT_EQ(c.removed, FwDoubleReadList(L"Removed"));
        FwDoubleReset();
    }
}

// Each call of the chain is judged by its sign; a failure ends the first entry only, and the
// thread leaves each removal without an apartment. A caller already in the multithreaded
// apartment keeps it: the removal's own initialisation fails with RPC_E_CHANGED_MODE, is not
// undone, and the removal still happens.
TEST_F(FirewallTest, JudgesEachCallBySignAndKeepsTheCallersApartment) {
    UseProduct("[AddExceptionListApp] " + TwoEntries, L"InstallLocation", App);
    // clang-format off
    const struct {
        const wchar_t* call; // null: no failure, in the caller's multithreaded apartment
        HRESULT answer;
    } cases[] = {{L"CoCreateInstance", REGDB_E_CLASSNOTREG}, {L"get_LocalPolicy", E_ACCESSDENIED},
                 {L"get_CurrentProfile", E_FAIL}, {L"get_AuthorizedApplications", E_OUTOFMEMORY},
                 {L"Remove", E_ACCESSDENIED}, {L"get_LocalPolicy", S_FALSE}, {L"Remove", S_FALSE},
                 {nullptr, S_OK}};
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << (c.call ? c.call : L"MTA") << " " << std::hex << c.answer);
        const bool goesAhead = SUCCEEDED(c.answer);
        FwDoubleReset();
        if (c.call != nullptr) {
            FwDoubleFailAt(c.call, c.answer);
        } else {
            ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        }
        EXPECT_EQ(goesAhead ? "1" : "0 1003", Outcome(RemoveFirewallExceptions()));
        const std::vector<std::wstring> removed = {RunExe, AgentExe};
        EXPECT_EQ(goesAhead ? removed : std::vector<std::wstring>{AgentExe},
                  FwDoubleReadList(L"Removed"));
        // Every interface the double handed out was released (it may already be unloaded).
        if (HMODULE module = GetModuleHandleW(L"fwdouble.dll")) {
            EXPECT_EQ(S_OK, reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(reinterpret_cast<void*>(
                                GetProcAddress(module, "DllCanUnloadNow")))());
        }
        // A thread still in the removal's apartment would refuse the other kind.
        EXPECT_EQ(c.call ? S_OK : S_FALSE, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        CoUninitialize();
        if (c.call == nullptr) {
            CoUninitialize();
        }
    }
}

} // namespace

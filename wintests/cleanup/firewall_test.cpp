// Firewall exception removal against the firewall-manager double: Wine's own manager answers
// Remove with S_OK and removes nothing (todo_wine), so the double records what was removed.
#include <gtest/gtest.h>

#include <objbase.h>

#include <string>
#include <vector>

#include "cleanup.h"
#include "cleanuptest.h"
#include "fwdouble.h"

namespace {

const wchar_t ProductId[] = L"FW-TEST-0001";
const std::wstring App = L"C:\\Prog\\App", RunExe = App + L"\\bin\\run.exe",
                   AgentExe = App + L"\\agent.exe";
const std::string TwoEntries = "Num=2\r\nfilename0=bin\\run.exe\r\nfilename1=agent.exe\r\n";

class FirewallTest : public testing::Test {
  protected:
    void SetUp() override {
        folder = FreshTestFolder();
        ASSERT_TRUE(FwDoubleRegister(BuildDir() + FwDoubleBelowBuild));
        FwDoubleSeed({RunExe, L"C:\\Other.exe"});
        ClearHeldLog();
    }
    void TearDown() override {
        FwDoubleRestore();
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, UninstallKeyPath(ProductId).c_str());
    }
    // No install folder: no Uninstall key at all.
    void Settings(const std::string& entries, const std::wstring& installFolder) {
        UseSettings(folder, "[GUID]\r\nid=FW-TEST-0001\r\n[AddExceptionListApp]\r\n" + entries);
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, UninstallKeyPath(ProductId).c_str());
        if (!installFolder.empty()) {
            CreateMachineKey(UninstallKeyPath(ProductId), L"InstallLocation", installFolder);
        }
    }
    std::wstring folder;
};

// Every interface the double handed out was released (it may already be unloaded).
bool DoubleIdle() {
    HMODULE module = GetModuleHandleW(L"fwdouble.dll");
    if (module == nullptr) {
        return true;
    }
    auto canUnload = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
    return canUnload != nullptr && canUnload() == S_OK;
}

// The error line of `code`, or none for 0.
std::vector<std::string> Lines(int code) {
    return code ? std::vector<std::string>{"ERROR CODE: " + std::to_string(code)}
                : std::vector<std::string>{};
}

TEST_F(FirewallTest, RemovesEachEntryBelowTheInstallFolder) {
    const std::wstring longFolder = L"C:\\" + std::wstring(250, L'a'), slashed = App + L"\\";
    const std::string gap = "Num=3\r\nfilename0=bin\\run.exe\r\nfilename2=agent.exe\r\n";
    const std::string one = "filename0=run.exe\r\n";
    const std::string tooLong = "Num=2\r\nfilename0=bin\\run.exe\r\nfilename1=r.exe\r\n";
    struct Case {
        const char* name;
        std::wstring installFolder; // empty: no Uninstall key
        std::string entries;
        int result, code;
        std::vector<std::wstring> removed;
    } cases[] = {{"two entries", App, TwoEntries, 1, 0, {RunExe, AgentExe}},
                 {"middle entry missing", App, gap, 0, 1002, {RunExe, AgentExe}},
                 {"trailing backslash", slashed, "Num=1\r\n" + one, 1, 0, {slashed + L"\\run.exe"}},
                 // 253 + 6 characters fit; the longer entry would be cut and is never handed on.
                 {"path too long", longFolder, tooLong, 0, 1003, {longFolder + L"\\r.exe"}},
                 // Without the Uninstall key, reading the install folder would log 1001.
                 {"no Num", L"", one, 1, 0, {}},
                 {"Num 0", L"", "Num=0\r\n" + one, 1, 0, {}},
                 {"Num negative", L"", "Num=-2\r\n" + one, 1, 0, {}},
                 {"Num not a number", L"", "Num=two\r\n" + one, 1, 0, {}},
                 {"no Uninstall key", L"", TwoEntries, 0, 1001, {}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FwDoubleSeed({});
        ClearHeldLog();
        Settings(c.entries, c.installFolder);
        EXPECT_EQ(c.result, RemoveFirewallExceptions());
        EXPECT_EQ(Lines(c.code), HeldLines());
        EXPECT_EQ(c.removed, FwDoubleRemoved());
    }
}

// One call of the chain answers as planned for the first entry only; the second entry is
// always tried, and the thread leaves each removal without an apartment.
TEST_F(FirewallTest, JudgesEachCallOfTheChainBySign) {
    struct Case {
        const wchar_t* failAt;
        HRESULT failResult;
        int result;
        std::vector<std::wstring> removed;
    } cases[] = {{L"CoCreateInstance", REGDB_E_CLASSNOTREG, 0, {AgentExe}},
                 {L"get_LocalPolicy", E_ACCESSDENIED, 0, {AgentExe}},
                 {L"get_CurrentProfile", E_FAIL, 0, {AgentExe}},
                 {L"get_AuthorizedApplications", E_OUTOFMEMORY, 0, {AgentExe}},
                 {L"Remove", E_ACCESSDENIED, 0, {AgentExe}},
                 {L"get_LocalPolicy", S_FALSE, 1, {RunExe, AgentExe}},
                 {L"Remove", S_FALSE, 1, {RunExe, AgentExe}}};
    Settings(TwoEntries, App);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::string(c.failAt, c.failAt + wcslen(c.failAt)) << " "
                                        << std::hex << c.failResult);
        FwDoubleSeed({RunExe, AgentExe});
        FwDoubleFailAt(c.failAt, c.failResult);
        ClearHeldLog();
        EXPECT_EQ(c.result, RemoveFirewallExceptions());
        EXPECT_EQ(Lines(c.result ? 0 : 1003), HeldLines());
        EXPECT_EQ(c.removed, FwDoubleRemoved());
        EXPECT_TRUE(DoubleIdle());
        // A thread still in the removal's apartment would refuse the other kind.
        EXPECT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        CoUninitialize();
    }
}

// A caller already in the multithreaded apartment keeps it: the removal still happens and its
// initialisation is not undone.
TEST_F(FirewallTest, KeepsTheCallersApartment) {
    ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    EXPECT_EQ(1, RemoveFirewallAuthorizedApp(L"C:\\Other.exe"));
    EXPECT_EQ(std::vector<std::wstring>{L"C:\\Other.exe"}, FwDoubleRemoved());
    EXPECT_EQ(std::vector<std::wstring>{RunExe}, FwDoubleApps());
    EXPECT_TRUE(DoubleIdle());
    EXPECT_EQ(S_FALSE, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    CoUninitialize();
    CoUninitialize();
}

} // namespace

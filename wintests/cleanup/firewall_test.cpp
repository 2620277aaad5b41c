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

class FirewallTest : public testing::Test {
  protected:
    void SetUp() override {
        folder = FreshTestFolder();
        ASSERT_TRUE(FwDoubleRegister(BuildDir() + FwDoubleBelowBuild));
        FwDoubleSeed(
            {L"C:\\Prog\\App\\bin\\run.exe", L"C:\\Prog\\App\\agent.exe", L"C:\\Other.exe"});
        ClearHeldLog();
    }
    void TearDown() override {
        FwDoubleRestore();
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, UninstallKeyPath(ProductId).c_str());
    }
    void Settings(const std::string& entries, const std::wstring& installFolder) {
        UseSettings(folder, "[GUID]\r\nid=FW-TEST-0001\r\n[AddExceptionListApp]\r\n" + entries);
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

TEST_F(FirewallTest, RemovesEachEntryBelowTheInstallFolder) {
    const std::wstring longFolder = L"C:\\" + std::wstring(250, L'a');
    struct Case {
        const char* name;
        std::wstring installFolder;
        std::string entries;
        int result;
        std::vector<std::string> lines;
        std::vector<std::wstring> removed;
    } cases[] = {{"two entries",
                  L"C:\\Prog\\App",
                  "Num=2\r\nfilename0=bin\\run.exe\r\nfilename1=agent.exe\r\n",
                  1,
                  {},
                  {L"C:\\Prog\\App\\bin\\run.exe", L"C:\\Prog\\App\\agent.exe"}},
                 {"middle entry missing",
                  L"C:\\Prog\\App",
                  "Num=3\r\nfilename0=bin\\run.exe\r\nfilename2=agent.exe\r\n",
                  0,
                  {"ERROR CODE: 1002"},
                  {L"C:\\Prog\\App\\bin\\run.exe", L"C:\\Prog\\App\\agent.exe"}},
                 {"folder ending in a backslash",
                  L"C:\\Prog\\App\\",
                  "Num=1\r\nfilename0=run.exe\r\n",
                  1,
                  {},
                  {L"C:\\Prog\\App\\\\run.exe"}},
                 // 253 + 6 characters fit; the longer entry would be cut and is never handed on.
                 {"path too long",
                  longFolder,
                  "Num=2\r\nfilename0=bin\\run.exe\r\nfilename1=r.exe\r\n",
                  0,
                  {"ERROR CODE: 1003"},
                  {longFolder + L"\\r.exe"}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FwDoubleSeed({});
        ClearHeldLog();
        Settings(c.entries, c.installFolder);
        EXPECT_EQ(c.result, RemoveFirewallExceptions());
        EXPECT_EQ(c.lines, HeldLines());
        EXPECT_EQ(c.removed, FwDoubleRemoved());
    }
}

// One call of the chain answers as planned for the first entry only; the second entry is
// always tried, and the thread leaves each removal without an apartment.
TEST_F(FirewallTest, JudgesEachCallOfTheChainBySign) {
    const std::wstring second = L"C:\\Prog\\App\\agent.exe";
    const std::wstring first = L"C:\\Prog\\App\\bin\\run.exe";
    struct Case {
        const wchar_t* failAt;
        HRESULT failResult;
        int result;
        std::vector<std::wstring> removed;
    } cases[] = {{L"CoCreateInstance", REGDB_E_CLASSNOTREG, 0, {second}},
                 {L"get_LocalPolicy", E_ACCESSDENIED, 0, {second}},
                 {L"get_CurrentProfile", E_FAIL, 0, {second}},
                 {L"get_AuthorizedApplications", E_OUTOFMEMORY, 0, {second}},
                 {L"Remove", E_ACCESSDENIED, 0, {second}},
                 {L"get_LocalPolicy", S_FALSE, 1, {first, second}},
                 {L"Remove", S_FALSE, 1, {first, second}}};
    Settings("Num=2\r\nfilename0=bin\\run.exe\r\nfilename1=agent.exe\r\n", L"C:\\Prog\\App");
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::string(c.failAt, c.failAt + wcslen(c.failAt)) << " "
                                        << std::hex << c.failResult);
        FwDoubleSeed({first, second});
        FwDoubleFailAt(c.failAt, c.failResult);
        ClearHeldLog();
        EXPECT_EQ(c.result, RemoveFirewallExceptions());
        EXPECT_EQ(c.result ? std::vector<std::string>{}
                           : std::vector<std::string>{"ERROR CODE: 1003"},
                  HeldLines());
        EXPECT_EQ(c.removed, FwDoubleRemoved());
        EXPECT_TRUE(DoubleIdle());
        // A thread still in the removal's apartment would refuse the other kind.
        EXPECT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        CoUninitialize();
    }
}

TEST_F(FirewallTest, DoesNothingWithoutEntriesOrInstallFolder) {
    struct Case {
        const char* name;
        std::string entries;
        bool withKey;
        int result;
        std::vector<std::string> lines;
    } cases[] = {
        // Without the Uninstall key, reading the install folder would log 1001.
        {"no Num", "filename0=run.exe\r\n", false, 1, {}},
        {"Num 0", "Num=0\r\nfilename0=run.exe\r\n", false, 1, {}},
        {"Num negative", "Num=-2\r\nfilename0=run.exe\r\n", false, 1, {}},
        {"Num not a number", "Num=two\r\nfilename0=run.exe\r\n", false, 1, {}},
        {"no Uninstall key", "Num=1\r\nfilename0=run.exe\r\n", false, 0, {"ERROR CODE: 1001"}},
        {"no InstallLocation", "Num=1\r\nfilename0=run.exe\r\n", true, 0, {"ERROR CODE: 1001"}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ClearHeldLog();
        Settings(c.entries, L"");
        if (c.withKey) {
            CreateMachineKey(UninstallKeyPath(ProductId));
        }
        EXPECT_EQ(c.result, RemoveFirewallExceptions());
        EXPECT_EQ(c.lines, HeldLines());
        EXPECT_TRUE(FwDoubleRemoved().empty());
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, UninstallKeyPath(ProductId).c_str());
    }
}

// A caller already in the multithreaded apartment keeps it: the removal still happens and its
// initialisation is not undone.
TEST_F(FirewallTest, KeepsTheCallersApartment) {
    ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    EXPECT_EQ(1, RemoveFirewallAuthorizedApp(L"C:\\Other.exe"));
    EXPECT_EQ(std::vector<std::wstring>{L"C:\\Other.exe"}, FwDoubleRemoved());
    EXPECT_EQ(
        (std::vector<std::wstring>{L"C:\\Prog\\App\\bin\\run.exe", L"C:\\Prog\\App\\agent.exe"}),
        FwDoubleApps());
    EXPECT_TRUE(DoubleIdle());
    EXPECT_EQ(S_FALSE, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    CoUninitialize();
    CoUninitialize();
}

} // namespace

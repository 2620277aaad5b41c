// The key-list step and its key-tree deletion, on real keys in the test prefix.
#include <gtest/gtest.h>

#include "cleanup.h"
#include "cleanuptest.h"

namespace {

const std::wstring TestKey = L"SOFTWARE\\VelmarKeyListTest\\";
const std::string Hklm = "HKEY_LOCAL_MACHINE\\SOFTWARE\\VelmarKeyListTest\\";

class KeyListTest : public testing::Test {
  protected:
    void TearDown() override {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, TestKey.c_str());
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\VelmarKeyListTest");
        DeleteIfPresent(BesideProgram("kl.reg"));
    }
};

TEST_F(KeyListTest, ReadsTheCountedFileEntries) {
    // A value that fits, but not beside the program: the cut path names a real list file.
    const std::string cut(265 - BesideProgram("").size(), 'x');
    for (const std::string& name : {std::string("kl.reg"), cut.substr(0, cut.size() - 10)}) {
        WriteBytes(BesideProgram(name), "[" + Hklm + "A]\r\n");
    }
    const struct {
        std::string registry, outcome;
        bool deleted;
    } cases[] = {
        // Nothing counts: no count, a negative or non-numeric one, or "00000001" read as its
        // first 7 characters.
        {"File00=kl.reg", "1", false},
        {"FileNum=-3 File00=kl.reg", "1", false},
        {"FileNum=abc File00=kl.reg", "1", false},
        {"FileNum=00000001 File00=kl.reg", "1", false},
        // "+12x" counts 12; File00 to File09, then File10 on. Each entry goes on after a failure.
        {"FileNum=+12x File00=kl.reg File1=kl.reg File02=none.reg File10= File11=none.reg",
         "0 8002 8001 8002 8002 8002 8002 8002 8002 8002 8002 8001", true},
        {"FileNum=1 File00=" + cut, "0 8001", false},
    };
    for (const auto& c : cases) {
        UseProduct("[Registry] " + c.registry);
        CreateMachineKey(TestKey + L"A");
        EXPECT_EQ(c.outcome, Outcome(DeleteListedRegistryKeys())) << c.registry;
        EXPECT_EQ(c.deleted, !MachineKeyExists(TestKey + L"A")) << c.registry;
    }
    DeleteIfPresent(BesideProgram(cut.substr(0, cut.size() - 10)));
}

TEST_F(KeyListTest, DeletesTheNamedTreesOnly) {
    // Wine ignores key DACLs (one granting only KEY_READ still opens with KEY_ALL_ACCESS), so
    // the sub-key that cannot be deleted is one whose child's path does not fit.
    const std::wstring longName = L"Stuck\\A\\" + std::wstring(240, L'L');
    CreateMachineKey(TestKey + longName);
    for (const wchar_t* name : {L"Keep", L"A\\B\\C", L"A\\Other", L"A\\Other2", L"Listed",
                                L"Stuck\\Z", L"Vendor\\Sibling", L"Vendor\\]x", L"P\\Q"}) {
        CreateMachineKey(TestKey + name);
    }
    RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\VelmarKeyListTest\\U\\V", nullptr, REG_SZ, L"",
                    2);
    // Wine itself refuses a sub-key path that begins with a backslash (161), but opens the key
    // before a trailing or doubled one: such a header names no key.
    auto header = [](const std::string& text) { return "[" + text + "]\r\n"; };
    WriteBytes(BesideProgram("kl.reg"),
               "REGEDIT4\r\n\r\n" + header("HKLM\\SOFTWARE\\VelmarKeyListTest\\Keep") +
                   header("-" + Hklm + "Keep") +
                   header("hkey_local_machine\\SOFTWARE\\VelmarKeyListTest\\Keep") +
                   header("HKEY_LOCAL_MACHINE\\") + header("HKEY_LOCAL_MACHINE\\\\SOFTWARE") +
                   header(Hklm + "Vendor\\]x") + header(Hklm + "P\\\\") + header(Hklm + "A") +
                   "\"v\"=\"[" + Hklm + "Listed]\"\r\n" + header(Hklm + "A\\B") +
                   header(Hklm + "Stuck") + "[HKEY_CURRENT_USER\\Software\\VelmarKeyListTest\\U]");
    EXPECT_EQ(1, DeleteKeysFromKeyListFile(BesideProgram("kl.reg").c_str()));
    for (const std::wstring& kept :
         {TestKey + L"Keep", TestKey + L"Stuck\\Z", TestKey + longName,
          TestKey + L"Vendor\\Sibling", TestKey + L"Vendor\\]x", TestKey + L"P\\Q"}) {
        EXPECT_TRUE(MachineKeyExists(kept));
    }
    EXPECT_FALSE(MachineKeyExists(TestKey + L"A") || MachineKeyExists(TestKey + L"Listed"));
    HKEY key = nullptr;
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\VelmarKeyListTest\\U", 0,
                                           KEY_READ, &key));
    EXPECT_EQ(ERROR_ACCESS_DENIED, DeleteKeyTree(HKEY_LOCAL_MACHINE, (TestKey + L"Stuck").c_str()));
    // An empty path would name the key itself.
    ASSERT_EQ(
        0, RegOpenKeyExW(HKEY_LOCAL_MACHINE, (TestKey + L"Keep").c_str(), 0, KEY_ALL_ACCESS, &key));
    EXPECT_EQ(-1, DeleteKeyTree(key, L""));
    RegCloseKey(key);
    EXPECT_TRUE(MachineKeyExists(TestKey + L"Keep"));
}

} // namespace

#include <gtest/gtest.h>

#include "cleanup.h"
#include "cleanuptest.h"

namespace {

const std::wstring TestKey = L"SOFTWARE\\VelmarKeyListTest\\";
const std::string Hklm = "HKEY_LOCAL_MACHINE\\SOFTWARE\\VelmarKeyListTest\\";

std::wstring Beside(const std::string& name) {
    wchar_t folder[CleanupPathChars];
    GetProgramFolder(folder);
    return folder + std::wstring(name.begin(), name.end());
}

class KeyListTest : public testing::Test {
  protected:
    void TearDown() override {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, TestKey.c_str());
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\VelmarKeyListTest");
        DeleteIfPresent(Beside("kl.reg"));
    }
};

TEST_F(KeyListTest, ReadsTheCountedFileEntries) {
    // A value that fits, but not beside the program: the cut path names a real list file.
    const std::string cut(265 - Beside("").size(), 'x');
    WriteBytes(Beside("kl.reg"), "[" + Hklm + "A]\r\n");
    WriteBytes(Beside(cut.substr(0, cut.size() - 10)), "[" + Hklm + "A]\r\n");
    const struct {
        std::string registry, codes;
        int result;
        bool deleted;
    } cases[] = {
        {"", "", 1, false},
        {"FileNum=\r\nFile00=kl.reg", "", 1, false},
        {"FileNum=-3\r\nFile00=kl.reg", "", 1, false},
        {"FileNum=abc\r\nFile00=kl.reg", "", 1, false},
        {"FileNum=00000001\r\nFile00=kl.reg", "", 1, false}, // 7 characters: "0000000"
        {"FileNum=3\r\nFile00=kl.reg\r\nFile1=kl.reg\r\nFile02=none.reg", "8002 8001 ", 0, true},
        {"FileNum=+12x\r\nFile09=none.reg\r\nFile10=\r\nFile11=kl.reg\r\nFile12=none.reg",
         "8002 8002 8002 8002 8002 8002 8002 8002 8002 8001 8002 ", 0, true},
        {"FileNum=1\r\nFile00=" + cut, "8001 ", 0, false},
    };
    const std::wstring folder = FreshTestFolder();
    for (const auto& c : cases) {
        CreateMachineKey(TestKey + L"A");
        UseSettings(folder, "[Registry]\r\n" + c.registry + "\r\n");
        ClearHeldLog();
        EXPECT_EQ(c.result, DeleteListedRegistryKeys()) << c.registry;
        std::string codes;
        for (const std::string& line : HeldLines()) {
            codes += line.substr(line.rfind("ERROR CODE: ", 0) == 0 ? 12 : 0) + " ";
        }
        EXPECT_EQ(c.codes, codes) << c.registry;
        EXPECT_EQ(c.deleted, !MachineKeyExists(TestKey + L"A")) << c.registry;
    }
    DeleteIfPresent(Beside(cut.substr(0, cut.size() - 10)));
}

TEST_F(KeyListTest, DeletesTheNamedTreesOnly) {
    // Wine ignores key DACLs (one granting only KEY_READ still opens with KEY_ALL_ACCESS), so
    // the sub-key that cannot be deleted is one whose child's path does not fit.
    const std::wstring longName = L"Stuck\\A\\" + std::wstring(240, L'L');
    for (const std::wstring& key : {std::wstring(L"Keep"), std::wstring(L"A\\B\\C"),
                                    std::wstring(L"A\\Other"), std::wstring(L"A\\Other2"),
                                    std::wstring(L"Listed"), std::wstring(L"Stuck\\Z"), longName}) {
        CreateMachineKey(TestKey + key);
    }
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\VelmarKeyListTest\\U\\V", 0, nullptr, 0,
                    KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegCloseKey(key);
    // Wine itself refuses a sub-key path that begins with a backslash (161).
    auto header = [](const std::string& text) { return "[" + text + "]\r\n"; };
    WriteBytes(Beside("kl.reg"),
               "REGEDIT4\r\n\r\n" + header("HKLM\\SOFTWARE\\VelmarKeyListTest\\Keep") +
                   header("-" + Hklm + "Keep") +
                   header("hkey_local_machine\\SOFTWARE\\VelmarKeyListTest\\Keep") +
                   header("HKEY_LOCAL_MACHINE\\") + header("HKEY_LOCAL_MACHINE\\\\SOFTWARE") +
                   header(Hklm + "A") + "\"v\"=\"[" + Hklm + "Listed]\"\r\n" +
                   header(Hklm + "A\\B") + header(Hklm + "Stuck") +
                   "[HKEY_CURRENT_USER\\Software\\VelmarKeyListTest\\U]");
    EXPECT_EQ(1, DeleteKeysFromKeyListFile(Beside("kl.reg").c_str()));
    for (const std::wstring& kept :
         {TestKey + L"Keep", TestKey + L"Stuck\\Z", TestKey + longName}) {
        EXPECT_TRUE(MachineKeyExists(kept));
    }
    EXPECT_FALSE(MachineKeyExists(TestKey + L"A") || MachineKeyExists(TestKey + L"Listed"));
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

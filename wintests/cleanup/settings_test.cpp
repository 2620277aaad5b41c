// The clean-up tool's settings readers, paths and product registration keys, on real files and
// keys in the test prefix.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>

#include "cleanup.h"
#include "cleanuptest.h"

namespace {

const wchar_t kId[] = L"VELMAR-SETTINGS-TEST";
const wchar_t kTesk[] = L"SOFTWARE\\Velmar\\Tesk";

std::string Repeat(char c, size_t n) { return std::string(n, c); }

class CleanupSettings : public testing::Test {
  protected:
    void SetUp() override {
        folder_ = FreshTestFolder();
        ClearHeldLog();
    }
    void TearDown() override {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, UninstallKeyPath(kId).c_str());
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, kTesk);
    }
    // An Uninstall key for kId with one value written as `bytes` bytes of `text`.
    void StoreUninstallValue(const wchar_t* name, const std::wstring& text, DWORD bytes) {
        CreateMachineKey(UninstallKeyPath(kId));
        HKEY key = nullptr;
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, UninstallKeyPath(kId).c_str(), 0, KEY_SET_VALUE, &key);
        RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), bytes);
        RegCloseKey(key);
    }
    std::wstring folder_;
};

TEST_F(CleanupSettings, ItemReadersTellPresentFromMissing) {
    UseSettings(folder_, "[SetPCStartupReg]\r\nregname0=error\r\nregname1=Error\r\nregname2=\r\n"
                         "[UninstStartupExe]\r\nname0=a.exe\r\nOptionCommand0=-x\r\nname1=b.exe\r\n"
                         "name2=" +
                             Repeat('n', 259) +
                             "\r\nOptionCommand2=-y\r\n"
                             "name3=" +
                             Repeat('n', 300) +
                             "\r\nOptionCommand3=-y\r\n"
                             "[DesktopShortCut]\r\nItemName0=" +
                             Repeat('d', 127) + "\r\nItemName1=" + Repeat('d', 128) + "\r\n");
    wchar_t name[CleanupNameChars];
    const struct {
        int index;
        int expected;
    } regNames[] = {{0, 0}, {1, 1}, {2, 0}, {3, 0}};
    for (const auto& row : regNames) {
        wcscpy_s(name, L"untouched");
        EXPECT_EQ(row.expected, ReadStartupRegName(row.index, name)) << row.index;
        EXPECT_STREQ(row.expected ? L"Error" : L"untouched", name) << row.index;
    }

    wchar_t program[260] = L"p";
    wchar_t option[128] = L"o";
    const int exeExpected[] = {1, 0, 1, 0}; // a name over 259 characters is not cut to fit
    for (int index = 0; index < 4; ++index) {
        EXPECT_EQ(exeExpected[index], ReadStartupExeEntry(index, program, option)) << index;
    }
    EXPECT_EQ(259u, wcslen(program));
    EXPECT_STREQ(L"-y", option);

    EXPECT_EQ(1, ReadDesktopItemName(0, name));
    EXPECT_EQ(0, ReadDesktopItemName(1, name)) << "longer than the caller's buffer";
}

TEST_F(CleanupSettings, SingleKeysReadTheirDefaultWhenMissingOrCut) {
    UseSettings(folder_, "[SETSTARTUP]\r\nRegister=1234567\r\n[Registry]\r\nFileNum=12345678\r\n");
    wchar_t text[8];
    EXPECT_TRUE(ReadSettingText(L"SETSTARTUP", L"Register", SettingMissing, text, 8));
    EXPECT_STREQ(L"1234567", text);
    EXPECT_FALSE(ReadSettingText(L"Registry", L"FileNum", SettingMissing, text, 8));
    EXPECT_STREQ(L"Could't", text);
    EXPECT_TRUE(ReadSettingText(L"GUID", L"id", SettingMissing, text, 8));
    EXPECT_STREQ(L"Could't", text);
    EXPECT_EQ(-1, ReadSettingInt(L"AddExceptionListApp", L"Num", -1));
}

TEST_F(CleanupSettings, PathsAndShellFolders) {
    WriteBytes(folder_ + L"\\file.txt", "x");
    EXPECT_EQ(1, FileExistsIn(folder_.c_str(), L"file.txt"));
    EXPECT_EQ(1, FileExistsIn(L"C:\\velmar-tests", L"CleanupSettings")) << "a folder counts";
    EXPECT_EQ(0, FileExistsIn(folder_.c_str(), L"absent.txt"));
    EXPECT_EQ(0, FileExistsIn(folder_.c_str(), std::wstring(260, L'x').c_str()));

    wchar_t program[MAX_PATH];
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    const std::wstring exe = wcsrchr(program, L'\\') + 1;
    SetCurrentDirectoryW(folder_.c_str());
    EXPECT_EQ(1, FileExistsIn(nullptr, exe.c_str())) << "looked up beside the program";
    wchar_t programFolder[CleanupPathChars];
    ASSERT_EQ(1, GetProgramFolder(programFolder));
    EXPECT_EQ(std::wstring(program), programFolder + exe);

    wchar_t expected[MAX_PATH];
    SHGetFolderPathW(nullptr, CSIDL_COMMON_PROGRAMS, nullptr, 0, expected);
    wchar_t path[CleanupPathChars];
    EXPECT_EQ(0, GetShellFolderPath(CSIDL_COMMON_PROGRAMS, path, CleanupPathChars));
    EXPECT_STREQ(expected, path);
    EXPECT_EQ(0, GetShellFolderPath(CSIDL_COMMON_PROGRAMS, path, 4));
    EXPECT_EQ(std::wstring(expected, 3), path);
    EXPECT_EQ(1, GetShellFolderPath(0x7f, path, CleanupPathChars));
}

TEST_F(CleanupSettings, UninstallValuesFitOrAreRefused) {
    UseSettings(folder_, "[GUID]\r\nid=VELMAR-SETTINGS-TEST\r\n");
    const std::wstring text260(260, L'L');
    const std::wstring text261(261, L'L');
    const struct {
        const std::wstring& text;
        DWORD bytes;
        int expected;
    } rows[] = {
        {text260, 522, 1}, // with its terminator
        {text260, 520, 1}, // without one: terminated where it ends
        {text261, 522, 0}, // fills the buffer without a terminator
        {text261, 524, 0},
    };
    for (const auto& row : rows) {
        StoreUninstallValue(L"InstallLocation", row.text, row.bytes);
        wchar_t location[CleanupPathChars] = {};
        EXPECT_EQ(row.expected, ReadInstallLocation(location)) << row.bytes;
        if (row.expected) {
            EXPECT_EQ(260u, wcsnlen(location, CleanupPathChars));
        }
    }
    wchar_t name[CleanupNameChars];
    EXPECT_EQ(0, ReadDisplayName(name)) << "no DisplayName value";
    StoreUninstallValue(L"DisplayName", L"", sizeof(wchar_t));
    EXPECT_EQ(0, ReadDisplayName(name)) << "an empty name counts as missing";
}

TEST_F(CleanupSettings, BrandKeysAndTheUninstallKey) {
    const wchar_t* const apps[] = {L"Same", L"Reg", L"Shown", L"Busy"};
    const struct {
        const char* regAppName; // null: no key
        const wchar_t* displayName;
        std::vector<std::string> lines;
        int expected;
        std::vector<std::wstring> gone;
    } rows[] = {
        {"Same", L"Same", {}, 1, {L"Same"}},
        {"Reg", L"Shown", {}, 1, {L"Reg", L"Shown"}},
        {"Busy", L"Shown", {"ERROR CODE: 9002 (0x00000005)"}, 1, {L"Shown"}}, // has a sub-key
        {nullptr, L"Shown", {"ERROR CODE: 9001"}, 0, {}},
        {"", L"Shown", {"ERROR CODE: 9001"}, 0, {}},
        {"Reg", nullptr, {"ERROR CODE: 9003"}, 0, {L"Reg"}},
    };
    for (const auto& row : rows) {
        std::string ini = "[GUID]\r\nid=VELMAR-SETTINGS-TEST\r\n";
        if (row.regAppName != nullptr) {
            ini += std::string("[RegApplicationName]\r\nRegAppName=") + row.regAppName + "\r\n";
        }
        UseSettings(folder_, ini);
        CreateMachineKey(UninstallKeyPath(kId), row.displayName ? L"DisplayName" : nullptr,
                         row.displayName ? row.displayName : L"");
        for (const wchar_t* app : apps) {
            CreateMachineKey(std::wstring(kTesk) + L"\\" + app);
        }
        CreateMachineKey(std::wstring(kTesk) + L"\\Busy\\Child");
        ClearHeldLog();

        const char* label = row.regAppName ? row.regAppName : "(none)";
        EXPECT_EQ(row.expected, DeleteBrandAppKeys(L"Velmar")) << label;
        EXPECT_EQ(row.lines, HeldLines()) << label;
        for (const wchar_t* app : apps) {
            const bool gone = std::find(row.gone.begin(), row.gone.end(), app) != row.gone.end();
            EXPECT_NE(gone, MachineKeyExists(std::wstring(kTesk) + L"\\" + app)) << label;
        }
        EXPECT_TRUE(MachineKeyExists(kTesk)) << "never the brand's own key";
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, kTesk);
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, UninstallKeyPath(kId).c_str());
    }

    ClearHeldLog();
    CreateMachineKey(UninstallKeyPath(kId));
    EXPECT_EQ(1, DeleteUninstallKey(kId));
    EXPECT_FALSE(MachineKeyExists(UninstallKeyPath(kId)));
    EXPECT_EQ(0, DeleteUninstallKey(kId));
    EXPECT_EQ(std::vector<std::string>{"ERROR CODE: 9005 (0x00000002)"}, HeldLines());
}

} // namespace

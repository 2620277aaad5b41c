// The clean-up tool's settings readers, paths and product registration keys, on real files and
// keys in the test prefix.
#include <gtest/gtest.h>

#include <shlobj.h>

#include "cleanup.h"
#include "cleanuptest.h"

namespace {

const std::wstring Tesk = L"SOFTWARE\\Velmar\\Tesk";

TEST(CleanupSettings, ReadersTellPresentFromMissingOrCut) {
    UseProduct("[SetPCStartupReg] regname0=error regname1=Error regname2= [UninstStartupExe] "
               "name0=a.exe OptionCommand0=-x name1=b.exe name2=" +
               std::string(259, 'n') + " OptionCommand2=-y name3=" + std::string(300, 'n') +
               " OptionCommand3=-y "
               "[DesktopShortCut] ItemName0=" +
               std::string(127, 'd') + " ItemName1=" + std::string(128, 'd') +
               " [SETSTARTUP] Register=1234567 [Registry] FileNum=12345678");
    wchar_t name[CleanupNameChars];
    for (int index = 0; index < 4; ++index) {
        wcscpy_s(name, L"untouched");
        EXPECT_EQ(index == 1, ReadStartupRegName(index, name) == 1) << index;
        EXPECT_STREQ(index == 1 ? L"Error" : L"untouched", name) << index;
    }
    // No option text, or a name over 259 characters (not cut to fit), counts as missing.
    wchar_t program[260] = L"p", option[128] = L"o";
    for (int index = 0; index < 4; ++index) {
        EXPECT_EQ(index % 2 == 0, ReadStartupExeEntry(index, program, option) == 1) << index;
    }
    EXPECT_EQ(259u, wcslen(program));
    EXPECT_STREQ(L"-y", option);
    EXPECT_EQ(1, ReadDesktopItemName(0, name));
    EXPECT_EQ(0, ReadDesktopItemName(1, name)) << "longer than the caller's buffer";
    // A text that fills its buffer was cut: it reads as the default.
    wchar_t text[8];
    EXPECT_TRUE(ReadSettingText(L"SETSTARTUP", L"Register", SettingMissing, text, 8));
    EXPECT_STREQ(L"1234567", text);
    EXPECT_FALSE(ReadSettingText(L"Registry", L"FileNum", SettingMissing, text, 8));
    EXPECT_STREQ(L"Could't", text);
}

TEST(CleanupSettings, PathsAndShellFolders) {
    // A path of 260 characters fits; one longer is cut to name that file and is never looked at.
    const std::wstring folder = FreshTestFolder(), name(259 - folder.size(), L'x');
    WriteBytes(folder + L"\\" + name, "x");
    EXPECT_EQ(1, FileExistsIn(folder.c_str(), name.c_str()));
    EXPECT_EQ(0, FileExistsIn(folder.c_str(), (name + L"x").c_str()));
    EXPECT_EQ(1, FileExistsIn(L"C:\\velmar-tests", L"CleanupSettings")) << "a folder counts";

    const std::wstring programs = ShellFolder(CSIDL_COMMON_PROGRAMS);
    wchar_t path[CleanupPathChars];
    EXPECT_EQ(0, GetShellFolderPath(CSIDL_COMMON_PROGRAMS, path, 4));
    EXPECT_EQ(programs.substr(0, 3), path);
    EXPECT_EQ(1, GetShellFolderPath(0x7f, path, CleanupPathChars));
}

TEST(CleanupSettings, UninstallValuesFitOrAreRefused) {
    UseProduct("", L"DisplayName", L"");
    wchar_t name[CleanupNameChars];
    EXPECT_EQ(0, ReadDisplayName(name)) << "an empty name counts as missing";
    // 260 characters fit with or without their terminator; 261 do not.
    const struct {
        size_t chars;
        DWORD bytes;
        int expected;
    } rows[] = {{260, 522, 1}, {260, 520, 1}, {261, 522, 0}, {261, 524, 0}};
    for (const auto& row : rows) {
        const std::wstring text(row.chars, L'L');
        RegSetKeyValueW(HKEY_LOCAL_MACHINE, ProductKey().c_str(), L"InstallLocation", REG_SZ,
                        text.c_str(), row.bytes);
        wchar_t location[CleanupPathChars] = {};
        EXPECT_EQ(row.expected, ReadInstallLocation(location)) << row.bytes;
        EXPECT_EQ(row.expected ? 260u : 0u, wcsnlen(location, CleanupPathChars)) << row.bytes;
    }
}

TEST(CleanupSettings, BrandKeysAndTheUninstallKey) {
    const wchar_t* const apps[] = {L"Same", L"Shown", L"Busy", L"Reg"};
    const struct {
        const char* regAppName;     // the [RegApplicationName] section's text
        const wchar_t* displayName; // null: no product key
        const char* outcome;
        const wchar_t* gone; // the one key of `apps` that goes
    } rows[] = {
        {"RegAppName=Same", L"Same", "1", L"Same"},
        {"RegAppName=Busy", L"Shown", "1 9002 (0x00000005)", L"Shown"}, // Busy has a sub-key
        {"", L"Shown", "0 9001", L""},
        {"RegAppName=", L"Shown", "0 9001", L""},
        {"RegAppName=Reg", nullptr, "0 9003", L"Reg"},
    };
    for (const auto& row : rows) {
        UseProduct(std::string("[RegApplicationName] ") + row.regAppName,
                   row.displayName ? L"DisplayName" : nullptr,
                   row.displayName ? row.displayName : L"");
        for (const wchar_t* app : apps) {
            CreateMachineKey(Tesk + L"\\" + app);
        }
        CreateMachineKey(Tesk + L"\\Busy\\Child");
        EXPECT_EQ(row.outcome, Outcome(DeleteBrandAppKeys(L"Velmar"))) << row.regAppName;
        for (const wchar_t* app : apps) {
            EXPECT_EQ(wcscmp(app, row.gone) == 0, !MachineKeyExists(Tesk + L"\\" + app)) << app;
        }
        EXPECT_TRUE(MachineKeyExists(Tesk)) << "never the brand's own key";
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, Tesk.c_str());
    }
    EXPECT_EQ("0 9005 (0x00000002)", Outcome(DeleteUninstallKey(L"VELMAR-NO-SUCH-PRODUCT")));
}

} // namespace

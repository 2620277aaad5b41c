// The install-file list and the installer's cache folder, on real folders in the test prefix.
#include "cleanuptest.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <sstream>

#include "cleanup.h"

namespace {

#define PRODUCT_ID "5D2C9B1E-7A40-4C1B-9E3F-INSTALLFILES" // narrow; L"" PRODUCT_ID is wide
typedef std::vector<std::string> Lines;

// Items below `base`, separated by blanks: '+' first when the item must stay, '-' when it
// must go, '!' for a read-only file that must go; a name ending in '\' is a folder. Creates
// them, or checks them after the step.
void Items(const std::wstring& base, const std::wstring& items, bool create) {
    std::wistringstream names(items);
    for (std::wstring item; names >> item;) {
        const std::wstring path = base + item.substr(1);
        if (!create) {
            EXPECT_EQ(item[0] == L'+', PathExists(path)) << std::string(item.begin(), item.end());
        } else if (item.back() == L'\\') {
            SHCreateDirectoryExW(nullptr, path.c_str(), nullptr);
        } else {
            WriteBytes(path, "x");
            SetFileAttributesW(path.c_str(), item[0] == L'!' ? FILE_ATTRIBUTE_READONLY : 0);
        }
    }
}

TEST(InstallFiles, ListTable) {
    const std::string none = "<none>", ce = "ERROR CODE: 6004 (0x000000ce)",
                      nm = "ERROR CODE: 6004 (0x0000007b)";
    // Each piece of a line over 254 characters is a cut path, so is a path over 260 cut inside
    // its blanks (Wine drops them: it would name keep) and a line cut by a NUL byte; ".." and
    // blanks would name the install folder or what lies beside it.
    const std::string refused = std::string(254, 'x') + "keep\nkeep" + std::string(240, ' ') +
                                "\nkeep" + std::string(1, '\0') + "tail\n..\\beside\n   \nafter";
    const struct {
        const char* name;
        const wchar_t* items;
        std::string list;
        int result;
        Lines lines;
    } cases[] = {
        // clang-format off
        {"all gone", L"-inst\\ -inst\\sub\\ -inst\\sub\\b -inst\\caf\u00e9 !inst\\ro",
         "sub\\b\r\nsub\r\n\r\ncaf\xe9\r\nro\r\ngone", 1, {}},
        {"no list", L"+inst\\ +inst\\a", none, 0, {"ERROR CODE: 6002 (0x00000002)"}},
        {"empty install folder, list not opened", L"-inst\\", none, 1, {}},
        {"install folder gone", L"", none, 0, {"ERROR CODE: 6005 (0x00000002)"}},
        {"empty location", L"+inst\\ +inst\\a", "a", 0, {"ERROR CODE: 6001"}},
        {"listed folder not empty", L"+inst\\ +inst\\full\\ +inst\\full\\x -inst\\later",
         "full\nlater\n", 0, {"ERROR CODE: 6003 (0x00000091)"}},
        {"unlisted file, Ctrl+Z ends the list", L"+inst\\ -inst\\a +inst\\keep", "a\n\x1akeep\n",
         1, {}},
        {"cut and outside paths refused", L"+inst\\ +inst\\keep -inst\\after +beside", refused, 0,
         {ce, ce, nm, nm}},
        // clang-format on
    };
    wchar_t list[MAX_PATH];
    GetModuleFileNameW(nullptr, list, MAX_PATH);
    wcscpy_s(wcsrchr(list, L'\\') + 1, 16, L"UninstFiles.ini");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring folder = FreshTestFolder(), root = folder + L"\\";
        UseSettings(folder, "[GUID]\r\nid=" PRODUCT_ID);
        const bool emptyLocation = c.lines == Lines{"ERROR CODE: 6001"}; // that case alone
        CreateMachineKey(UninstallKeyPath(L"" PRODUCT_ID), L"InstallLocation",
                         emptyLocation ? L"" : root + L"inst");
        Items(root, c.items, true);
        if (c.list != none) {
            WriteBytes(list, c.list);
        }
        ClearHeldLog();
        EXPECT_EQ(c.result, RemoveUninstallFiles());
        EXPECT_EQ(c.lines, HeldLines());
        Items(root, c.items, false);
        DeleteIfPresent(list);
    }
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, UninstallKeyPath(L"" PRODUCT_ID).c_str());
}

TEST(InstallFiles, CacheTable) {
    wchar_t programFiles[MAX_PATH];
    ASSERT_EQ(0, GetShellFolderPath(CSIDL_PROGRAM_FILESX86, programFiles, MAX_PATH));
    const std::wstring cache = programFiles +
                               std::wstring(L"\\InstallShield Installation Information\\"),
                       own = L"{" PRODUCT_ID L"}\\", longId(200, L'C'),
                       cut = L"{" + longId.substr(0, 128) + L"}\\";
    // The cut code, or a separator in it, would name another product's cache.
    const struct {
        std::wstring code, items;
        Lines lines;
    } cases[] = {
        {L"" PRODUCT_ID,
         L"-" + own + L" -" + own + L"sub\\ -" + own + L"sub\\f -" + own + L"g",
         {}},
        {L"" PRODUCT_ID, L"", {"ERROR CODE: 7002"}},
        {L"" PRODUCT_ID, L"+" + own, {"ERROR CODE: 7002"}},
        {longId, L"+" + cut + L" +" + cut + L"f", {"ERROR CODE: 7002"}},
        {L"X}\\..\\{" PRODUCT_ID, L"+" + own + L" +" + own + L"f", {"ERROR CODE: 7002"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.code.begin(), c.code.end()));
        Items(cache, c.items, true);
        ClearHeldLog();
        EXPECT_EQ(1, RemoveInstallCacheFolder(c.code.c_str()));
        EXPECT_EQ(c.lines, HeldLines());
        Items(cache, c.items, false);
    }
    DeleteFolderTree((cache + own).c_str());
    DeleteFolderTree((cache + cut).c_str());
}

} // namespace

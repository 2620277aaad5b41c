// The install-file list and the installer's cache folder, on real folders in the test prefix.
#include "cleanuptest.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include "cleanup.h"

namespace {

typedef std::vector<std::wstring> Items;
typedef std::vector<std::string> Lines;
const wchar_t ProductId[] = L"5D2C9B1E-7A40-4C1B-9E3F-INSTALLFILES";

// An item below `base` starts with '+' when it must stay, '-' when it must go, '!' when it is
// a read-only file that must go; a name ending in '\' is a folder.
void CreateItems(const std::wstring& base, const Items& items) {
    for (const std::wstring& item : items) {
        const std::wstring path = base + item.substr(1);
        if (item.back() == L'\\') {
            SHCreateDirectoryExW(nullptr, path.c_str(), nullptr);
        } else {
            WriteBytes(path, "x");
            SetFileAttributesW(path.c_str(), item[0] == L'!' ? FILE_ATTRIBUTE_READONLY : 0);
        }
    }
}

void ExpectLeft(const std::wstring& base, const Items& items) {
    for (const std::wstring& item : items) {
        EXPECT_EQ(item[0] == L'+', PathExists(base + item.substr(1)))
            << std::string(item.begin(), item.end());
    }
}

TEST(InstallFiles, ListTable) {
    struct Case {
        const char* name;
        Items items;
        std::string list;
        int result;
        Lines lines;
        bool emptyLocation = false;
    };
    const std::string e6004ce = "ERROR CODE: 6004 (0x000000ce)",
                      e6004_7b = "ERROR CODE: 6004 (0x0000007b)";
    // Each piece of a line over 254 characters is a cut path, so is a path over 260 cut inside
    // its blanks (Wine drops them: it would name keep) and a line cut by a NUL byte; ".." and
    // blanks would name the install folder or what lies beside it.
    const std::string refused = std::string(254, 'x') + "keep\nkeep" + std::string(240, ' ') +
                                "\nkeep" + std::string(1, '\0') + "tail\n..\\beside\n   \nafter";
    const std::string noList = "<none>";
    // clang-format off
    const Case cases[] = {
        {"all gone", {L"-inst\\", L"-inst\\sub\\", L"-inst\\sub\\b", L"-inst\\caf\u00e9", L"!inst\\ro"},
         "sub\\b\r\nsub\r\n\r\ncaf\xe9\r\nro\r\ngone", 1, {}},
        {"no list", {L"+inst\\", L"+inst\\a"}, noList, 0, {"ERROR CODE: 6002 (0x00000002)"}},
        {"empty install folder, list not opened", {L"-inst\\"}, noList, 1, {}},
        {"install folder gone", {}, noList, 0, {"ERROR CODE: 6005 (0x00000002)"}},
        {"empty location", {L"+inst\\", L"+inst\\a"}, "a", 0, {"ERROR CODE: 6001"}, true},
        {"listed folder not empty", {L"+inst\\", L"+inst\\full\\", L"+inst\\full\\x", L"-inst\\later"},
         "full\nlater\n", 0, {"ERROR CODE: 6003 (0x00000091)"}},
        {"unlisted file, Ctrl+Z ends the list", {L"+inst\\", L"-inst\\a", L"+inst\\keep"},
         "a\n\x1akeep\n", 1, {}},
        {"cut and outside paths refused", {L"+inst\\", L"+inst\\keep", L"-inst\\after", L"+beside"},
         refused, 0, {e6004ce, e6004ce, e6004_7b, e6004_7b}},
    };
    // clang-format on
    wchar_t program[MAX_PATH];
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    const std::wstring list =
        std::wstring(program, wcsrchr(program, L'\\') + 1) + L"UninstFiles.ini";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring folder = FreshTestFolder(), root = folder + L"\\";
        UseSettings(folder,
                    "[GUID]\r\nid=" + std::string(ProductId, ProductId + wcslen(ProductId)));
        CreateMachineKey(UninstallKeyPath(ProductId), L"InstallLocation",
                         c.emptyLocation ? L"" : root + L"inst");
        CreateItems(root, c.items);
        if (c.list != noList) {
            WriteBytes(list, c.list);
        }
        ClearHeldLog();
        EXPECT_EQ(c.result, RemoveUninstallFiles());
        EXPECT_EQ(c.lines, HeldLines());
        ExpectLeft(root, c.items);
        DeleteIfPresent(list);
    }
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, UninstallKeyPath(ProductId).c_str());
}

TEST(InstallFiles, CacheTable) {
    wchar_t programFiles[MAX_PATH];
    ASSERT_EQ(0, GetShellFolderPath(CSIDL_PROGRAM_FILESX86, programFiles, MAX_PATH));
    const std::wstring cache =
        programFiles + std::wstring(L"\\InstallShield Installation Information\\");
    const std::wstring id = ProductId, own = L"{" + id + L"}\\", longId(200, L'C'),
                       cut = L"{" + longId.substr(0, 128) + L"}\\";
    // The cut code, or a separator in it, would name another product's cache.
    const struct {
        std::wstring code;
        Items items;
        Lines lines;
    } cases[] = {
        {id, {L"-" + own, L"-" + own + L"sub\\", L"-" + own + L"sub\\f", L"-" + own + L"g"}, {}},
        {id, {}, {"ERROR CODE: 7002"}},
        {id, {L"+" + own}, {"ERROR CODE: 7002"}},
        {longId, {L"+" + cut, L"+" + cut + L"f"}, {"ERROR CODE: 7002"}},
        {L"X}\\..\\{" + id, {L"+" + own, L"+" + own + L"f"}, {"ERROR CODE: 7002"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.code.begin(), c.code.end()));
        CreateItems(cache, c.items);
        ClearHeldLog();
        EXPECT_EQ(1, RemoveInstallCacheFolder(c.code.c_str()));
        EXPECT_EQ(c.lines, HeldLines());
        ExpectLeft(cache, c.items);
        for (auto item = c.items.rbegin(); item != c.items.rend(); ++item) {
            if (!DeleteFileW((cache + item->substr(1)).c_str())) {
                RemoveDirectoryW((cache + item->substr(1)).c_str());
            }
        }
    }
}

} // namespace

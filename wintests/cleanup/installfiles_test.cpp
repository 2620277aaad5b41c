// The install-file list and the installer's cache folder, on real folders in the test prefix.
#include "cleanuptest.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>

#include "cleanup.h"

namespace {

typedef std::vector<std::wstring> Names;
const wchar_t ProductId[] = L"5D2C9B1E-7A40-4C1B-9E3F-INSTALLFILES";

// Below `base`: a name ending in '\' is a folder, one starting with '!' a read-only file.
void CreateItems(const std::wstring& base, const Names& items) {
    for (const std::wstring& item : items) {
        const std::wstring path = base + item.substr(item[0] == L'!');
        if (item.back() == L'\\') {
            SHCreateDirectoryExW(nullptr, path.c_str(), nullptr);
        } else {
            WriteBytes(path, "x");
            SetFileAttributesW(path.c_str(), item[0] == L'!' ? FILE_ATTRIBUTE_READONLY : 0);
        }
    }
}

// Each item is still there exactly when `left` names it.
void ExpectLeft(const std::wstring& base, const Names& items, const Names& left) {
    for (const std::wstring& item : items) {
        const std::wstring name = item.substr(item[0] == L'!');
        const bool kept = std::find(left.begin(), left.end(), name) != left.end();
        EXPECT_EQ(kept, PathExists(base + name)) << std::string(name.begin(), name.end());
    }
}

TEST(InstallFiles, ListTable) {
    const std::string noList = "<none>";
    const std::string nul("keep.txt\0tail\n", 14);
    const std::string e6004ce = "ERROR CODE: 6004 (0x000000ce)",
                      e6004_7b = "ERROR CODE: 6004 (0x0000007b)";
    struct Case {
        const char* name;
        Names items;
        std::string list;
        Names left;
        int result;
        std::vector<std::string> lines;
        bool emptyLocation;
    };
    const Case cases[] = {
        {"all gone",
         {L"inst\\", L"inst\\sub\\", L"inst\\sub\\b.txt", L"inst\\a.txt", L"!inst\\ro.txt"},
         "sub\\b.txt\r\nsub\r\n\r\na.txt\r\nro.txt\r\ngone.txt",
         {},
         1,
         {},
         false},
        {"no list",
         {L"inst\\", L"inst\\a.txt"},
         noList,
         {L"inst\\", L"inst\\a.txt"},
         0,
         {"ERROR CODE: 6002 (0x00000002)"},
         false},
        {"empty install folder, list not opened", {L"inst\\"}, noList, {}, 1, {}, false},
        {"install folder gone", {}, noList, {}, 0, {"ERROR CODE: 6005 (0x00000002)"}, false},
        {"empty location",
         {L"inst\\", L"inst\\a.txt"},
         "a.txt\n",
         {L"inst\\", L"inst\\a.txt"},
         0,
         {"ERROR CODE: 6001"},
         true},
        {"listed folder not empty",
         {L"inst\\", L"inst\\full\\", L"inst\\full\\x", L"inst\\later"},
         "full\nlater\n",
         {L"inst\\", L"inst\\full\\", L"inst\\full\\x"},
         0,
         {"ERROR CODE: 6003 (0x00000091)"},
         false},
        {"unlisted file",
         {L"inst\\", L"inst\\a", L"inst\\keep"},
         "a\n",
         {L"inst\\", L"inst\\keep"},
         1,
         {},
         false},
        // Any piece of a line over 254 characters, the remainder "keep" too, is a cut path.
        {"over-long line",
         {L"inst\\", L"inst\\keep", L"inst\\after"},
         std::string(254, 'x') + "keep\nafter\n",
         {L"inst\\", L"inst\\keep"},
         0,
         {e6004ce},
         false},
        // Cut inside the blanks, the path would name keep.txt (Wine drops trailing blanks).
        {"path over 260",
         {L"inst\\", L"inst\\keep.txt"},
         "keep.txt" + std::string(230, ' '),
         {L"inst\\", L"inst\\keep.txt"},
         0,
         {e6004ce},
         false},
        {"NUL in line",
         {L"inst\\", L"inst\\keep.txt"},
         nul,
         {L"inst\\", L"inst\\keep.txt"},
         0,
         {e6004_7b},
         false},
        {"blanks skipped, dots refused",
         {L"inst\\", L"inst\\a", L"beside"},
         "a\r\n   \r\n..\\beside\r\nsub\\..\r\n",
         {L"beside"},
         0,
         {e6004_7b, e6004_7b},
         false},
    };
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
        ExpectLeft(root, c.items, c.left);
        DeleteIfPresent(list);
    }
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, UninstallKeyPath(ProductId).c_str());
}

TEST(InstallFiles, CacheTable) {
    wchar_t programFiles[MAX_PATH];
    ASSERT_EQ(0, GetShellFolderPath(CSIDL_PROGRAM_FILESX86, programFiles, MAX_PATH));
    const std::wstring cache =
        programFiles + std::wstring(L"\\InstallShield Installation Information\\");
    const std::wstring id = ProductId, longId(200, L'C'),
                       cut = L"{" + longId.substr(0, 128) + L"}\\";
    struct Case {
        const char* name;
        std::wstring code;
        Names items, left;
        const char* line;
    };
    const Case cases[] = {
        {"with content",
         id,
         {L"{" + id + L"}\\", L"{" + id + L"}\\sub\\", L"{" + id + L"}\\sub\\f",
          L"{" + id + L"}\\g"},
         {},
         nullptr},
        {"absent", id, {}, {}, "ERROR CODE: 7002"},
        {"empty", id, {L"{" + id + L"}\\"}, {L"{" + id + L"}\\"}, "ERROR CODE: 7002"},
        // The cut code, or a separator in it, would name another product's cache.
        {"code too long", longId, {cut, cut + L"f"}, {cut, cut + L"f"}, "ERROR CODE: 7002"},
        {"separator",
         L"X}\\..\\{" + id,
         {L"{" + id + L"}\\f"},
         {L"{" + id + L"}\\f"},
         "ERROR CODE: 7002"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CreateItems(cache, c.items);
        ClearHeldLog();
        EXPECT_EQ(1, RemoveInstallCacheFolder(c.code.c_str()));
        EXPECT_EQ(c.line ? std::vector<std::string>{c.line} : std::vector<std::string>{},
                  HeldLines());
        ExpectLeft(cache, c.items, c.left);
        for (auto item = c.items.rbegin(); item != c.items.rend(); ++item) {
            if (!DeleteFileW((cache + *item).c_str())) {
                RemoveDirectoryW((cache + *item).c_str());
            }
        }
        RemoveDirectoryW((cache + L"{" + id + L"}").c_str());
    }
}

} // namespace

// The install-file list and the installer's cache folder, on real folders in the test prefix.
#include "cleanuptest.h"

#include <gtest/gtest.h>

#include <sstream>

#include "cleanup.h"

namespace {

// Items below `base`, separated by blanks: '+' first when the item must stay, '-' when it
// must go, '!' for a read-only file that must go; a name ending in '\' is a folder. Creates
// them, or checks them after the step.
void Items(const std::wstring& base, const std::wstring& items, bool create) {
    std::wistringstream names(items);
    for (std::wstring item; names >> item;) {
        const std::wstring path = base + item.substr(1);
        if (!create) {
            EXPECT_EQ(item[0] == L'+', PathExists(path)) << item;
        } else if (item.back() == L'\\') {
            MakeFolder(path);
        } else {
            WriteBytes(path, "x");
            SetFileAttributesW(path.c_str(), item[0] == L'!' ? FILE_ATTRIBUTE_READONLY : 0);
        }
    }
}

TEST(InstallFiles, ListTable) {
    // Each piece of a line over 254 characters is a cut path, so is a path over 260 cut inside
    // its blanks (Wine drops them: it would name keep) and a line cut by a NUL byte; ".." and
    // blanks would name the install folder or what lies beside it.
    const std::string refused = std::string(254, 'x') + "keep\nkeep" + std::string(240, ' ') +
                                "\nkeep" + std::string(1, '\0') + "tail\n..\\beside\n   \nafter";
    const struct {
        const wchar_t* items;
        std::string list; // empty: no list file
        const char* outcome;
    } cases[] = {
        // clang-format off
        // A name beyond ASCII is read byte for byte; a read-only file goes, a missing one is gone.
        {L"-inst\\ -inst\\caf\u00e9 !inst\\ro", "caf\xe9\r\nro\r\ngone", "1"},
        {L"+inst\\ +inst\\a", "", "0 6002 (0x00000002)"},
        {L"-inst\\", "", "1"}, // an empty install folder: the list is not opened
        {L"", "", "0 6005 (0x00000002)"},
        {L"+inst\\ +inst\\a", "a", "0 6001"}, // an empty install location
        {L"+inst\\ +inst\\full\\ +inst\\full\\x -inst\\later", "full\nlater\n", "0 6003 (0x00000091)"},
        {L"+inst\\ -inst\\a +inst\\keep", "a\n\x1akeep\n", "1"}, // Ctrl+Z ends the list
        {L"+inst\\ +inst\\keep -inst\\after +beside", refused,
         "0 6004 (0x000000ce) 6004 (0x000000ce) 6004 (0x0000007b) 6004 (0x0000007b)"},
        // clang-format on
    };
    const std::wstring list = BesideProgram("UninstFiles.ini");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.items);
        const std::wstring root = FreshTestFolder() + L"\\";
        const bool emptyLocation = c.outcome == std::string("0 6001"); // that case alone
        UseProduct("", L"InstallLocation", emptyLocation ? L"" : root + L"inst");
        Items(root, c.items, true);
        if (!c.list.empty()) {
            WriteBytes(list, c.list);
        }
        EXPECT_EQ(c.outcome, Outcome(RemoveUninstallFiles()));
        Items(root, c.items, false);
        DeleteIfPresent(list);
    }
}

TEST(InstallFiles, CacheTable) {
    const std::wstring cache = InstallCacheRoot(), id = L"5D2C9B1E-7A40-4C1B-9E3F-INSTALLFILES",
                       own = L"{" + id + L"}\\", longId(200, L'C'),
                       cut = L"{" + longId.substr(0, 128) + L"}\\";
    // A missing or empty cache stays as it is; a cut code, or a separator in it, would name
    // another product's cache.
    const struct {
        std::wstring code, items;
    } cases[] = {
        {id, L""},
        {id, L"+" + own},
        {longId, L"+" + cut + L" +" + cut + L"f"},
        {L"X}\\..\\{" + id, L"+" + own + L" +" + own + L"f"},
    };
    // Each case starts without the two caches, whatever an earlier run left.
    auto clear = [&] {
        for (const std::wstring& folder : {own, cut}) {
            DeleteFolderTree((cache + folder.substr(0, folder.size() - 1)).c_str());
        }
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        clear();
        Items(cache, c.items, true);
        EXPECT_EQ("1 7002", Outcome(RemoveInstallCacheFolder(c.code.c_str())));
        Items(cache, c.items, false);
    }
    clear();
}

} // namespace

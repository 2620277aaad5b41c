// FolderHasContent and DeleteFolderTree on real trees in the test prefix.
#include <gtest/gtest.h>

#include <sstream>
#include <utility>
#include <vector>

#include "cleanup.h"
#include "cleanuptest.h"

namespace {

// Builds "<kind><kept><path>" entries, space-separated, in `root`. Kind: f file, r read-only
// file, o file held open without FILE_SHARE_DELETE, d folder, h hidden folder. Kept: '+' when
// the entry is to outlast a deletion. In a path, '*' stands for 100 characters and '#'
// pads the path so far to 258, so that its search pattern no longer fits.
struct Tree {
    std::vector<std::pair<std::wstring, bool>> entries;
    std::vector<HANDLE> held;
    Tree(const std::wstring& root, const wchar_t* text) {
        std::wistringstream in(text);
        for (std::wstring e; in >> e;) {
            std::wstring path = root + L"\\";
            for (wchar_t c : e.substr(2)) {
                if (c == L'*') {
                    path.append(100, L'x');
                } else if (c == L'#') {
                    path.resize(258, L'p');
                } else {
                    path += c;
                }
            }
            if (e[0] == L'd' || e[0] == L'h') {
                CreateDirectoryW(path.c_str(), nullptr);
            } else {
                WriteBytes(path, "x");
            }
            if (e[0] == L'h' || e[0] == L'r') {
                SetFileAttributesW(path.c_str(),
                                   e[0] == L'r' ? FILE_ATTRIBUTE_READONLY
                                                : FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN);
            }
            if (e[0] == L'o') {
                held.push_back(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                           OPEN_EXISTING, 0, nullptr));
            }
            entries.emplace_back(path, e[1] == L'+');
        }
    }
    ~Tree() {
        for (HANDLE h : held) {
            CloseHandle(h);
        }
    }
};

} // namespace

TEST(FolderHasContent, AnyEntryButDotsInAListingThatStartsWithThem) {
    const struct {
        const wchar_t* entries;
        const wchar_t* folder; // below the test folder, or absolute
        int expected;
    } cases[] = {
        {L"", L"", 0},          {L"f-x", L"", 1}, {L"d-a", L"", 1},
        {L"", L"\\missing", 0}, {L"", L"Q:", 0}, // a drive root lists no "." and ".."
    };
    for (const auto& c : cases) {
        const std::wstring root = FreshTestFolder();
        Tree tree(root, c.entries);
        const std::wstring folder = c.folder[0] == L'Q' ? c.folder : root + c.folder;
        EXPECT_EQ(c.expected, FolderHasContent(folder.c_str())) << folder;
    }
}

TEST(DeleteFolderTree, DeletesAllButWhatItMayNotTouch) {
    const struct {
        const wchar_t* entries;
        int expected;
        bool rootKept;
    } cases[] = {
        {L"", 1, false},
        {L"r-x d-a r-a\\y d-a\\b r-a\\b\\z d-a\\b\\c", 1, false},
        {L"f-x h+s f+s\\y f-z", 0, true},     // a hidden folder is not descended
        {L"f-x o+y f-z", 0, true},            // in use
        {L"d+* f+*\\** f-*\\a f-b", 0, true}, // an entry path over 260 characters
        {L"d+* d+*\\# f+*\\#\\k", 0, true},   // a folder whose pattern is over 260
    };
    for (const auto& c : cases) {
        const std::wstring root = FreshTestFolder();
        Tree tree(root, c.entries);
        EXPECT_EQ(c.expected, DeleteFolderTree(root.c_str())) << c.entries;
        EXPECT_EQ(c.rootKept, PathExists(root)) << c.entries;
        for (const auto& [path, kept] : tree.entries) {
            EXPECT_EQ(kept, PathExists(path)) << c.entries << " " << path.size();
        }
    }
}

// Q: is the fixture folder (keep.txt, target\keep.txt, tree\plain.txt, tree\link to target),
// so a fault here empties a scratch folder, not C:\.
TEST(DeleteFolderTree, RefusesRootsEmptyNamesAndLinks) {
    ASSERT_EQ(0x410u, GetFileAttributesW(L"Q:\\tree\\link")) << "made by cleanup_tree_fixture";
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    SetCurrentDirectoryW(L"Q:\\target"); // "Q:" names it, "\" names Q:\.
    for (const wchar_t* path : {L"", L"Q:", L"Q:\\", L"q:/", L"\\", L"/", L"\\\\", L"\\\\?\\Q:",
                                L"\\\\?\\Q:\\", L"\\\\.\\Q:", L"Q:\\target\\", L"Q:\\target\\..",
                                L"Q:\\target\\. ", L"Q:\\tree\\link", L"Q:\\missing"}) {
        EXPECT_EQ(0, DeleteFolderTree(path)) << path;
    }
    SetCurrentDirectoryW(previous);
    EXPECT_TRUE(PathExists(L"Q:\\keep.txt"));
    EXPECT_TRUE(PathExists(L"Q:\\tree\\plain.txt"));
    // Wine shows the link as 0x410, so it goes the file way and stays, and so does its target.
    EXPECT_EQ(0, DeleteFolderTree(L"Q:\\tree"));
    EXPECT_FALSE(PathExists(L"Q:\\tree\\plain.txt"));
    EXPECT_TRUE(PathExists(L"Q:\\target\\keep.txt"));
}

// FolderHasContent and DeleteFolderTree on real trees in the test prefix.
#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "cleanup.h"
#include "cleanuptest.h"

// A case's tree is made of "<kind><kept><path>" entries. Kind: f file, r read-only file, o file
// held open without FILE_SHARE_DELETE, d folder, h hidden folder. Kept '+': the entry is to
// outlast the deletion. In a path '*' stands for 100 characters, and '#' pads the path so far
// to 258, so that a search pattern in it no longer fits.
TEST(DeleteFolderTree, DeletesAllButWhatItMayNotTouch) {
    const struct {
        const wchar_t* entries;
        int hasContent, deleted;
    } cases[] = {
        {L"", 0, 1},
        {L"r-x d-a r-a\\y d-a\\b r-a\\b\\z d-a\\b\\c", 1, 1},
        {L"f-x h+s f+s\\y f-z", 1, 0}, // a hidden folder is not descended
        {L"f-x o+y f-z", 1, 0},
        {L"d+* f+*\\** f-*\\a f-b", 1, 0}, // an entry path over 260 characters
        {L"d+* d+*\\# f+*\\#\\k", 1, 0},   // a folder whose pattern is over 260
    };
    for (const auto& c : cases) {
        const std::wstring root = FreshTestFolder();
        std::vector<std::pair<std::wstring, bool>> made;
        HANDLE held = INVALID_HANDLE_VALUE;
        std::wistringstream in(c.entries);
        for (std::wstring e; in >> e;) {
            std::wstring path = root + L"\\";
            for (wchar_t ch : e.substr(2)) {
                path += ch == L'*' ? std::wstring(100, L'x') : std::wstring(1, ch);
                path.resize(ch == L'#' ? 258 : path.size(), L'p');
            }
            if (e[0] == L'd' || e[0] == L'h') {
                CreateDirectoryW(path.c_str(), nullptr);
            } else {
                WriteBytes(path, "x");
            }
            if (e[0] == L'h' || e[0] == L'r') {
                SetFileAttributesW(path.c_str(),
                                   e[0] == L'r' ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_HIDDEN);
            }
            if (e[0] == L'o') {
                held = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, 0, nullptr);
            }
            made.emplace_back(path, e[1] == L'+');
        }
        EXPECT_EQ(c.hasContent, FolderHasContent(root.c_str())) << c.entries;
        EXPECT_EQ(c.deleted, DeleteFolderTree(root.c_str())) << c.entries;
        EXPECT_EQ(c.deleted == 0, PathExists(root)) << c.entries;
        CloseHandle(held);
        // Checked, then cleared: the shell's deletion leaves paths over 260 characters.
        for (auto m = made.rbegin(); m != made.rend(); ++m) {
            EXPECT_EQ(m->second, PathExists(m->first)) << c.entries << " " << m->first.size();
            SetFileAttributesW(m->first.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(m->first.c_str()) || RemoveDirectoryW(m->first.c_str());
        }
    }
}

// Q: is the fixture folder (keep.txt, target\keep.txt, tree\plain.txt, tree\link to target),
// so a fault here empties a scratch folder, not C:\.
TEST(DeleteFolderTree, RefusesRootsEmptyNamesAndLinks) {
    ASSERT_EQ(0x410u, GetFileAttributesW(L"Q:\\tree\\link")) << "made by cleanup_tree_fixture";
    EXPECT_EQ(0, FolderHasContent(L"Q:")); // a drive root lists no "." and ".."
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    SetCurrentDirectoryW(L"Q:\\target"); // "Q:" names it, "\" names Q:\.
    for (const wchar_t* path : {L"", L"Q:", L"Q:\\", L"q:/", L"\\", L"/", L"\\\\", L"\\\\?\\Q:",
                                L"\\\\?\\Q:\\", L"\\\\.\\Q:", L"Q:\\target\\", L"Q:\\target\\..",
                                L"Q:\\target\\. ", L"Q:\\tree\\link", L"Q:\\missing"}) {
        EXPECT_EQ(0, DeleteFolderTree(path)) << path;
    }
    SetCurrentDirectoryW(previous);
    EXPECT_TRUE(PathExists(L"Q:\\keep.txt") && PathExists(L"Q:\\tree\\plain.txt"));
    // Wine shows the link as 0x410, so it goes the file way and stays, and so does its target.
    EXPECT_EQ(0, DeleteFolderTree(L"Q:\\tree"));
    EXPECT_FALSE(PathExists(L"Q:\\tree\\plain.txt"));
    EXPECT_TRUE(PathExists(L"Q:\\target\\keep.txt"));
}

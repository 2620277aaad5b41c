// Program folders and shortcuts in the all-users shell folders of the test prefix.
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>

#include "cleanup.h"
#include "cleanuptest.h"

namespace {

const std::wstring ProductKey = UninstallKeyPath(L"VQ-SHORTCUTS-TEST");
int RowCount = 0; // every row gets names of its own, so no row sees another's leftovers

std::wstring ShellFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

// A capital letter is one of this row's names: L has 200 characters, C is its first 127, the
// text that a 128-character read cuts L to.
struct Names {
    std::wstring prefix = L"vqsc" + std::to_wstring(++RowCount) + L"-";
    std::wstring operator()(char token) const {
        std::wstring name = prefix + wchar_t(token);
        name.resize(token == 'L' ? 200 : token == 'C' ? 127 : name.size(), L'L');
        return name;
    }
    // The settings with each "@X" replaced by the name X.
    void Use(const char* ini) const {
        std::string text = "[GUID]\nid=VQ-SHORTCUTS-TEST\n";
        for (const char* c = ini; *c; ++c) {
            const std::wstring name = *c == '@' ? (*this)(*++c) : std::wstring(1, wchar_t(*c));
            text += std::string(name.begin(), name.end());
        }
        UseSettings(FreshTestFolder(), text);
    }
};

HANDLE Hold(const std::wstring& path) {
    return CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                       nullptr);
}

std::vector<std::string> Lines(int first, int second) {
    std::vector<std::string> lines;
    for (int code : {first, second}) {
        if (code != 0) {
            lines.push_back("ERROR CODE: " + std::to_string(code));
        }
    }
    return lines;
}

struct NamesRow {
    const char *display, *ini; // display null: no Uninstall key
    const char* made; // a program folder with a file and a startup link; lower case: empty folder
    char held;        // its file and its link held open
    int groupCode, startupCode;
    const char* kept;
};

TEST(Shortcuts, ThreeNamesTable) {
    const std::wstring programs = ShellFolder(CSIDL_COMMON_PROGRAMS);
    const std::wstring startup = ShellFolder(CSIDL_COMMON_STARTUP);
    const NamesRow rows[] = {
        {"D", "AppName=@D\n[RegApplicationName]\nRegAppName=@D\n", "D", 0, 0, 0, ""},
        {"D", "AppName=@A\n[RegApplicationName]\nRegAppName=@A\n", "DA", 0, 0, 0, ""},
        {"D", "AppName=@A\n[RegApplicationName]\nRegAppName=@D\n", "d", 0, 0, 0, "d"},
        {"D", "AppName=@A\n[RegApplicationName]\nRegAppName=@R\n", "DAR", 'D', 2004, 2011, "DAR"},
        {nullptr, "AppName=@A\n[RegApplicationName]\nRegAppName=@R\n", "A", 0, 2001, 2010, "A"},
        {"D", "[RegApplicationName]\nRegAppName=@R\n", "DR", 0, 2005, 2012, "R"},
        {"D", "AppName=\n[RegApplicationName]\nRegAppName=@R\n", "DR", 0, 2005, 2012, "R"},
        {"D", "AppName=@A\n", "DA", 0, 2007, 2014, ""},
        {"D", "AppName=@A\n[RegApplicationName]\nRegAppName=\n", "DA", 0, 2007, 2014, ""},
        // ".." names the Start menu itself; a cut name names another folder.
        {"D", "AppName=..\n[RegApplicationName]\nRegAppName=@R\n", "DR", 0, 2006, 2013, "R"},
        {"D", "AppName=@L\n[RegApplicationName]\nRegAppName=@R\n", "DCR", 0, 2006, 2013, "CR"},
    };
    for (const NamesRow& row : rows) {
        const Names name;
        name.Use(("[SETSTARTUP]\nRegister=Y\n[ApplicationName]\n" + std::string(row.ini)).c_str());
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, ProductKey.c_str());
        if (row.display != nullptr) {
            CreateMachineKey(ProductKey, L"DisplayName", name(*row.display));
        }
        auto folder = [&](char t) { return programs + L"\\" + name(char(toupper(t))); };
        // C's startup entry is the cut link name that a 127-character link name leaves.
        auto link = [&](char t) { return startup + L"\\" + name(t) + (t == 'C' ? L"" : L".lnk"); };
        for (const char* t = row.made; *t; ++t) {
            CreateDirectoryW(folder(*t).c_str(), nullptr);
            if (isupper(*t)) {
                WriteBytes(folder(*t) + L"\\f.txt", "x");
                WriteBytes(link(*t), "x");
            }
        }
        HANDLE heldFile = row.held ? Hold(folder(row.held) + L"\\f.txt") : nullptr;
        HANDLE heldLink = row.held ? Hold(link(row.held)) : nullptr;
        ClearHeldLog();
        EXPECT_EQ(row.groupCode == 0, RemoveProgramGroups() == 1) << row.made;
        EXPECT_EQ(row.startupCode == 0, RemoveStartupShortcuts() == 1) << row.made;
        EXPECT_EQ(Lines(row.groupCode, row.startupCode), HeldLines()) << row.made;
        CloseHandle(heldFile);
        CloseHandle(heldLink);
        for (const char* t = row.made; *t; ++t) {
            const bool kept = strchr(row.kept, *t) != nullptr;
            EXPECT_EQ(kept, PathExists(folder(*t))) << *t;
            EXPECT_EQ(kept && isupper(*t), PathExists(link(*t))) << *t;
            DeleteFileW((folder(*t) + L"\\f.txt").c_str());
            RemoveDirectoryW(folder(*t).c_str());
            DeleteFileW(link(*t).c_str());
        }
    }
    EXPECT_TRUE(PathExists(startup));
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, ProductKey.c_str());
}

TEST(Shortcuts, RegisterSwitchTable) {
    // Without an Uninstall key a step that runs fails at its display name, with 2010.
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, ProductKey.c_str());
    const struct {
        const char* ini;
        int result;
    } rows[] = {
        {"", 1}, {"Register=\n", 1}, {"Register=N\n", 1}, {"Register=n\n", 0}, {"Register=Y\n", 0}};
    for (const auto& row : rows) {
        Names().Use(("[SETSTARTUP]\n" + std::string(row.ini)).c_str());
        ClearHeldLog();
        EXPECT_EQ(row.result, RemoveStartupShortcuts()) << row.ini;
        EXPECT_EQ(Lines(row.result ? 0 : 2010, 0), HeldLines()) << row.ini;
    }
}

TEST(Shortcuts, DesktopTable) {
    const std::wstring desktop = ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY);
    const struct {
        const char *ini, *made;
        int result;
        std::vector<std::string> lines;
        const char* kept;
    } rows[] = {
        // The default "Could't" stands as the name; its shortcut is not there.
        {"MediaGuide=Y\nReadmeName=@X\n", "X", 0, {"ERROR CODE: 5002 (0x00000002)"}, ""},
        {"MediaGuide=y\nMediaGudeName=@X\n", "X", 1, {}, "X"},
        {"OtherFile=3\nItemName0=@A\nItemName1=@B\nItemName2=@E\n",
         "AE",
         0,
         {"ERROR CODE: 5005 (0x00000002)"},
         ""},
        {"OtherFile=0\nMediaGudeName=@X\nItemName0=@X\n", "X", 1, {}, "X"},
        {"MediaGuide=Y\nMediaGudeName=@L\nReadmeName=@X\n",
         "CX",
         0,
         {"ERROR CODE: 5002 (0x000000ce)"},
         "C"},
    };
    for (const auto& row : rows) {
        const Names name;
        name.Use(("[DesktopShortCut]\n" + std::string(row.ini)).c_str());
        for (const char* t = row.made; *t; ++t) {
            WriteBytes(desktop + L"\\" + name(*t) + L".lnk", "x");
        }
        ClearHeldLog();
        EXPECT_EQ(row.result, RemoveDesktopShortcuts()) << row.ini;
        EXPECT_EQ(row.lines, HeldLines()) << row.ini;
        for (const char* t = row.made; *t; ++t) {
            const std::wstring path = desktop + L"\\" + name(*t) + L".lnk";
            EXPECT_EQ(strchr(row.kept, *t) != nullptr, PathExists(path)) << *t;
            DeleteFileW(path.c_str());
        }
    }
}

} // namespace

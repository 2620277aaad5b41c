// Program folders and shortcuts in the all-users shell folders of the test prefix.
#include <shlobj.h>

#include <gtest/gtest.h>

#include "cleanup.h"
#include "cleanuptest.h"

namespace {

struct Row {
    char display;       // '-': no product key
    const char* ini;    // key=value words; "@X" is the name X
    const char* made;   // names with a program folder holding a file, a startup link and a desktop
                        // link; lower case: an empty program folder alone
    char held;          // its file and its startup link held open
    const char* result; // the three steps' results, then the codes logged
    const char* left;   // per name what is left: folder f, startup link s, desktop link d
};

TEST(Shortcuts, NamesSwitchesAndDesktopTable) {
    const std::wstring programs = ShellFolder(CSIDL_COMMON_PROGRAMS);
    const std::wstring startup = ShellFolder(CSIDL_COMMON_STARTUP);
    const std::wstring desktop = ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY);
    const Row rows[] = {
        // An empty program folder stays.
        {'D', "Register=Y AppName=@A RegAppName=@D", "d", 0, "111", "df"},
        {'D', "Register=Y AppName=@A RegAppName=@R", "DAR", 'D', "001 2004 2011", "Dfsd Afsd Rfsd"},
        {'D', "Register=Y RegAppName=@R", "DR", 0, "001 2005 2012", "Dd Rfsd"},
        {'D', "Register=Y AppName= RegAppName=@R", "DR", 0, "001 2005 2012", "Dd Rfsd"},
        {'D', "Register=Y AppName=@A RegAppName=", "DA", 0, "001 2007 2014", "Dd Ad"},
        // ".." names the Start menu itself; a cut name or link name names some other entry.
        {'D', "Register=Y AppName=.. RegAppName=@R", "DR", 0, "001 2006 2013", "Dd Rfsd"},
        {'D', "Register=Y AppName=@L RegAppName=@R", "DCR", 0, "001 2006 2013", "Dd Cfsd Rfsd"},
        {'D', "Register=Y AppName=@M RegAppName=@R", "DMR", 0, "101 2013", "Dd Msd Rsd"},
        // Without a product key, a startup step that runs fails with 2010.
        {'-', "", "", 0, "011 2001", ""},
        {'-', "Register=", "", 0, "011 2001", ""},
        {'-', "Register=N", "", 0, "011 2001", ""},
        {'-', "Register=n", "", 0, "001 2001 2010", ""},
        {'-', "Register=Yes-please", "", 0, "001 2001 2010", ""},
        // The default "Could't" stands as a missing name; its shortcut is not there. Only
        // ERROR_NOT_FOUND counts as gone, not ERROR_FILE_NOT_FOUND.
        {'-', "MediaGuide=Y ReadmeName=@X", "X", 0, "010 2001 5002 (0x00000002)", "Xfs"},
        {'-', "MediaGuide=y MediaGudeName=@X", "X", 0, "011 2001", "Xfsd"},
        {'-', "OtherFile=4 ItemName0=@A ItemName1=@B ItemName3=@E", "AE", 0,
         "010 2001 5005 (0x00000002) 5004", "Afs Efs"},
        {'-', "OtherFile=0 MediaGudeName=@X ItemName0=@X", "X", 0, "011 2001", "Xfsd"},
        {'-', "MediaGuide=Y MediaGudeName=@L ReadmeName=@X", "CX", 0, "010 2001 5002 (0x000000ce)",
         "Cfsd Xfs"},
        // "..\P" names the link beside the desktop folder, where P's desktop link is made.
        {'-', "OtherFile=1 ItemName0=..\\@P", "P", 0, "010 2001 5005 (0x0000007b)", "Pfsd"},
    };
    for (const Row& row : rows) {
        // Names of the row's own: L has 200 characters, C is its first 127 (what a 128-character
        // read cuts L to), M has 125 (too long for "%s.lnk" in 128).
        auto name = [&](char t) {
            std::wstring n = L"vqsc" + std::to_wstring(&row - rows) + L"-" + wchar_t(toupper(t));
            n.resize(t == 'L' ? 200 : t == 'C' ? 127 : t == 'M' ? 125 : n.size(), L'L');
            return n;
        };
        std::string keys;
        for (const char* c = row.ini; *c; ++c) {
            const std::wstring text = *c == '@' ? name(*++c) : std::wstring(1, *c);
            keys.append(text.begin(), text.end());
        }
        // Each key is read from one section only, so every section may hold them all.
        std::string ini;
        for (const char* section :
             {"SETSTARTUP", "ApplicationName", "RegApplicationName", "DesktopShortCut"}) {
            ini += std::string("[") + section + "] " + keys + " ";
        }
        UseProduct(ini, row.display != '-' ? L"DisplayName" : nullptr, name(row.display));
        // Program folder, its file, startup link, desktop link. C's and M's startup entries are
        // what their cut link names would name.
        auto paths = [&](char t) {
            const std::wstring n = name(t), folder = programs + L"\\" + n;
            const wchar_t* end = t == 'C' ? L"" : t == 'M' ? L".l" : L".lnk";
            return std::vector<std::wstring>{folder, folder + L"\\f.txt", startup + L"\\" + n + end,
                                             desktop + (t == 'P' ? L"\\..\\" : L"\\") + n +
                                                 L".lnk"};
        };
        for (const char* t = row.made; *t; ++t) {
            const std::vector<std::wstring> p = paths(*t);
            MakeFolder(p[0]);
            for (size_t i = 1; isupper(*t) && i < p.size(); ++i) {
                WriteBytes(p[i], "x");
            }
        }
        HANDLE held[2] = {};
        for (int i = 0; row.held != 0 && i < 2; ++i) {
            held[i] = CreateFileW(paths(row.held)[i + 1].c_str(), GENERIC_READ, FILE_SHARE_READ,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
        }
        std::string result = std::to_string(RemoveProgramGroups());
        result += std::to_string(RemoveStartupShortcuts());
        result += Outcome(RemoveDesktopShortcuts());
        EXPECT_EQ(row.result, result) << row.ini;
        CloseHandle(held[0]);
        CloseHandle(held[1]);
        std::string left;
        for (const char* t = row.made; *t; ++t) {
            const std::vector<std::wstring> p = paths(*t);
            left += std::string(left.empty() ? "" : " ") + *t;
            for (size_t i : {0, 2, 3}) {
                left += PathExists(p[i]) ? std::string(1, "f?sd"[i]) : "";
            }
            for (size_t i = 3; i > 0; --i) {
                DeleteFileW(p[i].c_str());
            }
            RemoveDirectoryW(p[0].c_str());
        }
        EXPECT_EQ(row.left, left) << row.ini;
    }
    EXPECT_TRUE(PathExists(programs) && PathExists(startup) && PathExists(desktop));
}

} // namespace

// Shell special folders of the simulated machine.
#include <winsim/control.h>

#include <shlobj.h>

#include <map>

#include "internal.h"

namespace winsim {
namespace {

std::map<int, std::wstring> g_folders;

void ResetFolders() {
    const std::wstring profile = L"C:\\Users\\tester";
    const std::wstring roaming = profile + L"\\AppData\\Roaming";
    const std::wstring common = L"C:\\ProgramData";
    g_folders = {
        {CSIDL_DESKTOPDIRECTORY, profile + L"\\Desktop"},
        {CSIDL_APPDATA, roaming},
        {CSIDL_LOCAL_APPDATA, profile + L"\\AppData\\Local"},
        {CSIDL_PROGRAMS, roaming + L"\\Microsoft\\Windows\\Start Menu\\Programs"},
        {CSIDL_STARTUP, roaming + L"\\Microsoft\\Windows\\Start Menu\\Programs\\Startup"},
        {CSIDL_COMMON_APPDATA, common},
        {CSIDL_COMMON_STARTMENU, common + L"\\Microsoft\\Windows\\Start Menu"},
        {CSIDL_COMMON_PROGRAMS, common + L"\\Microsoft\\Windows\\Start Menu\\Programs"},
        {CSIDL_COMMON_STARTUP, common + L"\\Microsoft\\Windows\\Start Menu\\Programs\\Startup"},
        {CSIDL_COMMON_DESKTOPDIRECTORY, L"C:\\Users\\Public\\Desktop"},
        {CSIDL_WINDOWS, L"C:\\Windows"},
        {CSIDL_SYSTEM, L"C:\\Windows\\System32"},
        {CSIDL_SYSTEMX86, L"C:\\Windows\\SysWOW64"},
        {CSIDL_PROGRAM_FILES, L"C:\\Program Files"},
        {CSIDL_PROGRAM_FILESX86, L"C:\\Program Files (x86)"},
        {CSIDL_PROGRAM_FILES_COMMON, L"C:\\Program Files\\Common Files"},
    };
    for (const auto& folder : g_folders) {
        MakeFolders(folder.second);
    }
}
const ResetStep g_reset(ResetFolders);

} // namespace

void SetShellFolder(int csidl, const std::wstring& path) {
    if (path.empty()) {
        g_folders.erase(csidl);
        return;
    }
    g_folders[csidl] = path;
    MakeFolders(path);
}

} // namespace winsim

HRESULT WINAPI SHGetFolderPathW(HWND window, int folder, HANDLE token, DWORD flags, LPWSTR path) {
    WINSIM_CALL(HRESULT);
    (void)window;
    (void)token;
    (void)flags;
    auto found = winsim::g_folders.find(folder & ~CSIDL_FLAG_MASK);
    if (path == nullptr || found == winsim::g_folders.end() || found->second.size() >= MAX_PATH) {
        return E_FAIL;
    }
    wcscpy(path, found->second.c_str());
    return S_OK;
}

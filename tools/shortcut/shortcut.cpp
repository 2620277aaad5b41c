#include "shortcut.h"

#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>

#include "log.h"
#include "options.h"

const wchar_t ToolLogName[] = L"vqshortcut";

namespace {

// Wide-character buffer of the Startup folder path, terminator included.
enum : size_t { StartupFolderChars = 261 };

std::wstring LinkPathOf(const std::wstring& folder, const std::wstring& name) {
    return folder + L"\\" + name + L".lnk";
}

// The target's folder: everything before its last separator. A forward slash separates as
// well as a backslash, so that a target written with forward slashes gets its own folder. A
// bare name has no folder part: the link would depend on whatever the current folder is when
// it runs, so it is refused rather than given a guessed working directory.
bool CutToFolder(std::wstring& path) {
    const size_t last = path.find_last_of(L"\\/");
    if (last == std::wstring::npos) {
        return false;
    }
    path.erase(last);
    return true;
}

} // namespace

bool CreateShellShortcut(const std::wstring& target, const std::wstring& name,
                         const std::wstring& arguments, const std::wstring& folder) {
    if (FAILED(CoInitialize(nullptr))) {
        LogErrorCode(4, false);
        return false;
    }
    IShellLinkW* link = nullptr;
    if (CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                         reinterpret_cast<void**>(&link)) != S_OK ||
        link == nullptr) {
        CoUninitialize();
        LogErrorCode(5, false);
        return false;
    }

    std::wstring workingDirectory = target;
    const std::wstring linkPath = LinkPathOf(folder, name);
    bool saved = false;
    // Any result but S_OK counts as a failure, S_FALSE included; the first one ends the steps.
    do {
        if (link->SetPath(target.c_str()) != S_OK) {
            LogErrorCode(6, false);
            break;
        }
        if (!arguments.empty()) {
            link->SetArguments(arguments.c_str());
        }
        if (link->SetIconLocation(target.c_str(), 0) != S_OK) {
            LogErrorCode(8, false);
            break;
        }
        if (link->SetShowCmd(SW_SHOWNORMAL) != S_OK) {
            LogErrorCode(9, false);
            break;
        }
        if (!CutToFolder(workingDirectory) ||
            link->SetWorkingDirectory(workingDirectory.c_str()) != S_OK) {
            LogErrorCode(10, false);
            break;
        }
        IPersistFile* file = nullptr;
        if (link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)) != S_OK ||
            file == nullptr) {
            LogErrorCode(11, false);
            break;
        }
        // An existing link is replaced even when read-only; if it cannot be removed, saving
        // over it may still succeed, so neither failure ends the operation.
        if (PathFileExistsW(linkPath.c_str())) {
            if (!SetFileAttributesW(linkPath.c_str(), FILE_ATTRIBUTE_ARCHIVE)) {
                LogErrorCode(13, true);
            }
            if (!DeleteFileW(linkPath.c_str())) {
                LogErrorCode(14, true);
            }
        }
        const HRESULT result = file->Save(linkPath.c_str(), TRUE);
        file->Release();
        if (result != S_OK) {
            LogErrorCode(12, false);
            break;
        }
        saved = true;
    } while (false);

    link->Release();
    CoUninitialize();
    return saved;
}

bool DeleteShellShortcut(const std::wstring& folder, const std::wstring& name) {
    const std::wstring linkPath = LinkPathOf(folder, name);
    if (!SetFileAttributesW(linkPath.c_str(), FILE_ATTRIBUTE_ARCHIVE)) {
        LogErrorCode(13, true);
    }
    if (!DeleteFileW(linkPath.c_str())) {
        LogErrorCode(14, true);
        return false;
    }
    return true;
}

int RunShortcutCommand() {
    LogStart();
    const std::wstring name = GetOptionValue(L"-n");
    if (name.empty() || GetOptionValue(L"-d") != L"CSIDL_COMMON_STARTUP") {
        LogErrorCode(1, false);
        return FailureExit();
    }
    wchar_t folder[StartupFolderChars] = {};
    if (!SHGetSpecialFolderPathW(nullptr, folder, CSIDL_COMMON_STARTUP, FALSE)) {
        LogErrorCode(2, false);
        return FailureExit();
    }

    if (HasOption(L"-i")) {
        const std::wstring target = GetOptionValue(L"-i");
        if (target.empty()) {
            LogErrorCode(1, false);
            return FailureExit();
        }
        if (!PathFileExistsW(target.c_str())) {
            LogErrorCode(3, true);
            return FailureExit();
        }
        if (!CreateShellShortcut(target, name, GetOptionValue(L"-o"), folder)) {
            LogErrorCode(15, false);
            return FailureExit();
        }
        return ERROR_SUCCESS;
    }
    if (HasOption(L"-u")) {
        if (!DeleteShellShortcut(folder, name)) {
            LogErrorCode(16, false);
            return FailureExit();
        }
        return ERROR_SUCCESS;
    }
    LogErrorCode(1, false);
    return FailureExit();
}

#include "zubstart.h"

#include "log.h"
#include "options.h"
#include "programfolder.h"

const wchar_t ToolLogName[] = L"vqzublog";

std::string WideToAnsi(const std::wstring& text) {
    if (text.empty()) {
        return std::string();
    }
    // The length includes the terminator, so the converted text comes back terminated.
    const int wideLength = static_cast<int>(text.size()) + 1;
    const int bytes = WideCharToMultiByte(CP_THREAD_ACP, 0, text.c_str(), wideLength, nullptr, 0,
                                          nullptr, nullptr);
    if (bytes <= 0) {
        LogErrorCode(103, true);
        return std::string();
    }
    char* buffer = static_cast<char*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, bytes));
    if (buffer == nullptr) {
        LogErrorCode(102, false);
        return std::string();
    }
    std::string result;
    if (WideCharToMultiByte(CP_THREAD_ACP, 0, text.c_str(), wideLength, buffer, bytes, nullptr,
                            nullptr) == 0) {
        LogErrorCode(103, true);
    } else {
        // The text ends inside the buffer whatever the conversion wrote.
        buffer[bytes - 1] = '\0';
        result = buffer;
    }
    HeapFree(GetProcessHeap(), 0, buffer);
    return result;
}

std::wstring GetZubKitPath(const std::wstring& programFolder) {
    return programFolder + L"Mub\\vqzubkit.dll";
}

int RunZubStart() {
    LogStart();
    // The name is converted before the mode is looked at, so its lines come first.
    const std::string name = WideToAnsi(GetOptionValue(L"-n"));
    if (name.empty()) {
        LogErrorCode(101, false);
        return FailureExit();
    }
    ZubInstallMode mode;
    if (HasOption(L"-i")) {
        mode = ZubInstall;
    } else if (HasOption(L"-u")) {
        mode = ZubUninstall;
    } else {
        LogErrorCode(101, false);
        return FailureExit();
    }

    // An empty folder means the program path could not be had or was cut: a library path
    // relative to it would be found through the search path, or in some other folder, so
    // nothing is loaded. The line carries the error the path lookup left.
    const std::wstring folder = GetProgramFolder();
    if (folder.empty()) {
        LogErrorCode(104, true);
        return FailureExit();
    }
    const std::wstring libraryPath = GetZubKitPath(folder);
    HMODULE library = LoadLibraryW(libraryPath.c_str());
    if (library == nullptr) {
        LogErrorCode(104, true);
        return FailureExit();
    }
    const StartZubInstallProc startInstall = reinterpret_cast<StartZubInstallProc>(
        reinterpret_cast<void*>(GetProcAddress(library, "Vq_Start_Zub_Install")));
    if (startInstall == nullptr) {
        LogErrorCode(105, true);
        FreeLibrary(library);
        return FailureExit();
    }
    const int result = startInstall(name.c_str(), mode);
    // Nothing of the library is needed once its export has returned.
    FreeLibrary(library);

    if (result == 0) {
        return ERROR_SUCCESS;
    }
    if (result == 1) {
        return ERROR_SUCCESS_REBOOT_INITIATED;
    }
    LogErrorCode(result, false);
    return FailureExit();
}

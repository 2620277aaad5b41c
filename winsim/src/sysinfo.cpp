// System information of the simulated machine.
#include <winsim/control.h>

#include "internal.h"

namespace winsim {
namespace {

struct SystemSettings {
    bool versionAvailable;
    DWORD major;
    DWORD minor;
    WORD architecture;
    LANGID language;
};

SystemSettings g_system;

void ResetSystem() { g_system = SystemSettings{true, 6, 2, PROCESSOR_ARCHITECTURE_AMD64, 0x0409}; }
const ResetStep g_reset(ResetSystem);

} // namespace

void SetVersion(bool available, DWORD major, DWORD minor) {
    g_system.versionAvailable = available;
    g_system.major = major;
    g_system.minor = minor;
}

void SetNativeArchitecture(WORD architecture) { g_system.architecture = architecture; }

void SetSystemDefaultLangID(LANGID language) { g_system.language = language; }

} // namespace winsim

BOOL WINAPI GetVersionExW(LPOSVERSIONINFOW info) {
    WINSIM_CALL(BOOL);
    if (info == nullptr || info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOW)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    if (!winsim::g_system.versionAvailable) {
        SetLastError(ERROR_INVALID_FUNCTION);
        return FALSE;
    }
    info->dwMajorVersion = winsim::g_system.major;
    info->dwMinorVersion = winsim::g_system.minor;
    info->dwBuildNumber = 9200;
    info->dwPlatformId = VER_PLATFORM_WIN32_NT;
    info->szCSDVersion[0] = L'\0';
    return TRUE;
}

void WINAPI GetNativeSystemInfo(LPSYSTEM_INFO info) {
    WINSIM_CALL_VOID();
    ZeroMemory(info, sizeof(*info));
    info->wProcessorArchitecture = winsim::g_system.architecture;
    info->dwPageSize = 4096;
    info->dwNumberOfProcessors = 8;
    info->dwAllocationGranularity = 65536;
}

LANGID WINAPI GetSystemDefaultLangID() {
    WINSIM_CALL(LANGID);
    return winsim::g_system.language;
}

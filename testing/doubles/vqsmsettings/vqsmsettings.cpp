// Stands in for the settings-export library: appends to "vqsmsettings.txt" beside itself one
// word per event: "load", "call" (its export), and "free" (FreeLibrary) or "exit" (unloaded at
// process end, when the loader passes a non-NULL reserved argument).
#include <windows.h>

#include <wchar.h>

namespace {

wchar_t RecordPath[MAX_PATH + 32];

void Record(const char* word) {
    HANDLE file = CreateFileW(RecordPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(file, word, lstrlenA(word), &written, nullptr);
        CloseHandle(file);
    }
}

} // namespace

extern "C" {

#ifndef VQSMSETTINGS_WITHOUT_EXPORT
__declspec(dllexport) void exp_sm_usrsetting_reg() { Record("call "); }
#endif

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        const DWORD length = GetModuleFileNameW(instance, RecordPath, MAX_PATH);
        wchar_t* slash = wcsrchr(RecordPath, L'\\');
        if (length == 0 || length >= MAX_PATH || slash == nullptr) {
            return FALSE;
        }
        wcscpy_s(slash + 1, 32, L"vqsmsettings.txt");
        Record("load ");
    } else if (reason == DLL_PROCESS_DETACH) {
        Record(reserved == nullptr ? "free " : "exit ");
    }
    return TRUE;
}
}

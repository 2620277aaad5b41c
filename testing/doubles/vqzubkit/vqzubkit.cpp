// Stands in for the maker's component-install library: its export returns the number that the
// component name begins with, and its load ("loaded\n"), each call ("<mode> <name>\n") and each
// FreeLibrary ("freed\n") are appended to the file named by VQZUBKIT_RECORD. Built also without
// the export.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

static void AppendRecord(const char* text) {
    const wchar_t* path = _wgetenv(L"VQZUBKIT_RECORD");
    FILE* record = path != nullptr ? _wfopen(path, L"ab") : nullptr;
    if (record != nullptr) {
        fputs(text, record);
        fclose(record);
    }
}

#ifndef ZUBKIT_NO_EXPORT
extern "C" __declspec(dllexport) int Vq_Start_Zub_Install(const char* name, int mode) {
    char line[1100];
    _snprintf_s(line, _countof(line), _TRUNCATE, "%d %s\n", mode, name);
    AppendRecord(line);
    return atoi(name);
}
#endif

// A detach without the reserved argument is a FreeLibrary; at process exit it is non-NULL.
BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        AppendRecord("loaded\n");
    } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        AppendRecord("freed\n");
    }
    return TRUE;
}

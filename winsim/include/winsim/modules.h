// Test control of the stand-in's libraries: what LoadLibrary can find, and what it did.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace winsim {

// One named export; a library's ordinals count from 1 in the order of its export list.
struct ModuleExport {
    const char* name;
    FARPROC address;
};

// Any function as an export address.
template <class Function> FARPROC ExportAddress(Function* function) {
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

// A library's entry point, called with DLL_PROCESS_ATTACH when it is mapped and with
// DLL_PROCESS_DETACH when its last reference is freed. FALSE from the attach fails the load.
typedef BOOL(WINAPI* ModuleEntry)(HINSTANCE module, DWORD reason, LPVOID reserved);

// Places a library file at `path` (a full Windows path) for LoadLibrary to find. A bare name is
// searched in the application's folder (the folder of the program path, element 0 of the
// argument vector), then C:\Windows\System32, then C:\Windows. Every Reset removes them all.
void RegisterModule(const std::wstring& path, const std::vector<ModuleExport>& exports,
                    ModuleEntry entry = nullptr);

// How often the library at `path` was mapped and unmapped since it was registered, and whether
// it is mapped now.
unsigned ModuleLoadCount(const std::wstring& path);
unsigned ModuleUnloadCount(const std::wstring& path);
bool ModuleIsLoaded(const std::wstring& path);

} // namespace winsim

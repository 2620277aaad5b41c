// Dynamic loading of libraries in the host stand-in (kernel32).
#pragma once

#include <winbase.h>

// The generic export address; callers cast it to the function's real type.
typedef INT_PTR(WINAPI* FARPROC)();

// Reasons given to a library's entry point.
#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3

HMODULE WINAPI LoadLibraryA(LPCSTR fileName);
HMODULE WINAPI LoadLibraryW(LPCWSTR fileName);
BOOL WINAPI FreeLibrary(HMODULE module);
// `name` is an export name, or an ordinal in its low word with a zero high word.
FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR name);
HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName);
HMODULE WINAPI GetModuleHandleW(LPCWSTR moduleName);

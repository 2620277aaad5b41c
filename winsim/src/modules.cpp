// Libraries of the simulated machine: registered files with named exports that LoadLibrary maps
// with a reference count, calling each library's entry point on the first load and last free.
#include <winsim/crt.h>
#include <winsim/modules.h>

#include <map>

#include "internal.h"
#include "narrow.h"

namespace winsim {
namespace {

constexpr DWORD kDllInitFailed = 1114; // ERROR_DLL_INIT_FAILED
const std::uintptr_t kProgramBase = 0x140000000;
const std::uintptr_t kFirstLibraryBase = 0x180000000;
const std::uintptr_t kLibraryStride = 0x1000000;

struct Module {
    std::wstring path;
    std::vector<ModuleExport> exports;
    ModuleEntry entry;
    HMODULE handle; // its fixed base: a library mapped again lands where it was
    unsigned references = 0;
    unsigned loads = 0;
    unsigned unloads = 0;
};

// Function-local so that libraries loaded from static constructors find it ready.
std::vector<Module>& Modules() {
    static std::vector<Module> modules;
    return modules;
}

void ResetModules() { Modules().clear(); }
const ResetStep g_reset(ResetModules);

std::wstring Normalised(std::wstring path) {
    for (wchar_t& c : path) {
        if (c == L'/') {
            c = L'\\';
        }
    }
    return path;
}

std::wstring FileNameOf(const std::wstring& path) {
    const size_t cut = path.find_last_of(L'\\');
    return cut == std::wstring::npos ? path : path.substr(cut + 1);
}

std::wstring FolderOf(const std::wstring& path) {
    const size_t cut = path.find_last_of(L'\\');
    return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut);
}

// A name without an extension gets ".dll"; a trailing dot means "no extension".
std::wstring WithDefaultExtension(const std::wstring& name) {
    const std::wstring file = FileNameOf(name);
    if (!file.empty() && file.back() == L'.') {
        return name.substr(0, name.size() - 1);
    }
    if (file.find(L'.') == std::wstring::npos) {
        return name + L".dll";
    }
    return name;
}

bool HasFolder(const std::wstring& name) { return name.find(L'\\') != std::wstring::npos; }

Module* FindByPath(const std::wstring& path) {
    for (Module& module : Modules()) {
        if (EqualNoCase(module.path, path)) {
            return &module;
        }
    }
    return nullptr;
}

Module* FindLoaded(const std::wstring& name) {
    for (Module& module : Modules()) {
        if (module.references == 0) {
            continue;
        }
        if (HasFolder(name) ? EqualNoCase(module.path, name)
                            : EqualNoCase(FileNameOf(module.path), name)) {
            return &module;
        }
    }
    return nullptr;
}

Module* FindByHandle(HMODULE handle) {
    for (Module& module : Modules()) {
        if (module.references != 0 && module.handle == handle) {
            return &module;
        }
    }
    return nullptr;
}

// The standard search order for a bare name, as far as the simulated machine has folders: a
// library of that name already loaded, then the application's folder and the system folders.
Module* Search(const std::wstring& name) {
    if (HasFolder(name)) {
        return FindByPath(name);
    }
    if (Module* loaded = FindLoaded(name)) {
        return loaded;
    }
    std::vector<std::wstring> folders;
    if (__wargv != nullptr && __argc > 0 && __wargv[0] != nullptr) {
        folders.push_back(FolderOf(Normalised(__wargv[0])));
    }
    folders.push_back(L"C:\\Windows\\System32");
    folders.push_back(L"C:\\Windows");
    for (const std::wstring& folder : folders) {
        if (Module* found = FindByPath(folder + L"\\" + name)) {
            return found;
        }
    }
    return nullptr;
}

HMODULE Load(const std::wstring& requested) {
    if (requested.empty()) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    Module* module = Search(WithDefaultExtension(Normalised(requested)));
    if (module == nullptr) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    const HMODULE handle = module->handle;
    if (module->references++ == 0) {
        ++module->loads;
        // The entry may load or free other libraries: only the handle is kept across the call.
        const ModuleEntry entry = module->entry;
        if (entry != nullptr && !entry(handle, DLL_PROCESS_ATTACH, nullptr)) {
            entry(handle, DLL_PROCESS_DETACH, nullptr);
            if (Module* failed = FindByHandle(handle)) {
                failed->references = 0;
                ++failed->unloads;
            }
            SetLastError(kDllInitFailed);
            return nullptr;
        }
    }
    Acquire("module", handle);
    return handle;
}

HMODULE Find(const std::wstring& requested) {
    Module* module = FindLoaded(WithDefaultExtension(Normalised(requested)));
    if (module == nullptr) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return module->handle;
}

} // namespace

void RegisterModule(const std::wstring& path, const std::vector<ModuleExport>& exports,
                    ModuleEntry entry) {
    std::vector<Module>& modules = Modules();
    const std::uintptr_t base = kFirstLibraryBase + modules.size() * kLibraryStride;
    modules.push_back(Module{Normalised(path), exports, entry, reinterpret_cast<HMODULE>(base)});
}

unsigned ModuleLoadCount(const std::wstring& path) {
    const Module* module = FindByPath(Normalised(path));
    return module != nullptr ? module->loads : 0;
}

unsigned ModuleUnloadCount(const std::wstring& path) {
    const Module* module = FindByPath(Normalised(path));
    return module != nullptr ? module->unloads : 0;
}

bool ModuleIsLoaded(const std::wstring& path) {
    const Module* module = FindByPath(Normalised(path));
    return module != nullptr && module->references != 0;
}

} // namespace winsim

HMODULE WINAPI LoadLibraryA(LPCSTR fileName) {
    WINSIM_CALL(HMODULE);
    if (fileName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return winsim::Load(winsim::WideFromAnsi(fileName));
}

HMODULE WINAPI LoadLibraryW(LPCWSTR fileName) {
    WINSIM_CALL(HMODULE);
    if (fileName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return winsim::Load(fileName);
}

BOOL WINAPI FreeLibrary(HMODULE module) {
    WINSIM_CALL(BOOL);
    winsim::Module* found = winsim::FindByHandle(module);
    if (found == nullptr) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return FALSE;
    }
    winsim::Release("module", module);
    if (--found->references == 0) {
        ++found->unloads;
        const winsim::ModuleEntry entry = found->entry;
        if (entry != nullptr) {
            entry(module, DLL_PROCESS_DETACH, nullptr);
        }
    }
    return TRUE;
}

FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR name) {
    WINSIM_CALL(FARPROC);
    if (module == reinterpret_cast<HMODULE>(winsim::kProgramBase) || module == nullptr) {
        SetLastError(ERROR_PROC_NOT_FOUND); // the program exports nothing
        return nullptr;
    }
    const winsim::Module* found = winsim::FindByHandle(module);
    if (found == nullptr) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    const std::uintptr_t value = reinterpret_cast<std::uintptr_t>(name);
    if ((value >> 16) == 0) {
        const std::uintptr_t ordinal = value & 0xFFFF;
        if (ordinal >= 1 && ordinal <= found->exports.size()) {
            return found->exports[ordinal - 1].address;
        }
    } else {
        for (const winsim::ModuleExport& entry : found->exports) {
            if (std::strcmp(entry.name, name) == 0) {
                return entry.address;
            }
        }
    }
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
}

HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName) {
    WINSIM_CALL(HMODULE);
    if (moduleName == nullptr) {
        return reinterpret_cast<HMODULE>(winsim::kProgramBase);
    }
    return winsim::Find(winsim::WideFromAnsi(moduleName));
}

HMODULE WINAPI GetModuleHandleW(LPCWSTR moduleName) {
    WINSIM_CALL(HMODULE);
    if (moduleName == nullptr) {
        return reinterpret_cast<HMODULE>(winsim::kProgramBase);
    }
    return winsim::Find(moduleName);
}

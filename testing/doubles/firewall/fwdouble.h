// Control of the firewall-manager double (fwdouble.dll). Its state lives in values of
// HKCU\Software\VelmarTest\Firewall, so that a program under test in another process sees it:
//   "Removed"  REG_MULTI_SZ  the path of every Remove call, in order;
//   "FailAt"   REG_MULTI_SZ  a call ("CoCreateInstance", "get_LocalPolicy", "get_CurrentProfile",
//                            "get_AuthorizedApplications" or "Remove") and an HRESULT in decimal:
//                            that call answers it, once; a success goes ahead;
//   "Original" REG_SZ        the server path registered before the double took its place.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

const wchar_t FwDoubleStateKey[] = L"Software\\VelmarTest\\Firewall";
const wchar_t FwDoubleServerKey[] =
    L"SOFTWARE\\Classes\\CLSID\\{304CE942-6E39-40D8-943A-B913C40C9CD4}\\InProcServer32";
// Where the double lies below the build folder.
const wchar_t FwDoubleBelowBuild[] = L"\\testing\\doubles\\firewall\\fwdouble.dll";

// A text or list value as its items; none when it is missing.
inline std::vector<std::wstring> FwDoubleReadList(const wchar_t* name,
                                                  HKEY root = HKEY_CURRENT_USER,
                                                  const wchar_t* key = FwDoubleStateKey) {
    std::vector<wchar_t> data(8192, L'\0');
    DWORD bytes = static_cast<DWORD>((data.size() - 2) * sizeof(wchar_t));
    std::vector<std::wstring> items;
    if (RegGetValueW(root, key, name, RRF_RT_REG_SZ | RRF_RT_REG_MULTI_SZ, nullptr, data.data(),
                     &bytes) == ERROR_SUCCESS) {
        for (const wchar_t* item = data.data(); *item != L'\0'; item += wcslen(item) + 1) {
            items.emplace_back(item);
        }
    }
    return items;
}

// `data` and one terminator more: a text as REG_SZ, items each ending in L'\0' as REG_MULTI_SZ.
inline void FwDoubleWrite(const wchar_t* name, const std::wstring& data, DWORD type = REG_SZ,
                          HKEY root = HKEY_CURRENT_USER, const wchar_t* key = FwDoubleStateKey) {
    RegSetKeyValueW(root, key, name, type, data.c_str(),
                    static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
}

// Nothing removed yet and no planned failure.
inline void FwDoubleReset() {
    RegDeleteKeyValueW(HKEY_CURRENT_USER, FwDoubleStateKey, L"Removed");
    RegDeleteKeyValueW(HKEY_CURRENT_USER, FwDoubleStateKey, L"FailAt");
}

// Puts the double, reset, in place of the system's firewall manager, keeping the system's server
// path (only the first time: after an interrupted run the registered path is the double's own).
inline bool FwDoubleRegister(const std::wstring& dllPath) {
    const std::vector<std::wstring> current =
        FwDoubleReadList(nullptr, HKEY_LOCAL_MACHINE, FwDoubleServerKey);
    if (FwDoubleReadList(L"Original").empty() && !current.empty() && current[0] != dllPath) {
        FwDoubleWrite(L"Original", current[0]);
    }
    FwDoubleWrite(L"ThreadingModel", L"Both", REG_SZ, HKEY_LOCAL_MACHINE, FwDoubleServerKey);
    FwDoubleWrite(nullptr, dllPath, REG_SZ, HKEY_LOCAL_MACHINE, FwDoubleServerKey);
    FwDoubleReset();
    return FwDoubleReadList(nullptr, HKEY_LOCAL_MACHINE, FwDoubleServerKey) ==
           std::vector<std::wstring>{dllPath};
}

inline void FwDoubleFailAt(const wchar_t* call, HRESULT result) {
    FwDoubleWrite(L"FailAt", call + (L'\0' + std::to_wstring(static_cast<ULONG>(result)) + L'\0'),
                  REG_MULTI_SZ);
}

// Gives the class back to the system's server and forgets the double's state.
inline void FwDoubleRestore() {
    for (const std::wstring& original : FwDoubleReadList(L"Original")) {
        FwDoubleWrite(nullptr, original, REG_SZ, HKEY_LOCAL_MACHINE, FwDoubleServerKey);
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, FwDoubleStateKey);
}

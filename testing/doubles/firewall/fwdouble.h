// Control of the firewall-manager double (fwdouble.dll). Its state lives under
// HKCU\Software\VelmarTest\Firewall so that a program under test in another process sees it:
//   "Apps"       REG_MULTI_SZ  the authorized applications the test seeds;
//   "Removed"    REG_MULTI_SZ  the path of every Remove call, in order (listed or not);
//   "FailAt"     REG_SZ        one call that answers "FailResult" once, then the value is gone:
//                              "CoCreateInstance", "get_LocalPolicy", "get_CurrentProfile",
//                              "get_AuthorizedApplications" or "Remove";
//   "FailResult" REG_DWORD     that answer (a non-negative one lets the call go ahead);
//   "Original"   REG_SZ        the server path registered before the double took its place.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

const wchar_t FwDoubleStateKey[] = L"Software\\VelmarTest\\Firewall";
const wchar_t FwDoubleServerKey[] =
    L"SOFTWARE\\Classes\\CLSID\\{304CE942-6E39-40D8-943A-B913C40C9CD4}\\InProcServer32";
// Where the double lies below the build folder.
const wchar_t FwDoubleBelowBuild[] = L"\\testing\\doubles\\firewall\\fwdouble.dll";

inline std::wstring FwDoubleReadText(HKEY root, const wchar_t* key, const wchar_t* name) {
    wchar_t text[1024] = {};
    DWORD bytes = sizeof(text) - sizeof(wchar_t);
    if (RegGetValueW(root, key, name, RRF_RT_REG_SZ, nullptr, text, &bytes) != ERROR_SUCCESS) {
        return L"";
    }
    return text;
}

inline void FwDoubleWriteText(HKEY root, const wchar_t* key, const wchar_t* name,
                              const std::wstring& text) {
    RegSetKeyValueW(root, key, name, REG_SZ, text.c_str(),
                    static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

inline std::vector<std::wstring> FwDoubleReadList(const wchar_t* name) {
    std::vector<std::wstring> list;
    DWORD bytes = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, FwDoubleStateKey, name, RRF_RT_REG_MULTI_SZ, nullptr,
                     nullptr, &bytes) != ERROR_SUCCESS) {
        return list;
    }
    std::vector<wchar_t> data(bytes / sizeof(wchar_t) + 2, L'\0');
    RegGetValueW(HKEY_CURRENT_USER, FwDoubleStateKey, name, RRF_RT_REG_MULTI_SZ, nullptr,
                 data.data(), &bytes);
    for (const wchar_t* item = data.data(); *item != L'\0'; item += wcslen(item) + 1) {
        list.emplace_back(item);
    }
    return list;
}

inline void FwDoubleWriteList(const wchar_t* name, const std::vector<std::wstring>& list) {
    std::wstring data;
    for (const std::wstring& item : list) {
        data += item + L'\0';
    }
    data += L'\0';
    RegSetKeyValueW(HKEY_CURRENT_USER, FwDoubleStateKey, name, REG_MULTI_SZ, data.data(),
                    static_cast<DWORD>(data.size() * sizeof(wchar_t)));
}

// Puts the double in place of the system's firewall manager, keeping the system's server path
// (only the first time: after an interrupted run the registered path is the double's own).
inline bool FwDoubleRegister(const std::wstring& dllPath) {
    const std::wstring current = FwDoubleReadText(HKEY_LOCAL_MACHINE, FwDoubleServerKey, nullptr);
    if (FwDoubleReadText(HKEY_CURRENT_USER, FwDoubleStateKey, L"Original").empty() &&
        current != dllPath) {
        FwDoubleWriteText(HKEY_CURRENT_USER, FwDoubleStateKey, L"Original", current);
    }
    FwDoubleWriteText(HKEY_LOCAL_MACHINE, FwDoubleServerKey, L"ThreadingModel", L"Both");
    FwDoubleWriteText(HKEY_LOCAL_MACHINE, FwDoubleServerKey, nullptr, dllPath);
    return FwDoubleReadText(HKEY_LOCAL_MACHINE, FwDoubleServerKey, nullptr) == dllPath;
}

// A fresh list of authorized applications, nothing removed yet and no planned failure.
inline void FwDoubleSeed(const std::vector<std::wstring>& apps) {
    FwDoubleWriteList(L"Apps", apps);
    FwDoubleWriteList(L"Removed", {});
    RegDeleteKeyValueW(HKEY_CURRENT_USER, FwDoubleStateKey, L"FailAt");
    RegDeleteKeyValueW(HKEY_CURRENT_USER, FwDoubleStateKey, L"FailResult");
}

inline void FwDoubleFailAt(const wchar_t* call, HRESULT result = E_ACCESSDENIED) {
    const DWORD value = static_cast<DWORD>(result);
    FwDoubleWriteText(HKEY_CURRENT_USER, FwDoubleStateKey, L"FailAt", call);
    RegSetKeyValueW(HKEY_CURRENT_USER, FwDoubleStateKey, L"FailResult", REG_DWORD, &value,
                    sizeof(value));
}

inline std::vector<std::wstring> FwDoubleRemoved() { return FwDoubleReadList(L"Removed"); }
inline std::vector<std::wstring> FwDoubleApps() { return FwDoubleReadList(L"Apps"); }

// Gives the class back to the system's server and forgets the double's state.
inline void FwDoubleRestore() {
    const std::wstring original =
        FwDoubleReadText(HKEY_CURRENT_USER, FwDoubleStateKey, L"Original");
    if (!original.empty()) {
        FwDoubleWriteText(HKEY_LOCAL_MACHINE, FwDoubleServerKey, nullptr, original);
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, FwDoubleStateKey);
}

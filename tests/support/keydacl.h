// Reading a registry key's DACL back through the Win32 calls; shared by the host and the
// Windows-side tests.
#pragma once

#include <windows.h>
#include <sddl.h>

#include <string>
#include <vector>

struct KeyAce {
    BYTE type;
    BYTE flags;
    ACCESS_MASK mask;
    std::wstring sid;
    bool operator==(const KeyAce& other) const {
        return type == other.type && flags == other.flags && mask == other.mask && sid == other.sid;
    }
};

// The entries of the key's DACL in order; empty when the key or its DACL cannot be read.
inline std::vector<KeyAce> ReadKeyDacl(HKEY root, const std::wstring& path) {
    std::vector<KeyAce> aces;
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return aces;
    }
    DWORD size = 0;
    RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, nullptr, &size);
    std::vector<BYTE> descriptor(size);
    const LONG status = RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor.data(), &size);
    RegCloseKey(key);
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    if (status != ERROR_SUCCESS ||
        !GetSecurityDescriptorDacl(descriptor.data(), &present, &dacl, &defaulted) ||
        dacl == nullptr) {
        return aces;
    }
    for (WORD i = 0; i < dacl->AceCount; ++i) {
        void* entry = nullptr;
        GetAce(dacl, i, &entry);
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
        LPWSTR text = nullptr;
        ConvertSidToStringSidW(&allowed->SidStart, &text);
        aces.push_back({allowed->Header.AceType, allowed->Header.AceFlags, allowed->Mask,
                        text != nullptr ? text : L""});
        LocalFree(text);
    }
    return aces;
}

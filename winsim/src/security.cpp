// Security identifiers, access-control lists and descriptors, in the binary layouts of Windows.
#include <aclapi.h>
#include <sddl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <string>
#include <vector>

#include "internal.h"

namespace winsim {
namespace {

DWORD SidBytes(const SID* sid) { return 8 + 4u * sid->SubAuthorityCount; }

bool ValidSid(const void* pointer) {
    const auto* sid = static_cast<const SID*>(pointer);
    return sid != nullptr && sid->Revision == SID_REVISION &&
           sid->SubAuthorityCount <= SID_MAX_SUB_AUTHORITIES;
}

std::vector<BYTE> MakeSid(BYTE authority, std::initializer_list<DWORD> subAuthorities) {
    std::vector<BYTE> bytes(8 + 4 * subAuthorities.size());
    auto* sid = reinterpret_cast<SID*>(bytes.data());
    sid->Revision = SID_REVISION;
    sid->SubAuthorityCount = static_cast<BYTE>(subAuthorities.size());
    sid->IdentifierAuthority.Value[5] = authority;
    DWORD* sub = sid->SubAuthority;
    for (DWORD value : subAuthorities) {
        *sub++ = value;
    }
    return bytes;
}

struct AceEntry {
    BYTE type;
    BYTE flags;
    ACCESS_MASK mask;
    std::vector<BYTE> sid;
};

std::vector<AceEntry> ReadAces(const ACL* acl) {
    std::vector<AceEntry> entries;
    if (acl == nullptr) {
        return entries;
    }
    const BYTE* cursor = reinterpret_cast<const BYTE*>(acl) + sizeof(ACL);
    for (WORD i = 0; i < acl->AceCount; ++i) {
        const auto* header = reinterpret_cast<const ACE_HEADER*>(cursor);
        const auto* ace = reinterpret_cast<const ACCESS_ALLOWED_ACE*>(cursor);
        const auto* sid = reinterpret_cast<const SID*>(&ace->SidStart);
        const BYTE* sidBytes = reinterpret_cast<const BYTE*>(sid);
        entries.push_back(AceEntry{header->AceType, header->AceFlags, ace->Mask,
                                   std::vector<BYTE>(sidBytes, sidBytes + SidBytes(sid))});
        cursor += header->AceSize;
    }
    return entries;
}

std::vector<BYTE> WriteAcl(const std::vector<AceEntry>& entries) {
    size_t size = sizeof(ACL);
    for (const AceEntry& entry : entries) {
        size += sizeof(ACE_HEADER) + sizeof(ACCESS_MASK) + entry.sid.size();
    }
    std::vector<BYTE> bytes(size);
    auto* acl = reinterpret_cast<ACL*>(bytes.data());
    acl->AclRevision = ACL_REVISION;
    acl->AclSize = static_cast<WORD>(size);
    acl->AceCount = static_cast<WORD>(entries.size());
    BYTE* cursor = bytes.data() + sizeof(ACL);
    for (const AceEntry& entry : entries) {
        auto* ace = reinterpret_cast<ACCESS_ALLOWED_ACE*>(cursor);
        const WORD aceSize =
            static_cast<WORD>(sizeof(ACE_HEADER) + sizeof(ACCESS_MASK) + entry.sid.size());
        ace->Header.AceType = entry.type;
        ace->Header.AceFlags = entry.flags;
        ace->Header.AceSize = aceSize;
        ace->Mask = entry.mask;
        std::memcpy(&ace->SidStart, entry.sid.data(), entry.sid.size());
        cursor += aceSize;
    }
    return bytes;
}

bool ValidDescriptor(const void* descriptor) {
    return descriptor != nullptr && static_cast<const SECURITY_DESCRIPTOR*>(descriptor)->Revision ==
                                        SECURITY_DESCRIPTOR_REVISION;
}

} // namespace

DWORD AclBytes(const ACL* acl) { return acl->AclSize; }

std::vector<BYTE> DefaultKeyDacl() {
    return WriteAcl({
        {ACCESS_ALLOWED_ACE_TYPE, CONTAINER_INHERIT_ACE, KEY_ALL_ACCESS,
         MakeSid(5, {SECURITY_LOCAL_SYSTEM_RID})},
        {ACCESS_ALLOWED_ACE_TYPE, CONTAINER_INHERIT_ACE, KEY_ALL_ACCESS,
         MakeSid(5, {SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS})},
        {ACCESS_ALLOWED_ACE_TYPE, CONTAINER_INHERIT_ACE, KEY_READ,
         MakeSid(5, {SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS})},
    });
}

bool DescriptorDacl(PSECURITY_DESCRIPTOR descriptor, bool* present, PACL* dacl) {
    if (!ValidDescriptor(descriptor)) {
        return false;
    }
    const auto* absolute = static_cast<const SECURITY_DESCRIPTOR*>(descriptor);
    *present = (absolute->Control & SE_DACL_PRESENT) != 0;
    *dacl = nullptr;
    if (!*present) {
        return true;
    }
    if (absolute->Control & SE_SELF_RELATIVE) {
        const auto* relative = static_cast<const SECURITY_DESCRIPTOR_RELATIVE*>(descriptor);
        if (relative->Dacl != 0) {
            *dacl = reinterpret_cast<PACL>(static_cast<BYTE*>(descriptor) + relative->Dacl);
        }
    } else {
        *dacl = absolute->Dacl;
    }
    return true;
}

} // namespace winsim

BOOL WINAPI AllocateAndInitializeSid(PSID_IDENTIFIER_AUTHORITY authority, BYTE count, DWORD sub0,
                                     DWORD sub1, DWORD sub2, DWORD sub3, DWORD sub4, DWORD sub5,
                                     DWORD sub6, DWORD sub7, PSID* sid) {
    WINSIM_CALL(BOOL);
    if (authority == nullptr || sid == nullptr || count == 0 || count > 8) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const DWORD subAuthorities[8] = {sub0, sub1, sub2, sub3, sub4, sub5, sub6, sub7};
    auto* made = static_cast<SID*>(std::calloc(1, 8 + 4u * count));
    made->Revision = SID_REVISION;
    made->SubAuthorityCount = count;
    made->IdentifierAuthority = *authority;
    for (BYTE i = 0; i < count; ++i) {
        made->SubAuthority[i] = subAuthorities[i];
    }
    winsim::Acquire("sid", made);
    *sid = made;
    return TRUE;
}

PVOID WINAPI FreeSid(PSID sid) {
    WINSIM_CALL(PVOID);
    if (!winsim::Release("sid", sid)) {
        std::fprintf(stderr,
                     "winsim: FreeSid of a SID that AllocateAndInitializeSid did not make\n");
        std::abort();
    }
    std::free(sid);
    return nullptr;
}

BOOL WINAPI IsValidSid(PSID sid) {
    WINSIM_CALL(BOOL);
    return winsim::ValidSid(sid) ? TRUE : FALSE;
}

DWORD WINAPI GetLengthSid(PSID sid) {
    WINSIM_CALL(DWORD);
    return winsim::ValidSid(sid) ? winsim::SidBytes(static_cast<const SID*>(sid)) : 0;
}

BOOL WINAPI EqualSid(PSID first, PSID second) {
    WINSIM_CALL(BOOL);
    if (!winsim::ValidSid(first) || !winsim::ValidSid(second)) {
        SetLastError(ERROR_INVALID_SID);
        return FALSE;
    }
    const DWORD length = winsim::SidBytes(static_cast<const SID*>(first));
    SetLastError(ERROR_SUCCESS);
    return length == winsim::SidBytes(static_cast<const SID*>(second)) &&
                   std::memcmp(first, second, length) == 0
               ? TRUE
               : FALSE;
}

BOOL WINAPI InitializeSecurityDescriptor(PSECURITY_DESCRIPTOR descriptor, DWORD revision) {
    WINSIM_CALL(BOOL);
    if (revision != SECURITY_DESCRIPTOR_REVISION) {
        SetLastError(ERROR_UNKNOWN_REVISION);
        return FALSE;
    }
    ZeroMemory(descriptor, sizeof(SECURITY_DESCRIPTOR));
    static_cast<SECURITY_DESCRIPTOR*>(descriptor)->Revision = SECURITY_DESCRIPTOR_REVISION;
    return TRUE;
}

BOOL WINAPI SetSecurityDescriptorDacl(PSECURITY_DESCRIPTOR descriptor, BOOL present, PACL dacl,
                                      BOOL defaulted) {
    WINSIM_CALL(BOOL);
    auto* absolute = static_cast<SECURITY_DESCRIPTOR*>(descriptor);
    if (!winsim::ValidDescriptor(descriptor)) {
        SetLastError(ERROR_UNKNOWN_REVISION);
        return FALSE;
    }
    if (absolute->Control & SE_SELF_RELATIVE) {
        SetLastError(ERROR_INVALID_SECURITY_DESCR);
        return FALSE;
    }
    absolute->Control &= static_cast<WORD>(~(SE_DACL_PRESENT | SE_DACL_DEFAULTED));
    absolute->Dacl = nullptr;
    if (present) {
        absolute->Control |= SE_DACL_PRESENT;
        absolute->Dacl = dacl;
        if (defaulted) {
            absolute->Control |= SE_DACL_DEFAULTED;
        }
    }
    return TRUE;
}

BOOL WINAPI GetSecurityDescriptorDacl(PSECURITY_DESCRIPTOR descriptor, LPBOOL present, PACL* dacl,
                                      LPBOOL defaulted) {
    WINSIM_CALL(BOOL);
    bool isPresent = false;
    PACL found = nullptr;
    if (present == nullptr || dacl == nullptr || defaulted == nullptr ||
        !winsim::DescriptorDacl(descriptor, &isPresent, &found)) {
        SetLastError(ERROR_INVALID_SECURITY_DESCR);
        return FALSE;
    }
    *present = isPresent ? TRUE : FALSE;
    if (isPresent) {
        *dacl = found;
        *defaulted = (static_cast<SECURITY_DESCRIPTOR*>(descriptor)->Control & SE_DACL_DEFAULTED)
                         ? TRUE
                         : FALSE;
    }
    return TRUE;
}

BOOL WINAPI GetSecurityDescriptorControl(PSECURITY_DESCRIPTOR descriptor,
                                         PSECURITY_DESCRIPTOR_CONTROL control, LPDWORD revision) {
    WINSIM_CALL(BOOL);
    if (!winsim::ValidDescriptor(descriptor) || control == nullptr || revision == nullptr) {
        SetLastError(ERROR_INVALID_SECURITY_DESCR);
        return FALSE;
    }
    *control = static_cast<SECURITY_DESCRIPTOR*>(descriptor)->Control;
    *revision = static_cast<SECURITY_DESCRIPTOR*>(descriptor)->Revision;
    return TRUE;
}

BOOL WINAPI IsValidAcl(PACL acl) {
    WINSIM_CALL(BOOL);
    if (acl == nullptr || acl->AclRevision < 2 || acl->AclRevision > 4 ||
        acl->AclSize < sizeof(ACL)) {
        return FALSE;
    }
    DWORD used = sizeof(ACL);
    const BYTE* base = reinterpret_cast<const BYTE*>(acl);
    for (WORD i = 0; i < acl->AceCount; ++i) {
        if (used + sizeof(ACE_HEADER) > acl->AclSize) {
            return FALSE;
        }
        const auto* header = reinterpret_cast<const ACE_HEADER*>(base + used);
        if (header->AceSize < sizeof(ACE_HEADER) || used + header->AceSize > acl->AclSize) {
            return FALSE;
        }
        used += header->AceSize;
    }
    return TRUE;
}

BOOL WINAPI GetAclInformation(PACL acl, LPVOID information, DWORD length,
                              ACL_INFORMATION_CLASS informationClass) {
    WINSIM_CALL(BOOL);
    if (acl == nullptr || informationClass != AclSizeInformation ||
        length < sizeof(ACL_SIZE_INFORMATION)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    DWORD used = sizeof(ACL);
    const BYTE* base = reinterpret_cast<const BYTE*>(acl);
    for (WORD i = 0; i < acl->AceCount; ++i) {
        used += reinterpret_cast<const ACE_HEADER*>(base + used)->AceSize;
    }
    auto* size = static_cast<ACL_SIZE_INFORMATION*>(information);
    size->AceCount = acl->AceCount;
    size->AclBytesInUse = used;
    size->AclBytesFree = acl->AclSize - used;
    return TRUE;
}

BOOL WINAPI GetAce(PACL acl, DWORD index, LPVOID* ace) {
    WINSIM_CALL(BOOL);
    if (acl == nullptr || ace == nullptr || index >= acl->AceCount) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    BYTE* cursor = reinterpret_cast<BYTE*>(acl) + sizeof(ACL);
    for (DWORD i = 0; i < index; ++i) {
        cursor += reinterpret_cast<const ACE_HEADER*>(cursor)->AceSize;
    }
    *ace = cursor;
    return TRUE;
}

DWORD WINAPI SetEntriesInAclW(ULONG count, PEXPLICIT_ACCESS_W entries, PACL oldAcl, PACL* newAcl) {
    WINSIM_CALL(DWORD);
    if (newAcl == nullptr || (count != 0 && entries == nullptr)) {
        return ERROR_INVALID_PARAMETER;
    }
    std::vector<winsim::AceEntry> denied;
    std::vector<winsim::AceEntry> allowed;
    for (winsim::AceEntry& entry : winsim::ReadAces(oldAcl)) {
        (entry.type == ACCESS_DENIED_ACE_TYPE ? denied : allowed).push_back(std::move(entry));
    }
    for (ULONG i = 0; i < count; ++i) {
        const EXPLICIT_ACCESS_W& access = entries[i];
        if (access.Trustee.TrusteeForm != TRUSTEE_IS_SID ||
            !winsim::ValidSid(access.Trustee.ptstrName)) {
            return access.Trustee.TrusteeForm == TRUSTEE_IS_NAME ? ERROR_NONE_MAPPED
                                                                 : ERROR_INVALID_PARAMETER;
        }
        const auto* sid = reinterpret_cast<const SID*>(access.Trustee.ptstrName);
        const BYTE* sidBytes = reinterpret_cast<const BYTE*>(sid);
        std::vector<BYTE> trustee(sidBytes, sidBytes + winsim::SidBytes(sid));
        auto sameTrustee = [&trustee](const winsim::AceEntry& entry) {
            return entry.sid == trustee;
        };
        const BYTE flags = static_cast<BYTE>(access.grfInheritance & VALID_INHERIT_FLAGS);
        switch (access.grfAccessMode) {
        case SET_ACCESS:
            allowed.erase(std::remove_if(allowed.begin(), allowed.end(), sameTrustee),
                          allowed.end());
            denied.erase(std::remove_if(denied.begin(), denied.end(), sameTrustee), denied.end());
            allowed.push_back(
                {ACCESS_ALLOWED_ACE_TYPE, flags, access.grfAccessPermissions, trustee});
            break;
        case GRANT_ACCESS:
            allowed.push_back(
                {ACCESS_ALLOWED_ACE_TYPE, flags, access.grfAccessPermissions, trustee});
            break;
        case DENY_ACCESS:
            denied.push_back({ACCESS_DENIED_ACE_TYPE, flags, access.grfAccessPermissions, trustee});
            break;
        case REVOKE_ACCESS:
            allowed.erase(std::remove_if(allowed.begin(), allowed.end(), sameTrustee),
                          allowed.end());
            break;
        default:
            return ERROR_INVALID_PARAMETER;
        }
    }
    denied.insert(denied.end(), allowed.begin(), allowed.end());
    const std::vector<BYTE> bytes = winsim::WriteAcl(denied);
    HLOCAL block = winsim::AllocLocal(bytes.size());
    std::memcpy(block, bytes.data(), bytes.size());
    *newAcl = static_cast<PACL>(block);
    return ERROR_SUCCESS;
}

BOOL WINAPI ConvertSidToStringSidW(PSID sid, LPWSTR* text) {
    WINSIM_CALL(BOOL);
    if (!winsim::ValidSid(sid) || text == nullptr) {
        SetLastError(ERROR_INVALID_SID);
        return FALSE;
    }
    const auto* value = static_cast<const SID*>(sid);
    unsigned long long authority = 0;
    for (BYTE part : value->IdentifierAuthority.Value) {
        authority = (authority << 8) | part;
    }
    std::wstring out = L"S-" + std::to_wstring(value->Revision) + L"-" + std::to_wstring(authority);
    for (BYTE i = 0; i < value->SubAuthorityCount; ++i) {
        out += L"-" + std::to_wstring(value->SubAuthority[i]);
    }
    auto* block = static_cast<wchar_t*>(winsim::AllocLocal((out.size() + 1) * sizeof(wchar_t)));
    std::memcpy(block, out.c_str(), (out.size() + 1) * sizeof(wchar_t));
    *text = block;
    return TRUE;
}

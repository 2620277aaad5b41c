#include "regacl.h"

#include <aclapi.h>

#include <string>

#include "log.h"
#include "options.h"

const wchar_t ToolLogName[] = L"vqregacllog";

bool GrantEveryoneKeyAccess(HKEY& root, const wchar_t* subKey) {
    SID_IDENTIFIER_AUTHORITY worldAuthority = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    PACL newAcl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    HKEY key = nullptr;
    bool granted = false;

    // The steps stop at the first failure; everything obtained is released below, in order.
    do {
        if (!AllocateAndInitializeSid(&worldAuthority, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0,
                                      &everyone)) {
            everyone = nullptr;
            LogErrorCode(2, true);
            break;
        }

        EXPLICIT_ACCESS_W access;
        ZeroMemory(&access, sizeof(access));
        access.grfAccessPermissions = KEY_ALL_ACCESS;
        access.grfAccessMode = SET_ACCESS;
        access.grfInheritance = CONTAINER_INHERIT_ACE;
        access.Trustee.pMultipleTrustee = nullptr;
        access.Trustee.MultipleTrusteeOperation = NO_MULTIPLE_TRUSTEE;
        access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
        access.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
        access.Trustee.ptstrName = static_cast<LPWSTR>(everyone);

        if (SetEntriesInAclW(1, &access, nullptr, &newAcl) != ERROR_SUCCESS) {
            newAcl = nullptr;
            LogErrorCode(3, false);
            break;
        }
        descriptor =
            static_cast<PSECURITY_DESCRIPTOR>(LocalAlloc(LPTR, SECURITY_DESCRIPTOR_MIN_LENGTH));
        if (descriptor == nullptr) {
            LogErrorCode(4, false);
            break;
        }
        if (!InitializeSecurityDescriptor(descriptor, SECURITY_DESCRIPTOR_REVISION)) {
            LogErrorCode(5, true);
            break;
        }
        if (!SetSecurityDescriptorDacl(descriptor, TRUE, newAcl, FALSE)) {
            LogErrorCode(6, true);
            break;
        }
        if (RegOpenKeyExW(root, subKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
            key = nullptr;
            LogErrorCode(7, false);
            break;
        }
        if (RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor) != ERROR_SUCCESS) {
            LogErrorCode(8, false);
            break;
        }
        if (RegFlushKey(key) != ERROR_SUCCESS) {
            LogErrorCode(9, false);
            break;
        }
        granted = true;
    } while (false);

    if (everyone != nullptr) {
        FreeSid(everyone);
    }
    if (newAcl != nullptr) {
        LocalFree(newAcl);
    }
    if (descriptor != nullptr) {
        LocalFree(descriptor);
    }
    if (key != nullptr) {
        RegCloseKey(key);
    }
    return granted;
}

int RunRegKeyAcl() {
    LogStart();
    if (GetOptionValue(L"-t") != L"HLM") {
        LogErrorCode(1, false);
        return FailureExit();
    }
    const std::wstring subKey = GetOptionValue(L"-k");
    if (subKey.empty()) {
        LogErrorCode(1, false);
        return FailureExit();
    }
    HKEY root = HKEY_LOCAL_MACHINE;
    if (!GrantEveryoneKeyAccess(root, subKey.c_str())) {
        LogErrorCode(10, false);
        return FailureExit();
    }
    return ERROR_SUCCESS;
}

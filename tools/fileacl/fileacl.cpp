#include "fileacl.h"

#include <aclapi.h>

#include "crt.h"
#include "log.h"
#include "options.h"

const wchar_t ToolLogName[] = L"vqfileacllog";

wchar_t FileAclTargetPath[FileAclPathChars];

namespace {} // namespace

int ParsePathArgs() {
    const int count = ArgumentCount();
    for (int i = 1; i < count; i += 2) {
        // A "/p" without a path after it is refused, and so is a path too long for the buffer:
        // cut short it would name some other object, which must never be granted.
        if (wcscmp(Argument(i), L"/p") != 0 || i + 1 >= count ||
            wcslen(Argument(i + 1)) >= _countof(FileAclTargetPath)) {
            LogSpacedErrorCode(FileAclStepCommandLine);
            return 0;
        }
        _snwprintf_s(FileAclTargetPath, _countof(FileAclTargetPath), _TRUNCATE, L"%s",
                     Argument(i + 1));
    }
    return 1;
}

BOOL GetEveryoneAccountName(PSID everyone, wchar_t (&accountName)[FileAclAccountChars]) {
    wchar_t domain[FileAclAccountChars];
    ZeroMemory(domain, sizeof(domain));
    DWORD nameChars = _countof(accountName);
    DWORD domainChars = _countof(domain);
    SID_NAME_USE use = SidTypeUnknown;
    const BOOL found =
        LookupAccountSidW(nullptr, everyone, accountName, &nameChars, domain, &domainChars, &use);
    if (!found) {
        LogSpacedErrorCode(FileAclStepAccountName, GetLastError());
    }
    return found;
}

DWORD BuildEveryoneFileAcl(wchar_t* accountName, PACL* newAcl) {
    EXPLICIT_ACCESS_W access;
    ZeroMemory(&access, sizeof(access));
    BuildExplicitAccessWithNameW(&access, accountName, FILE_ALL_ACCESS, GRANT_ACCESS,
                                 OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE);
    // No old list: nothing of the object's present DACL is carried over.
    return SetEntriesInAclW(1, &access, nullptr, newAcl);
}

int GrantEveryoneFileAccess() {
    SID_IDENTIFIER_AUTHORITY worldAuthority = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    PACL newAcl = nullptr;
    int result = ERROR_SUCCESS_REBOOT_INITIATED;

    // The steps stop at the first failure; what was obtained is released below.
    do {
        if (!AllocateAndInitializeSid(&worldAuthority, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0,
                                      &everyone)) {
            everyone = nullptr;
            LogSpacedErrorCode(FileAclStepEveryoneSid, GetLastError());
            break;
        }
        wchar_t accountName[FileAclAccountChars];
        ZeroMemory(accountName, sizeof(accountName));
        if (!GetEveryoneAccountName(everyone, accountName)) {
            break;
        }
        const DWORD built = BuildEveryoneFileAcl(accountName, &newAcl);
        if (built != ERROR_SUCCESS) {
            newAcl = nullptr;
            LogSpacedErrorCode(FileAclStepBuildAcl, built);
            break;
        }
        if (newAcl == nullptr) {
            break;
        }
        // A missing object in an existing folder is not an error: there is nothing to grant.
        const DWORD set =
            SetNamedSecurityInfoW(FileAclTargetPath, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                  nullptr, nullptr, newAcl, nullptr);
        if (set != ERROR_SUCCESS && set != ERROR_FILE_NOT_FOUND) {
            LogSpacedErrorCode(FileAclStepSetDacl, set);
            break;
        }
        result = ERROR_SUCCESS;
    } while (false);

    if (everyone != nullptr) {
        FreeSid(everyone);
    }
    if (newAcl != nullptr) {
        LocalFree(newAcl);
    }
    return result;
}

int RunFileAcl() {
    LogStart();
    if (!ParsePathArgs()) {
        LogFlush(ERROR_SUCCESS_REBOOT_INITIATED);
        return ERROR_SUCCESS;
    }
    LogFlush(GrantEveryoneFileAccess());
    return ERROR_SUCCESS;
}

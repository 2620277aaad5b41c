// Registry and security calls of the registry-key ACL tool.
#include <gtest/gtest.h>

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <string>
#include <vector>

namespace {

const wchar_t kKey[] = L"SOFTWARE\\VelmarConformance";

TEST(Registry, OpeningAMissingKeyReturnsFileNotFound) {
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\VelmarConformance\\NoSuchKey", 0,
                            KEY_ALL_ACCESS, &key));
}

TEST(Security, DescriptorMinimumLengthHoldsTheAbsoluteForm) {
    EXPECT_EQ(sizeof(void*) == 8 ? 40u : 20u, static_cast<size_t>(SECURITY_DESCRIPTOR_MIN_LENGTH));
}

TEST(Security, EveryoneSidIsWorldAuthorityWithOneSubAuthority) {
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID sid = nullptr;
    ASSERT_TRUE(AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &sid));
    EXPECT_TRUE(IsValidSid(sid));
    EXPECT_EQ(12u, GetLengthSid(sid));
    LPWSTR text = nullptr;
    ASSERT_TRUE(ConvertSidToStringSidW(sid, &text));
    EXPECT_STREQ(L"S-1-1-0", text);
    LocalFree(text);
    EXPECT_EQ(nullptr, FreeSid(sid));
}

TEST(Security, KeyDaclSetFromOneEntryReadsBackAsThatEntry) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &key, nullptr));

    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    ASSERT_TRUE(
        AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone));
    EXPLICIT_ACCESS_W access;
    ZeroMemory(&access, sizeof(access));
    access.grfAccessPermissions = KEY_ALL_ACCESS;
    access.grfAccessMode = SET_ACCESS;
    access.grfInheritance = CONTAINER_INHERIT_ACE;
    access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    access.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    access.Trustee.ptstrName = static_cast<LPWSTR>(everyone);
    PACL acl = nullptr;
    ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS), SetEntriesInAclW(1, &access, nullptr, &acl));
    EXPECT_EQ(1, acl->AceCount);

    auto* descriptor =
        static_cast<PSECURITY_DESCRIPTOR>(LocalAlloc(LPTR, SECURITY_DESCRIPTOR_MIN_LENGTH));
    ASSERT_TRUE(InitializeSecurityDescriptor(descriptor, SECURITY_DESCRIPTOR_REVISION));
    ASSERT_TRUE(SetSecurityDescriptorDacl(descriptor, TRUE, acl, FALSE));
    EXPECT_EQ(ERROR_SUCCESS, RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor));
    EXPECT_EQ(ERROR_SUCCESS, RegFlushKey(key));

    DWORD size = 0;
    EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER,
              RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, nullptr, &size));
    std::vector<BYTE> readBack(size);
    ASSERT_EQ(ERROR_SUCCESS,
              RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, readBack.data(), &size));
    BOOL present = FALSE;
    BOOL defaulted = TRUE;
    PACL dacl = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorDacl(readBack.data(), &present, &dacl, &defaulted));
    EXPECT_TRUE(present);
    ASSERT_NE(nullptr, dacl);
    ACL_SIZE_INFORMATION info = {};
    ASSERT_TRUE(GetAclInformation(dacl, &info, sizeof(info), AclSizeInformation));
    ASSERT_EQ(1u, info.AceCount);
    void* entry = nullptr;
    ASSERT_TRUE(GetAce(dacl, 0, &entry));
    auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
    EXPECT_EQ(ACCESS_ALLOWED_ACE_TYPE, allowed->Header.AceType);
    EXPECT_EQ(CONTAINER_INHERIT_ACE, allowed->Header.AceFlags);
    EXPECT_EQ(static_cast<ACCESS_MASK>(KEY_ALL_ACCESS), allowed->Mask);
    EXPECT_TRUE(EqualSid(&allowed->SidStart, everyone));

    FreeSid(everyone);
    LocalFree(acl);
    LocalFree(descriptor);
    RegCloseKey(key);
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyW(HKEY_LOCAL_MACHINE, kKey));
}

} // namespace

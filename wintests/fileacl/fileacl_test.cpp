// vqfileacl6: the access list it builds, its command line, and the shipped program's runs.
#include <gtest/gtest.h>

#include <aclapi.h>
#include <sddl.h>

#include "fileacl.h"
#include "wintest.h"

namespace {

const std::wstring kFolder = L"C:\\velmar-tests\\fileacl";

TEST(FileAclBuild, OneInheritedEveryoneEntry) {
    PSID everyone = nullptr;
    ASSERT_TRUE(ConvertStringSidToSidW(L"S-1-1-0", &everyone));
    wchar_t name[FileAclAccountChars] = {};
    ASSERT_TRUE(GetEveryoneAccountName(everyone, name));
    PACL acl = nullptr;
    ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS), BuildEveryoneFileAcl(name, &acl));
    ACL_SIZE_INFORMATION size = {};
    ASSERT_TRUE(GetAclInformation(acl, &size, sizeof(size), AclSizeInformation));
    EXPECT_EQ(1u, size.AceCount);
    ACCESS_ALLOWED_ACE* ace = nullptr;
    ASSERT_TRUE(GetAce(acl, 0, reinterpret_cast<void**>(&ace)));
    EXPECT_EQ(ACCESS_ALLOWED_ACE_TYPE, ace->Header.AceType);
    EXPECT_EQ(OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE, ace->Header.AceFlags);
    EXPECT_EQ(0x1F01FFu, ace->Mask);
    EXPECT_TRUE(EqualSid(everyone, &ace->SidStart));
    LocalFree(acl);
    LocalFree(everyone);
}

// Wine keeps no security descriptor for files: the grant succeeds, but GetNamedSecurityInfoW
// then answers a DACL made from the Unix mode bits. The list set is checked where it is built
// (above); here what Wine keeps: the exit code, the log, and the answers 2 and 3.
TEST(FileAclProgram, ExitsZeroAndLogsOnlyFailures) {
    const std::wstring deep =
        kFolder + L"\\" + std::wstring(200, L'a') + L"\\" + std::wstring(200, L'b');
    const std::wstring folders[] = {L"C:\\velmar-tests", kFolder, deep.substr(0, 224), deep};
    for (const std::wstring& folder : folders) {
        CreateDirectoryW(folder.c_str(), nullptr);
    }
    const std::wstring file = kFolder + L"\\file.txt", missing = kFolder + L"\\no\\file.txt";
    CloseHandle(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    // A missing file in an existing folder is granted without a log: cut to 515 characters,
    // the 516-character path would name one.
    const std::wstring p515 = deep + L"\\" + std::wstring(514 - deep.size(), L'c');
    struct Case {
        std::vector<std::wstring> args;
        const char* line; // the log's one tool line, or none: no log
    } cases[] = {
        {{L"/p", kFolder}, nullptr},
        {{L"/p", missing, L"/p", file}, nullptr},
        {{L"/p", kFolder + L"\\missing.txt"}, nullptr},
        {{L"/p", p515}, nullptr},
        {{L"/p", file, L"/p", missing}, "ERROR CODE: 1005 (0x00000003)"},
        {{L"/p", p515 + L"c"}, "ERROR CODE: 1001"},
        {{L"/P", kFolder}, "ERROR CODE: 1001"},
        {{L"/p", file, L"x"}, "ERROR CODE: 1001"},
        {{L"/p"}, "ERROR CODE: 1001"},
    };
    const std::wstring log = LogFilePath(L"vqfileacllog");
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
        DeleteIfPresent(log);
        EXPECT_EQ(0u, RunProgram(DistDir() + L"\\vqfileacl6.exe", c.args));
        const std::vector<std::string> lines = SplitCrLf(ReadFileBytes(log));
        if (c.line == nullptr) {
            EXPECT_FALSE(PathExists(log));
        } else if (lines.size() == 9u) { // start, empty, three system lines, ours, stop
            EXPECT_EQ(c.line, lines[5]);
        } else {
            ADD_FAILURE() << lines.size() << " lines for " << c.line;
        }
    }
}

TEST(FileAclProgram, ProgramProperties) {
    ExpectToolBinary(DistDir() + L"\\vqfileacl6.exe", IMAGE_FILE_MACHINE_AMD64, "vqfileacllog",
                     L"VQFILEACL6");
}

} // namespace

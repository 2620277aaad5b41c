// Folder and attribute calls of the log manager, and the system-information queries.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <string>

namespace {

std::wstring AppData() {
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, path);
    return path;
}

TEST(ShellFolders, ApplicationDataFolderExists) {
    wchar_t path[MAX_PATH] = {};
    EXPECT_EQ(S_OK, SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, path));
    ASSERT_NE(L'\0', path[0]);
    const DWORD attributes = GetFileAttributesW(path);
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, attributes);
    EXPECT_NE(0u, attributes & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(PathFileExistsW(path));
}

TEST(Folders, CreateMakesOneLevelAndReportsWhatIsThere) {
    const std::wstring base = AppData() + L"\\VelmarConformanceDirs";
    const std::wstring deep = base + L"\\a\\b";
    RemoveDirectoryW(base.c_str());

    EXPECT_FALSE(CreateDirectoryW(deep.c_str(), nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(deep.c_str()));
    EXPECT_FALSE(PathFileExistsW(base.c_str()));

    EXPECT_TRUE(CreateDirectoryW(base.c_str(), nullptr));
    EXPECT_FALSE(CreateDirectoryW(base.c_str(), nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError());
    EXPECT_TRUE(PathFileExistsW(base.c_str()));
    EXPECT_NE(0u, GetFileAttributesW(base.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(RemoveDirectoryW(base.c_str()));
}

TEST(SystemInformation, QueriesAnswerAsTheLogExpects) {
    OSVERSIONINFOW version;
    ZeroMemory(&version, sizeof(version));
    version.dwOSVersionInfoSize = sizeof(version);
    EXPECT_TRUE(GetVersionExW(&version));
    EXPECT_GE(version.dwMajorVersion, 5u);

    // A wrong size field fails the query (the log then leaves its version line out).
    version.dwOSVersionInfoSize = sizeof(version) - 1;
    EXPECT_FALSE(GetVersionExW(&version));

    // The native architecture, even in a 32-bit process on a 64-bit system.
    SYSTEM_INFO system;
    ZeroMemory(&system, sizeof(system));
    GetNativeSystemInfo(&system);
    EXPECT_EQ(PROCESSOR_ARCHITECTURE_AMD64, system.wProcessorArchitecture);

    EXPECT_NE(0, GetSystemDefaultLangID());
}

TEST(LocalHeap, ZeroInitialisedBlocksAreFreedToNull) {
    BYTE* block = static_cast<BYTE*>(LocalAlloc(LPTR, 40));
    ASSERT_NE(nullptr, block);
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(0, block[i]);
    }
    EXPECT_EQ(nullptr, LocalFree(block));
}

} // namespace

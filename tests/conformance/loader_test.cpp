// The loader behaviours that the model library relies on: a library loaded by its bare name
// from the application's folder, exports found by name and by ordinal, unloading at the last
// FreeLibrary; and the narrow registry read behind its ReadRegistryValue.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#ifndef _WIN32
#include <winsim/control.h>
#include <winsim/modules.h>
#endif

namespace {

// The exports of the vqsmdata double, in ordinal order from 1. On Windows the double's DLL is
// built beside this program; on the host a stand-in library with the same exports is put
// beside the program path.
const char* const kExports[] = {"FindPaperSize",           "GetIconData",
                                "GetMediumSizeNameString", "GetMediumTypeNameString",
                                "GetStatusMessage",        "GetTrayNameString"};
const int kExportCount = sizeof(kExports) / sizeof(kExports[0]);

LPCSTR Ordinal(WORD ordinal) { return reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(ordinal)); }

#ifndef _WIN32
template <int N> INT_PTR WINAPI StandInExport() { return N; }
#endif

class LoaderTest : public testing::Test {
  protected:
    void SetUp() override {
#ifndef _WIN32
        winsim::SetArguments({L"C:\\Program Files\\Velmar\\conformance_tests.exe"});
        winsim::RegisterModule(L"C:\\Program Files\\Velmar\\vqsmdata.dll",
                               {{kExports[0], winsim::ExportAddress(&StandInExport<1>)},
                                {kExports[1], winsim::ExportAddress(&StandInExport<2>)},
                                {kExports[2], winsim::ExportAddress(&StandInExport<3>)},
                                {kExports[3], winsim::ExportAddress(&StandInExport<4>)},
                                {kExports[4], winsim::ExportAddress(&StandInExport<5>)},
                                {kExports[5], winsim::ExportAddress(&StandInExport<6>)}});
#endif
        ASSERT_EQ(nullptr, GetModuleHandleA("vqsmdata.dll"));
    }
};

TEST_F(LoaderTest, BareNameLoadsTheLibraryFromTheApplicationFolder) {
    HMODULE library = LoadLibraryA("vqsmdata.dll");
    ASSERT_NE(nullptr, library);
    EXPECT_EQ(library, GetModuleHandleA("vqsmdata.dll"));
    // Names are matched without regard to case, and ".dll" is the default extension.
    HMODULE upper = LoadLibraryA("VQSMDATA.DLL");
    HMODULE bare = LoadLibraryA("vqsmdata");
    EXPECT_EQ(library, upper);
    EXPECT_EQ(library, bare);
    EXPECT_TRUE(FreeLibrary(bare));
    EXPECT_TRUE(FreeLibrary(upper));
    EXPECT_TRUE(FreeLibrary(library));
}

TEST_F(LoaderTest, MissingLibraryIsNotFound) {
    SetLastError(0);
    EXPECT_EQ(nullptr, LoadLibraryA("vqsmmissing.dll"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_MOD_NOT_FOUND), GetLastError());
}

TEST_F(LoaderTest, ExportsAreFoundByNameAndByOrdinal) {
    HMODULE library = LoadLibraryA("vqsmdata.dll");
    ASSERT_NE(nullptr, library);
    FARPROC previous = nullptr;
    for (int i = 0; i < kExportCount; ++i) {
        SCOPED_TRACE(kExports[i]);
        FARPROC byName = GetProcAddress(library, kExports[i]);
        EXPECT_NE(nullptr, byName);
        EXPECT_NE(previous, byName);
        EXPECT_EQ(byName, GetProcAddress(library, Ordinal(static_cast<WORD>(i + 1))));
        previous = byName;
    }
    for (const char* missing : {"GetNothing", "getIconData", "GetIconDat"}) {
        SCOPED_TRACE(missing);
        SetLastError(0);
        EXPECT_EQ(nullptr, GetProcAddress(library, missing));
        EXPECT_EQ(static_cast<DWORD>(ERROR_PROC_NOT_FOUND), GetLastError());
    }
    SetLastError(0);
    EXPECT_EQ(nullptr, GetProcAddress(library, Ordinal(999)));
    EXPECT_EQ(static_cast<DWORD>(ERROR_PROC_NOT_FOUND), GetLastError());
    FreeLibrary(library);
}

TEST_F(LoaderTest, LastFreeLibraryUnloadsAndALaterLoadMapsItAgain) {
    HMODULE first = LoadLibraryA("vqsmdata.dll");
    HMODULE second = LoadLibraryA("vqsmdata.dll");
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(first, second);
    EXPECT_TRUE(FreeLibrary(second));
    EXPECT_EQ(first, GetModuleHandleA("vqsmdata.dll"));
    EXPECT_TRUE(FreeLibrary(first));
    SetLastError(0);
    EXPECT_EQ(nullptr, GetModuleHandleA("vqsmdata.dll"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_MOD_NOT_FOUND), GetLastError());

    HMODULE again = LoadLibraryA("vqsmdata.dll");
    ASSERT_NE(nullptr, again);
    EXPECT_NE(nullptr, GetProcAddress(again, "GetIconData"));
    EXPECT_TRUE(FreeLibrary(again));
    EXPECT_EQ(nullptr, GetModuleHandleA("vqsmdata.dll"));
}

class NarrowRegistryTest : public testing::Test {
  protected:
    void SetUp() override {
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0,
                                                 KEY_ALL_ACCESS, nullptr, &key, nullptr));
        const wchar_t text[] = L"C:\\Monitor";
        const DWORD number = 0x01020304;
        RegSetValueExW(key, L"Folder", 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                       sizeof(text));
        RegSetValueExW(key, L"Count", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                       sizeof(number));
        RegCloseKey(key);
    }
    void TearDown() override {
        RegDeleteKeyW(HKEY_CURRENT_USER, kKey);
        RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\VelmarConformance");
    }
    static constexpr const wchar_t* kKey = L"Software\\VelmarConformance\\Narrow";
};

TEST_F(NarrowRegistryTest, StringsComeBackAsNarrowTextSizedInBytes) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\VelmarConformance\\Narrow",
                                           0, KEY_READ, &key));
    DWORD type = 0;
    char text[32];
    DWORD size = sizeof(text);
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Folder", nullptr, &type,
                                              reinterpret_cast<BYTE*>(text), &size));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(11u, size);
    EXPECT_STREQ("C:\\Monitor", text);

    size = 4;
    EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExA(key, "Folder", nullptr, &type,
                                                reinterpret_cast<BYTE*>(text), &size));
    EXPECT_EQ(11u, size);

    DWORD number = 0;
    size = sizeof(number);
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Count", nullptr, &type,
                                              reinterpret_cast<BYTE*>(&number), &size));
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
    EXPECT_EQ(0x01020304u, number);

    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              RegQueryValueExA(key, "Missing", nullptr, nullptr, nullptr, nullptr));
    RegCloseKey(key);

    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\VelmarConformance\\Missing", 0, KEY_READ,
                            &key));
}

} // namespace

// The model application object of vqsmmodela: load and unload, the binding of the data library,
// the text lookups, the registry read and the exported special members.
#include <gtest/gtest.h>
#include <winsim/control.h>
#include <winsim/modules.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "modelapp.h"
#include "smmodel_host_test.h"
#include "vqsmcommon_double.h"
#include "vqsmdata_double.h"

namespace {

class ModelObjectTest : public ModelLibraryTest {};

template <class Function> const void* Address(Function* function) {
    return reinterpret_cast<const void*>(function);
}

TEST_F(ModelObjectTest, LoadBindsTheSixFunctionsByNameAndSetsTheModelTexts) {
    EXPECT_EQ(1u, winsim::ModuleLoadCount(kDataLibraryPath));
    EXPECT_EQ(1, VqsmDataDouble_LoadCount());
    EXPECT_NE(nullptr, theModelApp.m_hDataLibrary);
    EXPECT_EQ(Address(&VqsmDataDouble_GetStatusMessage),
              Address(theModelApp.m_pfnGetStatusMessage));
    EXPECT_EQ(Address(&VqsmDataDouble_FindPaperSize), Address(theModelApp.m_pfnFindPaperSize));
    EXPECT_EQ(Address(&VqsmDataDouble_GetIconData), Address(theModelApp.m_pfnGetIconData));
    EXPECT_EQ(Address(&VqsmDataDouble_GetTrayNameString),
              Address(theModelApp.m_pfnGetTrayNameString));
    EXPECT_EQ(Address(&VqsmDataDouble_GetMediumTypeNameString),
              Address(theModelApp.m_pfnGetMediumTypeNameString));
    EXPECT_EQ(Address(&VqsmDataDouble_GetMediumSizeNameString),
              Address(theModelApp.m_pfnGetMediumSizeNameString));

    EXPECT_STREQ("Kelvra-A", theModelApp.m_szModelName);
    EXPECT_STREQ("Qvx", theModelApp.m_szSeriesName);
    EXPECT_STREQ("LARGE", theModelApp.m_szCategory);
    EXPECT_STREQ(VQSMCOMMON_DOUBLE_COMMON_TEXT, theModelApp.m_szCommonData);
    EXPECT_EQ(1, VqsmCommonDouble_ConstructedCount());
}

TEST_F(ModelObjectTest, MissingDataLibraryLeavesEveryFunctionUnbound) {
    UnloadModelLibrary();
    winsim::Reset(); // no data library anywhere
    LoadModelLibrary();
    EXPECT_EQ(1u, winsim::CallCount("LoadLibraryA"));
    EXPECT_EQ(0u, winsim::CallCount("GetProcAddress"));
    EXPECT_EQ(nullptr, theModelApp.m_hDataLibrary);
    EXPECT_EQ(nullptr, theModelApp.m_pfnGetStatusMessage);
    EXPECT_EQ(nullptr, theModelApp.m_pfnGetMediumSizeNameString);
    EXPECT_STREQ("Kelvra-A", theModelApp.m_szModelName);
    EXPECT_STREQ("LARGE", theModelApp.m_szCategory);

    EXPECT_EQ(0, FindPaperSize(1, nullptr, 2));
    EXPECT_EQ(0, GetIconData(3));
    EXPECT_EQ(0, theModelApp.CallGetTrayNameString(nullptr));
    char output[16];
    VqsmCommonDouble_SetString("0x4001", "ISO A3");
    EXPECT_EQ(6, theModelApp.GetStringById(0x4001, output, sizeof(output), 1));

    UnloadModelLibrary();
    EXPECT_EQ(0u, winsim::CallCount("FreeLibrary"));
    LoadModelLibrary();
}

// Each export missing in turn: only its own pointer stays null and only its forwarding gives 0.
TEST_F(ModelObjectTest, MissingExportLeavesOnlyItsFunctionUnbound) {
    const char* const names[] = {
        "GetStatusMessage",  "FindPaperSize",           "GetIconData",
        "GetTrayNameString", "GetMediumTypeNameString", "GetMediumSizeNameString"};
    for (const char* missing : names) {
        SCOPED_TRACE(missing);
        ReloadWithDataLibrary({missing});
        for (int function = 0; function < VqsmDataFunctionCount; ++function) {
            VqsmDataDouble_SetResult(function, 100 + function);
        }
        StatusMessageRecord status = {};
        const std::vector<std::pair<std::string, INT_PTR>> results = {
            {"GetStatusMessage", GetStatusMessage(&status)},
            {"FindPaperSize", theModelApp.CallFindPaperSize(1, nullptr, 2)},
            {"GetIconData", theModelApp.CallGetIconData(3)},
            {"GetTrayNameString", theModelApp.CallGetTrayNameString(&status)},
            {"GetMediumTypeNameString", theModelApp.CallGetMediumTypeNameString(&status)},
            {"GetMediumSizeNameString", theModelApp.CallGetMediumSizeNameString(&status)},
        };
        const std::vector<std::pair<std::string, INT_PTR>> expected = {
            {"GetStatusMessage", 100 + VqsmDataGetStatusMessage},
            {"FindPaperSize", 100 + VqsmDataFindPaperSize},
            {"GetIconData", 100 + VqsmDataGetIconData},
            {"GetTrayNameString", 100 + VqsmDataGetTrayNameString},
            {"GetMediumTypeNameString", 100 + VqsmDataGetMediumTypeNameString},
            {"GetMediumSizeNameString", 100 + VqsmDataGetMediumSizeNameString},
        };
        for (size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(expected[i].second * (expected[i].first == missing ? 0 : 1),
                      results[i].second)
                << expected[i].first;
        }
        EXPECT_EQ(5, VqsmDataDouble_CallCount());
    }
}

TEST_F(ModelObjectTest, CallOperationsPassArgumentsAndResultsThrough) {
    const INT_PTR big = static_cast<INT_PTR>(0x7123456789ABCDEFLL);
    int data = 0;
    VqsmDataDouble_SetResult(VqsmDataFindPaperSize, big);
    VqsmDataDouble_SetResult(VqsmDataGetIconData, -5);
    VqsmDataDouble_SetResult(VqsmDataGetTrayNameString, 11);
    VqsmDataDouble_SetResult(VqsmDataGetMediumTypeNameString, 12);
    VqsmDataDouble_SetResult(VqsmDataGetMediumSizeNameString, 13);
    EXPECT_EQ(big, theModelApp.CallFindPaperSize(-7, &data, 0x7FFFFFFF));
    EXPECT_EQ(-5, theModelApp.CallGetIconData(401));
    EXPECT_EQ(11, theModelApp.CallGetTrayNameString(&data));
    EXPECT_EQ(12, theModelApp.CallGetMediumTypeNameString(&data));
    EXPECT_EQ(13, theModelApp.CallGetMediumSizeNameString(nullptr));

    const INT_PTR address = reinterpret_cast<INT_PTR>(&data);
    const std::vector<DataCall> expected = {
        {VqsmDataFindPaperSize, {-7, address, 0x7FFFFFFF}},
        {VqsmDataGetIconData, {401, 0, 0}},
        {VqsmDataGetTrayNameString, {address, 0, 0}},
        {VqsmDataGetMediumTypeNameString, {address, 0, 0}},
        {VqsmDataGetMediumSizeNameString, {0, 0, 0}},
    };
    EXPECT_EQ(expected, DataCalls());
}

TEST_F(ModelObjectTest, ConstructorSkipsNullTextsAndCutsLongOnes) {
    VqsmCommonDouble_Reset();
    const std::string longName(600, 'n');
    {
        CCoreApp app(nullptr, longName.c_str(), nullptr, "");
        EXPECT_EQ(1u, winsim::CallCount("LoadLibraryA")); // theModelApp's only
        EXPECT_EQ(nullptr, app.m_hDataLibrary);
        EXPECT_EQ(nullptr, app.m_pfnGetIconData);
        EXPECT_EQ(std::string(519, 'n'), app.m_szModelName);
        EXPECT_STREQ(VQSMCOMMON_DOUBLE_SERIES_TEXT, app.m_szSeriesName);
        EXPECT_STREQ("", app.m_szCategory);
        EXPECT_EQ(0, app.CallGetIconData(1));
    }
    EXPECT_EQ(0u, winsim::CallCount("FreeLibrary"));
    EXPECT_EQ(1, VqsmCommonDouble_ConstructedCount());
    EXPECT_EQ(1, VqsmCommonDouble_DestroyedCount());
}

TEST_F(ModelObjectTest, UnloadFreesTheDataLibraryOnceAndLoadBindsItAnew) {
    UnloadModelLibrary();
    EXPECT_EQ(1u, winsim::CallCount("FreeLibrary"));
    EXPECT_EQ(1u, winsim::ModuleUnloadCount(kDataLibraryPath));
    EXPECT_FALSE(winsim::ModuleIsLoaded(kDataLibraryPath));
    EXPECT_EQ(0, winsim::LiveCount("module"));
    EXPECT_EQ(1, VqsmDataDouble_UnloadCount());
    EXPECT_EQ(1, VqsmCommonDouble_DestroyedCount());

    LoadModelLibrary();
    EXPECT_EQ(2u, winsim::ModuleLoadCount(kDataLibraryPath));
    EXPECT_EQ(2u, winsim::CallCount("LoadLibraryA"));
    EXPECT_EQ(12u, winsim::CallCount("GetProcAddress"));
    EXPECT_EQ(1, winsim::LiveCount("module"));
    VqsmDataDouble_SetResult(VqsmDataGetIconData, 77);
    EXPECT_EQ(77, GetIconData(5));
}

struct IdLookupCase {
    UINT id;
    std::vector<std::pair<std::string, std::string>> texts;
    std::vector<Request> asked;
    std::string output;
};

TEST_F(ModelObjectTest, GetStringByIdTriesTheHexadecimalKeyFirst) {
    const std::vector<IdLookupCase> cases = {
        {16385, {{"0x4001", "hex"}}, {{"0x4001", 3}}, "hex"},
        {16385, {{"16385", "decimal"}}, {{"0x4001", 3}, {"16385", 3}}, "decimal"},
        {16385, {{"0x4001", "hex"}, {"16385", "decimal"}}, {{"0x4001", 3}}, "hex"},
        {16385, {{"0x4001", ""}, {"16385", "decimal"}}, {{"0x4001", 3}}, ""},
        {16385, {}, {{"0x4001", 3}, {"16385", 3}}, ""},
        {0, {{"0", "zero"}}, {{"0x0000", 3}, {"0", 3}}, "zero"},
        {6, {}, {{"0x0006", 3}, {"6", 3}}, ""},
        {65535, {{"65535", " [L]"}}, {{"0xFFFF", 3}, {"65535", 3}}, " [L]"},
        {0x12345, {}, {{"0x12345", 3}, {"74565", 3}}, ""},
    };
    for (const IdLookupCase& c : cases) {
        SCOPED_TRACE(c.id);
        VqsmCommonDouble_Reset();
        for (const auto& text : c.texts) {
            VqsmCommonDouble_SetString(text.first.c_str(), text.second.c_str());
        }
        char output[32];
        std::memset(output, 'x', sizeof(output));
        EXPECT_EQ(static_cast<int>(c.output.size()),
                  theModelApp.GetStringById(c.id, output, sizeof(output), 3));
        EXPECT_EQ(c.output, output);
        EXPECT_EQ(c.asked, Requests());
    }
}

TEST_F(ModelObjectTest, GetStringByKeyCopiesTheTextCutToTheSize) {
    VqsmCommonDouble_SetString("Tray", "0123456789");
    char output[16];
    std::memset(output, 'x', sizeof(output));
    EXPECT_EQ(10, theModelApp.GetStringByKey("Tray", output, sizeof(output), 9));
    EXPECT_STREQ("0123456789", output);
    std::memset(output, 'x', sizeof(output));
    EXPECT_EQ(4, theModelApp.GetStringByKey("Tray", output, 5, 9));
    EXPECT_STREQ("0123", output);
    EXPECT_EQ('x', output[5]);
    EXPECT_EQ(0, theModelApp.GetStringByKey("Other", output, sizeof(output), 0));
    EXPECT_STREQ("", output);
    EXPECT_EQ((std::vector<Request>{{"Tray", 9}, {"Tray", 9}, {"Other", 0}}), Requests());

    // No room for even the empty text: nothing is written or asked.
    output[0] = 'x';
    EXPECT_EQ(0, theModelApp.GetStringByKey("Tray", output, 0, 1));
    EXPECT_EQ(0, theModelApp.GetStringById(1, output, -1, 1));
    EXPECT_EQ('x', output[0]);
    EXPECT_EQ(3u, Requests().size());
}

TEST_F(ModelObjectTest, ReadRegistryValueReadsTheValueAndClosesTheKey) {
    const wchar_t path[] = L"SOFTWARE\\Velmar\\Monitor";
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &key, nullptr));
    const wchar_t text[] = L"C:\\Monitor";
    RegSetValueExW(key, L"Folder", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof(text));
    const DWORD number = 0x01020304;
    RegSetValueExW(key, L"Count", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                   sizeof(number));
    RegCloseKey(key);

    const unsigned closesBefore = winsim::CallCount("RegCloseKey");
    DWORD type = 0;
    char data[32] = {};
    DWORD size = sizeof(data);
    EXPECT_EQ(ERROR_SUCCESS,
              theModelApp.ReadRegistryValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Velmar\\Monitor",
                                            "Folder", &type, reinterpret_cast<BYTE*>(data), &size));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_STREQ("C:\\Monitor", data);
    EXPECT_EQ(11u, size);

    DWORD read = 0;
    size = sizeof(read);
    EXPECT_EQ(ERROR_SUCCESS,
              theModelApp.ReadRegistryValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Velmar\\Monitor",
                                            "Count", &type, reinterpret_cast<BYTE*>(&read), &size));
    EXPECT_EQ(number, read);

    size = 4;
    EXPECT_EQ(ERROR_MORE_DATA, theModelApp.ReadRegistryValue(
                                   HKEY_LOCAL_MACHINE, "SOFTWARE\\Velmar\\Monitor", "Folder",
                                   nullptr, reinterpret_cast<BYTE*>(data), &size));
    EXPECT_EQ(11u, size);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              theModelApp.ReadRegistryValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Velmar\\Monitor",
                                            "Missing", nullptr, nullptr, nullptr));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              theModelApp.ReadRegistryValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Velmar\\Missing",
                                            "Folder", nullptr, nullptr, nullptr));
    winsim::FailCall("RegOpenKeyExA", 1, ERROR_ACCESS_DENIED, 0);
    EXPECT_EQ(ERROR_ACCESS_DENIED,
              theModelApp.ReadRegistryValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Velmar\\Monitor",
                                            "Folder", nullptr, nullptr, nullptr));
    EXPECT_EQ(closesBefore + 4, winsim::CallCount("RegCloseKey")); // one per key opened
    EXPECT_EQ(0, winsim::LiveCount("hkey"));
}

// A CIniFile whose arrays hold a text and, after its terminator, bytes of a pattern.
void FillWithPattern(CIniFile* object, char seed) {
    char* arrays[] = {object->m_szCommonData, object->m_szModelName, object->m_szSeriesName,
                      object->m_szCategory};
    const size_t sizes[] = {sizeof(object->m_szCommonData), sizeof(object->m_szModelName),
                            sizeof(object->m_szSeriesName), sizeof(object->m_szCategory)};
    for (int a = 0; a < 4; ++a) {
        for (size_t i = 0; i < sizes[a]; ++i) {
            arrays[a][i] = static_cast<char>(seed + a + i % 61);
        }
        arrays[a][3] = '\0';
    }
}

bool SameArrays(const CIniFile& first, const CIniFile& second) {
    return std::memcmp(first.m_szCommonData, second.m_szCommonData, 260) == 0 &&
           std::memcmp(first.m_szModelName, second.m_szModelName, 520) == 0 &&
           std::memcmp(first.m_szSeriesName, second.m_szSeriesName, 520) == 0 &&
           std::memcmp(first.m_szCategory, second.m_szCategory, 520) == 0;
}

const void* VftableOf(const void* object) {
    const void* vftable = nullptr;
    std::memcpy(&vftable, object, sizeof(vftable));
    return vftable;
}

TEST_F(ModelObjectTest, ExportedCIniFileMembersCopyWholeArrays) {
    CCoreApp source(nullptr, nullptr, nullptr, nullptr);
    FillWithPattern(&source, 'A');
    VqsmCommonDouble_Reset();

    void* memory = ::operator new(sizeof(CIniFile));
    CIniFile* copy = CIniFile_CopyConstructor(static_cast<CIniFile*>(memory), &source);
    EXPECT_EQ(memory, copy);
    EXPECT_EQ(static_cast<const void*>(CIniFile_Vftable), VftableOf(copy));
    EXPECT_TRUE(SameArrays(source, *copy));
    EXPECT_EQ(0, VqsmCommonDouble_ConstructedCount()); // a copy is not vqsmcommon's to build

    CCoreApp target(nullptr, nullptr, nullptr, nullptr);
    FillWithPattern(&target, 'a');
    EXPECT_EQ(&target, CIniFile_Assign(&target, copy));
    EXPECT_TRUE(SameArrays(source, target));

    // The one slot of the exported table: destroy, and free when bit 0 asks for it.
    EXPECT_EQ(memory, CIniFile_Vftable[0](copy, 1));
    EXPECT_EQ(1, VqsmCommonDouble_DestroyedCount());

    alignas(CIniFile) unsigned char storage[sizeof(CIniFile)];
    CIniFile_CopyConstructor(reinterpret_cast<CIniFile*>(storage), &source);
    EXPECT_EQ(static_cast<void*>(storage), CIniFile_Vftable[0](storage, 0));
    EXPECT_EQ(2, VqsmCommonDouble_DestroyedCount());
}

} // namespace

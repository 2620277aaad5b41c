// vqsmmodela.dll and vqsmmodelb.dll from dist/, loaded as the status monitor loads them: from
// its own folder's neighbours, with the vqsmcommon and vqsmdata doubles beside the program.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "vqsmcommon_double.h"
#include "vqsmdata_double.h"
#include "wintest.h"

namespace {

struct Model {
    const wchar_t* library;
    const char* modelName;
};

const Model kModels[] = {{L"vqsmmodela", "Kelvra-A"}, {L"vqsmmodelb", "Kelvra-B"}};

void PrintTo(const Model& model, std::ostream* out) { *out << model.modelName; }

// The 14 exports in ordinal order from 1.
const char* const kExports[] = {"??0CIniFile@@QEAA@AEBV0@@Z",
                                "??0CSMCommon@@QEAA@AEBV0@@Z",
                                "??0CSMCommon@@QEAA@XZ",
                                "??1CSMCommon@@UEAA@XZ",
                                "??4CIniFile@@QEAAAEAV0@AEBV0@@Z",
                                "??4CSMCommon@@QEAAAEAV0@AEBV0@@Z",
                                "??_7CIniFile@@6B@",
                                "??_7CSMCommon@@6B@",
                                "FindPaperSize",
                                "GetIconData",
                                "GetMediumSizeNameString",
                                "GetMediumTypeNameString",
                                "GetStatusMessage",
                                "GetTrayNameString"};

// The numbered names, every row.
const std::pair<UINT, const wchar_t*> kStrings[] = {
    {0, L"Unknown"},
    {6, L"JIS B4"},
    {11, L"ANSI B"},
    {12, L"ANSI Legal"},
    {13, L"ANSI Letter"},
    {19, L"Custom Size"},
    {36, L"ISO B3"},
    {37, L"ISO B4"},
    {43, L"DIN C2"},
    {44, L"DIN C3"},
    {45, L"DIN C4"},
    {71, L"ISO A3+"},
    {103, L"ANSI C"},
    {104, L"ARCH C"},
    {105, L"ARCH A"},
    {111, L"ANSI B Super"},
    {112, L"ANSI D"},
    {115, L"Poster 20\"x30\""},
    {125, L"18\"x22\""},
    {16384, L"TrayTypeManual"},
    {16385, L"ISO A3"},
    {16386, L"ISO A4"},
    {16414, L"ISO A0"},
    {16415, L"ISO A1"},
    {16416, L"ISO A2"},
    {16417, L"ISO B0"},
    {16418, L"ISO B1"},
    {16419, L"ISO B2"},
    {16425, L"DIN C0"},
    {16426, L"DIN C1"},
    {16433, L"JIS B0"},
    {16434, L"JIS B1"},
    {16435, L"JIS B2"},
    {16436, L"JIS B3"},
    {16485, L"8\"x10\""},
    {16486, L"ARCH B"},
    {16490, L"ARCH D"},
    {16491, L"ARCH E1"},
    {16492, L"ARCH E2"},
    {16493, L"ARCH E3"},
    {16494, L"ARCH E"},
    {16497, L"ANSI E"},
    {16498, L"ANSI F"},
    {16500, L"Poster 30\"x40\""},
    {16502, L"Poster 42\"x60\""},
    {16503, L"Poster 44\"x62\""},
    {16506, L"14\"x17\""},
    {16507, L"10\"x12\""},
    {16510, L"20\"x24\""},
    {16511, L"US Photo 16\"x20\""},
    {16512, L"10\"x15\""},
    {20480, L"TrayTypeRoll"},
    {20481, L"ISO A3/A4 Roll"},
    {20482, L"ISO A4 Roll"},
    {20510, L"ISO A0/A1 Roll"},
    {20511, L"ISO A1/A2 Roll"},
    {20512, L"ISO A2/A3 Roll"},
    {20513, L"ISO B0/B1 Roll"},
    {20514, L"ISO B1/B2 Roll"},
    {20515, L"ISO B2/B3 Roll"},
    {20521, L"DIN C0/C1 Roll"},
    {20522, L"DIN C1/C2 Roll"},
    {20529, L"JIS B0/B1 Roll"},
    {20530, L"JIS B1/B2 Roll"},
    {20531, L"JIS B2/B3 Roll"},
    {20532, L"JIS B3/B4 Roll"},
    {20581, L"8-in. Roll"},
    {20582, L"12-in. Roll"},
    {20586, L"24-in. Roll (ARCH D/C)"},
    {20587, L"30-in. Roll (ARCH E1)"},
    {20588, L"26-in. Roll"},
    {20589, L"27-in. Roll"},
    {20590, L"36-in. Roll (ARCH E/D)"},
    {20593, L"34-in. Roll"},
    {20594, L"28-in. Roll"},
    {20596, L"30-in. Roll"},
    {20598, L"42-in. Roll"},
    {20599, L"44-in. Roll"},
    {20602, L"14-in. Roll"},
    {20603, L"10-in. Roll"},
    {20606, L"20-in. Roll"},
    {20607, L"16-in. Roll"},
    {20608, L"10-in. Roll"},
    {65535, L" [L]"},
};

const char kEventsVariable[] = "VQSMDATA_DOUBLE_EVENTS";

std::string DataLibraryEvents() {
    char events[512] = "";
    GetEnvironmentVariableA(kEventsVariable, events, sizeof(events));
    return events;
}

std::wstring ProgramFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.find_last_of(L'\\'));
}

std::wstring DoublePath(const wchar_t* name) { return BuildDir() + L"\\testing\\doubles\\" + name; }

template <class Function> Function Export(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// The address of an exported data symbol.
const void* DataExport(HMODULE module, const char* name) {
    return reinterpret_cast<const void*>(GetProcAddress(module, name));
}

// Export and import names read from a PE file as it lies on disk.
struct PeNames {
    std::string libraryName; // the export directory's own name
    DWORD ordinalBase = 0;
    DWORD functionCount = 0;
    std::vector<std::pair<std::string, WORD>> exports; // name and ordinal, in name-table order
    std::map<std::string, std::vector<std::string>> imports; // by DLL name as written
};

PeNames ReadPeNames(const std::wstring& path) {
    PeNames names;
    const std::string bytes = ReadFileBytes(path);
    auto at = [&](size_t offset, size_t size) -> const BYTE* {
        return offset + size <= bytes.size() ? reinterpret_cast<const BYTE*>(bytes.data()) + offset
                                             : nullptr;
    };
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(at(0, sizeof(IMAGE_DOS_HEADER)));
    if (dos == nullptr) {
        return names;
    }
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(
        at(static_cast<size_t>(dos->e_lfanew), sizeof(IMAGE_NT_HEADERS64)));
    if (nt == nullptr || nt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC) {
        return names;
    }
    const auto* sections = reinterpret_cast<const IMAGE_SECTION_HEADER*>(
        at(static_cast<size_t>(dos->e_lfanew) + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) +
               nt->FileHeader.SizeOfOptionalHeader,
           nt->FileHeader.NumberOfSections * sizeof(IMAGE_SECTION_HEADER)));
    if (sections == nullptr) {
        return names;
    }
    auto file = [&](DWORD rva, size_t size) -> const BYTE* {
        for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i) {
            const IMAGE_SECTION_HEADER& s = sections[i];
            if (rva >= s.VirtualAddress && rva + size <= s.VirtualAddress + s.SizeOfRawData) {
                return at(s.PointerToRawData + (rva - s.VirtualAddress), size);
            }
        }
        return nullptr;
    };
    auto text = [&](DWORD rva) {
        const char* start = reinterpret_cast<const char*>(file(rva, 1));
        return start != nullptr ? std::string(start) : std::string();
    };

    const IMAGE_DATA_DIRECTORY& exportEntry =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    if (const auto* directory = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(
            file(exportEntry.VirtualAddress, sizeof(IMAGE_EXPORT_DIRECTORY)))) {
        names.libraryName = text(directory->Name);
        names.ordinalBase = directory->Base;
        names.functionCount = directory->NumberOfFunctions;
        const auto* nameRvas = reinterpret_cast<const DWORD*>(
            file(directory->AddressOfNames, directory->NumberOfNames * sizeof(DWORD)));
        const auto* ordinals = reinterpret_cast<const WORD*>(
            file(directory->AddressOfNameOrdinals, directory->NumberOfNames * sizeof(WORD)));
        for (DWORD i = 0;
             nameRvas != nullptr && ordinals != nullptr && i < directory->NumberOfNames; ++i) {
            names.exports.emplace_back(text(nameRvas[i]),
                                       static_cast<WORD>(ordinals[i] + directory->Base));
        }
    }

    const IMAGE_DATA_DIRECTORY& importEntry =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (DWORD offset = 0;; offset += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        const auto* descriptor = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(
            file(importEntry.VirtualAddress + offset, sizeof(IMAGE_IMPORT_DESCRIPTOR)));
        if (descriptor == nullptr || descriptor->Name == 0) {
            break;
        }
        std::vector<std::string>& functions = names.imports[text(descriptor->Name)];
        const DWORD thunks = descriptor->OriginalFirstThunk != 0 ? descriptor->OriginalFirstThunk
                                                                 : descriptor->FirstThunk;
        for (DWORD t = 0;; t += sizeof(IMAGE_THUNK_DATA64)) {
            const auto* thunk = reinterpret_cast<const IMAGE_THUNK_DATA64*>(
                file(thunks + t, sizeof(IMAGE_THUNK_DATA64)));
            if (thunk == nullptr || thunk->u1.AddressOfData == 0) {
                break;
            }
            if (IMAGE_SNAP_BY_ORDINAL64(thunk->u1.Ordinal)) {
                functions.push_back("#" + std::to_string(IMAGE_ORDINAL64(thunk->u1.Ordinal)));
            } else {
                functions.push_back(text(static_cast<DWORD>(thunk->u1.AddressOfData) + 2));
            }
        }
    }
    return names;
}

// The data library's control functions, reached through the copy that the model library loaded.
struct DataDouble {
    explicit DataDouble(HMODULE module)
        : setResult(
              Export<decltype(&VqsmDataDouble_SetResult)>(module, "VqsmDataDouble_SetResult")),
          callCount(
              Export<decltype(&VqsmDataDouble_CallCount)>(module, "VqsmDataDouble_CallCount")),
          getCall(Export<decltype(&VqsmDataDouble_GetCall)>(module, "VqsmDataDouble_GetCall")) {}
    decltype(&VqsmDataDouble_SetResult) setResult;
    decltype(&VqsmDataDouble_CallCount) callCount;
    decltype(&VqsmDataDouble_GetCall) getCall;
};

struct CommonDouble {
    explicit CommonDouble(HMODULE module)
        : construct(Export<decltype(&CIniFileImport_Construct)>(module, "??0CIniFile@@QEAA@XZ")),
          setString(
              Export<decltype(&VqsmCommonDouble_SetString)>(module, "VqsmCommonDouble_SetString")),
          requestCount(Export<decltype(&VqsmCommonDouble_RequestCount)>(
              module, "VqsmCommonDouble_RequestCount")),
          getRequest(Export<decltype(&VqsmCommonDouble_GetRequest)>(module,
                                                                    "VqsmCommonDouble_GetRequest")),
          constructedCount(Export<decltype(&VqsmCommonDouble_ConstructedCount)>(
              module, "VqsmCommonDouble_ConstructedCount")),
          destroyedCount(Export<decltype(&VqsmCommonDouble_DestroyedCount)>(
              module, "VqsmCommonDouble_DestroyedCount")) {}
    decltype(&CIniFileImport_Construct) construct;
    decltype(&VqsmCommonDouble_SetString) setString;
    decltype(&VqsmCommonDouble_RequestCount) requestCount;
    decltype(&VqsmCommonDouble_GetRequest) getRequest;
    decltype(&VqsmCommonDouble_ConstructedCount) constructedCount;
    decltype(&VqsmCommonDouble_DestroyedCount) destroyedCount;
};

// The exports as the status monitor declares them.
typedef INT_PTR (*FindPaperSizeFn)(int, void*, int);
typedef INT_PTR (*GetIconDataFn)(int);
typedef INT_PTR (*GetNameFn)(void*);
typedef void (*MakeNameFn)(void*);
// The C++ members as a Microsoft-built caller calls them on x64: `this` first.
typedef void* (*ConstructorFn)(void* self);
typedef void* (*CopyFn)(void* self, const void* other);
typedef void (*DestructorFn)(void* self);
typedef void* (*DeletingDestructorFn)(void* self, unsigned flags);

const size_t kIniFileSize = 8 + 260 + 3 * 520 + 4;
const size_t kTrayRecordSize = 176;
const size_t kSizeRecordSize = 444;
const size_t kStatusRecordSize = 4642;

class ModelLibraryEndToEnd : public testing::TestWithParam<Model> {
  protected:
    void SetUp() override {
        path_ = DistDir() + L"\\" + GetParam().library + L".dll";
        ASSERT_TRUE(PathExists(path_)) << "build and install the deliverables first";
        // The doubles beside the program, where the standard search finds them first.
        for (const wchar_t* name : {L"vqsmcommon.dll", L"vqsmdata.dll"}) {
            ASSERT_TRUE(CopyFileW(DoublePath(name).c_str(),
                                  (ProgramFolder() + L"\\" + name).c_str(), FALSE))
                << "missing double " << name;
        }
        SetEnvironmentVariableA(kEventsVariable, nullptr);
    }
    void TearDown() override {
        if (module_ != nullptr) {
            FreeLibrary(module_);
        }
    }
    HMODULE Load() {
        module_ = LoadLibraryW(path_.c_str());
        return module_;
    }
    void Unload() {
        EXPECT_TRUE(FreeLibrary(module_));
        module_ = nullptr;
    }
    std::wstring path_;
    HMODULE module_ = nullptr;
};

TEST_P(ModelLibraryEndToEnd, IsA64BitLibraryWithItsExportsAndImportsByName) {
    const PeInfo info = ReadPeInfo(path_);
    ASSERT_TRUE(info.valid);
    EXPECT_EQ(IMAGE_FILE_MACHINE_AMD64, info.machine);
    EXPECT_TRUE(info.dll);
    for (const std::string& import : info.imports) {
        EXPECT_TRUE(import == "kernel32.dll" || import == "msvcrt.dll" ||
                    import == "advapi32.dll" || import == "vqsmcommon.dll")
            << import;
    }

    const PeNames names = ReadPeNames(path_);
    std::string expectedName;
    for (const wchar_t* c = GetParam().library; *c != L'\0'; ++c) {
        expectedName += static_cast<char>(*c);
    }
    EXPECT_EQ(expectedName + ".dll", names.libraryName);
    EXPECT_EQ(1u, names.ordinalBase);
    EXPECT_EQ(14u, names.functionCount);
    std::vector<std::pair<std::string, WORD>> expected;
    for (WORD i = 0; i < 14; ++i) {
        expected.emplace_back(kExports[i], static_cast<WORD>(i + 1));
    }
    EXPECT_EQ(expected, names.exports);

    const auto common = names.imports.find("vqsmcommon.dll");
    ASSERT_NE(names.imports.end(), common);
    std::vector<std::string> imported = common->second;
    std::sort(imported.begin(), imported.end());
    EXPECT_EQ((std::vector<std::string>{"??0CIniFile@@QEAA@XZ", "??1CIniFile@@UEAA@XZ",
                                        "?GetString@CIniFile@@QEAAPEADPEBDH@Z"}),
              imported);
}

TEST_P(ModelLibraryEndToEnd, EveryExportIsFoundByNameAndByOrdinal) {
    HMODULE module = Load();
    ASSERT_NE(nullptr, module);
    for (WORD i = 0; i < 14; ++i) {
        SCOPED_TRACE(kExports[i]);
        FARPROC byName = GetProcAddress(module, kExports[i]);
        EXPECT_NE(nullptr, byName);
        EXPECT_EQ(byName,
                  GetProcAddress(module, reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(i + 1))));
    }
}

TEST_P(ModelLibraryEndToEnd, LoadBindsTheDataLibraryAndUnloadFreesIt) {
    ASSERT_NE(nullptr, Load());
    EXPECT_EQ("attach;", DataLibraryEvents());
    HMODULE data = GetModuleHandleW(L"vqsmdata.dll");
    ASSERT_NE(nullptr, data);
    wchar_t loadedFrom[MAX_PATH] = {};
    GetModuleFileNameW(data, loadedFrom, MAX_PATH);
    EXPECT_EQ(0, lstrcmpiW((ProgramFolder() + L"\\vqsmdata.dll").c_str(), loadedFrom));
    EXPECT_EQ(1, CommonDouble(GetModuleHandleW(L"vqsmcommon.dll")).constructedCount());

    Unload();
    EXPECT_EQ(nullptr, GetModuleHandleW(L"vqsmdata.dll"));
    EXPECT_EQ(nullptr, GetModuleHandleW(path_.c_str()));
    EXPECT_EQ("attach;detach;", DataLibraryEvents());

    // A second load binds a fresh copy of the data library.
    HMODULE module = Load();
    ASSERT_NE(nullptr, module);
    EXPECT_EQ("attach;detach;attach;", DataLibraryEvents());
    DataDouble double_(GetModuleHandleW(L"vqsmdata.dll"));
    double_.setResult(VqsmDataGetIconData, 42);
    EXPECT_EQ(42, Export<GetIconDataFn>(module, "GetIconData")(7));
    EXPECT_EQ(1, double_.callCount());
}

TEST_P(ModelLibraryEndToEnd, ForwardingExportsReachTheDataLibrary) {
    HMODULE module = Load();
    ASSERT_NE(nullptr, module);
    DataDouble data(GetModuleHandleW(L"vqsmdata.dll"));
    const INT_PTR big = static_cast<INT_PTR>(0x7123456789ABCDEFLL);
    data.setResult(VqsmDataFindPaperSize, big);
    data.setResult(VqsmDataGetIconData, -3);
    data.setResult(VqsmDataGetMediumTypeNameString, 5);
    data.setResult(VqsmDataGetStatusMessage, 6);
    int paper = 0;
    std::vector<BYTE> status(kStatusRecordSize, 0xA5);

    EXPECT_EQ(big, Export<FindPaperSizeFn>(module, "FindPaperSize")(-9, &paper, 70000));
    EXPECT_EQ(-3, Export<GetIconDataFn>(module, "GetIconData")(401));
    EXPECT_EQ(5, Export<GetNameFn>(module, "GetMediumTypeNameString")(&paper));
    EXPECT_EQ(6, Export<GetNameFn>(module, "GetStatusMessage")(status.data()));
    EXPECT_EQ(0, Export<GetNameFn>(module, "GetStatusMessage")(nullptr));

    ASSERT_EQ(4, data.callCount());
    VqsmDataCall call;
    ASSERT_TRUE(data.getCall(0, &call));
    EXPECT_EQ(VqsmDataFindPaperSize, call.function);
    EXPECT_EQ(-9, call.arguments[0]);
    EXPECT_EQ(reinterpret_cast<INT_PTR>(&paper), call.arguments[1]);
    EXPECT_EQ(70000, call.arguments[2]);
    ASSERT_TRUE(data.getCall(1, &call));
    EXPECT_EQ(401, call.arguments[0]);
    ASSERT_TRUE(data.getCall(3, &call));
    EXPECT_EQ(VqsmDataGetStatusMessage, call.function);
    EXPECT_EQ(reinterpret_cast<INT_PTR>(status.data()), call.arguments[0]);
    EXPECT_EQ(0, call.arguments[1]);
    for (INT_PTR field : call.statusFields) {
        EXPECT_EQ(0, field);
    }
    std::vector<size_t> changed;
    for (size_t i = 0; i < status.size(); ++i) {
        if (status[i] != 0xA5) {
            changed.push_back(i);
        }
    }
    EXPECT_EQ((std::vector<size_t>{536, 537, 538, 539, 540, 541, 542, 543, 544, 4641}), changed);
}

TEST_P(ModelLibraryEndToEnd, NamesComeFromNumberedKeysOfTheModel) {
    HMODULE module = Load();
    ASSERT_NE(nullptr, module);
    CommonDouble common(GetModuleHandleW(L"vqsmcommon.dll"));
    common.setString("0x0D-3", "Roll 3");
    common.setString("0x5001", "ISO A3/A4 Roll");
    common.setString("0xFFFF", " [L]");

    std::vector<BYTE> tray(kTrayRecordSize, 0);
    int type = 13;
    int number = 3;
    std::memcpy(&tray[8], &type, sizeof(type));
    std::memcpy(&tray[12], &number, sizeof(number));
    Export<MakeNameFn>(module, "GetTrayNameString")(tray.data());
    EXPECT_STREQ("Roll 3", reinterpret_cast<const char*>(&tray[96]));

    std::vector<BYTE> size(kSizeRecordSize, 0);
    const int fields[] = {1, 5, 2}; // size id, roll, with the suffix
    std::memcpy(&size[176], fields, sizeof(fields));
    Export<MakeNameFn>(module, "GetMediumSizeNameString")(size.data());
    EXPECT_STREQ("ISO A3/A4 Roll [L]", reinterpret_cast<const char*>(&size[188]));

    const std::vector<std::pair<std::string, int>> expected = {
        {"0x0D-3", 1}, {"0x5001", 1}, {"0xFFFF", 1}};
    ASSERT_EQ(3, common.requestCount());
    for (int i = 0; i < 3; ++i) {
        VqsmCommonRequest request;
        ASSERT_TRUE(common.getRequest(i, &request));
        EXPECT_EQ(expected[static_cast<size_t>(i)].first, request.key);
        EXPECT_EQ(expected[static_cast<size_t>(i)].second, request.flag);
        // The object that asks is the model's.
        EXPECT_STREQ(GetParam().modelName, request.modelName);
        EXPECT_STREQ("Qvx", request.seriesName);
        EXPECT_STREQ("LARGE", request.category);
    }
    EXPECT_EQ(0, DataDouble(GetModuleHandleW(L"vqsmdata.dll")).callCount());
}

TEST_P(ModelLibraryEndToEnd, ExportedMembersWorkAsAMicrosoftBuiltCallerUsesThem) {
    HMODULE module = Load();
    ASSERT_NE(nullptr, module);
    CommonDouble common(GetModuleHandleW(L"vqsmcommon.dll"));

    // A CIniFile built by vqsmcommon, with bytes after every terminator.
    alignas(8) BYTE source[kIniFileSize];
    common.construct(source);
    for (size_t i = 8; i < kIniFileSize - 4; ++i) {
        source[i] = static_cast<BYTE>(i % 251 + 1);
    }
    source[8] = source[268] = source[788] = source[1308] = 0;

    alignas(8) BYTE copy[kIniFileSize] = {};
    const void* iniVftable = DataExport(module, "??_7CIniFile@@6B@");
    EXPECT_EQ(copy, Export<CopyFn>(module, "??0CIniFile@@QEAA@AEBV0@@Z")(copy, source));
    const void* vftable = nullptr;
    std::memcpy(&vftable, copy, sizeof(vftable));
    EXPECT_EQ(iniVftable, vftable);
    EXPECT_EQ(0, std::memcmp(source + 8, copy + 8, kIniFileSize - 12));

    alignas(8) BYTE assigned[kIniFileSize] = {};
    std::memcpy(assigned, copy, 8);
    EXPECT_EQ(assigned,
              Export<CopyFn>(module, "??4CIniFile@@QEAAAEAV0@AEBV0@@Z")(assigned, source));
    EXPECT_EQ(0, std::memcmp(source + 8, assigned + 8, kIniFileSize - 12));

    // The table's one slot destroys through vqsmcommon's destructor.
    const int destroyed = common.destroyedCount();
    const auto* slots = static_cast<const DeletingDestructorFn*>(vftable);
    EXPECT_EQ(copy, slots[0](copy, 0));
    EXPECT_EQ(destroyed + 1, common.destroyedCount());

    alignas(8) BYTE smCommon[8] = {};
    alignas(8) BYTE smCopy[8] = {};
    const void* smVftable = DataExport(module, "??_7CSMCommon@@6B@");
    EXPECT_EQ(smCommon, Export<ConstructorFn>(module, "??0CSMCommon@@QEAA@XZ")(smCommon));
    EXPECT_EQ(smCopy, Export<CopyFn>(module, "??0CSMCommon@@QEAA@AEBV0@@Z")(smCopy, smCommon));
    EXPECT_EQ(smCopy, Export<CopyFn>(module, "??4CSMCommon@@QEAAAEAV0@AEBV0@@Z")(smCopy, smCommon));
    std::memcpy(&vftable, smCopy, sizeof(vftable));
    EXPECT_EQ(smVftable, vftable);
    Export<DestructorFn>(module, "??1CSMCommon@@UEAA@XZ")(smCopy);
    EXPECT_EQ(smCommon, static_cast<const DeletingDestructorFn*>(smVftable)[0](smCommon, 0));
}

TEST_P(ModelLibraryEndToEnd, WithoutTheDataLibraryOnlyTheForwardingGivesZero) {
    const std::wstring beside = ProgramFolder() + L"\\vqsmdata.dll";
    ASSERT_TRUE(DeleteFileW(beside.c_str()));
    HMODULE module = Load();
    ASSERT_NE(nullptr, module);
    EXPECT_EQ(nullptr, GetModuleHandleW(L"vqsmdata.dll"));
    EXPECT_EQ(0, Export<GetIconDataFn>(module, "GetIconData")(1));
    std::vector<BYTE> status(kStatusRecordSize, 0xA5);
    EXPECT_EQ(0, Export<GetNameFn>(module, "GetStatusMessage")(status.data()));
    EXPECT_EQ(0, status[544]);
    CommonDouble(GetModuleHandleW(L"vqsmcommon.dll")).setString("0x4007", "Tray 7");
    std::vector<BYTE> tray(kTrayRecordSize, 0);
    tray[8] = 7;
    Export<MakeNameFn>(module, "GetTrayNameString")(tray.data());
    EXPECT_STREQ("Tray 7", reinterpret_cast<const char*>(&tray[96]));
}

TEST_P(ModelLibraryEndToEnd, CarriesTheNumberedNamesInEnglish) {
    HMODULE module = LoadLibraryExW(path_.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, module);
    for (const auto& row : kStrings) {
        SCOPED_TRACE(row.first);
        wchar_t text[128] = {};
        EXPECT_EQ(static_cast<int>(std::wcslen(row.second)),
                  LoadStringW(module, row.first, text, _countof(text)));
        EXPECT_STREQ(row.second, text);
        // Each block of 16 ids is one resource, in language 1033 only.
        const LPCWSTR block = MAKEINTRESOURCEW(row.first / 16 + 1);
        EXPECT_NE(nullptr, FindResourceExW(module, MAKEINTRESOURCEW(6), block, 1033));
    }
    wchar_t text[16] = L"unchanged";
    EXPECT_EQ(0, LoadStringW(module, 1, text, _countof(text)));
    EXPECT_EQ(0, LoadStringW(module, 0x4003, text, _countof(text)));
    FreeLibrary(module);
}

std::string BitmapBytes(const std::wstring& path) {
    HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    std::string bytes;
    if (HRSRC found = FindResourceExW(module, MAKEINTRESOURCEW(2), MAKEINTRESOURCEW(401), 1033)) {
        const char* data = static_cast<const char*>(LockResource(LoadResource(module, found)));
        bytes.assign(data, SizeofResource(module, found));
    }
    FreeLibrary(module);
    return bytes;
}

TEST_P(ModelLibraryEndToEnd, CarriesThePictureOfItsModel) {
    HMODULE module = LoadLibraryExW(path_.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, module);
    HANDLE image =
        LoadImageW(module, MAKEINTRESOURCEW(401), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
    ASSERT_NE(nullptr, image);
    BITMAP bitmap = {};
    ASSERT_NE(0, GetObjectW(image, sizeof(bitmap), &bitmap));
    EXPECT_EQ(130, bitmap.bmWidth);
    EXPECT_EQ(110, bitmap.bmHeight);
    EXPECT_EQ(4, bitmap.bmBitsPixel);
    DeleteObject(image);
    FreeLibrary(module);

    const std::string bytes = BitmapBytes(path_);
    ASSERT_GE(bytes.size(), sizeof(BITMAPINFOHEADER) + 16 * sizeof(RGBQUAD));
    BITMAPINFOHEADER header;
    std::memcpy(&header, bytes.data(), sizeof(header));
    EXPECT_EQ(130, header.biWidth);
    EXPECT_EQ(110, header.biHeight);
    EXPECT_EQ(4, header.biBitCount);
    EXPECT_EQ(static_cast<DWORD>(BI_RGB), header.biCompression);
    const BYTE standard[16][3] = {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                                  {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
                                  {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                                  {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
    for (int i = 0; i < 16; ++i) {
        RGBQUAD entry;
        std::memcpy(&entry, bytes.data() + header.biSize + i * sizeof(RGBQUAD), sizeof(entry));
        EXPECT_EQ(standard[i][0], entry.rgbRed) << i;
        EXPECT_EQ(standard[i][1], entry.rgbGreen) << i;
        EXPECT_EQ(standard[i][2], entry.rgbBlue) << i;
    }
    // The corners are background: palette index 13 in both nibbles.
    const size_t pixels = header.biSize + 16 * sizeof(RGBQUAD);
    const size_t stride = 68;
    ASSERT_EQ(pixels + stride * 110, bytes.size());
    EXPECT_EQ(0xDD, static_cast<BYTE>(bytes[pixels]));
    EXPECT_EQ(0xDD, static_cast<BYTE>(bytes[pixels + stride * 110 - 4]));

    // The two models' pictures differ.
    const std::wstring other =
        DistDir() +
        (GetParam().library == kModels[0].library ? L"\\vqsmmodelb.dll" : L"\\vqsmmodela.dll");
    EXPECT_NE(bytes, BitmapBytes(other));
}

TEST_P(ModelLibraryEndToEnd, VersionBlockNamesTheLibrary) {
    DWORD fileMs = 0, fileLs = 0, productMs = 0, productLs = 0;
    ASSERT_TRUE(FixedVersion(path_, &fileMs, &fileLs, &productMs, &productLs));
    EXPECT_EQ((25u << 16) | 7u, fileMs);
    EXPECT_EQ(0u, fileLs);
    EXPECT_EQ((25u << 16) | 70u, productMs);
    EXPECT_EQ(0u, productLs);
    const std::wstring library = GetParam().library;
    EXPECT_EQ(L"25.7.0.0", VersionString(path_, L"FileVersion"));
    EXPECT_EQ(L"25.70", VersionString(path_, L"ProductVersion"));
    EXPECT_EQ(library, VersionString(path_, L"InternalName"));
    EXPECT_EQ(library + L".dll", VersionString(path_, L"OriginalFilename"));
}

INSTANTIATE_TEST_SUITE_P(Models, ModelLibraryEndToEnd, testing::ValuesIn(kModels),
                         [](const testing::TestParamInfo<Model>& param) {
                             return std::string(param.param.modelName) == "Kelvra-A" ? "A" : "B";
                         });

} // namespace

// The status-monitor model library: the classes behind its exports, the records that the
// status monitor hands to them, and the exports.
#pragma once

#include <windows.h>

#include <cstddef>

// The INI-string class of vqsmcommon. Its default constructor, destructor and GetString are
// vqsmcommon's; the library derives from the class and copies it, so this declaration keeps
// vqsmcommon's layout exactly: the virtual table pointer, then the four text arrays.
class CIniFile {
  public:
    CIniFile();
    CIniFile(const CIniFile& other);
    virtual ~CIniFile();
    CIniFile& operator=(const CIniFile& other);

    // The text for a key, or null; the text stays vqsmcommon's.
    char* GetString(const char* key, int flag);

    char m_szCommonData[260]; // vqsmcommon's own: copied, never read or written here
    char m_szModelName[520];
    char m_szSeriesName[520];
    char m_szCategory[520];
};

// The records that the status monitor owns and passes by pointer. Only the named fields are
// ours to touch; the byte arrays between them hold the caller's (and the data library's) data.
#pragma pack(push, 1)
struct TrayNameRecord {
    BYTE abCaller[8];
    int nTrayType;
    int nTrayNumber;
    char szTrayKey[80];
    char szTrayName[80];
};

struct MediumSizeNameRecord {
    BYTE abCaller[176];
    int nSizeId;
    int nFeedType; // 5: roll; anything else: sheet
    int nSuffixFlag;
    char szSizeName[256];
};

// The data library fills it; the model library only clears four fields before handing it on.
struct StatusMessageRecord {
    BYTE abData1[536];
    int nCleared218;
    int nCleared21C;
    BYTE bCleared220;
    BYTE abData2[4096];
    BYTE bCleared1221;
};
#pragma pack(pop)

static_assert(sizeof(TrayNameRecord) == 176, "TrayNameRecord layout");
static_assert(sizeof(MediumSizeNameRecord) == 444, "MediumSizeNameRecord layout");
static_assert(sizeof(StatusMessageRecord) == 4642, "StatusMessageRecord layout");
static_assert(offsetof(TrayNameRecord, nTrayType) == 8 &&
                  offsetof(TrayNameRecord, szTrayName) == 96,
              "TrayNameRecord offsets");
static_assert(offsetof(MediumSizeNameRecord, nSizeId) == 176 &&
                  offsetof(MediumSizeNameRecord, szSizeName) == 188,
              "MediumSizeNameRecord offsets");
static_assert(offsetof(StatusMessageRecord, nCleared218) == 0x218 &&
                  offsetof(StatusMessageRecord, bCleared220) == 0x220 &&
                  offsetof(StatusMessageRecord, bCleared1221) == 0x1221,
              "StatusMessageRecord offsets");

// The data library's six functions, as the library calls them. Their results are handed back
// unchanged at full register width, whatever the data library means by them.
typedef INT_PTR (*PFNGETSTATUSMESSAGE)(StatusMessageRecord* record, int reserved);
typedef INT_PTR (*PFNFINDPAPERSIZE)(int first, void* data, int second);
typedef INT_PTR (*PFNGETICONDATA)(int icon);
typedef INT_PTR (*PFNGETNAMESTRING)(void* record);

// The model application object: holds the model's texts in its CIniFile part and the data
// library with its bound functions.
class CCoreApp : public CIniFile {
  public:
    CCoreApp(const char* dataLibrary, const char* modelName, const char* seriesName,
             const char* category);
    CCoreApp(const CCoreApp&) = delete; // it owns the data library's module
    CCoreApp& operator=(const CCoreApp&) = delete;

    // The slot order of the virtual table is part of the class.
    virtual ~CCoreApp();
    virtual INT_PTR CallFindPaperSize(int first, void* data, int second);
    virtual INT_PTR CallGetIconData(int icon);
    virtual INT_PTR CallGetTrayNameString(void* record);
    virtual INT_PTR CallGetMediumTypeNameString(void* record);
    virtual INT_PTR CallGetMediumSizeNameString(void* record);
    virtual LONG ReadRegistryValue(HKEY root, const char* subKey, const char* valueName,
                                   LPDWORD type, LPBYTE data, LPDWORD size);
    virtual int GetStringByKey(const char* key, char* output, int size, int flag);
    virtual int GetStringById(UINT id, char* output, int size, int flag);

    void MakeTrayName(TrayNameRecord* record);
    void MakeMediumSizeName(MediumSizeNameRecord* record);

    HMODULE m_hDataLibrary;
    PFNGETSTATUSMESSAGE m_pfnGetStatusMessage;
    PFNFINDPAPERSIZE m_pfnFindPaperSize;
    PFNGETICONDATA m_pfnGetIconData;
    PFNGETNAMESTRING m_pfnGetTrayNameString;
    PFNGETNAMESTRING m_pfnGetMediumTypeNameString;
    PFNGETNAMESTRING m_pfnGetMediumSizeNameString;
};

// Exported with its special members; nothing in the library makes one.
class CSMCommon {
  public:
    CSMCommon();
    CSMCommon(const CSMCommon& other);
    virtual ~CSMCommon();
    CSMCommon& operator=(const CSMCommon& other);
};

extern "C" {

// The exports under their plain names.
INT_PTR FindPaperSize(int first, void* data, int second);
INT_PTR GetIconData(int icon);
INT_PTR GetMediumTypeNameString(void* record);
INT_PTR GetStatusMessage(StatusMessageRecord* record);
void GetTrayNameString(TrayNameRecord* record);
void GetMediumSizeNameString(MediumSizeNameRecord* record);

// The exported special members as a Microsoft-built caller calls them on x64: `this` comes
// first, a constructor hands `this` back, and the objects that they build point to the class's
// exported virtual table, whose one slot is the scalar deleting destructor (this, flags).
typedef void* (*SCALARDELETINGDTOR)(void* self, unsigned flags);
extern const SCALARDELETINGDTOR CIniFile_Vftable[1];
extern const SCALARDELETINGDTOR CSMCommon_Vftable[1];
CIniFile* CIniFile_CopyConstructor(CIniFile* self, const CIniFile* other);
CIniFile* CIniFile_Assign(CIniFile* self, const CIniFile* other);
CSMCommon* CSMCommon_DefaultConstructor(CSMCommon* self);
CSMCommon* CSMCommon_CopyConstructor(CSMCommon* self, const CSMCommon* other);
void CSMCommon_Destructor(CSMCommon* self);
CSMCommon* CSMCommon_Assign(CSMCommon* self, const CSMCommon* other);

// The library's entry point: the work at load and unload is theModelApp's construction and
// destruction, which the run-time start-up runs around it.
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);
}

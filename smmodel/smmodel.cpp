// The status-monitor model library, built once per model: the model's values come from the
// model folder's modelapp.h.
#include "modelapp.h"

#include <cstddef>
#include <cstring>
#include <new>

#include "crt.h"

// vqsmcommon's members of CIniFile under plain link names; the import library made from
// vqsmcommon.def binds them to their decorated names in vqsmcommon.dll. On x64 a member
// function takes `this` as its first argument, so these are the same calls; the constructor
// hands `this` back, as Microsoft-built constructors do.
extern "C" {
CIniFile* CIniFileImport_Construct(CIniFile* self);
void CIniFileImport_Destruct(CIniFile* self);
char* CIniFileImport_GetString(CIniFile* self, const char* key, int flag);
}

CModelApp theModelApp;

namespace {

const char kDataGetStatusMessage[] = "GetStatusMessage";
const char kDataFindPaperSize[] = "FindPaperSize";
const char kDataGetIconData[] = "GetIconData";
const char kDataGetTrayNameString[] = "GetTrayNameString";
const char kDataGetMediumTypeNameString[] = "GetMediumTypeNameString";
const char kDataGetMediumSizeNameString[] = "GetMediumSizeNameString";

const int kTrayTypeKeyed = 13; // named by "0x0D-<tray number>"
const int kTrayTypeOwnKey = 2; // named by the record's own key text
const UINT kSheetNames = 0x4000;
const UINT kRollNames = 0x5000;
const UINT kSizeSuffix = 65535;
const int kFeedRoll = 5;
const int kSuffixWanted = 2;

template <class Pointer> Pointer BindExport(HMODULE module, const char* name) {
    return reinterpret_cast<Pointer>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// Copies a text that GetString found into the output, cut to fit; returns the length left.
int CopyFoundText(char* output, int size, const char* text) {
    if (text != nullptr) {
        strncpy_s(output, static_cast<size_t>(size), text, _TRUNCATE);
    }
    return static_cast<int>(std::strlen(output));
}

// CIniFile's bytes as vqsmcommon lays them out. The exported members work on an object's bytes,
// since a Microsoft-built caller's object carries that compiler's virtual table, not ours.
struct CIniFileLayout {
    const void* vftable;
    char commonData[260];
    char modelName[520];
    char seriesName[520];
    char category[520];
};
static_assert(sizeof(CIniFileLayout) == sizeof(CIniFile), "CIniFile layout");
const size_t kIniFileTextsAt = offsetof(CIniFileLayout, commonData);
const size_t kIniFileTextsSize =
    offsetof(CIniFileLayout, category) + sizeof(CIniFileLayout::category) - kIniFileTextsAt;

void SetVftable(void* object, const SCALARDELETINGDTOR* vftable) {
    std::memcpy(object, &vftable, sizeof(vftable));
}

// The four text arrays, whole: the bytes after each terminator too.
void CopyIniFileTexts(void* to, const void* from) {
    if (to != from) {
        std::memcpy(static_cast<BYTE*>(to) + kIniFileTextsAt,
                    static_cast<const BYTE*>(from) + kIniFileTextsAt, kIniFileTextsSize);
    }
}

} // namespace

CIniFile::CIniFile() { CIniFileImport_Construct(this); }

CIniFile::CIniFile(const CIniFile& other) { CopyIniFileTexts(this, &other); }

CIniFile::~CIniFile() { CIniFileImport_Destruct(this); }

CIniFile& CIniFile::operator=(const CIniFile& other) {
    CopyIniFileTexts(this, &other);
    return *this;
}

char* CIniFile::GetString(const char* key, int flag) {
    return CIniFileImport_GetString(this, key, flag);
}

CCoreApp::CCoreApp(const char* dataLibrary, const char* modelName, const char* seriesName,
                   const char* category)
    : CIniFile(), m_hDataLibrary(nullptr), m_pfnGetStatusMessage(nullptr),
      m_pfnFindPaperSize(nullptr), m_pfnGetIconData(nullptr), m_pfnGetTrayNameString(nullptr),
      m_pfnGetMediumTypeNameString(nullptr), m_pfnGetMediumSizeNameString(nullptr) {
    if (dataLibrary != nullptr) {
        m_hDataLibrary = LoadLibraryA(dataLibrary);
    }
    // A missing export leaves only its own pointer null.
    if (m_hDataLibrary != nullptr) {
        m_pfnGetStatusMessage =
            BindExport<PFNGETSTATUSMESSAGE>(m_hDataLibrary, kDataGetStatusMessage);
        m_pfnFindPaperSize = BindExport<PFNFINDPAPERSIZE>(m_hDataLibrary, kDataFindPaperSize);
        m_pfnGetIconData = BindExport<PFNGETICONDATA>(m_hDataLibrary, kDataGetIconData);
        m_pfnGetTrayNameString =
            BindExport<PFNGETNAMESTRING>(m_hDataLibrary, kDataGetTrayNameString);
        m_pfnGetMediumTypeNameString =
            BindExport<PFNGETNAMESTRING>(m_hDataLibrary, kDataGetMediumTypeNameString);
        m_pfnGetMediumSizeNameString =
            BindExport<PFNGETNAMESTRING>(m_hDataLibrary, kDataGetMediumSizeNameString);
    }
    // A null text leaves what the CIniFile constructor put there.
    if (modelName != nullptr) {
        strncpy_s(m_szModelName, sizeof(m_szModelName), modelName, _TRUNCATE);
    }
    if (seriesName != nullptr) {
        strncpy_s(m_szSeriesName, sizeof(m_szSeriesName), seriesName, _TRUNCATE);
    }
    if (category != nullptr) {
        strncpy_s(m_szCategory, sizeof(m_szCategory), category, _TRUNCATE);
    }
}

CCoreApp::~CCoreApp() {
    if (m_hDataLibrary != nullptr) {
        FreeLibrary(m_hDataLibrary);
    }
    m_pfnGetStatusMessage = nullptr;
    m_pfnFindPaperSize = nullptr;
    m_pfnGetIconData = nullptr;
    m_pfnGetTrayNameString = nullptr;
    m_pfnGetMediumTypeNameString = nullptr;
    m_pfnGetMediumSizeNameString = nullptr;
}

INT_PTR CCoreApp::CallFindPaperSize(int first, void* data, int second) {
    return m_pfnFindPaperSize != nullptr ? m_pfnFindPaperSize(first, data, second) : 0;
}

INT_PTR CCoreApp::CallGetIconData(int icon) {
    return m_pfnGetIconData != nullptr ? m_pfnGetIconData(icon) : 0;
}

INT_PTR CCoreApp::CallGetTrayNameString(void* record) {
    return m_pfnGetTrayNameString != nullptr ? m_pfnGetTrayNameString(record) : 0;
}

INT_PTR CCoreApp::CallGetMediumTypeNameString(void* record) {
    return m_pfnGetMediumTypeNameString != nullptr ? m_pfnGetMediumTypeNameString(record) : 0;
}

INT_PTR CCoreApp::CallGetMediumSizeNameString(void* record) {
    return m_pfnGetMediumSizeNameString != nullptr ? m_pfnGetMediumSizeNameString(record) : 0;
}

LONG CCoreApp::ReadRegistryValue(HKEY root, const char* subKey, const char* valueName, LPDWORD type,
                                 LPBYTE data, LPDWORD size) {
    HKEY key = nullptr;
    LONG status = RegOpenKeyExA(root, subKey, 0, KEY_READ, &key);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    status = RegQueryValueExA(key, valueName, nullptr, type, data, size);
    RegCloseKey(key);
    return status;
}

int CCoreApp::GetStringByKey(const char* key, char* output, int size, int flag) {
    if (output == nullptr || size <= 0) {
        return 0; // no room even for the empty text
    }
    output[0] = '\0';
    return CopyFoundText(output, size, GetString(key, flag));
}

int CCoreApp::GetStringById(UINT id, char* output, int size, int flag) {
    if (output == nullptr || size <= 0) {
        return 0;
    }
    output[0] = '\0';
    char key[128];
    _snprintf_s(key, sizeof(key), _TRUNCATE, "0x%04X", id);
    const char* text = GetString(key, flag);
    if (text == nullptr) {
        _snprintf_s(key, sizeof(key), _TRUNCATE, "%d", static_cast<int>(id));
        text = GetString(key, flag);
    }
    return CopyFoundText(output, size, text);
}

void CCoreApp::MakeTrayName(TrayNameRecord* record) {
    if (record == nullptr) {
        return;
    }
    char* name = record->szTrayName;
    const int bound = sizeof(record->szTrayName) - 1;
    if (record->nTrayType == kTrayTypeKeyed) {
        char key[32];
        _snprintf_s(key, sizeof(key), _TRUNCATE, "0x%02X-%d", kTrayTypeKeyed, record->nTrayNumber);
        if (GetStringByKey(key, name, bound, 1) != 0) {
            return;
        }
    } else if (record->nTrayType == kTrayTypeOwnKey) {
        // The caller's key as it stands, but never read past its field.
        char key[sizeof(record->szTrayKey) + 1];
        const void* end = std::memchr(record->szTrayKey, '\0', sizeof(record->szTrayKey));
        const size_t length = end != nullptr ? static_cast<const char*>(end) - record->szTrayKey
                                             : sizeof(record->szTrayKey);
        std::memcpy(key, record->szTrayKey, length);
        key[length] = '\0';
        if (GetStringByKey(key, name, bound, 1) != 0) {
            return;
        }
    } else if (GetStringById(kSheetNames + static_cast<UINT>(record->nTrayType), name, bound, 0) !=
               0) {
        return;
    }
    if (GetStringById(kSheetNames, name, bound, 1) != 0) {
        return;
    }
    strncpy_s(name, sizeof(record->szTrayName), "", _TRUNCATE);
}

void CCoreApp::MakeMediumSizeName(MediumSizeNameRecord* record) {
    if (record == nullptr) {
        return;
    }
    char* name = record->szSizeName;
    const int bound = sizeof(record->szSizeName) - 1;
    const UINT base = record->nFeedType == kFeedRoll ? kRollNames : kSheetNames;
    const UINT sizeId = static_cast<UINT>(record->nSizeId);
    if (GetStringById(base + sizeId, name, bound, 1) == 0 &&
        GetStringById(sizeId, name, bound, 1) == 0) {
        // The unknown-size name, which never gets the suffix.
        if (GetStringById(0, name, bound, 1) == 0) {
            strncpy_s(name, sizeof(record->szSizeName), "", _TRUNCATE);
        }
        return;
    }
    char suffix[256];
    GetStringById(kSizeSuffix, suffix, sizeof(suffix) - 1, 1);
    if (record->nSuffixFlag == kSuffixWanted) {
        // Cut to what fits: the name keeps its terminator within the field.
        const size_t used = std::strlen(name);
        strncpy_s(name + used, sizeof(record->szSizeName) - used, suffix, _TRUNCATE);
    }
}

CSMCommon::CSMCommon() {}

CSMCommon::CSMCommon(const CSMCommon&) {}

CSMCommon::~CSMCommon() {}

CSMCommon& CSMCommon::operator=(const CSMCommon&) { return *this; }

extern "C" {

INT_PTR FindPaperSize(int first, void* data, int second) {
    PFNFINDPAPERSIZE function = theModelApp.m_pfnFindPaperSize;
    return function != nullptr ? function(first, data, second) : 0;
}

INT_PTR GetIconData(int icon) {
    PFNGETICONDATA function = theModelApp.m_pfnGetIconData;
    return function != nullptr ? function(icon) : 0;
}

INT_PTR GetMediumTypeNameString(void* record) {
    PFNGETNAMESTRING function = theModelApp.m_pfnGetMediumTypeNameString;
    return function != nullptr ? function(record) : 0;
}

INT_PTR GetStatusMessage(StatusMessageRecord* record) {
    if (record == nullptr) {
        return 0;
    }
    record->nCleared218 = 0;
    record->nCleared21C = 0;
    record->bCleared220 = 0;
    record->bCleared1221 = 0;
    PFNGETSTATUSMESSAGE function = theModelApp.m_pfnGetStatusMessage;
    return function != nullptr ? function(record, 0) : 0;
}

void GetTrayNameString(TrayNameRecord* record) { theModelApp.MakeTrayName(record); }

void GetMediumSizeNameString(MediumSizeNameRecord* record) {
    theModelApp.MakeMediumSizeName(record);
}

// The scalar deleting destructors of the exported virtual tables: destroy, then free the
// object when bit 0 of the flags asks for it. CIniFile's destructor is vqsmcommon's.
static void* CIniFile_ScalarDeletingDestructor(void* self, unsigned flags) {
    CIniFileImport_Destruct(static_cast<CIniFile*>(self));
    if ((flags & 1) != 0) {
        ::operator delete(self);
    }
    return self;
}

static void* CSMCommon_ScalarDeletingDestructor(void* self, unsigned flags) {
    SetVftable(self, CSMCommon_Vftable);
    if ((flags & 1) != 0) {
        ::operator delete(self);
    }
    return self;
}

const SCALARDELETINGDTOR CIniFile_Vftable[1] = {&CIniFile_ScalarDeletingDestructor};
const SCALARDELETINGDTOR CSMCommon_Vftable[1] = {&CSMCommon_ScalarDeletingDestructor};

CIniFile* CIniFile_CopyConstructor(CIniFile* self, const CIniFile* other) {
    SetVftable(self, CIniFile_Vftable);
    CopyIniFileTexts(self, other);
    return self;
}

CIniFile* CIniFile_Assign(CIniFile* self, const CIniFile* other) {
    CopyIniFileTexts(self, other);
    return self;
}

CSMCommon* CSMCommon_DefaultConstructor(CSMCommon* self) {
    SetVftable(self, CSMCommon_Vftable);
    return self;
}

CSMCommon* CSMCommon_CopyConstructor(CSMCommon* self, const CSMCommon* other) {
    (void)other; // nothing to copy
    SetVftable(self, CSMCommon_Vftable);
    return self;
}

void CSMCommon_Destructor(CSMCommon* self) { SetVftable(self, CSMCommon_Vftable); }

CSMCommon* CSMCommon_Assign(CSMCommon* self, const CSMCommon* other) {
    (void)other;
    return self;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    (void)reason;
    (void)reserved;
    return TRUE;
}

} // extern "C"

// Test double of vqsmcommon.dll: CIniFile's default constructor, destructor and GetString (the
// members that the model library imports), with control functions for the tests. On Windows it
// is a DLL exporting the members under their decorated names and the control functions under
// their plain names; on the host, a static library.
#pragma once

#include <windows.h>

extern "C" {

// One GetString request: the key and flag asked, and the object's model texts at the time.
struct VqsmCommonRequest {
    char key[128];
    int flag;
    char modelName[520];
    char seriesName[520];
    char category[520];
};

// What the double's constructor writes into the object's four text arrays.
#define VQSMCOMMON_DOUBLE_COMMON_TEXT "vqsmcommon.ini"
#define VQSMCOMMON_DOUBLE_MODEL_TEXT "(model name of vqsmcommon)"
#define VQSMCOMMON_DOUBLE_SERIES_TEXT "(series word of vqsmcommon)"
#define VQSMCOMMON_DOUBLE_CATEGORY_TEXT "(category word of vqsmcommon)"

// The members, under the link names that the model library's import library uses.
void* CIniFileImport_Construct(void* self);
void CIniFileImport_Destruct(void* self);
char* CIniFileImport_GetString(void* self, const char* key, int flag);

// Control: forget all texts, requests and counts; give a key a text (null: no text).
void VqsmCommonDouble_Reset();
void VqsmCommonDouble_SetString(const char* key, const char* text);
int VqsmCommonDouble_RequestCount();
BOOL VqsmCommonDouble_GetRequest(int index, VqsmCommonRequest* request);
int VqsmCommonDouble_ConstructedCount();
int VqsmCommonDouble_DestroyedCount();
}

// Test double of vqsmdata.dll: the six functions that the model library binds, each recording
// its arguments and returning the result that the test chose, with control functions for the
// tests and a count of the library's loads and unloads. On Windows it is a DLL exporting the six
// functions under their plain names (ordinals 1 to 6 in the order of VqsmDataFunction) and the
// control functions; on the host, a static library that the tests register as a library of the
// stand-in.
#pragma once

#include <windows.h>

#ifndef _WIN32
#include <string>
#include <vector>
#endif

extern "C" {

enum VqsmDataFunction {
    VqsmDataFindPaperSize,
    VqsmDataGetIconData,
    VqsmDataGetMediumSizeNameString,
    VqsmDataGetMediumTypeNameString,
    VqsmDataGetStatusMessage,
    VqsmDataGetTrayNameString,
    VqsmDataFunctionCount
};

// One call: which function, its arguments (32-bit integers widened), and for GetStatusMessage
// the four record fields that the model library clears (536, 540, 544 and 4641) as they were.
struct VqsmDataCall {
    int function;
    INT_PTR arguments[3];
    INT_PTR statusFields[4];
};

INT_PTR VqsmDataDouble_FindPaperSize(int first, void* data, int second);
INT_PTR VqsmDataDouble_GetIconData(int icon);
INT_PTR VqsmDataDouble_GetMediumSizeNameString(void* record);
INT_PTR VqsmDataDouble_GetMediumTypeNameString(void* record);
INT_PTR VqsmDataDouble_GetStatusMessage(void* record, int reserved);
INT_PTR VqsmDataDouble_GetTrayNameString(void* record);

// Control: forget calls, results and load counts; choose a function's result.
void VqsmDataDouble_Reset();
void VqsmDataDouble_SetResult(int function, INT_PTR result);
int VqsmDataDouble_CallCount();
BOOL VqsmDataDouble_GetCall(int index, VqsmDataCall* call);
// Attach and detach notifications seen by this copy of the library.
int VqsmDataDouble_LoadCount();
int VqsmDataDouble_UnloadCount();

// The library's entry point (DllMain on Windows). On Windows each notification is also added to
// the process environment variable VQSMDATA_DOUBLE_EVENTS ("attach;" or "detach;"), which
// outlives the library's unloading.
BOOL WINAPI VqsmDataDouble_Entry(HINSTANCE instance, DWORD reason, LPVOID reserved);
}

#ifndef _WIN32
// Registers the double with the stand-in at `path`, without the exports named in `missing`.
void RegisterVqsmDataDouble(const std::wstring& path, const std::vector<std::string>& missing = {});
#endif

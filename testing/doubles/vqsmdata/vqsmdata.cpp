// Test double of vqsmdata.dll (see vqsmdata_double.h).
#include "vqsmdata_double.h"

#include <cstring>
#include <vector>

namespace {

struct DoubleState {
    INT_PTR results[VqsmDataFunctionCount] = {};
    std::vector<VqsmDataCall> calls;
};

DoubleState& State() {
    static DoubleState state;
    return state;
}

int g_loads = 0;
int g_unloads = 0;

INT_PTR Record(VqsmDataFunction function, INT_PTR first, INT_PTR second, INT_PTR third) {
    VqsmDataCall call = {};
    call.function = function;
    call.arguments[0] = first;
    call.arguments[1] = second;
    call.arguments[2] = third;
    DoubleState& state = State();
    state.calls.push_back(call);
    return state.results[function];
}

template <class T> INT_PTR FieldAt(const void* record, size_t offset) {
    T value;
    std::memcpy(&value, static_cast<const BYTE*>(record) + offset, sizeof(value));
    return static_cast<INT_PTR>(value);
}

#ifdef _WIN32
void NoteEvent(const char* event) {
    char events[512] = "";
    GetEnvironmentVariableA("VQSMDATA_DOUBLE_EVENTS", events, sizeof(events));
    if (std::strlen(events) + std::strlen(event) < sizeof(events)) {
        std::strcat(events, event);
    }
    SetEnvironmentVariableA("VQSMDATA_DOUBLE_EVENTS", events);
}
#endif

} // namespace

extern "C" {

INT_PTR VqsmDataDouble_FindPaperSize(int first, void* data, int second) {
    return Record(VqsmDataFindPaperSize, first, reinterpret_cast<INT_PTR>(data), second);
}

INT_PTR VqsmDataDouble_GetIconData(int icon) { return Record(VqsmDataGetIconData, icon, 0, 0); }

INT_PTR VqsmDataDouble_GetMediumSizeNameString(void* record) {
    return Record(VqsmDataGetMediumSizeNameString, reinterpret_cast<INT_PTR>(record), 0, 0);
}

INT_PTR VqsmDataDouble_GetMediumTypeNameString(void* record) {
    return Record(VqsmDataGetMediumTypeNameString, reinterpret_cast<INT_PTR>(record), 0, 0);
}

INT_PTR VqsmDataDouble_GetStatusMessage(void* record, int reserved) {
    const INT_PTR result =
        Record(VqsmDataGetStatusMessage, reinterpret_cast<INT_PTR>(record), reserved, 0);
    if (record != nullptr) {
        VqsmDataCall& call = State().calls.back();
        call.statusFields[0] = FieldAt<int>(record, 536);
        call.statusFields[1] = FieldAt<int>(record, 540);
        call.statusFields[2] = FieldAt<BYTE>(record, 544);
        call.statusFields[3] = FieldAt<BYTE>(record, 4641);
    }
    return result;
}

INT_PTR VqsmDataDouble_GetTrayNameString(void* record) {
    return Record(VqsmDataGetTrayNameString, reinterpret_cast<INT_PTR>(record), 0, 0);
}

void VqsmDataDouble_Reset() {
    State() = DoubleState();
    g_loads = 0;
    g_unloads = 0;
}

void VqsmDataDouble_SetResult(int function, INT_PTR result) {
    if (function >= 0 && function < VqsmDataFunctionCount) {
        State().results[function] = result;
    }
}

int VqsmDataDouble_CallCount() { return static_cast<int>(State().calls.size()); }

BOOL VqsmDataDouble_GetCall(int index, VqsmDataCall* call) {
    const DoubleState& state = State();
    if (index < 0 || static_cast<size_t>(index) >= state.calls.size() || call == nullptr) {
        return FALSE;
    }
    *call = state.calls[static_cast<size_t>(index)];
    return TRUE;
}

int VqsmDataDouble_LoadCount() { return g_loads; }

int VqsmDataDouble_UnloadCount() { return g_unloads; }

BOOL WINAPI VqsmDataDouble_Entry(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        ++g_loads;
#ifdef _WIN32
        NoteEvent("attach;");
#endif
    } else if (reason == DLL_PROCESS_DETACH) {
        ++g_unloads;
#ifdef _WIN32
        NoteEvent("detach;");
#endif
    }
    return TRUE;
}

#ifdef _WIN32
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    return VqsmDataDouble_Entry(instance, reason, reserved);
}
#endif
}

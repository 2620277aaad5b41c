// Host tests of the model library: the loader's work around it, the doubles' records, and a
// fixture that starts every test with the library freshly loaded beside the vqsmdata double.
#pragma once

#include <gtest/gtest.h>
#include <winsim/control.h>
#include <winsim/modules.h>

#include <new>
#include <ostream>
#include <string>
#include <vector>

#include "modelapp.h"
#include "vqsmcommon_double.h"
#include "vqsmdata_double.h"

// The status monitor's program and the data library beside it.
const wchar_t kMonitorProgram[] = L"C:\\Program Files\\Velmar\\Monitor\\monitor.exe";
const wchar_t kDataLibraryPath[] = L"C:\\Program Files\\Velmar\\Monitor\\vqsmdata.dll";

// What the run-time start-up and the loader do around the library's entry point: theModelApp
// is built before the attach notification and destroyed after the detach.
inline void LoadModelLibrary() {
    new (&theModelApp) CModelApp();
    DllMain(nullptr, DLL_PROCESS_ATTACH, nullptr);
}

inline void UnloadModelLibrary() {
    DllMain(nullptr, DLL_PROCESS_DETACH, nullptr);
    theModelApp.~CModelApp();
}

// One GetString request as the vqsmcommon double saw it.
struct Request {
    std::string key;
    int flag;
    bool operator==(const Request& other) const { return key == other.key && flag == other.flag; }
};

inline std::ostream& operator<<(std::ostream& out, const Request& request) {
    return out << request.key << "/" << request.flag;
}

inline std::vector<Request> Requests() {
    std::vector<Request> requests;
    VqsmCommonRequest request;
    for (int i = 0; VqsmCommonDouble_GetRequest(i, &request); ++i) {
        requests.push_back({request.key, request.flag});
    }
    return requests;
}

// One call of the vqsmdata double.
struct DataCall {
    int function;
    std::vector<INT_PTR> arguments;
    bool operator==(const DataCall& other) const {
        return function == other.function && arguments == other.arguments;
    }
};

inline std::ostream& operator<<(std::ostream& out, const DataCall& call) {
    out << "function " << call.function << "(";
    for (INT_PTR argument : call.arguments) {
        out << argument << ",";
    }
    return out << ")";
}

inline std::vector<DataCall> DataCalls() {
    std::vector<DataCall> calls;
    VqsmDataCall call;
    for (int i = 0; VqsmDataDouble_GetCall(i, &call); ++i) {
        calls.push_back({call.function, {call.arguments[0], call.arguments[1], call.arguments[2]}});
    }
    return calls;
}

class ModelLibraryTest : public testing::Test {
  protected:
    void SetUp() override { ReloadWithDataLibrary({}); }

    // Unloads what the program's start-up or the last test left, and loads the library anew
    // with the data library lacking the exports named in `missing`.
    void ReloadWithDataLibrary(const std::vector<std::string>& missing) {
        UnloadModelLibrary();
        winsim::Reset();
        winsim::SetArguments({kMonitorProgram});
        RegisterVqsmDataDouble(kDataLibraryPath, missing);
        VqsmCommonDouble_Reset();
        VqsmDataDouble_Reset();
        LoadModelLibrary();
        winsim::ClearCallLog();
    }
};

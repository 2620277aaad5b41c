// Test control of the stand-in's service control manager: the service database, the scripted
// behaviour of a service's state, and what the system under test asked of each service.
#pragma once

#include <windows.h>
#include <winsvc.h>

#include <climits>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace winsim {

// One entry of the service database, as a test adds it or reads it back.
struct ServiceEntry {
    std::wstring name{};
    std::wstring displayName{}; // empty: the name
    DWORD type = SERVICE_WIN32_OWN_PROCESS;
    DWORD startType = SERVICE_DEMAND_START;
    DWORD errorControl = SERVICE_ERROR_NORMAL;
    std::wstring binaryPath{};
    std::wstring loadOrderGroup{};
    std::vector<std::wstring> dependencies{};
    std::wstring account = L"LocalSystem";
    std::optional<std::wstring> description{}; // none: never set, or deleted by an empty text
    DWORD state = SERVICE_STOPPED;             // SERVICE_STOPPED or SERVICE_RUNNING when added
};

// No delay ever ends, no number of refusals runs out.
constexpr std::uint64_t kNever = UINT64_MAX;
constexpr unsigned kAlways = UINT_MAX;

// How a service answers requests. Requests return at once (the manager's own time-outs are not
// simulated); a refused request fails with the script's error. A state change takes virtual time:
// an accepted start puts the service in SERVICE_START_PENDING, and `startDelay` milliseconds later
// it reaches `startEndState` (0: at once, so the request itself reports it). With a status query
// every 1000 ms after the poll that sent the request, a delay of (k - 1) * 1000 is first seen at
// poll k. Stopping works the same way through SERVICE_STOP_PENDING.
struct ServiceScript {
    unsigned startRefusals = 0;              // the first N start requests fail with startError
    DWORD startError = ERROR_FILE_NOT_FOUND; // as for a missing program
    std::uint64_t startDelay = 0;
    DWORD startEndState = SERVICE_RUNNING; // SERVICE_STOPPED: the program ends while starting
    unsigned stopRefusals = 0;             // the first N stop requests fail with stopError
    DWORD stopError = ERROR_INVALID_SERVICE_CONTROL;
    std::uint64_t stopDelay = 0;
};

// What was asked of a service of that name since Reset, requests that failed included. Kept
// by name, so it survives deleting and creating the service again.
struct ServiceCounters {
    unsigned statusQueries = 0;
    unsigned startRequests = 0;
    unsigned startsAccepted = 0;
    unsigned stopRequests = 0;
    unsigned stopsAccepted = 0;
};

// Adds an entry directly, as if it had been installed earlier (replacing one of that name).
void AddService(const ServiceEntry& entry);
// The entry of that name as the manager holds it now; none when it does not exist.
std::optional<ServiceEntry> FindService(const std::wstring& name);
bool ServiceMarkedForDeletion(const std::wstring& name);
// The current state of the service (0 when it does not exist); setting it ends any pending
// change.
DWORD ServiceState(const std::wstring& name);
void SetServiceState(const std::wstring& name, DWORD state);

// The script of the service of that name, also for one created later; default: every request
// is accepted and takes effect at once.
void ScriptService(const std::wstring& name, const ServiceScript& script);
ServiceCounters ServiceCountersOf(const std::wstring& name);

// Successful CloseServiceHandle calls in order: "service" or "manager" for each. Open handles
// are counted by LiveCount("schandle").
const std::vector<std::string>& ServiceHandleCloses();

} // namespace winsim

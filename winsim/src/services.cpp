// The service control manager of the simulated machine: a database of service entries whose
// states change on the virtual clock as their scripts say, reached through tracked manager and
// service handles with access rights.
#include <winsim/control.h>
#include <winsim/services.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>

#include "internal.h"

namespace winsim {
namespace {

// Codes the manager reports that no other part of the stand-in uses.
const DWORD kDatabaseDoesNotExist = 1065; // ERROR_DATABASE_DOES_NOT_EXIST
const DWORD kProcessAborted = 1067;       // ERROR_PROCESS_ABORTED
const DWORD kDependencyFailed = 1068;     // ERROR_SERVICE_DEPENDENCY_FAIL
const DWORD kDependencyDeleted = 1075;    // ERROR_SERVICE_DEPENDENCY_DELETED
const DWORD kServerUnavailable = 1722;    // RPC_S_SERVER_UNAVAILABLE
const size_t kMaxNameChars = 256;         // service and display names
const DWORD kPendingWaitHint = 2000;      // what a pending service reports as its wait hint

struct ServiceRecord {
    ServiceEntry entry;
    DWORD controlsAccepted = 0;
    DWORD exitCode = ERROR_SERVICE_NEVER_STARTED;
    DWORD pendingEndState = 0;
    std::int64_t pendingUntil = 0; // virtual milliseconds
    bool pendingForever = false;
    bool deleted = false;
    int openHandles = 0;
};

struct HandleRecord {
    bool manager;
    DWORD access;
    std::shared_ptr<ServiceRecord> service;
};

struct ServiceManager {
    std::map<std::wstring, std::shared_ptr<ServiceRecord>, NoCaseLess> services;
    std::map<std::wstring, ServiceScript, NoCaseLess> scripts;
    std::map<std::wstring, ServiceCounters, NoCaseLess> counters;
    std::map<SC_HANDLE, HandleRecord> handles;
    std::vector<std::string> closes;
    std::uintptr_t nextHandle = 0x5000;
};

ServiceManager g_scm;

void ResetServices() { g_scm = ServiceManager(); }
const ResetStep g_reset(ResetServices);

bool IsPending(DWORD state) {
    return state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING ||
           state == SERVICE_CONTINUE_PENDING || state == SERVICE_PAUSE_PENDING;
}

void EnterState(ServiceRecord& record, DWORD state, DWORD exitCode) {
    record.entry.state = state;
    record.pendingForever = false;
    record.controlsAccepted =
        state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
    record.exitCode = exitCode;
}

void BeginPending(ServiceRecord& record, DWORD pendingState, DWORD endState, std::uint64_t delay) {
    record.entry.state = pendingState;
    record.controlsAccepted = 0;
    record.exitCode = NO_ERROR;
    record.pendingEndState = endState;
    record.pendingForever = delay == kNever;
    record.pendingUntil =
        record.pendingForever ? 0 : NowMilliseconds() + static_cast<std::int64_t>(delay);
}

// Brings every entry up to the virtual clock: pending changes whose time has come end, and an
// entry marked for deletion goes once it is stopped and no handle refers to it.
void Settle() {
    const std::int64_t now = NowMilliseconds();
    for (auto it = g_scm.services.begin(); it != g_scm.services.end();) {
        ServiceRecord& record = *it->second;
        if (IsPending(record.entry.state) && !record.pendingForever && now >= record.pendingUntil) {
            const DWORD end = record.pendingEndState;
            const bool startFailed =
                record.entry.state == SERVICE_START_PENDING && end == SERVICE_STOPPED;
            EnterState(record, end, startFailed ? kProcessAborted : NO_ERROR);
        }
        if (record.deleted && record.openHandles == 0 && record.entry.state == SERVICE_STOPPED) {
            it = g_scm.services.erase(it);
        } else {
            ++it;
        }
    }
}

std::shared_ptr<ServiceRecord> Lookup(const std::wstring& name) {
    auto found = g_scm.services.find(name);
    return found == g_scm.services.end() ? nullptr : found->second;
}

// The validity of a service name: present, 1 to 256 characters, no slash or backslash.
DWORD CheckServiceName(LPCWSTR name) {
    if (name == nullptr) {
        return ERROR_INVALID_ADDRESS;
    }
    const std::wstring text(name);
    if (text.empty() || text.size() > kMaxNameChars || text.find_first_of(L"/\\") != text.npos) {
        return ERROR_INVALID_NAME;
    }
    return ERROR_SUCCESS;
}

DWORD MapManagerAccess(DWORD desired) {
    DWORD access =
        desired & ~static_cast<DWORD>(GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL);
    if (desired & GENERIC_READ) {
        access |=
            STANDARD_RIGHTS_READ | SC_MANAGER_ENUMERATE_SERVICE | SC_MANAGER_QUERY_LOCK_STATUS;
    }
    if (desired & GENERIC_WRITE) {
        access |= STANDARD_RIGHTS_WRITE | SC_MANAGER_CREATE_SERVICE | SC_MANAGER_MODIFY_BOOT_CONFIG;
    }
    if (desired & GENERIC_EXECUTE) {
        access |= STANDARD_RIGHTS_EXECUTE | SC_MANAGER_CONNECT | SC_MANAGER_LOCK;
    }
    if (desired & GENERIC_ALL) {
        access |= SC_MANAGER_ALL_ACCESS;
    }
    return access | SC_MANAGER_CONNECT; // every manager handle may connect
}

DWORD MapServiceAccess(DWORD desired) {
    DWORD access =
        desired & ~static_cast<DWORD>(GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL);
    if (desired & GENERIC_READ) {
        access |= STANDARD_RIGHTS_READ | SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS |
                  SERVICE_INTERROGATE | SERVICE_ENUMERATE_DEPENDENTS;
    }
    if (desired & GENERIC_WRITE) {
        access |= STANDARD_RIGHTS_WRITE | SERVICE_CHANGE_CONFIG;
    }
    if (desired & GENERIC_EXECUTE) {
        access |= STANDARD_RIGHTS_EXECUTE | SERVICE_START | SERVICE_STOP | SERVICE_PAUSE_CONTINUE |
                  SERVICE_USER_DEFINED_CONTROL;
    }
    if (desired & GENERIC_ALL) {
        access |= SERVICE_ALL_ACCESS;
    }
    return access;
}

SC_HANDLE NewHandle(bool manager, DWORD access, const std::shared_ptr<ServiceRecord>& service) {
    SC_HANDLE handle = reinterpret_cast<SC_HANDLE>(g_scm.nextHandle);
    g_scm.nextHandle += 4;
    g_scm.handles[handle] = HandleRecord{manager, access, service};
    if (service != nullptr) {
        ++service->openHandles;
    }
    Acquire("schandle", handle);
    return handle;
}

HandleRecord* ManagerHandle(SC_HANDLE handle) {
    auto found = g_scm.handles.find(handle);
    if (found == g_scm.handles.end() || !found->second.manager) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return &found->second;
}

// The service behind a service handle that holds `needed`; sets the last error otherwise.
ServiceRecord* ServiceHandle(SC_HANDLE handle, DWORD needed) {
    auto found = g_scm.handles.find(handle);
    if (found == g_scm.handles.end() || found->second.manager) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if ((found->second.access & needed) != needed) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    return found->second.service.get();
}

void FillStatus(const ServiceRecord& record, LPSERVICE_STATUS status) {
    status->dwServiceType = record.entry.type;
    status->dwCurrentState = record.entry.state;
    status->dwControlsAccepted = record.controlsAccepted;
    status->dwWin32ExitCode = record.exitCode;
    status->dwServiceSpecificExitCode = 0;
    const bool pending = IsPending(record.entry.state);
    status->dwCheckPoint = pending ? 1 : 0;
    status->dwWaitHint = pending ? kPendingWaitHint : 0;
}

std::vector<std::wstring> SplitMultiString(LPCWSTR list) {
    std::vector<std::wstring> names;
    for (const wchar_t* name = list; name != nullptr && *name != L'\0';
         name += std::wcslen(name) + 1) {
        names.emplace_back(name);
    }
    return names;
}

bool IsKnownAccount(LPCWSTR account) {
    static const wchar_t* const known[] = {L"LocalSystem", L".\\LocalSystem",
                                           L"NT AUTHORITY\\LocalService",
                                           L"NT AUTHORITY\\NetworkService"};
    for (const wchar_t* name : known) {
        if (EqualNoCase(account, name)) {
            return true;
        }
    }
    return false;
}

void NotSimulated(const char* function, DWORD level) {
    std::fprintf(stderr, "winsim: %s level %u is not simulated\n", function,
                 static_cast<unsigned>(level));
    std::abort();
}

// Starts a stopped service, its dependencies first; returns the error a start request reports.
DWORD TryStart(ServiceRecord& record, int depth) {
    if (record.deleted) {
        return ERROR_SERVICE_MARKED_FOR_DELETE;
    }
    if (record.entry.startType == SERVICE_DISABLED) {
        return ERROR_SERVICE_DISABLED;
    }
    if (record.entry.state != SERVICE_STOPPED) {
        return ERROR_SERVICE_ALREADY_RUNNING;
    }
    for (const std::wstring& name : record.entry.dependencies) {
        if (!name.empty() && name[0] == SC_GROUP_IDENTIFIERW) {
            continue; // load-order groups are not simulated
        }
        std::shared_ptr<ServiceRecord> dependency = Lookup(name);
        if (dependency == nullptr || dependency->deleted) {
            return kDependencyDeleted;
        }
        if (dependency->entry.state == SERVICE_RUNNING) {
            continue;
        }
        if (depth > 16 || TryStart(*dependency, depth + 1) != ERROR_SUCCESS ||
            dependency->entry.state != SERVICE_RUNNING) {
            return kDependencyFailed;
        }
    }
    ServiceScript& script = g_scm.scripts[record.entry.name];
    if (script.startRefusals > 0) {
        if (script.startRefusals != kAlways) {
            --script.startRefusals;
        }
        return script.startError;
    }
    BeginPending(record, SERVICE_START_PENDING, script.startEndState, script.startDelay);
    Settle();
    return ERROR_SUCCESS;
}

bool HasRunningDependents(const ServiceRecord& record) {
    for (const auto& entry : g_scm.services) {
        const ServiceRecord& other = *entry.second;
        if (other.entry.state == SERVICE_STOPPED) {
            continue;
        }
        for (const std::wstring& name : other.entry.dependencies) {
            if (EqualNoCase(name, record.entry.name)) {
                return true;
            }
        }
    }
    return false;
}

std::shared_ptr<ServiceRecord> NewRecord(const ServiceEntry& entry) {
    auto record = std::make_shared<ServiceRecord>();
    record->entry = entry;
    if (record->entry.displayName.empty()) {
        record->entry.displayName = entry.name;
    }
    const DWORD state = entry.state == SERVICE_RUNNING ? SERVICE_RUNNING : SERVICE_STOPPED;
    EnterState(*record, state, state == SERVICE_RUNNING ? NO_ERROR : ERROR_SERVICE_NEVER_STARTED);
    return record;
}

} // namespace

void AddService(const ServiceEntry& entry) {
    Settle();
    g_scm.services[entry.name] = NewRecord(entry);
}

std::optional<ServiceEntry> FindService(const std::wstring& name) {
    Settle();
    std::shared_ptr<ServiceRecord> record = Lookup(name);
    if (record == nullptr) {
        return std::nullopt;
    }
    return record->entry;
}

bool ServiceMarkedForDeletion(const std::wstring& name) {
    Settle();
    std::shared_ptr<ServiceRecord> record = Lookup(name);
    return record != nullptr && record->deleted;
}

DWORD ServiceState(const std::wstring& name) {
    Settle();
    std::shared_ptr<ServiceRecord> record = Lookup(name);
    return record == nullptr ? 0 : record->entry.state;
}

void SetServiceState(const std::wstring& name, DWORD state) {
    Settle();
    if (std::shared_ptr<ServiceRecord> record = Lookup(name)) {
        EnterState(*record, state, NO_ERROR);
    }
    Settle();
}

void ScriptService(const std::wstring& name, const ServiceScript& script) {
    g_scm.scripts[name] = script;
}

ServiceCounters ServiceCountersOf(const std::wstring& name) {
    auto found = g_scm.counters.find(name);
    return found == g_scm.counters.end() ? ServiceCounters() : found->second;
}

const std::vector<std::string>& ServiceHandleCloses() { return g_scm.closes; }

} // namespace winsim

using winsim::g_scm;

SC_HANDLE WINAPI OpenSCManagerW(LPCWSTR machineName, LPCWSTR databaseName, DWORD desiredAccess) {
    WINSIM_CALL(SC_HANDLE);
    if (machineName != nullptr && machineName[0] != L'\0') {
        SetLastError(winsim::kServerUnavailable); // only the local computer is simulated
        return nullptr;
    }
    if (databaseName != nullptr && !winsim::EqualNoCase(databaseName, SERVICES_ACTIVE_DATABASEW)) {
        SetLastError(winsim::kDatabaseDoesNotExist);
        return nullptr;
    }
    return winsim::NewHandle(true, winsim::MapManagerAccess(desiredAccess), nullptr);
}

SC_HANDLE WINAPI OpenServiceW(SC_HANDLE manager, LPCWSTR serviceName, DWORD desiredAccess) {
    WINSIM_CALL(SC_HANDLE);
    winsim::Settle();
    if (winsim::ManagerHandle(manager) == nullptr) {
        return nullptr;
    }
    const DWORD invalid = winsim::CheckServiceName(serviceName);
    if (invalid != ERROR_SUCCESS) {
        SetLastError(invalid);
        return nullptr;
    }
    // An entry marked for deletion can still be opened until it goes.
    std::shared_ptr<winsim::ServiceRecord> record = winsim::Lookup(serviceName);
    if (record == nullptr) {
        SetLastError(ERROR_SERVICE_DOES_NOT_EXIST);
        return nullptr;
    }
    return winsim::NewHandle(false, winsim::MapServiceAccess(desiredAccess), record);
}

SC_HANDLE WINAPI CreateServiceW(SC_HANDLE manager, LPCWSTR serviceName, LPCWSTR displayName,
                                DWORD desiredAccess, DWORD serviceType, DWORD startType,
                                DWORD errorControl, LPCWSTR binaryPathName, LPCWSTR loadOrderGroup,
                                LPDWORD tagId, LPCWSTR dependencies, LPCWSTR serviceStartName,
                                LPCWSTR password) {
    WINSIM_CALL(SC_HANDLE);
    (void)password; // accounts are not simulated beyond their names
    winsim::Settle();
    const winsim::HandleRecord* handle = winsim::ManagerHandle(manager);
    if (handle == nullptr) {
        return nullptr;
    }
    if ((handle->access & SC_MANAGER_CREATE_SERVICE) == 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    const DWORD invalid = winsim::CheckServiceName(serviceName);
    if (invalid != ERROR_SUCCESS) {
        SetLastError(invalid);
        return nullptr;
    }
    const std::wstring name(serviceName);
    const std::wstring display =
        displayName != nullptr && displayName[0] != L'\0' ? displayName : name;
    if (display.size() > winsim::kMaxNameChars) {
        SetLastError(ERROR_INVALID_NAME);
        return nullptr;
    }
    const DWORD baseType = serviceType & ~static_cast<DWORD>(SERVICE_INTERACTIVE_PROCESS);
    const bool win32 =
        baseType == SERVICE_WIN32_OWN_PROCESS || baseType == SERVICE_WIN32_SHARE_PROCESS;
    const bool driver = baseType == SERVICE_KERNEL_DRIVER || baseType == SERVICE_FILE_SYSTEM_DRIVER;
    const bool bootOrSystem = startType == SERVICE_BOOT_START || startType == SERVICE_SYSTEM_START;
    if ((!win32 && !driver) || (driver && (serviceType & SERVICE_INTERACTIVE_PROCESS)) ||
        startType > SERVICE_DISABLED || (win32 && bootOrSystem) ||
        errorControl > SERVICE_ERROR_CRITICAL || binaryPathName == nullptr ||
        binaryPathName[0] == L'\0' || (tagId != nullptr && !(driver && bootOrSystem))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const bool noAccount = serviceStartName == nullptr || serviceStartName[0] == L'\0';
    if (!noAccount && !winsim::IsKnownAccount(serviceStartName)) {
        SetLastError(ERROR_INVALID_SERVICE_ACCOUNT);
        return nullptr;
    }
    const std::vector<std::wstring> dependencyNames = winsim::SplitMultiString(dependencies);
    for (const std::wstring& dependency : dependencyNames) {
        if (winsim::EqualNoCase(dependency, name)) {
            SetLastError(ERROR_CIRCULAR_DEPENDENCY);
            return nullptr;
        }
    }
    if (std::shared_ptr<winsim::ServiceRecord> existing = winsim::Lookup(name)) {
        SetLastError(existing->deleted ? ERROR_SERVICE_MARKED_FOR_DELETE : ERROR_SERVICE_EXISTS);
        return nullptr;
    }
    for (const auto& entry : g_scm.services) {
        const winsim::ServiceEntry& other = entry.second->entry;
        if (winsim::EqualNoCase(other.displayName, display) ||
            winsim::EqualNoCase(other.name, display) ||
            winsim::EqualNoCase(other.displayName, name)) {
            SetLastError(ERROR_DUPLICATE_SERVICE_NAME);
            return nullptr;
        }
    }
    winsim::ServiceEntry entry;
    entry.name = name;
    entry.displayName = display;
    entry.type = serviceType;
    entry.startType = startType;
    entry.errorControl = errorControl;
    entry.binaryPath = binaryPathName;
    entry.loadOrderGroup = loadOrderGroup != nullptr ? loadOrderGroup : L"";
    entry.dependencies = dependencyNames;
    entry.account = noAccount ? L"LocalSystem" : serviceStartName;
    entry.state = SERVICE_STOPPED;
    std::shared_ptr<winsim::ServiceRecord> record = winsim::NewRecord(entry);
    g_scm.services[name] = record;
    return winsim::NewHandle(false, winsim::MapServiceAccess(desiredAccess), record);
}

BOOL WINAPI CloseServiceHandle(SC_HANDLE handle) {
    WINSIM_CALL(BOOL);
    auto found = g_scm.handles.find(handle);
    if (found == g_scm.handles.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const bool manager = found->second.manager;
    if (found->second.service != nullptr) {
        --found->second.service->openHandles;
    }
    g_scm.handles.erase(found);
    winsim::Release("schandle", handle);
    g_scm.closes.emplace_back(manager ? "manager" : "service");
    winsim::Settle();
    return TRUE;
}

BOOL WINAPI DeleteService(SC_HANDLE service) {
    WINSIM_CALL(BOOL);
    winsim::Settle();
    winsim::ServiceRecord* record = winsim::ServiceHandle(service, DELETE);
    if (record == nullptr) {
        return FALSE;
    }
    if (record->deleted) {
        SetLastError(ERROR_SERVICE_MARKED_FOR_DELETE);
        return FALSE;
    }
    // The entry goes when it is stopped and its last handle is closed; until then it is
    // disabled.
    record->deleted = true;
    record->entry.startType = SERVICE_DISABLED;
    return TRUE;
}

BOOL WINAPI StartServiceW(SC_HANDLE service, DWORD argumentCount, LPCWSTR* arguments) {
    WINSIM_CALL(BOOL);
    (void)argumentCount; // no program runs, so its arguments go nowhere
    (void)arguments;
    winsim::Settle();
    winsim::ServiceRecord* record = winsim::ServiceHandle(service, SERVICE_START);
    if (record == nullptr) {
        return FALSE;
    }
    winsim::ServiceCounters& counters = g_scm.counters[record->entry.name];
    ++counters.startRequests;
    const DWORD error = winsim::TryStart(*record, 0);
    if (error != ERROR_SUCCESS) {
        SetLastError(error);
        return FALSE;
    }
    ++counters.startsAccepted;
    return TRUE;
}

BOOL WINAPI ControlService(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status) {
    WINSIM_CALL(BOOL);
    winsim::Settle();
    DWORD needed = 0;
    switch (control) {
    case SERVICE_CONTROL_STOP:
        needed = SERVICE_STOP;
        break;
    case SERVICE_CONTROL_PAUSE:
    case SERVICE_CONTROL_CONTINUE:
        needed = SERVICE_PAUSE_CONTINUE;
        break;
    case SERVICE_CONTROL_INTERROGATE:
        needed = SERVICE_INTERROGATE;
        break;
    default:
        if (control < 128 || control > 255) {
            SetLastError(ERROR_INVALID_PARAMETER); // undefined, or reserved for the system
            return FALSE;
        }
        needed = SERVICE_USER_DEFINED_CONTROL;
        break;
    }
    winsim::ServiceRecord* record = winsim::ServiceHandle(service, needed);
    if (record == nullptr) {
        return FALSE;
    }
    if (status == nullptr) {
        SetLastError(ERROR_INVALID_ADDRESS);
        return FALSE;
    }
    winsim::ServiceCounters& counters = g_scm.counters[record->entry.name];
    if (control == SERVICE_CONTROL_STOP) {
        ++counters.stopRequests;
    }
    // The status is filled on success and for the three refusals that concern the state.
    auto refuse = [&](DWORD error) {
        if (error == ERROR_INVALID_SERVICE_CONTROL || error == ERROR_SERVICE_CANNOT_ACCEPT_CTRL ||
            error == ERROR_SERVICE_NOT_ACTIVE) {
            winsim::FillStatus(*record, status);
        }
        SetLastError(error);
        return FALSE;
    };
    const DWORD state = record->entry.state;
    if (state == SERVICE_STOPPED) {
        return refuse(ERROR_SERVICE_NOT_ACTIVE);
    }
    if (state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING) {
        return refuse(ERROR_SERVICE_CANNOT_ACCEPT_CTRL);
    }
    if (control == SERVICE_CONTROL_INTERROGATE) {
        winsim::FillStatus(*record, status);
        return TRUE;
    }
    if (control != SERVICE_CONTROL_STOP || (record->controlsAccepted & SERVICE_ACCEPT_STOP) == 0) {
        return refuse(ERROR_INVALID_SERVICE_CONTROL);
    }
    if (winsim::HasRunningDependents(*record)) {
        return refuse(ERROR_DEPENDENT_SERVICES_RUNNING);
    }
    winsim::ServiceScript& script = g_scm.scripts[record->entry.name];
    if (script.stopRefusals > 0) {
        if (script.stopRefusals != winsim::kAlways) {
            --script.stopRefusals;
        }
        return refuse(script.stopError);
    }
    ++counters.stopsAccepted;
    winsim::BeginPending(*record, SERVICE_STOP_PENDING, SERVICE_STOPPED, script.stopDelay);
    winsim::Settle(); // the open handle keeps the record alive
    winsim::FillStatus(*record, status);
    return TRUE;
}

BOOL WINAPI QueryServiceStatus(SC_HANDLE service, LPSERVICE_STATUS status) {
    WINSIM_CALL(BOOL);
    winsim::Settle();
    winsim::ServiceRecord* record = winsim::ServiceHandle(service, SERVICE_QUERY_STATUS);
    if (record == nullptr) {
        return FALSE;
    }
    if (status == nullptr) {
        SetLastError(ERROR_INVALID_ADDRESS);
        return FALSE;
    }
    ++g_scm.counters[record->entry.name].statusQueries;
    winsim::FillStatus(*record, status);
    return TRUE;
}

BOOL WINAPI QueryServiceConfigW(SC_HANDLE service, LPQUERY_SERVICE_CONFIGW config, DWORD bufferSize,
                                LPDWORD bytesNeeded) {
    WINSIM_CALL(BOOL);
    winsim::Settle();
    winsim::ServiceRecord* record = winsim::ServiceHandle(service, SERVICE_QUERY_CONFIG);
    if (record == nullptr) {
        return FALSE;
    }
    if (bytesNeeded == nullptr) {
        SetLastError(ERROR_INVALID_ADDRESS);
        return FALSE;
    }
    const winsim::ServiceEntry& entry = record->entry;
    size_t dependencyChars = 1; // the list's closing terminator
    for (const std::wstring& name : entry.dependencies) {
        dependencyChars += name.size() + 1;
    }
    const size_t textChars = entry.binaryPath.size() + 1 + entry.loadOrderGroup.size() + 1 +
                             dependencyChars + entry.account.size() + 1 + entry.displayName.size() +
                             1;
    const size_t needed = sizeof(QUERY_SERVICE_CONFIGW) + textChars * sizeof(WCHAR);
    if (config == nullptr || bufferSize < needed) {
        *bytesNeeded = static_cast<DWORD>(needed);
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    WCHAR* text = reinterpret_cast<WCHAR*>(config + 1);
    auto put = [&text](const std::wstring& value) {
        WCHAR* start = text;
        std::wmemcpy(text, value.c_str(), value.size() + 1);
        text += value.size() + 1;
        return start;
    };
    config->dwServiceType = entry.type;
    config->dwStartType = entry.startType;
    config->dwErrorControl = entry.errorControl;
    config->lpBinaryPathName = put(entry.binaryPath);
    config->lpLoadOrderGroup = put(entry.loadOrderGroup);
    config->dwTagId = 0;
    config->lpDependencies = text;
    for (const std::wstring& name : entry.dependencies) {
        put(name);
    }
    *text++ = L'\0';
    config->lpServiceStartName = put(entry.account);
    config->lpDisplayName = put(entry.displayName);
    return TRUE;
}

BOOL WINAPI QueryServiceConfig2W(SC_HANDLE service, DWORD infoLevel, LPBYTE buffer,
                                 DWORD bufferSize, LPDWORD bytesNeeded) {
    WINSIM_CALL(BOOL);
    winsim::Settle();
    winsim::ServiceRecord* record = winsim::ServiceHandle(service, SERVICE_QUERY_CONFIG);
    if (record == nullptr) {
        return FALSE;
    }
    if (infoLevel != SERVICE_CONFIG_DESCRIPTION) {
        winsim::NotSimulated("QueryServiceConfig2W", infoLevel);
    }
    if (bytesNeeded == nullptr) {
        SetLastError(ERROR_INVALID_ADDRESS);
        return FALSE;
    }
    const std::optional<std::wstring>& description = record->entry.description;
    const size_t needed = sizeof(SERVICE_DESCRIPTIONW) +
                          (description ? (description->size() + 1) * sizeof(WCHAR) : 0);
    if (buffer == nullptr || bufferSize < needed) {
        *bytesNeeded = static_cast<DWORD>(needed);
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    auto* info = reinterpret_cast<LPSERVICE_DESCRIPTIONW>(buffer);
    info->lpDescription = nullptr;
    if (description) {
        info->lpDescription = reinterpret_cast<LPWSTR>(info + 1);
        std::wmemcpy(info->lpDescription, description->c_str(), description->size() + 1);
    }
    return TRUE;
}

BOOL WINAPI ChangeServiceConfig2W(SC_HANDLE service, DWORD infoLevel, LPVOID info) {
    WINSIM_CALL(BOOL);
    winsim::Settle();
    winsim::ServiceRecord* record = winsim::ServiceHandle(service, SERVICE_CHANGE_CONFIG);
    if (record == nullptr) {
        return FALSE;
    }
    if (infoLevel != SERVICE_CONFIG_DESCRIPTION) {
        winsim::NotSimulated("ChangeServiceConfig2W", infoLevel);
    }
    if (record->deleted) {
        SetLastError(ERROR_SERVICE_MARKED_FOR_DELETE);
        return FALSE;
    }
    if (info == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // No text leaves the description as it is; an empty text deletes it.
    const LPWSTR text = static_cast<LPSERVICE_DESCRIPTIONW>(info)->lpDescription;
    if (text != nullptr) {
        record->entry.description =
            text[0] == L'\0' ? std::nullopt : std::optional<std::wstring>(text);
    }
    return TRUE;
}

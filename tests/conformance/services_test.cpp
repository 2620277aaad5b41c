// What the service tool relies on from the service control manager and the file search.
#include <gtest/gtest.h>

#include <windows.h>
#include <winsvc.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "crt.h"

namespace {

// A name of its own for each machine's run, since both runs share one Wine prefix.
const wchar_t* ConformanceServiceName() {
    return sizeof(void*) == 8 ? L"VelmarConformance64" : L"VelmarConformance32";
}

bool RunningUnderWine() {
#ifdef _WIN32
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
    return false;
#endif
}

void DeleteIfInstalled(SC_HANDLE manager, const wchar_t* name) {
    SC_HANDLE service = OpenServiceW(manager, name, SERVICE_ALL_ACCESS);
    if (service != nullptr) {
        DeleteService(service);
        CloseServiceHandle(service);
    }
}

class ServiceManagerTest : public testing::Test {
  protected:
    void SetUp() override {
        manager_ = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        ASSERT_NE(nullptr, manager_) << GetLastError();
        DeleteIfInstalled(manager_, ConformanceServiceName());
    }
    void TearDown() override {
        if (manager_ != nullptr) {
            DeleteIfInstalled(manager_, ConformanceServiceName());
            CloseServiceHandle(manager_);
        }
    }

    // The service as the tool creates it.
    SC_HANDLE CreateAsTheTool(const wchar_t* dependencies) {
        return CreateServiceW(manager_, ConformanceServiceName(), L"Velmar conformance",
                              SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START,
                              SERVICE_ERROR_IGNORE, L"C:\\Velmar\\conformance.exe -x \"a b\"",
                              nullptr, nullptr, dependencies, nullptr, nullptr);
    }

    SC_HANDLE manager_ = nullptr;
};

TEST_F(ServiceManagerTest, OpeningAMissingServiceFailsWith1060) {
    SetLastError(0);
    EXPECT_EQ(nullptr, OpenServiceW(manager_, L"VelmarNoSuchService", SERVICE_ALL_ACCESS));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST), GetLastError());
}

TEST_F(ServiceManagerTest, CreatedServiceReadsBackItsParameters) {
    SC_HANDLE service = CreateAsTheTool(L"RpcSs\0");
    ASSERT_NE(nullptr, service) << GetLastError();
    SERVICE_DESCRIPTIONW description;
    description.lpDescription = const_cast<LPWSTR>(L"Conformance description");
    EXPECT_TRUE(ChangeServiceConfig2W(service, SERVICE_CONFIG_DESCRIPTION, &description));

    DWORD needed = 0;
    SetLastError(0);
    EXPECT_FALSE(QueryServiceConfigW(service, nullptr, 0, &needed));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    ASSERT_GT(needed, sizeof(QUERY_SERVICE_CONFIGW));
    std::vector<BYTE> buffer(needed);
    auto* config = reinterpret_cast<LPQUERY_SERVICE_CONFIGW>(buffer.data());
    ASSERT_TRUE(QueryServiceConfigW(service, config, needed, &needed)) << GetLastError();
    EXPECT_EQ(static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS), config->dwServiceType);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_AUTO_START), config->dwStartType);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_ERROR_IGNORE), config->dwErrorControl);
    EXPECT_EQ(std::wstring(L"C:\\Velmar\\conformance.exe -x \"a b\""), config->lpBinaryPathName);
    EXPECT_EQ(std::wstring(L"Velmar conformance"), config->lpDisplayName);
    EXPECT_EQ(std::wstring(L"LocalSystem"), config->lpServiceStartName);
    if (RunningUnderWine()) {
        // Wine keeps the dependency in the service's registry key but reports an empty list.
        EXPECT_EQ(std::wstring(), config->lpDependencies);
    } else {
        EXPECT_EQ(std::wstring(L"RpcSs"), config->lpDependencies);
        EXPECT_EQ(L'\0', config->lpDependencies[6]);
    }

    std::vector<BYTE> optional(1024);
    auto* read = reinterpret_cast<LPSERVICE_DESCRIPTIONW>(optional.data());
    ASSERT_TRUE(QueryServiceConfig2W(service, SERVICE_CONFIG_DESCRIPTION, optional.data(),
                                     static_cast<DWORD>(optional.size()), &needed));
    ASSERT_NE(nullptr, read->lpDescription);
    EXPECT_EQ(std::wstring(L"Conformance description"), read->lpDescription);

    // An empty description deletes the description.
    description.lpDescription = const_cast<LPWSTR>(L"");
    EXPECT_TRUE(ChangeServiceConfig2W(service, SERVICE_CONFIG_DESCRIPTION, &description));
    ASSERT_TRUE(QueryServiceConfig2W(service, SERVICE_CONFIG_DESCRIPTION, optional.data(),
                                     static_cast<DWORD>(optional.size()), &needed));
    EXPECT_EQ(nullptr, read->lpDescription);
    CloseServiceHandle(service);
}

TEST_F(ServiceManagerTest, EmptyDependencyListGivesNoDependencies) {
    SC_HANDLE service = CreateAsTheTool(L"\0");
    ASSERT_NE(nullptr, service) << GetLastError();
    std::vector<BYTE> buffer(8192);
    auto* config = reinterpret_cast<LPQUERY_SERVICE_CONFIGW>(buffer.data());
    DWORD needed = 0;
    ASSERT_TRUE(QueryServiceConfigW(service, config, static_cast<DWORD>(buffer.size()), &needed));
    EXPECT_EQ(std::wstring(), config->lpDependencies);
    CloseServiceHandle(service);
}

TEST_F(ServiceManagerTest, StatusOfAStoppedService) {
    SC_HANDLE service = CreateAsTheTool(L"\0");
    ASSERT_NE(nullptr, service) << GetLastError();
    SERVICE_STATUS status;
    ASSERT_TRUE(QueryServiceStatus(service, &status));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS), status.dwServiceType);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), status.dwCurrentState);
    EXPECT_EQ(0u, status.dwControlsAccepted);

    // A stop request to a stopped service fails but still reports the state.
    std::memset(&status, 0xCC, sizeof(status));
    SetLastError(0);
    EXPECT_FALSE(ControlService(service, SERVICE_CONTROL_STOP, &status));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_NOT_ACTIVE), GetLastError());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), status.dwCurrentState);

    // A second creation of the same name fails; the first stays.
    SetLastError(0);
    EXPECT_EQ(nullptr, CreateAsTheTool(L"\0"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_EXISTS), GetLastError());
    CloseServiceHandle(service);
}

TEST_F(ServiceManagerTest, DeletedServiceGoesWithItsLastHandle) {
    SC_HANDLE service = CreateAsTheTool(L"\0");
    ASSERT_NE(nullptr, service) << GetLastError();
    ASSERT_TRUE(DeleteService(service));
    SetLastError(0);
    EXPECT_FALSE(DeleteService(service));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_MARKED_FOR_DELETE), GetLastError());
    // While a handle keeps the entry, the name cannot be created again.
    SetLastError(0);
    EXPECT_EQ(nullptr, CreateAsTheTool(L"\0"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_MARKED_FOR_DELETE), GetLastError());
    CloseServiceHandle(service);
    SetLastError(0);
    EXPECT_EQ(nullptr, OpenServiceW(manager_, ConformanceServiceName(), SERVICE_ALL_ACCESS));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST), GetLastError());
}

// The program-path test: FindFirstFileW on the path cut after ".exe".
class ProgramLookupTest : public testing::Test {
  protected:
    void SetUp() override {
        wchar_t appData[MAX_PATH] = {};
        SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, appData);
        ASSERT_NE(L'\0', appData[0]);
        folder_ = std::wstring(appData) + L"\\VelmarConformanceFind" +
                  (sizeof(void*) == 8 ? L"64" : L"32");
        CreateDirectoryW(folder_.c_str(), nullptr);
        program_ = folder_ + L"\\Probe.exe";
        FILE* file = _wfopen(program_.c_str(), L"wb");
        ASSERT_NE(nullptr, file);
        std::fclose(file);
    }
    void TearDown() override {
        DeleteFileW(program_.c_str());
        RemoveDirectoryW(folder_.c_str());
    }

    std::wstring folder_;
    std::wstring program_;
};

TEST_F(ProgramLookupTest, FindsAnExistingProgram) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(program_.c_str(), &found);
    ASSERT_NE(INVALID_HANDLE_VALUE, search) << GetLastError();
    EXPECT_EQ(std::wstring(L"Probe.exe"), found.cFileName);
    EXPECT_EQ(0u, found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(FindClose(search));
}

TEST_F(ProgramLookupTest, MissingProgramsAreNotFound) {
    struct Case {
        std::wstring path;
        DWORD error;
    } cases[] = {
        {folder_ + L"\\Missing.exe", ERROR_FILE_NOT_FOUND},
        {folder_ + L"\\NoFolder\\Probe.exe", ERROR_PATH_NOT_FOUND},
        {folder_ + L"\\", ERROR_FILE_NOT_FOUND},
        {L"\"" + program_, ERROR_INVALID_NAME},
    };
    for (const Case& c : cases) {
        WIN32_FIND_DATAW found;
        SetLastError(0);
        EXPECT_EQ(INVALID_HANDLE_VALUE, FindFirstFileW(c.path.c_str(), &found));
        EXPECT_EQ(c.error, GetLastError()) << std::string(c.path.begin(), c.path.end());
    }
}

} // namespace

// vqservice6.exe from dist/, run as the installer runs it, on a small test service that runs in
// its own process and obeys stop.
#include <gtest/gtest.h>

#include <windows.h>
#include <winsvc.h>

#include <cstdio>
#include <cstring>
#include <regex>

#include "wintest.h"

namespace {

std::wstring Tool() { return DistDir() + L"\\vqservice6.exe"; }

std::wstring TestService() {
    return BuildDir() + L"\\testing\\doubles\\testservice\\velmar_testservice.exe";
}

// The state of the service, or 0 when the manager does not know it.
DWORD ServiceState(const std::wstring& name) {
    DWORD state = 0;
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (manager == nullptr) {
        return 0;
    }
    SC_HANDLE service = OpenServiceW(manager, name.c_str(), SERVICE_QUERY_STATUS);
    if (service != nullptr) {
        SERVICE_STATUS status;
        if (QueryServiceStatus(service, &status)) {
            state = status.dwCurrentState;
        }
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return state;
}

// Waits up to `seconds` for the state (0: gone); returns the state seen last.
DWORD WaitForState(const std::wstring& name, DWORD wanted, int seconds) {
    DWORD state = ServiceState(name);
    for (int i = 0; i < seconds * 10 && state != wanted; ++i) {
        Sleep(100);
        state = ServiceState(name);
    }
    return state;
}

// Stops and deletes the service directly, so that a failed test leaves nothing behind.
void RemoveService(const std::wstring& name) {
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (manager == nullptr) {
        return;
    }
    SC_HANDLE service = OpenServiceW(manager, name.c_str(), SERVICE_ALL_ACCESS);
    if (service != nullptr) {
        SERVICE_STATUS status;
        ControlService(service, SERVICE_CONTROL_STOP, &status);
        WaitForState(name, SERVICE_STOPPED, 10);
        DeleteService(service);
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    WaitForState(name, 0, 10);
}

struct ServiceConfig {
    bool read = false;
    DWORD type = 0;
    DWORD startType = 0;
    DWORD errorControl = 0;
    std::wstring binaryPath, displayName, account, description;
};

ServiceConfig ReadConfig(const std::wstring& name) {
    ServiceConfig config;
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service =
        manager != nullptr ? OpenServiceW(manager, name.c_str(), SERVICE_QUERY_CONFIG) : nullptr;
    if (service != nullptr) {
        std::vector<BYTE> buffer(8192);
        DWORD needed = 0;
        auto* query = reinterpret_cast<LPQUERY_SERVICE_CONFIGW>(buffer.data());
        if (QueryServiceConfigW(service, query, static_cast<DWORD>(buffer.size()), &needed)) {
            config.read = true;
            config.type = query->dwServiceType;
            config.startType = query->dwStartType;
            config.errorControl = query->dwErrorControl;
            config.binaryPath = query->lpBinaryPathName;
            config.displayName = query->lpDisplayName;
            config.account = query->lpServiceStartName;
        }
        auto* description = reinterpret_cast<LPSERVICE_DESCRIPTIONW>(buffer.data());
        if (QueryServiceConfig2W(service, SERVICE_CONFIG_DESCRIPTION, buffer.data(),
                                 static_cast<DWORD>(buffer.size()), &needed) &&
            description->lpDescription != nullptr) {
            config.description = description->lpDescription;
        }
        CloseServiceHandle(service);
    }
    if (manager != nullptr) {
        CloseServiceHandle(manager);
    }
    return config;
}

// The dependency list as the service's registry key holds it (Wine's QueryServiceConfigW
// reports it empty).
std::vector<std::wstring> RegistryDependencies(const std::wstring& name) {
    std::vector<std::wstring> names;
    const std::wstring path = L"SYSTEM\\CurrentControlSet\\Services\\" + name;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return names;
    }
    wchar_t data[1024] = {};
    DWORD size = sizeof(data) - 2 * sizeof(wchar_t);
    DWORD type = 0;
    if (RegQueryValueExW(key, L"DependOnService", nullptr, &type, reinterpret_cast<BYTE*>(data),
                         &size) == ERROR_SUCCESS &&
        type == REG_MULTI_SZ) {
        for (const wchar_t* item = data; *item != L'\0'; item += wcslen(item) + 1) {
            names.emplace_back(item);
        }
    }
    RegCloseKey(key);
    return names;
}

const std::string kStamp = "\\d{4}/\\d{2}/\\d{2} \\d{2}:\\d{2}:\\d{2}\\.\\d{3}";

// The lines of a failed run's log file: the frame's lines around the tool's own.
void ExpectLogLines(const std::wstring& logName, const std::vector<std::string>& toolLines) {
    const std::vector<std::string> lines = SplitCrLf(ReadFileBytes(LogFilePath(logName)));
    ASSERT_EQ(toolLines.size() + 8, lines.size());
    EXPECT_TRUE(std::regex_match(lines[0], std::regex("=== Logging started: " + kStamp + " ===")))
        << lines[0];
    EXPECT_EQ("", lines[1]);
    EXPECT_TRUE(std::regex_match(lines[2], std::regex("OS Version:\\d+\\.\\d+"))) << lines[2];
    EXPECT_EQ("Architecture:9", lines[3]);
    EXPECT_TRUE(std::regex_match(lines[4], std::regex("LangID:[0-9a-f]+"))) << lines[4];
    for (size_t i = 0; i < toolLines.size(); ++i) {
        EXPECT_EQ(toolLines[i], lines[5 + i]);
    }
    const size_t tail = 5 + toolLines.size();
    EXPECT_EQ("", lines[tail]);
    EXPECT_TRUE(
        std::regex_match(lines[tail + 1], std::regex("=== Logging stopped: " + kStamp + " ===")))
        << lines[tail + 1];
    EXPECT_EQ("", lines[tail + 2]);
}

class ServiceEndToEnd : public testing::Test {
  protected:
    void SetUp() override {
        // Unique per test and run: a deleted service of an earlier run may still be going.
        const char* test = testing::UnitTest::GetInstance()->current_test_info()->name();
        name_ = L"VelmarE2E_" + std::wstring(test, test + std::strlen(test)) + L"_" +
                std::to_wstring(GetCurrentProcessId());
        RemoveService(name_);
        for (const std::wstring& log : {LogName(), std::wstring(L"vqsvc")}) {
            DeleteIfPresent(LogFilePath(log));
        }
    }
    void TearDown() override { RemoveService(name_); }

    std::wstring LogName() const { return L"vqsvc_" + name_; }
    DWORD Run(const std::vector<std::wstring>& arguments) { return RunProgram(Tool(), arguments); }
    std::vector<std::wstring> Install(const std::wstring& program) const {
        return {L"-t",     L"install",
                L"-s",     name_,
                L"-d",     L"Velmar end-to-end " + name_,
                L"-p",     program,
                L"-i",     L"Test service of the end-to-end tests",
                L"-c",     L"PlugPlay",
                L"-error", L"ERROR_INSTALL_FAILURE"};
    }

    std::wstring name_;
};

TEST_F(ServiceEndToEnd, BinaryIsA64BitWindowProgramWithItsResources) {
    const PeInfo pe = ReadPeInfo(Tool());
    ASSERT_TRUE(pe.valid);
    EXPECT_EQ(IMAGE_FILE_MACHINE_AMD64, pe.machine);
    EXPECT_EQ(IMAGE_SUBSYSTEM_WINDOWS_GUI, pe.subsystem);
    EXPECT_FALSE(pe.dll);
    for (const std::string& import : pe.imports) {
        EXPECT_NE(0u, import.rfind("lib", 0)) << import; // no run-time DLLs beside the tool
    }
    const std::string manifest = ReadManifest(Tool());
    EXPECT_NE(std::string::npos, manifest.find("name=\"VQSVC\"")) << manifest;
    EXPECT_NE(std::string::npos, manifest.find("version=\"1.0.0.0\""));
    EXPECT_NE(std::string::npos, manifest.find("level=\"asInvoker\""));
    EXPECT_NE(std::string::npos, manifest.find("dpiAware"));
    EXPECT_EQ(L"VQSERVICE6", VersionString(Tool(), L"ProductName"));
    EXPECT_EQ(L"1.0.0.0", VersionString(Tool(), L"FileVersion"));
    EXPECT_EQ(L"1.0.0.0", VersionString(Tool(), L"ProductVersion"));
    DWORD fileMs = 0, fileLs = 0, productMs = 0, productLs = 0;
    ASSERT_TRUE(FixedVersion(Tool(), &fileMs, &fileLs, &productMs, &productLs));
    EXPECT_EQ(0x00010000u, fileMs);
    EXPECT_EQ(0u, fileLs);
    EXPECT_EQ(0x00010000u, productMs);
    EXPECT_EQ(0u, productLs);
}

TEST_F(ServiceEndToEnd, InstallCreatesAndStartsTheService) {
    const std::wstring program = TestService() + L" -from-e2e";
    const ULONGLONG started = GetTickCount64();
    ASSERT_EQ(0u, Run(Install(program)));
    std::printf("install and start of the test service: %llu ms\n",
                static_cast<unsigned long long>(GetTickCount64() - started));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), ServiceState(name_));
    const ServiceConfig config = ReadConfig(name_);
    ASSERT_TRUE(config.read);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS), config.type);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_AUTO_START), config.startType);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_ERROR_IGNORE), config.errorControl);
    EXPECT_EQ(program, config.binaryPath);
    EXPECT_EQ(L"Velmar end-to-end " + name_, config.displayName);
    EXPECT_EQ(L"LocalSystem", config.account);
    EXPECT_EQ(L"Test service of the end-to-end tests", config.description);
    EXPECT_EQ(std::vector<std::wstring>{L"PlugPlay"}, RegistryDependencies(name_));
    EXPECT_FALSE(PathExists(LogFilePath(LogName())));
}

TEST_F(ServiceEndToEnd, ReinstallStopStartAndRemove) {
    ASSERT_EQ(0u, Run(Install(TestService())));
    ASSERT_EQ(static_cast<DWORD>(SERVICE_RUNNING), ServiceState(name_));

    // Over itself: the running service is stopped, deleted, created and started again.
    EXPECT_EQ(0u, Run(Install(TestService())));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), ServiceState(name_));

    EXPECT_EQ(0u, Run({L"-t", L"stop", L"-s", name_}));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), ServiceState(name_));
    EXPECT_EQ(0u, Run({L"-t", L"stop", L"-s", name_}));

    EXPECT_EQ(0u, Run({L"-t", L"start", L"-s", name_}));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), ServiceState(name_));

    EXPECT_EQ(0u, Run({L"-t", L"remove", L"-s", name_}));
    EXPECT_EQ(0u, WaitForState(name_, 0, 10));
    EXPECT_EQ(0u, Run({L"-t", L"remove", L"-s", name_}));
    EXPECT_EQ(0u, Run({L"-t", L"stop", L"-s", name_}));
    EXPECT_FALSE(PathExists(LogFilePath(LogName())));
}

TEST_F(ServiceEndToEnd, RefusedCommandLinesWriteTheirLog) {
    const std::wstring missing =
        TestService().substr(0, TestService().rfind(L'\\')) + L"\\missing.exe";
    struct Case {
        std::vector<std::wstring> arguments;
        DWORD exitCode;
        std::wstring logName;
        std::vector<std::string> lines;
    } cases[] = {
        {{}, 1641, L"vqsvc", {"ERROR CODE: 1002"}},
        {{L"-s", name_, L"-S", L"x", L"-error", L"ERROR_SUCCESS"},
         1641,
         LogName(),
         {"ERROR CODE: 1001"}},
        {{L"-s", name_, L"-t", L"Install", L"-error", L"ERROR_SUCCESS"},
         0,
         LogName(),
         {"ERROR:1004"}},
        {{L"-s", name_, L"-t", L"install", L"-d", L"x", L"-error", L"ERROR_INSTALL_FAILURE"},
         1603,
         LogName(),
         {"ERROR CODE: 1003"}},
        {{L"-s", name_, L"-t", L"install", L"-d", L"x", L"-p", missing},
         1641,
         LogName(),
         {"EVENT TYPE: INSTALL", "ERROR CODE: 2003"}},
    };
    for (const Case& c : cases) {
        DeleteIfPresent(LogFilePath(c.logName));
        EXPECT_EQ(c.exitCode, Run(c.arguments)) << c.lines.back();
        ExpectLogLines(c.logName, c.lines);
    }
    EXPECT_EQ(0u, ServiceState(name_));
}

TEST_F(ServiceEndToEnd, StartingAMissingServiceFails) {
    EXPECT_EQ(1641u, Run({L"-t", L"start", L"-s", name_}));
    ExpectLogLines(LogName(), {"EVENT TYPE: START", "ERROR CODE: 4003 (0x00000424)"});
    DeleteIfPresent(LogFilePath(LogName()));
    EXPECT_EQ(0u, Run({L"-t", L"start", L"-s", name_, L"-error", L"ERROR_SUCCESS"}));
    ExpectLogLines(LogName(), {"EVENT TYPE: START", "ERROR CODE: 4003 (0x00000424)"});
}

} // namespace

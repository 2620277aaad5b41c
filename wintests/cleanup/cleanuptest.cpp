#include "cleanuptest.h"

#include <gtest/gtest.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>

#include "cleanup.h"
#include "log.h"

const wchar_t RunKeyPath[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

namespace {

std::wstring Wide(const char* text) { return std::wstring(text, text + strlen(text)); }

std::wstring SuiteName() {
    return Wide(testing::UnitTest::GetInstance()->current_test_info()->test_suite_name());
}

// A product key is the test's own, so it goes when the test ends, whatever the test asserted.
struct ProductKeyDropper : testing::EmptyTestEventListener {
    void OnTestEnd(const testing::TestInfo& info) override {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, UninstallKeyPath(Wide(info.test_suite_name())).c_str());
    }
};
[[maybe_unused]] const bool Dropping =
    (testing::UnitTest::GetInstance()->listeners().Append(new ProductKeyDropper), true);

} // namespace

std::wstring FreshTestFolder() {
    std::wstring folder = L"C:\\velmar-tests\\" + SuiteName() + L"\\" +
                          Wide(testing::UnitTest::GetInstance()->current_test_info()->name());
    std::replace(folder.begin(), folder.end(), L'/', L'_');
    // SHFileOperation wants a double-terminated list.
    const std::wstring from = folder + L'\0';
    SHFILEOPSTRUCTW operation = {};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_NO_UI;
    SHFileOperationW(&operation);
    MakeFolder(folder);
    PendingLogLines.clear();
    return folder;
}

void MakeFolder(const std::wstring& path) { SHCreateDirectoryExW(nullptr, path.c_str(), nullptr); }

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    MakeFolder(path.substr(0, path.rfind(L'\\')));
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file) << path;
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

std::wstring BesideProgram(const std::string& name) {
    wchar_t program[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    wcsrchr(program, L'\\')[1] = L'\0';
    return program + Wide(name.c_str());
}

std::wstring ShellFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

std::wstring InstallCacheRoot() {
    return ShellFolder(CSIDL_PROGRAM_FILESX86) + L"\\InstallShield Installation Information\\";
}

std::wstring UninstallKeyPath(const std::wstring& id) {
    return L"SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{" + id + L"}";
}

std::wstring ProductKey() { return UninstallKeyPath(SuiteName()); }

std::wstring UseProduct(const std::string& ini, const wchar_t* value, const std::wstring& data) {
    const std::wstring folder = FreshTestFolder(), path = folder + L"\\getinfo.ini";
    const std::wstring suite = SuiteName();
    std::string text = "[GUID]\nid=" + std::string(suite.begin(), suite.end()) + "\n" + ini;
    std::replace(text.begin(), text.end(), ' ', '\n');
    WriteBytes(path, text);
    _snwprintf_s(SettingsIniPath, _countof(SettingsIniPath), _TRUNCATE, L"%s", path.c_str());
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, ProductKey().c_str());
    if (value != nullptr) {
        CreateMachineKey(ProductKey(), value, data);
    }
    return folder;
}

void CreateMachineKey(const std::wstring& path, const wchar_t* value, const std::wstring& data) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &key, nullptr));
    RegCloseKey(key);
    if (value != nullptr) {
        RegSetKeyValueW(HKEY_LOCAL_MACHINE, path.c_str(), value, REG_SZ, data.c_str(),
                        static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    }
}

bool RunValueExists(const wchar_t* name) {
    return RegGetValueW(HKEY_LOCAL_MACHINE, RunKeyPath, name, RRF_RT_ANY, nullptr, nullptr,
                        nullptr) == ERROR_SUCCESS;
}

std::string Outcome(int result) {
    std::string outcome = std::to_string(result);
    for (const std::string& line : PendingLogLines) {
        outcome += line.rfind("ERROR CODE: ", 0) == 0 ? " " + line.substr(12) : " <" + line + ">";
    }
    PendingLogLines.clear();
    return outcome;
}

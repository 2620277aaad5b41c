#include "cleanuptest.h"

#include <gtest/gtest.h>
#include <shellapi.h>
#include <shlobj.h>

#include "cleanup.h"
#include "log.h"

std::wstring FreshTestFolder() {
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    std::wstring folder = L"C:\\velmar-tests\\";
    for (const char* c = info->test_suite_name(); *c; ++c) {
        folder += static_cast<wchar_t>(*c);
    }
    folder += L"\\";
    for (const char* c = info->name(); *c; ++c) {
        folder += static_cast<wchar_t>(*c == '/' ? '_' : *c);
    }
    // SHFileOperation wants a double-terminated list.
    std::wstring from = folder + L'\0';
    SHFILEOPSTRUCTW operation = {};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_NO_UI;
    SHFileOperationW(&operation);
    SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    return folder;
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

void UseSettings(const std::wstring& folder, const std::string& ini) {
    const std::wstring path = folder + L"\\getinfo.ini";
    WriteBytes(path, ini);
    _snwprintf_s(SettingsIniPath, _countof(SettingsIniPath), _TRUNCATE, L"%s", path.c_str());
}

void CreateMachineKey(const std::wstring& path, const wchar_t* value, const std::wstring& data) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &key, nullptr));
    if (value != nullptr) {
        RegSetValueExW(key, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                       static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    }
    RegCloseKey(key);
}

bool MachineKeyExists(const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

std::wstring UninstallKeyPath(const std::wstring& id) {
    return L"SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{" + id + L"}";
}

std::vector<std::string> HeldLines() {
    return std::vector<std::string>(PendingLogLines.begin(), PendingLogLines.end());
}

void ClearHeldLog() { PendingLogLines.clear(); }

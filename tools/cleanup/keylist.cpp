// Step 9: the registry keys that the key-list files beside the program name, each deleted with
// all its sub-keys.
#include "cleanup.h"

#include <cwchar>
#include <list>
#include <string>

#include "crt.h"
#include "keyscan.h"
#include "log.h"
#include "options.h"

namespace {

const wchar_t RegistrySection[] = L"Registry";

enum : size_t {
    FileNumChars = 8,       // "FileNum": at most 7 characters
    FileKeyChars = 8,       // File00..File999, cut to 7 characters from File1000 on
    KeyListPathChars = 256, // the entry's value and the whole file path
    KeyHeaderChars = 261,   // one header as wide text
    KeyPathChars = 261,     // a child's key path
    KeyNameChars = 256,     // a child's name as enumerated
};

struct RootName {
    const wchar_t* name;
    HKEY root;
};

const RootName RootNames[] = {
    {L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
    {L"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
    {L"HKEY_USERS", HKEY_USERS},
};

// An empty path opens the root itself, a trailing backslash names the key before it, and one
// that begins with a backslash may be taken from the root: a path with any empty element names
// no listed key, so it is never opened and nothing below it is deleted as one key.
bool HasEmptyElement(const wchar_t* subKey) {
    if (subKey == nullptr || subKey[0] == L'\0' || subKey[0] == L'\\') {
        return true;
    }
    return subKey[wcslen(subKey) - 1] == L'\\' || wcsstr(subKey, L"\\\\") != nullptr;
}

int CountedFiles() {
    // Only the first 7 characters count: read wider, then cut (the reader refuses a cut text).
    wchar_t count[CleanupPathChars];
    ReadSettingText(RegistrySection, L"FileNum", SettingMissing, count, _countof(count));
    count[FileNumChars - 1] = L'\0';
    if (wcscmp(count, SettingMissing) == 0 || count[0] == L'\0') {
        return 0;
    }
    return static_cast<int>(wcstol(count, nullptr, 10));
}

} // namespace

LONG DeleteKeyTree(HKEY root, const wchar_t* subKey) {
    if (HasEmptyElement(subKey)) {
        return -1;
    }
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, subKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
        return -1;
    }
    // Each deleted child moves the next one to index 0.
    for (;;) {
        wchar_t name[KeyNameChars];
        DWORD nameChars = _countof(name);
        if (RegEnumKeyExW(key, 0, name, &nameChars, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        // An empty name would make the child's path name this key again.
        wchar_t child[KeyPathChars];
        if (name[0] == L'\0' || !FormatFitted(child, _countof(child), L"%s\\%s", subKey, name)) {
            break;
        }
        if (DeleteKeyTree(root, child) != ERROR_SUCCESS) {
            break; // the child is still there, so this key stays too
        }
    }
    const LONG status = RegDeleteKeyW(root, subKey);
    RegCloseKey(key);
    return status;
}

int DeleteKeyByPath(const wchar_t* text) {
    const wchar_t* const separator = text != nullptr ? wcschr(text, L'\\') : nullptr;
    if (separator == nullptr) {
        return 0;
    }
    const wchar_t* const subKey = separator + 1;
    if (HasEmptyElement(subKey)) {
        return 0;
    }
    const std::wstring rootText(text, separator);
    for (const RootName& entry : RootNames) {
        if (rootText == entry.name) {
            return DeleteKeyTree(entry.root, subKey) == ERROR_SUCCESS ? 1 : 0;
        }
    }
    return 0;
}

int DeleteKeysFromKeyListFile(const wchar_t* path) {
    HANDLE file =
        CreateFileW(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return 0;
    }
    const DWORD size = GetFileSize(file, nullptr);
    if (size == INVALID_FILE_SIZE) {
        CloseHandle(file);
        return 0;
    }
    // One byte more, zero-filled: whatever is read is always terminated.
    char* data = static_cast<char*>(
        HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, static_cast<SIZE_T>(size) + 1));
    if (data == nullptr) {
        CloseHandle(file);
        return 0;
    }
    // A failed read leaves nothing read, and nothing is scanned.
    DWORD read = 0;
    ReadFile(file, data, size, &read, nullptr);

    std::list<std::wstring> headers;
    for (const std::string& header : ScanKeyHeaders(data, read)) {
        wchar_t wide[KeyHeaderChars];
        const int chars =
            MultiByteToWideChar(CP_ACP, 0, header.data(), static_cast<int>(header.size()), wide,
                                static_cast<int>(_countof(wide) - 1));
        if (chars > 0) {
            headers.emplace_back(wide, static_cast<size_t>(chars));
        }
    }
    // Deepest last in an export, so deleted first; whether a key could go is not reported.
    for (auto header = headers.rbegin(); header != headers.rend(); ++header) {
        DeleteKeyByPath(header->c_str());
    }

    headers.clear();
    HeapFree(GetProcessHeap(), 0, data);
    CloseHandle(file);
    return 1;
}

int DeleteListedRegistryKeys() {
    int result = 1;
    const int files = CountedFiles();
    for (int i = 0; i < files; ++i) {
        wchar_t keyName[FileKeyChars];
        _snwprintf_s(keyName, _countof(keyName), _TRUNCATE, i < 10 ? L"File0%d" : L"File%d", i);
        wchar_t value[KeyListPathChars];
        const bool fitted =
            ReadSettingText(RegistrySection, keyName, SettingMissing, value, _countof(value));
        if (fitted && (wcscmp(value, SettingMissing) == 0 || value[0] == L'\0')) {
            LogSpacedErrorCode(8002);
            result = 0;
            continue;
        }
        // A value or path that did not fit could name another file: it is never opened.
        wchar_t folder[CleanupPathChars];
        wchar_t path[KeyListPathChars];
        if (!fitted || GetProgramFolder(folder) == 0 ||
            !FormatFitted(path, _countof(path), L"%s%s", folder, value) ||
            DeleteKeysFromKeyListFile(path) != 1) {
            LogSpacedErrorCode(8001);
            result = 0;
        }
    }
    return result;
}

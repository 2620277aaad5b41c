// The narrow registry calls: names are widened, and string data is narrowed, in the stand-in's
// ANSI code page; everything else is the wide calls' behaviour.
#include <vector>

#include "internal.h"
#include "narrow.h"

namespace {

bool IsStringType(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

} // namespace

LSTATUS WINAPI RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result) {
    WINSIM_CALL(LSTATUS);
    const std::wstring wide = winsim::WideFromAnsi(subKey);
    return RegOpenKeyExW(key, subKey != nullptr ? wide.c_str() : nullptr, options, access, result);
}

LSTATUS WINAPI RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                                LPDWORD size) {
    WINSIM_CALL(LSTATUS);
    if (data != nullptr && size == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    const std::wstring wideName = winsim::WideFromAnsi(name);
    const LPCWSTR valueName = name != nullptr ? wideName.c_str() : nullptr;
    DWORD storedType = REG_NONE;
    DWORD storedBytes = 0;
    LSTATUS status = RegQueryValueExW(key, valueName, reserved, &storedType, nullptr, &storedBytes);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    if (type != nullptr) {
        *type = storedType;
    }
    if (!IsStringType(storedType)) {
        return RegQueryValueExW(key, valueName, reserved, nullptr, data, size);
    }

    // Each stored character becomes one byte; the size counts bytes of the narrow text.
    std::vector<BYTE> stored(storedBytes);
    status = RegQueryValueExW(key, valueName, reserved, nullptr, stored.data(), &storedBytes);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    const size_t characters = storedBytes / sizeof(wchar_t);
    std::vector<char> narrow(characters);
    for (size_t i = 0; i < characters; ++i) {
        wchar_t c;
        std::memcpy(&c, stored.data() + i * sizeof(wchar_t), sizeof(c));
        narrow[i] = winsim::AnsiFromWide(c);
    }
    const DWORD needed = static_cast<DWORD>(narrow.size());
    if (size == nullptr) {
        return ERROR_SUCCESS;
    }
    if (data != nullptr && *size < needed) {
        *size = needed;
        return ERROR_MORE_DATA;
    }
    if (data != nullptr) {
        std::memcpy(data, narrow.data(), needed);
    }
    *size = needed;
    return ERROR_SUCCESS;
}

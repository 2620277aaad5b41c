// Narrow text in the stand-in's ANSI code page, which gives every byte the character of the same
// value (characters above U+00FF have no byte and become '?').
#pragma once

#include <string>

namespace winsim {

inline std::wstring WideFromAnsi(const char* text) {
    std::wstring wide;
    for (const char* p = text; p != nullptr && *p != '\0'; ++p) {
        wide += static_cast<wchar_t>(static_cast<unsigned char>(*p));
    }
    return wide;
}

inline char AnsiFromWide(wchar_t c) {
    return static_cast<unsigned long>(c) <= 0xFF ? static_cast<char>(c) : '?';
}

} // namespace winsim

// Bounded formatting and conversions with the Windows run-time's reading of formats.
#include <winsim/crt.h>

#include <cerrno>
#include <cstring>
#include <cwctype>
#include <string>
#include <vector>

namespace {

// Rewrites a Windows wide format into the host's: %s/%c take wide text unless marked narrow
// (h, or the upper-case S/C), and the I64/I32/I length prefixes become their C spellings.
std::wstring HostWideFormat(const wchar_t* format) {
    std::wstring out;
    for (const wchar_t* p = format; *p != L'\0'; ++p) {
        if (*p != L'%') {
            out += *p;
            continue;
        }
        out += *p++;
        if (*p == L'%') {
            out += *p;
            continue;
        }
        while (*p != L'\0' && std::wcschr(L"-+ #0", *p) != nullptr) {
            out += *p++;
        }
        while (*p == L'*' || std::iswdigit(static_cast<wint_t>(*p))) {
            out += *p++;
        }
        if (*p == L'.') {
            out += *p++;
            while (*p == L'*' || std::iswdigit(static_cast<wint_t>(*p))) {
                out += *p++;
            }
        }
        enum { None, Narrow, Wide, Other } size = None;
        std::wstring length;
        if (p[0] == L'I' && p[1] == L'6' && p[2] == L'4') {
            length = L"ll";
            p += 3;
            size = Other;
        } else if (p[0] == L'I' && p[1] == L'3' && p[2] == L'2') {
            p += 3;
            size = Other;
        } else if (*p == L'I') {
            length = L"z";
            ++p;
            size = Other;
        } else if (*p == L'h') {
            length += *p++;
            if (*p == L'h') {
                length += *p++;
            }
            size = Narrow;
        } else if (*p == L'l' || *p == L'w') {
            ++p;
            length = L"l";
            size = Wide;
            if (*p == L'l') {
                length = L"ll";
                ++p;
                size = Other;
            }
        } else if (*p == L'z' || *p == L'j' || *p == L't' || *p == L'L') {
            length += *p++;
            size = Other;
        }
        if (*p == L'\0') {
            break;
        }
        const wchar_t conversion = *p;
        if (conversion == L's' || conversion == L'c') {
            out += size == Narrow ? L"" : L"l";
            out += conversion;
        } else if (conversion == L'S' || conversion == L'C') {
            out += size == Wide ? L"l" : L"";
            out += static_cast<wchar_t>(conversion == L'S' ? L's' : L'c');
        } else {
            out += length;
            out += conversion;
        }
    }
    return out;
}

// Formats the whole text, however long; false when the format cannot be rendered.
bool FormatWide(std::wstring* text, const wchar_t* format, va_list args) {
    const std::wstring hostFormat = HostWideFormat(format);
    std::vector<wchar_t> buffer(256);
    while (buffer.size() <= (size_t(1) << 24)) {
        va_list copy;
        va_copy(copy, args);
        const int written = std::vswprintf(buffer.data(), buffer.size(), hostFormat.c_str(), copy);
        va_end(copy);
        if (written >= 0) {
            text->assign(buffer.data(), static_cast<size_t>(written));
            return true;
        }
        buffer.resize(buffer.size() * 2);
    }
    return false;
}

bool FormatNarrow(std::string* text, const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    const int needed = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (needed < 0) {
        return false;
    }
    std::vector<char> buffer(static_cast<size_t>(needed) + 1);
    va_copy(copy, args);
    std::vsnprintf(buffer.data(), buffer.size(), format, copy);
    va_end(copy);
    text->assign(buffer.data(), static_cast<size_t>(needed));
    return true;
}

// The default invalid-parameter handler of the run-time ends the process.
[[noreturn]] void InvalidParameter(const char* function) {
    std::fprintf(stderr, "winsim: invalid parameter in %s\n", function);
    std::abort();
}

// The common tail of the counted formatting functions (_snwprintf_s and friends).
template <class Char>
int StoreCounted(const std::basic_string<Char>& text, Char* buffer, size_t size, size_t count,
                 const char* function) {
    if (buffer == nullptr || size == 0) {
        InvalidParameter(function);
    }
    if (count == _TRUNCATE) {
        if (text.size() < size) {
            std::memcpy(buffer, text.data(), text.size() * sizeof(Char));
            buffer[text.size()] = 0;
            return static_cast<int>(text.size());
        }
        std::memcpy(buffer, text.data(), (size - 1) * sizeof(Char));
        buffer[size - 1] = 0;
        return -1;
    }
    const size_t kept = text.size() < count ? text.size() : count;
    if (kept >= size) {
        buffer[0] = 0;
        InvalidParameter(function);
    }
    std::memcpy(buffer, text.data(), kept * sizeof(Char));
    buffer[kept] = 0;
    return kept < text.size() ? -1 : static_cast<int>(kept);
}

template <class Char>
int StoreWhole(const std::basic_string<Char>& text, Char* buffer, size_t size,
               const char* function) {
    if (buffer == nullptr || size == 0 || text.size() >= size) {
        if (buffer != nullptr && size != 0) {
            buffer[0] = 0;
        }
        InvalidParameter(function);
    }
    std::memcpy(buffer, text.data(), text.size() * sizeof(Char));
    buffer[text.size()] = 0;
    return static_cast<int>(text.size());
}

template <class Char> size_t Length(const Char* text) {
    size_t length = 0;
    while (text[length] != 0) {
        ++length;
    }
    return length;
}

// The length of a text, reading no further than `count` characters (_TRUNCATE: no limit).
template <class Char> size_t BoundedLength(const Char* text, size_t count) {
    size_t length = 0;
    while ((count == _TRUNCATE || length < count) && text[length] != 0) {
        ++length;
    }
    return length;
}

template <class Char>
errno_t CopyBounded(Char* destination, size_t size, const Char* source, size_t count,
                    const char* function) {
    if (destination == nullptr || size == 0 || source == nullptr) {
        InvalidParameter(function);
    }
    const size_t length = BoundedLength(source, count);
    if (length >= size) {
        if (count == _TRUNCATE) {
            std::memcpy(destination, source, (size - 1) * sizeof(Char));
            destination[size - 1] = 0;
            return 80; // STRUNCATE
        }
        destination[0] = 0;
        InvalidParameter(function);
    }
    std::memcpy(destination, source, length * sizeof(Char));
    destination[length] = 0;
    return 0;
}

template <class Char>
errno_t AppendBounded(Char* destination, size_t size, const Char* source, const char* function) {
    if (destination == nullptr || size == 0 || source == nullptr) {
        InvalidParameter(function);
    }
    size_t used = 0;
    while (used < size && destination[used] != 0) {
        ++used;
    }
    if (used == size) {
        InvalidParameter(function);
    }
    if (CopyBounded(destination + used, size - used, source, _TRUNCATE, function) != 0) {
        InvalidParameter(function);
    }
    return 0;
}

} // namespace

int _vsnwprintf_s(wchar_t* buffer, size_t size, size_t count, const wchar_t* format, va_list args) {
    std::wstring text;
    if (format == nullptr || !FormatWide(&text, format, args)) {
        if (buffer != nullptr && size != 0) {
            buffer[0] = 0;
        }
        return -1;
    }
    return StoreCounted(text, buffer, size, count, __func__);
}

int _snwprintf_s(wchar_t* buffer, size_t size, size_t count, const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    const int result = _vsnwprintf_s(buffer, size, count, format, args);
    va_end(args);
    return result;
}

int vswprintf_s(wchar_t* buffer, size_t count, const wchar_t* format, va_list args) {
    std::wstring text;
    if (format == nullptr || !FormatWide(&text, format, args)) {
        InvalidParameter(__func__);
    }
    return StoreWhole(text, buffer, count, __func__);
}

int swprintf_s(wchar_t* buffer, size_t count, const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    const int result = vswprintf_s(buffer, count, format, args);
    va_end(args);
    return result;
}

int _vsnprintf_s(char* buffer, size_t size, size_t count, const char* format, va_list args) {
    std::string text;
    if (format == nullptr || !FormatNarrow(&text, format, args)) {
        if (buffer != nullptr && size != 0) {
            buffer[0] = 0;
        }
        return -1;
    }
    return StoreCounted(text, buffer, size, count, __func__);
}

int _snprintf_s(char* buffer, size_t size, size_t count, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int result = _vsnprintf_s(buffer, size, count, format, args);
    va_end(args);
    return result;
}

int sprintf_s(char* buffer, size_t count, const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text;
    const bool formatted = format != nullptr && FormatNarrow(&text, format, args);
    va_end(args);
    if (!formatted) {
        InvalidParameter(__func__);
    }
    return StoreWhole(text, buffer, count, __func__);
}

errno_t strcpy_s(char* destination, size_t size, const char* source) {
    return CopyBounded(destination, size, source, Length(source != nullptr ? source : ""),
                       __func__);
}

errno_t strncpy_s(char* destination, size_t size, const char* source, size_t count) {
    return CopyBounded(destination, size, source, count, __func__);
}

errno_t strcat_s(char* destination, size_t size, const char* source) {
    return AppendBounded(destination, size, source, __func__);
}

errno_t wcscpy_s(wchar_t* destination, size_t size, const wchar_t* source) {
    return CopyBounded(destination, size, source, Length(source != nullptr ? source : L""),
                       __func__);
}

errno_t wcsncpy_s(wchar_t* destination, size_t size, const wchar_t* source, size_t count) {
    return CopyBounded(destination, size, source, count, __func__);
}

errno_t wcscat_s(wchar_t* destination, size_t size, const wchar_t* source) {
    return AppendBounded(destination, size, source, __func__);
}

errno_t wcstombs_s(size_t* converted, char* destination, size_t size, const wchar_t* source,
                   size_t count) {
    if (converted != nullptr) {
        *converted = 0;
    }
    if (source == nullptr || (destination == nullptr && size != 0)) {
        InvalidParameter(__func__);
    }
    size_t length = BoundedLength(source, count);
    for (size_t i = 0; i < length; ++i) {
        const auto c = static_cast<std::uint32_t>(source[i]);
        if (c > 0xFF) {
            if (destination != nullptr) {
                destination[0] = '\0';
            }
            errno = EILSEQ;
            return EILSEQ;
        }
    }
    if (destination == nullptr) {
        if (converted != nullptr) {
            *converted = length + 1;
        }
        return 0;
    }
    errno_t result = 0;
    if (length >= size) {
        if (count != _TRUNCATE) {
            destination[0] = '\0';
            InvalidParameter(__func__);
        }
        length = size - 1;
        result = 80; // STRUNCATE
    }
    for (size_t i = 0; i < length; ++i) {
        destination[i] = static_cast<char>(static_cast<unsigned char>(source[i]));
    }
    destination[length] = '\0';
    if (converted != nullptr) {
        *converted = length + 1;
    }
    return result;
}

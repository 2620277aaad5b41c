#include "keyscan.h"

#include <algorithm>

std::vector<std::string> ScanKeyHeaders(const char* data, size_t size) {
    static const char lineEnd[] = "\r\n";
    std::vector<std::string> headers;
    // A file in 16-bit Unicode ends here at its first character's zero byte.
    const char* const end = std::find(data, data + size, '\0');
    const char* position = data;
    while (position < end) {
        const char* const open = std::find(position, end, '[');
        if (open == end) {
            break;
        }
        const char* const close = std::find(open + 1, end, ']');
        if (close == end || close == open + 1) {
            break;
        }
        const size_t length = static_cast<size_t>(close - open - 1);
        if (length <= KeyHeaderMaxBytes) {
            headers.emplace_back(open + 1, length);
        }
        const char* const next = std::search(close + 1, end, lineEnd, lineEnd + 2);
        if (next == end) {
            break;
        }
        position = next + 2;
    }
    return headers;
}

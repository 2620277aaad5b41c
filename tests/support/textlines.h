// Splitting what a tool wrote into lines; shared by the host and the Windows-side tests.
#pragma once

#include <string>
#include <vector>

// Lines of a file split at CR LF (a lone LF stays inside its line, so comparisons catch it).
inline std::vector<std::string> SplitCrLf(const std::string& bytes) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t at = bytes.find("\r\n"); at != std::string::npos; at = bytes.find("\r\n", start)) {
        lines.push_back(bytes.substr(start, at - start));
        start = at + 2;
    }
    if (start < bytes.size()) {
        lines.push_back(bytes.substr(start));
    }
    return lines;
}

// The key-list scanner on any bytes: under the sanitizers, and every header it gives must be
// one it could take.
#include <cstdint>
#include <cstdlib>

#include "keyscan.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (const std::string& header : ScanKeyHeaders(reinterpret_cast<const char*>(data), size)) {
        if (header.empty() || header.size() > KeyHeaderMaxBytes ||
            header.find_first_of(std::string("]\0", 2)) != std::string::npos) {
            std::abort();
        }
    }
    return 0;
}

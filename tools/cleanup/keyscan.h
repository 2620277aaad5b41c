// The key headers of a key-list file: a registry export in its single-byte form. Plain C++ over
// bytes, so that it also builds and runs outside Windows.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The longest header text taken, in bytes; a longer one is passed over.
enum : size_t { KeyHeaderMaxBytes = 260 };

// The texts between a "[" and the first "]" after it, in file order, from `size` bytes of
// `data` up to its first zero byte. An empty header "[]" ends the scan. After a header the
// scan goes on behind the first CR LF that follows its "]"; without one it ends there.
std::vector<std::string> ScanKeyHeaders(const char* data, size_t size);

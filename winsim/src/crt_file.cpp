// Run-time file streams over sandbox files. Text mode is a cookie stream that writes "\n" as
// CR LF and reads CR LF as "\n", ending at a Ctrl-Z, as the Windows run-time does.
#include <winsim/crt.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "internal.h"

namespace {

struct StreamCookie {
    FILE* file;
    bool atEnd;
};

ssize_t TextRead(void* cookie, char* buffer, size_t size) {
    auto* text = static_cast<StreamCookie*>(cookie);
    size_t produced = 0;
    while (produced < size && !text->atEnd) {
        const int c = std::fgetc(text->file);
        if (c == EOF || c == 0x1A) {
            text->atEnd = true;
            break;
        }
        if (c == '\r') {
            const int next = std::fgetc(text->file);
            if (next == '\n') {
                buffer[produced++] = '\n';
                continue;
            }
            if (next != EOF) {
                std::ungetc(next, text->file);
            }
        }
        buffer[produced++] = static_cast<char>(c);
    }
    return static_cast<ssize_t>(produced);
}

ssize_t TextWrite(void* cookie, const char* buffer, size_t size) {
    auto* text = static_cast<StreamCookie*>(cookie);
    for (size_t i = 0; i < size; ++i) {
        if (buffer[i] == '\n' && std::fputc('\r', text->file) == EOF) {
            return -1;
        }
        if (std::fputc(buffer[i], text->file) == EOF) {
            return -1;
        }
    }
    return std::fflush(text->file) == 0 ? static_cast<ssize_t>(size) : -1;
}

// Closing is the same for both kinds: release the tracked stream, close the host file.
int StreamClose(void* cookie) {
    auto* stream = static_cast<StreamCookie*>(cookie);
    winsim::Release("file", cookie);
    const int result = std::fclose(stream->file);
    delete stream;
    return result;
}

ssize_t BinaryRead(void* cookie, char* buffer, size_t size) {
    auto* binary = static_cast<StreamCookie*>(cookie);
    return static_cast<ssize_t>(std::fread(buffer, 1, size, binary->file));
}

ssize_t BinaryWrite(void* cookie, const char* buffer, size_t size) {
    auto* binary = static_cast<StreamCookie*>(cookie);
    const size_t written = std::fwrite(buffer, 1, size, binary->file);
    return std::fflush(binary->file) == 0 ? static_cast<ssize_t>(written) : -1;
}

} // namespace

FILE* _wfsopen(const wchar_t* path, const wchar_t* mode, int share) {
    WINSIM_CALL(FILE*);
    (void)share; // the sandbox has no other process that could hold the file
    if (path == nullptr || mode == nullptr ||
        (mode[0] != L'r' && mode[0] != L'w' && mode[0] != L'a')) {
        errno = EINVAL;
        return nullptr;
    }
    const std::string hostPath = winsim::MapPath(path);
    if (hostPath.empty()) {
        errno = ENOENT;
        return nullptr;
    }
    const bool update = std::wcschr(mode, L'+') != nullptr;
    const bool binary = std::wcschr(mode, L'b') != nullptr;
    std::string hostMode(1, static_cast<char>(mode[0]));
    if (update) {
        hostMode += '+';
    }
    hostMode += 'b';
    FILE* file = std::fopen(hostPath.c_str(), hostMode.c_str());
    if (file == nullptr) {
        return nullptr;
    }
    auto* cookie = new StreamCookie{file, false};
    cookie_io_functions_t functions = {};
    if (binary) {
        functions.read = BinaryRead;
        functions.write = BinaryWrite;
        functions.close = StreamClose;
    } else {
        functions.read = TextRead;
        functions.write = TextWrite;
        functions.close = StreamClose;
    }
    std::string cookieMode = hostMode.substr(0, hostMode.size() - 1);
    FILE* stream = fopencookie(cookie, cookieMode.c_str(), functions);
    if (stream == nullptr) {
        std::fclose(file);
        delete cookie;
        return nullptr;
    }
    winsim::Acquire("file", cookie);
    return stream;
}

FILE* _wfopen(const wchar_t* path, const wchar_t* mode) { return _wfsopen(path, mode, _SH_DENYNO); }

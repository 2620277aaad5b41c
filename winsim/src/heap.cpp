// The local heap: every block is tracked so that tests see what was not freed.
#include <winsim/control.h>

#include <cstdio>
#include <cstdlib>

#include "internal.h"

namespace winsim {

HLOCAL AllocLocal(SIZE_T bytes) {
    void* block = std::calloc(1, bytes == 0 ? 1 : bytes);
    if (block != nullptr) {
        Acquire("local", block);
    }
    return block;
}

} // namespace winsim

HLOCAL WINAPI LocalAlloc(UINT flags, SIZE_T bytes) {
    WINSIM_CALL(HLOCAL);
    (void)flags; // blocks are always fixed and zeroed
    HLOCAL block = winsim::AllocLocal(bytes);
    if (block == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    }
    return block;
}

HLOCAL WINAPI LocalFree(HLOCAL memory) {
    WINSIM_CALL(HLOCAL);
    if (memory == nullptr) {
        return nullptr;
    }
    if (!winsim::Release("local", memory)) {
        // Freeing what the local heap never handed out corrupts a real heap: stop here.
        std::fprintf(stderr, "winsim: LocalFree of a block that is not live\n");
        std::abort();
    }
    std::free(memory);
    return nullptr;
}

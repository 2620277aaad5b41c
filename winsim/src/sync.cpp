// Waits of the simulated machine: they advance the virtual clock and never really sleep.
#include <winsim/control.h>

#include <cstdio>
#include <cstdlib>

#include "internal.h"

void WINAPI Sleep(DWORD milliseconds) {
    WINSIM_CALL_VOID();
    if (milliseconds == INFINITE) {
        // Nothing else runs in the simulated process, so this wait could never end.
        std::fprintf(stderr, "winsim: Sleep(INFINITE) never returns\n");
        std::abort();
    }
    winsim::AdvanceClock(milliseconds);
}

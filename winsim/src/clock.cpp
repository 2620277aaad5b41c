// The virtual clock: tests set it, waits advance it, and nothing reads the host's time.
#include <winsim/control.h>
#include <winsim/crt.h>

#include "internal.h"

namespace winsim {
namespace {

// 2026-03-14 15:09:26.535, local time.
const std::int64_t kDefaultSeconds = 1773500966;
const unsigned kDefaultMilliseconds = 535;

struct Clock {
    std::int64_t milliseconds; // since 1970
    std::uint64_t elapsed;     // since Reset
};

Clock g_clock;

void ResetClock() { g_clock = Clock{kDefaultSeconds * 1000 + kDefaultMilliseconds, 0}; }
const ResetStep g_reset(ResetClock);

} // namespace

void SetClock(std::int64_t seconds, unsigned milliseconds) {
    g_clock.milliseconds = seconds * 1000 + milliseconds % 1000;
}

void AdvanceClock(std::uint64_t milliseconds) {
    g_clock.milliseconds += static_cast<std::int64_t>(milliseconds);
    g_clock.elapsed += milliseconds;
}

std::uint64_t ElapsedMilliseconds() { return g_clock.elapsed; }

std::int64_t NowMilliseconds() { return g_clock.milliseconds; }

} // namespace winsim

__time64_t _time64(__time64_t* result) {
    WINSIM_CALL(__time64_t);
    const __time64_t now = winsim::NowMilliseconds() / 1000;
    if (result != nullptr) {
        *result = now;
    }
    return now;
}

errno_t _localtime64_s(struct tm* result, const __time64_t* time) {
    WINSIM_CALL(errno_t);
    if (result == nullptr || time == nullptr || *time < 0) {
        return 22; // EINVAL
    }
    const time_t seconds = static_cast<time_t>(*time);
    gmtime_r(&seconds, result); // the simulated machine's local time is UTC
    return 0;
}

errno_t _ftime64_s(struct __timeb64* result) {
    WINSIM_CALL(errno_t);
    if (result == nullptr) {
        return 22;
    }
    const std::int64_t now = winsim::NowMilliseconds();
    result->time = now / 1000;
    result->millitm = static_cast<unsigned short>(now % 1000);
    result->timezone = 0;
    result->dstflag = 0;
    return 0;
}

// Wall-clock milliseconds since process start, with a hook that lets tests drive it.
#include "common/clock.h"

#include <chrono>

namespace {

using SteadyClock = std::chrono::steady_clock;

SteadyClock::time_point processStart()
{
    static const SteadyClock::time_point start = SteadyClock::now();
    return start;
}

// Take the start reading during static initialisation, so that the count runs
// from process start rather than from the first caller.
[[maybe_unused]] const bool startTaken = (processStart(), true);

MillisSource drivenSource = nullptr;

}  // namespace

int32_t processMillis()
{
    if (drivenSource != nullptr) {
        return drivenSource();
    }
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - processStart());
    // Keep the low 32 bits: the count wraps instead of overflowing.
    return static_cast<int32_t>(static_cast<uint32_t>(elapsed.count()));
}

void setMillisSourceForTesting(MillisSource source)
{
    drivenSource = source;
}

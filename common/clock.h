// The program's one time base: wall-clock milliseconds since the process started.
#pragma once

#include <cstdint>

// Milliseconds since process start, from a steady (wall-clock) source. The count
// is 32-bit and wraps after about 24.8 days; compare readings only through
// millisBetween().
int32_t processMillis();

// Milliseconds from reading `earlier` to reading `later`. Computed modulo 2^32,
// so a wrap of processMillis() between the two still gives the true small
// difference, and no signed overflow can happen.
constexpr int32_t millisBetween(int32_t earlier, int32_t later)
{
    return static_cast<int32_t>(static_cast<uint32_t>(later) - static_cast<uint32_t>(earlier));
}

// Test hook: while a source is set, processMillis() returns what it returns
// instead of reading the wall clock. Pass nullptr to go back to the wall clock.
using MillisSource = int32_t (*)();
void setMillisSourceForTesting(MillisSource source);

// Drives processMillis() from a test: while a DrivenClock exists, the program's
// clock reads whatever the test set.
#pragma once

#include "common/clock.h"

#include <cstdint>

class DrivenClock {
public:
    explicit DrivenClock(int32_t start = 0)
    {
        now() = start;
        setMillisSourceForTesting(&read);
    }
    ~DrivenClock() { setMillisSourceForTesting(nullptr); }
    DrivenClock(const DrivenClock&) = delete;
    DrivenClock& operator=(const DrivenClock&) = delete;

    void set(int32_t millis) { now() = millis; }
    void advance(int32_t millis) { now() = static_cast<int32_t>(static_cast<uint32_t>(now()) + static_cast<uint32_t>(millis)); }
    int32_t get() const { return now(); }

private:
    static int32_t& now()
    {
        static int32_t value = 0;
        return value;
    }
    static int32_t read() { return now(); }
};

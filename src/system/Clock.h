// Time and waiting. Every wait of the program goes through here, so tests can run them instantly.
#pragma once

#include <cstdint>

namespace sys {

// Local wall-clock time to the millisecond.
struct LocalTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
    int dayOfWeek = 0;  // 0 is Sunday
};

class IClock {
public:
    virtual ~IClock() = default;

    // Milliseconds on a steady counter; only differences mean anything.
    virtual uint64_t TickMs() = 0;

    virtual LocalTime Now() = 0;

    // Seconds since 1970-01-01 00:00 UTC, as the C runtime's time() gives them.
    virtual int64_t UnixSeconds() = 0;

    virtual void SleepMs(uint32_t milliseconds) = 0;
};

}  // namespace sys

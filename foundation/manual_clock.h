// A clock that moves only when told: for tests of loops, time-outs and schedules. In the
// `advance` mode a sleep jumps the clock forward to its wake-up time, so a loop with 10 ms
// cycles runs as fast as the machine allows; in the `wait` mode a sleep blocks until another
// thread advances the clock past the wake-up time.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "foundation/clock.h"

namespace skyloom {

class ManualClock final : public Clock {
public:
    enum class SleepMode { advance, wait };

    // Starts at `utcStart` (default Monday 2026-01-05 00:00:00 UTC) with a steady time far
    // from the steady clock's epoch.
    explicit ManualClock(UtcTime utcStart = defaultStart(), SleepMode mode = SleepMode::advance);

    SteadyTime steadyNow() const override;
    UtcTime utcNow() const override;
    void sleepUntil(SteadyTime until) override;

    // Moves both the steady and the UTC time forward (a negative duration is ignored).
    void advance(Duration d);
    // Sets the UTC time without moving the steady time (a clock correction, a time jump).
    void setUtc(UtcTime t);
    void setSleepMode(SleepMode mode);

    // How many sleeps were asked for so far.
    std::uint64_t sleepCount() const;

    static UtcTime defaultStart();
    // A UTC time from its calendar fields.
    static UtcTime utcTime(int year, unsigned month, unsigned day, int hour = 0, int minute = 0,
                           int second = 0);

private:
    mutable std::mutex mutex_;
    std::condition_variable advanced_;
    SteadyTime steady_;
    UtcTime utc_;
    SleepMode mode_;
    std::uint64_t sleeps_ = 0;
};

} // namespace skyloom

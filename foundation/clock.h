// The one clock of the program: steady time for loops and time-outs, UTC for texts and the
// feed, and sleeping until a steady time. The main loop, the simulator client, the simulated
// simulator, the traffic mailbox and the feed all take it, so tests drive them with a manual
// clock (foundation/manual_clock.h) and a 30 s time-out passes in microseconds.
#pragma once

#include <chrono>

namespace skyloom {

class Clock {
public:
    using SteadyTime = std::chrono::steady_clock::time_point;
    using UtcTime = std::chrono::system_clock::time_point;
    using Duration = std::chrono::nanoseconds;

    virtual ~Clock() = default;

    virtual SteadyTime steadyNow() const = 0;
    virtual UtcTime utcNow() const = 0;
    virtual void sleepUntil(SteadyTime until) = 0;

    void sleepFor(Duration d) { sleepUntil(steadyNow() + d); }
};

class RealClock final : public Clock {
public:
    SteadyTime steadyNow() const override;
    UtcTime utcNow() const override;
    void sleepUntil(SteadyTime until) override;
};

// The program-wide clock: a real clock unless a test installed another one.
Clock& gf_clock();

// Installs `clock` as the program-wide clock (nullptr restores the real one). The clock must
// outlive its use; tests install theirs before starting threads that read it.
void gf_setClock(Clock* clock);

} // namespace skyloom

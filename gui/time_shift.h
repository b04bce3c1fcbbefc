// The time shift: traffic as it was up to two weeks ago. The user chooses days, hours and
// minutes in the three time-shift combo boxes and pushes "Set", or the program follows the
// simulator's clock while SIM_TIME is on. A shift moves the program clock (and with it the
// clock texts and the static parking's weekday and half-hour slot) and the time offset of the
// web API's requests. The running feed cannot adopt a new shift, so a change restarts the run
// ("NEW SETTINGS"), except the shift taken from the simulator's clock for the first time in a
// run, which applies at once.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace skyloom {

class ProgramParameters;
class WindowSink;

// What a shift changes besides the shift itself.
struct TimeShiftLinks {
    ProgramParameters& parameters;
    WindowSink& window;
    // Stop reason "NEW SETTINGS" with detail 0; the restarted run takes the saved shift.
    std::function<void()> requestNewSettings;
};

// The time-shift controls as the run's road allows them (start-up): on the RT Direct road the
// three combo boxes, "Set", SIM_TIME and KEEP_SIM_TIME_PAR are enabled; on the RT App road,
// where the App keeps the time and none of them does anything, they are disabled and the
// section shown as such (update kind 34). Enabling sends nothing.
void gf_applyTimeShiftControls(ProgramParameters& parameters, WindowSink& window, bool rtDirect);

// "Time shifted {} minute{}": plural unless exactly 1 minute or negative.
std::string gf_timeShiftedText(std::int32_t minutes);

// Applies a shift in minutes: the program clock and the web API's offset take it (at most two
// weeks), the time-shift parameters too unless it came from them (`fromCombos`), the status
// line tells it, and unless `noRestart` the run restarts. A shift of 0 while none was in force
// only shows "Time shift = 0".
void gf_setTimeShift(const TimeShiftLinks& links, std::int32_t minutes, bool noRestart,
                     bool fromCombos);

// The simulator's clock as the simulator link last reported it.
struct SimClockReading {
    bool valid = false;
    std::int64_t utcSeconds = 0; // seconds since 1970-01-01 UTC
};

// Follows the simulator's clock on the main worker: a clock that jumped by 30 s or more since
// the last check becomes the shift (real UTC minus simulator UTC, in whole minutes, never
// below 0). The first such shift of a run applies at once; a later one restarts the run.
class SimTimeFollower {
public:
    // gf_followSimTime: one check, with the real UTC time now in whole seconds.
    void follow(const TimeShiftLinks& links, SimClockReading sim, std::int64_t utcNowSeconds,
                bool rtDirect);
    // The restart path: the next run's first shift applies at once again.
    void prepareForRestart() noexcept;

private:
    void shiftToSimTime(const TimeShiftLinks& links, std::int32_t minutes, bool rtDirect);

    std::int64_t lastSeenSimSeconds_ = 0; // 0: none seen
    bool firstTime_ = true;
};

// The program's follower (main worker only).
SimTimeFollower& gf_simTimeFollower();

} // namespace skyloom

#include "gui/time_shift.h"

#include <algorithm>
#include <cstdlib>
#include <initializer_list>
#include <limits>

#include <fmt/format.h>

#include "config/option_parameters.h"
#include "config/parameters.h"
#include "feed/rtapi_time_shift.h"
#include "foundation/log_file.h"
#include "foundation/program_clock.h"
#include "runtime/window_sink.h"

namespace skyloom {

namespace {

constexpr std::int32_t kMinutesPerDay = 24 * 60;
constexpr std::int32_t kMinutesPerHour = 60;
// A simulator clock that moved less than this since the last check is the same clock.
constexpr std::int64_t kSimClockJumpSeconds = 30;

// The longest shift the three combo boxes hold (13 days, 23 hours, 59 minutes).
std::int32_t lf_longestComboShift(const ProgramParameters& p) {
    return (p.TIME_SHIFT_DAYS.maximum() * 24 + p.TIME_SHIFT_HOURS.maximum()) * kMinutesPerHour +
           p.TIME_SHIFT_MINS.maximum();
}

// Writes a shift back into the three time-shift parameters and their combo boxes, and
// republishes them. A shift longer than they hold becomes the longest they hold, so that what
// they show is what is in force: the returned minutes.
std::int32_t lf_setTimeShiftCombos(ProgramParameters& p, std::int32_t minutes) {
    minutes = std::clamp(minutes, 0, lf_longestComboShift(p));
    const std::int32_t days = minutes / kMinutesPerDay;
    const std::int32_t rest = minutes - days * kMinutesPerDay;
    const std::int32_t hours = rest / kMinutesPerHour;
    const std::int32_t mins = rest - hours * kMinutesPerHour;
    const std::pair<IntListParameter*, std::int32_t> parts[] = {
        {&p.TIME_SHIFT_DAYS, days}, {&p.TIME_SHIFT_HOURS, hours}, {&p.TIME_SHIFT_MINS, mins}};
    for (const auto& [parameter, value] : parts) {
        parameter->setValue(value);
        parameter->selectCurrent();
    }
    p.applySettings(p.TIME_SHIFT_DAYS);
    return minutes;
}

// The program clock and both copies the web API reads.
void lf_storeShiftMinutes(std::int32_t minutes) noexcept {
    const std::int32_t limited = std::min(minutes, kMaxTimeShiftMinutes);
    g_timeShiftMinutes.store(limited);
    gf_setRtApiTimeShift(limited);
}

} // namespace

void gf_applyTimeShiftControls(ProgramParameters& p, WindowSink& window, bool rtDirect) {
    for (const OptionControl* control : std::initializer_list<const OptionControl*>{
             &p.TIME_SHIFT_DAYS, &p.TIME_SHIFT_HOURS, &p.TIME_SHIFT_MINS, &p.setButton,
             &p.SIM_TIME, &p.KEEP_SIM_TIME_PAR}) {
        control->enable(rtDirect);
    }
    if (!rtDirect) {
        window.enqueueUpdate(GuiUpdate::TimeShiftControlsDisabled{});
    }
}

std::string gf_timeShiftedText(std::int32_t minutes) {
    return fmt::format("Time shifted {} minute{}", minutes, minutes == 1 || minutes < 0 ? "" : "s");
}

void gf_setTimeShift(const TimeShiftLinks& links, std::int32_t minutes, bool noRestart,
                     bool fromCombos) {
    const bool wasActive = g_timeShiftActive.exchange(minutes > 0);
    if (!fromCombos) {
        minutes = lf_setTimeShiftCombos(links.parameters, minutes);
    }
    lf_storeShiftMinutes(minutes);
    if (minutes == 0 && !wasActive) {
        links.window.showStatusText("Time shift = 0", true);
        return;
    }
    links.window.showStatusText(gf_timeShiftedText(minutes), true);
    if (!noRestart && links.requestNewSettings) {
        links.requestNewSettings();
    }
}

void SimTimeFollower::follow(const TimeShiftLinks& links, SimClockReading sim,
                             std::int64_t utcNowSeconds, bool rtDirect) {
    if (!sim.valid) {
        lastSeenSimSeconds_ = 0;
        return;
    }
    if (std::llabs(sim.utcSeconds - lastSeenSimSeconds_) >= kSimClockJumpSeconds) {
        const std::int64_t behind =
            std::max<std::int64_t>((utcNowSeconds - sim.utcSeconds) / 60, 0);
        // A clock years behind must not overflow; the two-week limit applies below.
        const auto minutes = static_cast<std::int32_t>(
            std::min<std::int64_t>(behind, std::numeric_limits<std::int32_t>::max()));
        shiftToSimTime(links, minutes, rtDirect);
    }
    lastSeenSimSeconds_ = sim.utcSeconds;
}

void SimTimeFollower::prepareForRestart() noexcept {
    firstTime_ = true;
    lastSeenSimSeconds_ = 0;
    g_timeShiftActive.store(false);
}

// On the RT App road the App follows the simulator's time itself: the program only shows
// the shift (its combo boxes and offset stay) and restarts for a later jump.
void SimTimeFollower::shiftToSimTime(const TimeShiftLinks& links, std::int32_t minutes,
                                     bool rtDirect) {
    if (minutes == 0 && firstTime_) {
        return;
    }
    g_timeShiftActive.store(minutes > 0);
    if (minutes > kMaxTimeShiftMinutes) {
        LogFile::writeImportant("time shift is limited to 2 weeks !");
        minutes = kMaxTimeShiftMinutes;
    }
    if (rtDirect) {
        minutes = lf_setTimeShiftCombos(links.parameters, minutes);
    }
    links.window.showStatusText(gf_timeShiftedText(minutes), true);
    if (firstTime_) {
        firstTime_ = false;
        if (rtDirect) {
            lf_storeShiftMinutes(minutes);
        }
        return;
    }
    lastSeenSimSeconds_ = 0;
    g_timeShiftActive.store(false);
    if (links.requestNewSettings) {
        links.requestNewSettings();
    }
}

SimTimeFollower& gf_simTimeFollower() {
    static SimTimeFollower follower;
    return follower;
}

} // namespace skyloom

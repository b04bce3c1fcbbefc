#include "app/main_loop.h"

#include <utility>

#include "config/startup_choices.h"
#include "feed/rt_app_link.h"
#include "gui/gui.h"
#include "gui/parking_interval.h"
#include "platform/os/timer_period.h"
#include "runtime/current_day_slot.h"
#include "runtime/stop_request.h"
#include "runtime/user_aircraft.h"
#include "sim/ai_position_batch.h"

namespace skyloom {
namespace {

constexpr std::uint64_t kCyclesPerAppPosition = 20;

} // namespace

MainLoop::MainLoop(const MainRunContext& context, std::stop_token token)
    : context_(context), token_(std::move(token)) {}

bool MainLoop::keepRunning() const noexcept {
    return context_.stop.keepRunning() && !token_.stop_requested();
}

void MainLoop::run() {
    const os::TimerPeriod timerPeriod(kMainLoopTimerPeriodMs);
    Clock& clock = context_.clock;
    beforeFirstCycle();
    Clock::SteadyTime next = clock.steadyNow();
    while (keepRunning()) {
        cycle();
        if (context_.cycleObserver) {
            context_.cycleObserver(*this);
        }
        next += kMainCycle;
        const Clock::SteadyTime now = clock.steadyNow();
        if (now - next > kMainLoopResyncBehind) {
            // Running the missed cycles back to back would only burst through them; the
            // schedule starts afresh from now instead.
            ++counters_.resyncs;
            // Positions of before the gap would make the AI objects glide across it.
            gf_emptyAIPositionBatch();
            next = now;
        }
        clock.sleepUntil(next);
    }
}

void MainLoop::beforeFirstCycle() {
    gf_refreshCurrentDaySlot();
    // Live-traffic delivery (gf_enableTrafficMailbox(true)) is turned on here, and again from
    // the user-data step, once the traffic step that takes from the mailbox is part of the
    // cycle. Until then delivery stays off as the feed's start-up left it: nothing would take
    // the batches, and a mailbox that is never emptied stalls the run after a minute.
}

// Within a cycle the simulator's events and the traffic step come first (while the flight
// runs), then what the simulator link reported about the user aircraft, then the slower steps.
void MainLoop::cycle() {
    ++counters_.cycles;
    if (context_.user.groundDataReceived.exchange(false)) {
        userDataStep();
    }
    // Five times a second the user aircraft's state becomes the published user position and
    // the App hears of it; both join the traffic step's 20-tick tasks once the traffic step is
    // part of the program.
    if (counters_.cycles % kCyclesPerAppPosition == 0) {
        context_.user.publishPosition(context_.user.state());
        if (!gf_isRtDirect()) {
            gf_sendPositionToApp();
        }
    }
    if (counters_.cycles % kCyclesPerSecondStep == 0) {
        secondStep();
    }
}

// The DaySlot comes first: what follows in this step (real-stand learning, parked targets)
// works in the slot it gives.
void MainLoop::userDataStep() {
    ++counters_.userDataSteps;
    gf_refreshCurrentDaySlot();
}

void MainLoop::secondStep() {
    ++counters_.secondSteps;
    context_.gui.enqueueUpdate(GuiUpdate::StatusExpiryTick{});
    if (const auto minutes = gf_takeParkingIntervalMinutes()) {
        // A new interval restarts the countdown.
        parkingIntervalMinutes_ = *minutes > 0 ? *minutes : 0;
        parkingMinutesLeft_ = parkingIntervalMinutes_;
    }
    if (counters_.secondSteps % kSecondStepsPerMinuteStep == 0) {
        minuteStep();
    }
    if (gf_isParkingSlot(counters_.secondSteps)) {
        parkingSlot();
    }
}

void MainLoop::minuteStep() {
    ++counters_.minuteSteps;
    if (parkingIntervalMinutes_ > 0) {
        --parkingMinutesLeft_;
        if (parkingMinutesLeft_ <= 0) {
            parkingMinutesLeft_ = parkingIntervalMinutes_;
        }
        context_.gui.enqueueUpdate(GuiUpdate::NextParkingUpdate{parkingMinutesLeft_});
    }
}

// The park airport is chosen, kept or left here, and a requested static-parking update runs
// here, once the parking subsystem is part of the program.
void MainLoop::parkingSlot() {
    ++counters_.parkingSlots;
}

} // namespace skyloom

#include "app/main_loop.h"

#include <utility>

#include "app/program_mailbox.h"

#include "config/startup_choices.h"
#include "feed/rt_app_link.h"
#include "gui/gui.h"
#include "gui/parking_interval.h"
#include "platform/os/timer_period.h"
#include "runtime/current_day_slot.h"
#include "runtime/stop_request.h"
#include "runtime/user_aircraft.h"
#include "sim/ai_position_batch.h"
#include "sim/sim_command_queue.h"
#include "sim/sim_event_queue.h"
#include "sim/sim_link_state.h"
#include "traffic/static_traffic.h"
#include "traffic/traffic_mailbox.h"
#include "traffic/traffic_step.h"
#include "traffic/traffic_tick.h"

namespace skyloom {

MainLoop::MainLoop(const MainRunContext& context, std::stop_token token)
    : context_(context), token_(std::move(token)),
      traffic_(gf_simCommandQueue(), gf_simEventQueue(), gf_aiPositionBatch(), context.clock,
               g_trafficTick) {
    lf_initTrafficState(traffic_);
    traffic_.mailbox = &gf_trafficMailbox();
    traffic_.user = &context.user;
    gf_installStaticSteps(traffic_.steps);
    traffic_.steps.sendPositionToApp = [] {
        if (!gf_isRtDirect()) {
            gf_sendPositionToApp();
        }
    };
}

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
    gf_enableTrafficMailbox(true);
}

// Within a cycle the simulator's events and the traffic step come first (while the flight
// runs), then what the simulator link reported about the user aircraft, then the slower steps.
void MainLoop::cycle() {
    ++counters_.cycles;
    if (context_.user.groundDataReceived.exchange(false)) {
        userDataStep();
    }
    // The traffic step also publishes the user position and tells the App of it.
    if (g_simConnectionState.load() == SimConnectionState::running) {
        lf_handleAddingStack(traffic_);
    } else if (gf_trafficMailbox().deliveryEnabled()) {
        // Nothing takes the batches while no flight runs: a mailbox never emptied would stall.
        gf_enableTrafficMailbox(false);
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
    gf_enableTrafficMailbox(true);
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

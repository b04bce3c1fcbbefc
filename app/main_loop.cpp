#include "app/main_loop.h"

#include <utility>

#include "app/program_mailbox.h"
#include "app/program_parking.h"
#include "app/program_static_parking.h"

#include "config/parameters.h"
#include "config/params_snapshot.h"
#include "config/program_paths.h"
#include "config/startup_choices.h"
#include "config/window_requests.h"
#include "feed/rt_app_link.h"
#include "gui/block_commands.h"
#include "gui/gui.h"
#include "gui/parking_interval.h"
#include "gui/time_shift.h"
#include "platform/os/timer_period.h"
#include "runtime/current_day_slot.h"
#include "runtime/stop_reason.h"
#include "runtime/stop_request.h"
#include "runtime/user_aircraft.h"
#include "sim/ai_position_batch.h"
#include "sim/sim_command_queue.h"
#include "sim/sim_event_queue.h"
#include "sim/sim_link_state.h"
#include "traffic/live_spawn.h"
#include "traffic/live_update.h"
#include "traffic/live_views.h"
#include "traffic/bulk_removals.h"
#include "traffic/livery_failures.h"
#include "traffic/parked_collisions.h"
#include "traffic/record_cleanup.h"
#include "traffic/traffic_counts.h"
#include "traffic/static_traffic.h"
#include "traffic/traffic_mailbox.h"
#include "traffic/user_collisions.h"
#include "traffic/traffic_step.h"
#include "traffic/traffic_tick.h"
#include "parking/parking_state.h"

namespace skyloom {

namespace {

// The quarantine outlives a run: a restart must not let a jumping aircraft back in.
QuarantineMap& lf_programQuarantine() {
    static QuarantineMap quarantine;
    return quarantine;
}

} // namespace

MainLoop::MainLoop(const MainRunContext& context, std::stop_token token)
    : context_(context), token_(std::move(token)), services_(context.services()),
      traffic_(gf_simCommandQueue(), gf_simEventQueue(), gf_aiPositionBatch(), context.clock,
               g_trafficTick),
      parking_(gf_programParkingContext(context.user, services_)) {
    lf_initTrafficState(traffic_);
    traffic_.mailbox = &gf_trafficMailbox();
    traffic_.user = &context.user;
    traffic_.quarantine = &lf_programQuarantine();
    gf_installLiveTrafficSteps(traffic_.steps);
    // From now on the traffic step takes the feed's batches and decodes them.
    gf_trafficMailbox().setDecoder(&decoder_);
    traffic_.services = &services_;
    traffic_.steps.cleanupLiveAircraft = lf_cleanupLiveAircraft;
    traffic_.steps.reportLiveryCreationFailure = gf_reportLiveryCreationFailure;
    traffic_.steps.userGroundTermNm = lf_userGroundCollisionTermNm;
    gf_installStaticSteps(traffic_.steps);
    gf_wireStaticParking(parking_, traffic_);
    // The park airport's runways are read once parking has loaded its stands.
    parking_.steps.correctRunwayHeadings = [this](const IcaoCode& icao, std::string_view source) {
        world_.correctRunwayHeadings(icao, source);
    };
    traffic_.steps.sendPositionToApp = [] {
        if (!gf_isRtDirect()) {
            gf_sendPositionToApp();
        }
    };
}

MainLoop::~MainLoop() {
    gf_trafficMailbox().setDecoder(nullptr);
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
    // The restart's reset: nothing of this run reaches the next one (the quarantine aside).
    if (gf_stopReasonRestarts(context_.stop.current().reason)) {
        lf_resetTrafficState(traffic_);
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
    userData_.queueForNewConnection(gf_simCommandQueue());
    if (context_.user.groundDataReceived.exchange(false)) {
        userDataStep();
    }
    // "Block" and "Flush" take their aircraft out at once, not at the next user-data step.
    if (context_.requests.blockApplied.exchange(false, std::memory_order_acquire) &&
        traffic_.steps.removeBlockedAc) {
        traffic_.steps.removeBlockedAc(traffic_);
    }
    if (context_.requests.flush.exchange(false, std::memory_order_acquire)) {
        gf_removeAllStatic(traffic_);
    }
    // The traffic step also publishes the user position and tells the App of it.
    if (g_simConnectionState.load() == SimConnectionState::running) {
        lf_handleAddingStack(traffic_);
    } else if (gf_trafficMailbox().deliveryEnabled()) {
        // Nothing takes the batches while no flight runs: a mailbox never emptied would stall.
        gf_enableTrafficMailbox(false);
    }
    if (counters_.cycles % kParkingSlotEvery == 0) {
        gf_enableParkingControlsWhenPlanned(parking_);
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
    if (traffic_.steps.removeBlockedAc) {
        traffic_.steps.removeBlockedAc(traffic_);
    }
    if (context_.requests.aircraftList.exchange(false, std::memory_order_acquire)) {
        const auto selector =
            static_cast<AirGroundSelector>(gf_paramsSnapshot()->ALL_AIR_GND_SELECTOR);
        gf_showAircraftList(gf_params(), gf_liveAircraftList(traffic_, selector));
    }
    gf_checkUserCollisions(traffic_);
    gf_checkLiveVsParkedCollisions(traffic_);
    gf_handleCategoryRemovals(traffic_, context_.requests);
    if (gf_paramsSnapshot()->SIM_TIME) {
        followSimTime();
    }
}

// A shift taken from the simulator's clock; a later jump of it restarts the run.
void MainLoop::followSimTime() {
    const UserAircraft& user = context_.user;
    StopControl& stop = context_.stop;
    const TimeShiftLinks links{gf_params(), context_.gui,
                               [&stop] { gf_requestStop(stop, StopReason::newSettings, 0); }};
    const SimClockReading sim{user.simUtcValid.load(), user.simUtcSeconds.load()};
    const auto now = std::chrono::duration_cast<std::chrono::seconds>(
        context_.clock.utcNow().time_since_epoch());
    gf_simTimeFollower().follow(links, sim, now.count(), gf_isRtDirect());
}

void MainLoop::secondStep() {
    ++counters_.secondSteps;
    context_.gui.enqueueUpdate(GuiUpdate::StatusExpiryTick{});
    world_.refresh();
    traffic_.motionWorld.parkAirportReady = parking_.state.airportFileApplied;
    gf_removeTCASCoverageAcs(traffic_);
    gf_postTrafficCounts(traffic_);
    if (counters_.secondSteps % kSecondStepsPerParkedVersionCheck == 0) {
        gf_checkForAllGndIfParkedVersionExistsAndRemove(traffic_);
    }
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
    if (gf_paramsSnapshot()->OBJECTID_LIST) {
        lf_writeObjectIdList(traffic_, gf_objectIdListPath());
    }
    if (parkingIntervalMinutes_ > 0) {
        --parkingMinutesLeft_;
        if (parkingMinutesLeft_ <= 0) {
            parkingMinutesLeft_ = parkingIntervalMinutes_;
            // The park airport's stands are read again and planned afresh.
            if (parking_.state.airportFileApplied) {
                parking_.state.parkingUpdateRequested = true;
            }
        }
        context_.gui.enqueueUpdate(GuiUpdate::NextParkingUpdate{parkingMinutesLeft_});
    }
}

// The park airport is chosen, kept or left here, and a requested static-parking update runs.
void MainLoop::parkingSlot() {
    ++counters_.parkingSlots;
    gf_runParkingStep(parking_);
}

} // namespace skyloom

#include "app/main_loop.h"

#include <algorithm>
#include <utility>

#include "app/program_mailbox.h"
#include "app/program_parking.h"
#include "app/program_traffic.h"
#include "app/unsaved_files_notice.h"
#include "config/parameters.h"
#include "config/params_snapshot.h"
#include "config/program_paths.h"
#include "config/startup_choices.h"
#include "config/window_requests.h"
#include "feed/rt_app_link.h"
#include "foundation/geodesy.h"
#include "gui/block_commands.h"
#include "gui/gui.h"
#include "gui/parking_interval.h"
#include "gui/time_shift.h"
#include "gui/traffic_range.h"
#include "parking/airport_store.h"
#include "parking/parking_state.h"
#include "parking/real_stand_options.h"
#include "parking/stand_helpers.h"
#include "parking/static_parking.h"
#include "parking/static_parking_state.h"
#include "platform/os/timer_period.h"
#include "refdata/park_airport.h"
#include "runtime/current_day_slot.h"
#include "runtime/stop_reason.h"
#include "runtime/stop_request.h"
#include "runtime/user_aircraft.h"
#include "sim/ai_position_batch.h"
#include "sim/sim_command_queue.h"
#include "sim/sim_event_queue.h"
#include "sim/sim_link_state.h"
#include "traffic/removals/bulk_removals.h"
#include "traffic/decode/live_spawn.h"
#include "traffic/step/live_update.h"
#include "traffic/step/live_views.h"
#include "traffic/decode/livery_failures.h"
#include "traffic/removals/parked_collisions.h"
#include "traffic/removals/record_cleanup.h"
#include "traffic/step/sim_event_drain.h"
#include "traffic/stands/static_traffic.h"
#include "traffic/step/traffic_counts.h"
#include "traffic/step/traffic_mailbox.h"
#include "traffic/step/traffic_step.h"
#include "traffic/step/traffic_tick.h"
#include "traffic/removals/user_collisions.h"

namespace skyloom {

MainLoop::MainLoop(const MainRunContext& context, ProgramTraffic& program, std::stop_token token)
    : context_(context), token_(std::move(token)), services_(program.services()),
      traffic_(program.traffic()), parking_(program.parking()),
      relaunch_(g_simConnectionCount.load()) {
    // From now on the traffic step takes the feed's batches and decodes them.
    gf_trafficMailbox().setDecoder(&decoder_);
    refreshTrafficOptions();
    gf_refreshMotionWorld(traffic_);
    // What the window changed before the loop began is the plan's starting point, not a change.
    parkOptions_.takeCurrent(context_.requests, *gf_paramsSnapshot());
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
    anchorTraffic(next);
    while (keepRunning()) {
        cycle();
        if (context_.cycleObserver) {
            context_.cycleObserver(*this);
        }
        next += kMainCycle;
        if (!trafficStepped_) {
            anchorTraffic(next);
        }
        const Clock::SteadyTime now = clock.steadyNow();
        if (now - next > kMainLoopResyncBehind) {
            // Running the missed cycles back to back would only burst through them; the
            // schedule starts afresh from now instead.
            ++counters_.resyncs;
            catchUpTraffic(now);
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

void MainLoop::anchorTraffic(Clock::SteadyTime at) {
    trafficAnchorTime_ = at;
    trafficAnchorTick_ = traffic_.currentTick();
}

// The feed times its reports by the traffic tick, and the aircraft move by it: a tick that
// counted only the cycles run would leave every aircraft behind its reports after each gap,
// racing to catch up with the next ones. The tick is brought to the clock instead, the
// aircraft moving through the ticks of the gap.
void MainLoop::catchUpTraffic(Clock::SteadyTime now) {
    if (!trafficStepped_) {
        anchorTraffic(now);
        return;
    }
    const auto sinceAnchor = static_cast<std::uint32_t>((now - trafficAnchorTime_) / kMainCycle);
    // Modulo 2^32 like the tick itself; a tick ahead of the clock (a long parking plan counts
    // its time in ticks as well) waits for the clock.
    const auto behind =
        static_cast<std::int32_t>(trafficAnchorTick_ + sinceAnchor - traffic_.currentTick());
    if (behind <= 0) {
        return;
    }
    const std::uint32_t ticks =
        std::min(static_cast<std::uint32_t>(behind), kMainLoopMostCatchUpTicks);
    gf_catchUpTraffic(traffic_, ticks);
    counters_.caughtUpTicks += ticks;
    if (ticks < static_cast<std::uint32_t>(behind)) {
        counters_.givenUpTicks += static_cast<std::uint32_t>(behind) - ticks;
        anchorTraffic(now);
    }
}

// A park airport kept from before (a restart) has its static parking loaded at once, not at
// the first parking slot.
void MainLoop::beforeFirstCycle() {
    gf_refreshCurrentDaySlot();
    gf_enableTrafficMailbox(true);
    const AirportEntry park = parking_.entry.get();
    if (park.icao.isSet() && gf_isValidLalo(park.position()) && gf_airportFileExists(park.icao)) {
        parking_.state.parkingUpdateRequested = false;
        lf_updateStaticParking(parking_);
    }
}

void MainLoop::takeWindowRequests() {
    WindowRequests& requests = context_.requests;
    // "Block" and "Flush" take their aircraft out at once, not at the next user-data step.
    if (requests.blockApplied.exchange(false, std::memory_order_acquire)) {
        gf_removeBlockedAc(traffic_);
    }
    if (requests.flush.exchange(false, std::memory_order_acquire)) {
        gf_removeAllStatic(traffic_);
    }
    // "Park": the park airport's stands are read again and planned afresh at the next slot.
    if (requests.staticParkingUpdates.exchange(0) != 0) {
        parking_.state.parkingUpdateRequested = true;
    }
    if (requests.maxParkChanged.exchange(false, std::memory_order_acquire)) {
        limitParkedAircraft();
    }
    if (requests.maxLiveChanged.exchange(false, std::memory_order_acquire)) {
        trimLiveAircraft();
    }
    // A deeper matching may find a livery where the shallower one found none: those aircraft
    // may try again.
    if (requests.matchingDepthRaised.exchange(false, std::memory_order_acquire)) {
        traffic_.noLiveryKeys.clear();
    }
}

// Within a cycle the simulator's events and the traffic step come first (while the flight
// runs), then what the simulator link reported about the user aircraft, then the slower steps.
void MainLoop::cycle() {
    ++counters_.cycles;
    userData_.queueForNewConnection(gf_simCommandQueue());
    // The state is read once, before the connection count: the simulator link counts a new
    // connection before it reports it connected, so a cycle that sees the new connection
    // running also sees its count and starts the traffic over before it steps any of it.
    // Reading the state again later could step the old connection's aircraft on the new one.
    const SimConnectionState simState = g_simConnectionState.load();
    const bool simConnected = simState == SimConnectionState::connected ||
                              simState == SimConnectionState::running;
    if (const std::uint32_t connection = g_simConnectionCount.load();
        relaunch_.takeNewConnection(connection, simConnected)) {
        gf_startTrafficOver(traffic_, parking_, connection);
    }
    if (context_.user.groundDataReceived.exchange(false)) {
        userDataStep();
    }
    takeWindowRequests();
    // The traffic step also publishes the user position and tells the App of it.
    trafficStepped_ = simState == SimConnectionState::running;
    if (trafficStepped_) {
        lf_handleAddingStack(traffic_);
    } else if (gf_trafficMailbox().deliveryEnabled()) {
        // Nothing takes the batches while no flight runs: a mailbox never emptied would stall.
        gf_enableTrafficMailbox(false);
    }
    if (counters_.cycles % kParkingSlotEvery == 0) {
        gf_followStaticParkingPlan(parking_);
    }
    if (counters_.cycles % kCyclesPerSecondStep == 0) {
        secondStep();
    }
    // A save that failed in this cycle (the parking step's learned file, a park-airport list)
    // is named while what failed is still what the user just did.
    gf_showUnsavedFiles(context_.gui);
}

// The DaySlot comes first: what follows in this step (real-stand learning, parked targets)
// works in the slot it gives.
void MainLoop::userDataStep() {
    ++counters_.userDataSteps;
    gf_refreshCurrentDaySlot();
    gf_enableTrafficMailbox(true);
    refreshTrafficOptions();
    lf_runParkedAircraftActions(traffic_);
    gf_removeBlockedAc(traffic_);
    trimLiveAircraft();
    if (context_.requests.aircraftList.exchange(false, std::memory_order_acquire)) {
        const auto selector =
            static_cast<AirGroundSelector>(gf_paramsSnapshot()->ALL_AIR_GND_SELECTOR);
        gf_showAircraftList(gf_params(), gf_liveAircraftList(traffic_, selector));
    }
    gf_checkUserCollisions(traffic_);
    gf_checkLiveVsParkedCollisions(traffic_);
    gf_checkArrivedAircraft(traffic_);
    limitParkedAircraft();
    gf_handleCategoryRemovals(traffic_, context_.requests);
    matchNewLiveAircraft();
    applyParkOptionChange();
    const auto settings = gf_paramsSnapshot();
    if (settings->SIM_TIME) {
        followSimTime();
    }
    // By hand the radius is the user's RANGE, which an automatic one must not overwrite.
    if (settings->AUTO_RANGE) {
        gf_computeAutoRange(gf_params(), context_.user);
    }
}

void MainLoop::refreshTrafficOptions() {
    const auto settings = gf_paramsSnapshot();
    traffic_.options.collisionUserGround = settings->COLLISION_USER_GND;
    traffic_.options.navLightsWhileParked = settings->NAV_LIGHTS_WHILE_PARKED ? 1 : 0;
    traffic_.options.random = settings->RANDOM;
}

// Removes the furthest active live aircraft while more than MAX_LIVE_SEL are shown or on their
// way in. Each removal takes one aircraft out of the count; a call that removes nothing ends it.
void MainLoop::trimLiveAircraft() {
    const std::int32_t limit = gf_paramsSnapshot()->MAX_LIVE_SEL;
    if (limit == kUnlimitedLiveAircraft) {
        return;
    }
    // Bounded: a removal that cannot take its aircraft out would otherwise pick it again.
    for (std::size_t tries = traffic_.liveAircraft.size();
         tries > 0 && gf_liveAircraftShown(traffic_) > static_cast<std::size_t>(limit); --tries) {
        if (lf_isThisTheFurthestLive(traffic_, -1.0)) {
            return;
        }
    }
}

// The wanted number of parked aircraft follows the parking share and MAX_PARK_SEL; without the
// park airport's stands there is no target and no limit to keep.
void MainLoop::limitParkedAircraft() {
    if (!parking_.state.stands.empty()) {
        const auto settings = gf_paramsSnapshot();
        traffic_.maxParked = gf_setParkedAircraftTarget(
            parking_.state, settings->parking_percentage, settings->MAX_PARK_SEL, services_.window);
    }
    gf_limitParkedAircraft(traffic_, 0, gf_currentDaySlot());
}

// A live aircraft seen for the first time takes the callsign pair of the stand use it matches
// (its flight and the one it leaves as); each aircraft is matched once.
void MainLoop::matchNewLiveAircraft() {
    const std::uint64_t now = gf_currentDaySlot();
    for (LiveAircraft& aircraft : traffic_.liveAircraft) {
        if (aircraft.realOptionsMatched != 0) {
            continue;
        }
        aircraft.realOptionsMatched = 1;
        if (const auto matched =
                gf_matchRealStandOptions(parking_.state.stands, now, aircraft.base)) {
            aircraft.base.displayCallsign = matched->callsign;
            aircraft.base.thirdText = matched->callsign2;
        }
    }
}

// A changed park option re-plans the park airport's stands from the aircraft already there;
// without stands there is nothing to adjust and the next plan reads the options anyway.
void MainLoop::applyParkOptionChange() {
    const auto settings = gf_paramsSnapshot();
    if (!parkOptions_.pending(context_.requests, *settings)) {
        return;
    }
    const bool rtOnlySwitchedTo = parkOptions_.takeCurrent(context_.requests, *settings);
    if (parking_.state.stands.empty()) {
        return;
    }
    parking_.staticParking.generating = true;
    context_.requests.parkingGenerating.store(true);
    context_.gui.redrawAirportPanel();
    gf_adjustParking(parking_, rtOnlySwitchedTo);
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
    gf_refreshMotionWorld(traffic_);
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
// It waits while a park option change is pending: the adjustment comes first. The options the
// step leaves (an airport file's own) are where the user's next change starts from.
void MainLoop::parkingSlot() {
    const auto settings = gf_paramsSnapshot();
    if (parkOptions_.pending(context_.requests, *settings)) {
        return;
    }
    ++counters_.parkingSlots;
    gf_runParkingStep(parking_);
    parkOptions_.takeCurrent(context_.requests, *gf_paramsSnapshot());
}

} // namespace skyloom

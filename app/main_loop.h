// The main loop of the main worker thread: one cycle every 10 ms against the steady clock,
// under a 1 ms system timer period. A loop that falls more than 100 ms behind does not race
// to catch up but re-synchronises its schedule to now; the traffic's time stays on the clock
// all the same: the live aircraft move through the traffic ticks of the dropped cycles at
// once (at most kMainLoopMostCatchUpTicks; beyond that the traffic's time gives up the rest,
// as a longer playback delay). Within the cycles run the loop's slower steps:
// - the user aircraft's data requests, at the first cycle of each new simulator connection;
// - the user-data step, whenever the simulator link reports that the user aircraft's
//   once-a-second on-ground reply has arrived: the parked aircraft's next due action, the
//   blocked aircraft and the live aircraft beyond MAX_LIVE_SEL are removed, the aircraft
//   selector is filled when "Aircraft" asked for it, collisions are checked, the parked
//   aircraft are kept within their target, newly seen live aircraft are matched against the
//   park airport's real stand options, a changed park option adjusts the parking, while
//   SIM_TIME is on the time shift follows the simulator's clock, and with AUTO_RANGE on the
//   traffic radius follows the user aircraft's height;
// - the once-a-second step, every 100th cycle;
// - the 60 s step, every 60th once-a-second step;
// - the parking slot, at the once-a-second steps whose count is a multiple of 14 but not of 5
//   (so that it never falls on a 60 s step).
// The window's requests that need no user data ("Park", new limits of parked and live aircraft,
// a deeper livery matching) are taken at the next cycle.
// While the simulator's flight runs, every cycle is one traffic step on the loop's traffic state;
// otherwise live-traffic delivery is off. On a new simulator connection within the run the
// traffic starts over (app/sim_relaunch.h) before the first traffic step on it.
// The loop ends when the stop request is raised (or the worker is asked to stop).
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <stop_token>

#include "app/main_run_context.h"
#include "app/park_option_changes.h"
#include "app/sim_relaunch.h"
#include "app/user_data_requests.h"
#include "foundation/clock.h"
#include "parking/parking_context.h"
#include "runtime/run_services.h"
#include "traffic/decode/message_decoder.h"
#include "traffic/step/traffic_state.h"

namespace skyloom {

class ProgramTraffic;

inline constexpr std::chrono::milliseconds kMainCycle{10};
inline constexpr std::chrono::milliseconds kMainLoopResyncBehind{100};
// The most traffic ticks the live aircraft catch up at a re-synchronisation (30 s): a longer
// gap would cost as long again, and an aircraft's reports are stale by then anyway.
inline constexpr std::uint32_t kMainLoopMostCatchUpTicks = 3000;
inline constexpr unsigned kMainLoopTimerPeriodMs = 1;
inline constexpr std::uint64_t kCyclesPerSecondStep = 100;
inline constexpr std::uint64_t kSecondStepsPerMinuteStep = 60;
// Every this many once-a-second steps a live aircraft on the ground replaces its parked version.
inline constexpr std::uint64_t kSecondStepsPerParkedVersionCheck = 61;
inline constexpr std::uint64_t kParkingSlotEvery = 14;
inline constexpr std::uint64_t kParkingSlotNeverEvery = 5;

// True for the once-a-second step counts that are parking slots.
constexpr bool gf_isParkingSlot(std::uint64_t secondSteps) noexcept {
    return secondSteps % kParkingSlotEvery == 0 && secondSteps % kParkingSlotNeverEvery != 0;
}

// How often each part of the loop has run.
struct MainLoopCounters {
    std::uint64_t cycles = 0;
    std::uint64_t userDataSteps = 0;
    std::uint64_t secondSteps = 0;
    std::uint64_t minuteSteps = 0;
    std::uint64_t parkingSlots = 0;
    std::uint64_t resyncs = 0;
    // Traffic ticks caught up at re-synchronisations, and those given up beyond the most.
    std::uint64_t caughtUpTicks = 0;
    std::uint64_t givenUpTicks = 0;
};

class MainLoop {
public:
    // The context's clock, window and stop request, and the run's traffic and parking, must
    // outlive the loop.
    MainLoop(const MainRunContext& context, ProgramTraffic& program, std::stop_token token = {});
    // Takes the decoder out of the mailbox.
    ~MainLoop();
    MainLoop(const MainLoop&) = delete;
    MainLoop& operator=(const MainLoop&) = delete;

    // Runs cycles every 10 ms until the run is to end. Before the first cycle it refreshes
    // the current DaySlot; after the last, when the run ends for a restart, it resets the
    // traffic state.
    void run();
    // One cycle, with the slower steps that fall on it.
    void cycle();

    // True while the stop request is clear and the worker is not asked to stop.
    bool keepRunning() const noexcept;

    const MainLoopCounters& counters() const noexcept { return counters_; }
    // The minutes to the next parking update as the loop counts them; 0 while no interval
    // has been handed over.
    std::int32_t parkingUpdateMinutesLeft() const noexcept { return parkingMinutesLeft_; }
    Clock& clock() const noexcept { return context_.clock; }
    TrafficState& traffic() noexcept { return traffic_; }
    ParkingContext& parking() noexcept { return parking_; }

private:
    void beforeFirstCycle();
    // The traffic's time: the tick at the anchor's time and one per 10 ms since. The anchor
    // moves while no traffic step runs (the tick stands still then) and when a gap beyond the
    // most caught up is given up.
    void anchorTraffic(Clock::SteadyTime at);
    void catchUpTraffic(Clock::SteadyTime now);
    void takeWindowRequests();
    void userDataStep();
    void refreshTrafficOptions();
    void trimLiveAircraft();
    void limitParkedAircraft();
    void matchNewLiveAircraft();
    void applyParkOptionChange();
    void followSimTime();
    void secondStep();
    void minuteStep();
    void parkingSlot();

    const MainRunContext& context_;
    std::stop_token token_;
    MainLoopCounters counters_;
    std::int32_t parkingIntervalMinutes_ = 0;
    std::int32_t parkingMinutesLeft_ = 0;
    Clock::SteadyTime trafficAnchorTime_{};
    std::uint32_t trafficAnchorTick_ = 0;
    bool trafficStepped_ = false; // the last cycle ran a traffic step
    const RunServices& services_;
    TrafficState& traffic_;
    ParkingContext& parking_;
    UserDataRequests userData_;
    LiveTrafficDecoder decoder_{traffic_};
    ParkOptionChanges parkOptions_;
    SimRelaunch relaunch_;
};

} // namespace skyloom

#include "traffic/step/live_update.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include <fmt/format.h>

#include "config/startup_choices.h"
#include "foundation/log_file.h"
#include "foundation/text.h"
#include "runtime/current_day_slot.h"
#include "sim/ai_position.h"
#include "sim/ai_position_batch.h"
#include "sim/flight_plan_files.h"
#include "sim/sim_command_queue.h"
#include "traffic/step/aircraft_commands.h"
#include "liveries/livery_matching_summary.h"
#include "traffic/decode/livery_failures.h"
#include "traffic/ground/line_up.h"
#include "traffic/decode/live_spawn.h"
#include "traffic/motion/motion_driver.h"
#include "traffic/motion/tick_motion.h"
#include "traffic/motion/touch_down.h"
#include "traffic/stands/static_traffic.h"
#include "traffic/step/traffic_exception.h"

namespace skyloom {

namespace {

constexpr double kHalfPi = std::numbers::pi / 2;
constexpr double kTwoPi = 2 * std::numbers::pi;

bool lf_erasing(const LiveAircraft& aircraft) {
    const RemovalFlags& f = aircraft.removal;
    return f.eraseBySpawn != 0 || f.eraseAfterCleanup != 0 || f.eraseNow != 0;
}

void lf_updateActive(TrafficState& state, LiveAircraft& aircraft) {
    if (aircraft.stream.empty()) {
        const SentPosition& at = aircraft.sent;
        LogFile::writeImportant(fmt::format(
            "{} stream empty ? {}, hexid:{:x}, objectid:{}, alt:{:.0f} ft, lalo:{:.5f},{:.5f}, "
            "TAS:{:.0f}",
            "updateLiveAc", aircraft.base.callsign, aircraft.base.hexid,
            gf_hexidText(aircraft.objectId), at.altitudeFt, at.latitude, at.longitude,
            at.trueAirspeedKt));
        removeAircraftFromSim(state, aircraft, "no report left to fly");
        return;
    }
    if (static_cast<std::int64_t>(state.currentTick()) >= aircraft.stream.front().time) {
        if (lf_tooFarBehindToCatchUp(aircraft, static_cast<std::int32_t>(state.currentTick()))) {
            removeAircraftFromSim(
                state, aircraft,
                "it fell too far behind its reports to catch up before they ran out");
            return;
        }
        nextPosMain(state, aircraft);
        // The simulator gets the motion's vertical speed and airspeed, none while standing.
        aircraft.sent.verticalSpeedFpm = aircraft.step.presentVerticalSpeed;
        const bool standing = !aircraft.stream.empty() && aircraft.stream.front().stationary != 0;
        aircraft.sent.trueAirspeedKt = standing ? 0.0 : aircraft.step.targetTrueAirspeed;
    }
    if (aircraft.simState == SimState::active) {
        if (!aircraft.stream.empty() && aircraft.stream.front().stationary == 0) {
            lf_moveOneTick(state, aircraft);
        } else {
            const FlightPhase phase = aircraft.phase.phase;
            const bool steers =
                phase == FlightPhase::takeoff_roll ||
                (phase == FlightPhase::taxi && aircraft.phase.previous != FlightPhase::landing_roll);
            if (aircraft.motion.onGround != 0 && steers) {
                aircraft.base.workingHeadingRateRadPerTick = aircraft.base.headingRateRadPerTick;
                lf_steerHeading(aircraft, aircraft.step.targetHeading, false);
            }
        }
        // The standing and line-up tracker runs every tick, moving or not: a departure lines
        // up while its reports still creep forward.
        gf_trackLineUp(state, aircraft);
    }
    if (aircraft.objectId == 0) {
        LogFile::writeImportant(fmt::format("{} objectid=0? hexid: {:x},cs:{}, reg:{}, aimo:{} sz:{}",
                                            "updateLiveAc", aircraft.base.hexid,
                                            aircraft.base.callsign, aircraft.base.registration,
                                            gf_aircraftLogText(aircraft.base),
                                            aircraft.stream.size()));
        removeAircraftFromSim(state, aircraft, "it has no simulator object");
        return;
    }
    if (const auto position = lf_positionToSend(aircraft.sent)) {
        state.positions.setCurrent(aircraft.objectId, *position);
    }
}

} // namespace

std::optional<AIPosition> lf_positionToSend(const SentPosition& sent) noexcept {
    const double values[] = {sent.latitude,   sent.longitude,  sent.pitchRad,
                             sent.bankRad,    sent.headingRad, sent.altitudeFt,
                             sent.verticalSpeedFpm, sent.trueAirspeedKt};
    if (!std::all_of(std::begin(values), std::end(values),
                     [](double v) { return std::isfinite(v); })) {
        return std::nullopt;
    }
    double heading = sent.headingRad;
    if (heading < 0) {
        heading += kTwoPi;
    }
    if (heading >= kTwoPi || heading < 0) {
        heading = 0;
    }
    return AIPosition{sent.latitude,
                      sent.longitude,
                      std::clamp(sent.pitchRad, -kHalfPi, kHalfPi),
                      std::clamp(sent.bankRad, -kHalfPi, kHalfPi),
                      heading,
                      sent.altitudeFt,
                      sent.verticalSpeedFpm,
                      sent.trueAirspeedKt};
}

bool updateLiveAc(TrafficState& state, LiveAircraft& aircraft) {
    if (aircraft.simState == SimState::buffer) {
        lf_trySpawn(state, aircraft);
    } else if (aircraft.simState == SimState::active) {
        lf_updateActive(state, aircraft);
    }
    return lf_erasing(aircraft);
}

void hp_handleGroundTraffic(TrafficState& state, LiveAircraft& aircraft) {
    aircraft.motion.onGround = 1;
    gf_setGear(state.commands, aircraft, 1);
    if (aircraft.phase.phase == FlightPhase::parked) {
        const std::uint32_t standId = aircraft.stand.standId;
        aircraft.stand.daySlot = gf_currentDaySlot();
        LogFile::write(fmt::format("{:14}: {:8} parks", state.standIdText(standId),
                                   aircraft.base.callsign));
        const auto sid = static_cast<std::int32_t>(standId);
        lf_dropStaticParkRequestsForStand(state, sid);
        try {
            if (const auto removed = lf_removeStaticOnStand(state, sid)) {
                LogFile::write(fmt::format("{:14}: {:8} parks over static {} , static will be "
                                           "removed",
                                           state.standIdText(standId), aircraft.base.callsign,
                                           *removed));
            }
        } catch (...) {
            gf_reportTrafficException("hp_handleGroundTraffic");
        }
    }
    aircraft.motion.rotationCounter = 1;
}

void lf_assignFlightPlan(TrafficState& state, LiveAircraft& aircraft) {
    const AircraftBase& base = aircraft.base;
    if (!gf_isMsfs2020() || !base.origin.isSet() || !base.destination.isSet()) {
        return;
    }
    // The flight-plan files say why a plan failed, as often as a full disk lets the log bear.
    std::filesystem::path path = gf_createFlightPlan(
        aircraft.objectId, {base.category, base.origin, base.destination},
        fmt::format("{:8} {} {}", base.callsign, base.registration,
                    gf_origDestText(base.origin, base.destination)));
    if (path.empty()) {
        return;
    }
    state.commands.push(SimFlightPlanRequest{aircraft.objectId, std::move(path)});
}

} // namespace skyloom

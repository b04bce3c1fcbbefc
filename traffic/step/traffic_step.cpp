#include "traffic/step/traffic_step.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <numbers>
#include <vector>

#include <fmt/format.h>

#include "config/startup_choices.h"
#include "feed/rt_app_link.h"
#include "foundation/clock.h"
#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "foundation/log_file.h"
#include "runtime/user_aircraft.h"
#include "sim/ai_position_batch.h"
#include "sim/sim_command_queue.h"
#include "traffic/step/aircraft_commands.h"
#include "traffic/removals/record_cleanup.h"
#include "traffic/decode/new_sample_checks.h"
#include "traffic/decode/stream_start.h"
#include "traffic/step/sim_event_drain.h"
#include "traffic/step/traffic_exception.h"
#include "traffic/step/traffic_mailbox.h"
#include "traffic/removals/user_collisions.h"
#include "traffic/stands/park_airport_services.h"
#include "traffic/stands/static_traffic.h"
#include "traffic/step/live_update.h"
#include "traffic/step/traffic_state.h"
#include "traffic/removals/user_ground_check.h"

namespace skyloom {

namespace {

constexpr double kDegPerRad = 57.29577951308232;
constexpr double kNmPerDegree = 60.0;

bool lf_marked(const LiveAircraft& aircraft) {
    const RemovalFlags& f = aircraft.removal;
    return f.eraseBySpawn != 0 || f.eraseAfterCleanup != 0 || f.eraseNow != 0;
}

// Erases, keeping the order of the others, every record the predicate names, each after its
// cleanup.
template <typename Pred> void lf_sweep(TrafficState& state, Pred marked) {
    std::erase_if(state.liveAircraft, [&state, &marked](LiveAircraft& aircraft) {
        if (!marked(aircraft)) {
            return false;
        }
        lf_cleanupLiveAircraft(state, aircraft);
        return true;
    });
}

// An aircraft whose operation threw leaves the simulator and the list.
void lf_dropFailedAircraft(TrafficState& state, LiveAircraft& aircraft) {
    try {
        removeAircraftFromSim(state, aircraft, "an operation on it failed");
    } catch (...) {
        gf_reportTrafficException("removeAircraftFromSim");
        aircraft.removal.eraseAfterCleanup = 1;
    }
    if (aircraft.simState == SimState::adding2sim && aircraft.removal.eraseNow == 0) {
        // Its create is on its way: the assignment takes the object back.
        aircraft.removal.removalRequested = 1;
    }
}

// Where the simulator creates the aircraft: where it was placed. An aircraft on the ground is
// created on the ground, not falling from where it was put.
SIMCONNECT_DATA_INITPOSITION lf_createPosition(const LiveAircraft& aircraft) {
    const SentPosition& at = aircraft.sent;
    const std::uint32_t onGround =
        aircraft.stream.empty() || aircraft.stream.front().airborne != 0 ? 0 : 1;
    return {at.latitude, at.longitude, at.altitudeFt, at.pitchRad * kDegPerRad,
            at.bankRad * kDegPerRad, at.headingRad * kDegPerRad, onGround, 0};
}

void lf_paceRemovalsAndCreations(TrafficState& state) {
    TrafficPacing& pacing = state.pacing;
    if (++pacing.removal < kRemovalEveryTicks) {
        return;
    }
    pacing.removal = 0;
    if (!state.removalQueue.empty()) {
        const std::uint32_t objectId = state.removalQueue.front();
        state.removalQueue.pop_front();
        gf_queueRemoveAIObject(state.commands, state.positions, objectId);
        lf_noteRemovalSent(state, objectId);
    }
    lf_expireUnconfirmedRemovals(state);
    if (++pacing.create < kCreateEveryRemovalSlots) {
        return;
    }
    pacing.create = 0;
    if (state.simulatorFull) {
        return; // nothing is made, nor planned to be made, until the simulator has room
    }
    if (!state.liveCreateQueue.empty()) {
        SimCreateRequest request = std::move(state.liveCreateQueue.front());
        state.liveCreateQueue.pop_front();
        // Creates are paced: the aircraft starts where its reports put it by now.
        LiveAircraft* aircraft = state.findByHexid(request.hexid);
        if (aircraft != nullptr && aircraft->simState == SimState::adding2sim &&
            gf_startAtDueReport(state, *aircraft)) {
            request.position = lf_createPosition(*aircraft);
        }
        state.commands.push(std::move(request));
        return;
    }
    if (!state.staticCreateQueue.empty()) {
        state.commands.push(std::move(state.staticCreateQueue.front()));
        state.staticCreateQueue.pop_front();
    }
    if (!state.parkAirport.waitingParkRequests().empty()) {
        lf_parkWaitingStaticAircraft(state);
    }
}

void lf_popAddingStack(TrafficState& state) {
    if (state.addingStack.empty()) {
        return;
    }
    const std::uint32_t hexid = state.addingStack.back();
    state.addingStack.pop_back();
    const LiveAircraft* aircraft = state.findByHexid(hexid);
    if (aircraft == nullptr) {
        return;
    }
    const AircraftBase& base = aircraft->base;
    if (base.callsign.empty()) {
        LogFile::writeImportant(fmt::format("{} {} callsign empty", "lf_handleAddingStack",
                                            gf_aircraftLogText(base)));
        return;
    }
    SimCreateRequest request;
    request.position = lf_createPosition(*aircraft);
    request.callsign = base.callsign;
    request.liveryTitle = std::string(base.liveryTitle);
    request.hexid = hexid;
    state.liveCreateQueue.push_back(std::move(request));
}

void lf_userAircraftTask(TrafficState& state) {
    state.commands.push(SimDataRequest{SimDataRequestKind::userPosition, 0});
    const UserAircraftState user = state.user.state();
    state.user.publishPosition(user);
    if (state.options.collisionUserGround && user.positionKnown() && std::isfinite(user.altitudeAboveGround) &&
        user.altitudeAboveGround <= kUserGroundCheckMaxHeightFt) {
        std::vector<GroundCheckAircraft> live;
        live.reserve(state.liveAircraft.size());
        for (const LiveAircraft& a : state.liveAircraft) {
            live.push_back({{a.sent.latitude, a.sent.longitude}, a.base.halfWingspanNm,
                            a.simState == SimState::active, a.motion.onGround != 0});
        }
        const std::vector<GroundCheckAircraft> statics = gf_staticGroundCheckAircraft(state);
        const auto hit = gf_checkUserAcGndCollisions(
            user.position(), lf_userGroundCollisionTermNm(state), live, statics);
        if (hit && hit->live) {
            removeAircraftFromSim(state, state.liveAircraft[hit->index],
                                  "in the user's way on the ground");
            lf_eraseWithdrawnAircraft(state);
        } else if (hit) {
            gf_removeStaticAircraftAt(state, hit->index, "gf_checkUserAcGndCollisions");
        }
    }
    // The web API road learns the user's position through its own queries.
    if (!gf_isRtDirect()) {
        gf_sendPositionToApp();
    }
}

bool lf_blocksGround(const LiveAircraft& a) {
    const FlightPhase p = a.phase.phase;
    return a.simState == SimState::active && a.motion.onGround != 0 &&
           (p == FlightPhase::taxi || p == FlightPhase::takeoff_roll ||
            p == FlightPhase::landing_roll);
}

bool lf_conflicts(const LiveAircraft& a, const LiveAircraft& b) {
    const double r = a.base.conflictRadiusNm + b.base.conflictRadiusNm;
    if (!(r > 0)) {
        return false;
    }
    const double dy = (a.sent.latitude - b.sent.latitude) * kNmPerDegree;
    const double dx = (a.sent.longitude - b.sent.longitude) *
                      std::cos(a.sent.latitude * std::numbers::pi / 180.0) * kNmPerDegree;
    return r * r >= dx * dx + dy * dy;
}

void lf_checkGroundConflicts(TrafficState& state) {
    for (LiveAircraft& a : state.liveAircraft) {
        if (a.groundConflict == 0) {
            continue;
        }
        const bool hit = std::any_of(
            state.liveAircraft.begin(), state.liveAircraft.end(), [&a](const LiveAircraft& b) {
                return b.objectId != a.objectId && lf_blocksGround(b) && lf_conflicts(a, b);
            });
        if (!hit) {
            continue;
        }
        gf_endExtrapolation(a);
        try {
            removeAircraftFromSim(state, a, "in another aircraft's way on the ground");
        } catch (...) {
            gf_reportTrafficException("lf_handleAddingStack");
        }
    }
    lf_eraseWithdrawnAircraft(state);
}

bool lf_due(std::uint32_t& counter, std::uint32_t every) {
    if (++counter < every) {
        return false;
    }
    counter = 0;
    return true;
}

} // namespace

void lf_eraseWithdrawnAircraft(TrafficState& state) {
    lf_sweep(state, [](const LiveAircraft& a) { return a.removal.eraseNow != 0; });
}

void lf_eraseMarkedAircraft(TrafficState& state) { lf_sweep(state, lf_marked); }

void lf_updateLiveTraffic(TrafficState& state) {
    lf_advanceLiveAircraft(state);
    const auto now = state.clock.steadyNow().time_since_epoch();
    state.positions.commit(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count());
}

// What the steps of the gap would have taken comes in during it, as it would have: the
// simulator's events (an object created in the gap counts its activation delay in the gap's
// ticks, not after it) and the feed's entries, two a tick. Left waiting until the gap was run
// through, a report handed over before or during it came too late for an aircraft that ran out
// of reports in the gap: it stood at its last one and set off from rest after the gap, a take-off
// roll 9 s behind its reports from there on.
void gf_catchUpTraffic(TrafficState& state, std::uint32_t ticks) {
    for (std::uint32_t i = 0; i < ticks; ++i) {
        lf_handleSimEvents(state);
        lf_advanceLiveAircraft(state);
        state.mailbox.takeTrafficBatches();
        state.tick.fetch_add(1);
    }
}

void lf_advanceLiveAircraft(TrafficState& state) {
    bool sweep = false;
    for (LiveAircraft& aircraft : state.liveAircraft) {
        try {
            sweep = updateLiveAc(state, aircraft) || sweep;
        } catch (...) {
            gf_reportTrafficException("updateLiveAc");
            lf_dropFailedAircraft(state, aircraft);
            sweep = true;
        }
    }
    if (sweep) {
        lf_sweep(state, lf_marked);
    }
    if (state.staticErasePending) {
        state.staticErasePending = false;
        lf_eraseMarkedStatics(state);
    }
}

// How far from the user the simulator is asked for the live aircraft's ground (m): out to the
// farthest of them where that lies beyond the traffic radius, at most as far as the simulator
// answers. The motion keeps an aircraft above the ground, sets it down and holds it to its
// rolling speed only by the simulator's reports; a feed does not keep to the radius (a capture,
// the web API's query box), and EVOT at Las Vegas, 95 NM out, descended with its reports through
// the ground there and flew on below it at 160 kt as if in the air. The 2 NM to spare cover
// the way the aircraft fly between two requests.
std::uint32_t lf_liveAircraftReachMetres(const TrafficState& state) {
    constexpr double kSpareNm = 2.0;
    const Lalo user = state.motionWorld.userPosition;
    if (user.lat == 0.0 && user.lon == 0.0) {
        return 0;
    }
    double farthestNm = 0.0;
    for (const LiveAircraft& a : state.liveAircraft) {
        if (a.objectId != 0) {
            farthestNm = std::max(
                farthestNm, gf_distanceNM(user, Lalo{a.sent.latitude, a.sent.longitude}));
        }
    }
    if (!std::isfinite(farthestNm) || farthestNm <= 0.0) {
        return 0;
    }
    return static_cast<std::uint32_t>(std::min(
        (farthestNm + kSpareNm) * geo::kMetresPerNM, static_cast<double>(kMostRequestRadiusMetres)));
}

void lf_handleAddingStack(TrafficState& state) {
    lf_handleSimEvents(state);
    lf_updateLiveTraffic(state);
    lf_paceRemovalsAndCreations(state);
    state.mailbox.takeTrafficBatches();
    lf_popAddingStack(state);
    if (lf_due(state.pacing.dataRequest, kDataRequestEveryTicks)) {
        state.commands.push(
            SimDataRequest{SimDataRequestKind::aiInRange, 0, lf_liveAircraftReachMetres(state)});
    }
    if (lf_due(state.pacing.userAircraft, kUserAircraftEveryTicks)) {
        try {
            lf_userAircraftTask(state);
        } catch (...) {
            gf_reportTrafficException("gf_checkUserAcGndCollisions");
        }
    }
    if (lf_due(state.pacing.conflict, kConflictCheckEveryTicks)) {
        lf_checkGroundConflicts(state);
    }
    state.tick.fetch_add(1);
}

} // namespace skyloom

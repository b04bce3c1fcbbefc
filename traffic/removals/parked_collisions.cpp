#include "traffic/removals/parked_collisions.h"

#include <cmath>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

#include <fmt/format.h>

#include "foundation/log_file.h"
#include "traffic/motion/flat_earth.h"
#include "traffic/stands/static_traffic.h"
#include "traffic/step/traffic_exception.h"
#include "traffic/step/traffic_state.h"

namespace skyloom {

namespace {

constexpr double kNmPerDegree = 60.0;

bool lf_onGround(const LiveAircraft& a) {
    return a.simState == SimState::active && a.motion.onGround != 0;
}

Lalo lf_position(const LiveAircraft& a) {
    return {a.sent.latitude, a.sent.longitude};
}

bool lf_movedSinceCheck(const LiveAircraft& a) {
    if (a.parkedCheckLatitude == 0 && a.parkedCheckLongitude == 0) {
        return true;
    }
    const double dy = (a.sent.latitude - a.parkedCheckLatitude) * kNmPerDegree;
    const double dx = gf_longitudeDifference(a.parkedCheckLongitude, a.sent.longitude) *
                      std::cos(a.sent.latitude * std::numbers::pi / 180.0) * kNmPerDegree;
    return dx * dx + dy * dy > kParkedCheckMoveNmSquared;
}

// Removes the static aircraft and marks its view, so that the rest of the pass skips it.
void lf_removeStatic(TrafficState& state, std::vector<StaticAircraftView>& views, std::size_t i,
                     std::string_view caller) {
    views[i].simState = SimState::removingfromsim;
    gf_removeStaticAircraftAt(state, i, caller);
}

void lf_collideWithParked(TrafficState& state, LiveAircraft& aircraft,
                          std::vector<StaticAircraftView>& views) {
    if (aircraft.motion.onGround == 0) {
        return;
    }
    aircraft.parkedCheckLatitude = aircraft.sent.latitude;
    aircraft.parkedCheckLongitude = aircraft.sent.longitude;
    try {
        for (std::size_t i = 0; i < views.size(); ++i) {
            const StaticAircraftView& view = views[i];
            if (view.simState != SimState::active || view.callsign == aircraft.base.callsign ||
                !gf_isWithinNm(lf_position(aircraft), aircraft.base.conflictRadiusNm, view.position,
                               view.conflictRadiusNm)) {
                continue;
            }
            LogFile::write(fmt::format("{:14}: {:8} removed for 'live vs parked' collision "
                                       "avoidance with {}",
                                       state.standIdText(view.standId), view.callsign,
                                       aircraft.base.callsign));
            lf_removeStatic(state, views, i, "collisionWithParked");
            return;
        }
    } catch (...) {
        gf_reportTrafficException("collisionWithParked");
    }
}

bool lf_isFlight(std::string_view callsign, const StaticAircraftView& view) {
    return !callsign.empty() && (callsign == view.firstFlight || callsign == view.secondFlight);
}

// The five ways in which a static aircraft stands for the live one, in their order.
bool lf_sameFlight(const LiveAircraft& aircraft, const StaticAircraftView& view) {
    const AircraftBase& base = aircraft.base;
    if (view.source == kStaticSourceRealTraffic && view.rtHexid == base.hexid) {
        return true;
    }
    if (!base.registration.empty() && base.registration == view.registration) {
        return true;
    }
    if (lf_isFlight(base.callsign, view) || lf_isFlight(base.thirdText, view)) {
        return true;
    }
    const std::string_view callsign = base.callsign;
    return callsign.ends_with('_') && lf_isFlight(callsign.substr(0, callsign.size() - 1), view);
}

} // namespace

void gf_checkLiveVsParkedCollisions(TrafficState& state) {
    std::vector<StaticAircraftView> views = state.staticViews();
    if (views.empty()) {
        return;
    }
    const bool changed = state.parkedStaticCount != state.parkedCheckSeenCount;
    state.parkedCheckSeenCount = state.parkedStaticCount;
    ++state.parkedCheckCalls;
    bool full = changed;
    if (state.parkedCheckCalls >= kParkedFullPassCalls) {
        state.parkedCheckCalls = 0;
        full = true;
    }
    for (LiveAircraft& aircraft : state.liveAircraft) {
        const FlightPhase phase = aircraft.phase.phase;
        if (!lf_onGround(aircraft) ||
            (phase != FlightPhase::taxi && phase != FlightPhase::parking)) {
            continue;
        }
        if (full || lf_movedSinceCheck(aircraft)) {
            lf_collideWithParked(state, aircraft, views);
        }
    }
}

void collisionWithParked(TrafficState& state, LiveAircraft& aircraft) {
    std::vector<StaticAircraftView> views = state.staticViews();
    lf_collideWithParked(state, aircraft, views);
}

void gf_checkForAllGndIfParkedVersionExistsAndRemove(TrafficState& state) {
    try {
        std::vector<StaticAircraftView> views = state.staticViews();
        for (const LiveAircraft& aircraft : state.liveAircraft) {
            if (!lf_onGround(aircraft)) {
                continue;
            }
            const AircraftBase& base = aircraft.base;
            const std::string parked = base.callsign + "*";
            for (std::size_t i = 0; i < views.size(); ++i) {
                const StaticAircraftView& view = views[i];
                if (view.simState == SimState::active &&
                    ((!base.registration.empty() && view.registration == base.registration) ||
                     view.callsign == parked)) {
                    lf_removeStatic(state, views, i,
                                    "gf_checkForAllGndIfParkedVersionExistsAndRemove");
                    return;
                }
            }
        }
    } catch (...) {
        gf_reportTrafficException("gf_checkForAllGndIfParkedVersionExistsAndRemove");
    }
}

void lf_checkForStaticWithCallsignOrHexidAndRemove(TrafficState& state,
                                                   const LiveAircraft& aircraft) {
    if (aircraft.base.callsign.empty()) {
        return;
    }
    try {
        std::vector<StaticAircraftView> views = state.staticViews();
        for (std::size_t i = 0; i < views.size(); ++i) {
            if (views[i].simState == SimState::active && lf_sameFlight(aircraft, views[i])) {
                lf_removeStatic(state, views, i, "lf_checkForStaticWithCallsignOrHexidAndRemove");
                return;
            }
        }
    } catch (...) {
        gf_reportTrafficException("lf_checkForStaticWithCallsignOrHexidAndRemove");
    }
}

void gf_checkArrivedAircraft(TrafficState& state) {
    // Taken whole first: a removal may purge entries of the list while it is walked.
    const std::vector<std::uint32_t> arrived = std::exchange(state.arrivedAircraft, {});
    state.arrivedAircraft.reserve(kArrivedAircraftReserve);
    for (const std::uint32_t hexid : arrived) {
        if (const LiveAircraft* aircraft = state.findByHexid(hexid);
            aircraft != nullptr && aircraft->simState == SimState::active) {
            lf_checkForStaticWithCallsignOrHexidAndRemove(state, *aircraft);
        }
    }
}

} // namespace skyloom

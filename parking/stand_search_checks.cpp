#include "parking/stand_search_checks.h"

#include <algorithm>

#include "parking/parking_state.h"
#include "parking/stand_helpers.h"
#include "refdata/dbase_lookups.h"

namespace skyloom {

namespace {

bool lf_sameText(std::string_view a, std::string_view b) noexcept {
    return !a.empty() && a == b;
}

} // namespace

std::int32_t lf_countStandsInUse(const std::vector<Stand>& stands) noexcept {
    return static_cast<std::int32_t>(
        std::count_if(stands.begin(), stands.end(), [](const Stand& s) { return s.inUse; }));
}

bool lf_modelWiderThanStand(std::uint16_t modelId, const Stand& stand) {
    const double halfSpan = gf_wingspan(modelId);
    return halfSpan > 0 && halfSpan - stand.radius > kStandWidthToleranceNm;
}

bool lf_callsignInFeed(const StaticParkingState& state, const std::string& callsign) {
    if (callsign.empty()) {
        return false;
    }
    return state.feedCallsigns.contains(callsign) || state.feedCallsigns.contains(callsign + "_");
}

bool lf_standNameLookup(const StaticParkingState& state, std::string_view registration,
                        std::string_view callsign, std::string_view callsign2) {
    return std::any_of(state.stayers.begin(), state.stayers.end(), [&](const LiveStayer& s) {
        return lf_sameText(s.callsign, callsign) || lf_sameText(s.callsign, callsign2) ||
               lf_sameText(s.registration, registration);
    });
}

bool lf_staticMatchesIdentity(const StaticAircraft& aircraft, std::string_view registration,
                              std::string_view callsign, std::string_view callsign2) {
    const std::string_view shown = gf_withoutTrailingStar(aircraft.base.callsign);
    return lf_sameText(shown, gf_withoutTrailingStar(callsign)) ||
           lf_sameText(shown, gf_withoutTrailingStar(callsign2)) ||
           lf_sameText(aircraft.base.registration, registration);
}

bool lf_optionInUse(const StaticParkingRun& run, const StaticParkingState& state,
                    const std::string& registration, const std::string& callsign,
                    const std::string& callsign2) {
    for (const ParkingPlanEntry& entry : state.plan) {
        if (lf_sameText(entry.registration, registration) ||
            lf_sameText(entry.callsign, callsign) || lf_sameText(entry.callsign2, callsign2)) {
            return true;
        }
    }
    if (lf_callsignInFeed(state, callsign) || lf_callsignInFeed(state, callsign2)) {
        return true;
    }
    if (!registration.empty() &&
        std::any_of(run.live.begin(), run.live.end(),
                    [&](const LiveAircraft& a) { return a.base.registration == registration; })) {
        return true;
    }
    if (lf_standNameLookup(state, registration, callsign, callsign2)) {
        return true;
    }
    return std::any_of(run.statics.begin(), run.statics.end(), [&](const StaticAircraft& a) {
        return a.simState == SimState::active && a.kept &&
               lf_staticMatchesIdentity(a, registration, callsign, callsign2);
    });
}

bool lf_standBlocked(const StaticParkingRun& run, const StaticParkingState& state,
                     std::int32_t sid) {
    if (sid < 1) {
        return false;
    }
    const auto blocks = [&](std::int32_t other) {
        return other != sid && gf_standsConflict(run.parking, other, sid);
    };
    for (const StaticAircraft& aircraft : run.statics) {
        if (aircraft.simState != SimState::removingfromsim && blocks(aircraft.standId)) {
            return true;
        }
    }
    for (const LiveStayer& stayer : state.stayers) {
        if (blocks(stayer.standId)) {
            return true;
        }
    }
    return std::any_of(state.plan.begin(), state.plan.end(),
                       [&](const ParkingPlanEntry& e) { return blocks(e.standId); });
}

} // namespace skyloom

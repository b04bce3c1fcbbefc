#include "traffic/decode/respawn_checks.h"

#include <string>
#include <vector>

#include <fmt/format.h>

#include "config/params_snapshot.h"
#include "feed/feed_fields.h"
#include "foundation/log_file.h"
#include "liveries/livery_tables.h"
#include "refdata/code_table.h"
#include "refdata/park_airport.h"
#include "refdata/registrations.h"
#include "traffic/stands/park_airport_services.h"
#include "traffic/step/aircraft_commands.h"
#include "traffic/removals/ghosts.h"
#include "liveries/livery_matching_summary.h"
#include "traffic/decode/livery_failures.h"
#include "traffic/decode/sample_checks.h"

namespace skyloom {

namespace {

// Confirms a changed text against the record's pending text and count.
bool lf_confirm(std::string_view oldText, std::string_view newText, std::string& pendingText,
                std::uint32_t& pendingCount) {
    PendingChange pending{pendingText, static_cast<int>(pendingCount)};
    const bool confirmed = gf_confirmChange(oldText, newText, pending);
    pendingText = std::move(pending.text);
    pendingCount = static_cast<std::uint32_t>(pending.count);
    return confirmed;
}

bool lf_callsignChanged(TrafficState& state, LiveAircraft& aircraft, const TrafficEntry& entry,
                        bool& ghostTwinExists) {
    AircraftBase& base = aircraft.base;
    const std::string& next = entry.callsign;
    if (next.empty() || next == base.callsign || next == base.registration) {
        aircraft.pendingCallsign.clear();
        aircraft.pendingCallsignCount = 0;
        return false;
    }
    if (!lf_confirm(base.callsign, next, aircraft.pendingCallsign, aircraft.pendingCallsignCount)) {
        return false;
    }
    if (next.ends_with('_')) {
        if (lf_ghostHasLiveFlight(state, next)) {
            ghostTwinExists = true;
            return false;
        }
    } else {
        lf_removeGhostWithUnderscoreIfPresent(state, next);
    }
    base.callsign = next;
    base.displayCallsign = next;
    base.thirdText.clear();
    return true;
}

IataCode lf_parkIata() {
    return gf_parkAirportEntry().get().iata;
}

// Resets the aircraft for a new livery: the next spawn chooses again.
void lf_forgetLiveryForRespawn(TrafficState& state, LiveAircraft& aircraft) {
    state.liveryByHexid.forget(aircraft.base.hexid);
    aircraft.base.liveryTitle = {};
    lf_setPhase(state, aircraft, FlightPhase::birth);
    aircraft.touchDown = TouchDown{};
}

} // namespace

bool lf_sameRoute(TrafficState& state, LiveAircraft& aircraft, const TrafficEntry& entry) {
    AircraftBase& base = aircraft.base;
    bool change = false;
    if (!base.origin.isSet() && entry.origin.isSet()) {
        base.origin = entry.origin;
        change = true;
    }
    if (!base.destination.isSet() && entry.destination.isSet()) {
        base.destination = entry.destination;
        change = true;
    }
    const bool originDiffers =
        base.origin.isSet() && entry.origin.isSet() && base.origin != entry.origin;
    const bool destinationDiffers = base.destination.isSet() && entry.destination.isSet() &&
                                    base.destination != entry.destination;
    const IataCode park = lf_parkIata();
    const bool parkSet = park.isSet();
    const bool aircraftAtPark = parkSet && (base.origin == park || base.destination == park);
    const bool entryAtPark = parkSet && (entry.origin == park || entry.destination == park);
    const bool ignored = (!originDiffers && !destinationDiffers) || (aircraftAtPark && !entryAtPark) ||
                         originDiffers != destinationDiffers ||
                         (parkSet && base.origin == park && entry.destination == park);
    if (ignored) {
        aircraft.pendingRoute.clear();
        aircraft.pendingRouteCount = 0;
    } else if (lf_confirm({}, fmt::format("{}>{}", entry.origin, entry.destination),
                          aircraft.pendingRoute, aircraft.pendingRouteCount)) {
        base.origin = entry.origin;
        base.destination = entry.destination;
        const FlightPhase phase = aircraft.phase.phase;
        if (aircraft.motion.onGround != 0 && phase != FlightPhase::parking &&
            phase != FlightPhase::parked) {
            lf_setPhase(state, aircraft, FlightPhase::taxi);
        }
        change = true;
    }
    if (aircraft.motion.onGround != 0 && aircraft.phase.phase == FlightPhase::taxi) {
        aircraft.motion.arrival =
            parkSet && base.destination == park && base.origin != park ? 1 : 0;
    }
    return !change;
}

bool lf_sameRegistration(TrafficState& state, LiveAircraft& aircraft, const TrafficEntry& entry) {
    AircraftBase& base = aircraft.base;
    if (entry.registration.empty()) {
        return true;
    }
    const std::optional<LiveryKey> recorded = gf_findRegistration(entry.registration);
    bool change = false;
    if (base.registration.empty() ||
        (base.registration == base.callsign && entry.registration != base.registration)) {
        const auto& map = gf_liveryTables().regcodeLiveryMap;
        const auto own = map.find(entry.registration);
        if (own != map.end()) {
            change = own->second != base.liveryTitle;
            if (change && recorded) {
                base.key = *recorded;
            }
        } else if (entry.registration != base.registration && recorded &&
                   *recorded != base.key) {
            base.key = *recorded;
            change = true;
        }
    } else if (entry.registration != base.registration && recorded && *recorded != base.key) {
        const auto airline = gf_airlineFromCallsign(entry.callsign);
        if (airline && (*airline == gf_airlineCode(recorded->airline) ||
                        *airline == gf_airlineCode(recorded->operatorId))) {
            base.key = *recorded;
            if (aircraft.phase.phase == FlightPhase::parked) {
                state.parkAirport.addRealStandOption(aircraft, kStandUseArrived);
            }
            change = true;
        }
    }
    base.registration = entry.registration;
    if (change) {
        lf_forgetLiveryForRespawn(state, aircraft);
    }
    return !change;
}

bool lf_checkRespawn(TrafficState& state, LiveAircraft& aircraft, const TrafficEntry& entry) {
    AircraftBase& base = aircraft.base;
    const FlightPhase phase = aircraft.phase.phase;
    if (phase == FlightPhase::takeoff_roll || phase == FlightPhase::takeoff ||
        phase == FlightPhase::landing || phase == FlightPhase::landing_roll) {
        return true;
    }
    if (aircraft.simState == SimState::buffer) {
        if (entry.origin.isSet()) {
            base.origin = entry.origin;
        }
        if (entry.destination.isSet()) {
            base.destination = entry.destination;
        }
        if (!entry.callsign.empty()) {
            base.callsign = entry.callsign;
        }
        if (!entry.registration.empty()) {
            base.registration = entry.registration;
        }
        return true;
    }
    if (aircraft.simState != SimState::active || phase == FlightPhase::pushing_back ||
        aircraft.motion.extrapolationCounter > 0) {
        return true;
    }
    std::vector<std::string_view> reasons;
    if (!lf_sameRoute(state, aircraft, entry)) {
        reasons.push_back("orig-dest change");
    }
    if (!lf_sameRegistration(state, aircraft, entry)) {
        reasons.push_back("regcode change");
    }
    bool ghostTwinExists = false;
    if (lf_callsignChanged(state, aircraft, entry, ghostTwinExists)) {
        reasons.push_back("callsign change");
    }
    if (ghostTwinExists) {
        return false;
    }
    if (reasons.empty() || !gf_paramsSnapshot()->GUID_CHANGES) {
        return true;
    }
    LogFile::write(fmt::format("{}{} respawns because of {}", std::string(16, ' '),
                               fmt::format("{:8} {:12} {}", base.callsign, base.registration,
                                           gf_origDestText(base.origin, base.destination)),
                               fmt::join(reasons, ", ")));
    liveryRespawn(state, aircraft);
    return false;
}

} // namespace skyloom

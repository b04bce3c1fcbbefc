#include "traffic/decode/live_spawn.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include <fmt/format.h>

#include "config/params_snapshot.h"
#include "feed/feed_fields.h"
#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "foundation/log_file.h"
#include "liveries/livery_choice.h"
#include "liveries/livery_tables.h"
#include "refdata/code_table.h"
#include "refdata/dbase_lookups.h"
#include "refdata/airport_file.h"
#include "refdata/park_airport.h"
#include "refdata/registrations.h"
#include "runtime/current_day_slot.h"
#include "runtime/user_aircraft.h"
#include "traffic/stands/park_airport_services.h"
#include "traffic/step/aircraft_commands.h"
#include "traffic/removals/ghosts.h"
#include "liveries/livery_matching_summary.h"
#include "traffic/decode/livery_failures.h"
#include "traffic/stands/live_stands.h"
#include "traffic/stands/static_traffic.h"
#include "traffic/decode/stream_start.h"
#include "traffic/removals/user_collisions.h"

namespace skyloom {

namespace {

constexpr double kNmPerDegree = 60.0;
constexpr double kDegPerRad = 180.0 / std::numbers::pi;

Lalo lf_at(const TrafficSample& s) {
    return {s.latitude, s.longitude};
}

void lf_dropFirstSample(LiveAircraft& aircraft) {
    aircraft.stream.pop_front();
}

void lf_erase(LiveAircraft& aircraft) {
    aircraft.removal.eraseBySpawn = 1;
}

void lf_notShown(TrafficState& state, const LiveAircraft& aircraft, std::string_view reason) {
    gf_explainNotShown(state, aircraft.base.hexid, aircraft.base.callsign,
                       aircraft.base.registration, reason);
}

// The TCAS coverage check removes a coverage-only livery this far below the TCAS level.
constexpr double kTcasFloorMarginFt = 1000.0;
constexpr std::int64_t kTicksPerMinute = 6000;

bool lf_ghostCallsign(std::string_view callsign) {
    return callsign.ends_with('_');
}

double lf_parkReferenceFt() {
    const auto altitude = gf_parkAirportAltitude();
    return altitude ? static_cast<double>(*altitude) : 0.0;
}

// Where an aircraft on the ground would appear, the check of the user's corridor would take it
// out again at once, and its next report would bring it back: it waits until it has left.
bool lf_inUserCorridor(const UserAircraftState& user, const Lalo& at) {
    return user.positionKnown() && user.altitudeAboveGround <= kUserLowHeightFt &&
           gf_isInUserCorridor(user, at);
}

// The first phase from the first samples; false when the aircraft must wait or is dropped.
bool lf_chooseFirstPhase(TrafficState& state, LiveAircraft& aircraft) {
    auto& stream = aircraft.stream;
    if (stream.front().airborne != 0) {
        lf_setPhase(state, aircraft, FlightPhase::flying);
        return true;
    }
    if (const Stand* stand = lf_standForGroundSpawn(state, aircraft)) {
        if (lf_inUserCorridor(state.user.state(), stand->position)) {
            lf_dropFirstSample(aircraft);
            return false;
        }
        lf_assignStand(aircraft, *stand);
        aircraft.motion.arrival = 0;
        lf_setPhase(state, aircraft, FlightPhase::parked);
        stream.resize(1);
        TrafficSample& first = stream.front();
        first.latitude = aircraft.stand.latitude;
        first.longitude = aircraft.stand.longitude;
        first.trackDeg = aircraft.stand.headingRad * kDegPerRad;
        gf_startParkedTime(state, aircraft);
        state.parkAirport.addRealStandOption(aircraft, kStandUseArrived);
        gf_limitParkedAircraft(state, 0, gf_currentDaySlot());
        return true;
    }
    const bool moving = std::any_of(stream.begin(), stream.end(), [](const TrafficSample& s) {
        return s.groundSpeedKt > kSpawnTaxiMaxKt;
    });
    if (stream[1].stationary != 0 || moving) {
        lf_dropFirstSample(aircraft);
        return false;
    }
    lf_setPhase(state, aircraft, FlightPhase::taxi);
    const IataCode park = gf_parkAirportEntry().get().iata;
    aircraft.motion.arrival = park.isSet() && aircraft.base.destination == park &&
                                      aircraft.base.origin != park
                                  ? 1
                                  : 0;
    return true;
}

// The livery of a new aircraft; false when it has none (the aircraft is dropped).
bool lf_chooseLivery(TrafficState& state, LiveAircraft& aircraft) {
    AircraftBase& base = aircraft.base;
    if (!base.liveryTitle.empty()) {
        return true;
    }
    // The record holds a view into the livery tables: the remembered title is looked up there
    // (a title the tables no longer hold is chosen afresh).
    if (const auto recalled = state.liveryByHexid.recalled(base.hexid)) {
        base.liveryTitle = gf_liveryTables().findTitle(*recalled);
    }
    if (base.liveryTitle.empty()) {
        LiveryAircraft choice;
        choice.key = base.key;
        choice.regcode = base.registration;
        choice.category = base.category;
        choice.callsign = base.callsign;
        choice.origin = base.origin;
        choice.destination = base.destination;
        const UserPosition user = state.user.position();
        gf_matchLiveLivery(choice, aircraft.stream.front().altitudeFt, user);
        base.liveryTitle = choice.liveryTitle;
        base.fsltlLivery = choice.fsltlLivery ? 1 : 0;
        base.tcasCoverage = choice.tcasCoverage ? 1 : 0;
    }
    if (base.liveryTitle.empty()) {
        if (base.tcasCoverage == 0 && !base.registration.empty()) {
            state.noLiveryKeys.insert(gf_aircraftKeyText(base));
        }
        lf_notShown(state, aircraft,
                    fmt::format("no installed livery fits {}", gf_aircraftKeyText(base)));
        lf_erase(aircraft);
        return false;
    }
    // A livery allowed only for TCAS coverage would be removed by the next coverage check
    // (once a second) below its floor: such an aircraft is not created at all there.
    const double floorFt = gf_paramsSnapshot()->TCAS_FL * 100.0 - kTcasFloorMarginFt;
    if (base.tcasCoverage != 0 && aircraft.stream.front().altitudeFt < floorFt) {
        lf_notShown(state, aircraft,
                    fmt::format("its livery '{}' is allowed only above {:.0f} ft", base.liveryTitle,
                                floorFt));
        state.noLiveryKeys.insert(gf_aircraftKeyText(base));
        base.liveryTitle = {};
        base.tcasCoverage = 0;
        lf_erase(aircraft);
        return false;
    }
    state.liveryByHexid.remember(base.hexid, base.liveryTitle);
    return true;
}

} // namespace

bool lf_spawnCollidesWithUser(TrafficState& state, LiveAircraft& aircraft) {
    const ParamsSnapshot& settings = *gf_paramsSnapshot();
    const UserAircraftState user = state.user.state();
    const TrafficSample& newest = aircraft.stream.back();
    const double height = user.altitudeAboveGround;
    bool drop = false;
    if (user.positionKnown() && (!std::isfinite(height) || height <= kSpawnUserCheckHeightFt)) {
        if (aircraft.motion.userCollision != 0) {
            const double metres = gf_distanceNM(user.position(), lf_at(newest)) * geo::kMetresPerNM;
            drop = user.groundVelocity > kSpawnUserMovingKt ||
                   (newest.airborne == 0 &&
                    (newest.groundSpeedKt > kSpawnUserMovingKt || metres < kSpawnUserNearMetres));
        }
        if (!drop && newest.airborne == 0 && settings.COLLISION_USER_GND) {
            drop = lf_spawnSampleHitsUserOnGround(state, aircraft, newest);
        }
        const TrafficSample& first = aircraft.stream.front();
        if (!drop && first.airborne == 0) {
            drop = lf_inUserCorridor(user, {first.latitude, first.longitude});
        }
    } else if (settings.COLLISION_USER_AIR) {
        // A ground sample is tested only while the user is low, as standing on the ground.
        const bool hit = (newest.airborne != 0 || height <= kSpawnUserCheckHeightFt) &&
                         lf_spawnSampleHitsUserInAir(state, newest);
        if (hit) {
            aircraft.motion.userCollision = 1;
            drop = true;
        }
    }
    if (drop) {
        lf_dropFirstSample(aircraft);
    }
    return drop;
}

void lf_fixSpawnKey(LiveAircraft& aircraft) {
    LiveryKey& key = aircraft.base.key;
    if (key.fromRegistration != 0) {
        return;
    }
    if (const auto recorded = gf_findRegistration(aircraft.base.registration)) {
        key = *recorded;
    }
    if (key.airline == 0) {
        key.airline = gf_airlineId(gf_airlineFromCallsign(aircraft.base.callsign).value_or("PVT"));
    }
    if (gf_modelCode(key.model) == "B777" && gf_isCargo(key)) {
        key.model = gf_modelId("B77F");
    }
}

void lf_trySpawn(TrafficState& state, LiveAircraft& aircraft) {
    auto& stream = aircraft.stream;
    AircraftBase& base = aircraft.base;
    if (stream.empty()) {
        lf_erase(aircraft);
        return;
    }
    if (static_cast<std::int64_t>(state.currentTick()) < stream.front().time) {
        return;
    }
    if (stream.size() == 1) {
        // On the ground the next report can be far off: the App drops a report that repeats
        // the last, and a standing aircraft is reported seldom. Its record waits for it as long
        // as a taxiing aircraft waits for reports, instead of going before it could be created.
        const std::int64_t waitTicks =
            static_cast<std::int64_t>(state.motionWorld.maxHoldingMinutes) * kTicksPerMinute;
        if (stream.front().airborne == 0 &&
            static_cast<std::int64_t>(state.currentTick()) - stream.front().time < waitTicks) {
            return;
        }
        stream.clear();
        lf_erase(aircraft);
        return;
    }
    if (lf_ghostCallsign(base.callsign) &&
        std::find(state.removedGhosts.begin(), state.removedGhosts.end(),
                  base.callsign) != state.removedGhosts.end()) {
        lf_notShown(state, aircraft, "a ghost copy of a flight that is shown");
        lf_erase(aircraft);
        return;
    }
    const bool airborne = std::any_of(stream.begin(), stream.end(),
                                      [](const TrafficSample& s) { return s.airborne != 0; });
    if (base.category != AircraftCategory::Rotorcraft && airborne &&
        stream.front().altitudeFt - lf_parkReferenceFt() <= kSpawnMinHeightFt) {
        lf_dropFirstSample(aircraft);
        return;
    }
    if (lf_spawnCollidesWithUser(state, aircraft)) {
        return;
    }
    if (state.liveCreateQueue.size() >= kSpawnCreateQueueLimit &&
        aircraft.phase.phase == FlightPhase::birth) {
        lf_dropFirstSample(aircraft);
        return;
    }
    const ParamsSnapshot& settings = *gf_paramsSnapshot();
    if (settings.MAX_LIVE_SEL == 0) {
        lf_notShown(state, aircraft, "no live aircraft are wanted (MAX_LIVE_SEL 0)");
        lf_erase(aircraft);
        return;
    }
    if (settings.MAX_LIVE_SEL != kUnlimitedLiveAircraft) {
        const std::size_t shown = gf_liveAircraftShown(state);
        double distance = -1.0;
        if (const UserPosition user = state.user.position(); user.known) {
            distance = gf_distanceNM(user.position, lf_at(stream.front()));
        }
        if (shown >= static_cast<std::size_t>(settings.MAX_LIVE_SEL) &&
            lf_isThisTheFurthestLive(state, std::isfinite(distance) ? distance : -1.0)) {
            lf_notShown(state, aircraft,
                        "it would be the furthest when more live aircraft than allowed came");
            lf_erase(aircraft);
            return;
        }
    }
    lf_fixSpawnKey(aircraft);
    if (base.callsign.empty()) {
        base.callsign = base.registration;
        if (base.callsign.empty()) {
            lf_notShown(state, aircraft, "it has neither callsign nor registration");
            lf_erase(aircraft);
            return;
        }
    }
    if (stream.front().altitudeFt <= settings.TCAS_FL * 100.0 &&
        state.noLiveryKeys.contains(gf_aircraftKeyText(base))) {
        lf_notShown(state, aircraft,
                    fmt::format("no installed livery fits {} at this altitude",
                                gf_aircraftKeyText(base)));
        lf_erase(aircraft);
        return;
    }
    if (lf_ghostCallsign(base.callsign) && lf_ghostHasLiveFlight(state, base.callsign)) {
        lf_notShown(state, aircraft, "a ghost copy of a flight that is shown");
        lf_erase(aircraft);
        return;
    }
    spawnLiveAc(state, aircraft);
}

void spawnLiveAc(TrafficState& state, LiveAircraft& aircraft) {
    auto& stream = aircraft.stream;
    if (stream.size() < 2) {
        LogFile::writeImportant(fmt::format("{} sz:{}", "spawnLiveAc", stream.size()));
        return;
    }
    if (stream[1].stationary != 0) {
        stream[0].stationary = 1;
        stream[0].groundSpeedKt = 0;
        stream[1].groundSpeedKt = 0;
        if (stream.size() > 2 && stream[2].stationary != 0) {
            stream[2].groundSpeedKt = 0;
        }
    } else {
        stream[0].stationary = 0;
    }
    if (aircraft.phase.phase == FlightPhase::birth) {
        if (!lf_chooseLivery(state, aircraft) || !lf_chooseFirstPhase(state, aircraft)) {
            return;
        }
    }
    const RemovalFlags& flags = aircraft.removal;
    if (flags.eraseBySpawn != 0 || flags.eraseAfterCleanup != 0) {
        return;
    }
    lf_placeAtStreamStart(state, aircraft);
    aircraft.simState = SimState::adding2sim;
    state.addingStack.push_back(aircraft.base.hexid);
    const std::string& callsign = aircraft.base.callsign;
    if (!lf_ghostCallsign(callsign)) {
        lf_removeGhostWithUnderscoreIfPresent(state, callsign);
    }
}

std::size_t gf_liveAircraftShown(const TrafficState& state) {
    return static_cast<std::size_t>(std::count_if(
        state.liveAircraft.begin(), state.liveAircraft.end(), [](const LiveAircraft& a) {
            return a.simState == SimState::adding2sim || a.simState == SimState::active;
        }));
}

bool lf_isThisTheFurthestLive(TrafficState& state, double distanceNm) {
    const Lalo user = state.user.position().position;
    double furthest = distanceNm < 0 ? -std::numeric_limits<double>::infinity() : distanceNm;
    const double margin = distanceNm >= 0 ? kFurthestMarginNm : 0.0;
    const double cosLat = std::cos(user.lat * std::numbers::pi / 180.0);
    LiveAircraft* candidate = nullptr;
    for (LiveAircraft& a : state.liveAircraft) {
        if (a.simState != SimState::active) {
            continue;
        }
        const double dy = (user.lat - a.sent.latitude) * kNmPerDegree;
        const double dx = (user.lon - a.sent.longitude) * cosLat * kNmPerDegree;
        if (std::sqrt(dx * dx + dy * dy) <= furthest + margin) {
            continue;
        }
        const double great = gf_distanceNM(user, {a.sent.latitude, a.sent.longitude});
        if (great > furthest + margin) {
            furthest = great;
            candidate = &a;
        }
    }
    if (candidate == nullptr) {
        return true;
    }
    gf_removeAircraftReporting(state, *candidate, "lf_isThisTheFurthestLive",
                               "the furthest when more live aircraft than allowed came");
    return false;
}

void gf_removeBlockedAc(TrafficState& state) {
    const BlockSettings block = gf_paramsSnapshot()->block;
    auto first = [&state](auto matches) -> LiveAircraft* {
        for (LiveAircraft& a : state.liveAircraft) {
            if (a.simState == SimState::active && matches(a.base)) {
                return &a;
            }
        }
        return nullptr;
    };
    LiveAircraft* blocked = nullptr;
    if (block.BLOCK_HEXIDDEC != 0) {
        blocked = first([&](const AircraftBase& b) { return b.hexid == block.BLOCK_HEXIDDEC; });
    }
    if (blocked == nullptr && !block.BLOCK_CALLSIGN.empty()) {
        blocked = first([&](const AircraftBase& b) { return b.callsign == block.BLOCK_CALLSIGN; });
    }
    if (blocked == nullptr && !block.BLOCK_REGCODE.empty()) {
        blocked =
            first([&](const AircraftBase& b) { return b.registration == block.BLOCK_REGCODE; });
    }
    if (blocked != nullptr) {
        gf_removeAircraftReporting(state, *blocked, "gf_removeBlockedAc", "blocked by the user");
    }
}

void gf_removeTCASCoverageAcs(TrafficState& state) {
    const double floorFt = gf_paramsSnapshot()->TCAS_FL * 100.0 - 1000.0;
    for (LiveAircraft& a : state.liveAircraft) {
        if (a.simState != SimState::active || a.base.tcasCoverage == 0 ||
            !(a.sent.altitudeFt < floorFt)) {
            continue;
        }
        state.liveryByHexid.forget(a.base.hexid);
        gf_removeAircraftReporting(state, a, "gf_removeTCASCoverageAcs",
                                   "its livery is allowed only above the TCAS level");
    }
}

} // namespace skyloom

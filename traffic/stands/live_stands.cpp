#include "traffic/stands/live_stands.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <vector>

#include <fmt/format.h>

#include "foundation/clock.h"
#include "foundation/geo_constants.h"
#include "foundation/log_file.h"
#include "refdata/airport_file.h"
#include "runtime/current_day_slot.h"
#include "traffic/step/aircraft_commands.h"
#include "traffic/motion/flat_earth.h"
#include "traffic/ground/pushback.h"
#include "traffic/stands/park_airport_services.h"
#include "traffic/stands/static_traffic.h"
#include "traffic/step/traffic_exception.h"
#include "traffic/step/traffic_state.h"

namespace skyloom {

namespace {

constexpr double kNmPerDegree = 60.0;
constexpr double kSamePositionDeg = 1e-8;
// The farthest a stand may lie, squared (81.25 m in NM).
constexpr double kStandSearchNm2 = 0.0019247076594563581;

bool lf_samePosition(double latA, double lonA, double latB, double lonB) {
    return std::abs(latA - latB) <= kSamePositionDeg && std::abs(lonA - lonB) <= kSamePositionDeg;
}

// Flat offset (NM) of b from a: latitude x 60, longitude x 60 x cos(latitude).
FlatOffset lf_offsetNm(const Lalo& a, const Lalo& b) {
    return gf_flatOffsetMetres(a, b, kNmPerDegree, std::cos(a.lat * std::numbers::pi / 180.0));
}

double lf_flatNm(const Lalo& a, const Lalo& b) {
    const FlatOffset o = lf_offsetNm(a, b);
    return std::hypot(o.east, o.north);
}

const Stand* lf_stand(const TrafficState& state, std::int32_t sid) {
    return state.parkAirport.standById(sid);
}

bool lf_endsWith(const std::string& text, char c) {
    return !text.empty() && text.back() == c;
}

std::string_view lf_withoutLast(const std::string& text) {
    return text.empty() ? std::string_view{} : std::string_view(text).substr(0, text.size() - 1);
}

void lf_removeLive(TrafficState& state, LiveAircraft& other, const char* caller,
                   std::string_view reason) {
    try {
        removeAircraftFromSim(state, other, reason);
    } catch (...) {
        gf_reportTrafficException(caller);
    }
}

LiveAircraft* lf_otherOnStand(TrafficState& state, std::int32_t sid, const LiveAircraft& aircraft) {
    for (LiveAircraft& other : state.liveAircraft) {
        if (other.base.hexid != aircraft.base.hexid &&
            static_cast<std::int32_t>(other.stand.standId) == sid &&
            gf_holdsStand(other.phase.phase)) {
            return &other;
        }
    }
    return nullptr;
}

bool lf_nameMatchesStandOrExcluded(const TrafficState& state, const Stand& stand,
                                   const std::string& name) {
    if (stand.id == name) {
        return true;
    }
    return std::any_of(stand.exclusions.begin(), stand.exclusions.end(), [&](std::int32_t sid) {
        const Stand* excluded = lf_stand(state, sid);
        return excluded != nullptr && excluded->id == name;
    });
}

// The names of the stands kept for the user: the one held with the park airport and the one
// under the user aircraft.
using UserStandNames = std::array<std::optional<std::string>, 2>;

UserStandNames lf_userStandNames(const TrafficState& state) {
    return {state.parkAirport.currentParkAirportName(), state.parkAirport.standAtUserPosition()};
}

bool lf_reservedFor(const TrafficState& state, const Stand& stand, const UserStandNames& names) {
    return std::any_of(names.begin(), names.end(), [&](const std::optional<std::string>& name) {
        return name && !name->empty() && lf_nameMatchesStandOrExcluded(state, stand, *name);
    });
}

} // namespace

bool gf_holdsStand(FlightPhase phase) noexcept {
    return phase == FlightPhase::pushing_back || phase == FlightPhase::pushed_back ||
           phase == FlightPhase::parking || phase == FlightPhase::parked;
}

std::string gf_standLogText(const TrafficState& state, std::int32_t sid) {
    if (sid == 0) {
        return "sid==0?";
    }
    const Stand* stand = lf_stand(state, sid);
    return stand != nullptr && stand->sid == sid ? stand->id : std::string("sid==?");
}

const Stand* gf_findNearest(const TrafficState& state, const Lalo& position,
                            const AircraftBase& aircraft, double& metres, bool allowOptionMatch) {
    metres = 100000.0;
    const ParkAirportServices& park = state.parkAirport;
    const UserStandNames userNames = lf_userStandNames(state);
    const bool rotorcraft = aircraft.category == AircraftCategory::Rotorcraft;
    const Stand* bestFit = nullptr;
    const Stand* bestMatch = nullptr;
    double fitD = 0;
    double matchD = 0;
    bool collecting = allowOptionMatch;
    for (const Stand& stand : park.stands()) {
        if (stand.type == StandType::NONE || stand.heli != rotorcraft) {
            continue;
        }
        const FlatOffset o = lf_offsetNm(position, stand.position);
        if (std::abs(o.north) > kStandSearchNm || std::abs(o.east) > kStandSearchNm) {
            continue;
        }
        if (!park.standFitsAircraft(stand, aircraft.category, aircraft.halfWingspanNm)) {
            continue;
        }
        const double d2 = o.east * o.east + o.north * o.north;
        if (!std::isfinite(d2) || d2 > kStandSearchNm2) {
            continue;
        }
        // A stand kept for the user is passed over, so that the next nearest one is found.
        if (lf_reservedFor(state, stand, userNames)) {
            continue;
        }
        const double d = std::sqrt(d2);
        if (d <= aircraft.standFitRadiusNm && (bestFit == nullptr || d < fitD)) {
            bestFit = &stand;
            fitD = d;
            collecting = false;
        } else if (collecting && d < aircraft.wideStandFitRadiusNm &&
                   (bestMatch == nullptr || d < matchD) &&
                   park.standHasMatchingFlightOption(stand, aircraft)) {
            bestMatch = &stand;
            matchD = d;
        }
    }
    if (bestFit != nullptr) {
        metres = fitD * geo::kMetresPerNM;
        return bestFit;
    }
    if (bestMatch != nullptr) {
        metres = matchD * geo::kMetresPerNM;
    }
    return bestMatch;
}

bool lf_standReservedForUser(const TrafficState& state, const Stand& stand) {
    return lf_reservedFor(state, stand, lf_userStandNames(state));
}

void lf_assignStand(LiveAircraft& aircraft, const Stand& stand) {
    LiveStand& s = aircraft.stand;
    s.latitude = stand.position.lat;
    s.longitude = stand.position.lon;
    s.headingRad = stand.heading;
    s.standId = static_cast<std::uint32_t>(std::max(stand.sid, 0));
    s.cargo = stand.cargo ? 1 : 0;
    s.atGate = stand.id.find("GATE") != std::string::npos ? 1 : 0;
}

int lf_standFree(const TrafficState& state, std::int32_t sid, std::uint32_t hexid) {
    if (sid < 1) {
        return 0;
    }
    int result = 0;
    for (const LiveAircraft& other : state.liveAircraft) {
        if (other.base.hexid == hexid || static_cast<std::int32_t>(other.stand.standId) != sid) {
            continue;
        }
        if (other.phase.phase == FlightPhase::parked && other.objectId > 2) {
            return 2;
        }
        if (gf_holdsStand(other.phase.phase)) {
            result = 1;
        }
    }
    return result;
}

bool lf_standUsable(const TrafficState& state, std::int32_t sid, std::uint32_t hexid) {
    return sid >= 1 && hexid != 0 && lf_standFree(state, sid, hexid) == 0 &&
           lf_stand(state, sid) != nullptr;
}

bool lf_checkStandIsNotUsedByOtherLiveAircraftSub(TrafficState& state, std::int32_t sid,
                                                  const LiveAircraft& aircraft) {
    LiveAircraft* other = lf_otherOnStand(state, sid, aircraft);
    if (other == nullptr) {
        return true;
    }
    const char* caller = "lf_checkStandIsNotUsedByOtherLiveAircraftSub";
    const std::string& mine = aircraft.base.callsign;
    const std::string& theirs = other->base.callsign;
    const std::string standText = gf_standLogText(state, sid);
    const auto removeOther = [&](const std::string& line) {
        LogFile::write(line);
        lf_removeLive(state, *other, caller, "another aircraft takes its stand");
        return lf_standFree(state, sid, aircraft.base.hexid) == 0;
    };
    if (mine == theirs) {
        return removeOther(
            fmt::format("{:14}: {:8} ac with same callsign {} wants it, remove existing ... ",
                        standText, theirs, mine));
    }
    if (lf_withoutLast(mine) == theirs) {
        return false; // the copy does not take the stand
    }
    if (lf_withoutLast(theirs) == mine || (lf_endsWith(theirs, '_') && !lf_endsWith(mine, '_'))) {
        return removeOther(
            fmt::format("{:14}: {:8} ghost, replace by {}", standText, theirs, mine));
    }
    if (lf_endsWith(mine, '_')) {
        return false;
    }
    if (other->standWatch.seenAtStand == 0) {
        return removeOther(
            fmt::format("{:14}: {:8} removed because another live {} wants the stand ...",
                        standText, theirs, mine));
    }
    return false;
}

bool lf_liveParkedAtStandNear(const TrafficState& state, const LiveAircraft& other,
                              std::int32_t sid, const LiveAircraft& aircraft, const Stand& stand) {
    if (static_cast<std::int32_t>(other.stand.standId) != sid ||
        other.base.hexid == aircraft.base.hexid || !gf_holdsStand(other.phase.phase)) {
        return false;
    }
    const Stand* near = lf_stand(state, sid);
    if (near == nullptr || (near->position.lat == 0 && near->position.lon == 0)) {
        return false;
    }
    return gf_isWithinNm(near->position, other.base.conflictRadiusNm, stand.position,
                         aircraft.base.conflictRadiusNm);
}

bool lf_checkExcludedStandIsAvailableForLiveParkingTry(TrafficState& state, std::int32_t sid,
                                                       const LiveAircraft& aircraft,
                                                       const Stand& stand) {
    for (LiveAircraft& other : state.liveAircraft) {
        if (!lf_liveParkedAtStandNear(state, other, sid, aircraft, stand)) {
            continue;
        }
        const FlightPhase p = other.phase.phase;
        if (other.simState != SimState::active ||
            (p != FlightPhase::pushing_back && p != FlightPhase::parking &&
             p != FlightPhase::parked)) {
            return false;
        }
        LogFile::write(fmt::format(
            "{:14}: {:8} removed by parking {} at colliding adjacent stand {}",
            gf_standLogText(state, sid), other.base.callsign, aircraft.base.callsign, stand.id));
        lf_removeLive(state, other, "lf_checkExcludedStandIsAvailableForLiveParkingTry",
                      "an aircraft parks at a colliding stand");
        return false;
    }
    return true;
}

bool lf_checkStandOrExcludedIsOccupiedByLiveParkedTry(TrafficState& state, const Stand& stand,
                                                      const LiveAircraft& aircraft) {
    for (LiveAircraft& other : state.liveAircraft) {
        if (other.base.hexid == aircraft.base.hexid ||
            static_cast<std::int32_t>(other.stand.standId) != stand.sid) {
            continue;
        }
        const FlightPhase p = other.phase.phase;
        if (p == FlightPhase::parking || p == FlightPhase::pushing_back ||
            p == FlightPhase::pushed_back) {
            return false;
        }
        if (p == FlightPhase::parked) {
            if (other.simState == SimState::active) {
                LogFile::write(fmt::format("{:14}: {:8} removed, {} wants to park there", stand.id,
                                           other.base.callsign, aircraft.base.callsign));
                lf_removeLive(state, other, "lf_checkStandOrExcludedIsOccupiedByLiveParkedTry",
                              "another aircraft parks on its stand");
            }
            return false;
        }
    }
    return std::all_of(stand.exclusions.begin(), stand.exclusions.end(), [&](std::int32_t sid) {
        return lf_checkExcludedStandIsAvailableForLiveParkingTry(state, sid, aircraft, stand);
    });
}

void lf_makeWayForLive(TrafficState& state, const LiveAircraft& aircraft, const Stand& stand) {
    const auto onStand =
        std::find_if(state.staticAircraft.begin(), state.staticAircraft.end(),
                     [&stand](const StaticAircraft& a) { return a.standId == stand.sid; });
    if (onStand != state.staticAircraft.end()) {
        StaticAircraft& other = *onStand;
        const bool sameFlight = other.base.displayCallsign == aircraft.base.callsign ||
                                other.base.registration == aircraft.base.registration;
        const char* same = sameFlight ? " the same live version" : "";
        if (other.simState == SimState::adding2sim) {
            removeAircraftFromSim(state, other);
            if (other.eraseNow != 0) {
                LogFile::write(fmt::format("queued {:8}: {:8} {} makes way for{} {} {}", stand.id,
                                           other.base.callsign, other.base.registration, same,
                                           aircraft.base.callsign, aircraft.base.registration));
                lf_eraseWithdrawnStatics(state);
            }
        } else if (other.simState == SimState::active) {
            LogFile::write(fmt::format("{:14}: {:8} {} makes way for{} {} {}", stand.id,
                                       other.base.callsign, other.base.registration, same,
                                       aircraft.base.callsign, aircraft.base.registration));
            gf_removeStaticAircraft(state, other, "lf_makeWayForLive");
        }
    }
    for (const std::int32_t sid : stand.exclusions) {
        const Stand* excluded = lf_stand(state, sid);
        if (excluded == nullptr) {
            continue;
        }
        for (StaticAircraft& other : state.staticAircraft) {
            if (other.standId != sid || other.simState != SimState::active) {
                continue;
            }
            if (gf_isWithinNm(excluded->position, other.base.conflictRadiusNm, stand.position,
                              aircraft.base.conflictRadiusNm)) {
                LogFile::write(fmt::format(
                    "{:14}: {:8} makes way for {} parking at excluded stand {}", excluded->id,
                    other.base.callsign, aircraft.base.callsign, stand.id));
                gf_removeStaticAircraft(state, other, "lf_makeWayForLive");
            }
            break;
        }
    }
}

void gf_startParkedTime(const TrafficState& state, LiveAircraft& aircraft) {
    aircraft.standWatch.parkedAt = state.clock.steadyNow();
    aircraft.stand.daySlot = gf_currentDaySlot();
    gf_clearAtStandCounters(aircraft);
}

void gf_clearAtStandCounters(LiveAircraft& aircraft) {
    aircraft.standWatch.seenAtStand = 0;
    SampleWatch& w = aircraft.sampleWatch;
    w.nearestNm = -1;
    w.farthestNm = 0;
    w.outwardSteps = 0;
    w.pushbackCandidate = 0;
    w.candidateNm = 0;
}

const Stand* lf_standForGroundSpawn(TrafficState& state, LiveAircraft& aircraft) {
    if (state.parkAirport.stands().empty() || aircraft.stream.empty()) {
        return nullptr;
    }
    const std::optional<Lalo> airport = state.parkAirport.parkAirportPosition();
    TrafficSample& oldest = aircraft.stream.front();
    const TrafficSample& newest = aircraft.stream.back();
    if (!airport ||
        !(lf_flatNm(*airport, {oldest.latitude, oldest.longitude}) <= kGroundSpawnAirportNm)) {
        return nullptr;
    }
    if (oldest.stationary == 0) {
        const bool slow =
            std::all_of(aircraft.stream.begin(), aircraft.stream.end(), [](const TrafficSample& s) {
                return s.groundSpeedKt <= kGroundSpawnMaxSpeedKt;
            });
        const FlatOffset spread =
            lf_offsetNm({oldest.latitude, oldest.longitude}, {newest.latitude, newest.longitude});
        if (!slow ||
            !(spread.east * spread.east + spread.north * spread.north <= kGroundSpawnSpreadNm2)) {
            return nullptr;
        }
    }
    const TrafficSample& at = oldest.stationary != 0 ? oldest : newest;
    StandWatch& watch = aircraft.standWatch;
    if (watch.searched != 0 && watch.searchTried == 0 &&
        lf_samePosition(at.latitude, at.longitude, watch.searchLatitude, watch.searchLongitude)) {
        return nullptr; // searched there already
    }
    watch.searched = 1;
    watch.searchLatitude = at.latitude;
    watch.searchLongitude = at.longitude;
    double metres = 0;
    const Stand* stand =
        gf_findNearest(state, {at.latitude, at.longitude}, aircraft.base, metres, true);
    if (stand == nullptr) {
        watch.searchTried = 0;
        return nullptr;
    }
    watch.searchTried = 1;
    if (lf_standReservedForUser(state, *stand)) {
        return nullptr;
    }
    if (lf_checkStandIsNotUsedByOtherLiveAircraftSub(state, stand->sid, aircraft)) {
        for (const std::int32_t sid : stand->exclusions) {
            const bool near = std::any_of(
                state.liveAircraft.begin(), state.liveAircraft.end(), [&](const LiveAircraft& o) {
                    return lf_liveParkedAtStandNear(state, o, sid, aircraft, *stand);
                });
            if (near) {
                aircraft.removal.eraseAfterCleanup = 1;
                return nullptr;
            }
        }
        lf_makeWayForLive(state, aircraft, *stand);
        if (lf_standUsable(state, stand->sid, aircraft.base.hexid)) {
            if (oldest.stationary == 0) {
                oldest.stationary = 1;
                oldest.groundSpeedKt = 0;
            }
            return stand;
        }
    }
    aircraft.removal.eraseAfterCleanup = 1;
    return nullptr;
}

void try2Park(TrafficState& state, LiveAircraft& aircraft) {
    if (aircraft.stream.empty()) {
        LogFile::write(fmt::format("{} empty sz?", "try2Park"));
        return;
    }
    const TrafficSample& newest = aircraft.stream.back();
    double metres = 0;
    const Stand* stand =
        gf_findNearest(state, {newest.latitude, newest.longitude}, aircraft.base, metres, false);
    if (stand == nullptr || lf_standReservedForUser(state, *stand) ||
        !lf_checkStandOrExcludedIsOccupiedByLiveParkedTry(state, *stand, aircraft)) {
        return;
    }
    lf_makeWayForLive(state, aircraft, *stand);
    if (!lf_standUsable(state, stand->sid, aircraft.base.hexid)) {
        return;
    }
    lf_assignStand(aircraft, *stand);
    aircraft.stream.resize(1);
    TrafficSample& first = aircraft.stream.front();
    const SentPosition& at = aircraft.sent;
    if (lf_samePosition(first.latitude, first.longitude, stand->position.lat,
                        stand->position.lon) &&
        !lf_samePosition(at.latitude, at.longitude, stand->position.lat, stand->position.lon)) {
        first.latitude = at.latitude;
        first.longitude = at.longitude;
        first.time = static_cast<std::int32_t>(state.currentTick() + 1);
        first.stationary = 0;
    }
    lf_setPhase(state, aircraft, FlightPhase::parking);
    MotionContext ctx{state, aircraft, state.motionWorld};
    drive2Stand(ctx, StandPose{stand->position.lat, stand->position.lon, stand->heading});
    if (aircraft.stream.size() >= 2) {
        const TrafficSample& a = aircraft.stream[0];
        TrafficSample& b = aircraft.stream[1];
        if (b.stationary == 0 &&
            lf_samePosition(a.latitude, a.longitude, b.latitude, b.longitude)) {
            b.stationary = 1;
        }
    }
}

} // namespace skyloom

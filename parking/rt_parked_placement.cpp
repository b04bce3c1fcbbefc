#include "parking/rt_parked_placement.h"

#include <algorithm>
#include <optional>
#include <string>

#include "feed/feed_fields.h"
#include "parking/parking_state.h"
#include "parking/real_stand_options.h"
#include "parking/stand_helpers.h"
#include "parking/stand_search_checks.h"
#include "refdata/code_table.h"
#include "refdata/dbase_lookups.h"
#include "traffic/stands/live_stands.h"
#include "traffic/step/traffic_state.h"

namespace skyloom {

namespace {

// A parked report as the first report of an aircraft: the common part is filled the way a
// live aircraft's is.
void lf_initBaseFromParked(AircraftBase& base, const ParkedEntry& parked) {
    TrafficEntry head;
    head.key = LiveryKey{parked.airlineId, 0, parked.modelId, 0, 0};
    head.callsign = parked.callsign;
    head.registration = parked.registration;
    head.hexid = parked.hexid;
    gf_initAircraftBase(base, head);
}

// What the common test makes of one parked entry.
struct ParkedCandidate {
    StaticAircraft* existing = nullptr; // a static aircraft that shows this RealTraffic aircraft
    std::int32_t sid = 0;               // for a new aircraft
    AircraftBase base;
};

bool lf_liveHasIdentity(const StaticParkingRun& run, const ParkedEntry& entry) {
    const std::string underscored = entry.callsign + "_";
    return std::any_of(run.live.begin(), run.live.end(), [&](const LiveAircraft& a) {
        return a.base.callsign == entry.callsign || a.base.callsign == underscored ||
               (!entry.registration.empty() && a.base.registration == entry.registration);
    });
}

// The airline of an entry whose id names no known code: the callsign's prefix, else "PVT".
void lf_settleAirline(ParkedEntry& entry) {
    if (!gf_airlineCode(entry.airlineId).empty()) {
        return;
    }
    const std::optional<std::string> prefix = gf_airlineFromCallsign(entry.callsign);
    entry.airlineId = gf_airlineId(prefix ? *prefix : std::string("PVT"));
}

// The stand-word search drops the five characters of RealTraffic's airport prefix ("EHAM_"),
// which the feed has already split off.
std::string lf_fullStandText(const ParkedEntry& entry) {
    return entry.standText.empty() ? std::string() : std::string(5, ' ') + entry.standText;
}

std::int32_t lf_standForEntry(const StaticParkingRun& run, const ParkedEntry& entry,
                              const AircraftBase& base) {
    const std::int32_t byWord =
        lf_findStandByWord(run.stands, lf_fullStandText(entry), entry.position);
    if (const Stand* stand = gf_standById(run.parking, byWord);
        stand != nullptr && !lf_modelWiderThanStand(base.key.model, *stand)) {
        return byWord;
    }
    double metres = 0;
    const Stand* nearest = gf_findNearest(run.traffic, entry.position, base, metres, true);
    return nearest != nullptr ? nearest->sid : 0;
}

// The common test of one parked entry; no value when the entry is skipped.
std::optional<ParkedCandidate> lf_testParkedEntry(const StaticParkingRun& run,
                                                  const StaticParkingState& state,
                                                  ParkedEntry& entry) {
    if (entry.callsign.empty() ||
        !gf_isCategoryIncluded(gf_modelCategory(entry.modelId), run.settings) ||
        state.feedHexids.contains(entry.hexid)) {
        return std::nullopt;
    }
    for (StaticAircraft& aircraft : run.statics) {
        if (aircraft.source == 0 && aircraft.rtHexid == entry.hexid) {
            return ParkedCandidate{&aircraft, 0, {}};
        }
    }
    if (lf_optionInUse(run, state, entry.registration, entry.callsign, entry.callsign) ||
        lf_callsignInFeed(state, entry.callsign) || lf_liveHasIdentity(run, entry)) {
        return std::nullopt;
    }
    lf_settleAirline(entry);
    ParkedCandidate candidate;
    lf_initBaseFromParked(candidate.base, entry);
    candidate.sid = lf_standForEntry(run, entry, candidate.base);
    const Stand* stand = gf_standById(run.parking, candidate.sid);
    if (stand == nullptr || stand->inUse || stand->excluded) {
        return std::nullopt;
    }
    return candidate;
}

ParkingPlanEntry lf_planEntryOf(const ParkedEntry& entry, const ParkedCandidate& candidate) {
    ParkingPlanEntry planned;
    planned.rtHexid = entry.hexid;
    planned.source = 0;
    planned.standId = candidate.sid;
    planned.age = static_cast<std::uint32_t>(std::max(entry.age, 0));
    planned.key = candidate.base.key;
    planned.callsign = candidate.base.callsign;
    planned.registration = candidate.base.registration;
    planned.preferFirst = 1;
    return planned;
}

} // namespace

void gf_placeRtParkedTraffic(const StaticParkingRun& run, StaticParkingState& state,
                             std::vector<ParkedEntry>& entries, std::int32_t wanted) {
    if (wanted < 1) {
        return;
    }
    for (ParkedEntry& entry : entries) {
        if (entry.age > run.settings.MAX_FIT) {
            return;
        }
        const std::optional<ParkedCandidate> candidate = lf_testParkedEntry(run, state, entry);
        if (!candidate) {
            continue;
        }
        if (StaticAircraft* existing = candidate->existing) {
            if (lf_standBlocked(run, state, existing->standId)) {
                return;
            }
            // A live aircraft that stays holds the stand already: this one is not kept, so
            // that the adjustment removes it rather than leave two aircraft on one stand.
            if (const Stand* stand = gf_standById(run.parking, existing->standId);
                stand != nullptr && stand->inUse) {
                continue;
            }
            existing->kept = true;
            if (gf_reserveStand(run.parking, existing->standId, wanted)) {
                return;
            }
            continue;
        }
        state.plan.push_back(lf_planEntryOf(entry, *candidate));
        if (gf_reserveStand(run.parking, candidate->sid, wanted)) {
            return;
        }
    }
}

bool lf_placeRtParkedForSearch(const StaticParkingRun& run, StaticParkingState& state,
                               std::int32_t age, SearchCounters& counters, std::int32_t wanted) {
    if (run.parkedList == nullptr) {
        return false;
    }
    ParkedTrafficList::Locked locked = run.parkedList->lock();
    for (ParkedEntry& entry : locked.entries()) {
        if (entry.age != age) {
            continue;
        }
        const std::optional<ParkedCandidate> candidate = lf_testParkedEntry(run, state, entry);
        if (!candidate) {
            continue;
        }
        if (StaticAircraft* existing = candidate->existing) {
            const Stand* stand = gf_standById(run.parking, existing->standId);
            if ((stand != nullptr && stand->inUse) ||
                lf_standBlocked(run, state, existing->standId)) {
                return true;
            }
            existing->kept = true;
            ++counters.kept;
            if (gf_reserveStand(run.parking, existing->standId, wanted)) {
                return true;
            }
            continue;
        }
        if (candidate->sid >= 1 && lf_standBlocked(run, state, candidate->sid)) {
            return false;
        }
        state.plan.push_back(lf_planEntryOf(entry, *candidate));
        ++counters.rtPlaced;
        if (gf_reserveStand(run.parking, candidate->sid, wanted)) {
            return true;
        }
    }
    return false;
}

ParkedTrafficPlacement gf_makeParkedTrafficPlacement(const StaticParkingRun& run,
                                                     StaticParkingState& state) {
    return [&run, &state](std::vector<ParkedEntry>& entries, std::int32_t wanted) {
        gf_placeRtParkedTraffic(run, state, entries, wanted);
    };
}

} // namespace skyloom

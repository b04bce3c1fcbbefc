#include "parking/stand_search.h"

#include <algorithm>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "config/parameter_rules.h"
#include "foundation/log_file.h"
#include "foundation/program_clock.h"
#include "foundation/random.h"
#include "parking/rt_parked_placement.h"
#include "parking/stand_search_checks.h"
#include "parking/parking_state.h"
#include "parking/stand_helpers.h"
#include "refdata/dbase_lookups.h"
#include "traffic/step/aircraft_record.h"
#include "runtime/window_sink.h"

namespace skyloom {

namespace {

constexpr std::int32_t kLastSlot = 47;
constexpr std::size_t kCandidateReserve = 256;

// The search's time and the time it looks at.
struct SearchTime {
    DaySlotParts now;     // the plan's weekday and slot
    DaySlotParts shifted; // now moved back by the offset
    std::int32_t offset = 0;
};

SearchTime lf_searchTime(std::uint64_t now, std::int32_t offset) {
    SearchTime time{gf_unpackDaySlot(now), gf_unpackDaySlot(now), offset};
    time.shifted.slot -= offset;
    if (time.shifted.slot < 0) {
        time.shifted.slot += 48;
        time.shifted.weekday = time.shifted.weekday <= 1 ? 7 : time.shifted.weekday - 1;
    }
    return time;
}

bool lf_hasSlot(const HoursBitset& hours, std::int32_t slot) {
    return slot >= 0 && slot <= kLastSlot && hours.test(static_cast<unsigned>(slot));
}

bool lf_sameAircraftModel(const LiveryKey& a, const LiveryKey& b) noexcept {
    return a.airline == b.airline && a.operatorId == b.operatorId && a.model == b.model &&
           a.cargo == b.cargo;
}

// Whether the chosen option's aircraft is still at the stand in the half-hour after now.
bool lf_optionStays(const Stand& stand, const FlightOption& option, const DaySlotParts& now) {
    if (option.callsign2.empty()) {
        return true;
    }
    const std::int32_t next = now.slot + 1;
    if (next <= kLastSlot) {
        return lf_hasSlot(option.hours, next);
    }
    const std::int32_t nextDay = now.weekday >= 7 ? 1 : now.weekday + 1;
    return std::any_of(stand.options.begin(), stand.options.end(), [&](const FlightOption& o) {
        return o.seq >= 1 && static_cast<std::int32_t>(o.day) == nextDay &&
               lf_sameAircraftModel(o.key, option.key) && lf_hasSlot(o.hours, 0);
    });
}

// The options of the stand the search may use at the shifted time, in file order.
void lf_collectCandidates(const StaticParkingRun& run, Stand& stand, const SearchTime& time,
                          bool sameDay, bool real, std::vector<FlightOption*>& candidates) {
    candidates.clear();
    for (FlightOption& option : stand.options) {
        if (!gf_isOptionAvailable(option) ||
            (sameDay && static_cast<std::int32_t>(option.day) != time.shifted.weekday) ||
            (real ? option.real == 0 : option.real == 1) ||
            !lf_hasSlot(option.hours, time.shifted.slot) ||
            !gf_isCategoryIncluded(gf_modelCategory(option.key.model), run.settings) ||
            lf_modelWiderThanStand(option.key.model, stand)) {
            continue;
        }
        candidates.push_back(&option);
    }
}

void lf_shuffleCandidates(std::vector<FlightOption*>& candidates) {
    for (std::size_t i = 1; i < candidates.size(); ++i) {
        std::swap(candidates[i], candidates[gf_randomUpTo(i)]);
    }
}

// The stand predicate: fills the stand from one of its options; true when the wanted count is
// now reached.
bool lf_standFitsOption(const StaticParkingRun& run, StaticParkingState& state,
                        const SearchTime& time, bool sameDay, bool real, SearchCounters& counters,
                        std::int32_t wanted, Stand& stand, std::vector<FlightOption*>& candidates) {
    if (stand.inUse || stand.excluded || (stand.heli && !run.settings.HELICOPTERS)) {
        return false;
    }
    // The candidates first: most stands have none at a given half-hour, and the blocking test
    // walks every aircraft present or planned.
    lf_collectCandidates(run, stand, time, sameDay, real, candidates);
    if (candidates.empty() || (stand.sid >= 1 && lf_standBlocked(run, state, stand.sid))) {
        return false;
    }
    if (candidates.size() > 1 && run.settings.RANDOM) {
        lf_shuffleCandidates(candidates);
    }
    FlightOption* chosen = nullptr;
    for (FlightOption* option : candidates) {
        if (!gf_isOptionAvailable(*option)) {
            continue;
        }
        if (lf_optionInUse(run, state, option->reg, option->callsign, option->callsign2)) {
            option->inUseThisRun.set = true;
            continue;
        }
        chosen = option;
        break;
    }
    if (chosen == nullptr) {
        return false;
    }
    ParkingPlanEntry entry;
    entry.source = 1;
    entry.standId = stand.sid;
    entry.age = static_cast<std::uint32_t>(time.offset);
    entry.key = chosen->key;
    entry.callsign = chosen->callsign;
    entry.callsign2 = chosen->callsign2;
    entry.registration = chosen->reg;
    entry.preferFirst = lf_optionStays(stand, *chosen, time.now) ? 1 : 0;
    state.plan.push_back(std::move(entry));
    ++counters.airportFilePlaced;
    return gf_reserveStand(run.parking, stand.sid, wanted);
}

void lf_reportSearch(const StaticParkingRun& run, bool sameDay, bool real, std::int32_t wanted,
                     const SearchCounters& counters) {
    const char* label = real ? (sameDay ? "real" : "real/week") : (sameDay ? "soft" : "soft/week");
    LogFile::write(fmt::format("\nResults for {} search (total needed: {}):", label, wanted));
    const auto plural = [](std::int32_t n) { return n == 1 ? "" : "s"; };
    if (counters.rtPlaced > 0) {
        LogFile::write(
            fmt::format("{} RT park position{}", counters.rtPlaced, plural(counters.rtPlaced)));
    }
    if (counters.kept > 0) {
        LogFile::write(fmt::format(
            "{} live and/or static aircraft may stay (compliant with airport file info)",
            counters.kept));
    }
    if (counters.airportFilePlaced >= 1) {
        const std::string how = run.settings.AUTO_PARK != 0
                                    ? std::string("auto park")
                                    : fmt::format(", with Max fit={:.1F} hours",
                                                  gf_maxFitIndexToHours(run.settings.MAX_FIT));
        LogFile::write(fmt::format("{} airport file position{} {}{}", counters.airportFilePlaced,
                                   plural(counters.airportFilePlaced), how,
                                   fmt::format(", day {}", gf_unpackDaySlot(run.now).weekday)));
    }
}

} // namespace

bool lf_keepCompliantStatics(const StaticParkingRun& run, StaticParkingState& state,
                             std::int32_t offset, bool anyDay, SearchCounters& counters,
                             std::int32_t wanted) {
    const DaySlotParts now = gf_unpackDaySlot(run.now);
    const std::int32_t lowest = std::max(now.slot - offset, 0);
    for (StaticAircraft& aircraft : run.statics) {
        if (aircraft.simState != SimState::active || aircraft.source == 0 || aircraft.kept ||
            !gf_isCategoryIncluded(aircraft.base.category, run.settings)) {
            continue;
        }
        Stand* stand = gf_standById(run.parking, aircraft.standId);
        if (stand == nullptr || stand->inUse) {
            continue;
        }
        if (lf_standBlocked(run, state, stand->sid)) {
            return false;
        }
        const std::string& callsign = aircraft.base.callsign;
        if (lf_optionInUse(run, state, aircraft.base.registration, callsign, callsign)) {
            continue;
        }
        const bool compliant =
            std::any_of(stand->options.begin(), stand->options.end(), [&](const FlightOption& o) {
                if (!anyDay && static_cast<std::int32_t>(o.day) != now.weekday) {
                    return false;
                }
                if (!lf_sameAircraftKey(aircraft.base.registration, aircraft.base.key, o)) {
                    return false;
                }
                for (std::int32_t slot = now.slot; slot >= lowest; --slot) {
                    if (lf_hasSlot(o.hours, slot)) {
                        return true;
                    }
                }
                return false;
            });
        if (!compliant) {
            continue;
        }
        aircraft.kept = true;
        ++counters.kept;
        if (gf_reserveStand(run.parking, stand->sid, wanted)) {
            return true;
        }
    }
    return false;
}

bool lf_searchStands(const StaticParkingRun& run, StaticParkingState& state, std::int32_t offset,
                     bool sameDay, bool real, SearchCounters& counters, std::int32_t wanted) {
    const SearchTime time = lf_searchTime(run.now, offset);
    const bool forward = state.nextScanForward;
    state.nextScanForward = !forward;
    std::vector<FlightOption*> candidates;
    candidates.reserve(kCandidateReserve);
    const std::size_t count = run.stands.size();
    for (std::size_t i = 0; i < count; ++i) {
        Stand& stand = run.stands[forward ? i : count - 1 - i];
        if (lf_standFitsOption(run, state, time, sameDay, real, counters, wanted, stand,
                               candidates)) {
            return true;
        }
    }
    return false;
}

void lf_searchKindReport(const StaticParkingRun& run, StaticParkingState& state, bool sameDay,
                         bool real, std::int32_t wanted) {
    if (wanted == 0) {
        return;
    }
    SearchCounters counters;
    const std::int32_t lastOffset =
        run.settings.AUTO_PARK != 0 ? kLastSlot : std::clamp(run.settings.MAX_FIT, 0, kLastSlot);
    const auto placeRt = [&](std::int32_t offset) {
        if (!(sameDay && real)) {
            return false;
        }
        if (offset == 0) {
            for (std::int32_t age = 0; age <= 3; ++age) {
                if (lf_placeRtParkedForSearch(run, state, age, counters, wanted)) {
                    return true;
                }
            }
            return false;
        }
        return offset >= 4 && lf_placeRtParkedForSearch(run, state, offset, counters, wanted);
    };
    for (std::int32_t offset = 0; offset <= lastOffset; ++offset) {
        if (placeRt(offset) ||
            (!run.statics.empty() &&
             lf_keepCompliantStatics(run, state, offset, !sameDay, counters, wanted)) ||
            lf_searchStands(run, state, offset, sameDay, real, counters, wanted)) {
            break;
        }
    }
    lf_reportSearch(run, sameDay, real, wanted, counters);
}

void lf_runStandSearches(const StaticParkingRun& run, StaticParkingState& state,
                         std::int32_t wanted) {
    const ParamsSnapshot& s = run.settings;
    const auto short_ = [&] { return lf_countStandsInUse(run.stands) < wanted; };
    run.window.enqueueUpdate(GuiUpdate::StaticFitHidden{false});
    lf_searchKindReport(run, state, true, true, wanted);
    if (short_() && (s.AUTO_PARK != 0 || s.WEEK != 0)) {
        lf_searchKindReport(run, state, false, true, wanted);
        run.window.enqueueUpdate(GuiUpdate::StaticFitHidden{true});
    }
    if (run.qfSoft > 0) {
        if (short_() && (s.AUTO_PARK != 0 || s.PARK_SOFT != 0)) {
            lf_searchKindReport(run, state, true, false, wanted);
        }
        if (short_() && (s.AUTO_PARK != 0 || (s.PARK_SOFT != 0 && s.WEEK != 0))) {
            lf_searchKindReport(run, state, false, false, wanted);
        }
    }
}

} // namespace skyloom

#include "parking/static_parking_plan.h"

#include <algorithm>
#include <cmath>
#include <string>

#include <fmt/format.h>

#include "config/parameter_rules.h"
#include "foundation/log_file.h"
#include "foundation/program_clock.h"
#include "foundation/text.h"
#include "foundation/time_text.h"
#include "feed/parked_traffic.h"
#include "parking/parking_state.h"
#include "parking/parking_window.h"
#include "parking/rt_parked_placement.h"
#include "parking/stand_helpers.h"
#include "parking/stand_search.h"
#include "parking/stand_search_checks.h"
#include "runtime/current_day_slot.h"
#include "runtime/window_sink.h"
#include "traffic/stands/park_airport_services.h"
#include "traffic/step/traffic_state.h"

namespace skyloom {

namespace {

std::int32_t lf_percentOf(std::int32_t count, std::size_t stands) {
    return stands == 0 ? 0
                       : static_cast<std::int32_t>(
                             std::lround(count * 100.0 / static_cast<double>(stands)));
}

void lf_reportPlan(const StaticParkingRun& run, StaticParkingState& state, std::int32_t inUse) {
    if (inUse == 0) {
        LogFile::write("no parking positions found");
        state.generating = false;
        run.controls.enableParkingControls();
        gf_showStaticParking(run.parking, state, run.controls);
        return;
    }
    const ParamsSnapshot& s = run.settings;
    if (s.RT_PARKTRAFFIC_ONLY != 0) {
        LogFile::writeNow(fmt::format("{} positions with RT Parked only\n", inUse));
        return;
    }
    const std::string how = s.AUTO_PARK != 0 ? std::string(" auto park")
                                             : fmt::format(", with Max fit={:.1F} hours",
                                                           gf_maxFitIndexToHours(s.MAX_FIT));
    LogFile::writeNow(fmt::format("{} positions ({}% vs wanted {}%){}\n", inUse,
                                  lf_percentOf(inUse, run.stands.size()), s.parking_percentage,
                                  how));
}

} // namespace

bool lf_processParkedTraffic(const StaticParkingRun& run, StaticParkingState& state,
                             std::int32_t wanted) {
    if (run.parkedList == nullptr) {
        return false;
    }
    return gf_processParkedTraffic(*run.parkedList, wanted, gf_unpackDaySlot(run.now).slot,
                                   run.settings.RT_PARKTRAFFIC_ONLY != 0,
                                   gf_makeParkedTrafficPlacement(run, state));
}

std::uint64_t lf_logPlanTime(const StaticParkingRun& run) {
    const DaySlotParts now = gf_unpackDaySlot(run.now);
    const double hours = (std::clamp(now.slot, 0, 47) + 1) * 0.5;
    LogFile::write(fmt::format("\n{} (utc) It is day {} ({}), {:.1F} hours", gf_programTimeText(),
                               now.weekday, gf_weekdayName(now.weekday), hours));
    return run.now;
}

void lf_reserveKnownStands(const StaticParkingRun& run) {
    const std::optional<std::string> recorded = run.traffic.parkAirport.currentParkAirportName();
    if (recorded && !recorded->empty()) {
        gf_blockUserStandForStatic(run.parking, *recorded, "Reserved");
    }
    const std::optional<std::string> user = run.traffic.parkAirport.standAtUserPosition();
    if (user && !user->empty() && (!recorded || *recorded != *user)) {
        gf_blockUserStandForStatic(run.parking, *user, "User");
    }
}

void lf_clearRtParkedTraffic(const StaticParkingRun& run, StaticParkingState& state) {
    state.feedCallsigns.clear();
    state.feedHexids.clear();
    if (run.feedIdentities != nullptr) {
        run.feedIdentities->takeOver(state.feedCallsigns, state.feedHexids);
    }
}

std::int32_t lf_wantedParkedCount(const StaticParkingRun& run) {
    const ParamsSnapshot& s = run.settings;
    if (s.RT_PARKTRAFFIC_ONLY == 0) {
        return gf_setParkedAircraftTarget(run.parking, s.parking_percentage, s.MAX_PARK_SEL,
                                          run.window);
    }
    const std::int32_t standCount = static_cast<std::int32_t>(run.stands.size());
    const std::int32_t wanted = s.MAX_PARK_SEL < 1 ? 0 : std::min(s.MAX_PARK_SEL, standCount);
    run.window.enqueueUpdate(
        GuiUpdate::ParkingTarget{wanted, lf_percentOf(wanted, run.stands.size())});
    return wanted;
}

void lf_sortPlanByAge(StaticParkingState& state) {
    std::stable_sort(
        state.plan.begin(), state.plan.end(),
        [](const ParkingPlanEntry& a, const ParkingPlanEntry& b) { return a.age > b.age; });
}

void lf_planStaticParking(const StaticParkingRun& run, StaticParkingState& state) {
    if (run.stands.empty()) {
        return;
    }
    lf_logPlanTime(run);
    run.controls.disableParkingControls();
    state.generating = true;
    state.plan.clear();
    gf_showStaticParking(run.parking, state, run.controls);

    run.window.enqueueUpdate(GuiUpdate::LiveFit{-1.0F});
    run.window.enqueueUpdate(GuiUpdate::StaticFit{-1.0F});
    run.window.enqueueUpdate(GuiUpdate::StaticFitHidden{false});
    lf_clearRtParkedTraffic(run, state);
    for (Stand& stand : run.stands) {
        stand.inUse = false;
        stand.excluded = false;
    }
    // Every plan starts from scratch: what the last plan kept is judged again, and the live
    // stayers are only known while an adjustment collects them.
    for (StaticAircraft& aircraft : run.statics) {
        aircraft.kept = false;
    }
    state.stayers.clear();
    lf_reserveKnownStands(run);

    const std::int32_t wanted = lf_wantedParkedCount(run);
    state.wanted = wanted;
    if (wanted > 0) {
        lf_processParkedTraffic(run, state, wanted);
    }
    if (run.settings.RT_PARKTRAFFIC_ONLY == 0 &&
        static_cast<std::int32_t>(state.plan.size()) < wanted) {
        lf_runStandSearches(run, state, wanted);
    }
    lf_sortPlanByAge(state);
    lf_reportPlan(run, state, lf_countStandsInUse(run.stands));
    // The positions to place from now on.
    gf_showStaticParking(run.parking, state, run.controls);
}

} // namespace skyloom

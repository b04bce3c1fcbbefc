#include "parking/static_parking.h"

#include <algorithm>
#include <chrono>

#include "config/parameters.h"
#include "foundation/clock.h"
#include "parking/learned_airport_file.h"
#include "parking/park_airport_stands.h"
#include "parking/parking_context.h"
#include "parking/parking_state.h"
#include "parking/static_parking_state.h"
#include "refdata/park_airport.h"
#include "runtime/gui_update.h"
#include "runtime/run_services.h"
#include "runtime/window_sink.h"

namespace skyloom {

namespace {

constexpr std::uint64_t kMinCountedPlanningMs = 5;
constexpr std::uint64_t kMsPerTrafficTick = 10;

} // namespace

std::uint32_t gf_planningTicks(std::uint64_t ms) noexcept {
    if (ms < kMinCountedPlanningMs) {
        return 0;
    }
    return static_cast<std::uint32_t>((ms + kMinCountedPlanningMs) / kMsPerTrafficTick);
}

void gf_saveLearnedOfParkAirport(ParkingContext& context) {
    const auto settings = context.parameters.settings();
    gf_saveLearned(context.state, context.state.stands, context.state.file.handmadeOverruled,
                   {context.entry, *settings, context.simulator, context.services.clock});
}

void lf_updateStaticParking(ParkingContext& context) {
    context.state.parkingUpdateRequested = false;
    // A reload replaces the stand table: what was learned since the last load is saved first,
    // or it would be lost with the old table. A first load has nothing to save.
    if (context.state.airportFileApplied) {
        gf_saveLearnedOfParkAirport(context);
    }
    ParkedFileOutcome outcome = lf_readParkedFile(context);
    if (!outcome.ok) {
        const std::string text = std::move(outcome.text);
        gf_runStep(context.controls.enableParkingControls);
        context.services.window.showStatusText(text, true);
        lf_stopStaticParking(context);
        return;
    }
    gf_runStep(context.steps.showParkingInterval);
    gf_runCountingTicks(context.services.clock, context.trafficTick,
                        [&context] { gf_runStep(context.steps.planStaticParking); });
}

void gf_runCountingTicks(Clock& clock, std::atomic<std::uint32_t>* trafficTick,
                         const std::function<void()>& work) {
    // The traffic moves on by ticks: a long planning would otherwise look like a frozen clock
    // to the feed's threads.
    const auto start = clock.steadyNow();
    work();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(clock.steadyNow() - start);
    const std::uint32_t ticks =
        gf_planningTicks(static_cast<std::uint64_t>(std::max<std::int64_t>(ms.count(), 0)));
    if (ticks != 0 && trafficTick != nullptr) {
        trafficTick->fetch_add(ticks);
    }
}

void lf_stopStaticParking(ParkingContext& context) {
    WindowSink& window = context.services.window;
    if (context.state.airportFileApplied) {
        gf_saveLearnedOfParkAirport(context);
        gf_applyParkOptions(context.parameters, context.state.recordedParkOptions,
                            context.controls);
    }
    context.state.airportFileApplied = false;
    gf_runStep(context.controls.enableParkButton, false);
    context.state.file.rtTrafficWeek = 0;
    gf_runStep(context.controls.enableFlushButton, false);
    // The plan, its removals and stayers name stands of the airport that is left.
    if (context.staticParking != nullptr) {
        gf_clearStaticParkingState(*context.staticParking);
    }
    context.entry.clear();
    window.enqueueUpdate(GuiUpdate::ParkAirport{IcaoCode()});
    gf_runStep(context.steps.setFeedReference, std::nullopt);
    window.enqueueUpdate(GuiUpdate::AirportFileUpdates{0});
    gf_runStep(context.steps.clearRemovalList);
    gf_runStep(context.steps.clearStaticPlan);
    // Stands, their names, the file's identity; an empty snapshot is published.
    context.state.clear();
    gf_runStep(context.steps.clearRunways);
    window.enqueueUpdate(GuiUpdate::AirportFile{false, {}});
    window.enqueueUpdate(GuiUpdate::Publisher{{}, false});
}

} // namespace skyloom

#include "parking/static_parking.h"

#include <algorithm>
#include <chrono>
#include <string_view>

#include <fmt/format.h>

#include "config/parameters.h"
#include "config/startup_choices.h"
#include "feed/feed_identities.h"
#include "feed/parked_traffic.h"
#include "foundation/clock.h"
#include "foundation/geodesy.h"
#include "foundation/log_file.h"
#include "parking/learned_airport_file.h"
#include "parking/park_airport_list.h"
#include "parking/park_airport_stands.h"
#include "parking/park_options.h"
#include "parking/parking_adjustments.h"
#include "parking/parking_context.h"
#include "parking/parking_state.h"
#include "parking/parking_window.h"
#include "parking/static_parking_plan.h"
#include "parking/static_parking_state.h"
#include "refdata/park_airport.h"
#include "runtime/current_day_slot.h"
#include "runtime/gui_update.h"
#include "runtime/run_services.h"
#include "runtime/window_sink.h"
#include "traffic/motion/motion_world.h"
#include "traffic/step/traffic_state.h"

namespace skyloom {

namespace {

constexpr std::uint64_t kMinCountedPlanningMs = 5;
// The source of the runways of a park airport without a file of its own: the simulator's.
constexpr std::string_view kSimulatorRunwaysSource = "stock";
constexpr std::uint64_t kMsPerTrafficTick = 10;

} // namespace

std::uint32_t gf_planningTicks(std::uint64_t ms) noexcept {
    if (ms < kMinCountedPlanningMs) {
        return 0;
    }
    return static_cast<std::uint32_t>((ms + kMinCountedPlanningMs) / kMsPerTrafficTick);
}

bool gf_saveLearnedOfParkAirport(ParkingContext& context) {
    const auto settings = context.parameters.settings();
    return gf_saveLearned(context.state, context.state.stands, context.state.file.handmadeOverruled,
                          {context.entry, *settings, context.simulator, context.services.clock});
}

namespace {

// Plans static parking on the stands in place, the parking interval counted down afresh.
void lf_planInPlace(ParkingContext& context) {
    gf_showStaticParking(context.state, context.staticParking, context.window);
    context.window.showParkingInterval();
    gf_runCountingTicks(context.services.clock, context.traffic.tick,
                        [&context] { gf_planStaticParking(context); });
}

} // namespace

void lf_updateStaticParking(ParkingContext& context) {
    context.state.parkingUpdateRequested = false;
    // A reload replaces the stand table: what was learned since the last load is saved first,
    // or it would be lost with the old table. A first load has nothing to save. Saved at every
    // reload, what a run learned outlives a run that ends without its shutdown; the park
    // airports (a user's stand, a new destination) go with it when they changed.
    if (context.state.airportFileApplied) {
        const bool saved = gf_saveLearnedOfParkAirport(context);
        context.list.saveChanges();
        if (!saved) {
            LogFile::writeImportant(
                "The park airport's stands are not read again: what was learned since they were "
                "read could not be saved and stays in place until it is");
            lf_planInPlace(context);
            return;
        }
    }
    const IcaoCode airport = context.entry.get().icao;
    ParkingState& state = context.state;
    // Reads of the file again after a passing failure: the status line says the first failure
    // and the end of them, as the log does, not each read again.
    const std::int32_t failedBefore =
        state.fileFailedAirport == airport ? state.fileReadsFailed : 0;
    ParkedFileOutcome outcome = lf_readParkedFile(context);
    if (!outcome.ok) {
        const std::string text = std::move(outcome.text);
        context.window.enableParkingControls();
        if (failedBefore == 0 || !outcome.retryAt) {
            context.services.window.showStatusText(text, !outcome.logged, StatusWeight::warning);
        }
        lf_stayWithoutStands(context);
        state.fileReadAgainAt = outcome.retryAt;
        state.fileReadsFailed = outcome.retryAt ? failedBefore + 1 : 0;
        state.fileFailedAirport = airport;
        return;
    }
    if (failedBefore > 0) {
        context.services.window.showStatusText(
            fmt::format("downloaded the airport file of {} after {} failed attempt{}",
                        airport.view(), failedBefore, failedBefore == 1 ? "" : "s"),
            false, StatusWeight::info);
    }
    state.fileReadsFailed = 0;
    lf_planInPlace(context);
}

StaticParkingRun gf_staticParkingRun(ParkingContext& context, const ParamsSnapshot& settings) {
    const TrafficSource road = context.rtDirect ? TrafficSource::rtDirect : TrafficSource::rtApp;
    StaticParkingRun run =
        gf_makeStaticParkingRun(context.state, context.traffic, settings, gf_currentDaySlot(),
                                context.window, context.services.window);
    run.feedIdentities = &gf_feedIdentities(road);
    run.parkedList = &gf_parkedTraffic(road);
    return run;
}

void gf_planStaticParking(ParkingContext& context) {
    const auto settings = context.parameters.settings();
    lf_planStaticParking(gf_staticParkingRun(context, *settings), context.staticParking);
    context.traffic.maxParked = context.state.maxParked;
}

void gf_adjustParking(ParkingContext& context, bool rtOnlySwitchedTo) {
    // The panel says so while the adjustment runs and its plan is placed.
    gf_showStaticParking(context.state, context.staticParking, context.window);
    // Timed like a plan: the traffic moves on by the ticks a long adjustment took.
    gf_runCountingTicks(context.services.clock, context.traffic.tick, [&] {
        const auto settings = context.parameters.settings();
        lf_adjustParking(gf_staticParkingRun(context, *settings), context.staticParking,
                         rtOnlySwitchedTo);
        context.traffic.maxParked = context.state.maxParked;
    });
    gf_showStaticParking(context.state, context.staticParking, context.window);
}

void gf_followStaticParkingPlan(ParkingContext& context) {
    StaticParkingState& plan = context.staticParking;
    const TrafficState& traffic = context.traffic;
    // A full simulator takes nothing of the plan until it has room, which may take as long as
    // the live traffic fills it: the step ends, so that the user can lower the settings that
    // make room, and what waits is created as room comes.
    if (plan.generating && (plan.plan.empty() || traffic.simulatorFull)) {
        plan.generating = false;
        context.window.enableParkingControls();
        const std::size_t waiting = plan.plan.size() + traffic.staticCreateQueue.size();
        if (traffic.simulatorFull && waiting > 0) {
            // After the controls: their return clears the status line.
            context.services.window.showStatusText(
                fmt::format("Parking: the simulator is full, {} parked aircraft could not be "
                            "placed yet",
                            waiting),
                true, StatusWeight::warning);
        }
    }
    gf_showStaticParking(context.state, plan, context.window);
}

void gf_runCountingTicks(Clock& clock, std::atomic<std::uint32_t>& trafficTick,
                         const std::function<void()>& work) {
    // The traffic moves on by ticks: a long planning would otherwise look like a frozen clock
    // to the feed's threads.
    const auto start = clock.steadyNow();
    work();
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(clock.steadyNow() - start);
    const std::uint32_t ticks =
        gf_planningTicks(static_cast<std::uint64_t>(std::max<std::int64_t>(ms.count(), 0)));
    if (ticks != 0) {
        trafficTick.fetch_add(ticks);
    }
}

namespace {

// What was learned is saved and the park options go back (while a file is applied); the file's
// flags and buttons go.
void lf_putFileAway(ParkingContext& context) {
    if (context.state.airportFileApplied) {
        gf_saveLearnedOfParkAirport(context);
        gf_applyParkOptions(context.parameters, context.state.recordedParkOptions, context.window);
    }
    context.state.airportFileApplied = false;
    context.window.enableParkButton(false);
    context.state.file.rtTrafficWeek = 0;
    context.window.enableFlushButton(false);
}

// The stands, their plan and the runways go, and the window's airport file with them.
void lf_emptyParkAirportState(ParkingContext& context) {
    WindowSink& window = context.services.window;
    window.enqueueUpdate(GuiUpdate::AirportFileUpdates{0});
    // The plan, its removals and stayers name stands of the airport that is left.
    gf_clearStaticParkingState(context.staticParking);
    // Stands, their names, the file's identity; an empty snapshot is published.
    context.state.clear();
    gf_clearParkAirportRunways(context.traffic);
    window.enqueueUpdate(GuiUpdate::AirportFile{false, {}});
    window.enqueueUpdate(GuiUpdate::Publisher{{}, false});
    gf_showStaticParking(context.state, context.staticParking, context.window);
}

} // namespace

void lf_stopStaticParking(ParkingContext& context) {
    lf_putFileAway(context);
    context.entry.clear();
    context.services.window.enqueueUpdate(GuiUpdate::ParkAirport{IcaoCode()});
    gf_setFeedReference(context, std::nullopt);
    lf_emptyParkAirportState(context);
}

void lf_stayWithoutStands(ParkingContext& context) {
    lf_putFileAway(context);
    lf_emptyParkAirportState(context);
    const AirportEntry park = context.entry.get();
    if (!park.icao.isSet() || !gf_isValidLalo(park.position())) {
        return;
    }
    // The simulator's facilities give the runways of every airport, a file of its own or not.
    lf_correctRunwayHeadings(context.traffic, park.icao, kSimulatorRunwaysSource);
    gf_setFeedReference(context, static_cast<double>(park.altitudeFt));
}

} // namespace skyloom

#include "app/program_static_parking.h"

#include "config/parameters.h"
#include "config/params_snapshot.h"
#include "feed/feed_fields.h"
#include "feed/feed_identities.h"
#include "feed/parked_traffic.h"
#include "foundation/geodesy.h"
#include "gui/parking_controls.h"
#include "parking/park_airport_list.h"
#include "parking/parking_adjustments.h"
#include "parking/parking_context.h"
#include "parking/parking_state.h"
#include "parking/real_stand_options.h"
#include "parking/stand_at_position.h"
#include "parking/stand_helper_seams.h"
#include "parking/stand_helpers.h"
#include "parking/static_parking.h"
#include "parking/static_parking_plan.h"
#include "refdata/park_airport.h"
#include "runtime/current_day_slot.h"
#include "runtime/run_services.h"
#include "runtime/user_aircraft.h"
#include "runtime/window_sink.h"
#include "traffic/step/aircraft_commands.h"
#include "traffic/removals/bulk_removals.h"
#include "traffic/step/flight_texts.h"
#include "traffic/ground/ground_motion.h"
#include "traffic/stands/live_stands.h"
#include "traffic/stands/static_traffic.h"
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

} // namespace

StaticParkingState& gf_staticParkingState() {
    static StaticParkingState state;
    return state;
}

ParkingSeams gf_programParkingSeams(const ParkingContext& context) {
    ParkingSeams seams;
    gf_fillStandHelperSeams(seams, context.state, context.services.window);
    seams.gf_currentParkAirportName = [&list = context.list] { return list.currentName(); };
    seams.gf_standAtUserPosition = [&state = context.state,
                                    &user = context.user]() -> std::optional<std::string> {
        const UserPosition at = user.position();
        return gf_standAtPosition(state.standsSnapshot(), at.known, at.position);
    };
    seams.gf_isCategoryIncluded = [&parameters = context.parameters](AircraftCategory category) {
        return gf_isCategoryIncluded(category, *parameters.settings());
    };
    seams.gf_isValidIcao = [](const std::string& callsign) {
        return gf_airlineFromCallsign(callsign);
    };
    seams.gf_initAircraftBase = lf_initBaseFromParked;
    seams.gf_processParkedTraffic = [](std::int32_t wanted) {
        return gf_processParkedTraffic(wanted);
    };
    seams.gf_disableParkingControls = [] { gf_disableParkingControls(); };
    seams.gf_enableParkingControls = [] { gf_enableParkingControls(); };
    return seams;
}

void gf_wireStaticParking(ParkingContext& context, TrafficState& traffic) {
    ParkingState& parking = context.state;
    StaticParkingState* plan = context.staticParking;
    ProgramParameters& parameters = context.parameters;
    WindowSink& window = context.services.window;
    const TrafficSource road = context.rtDirect ? TrafficSource::rtDirect : TrafficSource::rtApp;
    ParkingSeams seams = gf_programParkingSeams(context);
    // The static aircraft and the live ones at their stands are the traffic's.
    seams.gf_findNearest = [&traffic](const std::vector<Stand>&, const AircraftBase& base,
                                      const Lalo& position) -> std::optional<std::int32_t> {
        double metres = 0;
        const Stand* stand = gf_findNearest(traffic, position, base, metres, true);
        return stand != nullptr ? std::optional<std::int32_t>(stand->sid) : std::nullopt;
    };
    seams.lf_collectLiveStayers = [&traffic](std::vector<LiveStayer>& stayers) {
        lf_collectLiveStayers(traffic, stayers);
    };
    seams.lf_removeNOldestLiveParked = [&traffic](std::int32_t count) {
        lf_removeNOldestLiveParked(traffic, count);
    };
    seams.removeAircraftFromSim = [&traffic](StaticAircraft& aircraft) {
        removeAircraftFromSim(traffic, aircraft);
    };
    traffic.stands = &parking.stands;
    GroundMotionSteps& ground = traffic.motionWorld.ground;
    gf_wireGroundMotion(ground);
    ground.lf_standFree = [](MotionContext& ctx) {
        return lf_standFree(ctx.state, static_cast<std::int32_t>(ctx.aircraft.stand.standId),
                            ctx.aircraft.base.hexid);
    };
    ground.standExists = [&parking](std::uint32_t sid) {
        return gf_standById(parking, static_cast<std::int32_t>(sid)) != nullptr;
    };
    ground.standRadiusNm = [&parking](std::uint32_t sid) {
        const Stand* stand = gf_standById(parking, static_cast<std::int32_t>(sid));
        return stand != nullptr ? stand->radius : 0.0;
    };
    ground.gf_addRealStandOption = [](MotionContext& ctx) {
        if (ctx.state.steps.gf_addRealStandOption) {
            ctx.state.steps.gf_addRealStandOption(ctx.state, ctx.aircraft, kStandUseArrived);
        }
    };
    ground.gf_limitParkedAircraft = [&traffic] {
        gf_limitParkedAircraft(traffic, 0, gf_currentDaySlot());
    };
    ground.try2Park = [](MotionContext& ctx) { try2Park(ctx.state, ctx.aircraft); };
    ground.flightMessage = [&window](std::string text) {
        gf_flightMessage(std::move(text), *gf_paramsSnapshot(),
                         [&window](std::string line, bool log) {
                             window.showStatusText(line, log);
                         });
    };
    TrafficSteps& steps = traffic.steps;
    steps.gf_standById = [&parking](std::int32_t sid) { return gf_standById(parking, sid); };
    steps.gf_standsConflict = [&parking](std::int32_t a, std::int32_t b) {
        return gf_standsConflict(parking, a, b);
    };
    steps.gf_standFitsAircraft = gf_standFitsAircraft;
    steps.lf_standHasMatchingFlightOption = [](const Stand& stand, const AircraftBase& base) {
        return lf_standHasMatchingFlightOption(stand, base.callsign, base.key);
    };
    steps.gf_currentParkAirportName = seams.gf_currentParkAirportName;
    steps.gf_standAtUserPosition = seams.gf_standAtUserPosition;
    steps.gf_parkAirportPosition = [&entry = context.entry]() -> std::optional<Lalo> {
        const AirportEntry park = entry.get();
        if (!park.icao.isSet() || !gf_isValidLalo(park.position())) {
            return std::nullopt;
        }
        return park.position();
    };
    steps.gf_isCategoryIncluded = seams.gf_isCategoryIncluded;
    steps.gf_addRealStandOption = [&parking, &window](TrafficState&, LiveAircraft& aircraft,
                                                      std::int32_t kind) {
        gf_addRealStandOption(parking, static_cast<std::int32_t>(aircraft.stand.standId),
                              aircraft.base, kind, gf_currentDaySlot(), window);
    };
    steps.standIdText = [&parking](std::uint32_t sid) {
        return gf_standIdText(parking, static_cast<std::int32_t>(sid));
    };
    if (plan != nullptr) {
        traffic.staticRequests = &plan->plan;
    }
    // One plan or adjustment over the traffic's aircraft as they are now.
    auto withRun = [&parking, plan, &parameters, &window, road, &traffic, seams](const auto& work) {
        if (plan == nullptr) {
            return;
        }
        const auto settings = parameters.settings();
        const ModelFacts models = gf_dbaseModelFacts();
        const StaticParkingRun run{parking.stands,       traffic.staticAircraft,
                                   traffic.liveAircraft, *settings,
                                   parking.qfSoft,       gf_currentDaySlot(),
                                   seams,                models,
                                   window,               &gf_feedIdentities(road),
                                   &gf_parkedTraffic(road)};
        work(run, *plan);
        traffic.maxParked = parking.maxParked;
    };
    context.steps.planStaticParking = [withRun] {
        withRun([](const StaticParkingRun& run, StaticParkingState& state) {
            lf_planStaticParking(run, state);
        });
    };
    // Timed like a plan: the traffic moves on by the ticks a long adjustment took.
    context.steps.adjustParking = [withRun, &clock = context.services.clock,
                                   tick = context.trafficTick](bool rtOnlySwitchedTo) {
        gf_runCountingTicks(clock, tick, [&withRun, rtOnlySwitchedTo] {
            withRun([rtOnlySwitchedTo](const StaticParkingRun& run, StaticParkingState& state) {
                lf_adjustParking(run, state, rtOnlySwitchedTo);
            });
        });
    };
    context.steps.removeAllStaticAndLiveAtAirport = [&traffic] {
        lf_removeAllStaticAndLiveAtAirport(traffic);
    };
}

void gf_enableParkingControlsWhenPlanned(const ParkingContext& context) {
    StaticParkingState* plan = context.staticParking;
    if (plan != nullptr && plan->generating && plan->plan.empty()) {
        plan->generating = false;
        gf_enableParkingControls();
    }
}

} // namespace skyloom

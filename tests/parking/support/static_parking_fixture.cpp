#include "tests/parking/support/static_parking_fixture.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "feed/feed_fields.h"
#include "foundation/geodesy.h"
#include "foundation/program_clock.h"
#include "parking/parking_adjustments.h"
#include "parking/rt_parked_placement.h"
#include "parking/stand_helper_seams.h"
#include "parking/stand_search_checks.h"
#include "parking/static_parking_plan.h"

namespace skyloom::testing {

namespace {

constexpr double kNmPerMetre = 1.0 / 1852.0;
constexpr double kNearestReachNm = 0.04387149028077754;

constexpr std::array<TestModel, kTestModelCount> kModels{{
    {AircraftCategory::Light, 5.5},
    {AircraftCategory::Rotorcraft, 5.5},
    {AircraftCategory::Large, 14.3},
    {AircraftCategory::Large, 17.9},
    {AircraftCategory::Large, 17.9},
    {AircraftCategory::Heavy, 32.4},
    {AircraftCategory::Heavy, 39.9},
}};

std::optional<std::int32_t> lf_nearest(const std::vector<Stand>& stands, const AircraftBase& base,
                                       const Lalo& position) {
    std::optional<std::int32_t> best;
    double bestNm = kNearestReachNm;
    for (const Stand& stand : stands) {
        const bool rotorcraft = base.category == AircraftCategory::Rotorcraft;
        if (stand.type == StandType::NONE || stand.excluded || stand.heli != rotorcraft ||
            base.halfWingspanNm - stand.radius > kStandWidthToleranceNm) {
            continue;
        }
        const double nm = gf_distanceNM(stand.position, position);
        if (nm <= bestNm) {
            bestNm = nm;
            best = stand.sid;
        }
    }
    return best;
}

} // namespace

const TestModel& testModel(std::uint16_t modelId) {
    return kModels.at(std::clamp<std::uint16_t>(modelId, 1, kTestModelCount) - 1u);
}

StaticParkingFixture::StaticParkingFixture() {
    settings.parking_percentage = 60;
    settings.MAX_PARK_SEL = 400;
    settings.MAX_FIT = 11;
    settings.WEEK = 1;
    settings.PARK_SOFT = 1;
    now = gf_packDaySlot({3, 30});
    models.category = [](std::uint16_t id) { return testModel(id).category; };
    models.halfWingspanNm = [](std::uint16_t id) {
        return testModel(id).halfWingspanMetres * kNmPerMetre;
    };
    gf_fillStandHelperSeams(seams, parking, window);
    seams.gf_currentParkAirportName = [this] { return recordedStand; };
    seams.gf_standAtUserPosition = [this] { return userStand; };
    seams.gf_isCategoryIncluded = [this](AircraftCategory c) {
        return c != AircraftCategory::Rotorcraft || settings.HELICOPTERS;
    };
    seams.gf_isValidIcao = [](const std::string& callsign) {
        return gf_airlineFromCallsign(callsign);
    };
    seams.gf_initAircraftBase = [](AircraftBase& base, const ParkedEntry& entry) {
        base.key = LiveryKey{entry.airlineId, 0, entry.modelId, 0, 0};
        base.callsign = entry.callsign;
        base.registration = entry.registration;
        base.category = testModel(entry.modelId).category;
        base.halfWingspanNm = testModel(entry.modelId).halfWingspanMetres * kNmPerMetre;
    };
    seams.gf_findNearest = lf_nearest;
    seams.lf_collectLiveStayers = [this](std::vector<LiveStayer>& out) { out = liveStayers; };
    seams.lf_removeNOldestLiveParked = [this](std::int32_t n) {
        oldestLiveRemoved += n;
        liveStayers.resize(liveStayers.size() - std::min<std::size_t>(liveStayers.size(), n));
    };
    seams.removeAircraftFromSim = [this](StaticAircraft& aircraft) {
        aircraft.simState = SimState::removingfromsim;
        removedFromSim.push_back(aircraft.base.callsign);
    };
    seams.gf_processParkedTraffic = [this](std::int32_t wanted) {
        const StaticParkingRun current = run();
        return gf_processParkedTraffic(parked, wanted, gf_unpackDaySlot(now).slot,
                                       settings.RT_PARKTRAFFIC_ONLY != 0,
                                       gf_makeParkedTrafficPlacement(current, state));
    };
    seams.gf_disableParkingControls = [] {};
    seams.gf_enableParkingControls = [] {};
}

StaticParkingRun StaticParkingFixture::run() {
    return StaticParkingRun{stands, statics, live,   settings, qfSoft, now,
                            seams,  models,  window, &feed,    &parked};
}

void StaticParkingFixture::indexStandNames() {
    parking.standNames.clear();
    for (const Stand& stand : stands) {
        parking.standNames.insert_or_assign(stand.id, stand.sid);
    }
}

void StaticParkingFixture::plan() {
    indexStandNames();
    lf_planStaticParking(run(), state);
}

void StaticParkingFixture::adjust(bool rtOnlySwitchedTo) {
    indexStandNames();
    lf_adjustParking(run(), state, rtOnlySwitchedTo);
}

void StaticParkingFixture::realise() {
    const DaySlotParts today = gf_unpackDaySlot(now);
    while (!state.plan.empty()) {
        const ParkingPlanEntry request = state.plan.back();
        state.plan.pop_back();
        StaticAircraft aircraft;
        aircraft.base.key = request.key;
        aircraft.base.callsign = request.callsign.empty()
                                     ? "RT" + std::to_string(nextStaticHexid_) + "*"
                                     : lf_determineStaticCallsign(request);
        aircraft.base.displayCallsign = request.callsign;
        aircraft.base.thirdText = request.callsign2;
        aircraft.base.registration = request.registration;
        aircraft.base.category = testModel(request.key.model).category;
        aircraft.base.hexid = static_cast<std::uint32_t>(nextStaticHexid_++);
        aircraft.rtHexid = request.rtHexid;
        aircraft.source = request.source;
        aircraft.standId = request.standId;
        aircraft.simState = SimState::active;
        aircraft.parkedDay = today.weekday;
        aircraft.parkedSlot = today.slot - static_cast<std::int32_t>(request.age);
        if (aircraft.parkedSlot < 0) {
            aircraft.parkedSlot += 48;
            aircraft.parkedDay = today.weekday == 1 ? 7 : today.weekday - 1;
        }
        statics.push_back(std::move(aircraft));
    }
}

LiveAircraft& StaticParkingFixture::addLive(std::string callsign, std::string registration) {
    AircraftBase base;
    base.callsign = std::move(callsign);
    base.registration = std::move(registration);
    return live.emplace_back(TrafficSample{}, std::move(base), 0.0, now);
}

} // namespace skyloom::testing

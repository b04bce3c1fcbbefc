#include "tests/parking/support/static_parking_fixture.h"

#include <array>
#include <chrono>
#include <utility>

#include <fmt/format.h>
#include <pugixml.hpp>

#include "foundation/program_clock.h"
#include "parking/parking_adjustments.h"
#include "parking/static_parking_plan.h"
#include "refdata/code_table.h"
#include "refdata/dbase.h"
#include "traffic/stands/live_stands.h"

namespace skyloom::testing {

namespace {

constexpr std::array<TestModel, kTestModelCount> kModels{{
    {"C172", AircraftCategory::Light, 5.5},
    {"H145", AircraftCategory::Rotorcraft, 5.5},
    {"E190", AircraftCategory::Large, 14.3},
    {"A320", AircraftCategory::Large, 17.9},
    {"B738", AircraftCategory::Large, 17.9},
    {"B77W", AircraftCategory::Heavy, 32.4},
    {"A388", AircraftCategory::Heavy, 39.9},
}};

// The seven models with their wingspans and categories as the program's dbase.
void lf_publishTestDbase() {
    std::string models;
    for (const TestModel& m : kModels) {
        models += fmt::format(R"(<m c="{}" w="{}"/>)", m.code, 2 * m.halfWingspanMetres);
    }
    const std::string xml = fmt::format(
        R"(<root><models>{}</models><categories><c n="Large" m="E190,A320,B738"/>)"
        R"(<c n="Heavy" m="B77W,A388"/><c n="Rotorcraft" m="H145"/></categories></root>)",
        models);
    pugi::xml_document document;
    document.load_string(xml.c_str());
    gf_publishDbase(Dbase::fromDocument(document.child("root"), "static parking test models"));
}

} // namespace

const TestModel& testModel(std::uint16_t n) {
    return kModels.at(std::clamp<std::uint16_t>(n, 1, kTestModelCount) - 1u);
}

std::uint16_t testModelId(std::uint16_t n) {
    return gf_modelId(testModel(n).code);
}

const TestModel& testModelOf(std::uint16_t modelId) {
    for (std::uint16_t n = 1; n <= kTestModelCount; ++n) {
        if (testModelId(n) == modelId) {
            return testModel(n);
        }
    }
    return kModels.front();
}

StaticParkingFixture::StaticParkingFixture() {
    lf_publishTestDbase();
    lf_initTrafficState(traffic.state_);
    settings.parking_percentage = 60;
    settings.MAX_PARK_SEL = 400;
    settings.MAX_FIT = 11;
    settings.WEEK = 1;
    settings.PARK_SOFT = 1;
    parking.qfSoft = 50;
    now = gf_packDaySlot({3, 30});
}

StaticParkingRun StaticParkingFixture::run() {
    StaticParkingRun r =
        gf_makeStaticParkingRun(parking, traffic.state_, settings, now, controls, window);
    r.feedIdentities = &feed;
    r.parkedList = &parked;
    return r;
}

void StaticParkingFixture::prepare() {
    parking.standNames.clear();
    for (const Stand& stand : stands) {
        parking.standNames.insert_or_assign(stand.id, stand.sid);
    }
    parking.airportFileApplied = true;
    if (!recordedStand.empty()) {
        traffic.world_.parkAirports.setPositionAndName(IcaoCode("EHAM"), {52.31, 4.76},
                                                       recordedStand);
    }
}

void StaticParkingFixture::plan() {
    prepare();
    lf_planStaticParking(run(), state);
}

void StaticParkingFixture::adjust(bool rtOnlySwitchedTo) {
    prepare();
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
        aircraft.base.category = testModelOf(request.key.model).category;
        aircraft.base.hexid = nextStaticHexid_++;
        aircraft.objectId = 1000 + aircraft.base.hexid;
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
    base.hexid = nextLiveHexid_++;
    return live.emplace_back(TrafficSample{}, std::move(base), 0.0, now);
}

LiveAircraft& StaticParkingFixture::addStayer(std::string callsign, std::string registration,
                                              std::int32_t sid, double minutes) {
    LiveAircraft& a = addLive(std::move(callsign), std::move(registration));
    a.simState = SimState::active;
    a.objectId = a.base.hexid;
    a.phase.phase = FlightPhase::parked;
    lf_assignStand(a, stands.at(static_cast<std::size_t>(sid) - 1));
    a.standWatch.parkedAt =
        traffic.clock_.steadyNow() -
        std::chrono::duration_cast<std::chrono::steady_clock::duration>(
            std::chrono::duration<double, std::ratio<60>>(minutes));
    return a;
}

} // namespace skyloom::testing

// The park airport as the user moves: chosen on the ground and in the air, switched when
// another park airport comes nearer, none out of reach; its stands loaded from its airport file,
// a stand use of a live aircraft learned, saved and still there after the periodic reload and
// after leaving and coming back; the stands snapshot read by another thread meanwhile.
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <fmt/format.h>

#include <gtest/gtest.h>

#include "config/parameters.h"
#include "foundation/file_header.h"
#include "foundation/manual_clock.h"
#include "foundation/program_clock.h"
#include "foundation/version.h"
#include "parking/airport_store.h"
#include "parking/apf_stand_reader.h"
#include "parking/park_airport_choice.h"
#include "parking/park_airport_list.h"
#include "parking/park_airport_stands.h"
#include "parking/parking_context.h"
#include "parking/parking_state.h"
#include "parking/real_stand_options.h"
#include "parking/stand_at_position.h"
#include "parking/static_parking.h"
#include "refdata/airports.h"
#include "refdata/park_airport.h"
#include "runtime/run_services.h"
#include "runtime/stop_request.h"
#include "runtime/user_aircraft.h"
#include "tests/parking/support/parking_context_test.h"
#include "tests/parking/support/parking_test_support.h"
#include "tests/support/captured_log.h"
#include "tests/support/recording_window_sink.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_files.h"
#include "traffic/step/aircraft_record.h"

namespace skyloom {
namespace {

namespace fs = std::filesystem;

using testing::kEham;
const AirportEntry kEhrd{IcaoCode("EHRD"), IataCode("RTM"), 51.95694, 4.43722, -15};
const Lalo kNearEham{52.31, 4.76};
const Lalo kNearEhrd{51.96, 4.44};

class ParkAirportTest : public testing::ParkingContextTest {
protected:
    void SetUp() override {
        ParkingContextTest::SetUp();
        gf_setAirports({kEham, kEhrd});
        AirportFile airport = testing::gridAirport(3);
        airport.publisher = "Pub";
        testing::writeApf(airport, gf_myThirdpartyFolder() / "EHAM.xml");
        airport.icao = IcaoCode("EHRD");
        testing::writeApf(airport, gf_myThirdpartyFolder() / "EHRD.xml");
    }
    void TearDown() override {
        gf_setAirports({});
        ParkingContextTest::TearDown();
    }
    void place(const Lalo& at, bool onGround, double aglFt) {
        UserAircraftState s;
        s.latitude = at.lat;
        s.longitude = at.lon;
        s.altitudeAboveGround = aglFt;
        user_.storeState(s);
        user_.onGround = onGround;
    }
    bool hasLearned(std::string_view reg) const {
        return !state_.stands.empty() &&
               std::any_of(state_.stands[0].options.begin(), state_.stands[0].options.end(),
                           [&](const FlightOption& o) { return o.reg == reg && o.origin == 0; });
    }
};

TEST_F(ParkAirportTest, TheParkAirportIsChosenSwitchedAndLeft) {
    // On the ground far from every airport: none.
    place({52.9, 3.2}, true, 0);
    gf_updateParkAirport(context_, {52.9, 3.2});
    EXPECT_FALSE(entry_.isSet());
    EXPECT_EQ(window_.last<GuiUpdate::StatusText>()->text,
              "User aircraft on the ground, no RT supported airport within reach");

    // On the ground at Schiphol: the closest airport, whatever the list says.
    place(kNearEham, true, 0);
    gf_updateParkAirport(context_, kNearEham);
    EXPECT_EQ(entry_.get().icao, kEham.icao);
    EXPECT_TRUE(state_.parkingUpdateRequested);
    EXPECT_EQ(window_.last<GuiUpdate::ParkAirport>()->code, kEham.icao);
    lf_updateStaticParking(context_);
    EXPECT_EQ(state_.stands.size(), 3u);
    EXPECT_TRUE(window_.last<GuiUpdate::ParkingTarget>().has_value()) << "planned";
    // A static aircraft placed there, which leaves with the park airport.
    StaticAircraft& parked = trafficState_.staticAircraft.emplace_back();
    parked.base.callsign = "KLM1*";
    parked.objectId = 101;
    parked.simState = SimState::active;

    // Airborne towards Rotterdam, which the user chose: Schiphol is left once Rotterdam is
    // nearer, then Rotterdam, in front of the list, is chosen.
    list_.setPosition(kEhrd.icao, kEhrd.position());
    place({52.2, 4.7}, false, 2500);
    gf_checkParkAirportsReach(context_, {52.2, 4.7});
    EXPECT_EQ(entry_.get().icao, kEham.icao); // both within reach, Schiphol still nearer
    const testing::CapturedLog log;
    place({52.1, 4.6}, false, 1500);
    gf_checkParkAirportsReach(context_, {52.1, 4.6});
    EXPECT_TRUE(log.contains("EHRD is within reach, parked aircraft at EHAM (AMS) will be removed first"));
    EXPECT_FALSE(entry_.isSet());
    EXPECT_EQ(trafficState_.staticAircraft.front().simState, SimState::removingfromsim);
    EXPECT_TRUE(state_.stands.empty());
    gf_updateParkAirport(context_, kNearEhrd);
    EXPECT_EQ(entry_.get().icao, kEhrd.icao);
    EXPECT_EQ(window_.last<GuiUpdate::StatusText>()->text, "EHRD within reach");

    // Too high above the ground, nothing is within reach.
    lf_stopStaticParking(context_);
    place(kNearEhrd, false, 18001);
    gf_updateParkAirport(context_, kNearEhrd);
    EXPECT_FALSE(entry_.isSet());
}

TEST_F(ParkAirportTest, ALearnedStandUseSurvivesThePeriodicReloadAndComingBack) {
    const testing::PublishedRegistrations registrations(R"(<r g="PH-BXK" a="KLM" m="B738"/>)");
    entry_.set(kEham);
    lf_updateStaticParking(context_);
    ASSERT_TRUE(state_.airportFileApplied);
    AircraftBase arrival;
    arrival.registration = "PH-BXK_";
    arrival.callsign = "KLM1234";
    const std::uint64_t now = gf_packDaySlot({3, 20});
    gf_addRealStandOption(state_, 1, arrival, kStandArrived, now, window_);
    ASSERT_TRUE(hasLearned("PH-BXK"));
    EXPECT_EQ(window_.last<GuiUpdate::AirportFileUpdates>()->count, 1);

    {
        const testing::CapturedLog log;
        lf_updateStaticParking(context_); // the periodic reload
        EXPECT_TRUE(log.contains("saved with 1 update"));
        EXPECT_FALSE(log.contains("saved with 1 updates"));
    }
    EXPECT_TRUE(hasLearned("PH-BXK"));
    EXPECT_EQ(state_.updateCount, 0);

    lf_stopStaticParking(context_);
    EXPECT_FALSE(entry_.isSet());
    entry_.set(kEham);
    lf_updateStaticParking(context_);
    EXPECT_TRUE(hasLearned("PH-BXK"));
}

// What the run learns reaches the disk at each reload of the park airport's stands (every
// PARKING_INTERVAL_MINUTES), so that a run that ends without its shutdown keeps it: the learned
// stand uses in the learned file, a user's stand in my_park_airports.txt. A reload with nothing
// new for the list does not write the list.
TEST_F(ParkAirportTest, WhatTheRunLearnedIsOnDiskAfterEachReload) {
    const testing::PublishedRegistrations registrations(
        R"(<r g="PH-BXK" a="KLM" m="B738"/><r g="PH-BXL" a="KLM" m="B738"/>)");
    const fs::path listFile = work_ / "airports" / "my_park_airports.txt";
    testing::writeText(listFile, "EHAM\n");
    list_.readFile(window_);
    entry_.set(kEham);
    const auto arrive = [this](const char* registration, std::int32_t sid) {
        AircraftBase arrival;
        arrival.registration = registration;
        arrival.callsign = "KLM1234";
        gf_addRealStandOption(state_, sid, arrival, kStandArrived, gf_packDaySlot({3, 20}),
                              window_);
    };
    struct Step {
        const char* what;
        std::function<void()> before;
        std::vector<std::string> learned; // the registrations the learned file holds
        const char* list;                 // my_park_airports.txt; nullptr: not there
    };
    const Step steps[] = {
        {"the first load", [] {}, {}, "EHAM\n"},
        {"an arrival at G1", [&] { arrive("PH-BXK", 1); }, {"PH-BXK"}, "EHAM\n"},
        {"the user's stand",
         [&] { list_.setName(kEham.icao, "G2"); },
         {"PH-BXK"},
         "EHAM,G2\nEHRD\n"},
        {"nothing new for the list (its file removed meanwhile)",
         [&] { fs::remove(listFile); },
         {"PH-BXK"},
         nullptr},
        {"an arrival at G3 and a new destination",
         [&] {
             arrive("PH-BXL", 3);
             list_.setPosition(IcaoCode("EHRD"), {51.95694, 4.43722});
             list_.setName(IcaoCode("EHRD"), "G1");
         },
         {"PH-BXK", "PH-BXL"},
         "EHAM,G2\nEHRD,G1\n"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.before();
        lf_updateStaticParking(context_);
        ASSERT_TRUE(state_.airportFileApplied);
        const fs::path learned = state_.file.learnedSavePath;
        const std::string text = fs::exists(learned) ? testing::readText(learned) : "";
        std::vector<std::string> regs;
        for (const char* reg : {"PH-BXK", "PH-BXL"}) {
            if (text.find(fmt::format("reg=\"{}\"", reg)) != std::string::npos) {
                regs.emplace_back(reg);
            }
        }
        EXPECT_EQ(regs, step.learned);
        if (step.list == nullptr) {
            EXPECT_FALSE(fs::exists(listFile));
        } else {
            EXPECT_EQ(testing::readText(listFile), step.list);
        }
    }
}

// A reload whose learned file cannot be written (its folder cannot be made, as on a full disk)
// does not read the stands again, which would drop what was learned since the last read: the
// plan is made from the stands in place, with a line, and the next reload that can write saves
// all of it.
TEST_F(ParkAirportTest, AReloadThatCannotSaveKeepsWhatWasLearned) {
    const testing::PublishedRegistrations registrations(
        R"(<r g="PH-BXK" a="KLM" m="B738"/><r g="PH-BXL" a="KLM" m="B738"/>)");
    const fs::path blocker = work_ / "airports" / "learned";
    entry_.set(kEham);
    lf_updateStaticParking(context_);
    ASSERT_TRUE(state_.airportFileApplied);
    const fs::path learned = state_.file.learnedSavePath;
    struct Step {
        const char* what;
        const char* arrival;
        bool writable;
        bool readAgain;
        std::vector<std::string> inMemory;
        std::vector<std::string> onDisk;
    };
    const Step steps[] = {
        {"a full disk", "PH-BXK", false, false, {"PH-BXK"}, {}},
        {"a full disk again", "PH-BXL", false, false, {"PH-BXK", "PH-BXL"}, {}},
        {"space again", nullptr, true, true, {"PH-BXK", "PH-BXL"}, {"PH-BXK", "PH-BXL"}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        if (step.arrival != nullptr) {
            AircraftBase arrival;
            arrival.registration = step.arrival;
            arrival.callsign = "KLM1234";
            gf_addRealStandOption(state_, 1, arrival, kStandArrived, gf_packDaySlot({3, 20}),
                                  window_);
        }
        fs::remove_all(blocker);
        if (!step.writable) {
            testing::writeText(blocker, "a file where the folder would be");
        }
        const std::size_t plans = window_.payloads<GuiUpdate::ParkingTarget>().size();
        const testing::CapturedLog log;
        lf_updateStaticParking(context_);
        EXPECT_EQ(log.contains("Airport file read from"), step.readAgain);
        EXPECT_EQ(log.has("==> The park airport's stands are not read again: what was learned "
                          "since they were read could not be saved and stays in place until it "
                          "is"),
                  !step.readAgain);
        EXPECT_EQ(window_.payloads<GuiUpdate::ParkingTarget>().size(), plans + 1) << "planned";
        std::vector<std::string> inMemory;
        for (const char* reg : {"PH-BXK", "PH-BXL"}) {
            if (hasLearned(reg)) {
                inMemory.emplace_back(reg);
            }
        }
        EXPECT_EQ(inMemory, step.inMemory);
        std::vector<std::string> onDisk;
        const std::string text = step.writable ? testing::readText(learned) : "";
        for (const char* reg : {"PH-BXK", "PH-BXL"}) {
            if (text.find(fmt::format("reg=\"{}\"", reg)) != std::string::npos) {
                onDisk.emplace_back(reg);
            }
        }
        EXPECT_EQ(onDisk, step.onDisk);
    }
}

TEST_F(ParkAirportTest, AFirstLoadSavesNothingAndSaysNothingOfIt) {
    entry_.set(kEham);
    const testing::CapturedLog log;
    lf_updateStaticParking(context_);
    EXPECT_FALSE(log.contains("gf_saveLearned called without a loaded airport file"));
    EXPECT_FALSE(fs::exists(work_ / "airports/learned"));
}

// The light readers: an airport's stand nearest to a position, and its stand names once each in
// upper case; errors as texts.
TEST_F(ParkAirportTest, TheLightReadersFindTheClosestStandAndTheStandNames) {
    const auto closest =
        gf_readDestApfForClosestStand(kEham.icao, {52.29 + 100.0 / 1852.0 / 60.0, 4.74}, services_);
    ASSERT_TRUE(std::holds_alternative<ClosestStand>(closest));
    EXPECT_EQ(std::get<ClosestStand>(closest).standId, "G2");
    EXPECT_LT(std::get<ClosestStand>(closest).distanceNM, 0.001);
    EXPECT_EQ(std::get<std::string>(gf_readDestApfForClosestStand(kEham.icao, {91, 0}, services_)),
              "invalid reference position");
    EXPECT_EQ(std::get<std::string>(gf_readApfForStands(IcaoCode("LSZH"), services_)),
              "airport source path not found");

    AirportFile airport = testing::gridAirport(3);
    airport.stands[0].id = "b7";
    airport.stands[1].id = "a1";
    airport.stands[2].id = "A1";
    testing::writeApf(airport, gf_myThirdpartyFolder() / "EHAM.xml");
    const auto names = gf_readApfForStands(kEham.icao, services_);
    ASSERT_TRUE(std::holds_alternative<std::vector<std::string>>(names));
    EXPECT_EQ(std::get<std::vector<std::string>>(names), (std::vector<std::string>{"B7", "A1"}));
}

// Every reader of an airport file takes a stand by one rule: a stand the airport-file reader
// refuses (a latitude "nan" or "inf", a position at 0/0, an id of blanks, a repeated id, a
// radius it cannot use, a heading "inf", a NONE type without cargo and ramp, the 513th stand)
// is neither the closest stand nor a stand name of the destination, however near it is; a
// position in blanks and a trimmed id are taken by all three.
TEST_F(ParkAirportTest, EveryReaderTakesTheStandsTheAirportFileReaderTakes) {
    const Lalo reference{52.30, 4.76};
    const auto stand = [](std::string_view id, std::string_view latitude,
                          std::string_view longitude, std::string_view more) {
        return fmt::format(R"(<parkpos id="{}" latitude="{}" longitude="{}" {}/>)", id, latitude,
                           longitude, more);
    };
    const std::string shape = R"(typestr="GATE_SMALL" heading="0" radius="20")";
    std::string fillers;
    for (int i = 0; i < 511; ++i) {
        fillers += stand(fmt::format("F{}", i), "52.31", "4.76", shape);
    }
    struct Case {
        const char* what;
        std::string near; // the parkpos elements after FAR, the last one at the reference
        bool read;
    };
    const Case cases[] = {
        {"a latitude nan", stand("T1", "nan", "4.76", shape), false},
        {"a latitude -nan", stand("T1", "-nan", "4.76", shape), false},
        {"a latitude inf", stand("T1", "inf", "4.76", shape), false},
        {"a position at 0/0", stand("T1", "0", "0", shape), false},
        {"an id of blanks", stand(" \t", "52.30", "4.76", shape), false},
        {"a radius of 0.04 m",
         stand("T1", "52.30", "4.76", R"(typestr="GATE_SMALL" heading="0" radius="0.04")"), false},
        {"a radius nan",
         stand("T1", "52.30", "4.76", R"(typestr="GATE_SMALL" heading="0" radius="nan")"), false},
        {"a heading inf",
         stand("T1", "52.30", "4.76", R"(typestr="GATE_SMALL" heading="inf" radius="20")"), false},
        {"type NONE without cargo and ramp",
         stand("T1", "52.30", "4.76", R"(type="0" heading="0" radius="20")"), false},
        {"an id that a refused stand had before",
         stand("T1", "nan", "4.76", shape) + stand("T1", "52.30", "4.76", shape), false},
        {"the 513th stand", fillers + stand("T1", "52.30", "4.76", shape), false},
        {"the 512th stand",
         fillers.substr(fillers.find("<parkpos", 1)) + stand("T1", "52.30", "4.76", shape), true},
        {"a position in blanks and an id in blanks", stand(" T1 ", " 52.30", "4.76 ", shape), true},
        {"type NONE with cargo and ramp",
         stand("T1", "52.30", "4.76", R"(type="0" cargo="false" ramp="true" radius="20")"), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // The case's stand at the reference as far as its text goes, a good one 1 km away.
        testing::writeText(
            gf_myThirdpartyFolder() / "EHAM.xml",
            fmt::format(R"(<?xml version="1.0"?><root><meta version="{}" sim="2" copyright="{}"/>)"
                        R"(<parameters><parameter name="altitude" value="-11"/></parameters>)"
                        R"(<parkpositions>{}{}</parkpositions></root>)",
                        gf_programVersionText(), kMakerCopyright,
                        stand("FAR", "52.309", "4.76", shape), c.near));
        const auto closest = gf_readDestApfForClosestStand(kEham.icao, reference, services_);
        ASSERT_TRUE(std::holds_alternative<ClosestStand>(closest))
            << std::get<std::string>(closest);
        EXPECT_EQ(std::get<ClosestStand>(closest).standId, c.read ? "T1" : "FAR");

        const auto names = gf_readApfForStands(kEham.icao, services_);
        ASSERT_TRUE(std::holds_alternative<std::vector<std::string>>(names));
        const std::vector<std::string>& list = std::get<std::vector<std::string>>(names);
        EXPECT_EQ(std::count(list.begin(), list.end(), "T1"), c.read ? 1 : 0);

        pugi::xml_document document;
        ASSERT_TRUE(document.load_file((gf_myThirdpartyFolder() / "EHAM.xml").c_str()));
        std::vector<Stand> stands;
        const testing::CapturedLog quiet;
        gf_readParkpositions(document, stands);
        EXPECT_EQ(std::count_if(stands.begin(), stands.end(),
                                [](const Stand& s) { return s.id == "T1"; }),
                  c.read ? 1 : 0);
        EXPECT_EQ(list.size(), stands.size());
    }
}

// Another thread reads the stands snapshot while the park airport changes: every snapshot it
// sees is whole, its stands those of the airport it names.
TEST_F(ParkAirportTest, TheStandsSnapshotIsReadWholeWhileTheParkAirportChanges) {
    std::atomic<bool> done{false};
    std::atomic<int> reads{0};
    std::atomic<int> torn{0};
    std::thread reader([&] {
        while (!done) {
            const auto snapshot = state_.standsSnapshot();
            const std::size_t expected = snapshot->icao == kEham.icao   ? 3u
                                         : snapshot->icao == kEhrd.icao ? 3u
                                                                        : 0u;
            torn += snapshot->stands.size() == expected ? 0 : 1;
            if (!snapshot->stands.empty()) {
                torn += gf_standAtPosition(snapshot, true, snapshot->stands[1].position) ==
                                snapshot->stands[1].id
                            ? 0
                            : 1;
            }
            ++reads;
        }
    });
    for (int i = 0; i < 20; ++i) {
        entry_.set(i % 2 == 0 ? kEham : kEhrd);
        lf_updateStaticParking(context_);
        lf_stopStaticParking(context_);
    }
    while (reads < 100) {
        std::this_thread::yield();
    }
    done = true;
    reader.join();
    EXPECT_EQ(torn, 0);
}

} // namespace
} // namespace skyloom

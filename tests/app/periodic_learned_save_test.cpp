// What the run learned at its park airport reaches the disk while it runs, not only at an
// orderly shutdown: the program's own main loop counts PARKING_INTERVAL_MINUTES down and its
// static-parking update saves the learned file, and the park-airport list when it changed,
// before it reads the airport again; before the interval is over nothing is written.
#include <filesystem>
#include <optional>
#include <string>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "app/main_loop.h"
#include "app/program_traffic.h"
#include "config/parameters.h"
#include "foundation/file_header.h"
#include "foundation/unsaved_files.h"
#include "foundation/version.h"
#include "gui/parking_controls.h"
#include "parking/park_airport_list.h"
#include "parking/parking_state.h"
#include "parking/static_parking_state.h"
#include "refdata/airports.h"
#include "refdata/park_airport.h"
#include "tests/app/support/app_test_support.h"

namespace skyloom {
namespace {

namespace fs = std::filesystem;

const AirportEntry kEddf{IcaoCode("EDDF"), IataCode("FRA"), 50.0333, 8.5706, 364};

// Frankfurt's file with three stands and stand data good enough that its reading changes no
// park option.
std::string lf_frankfurtFile() {
    std::string stands;
    for (int i = 0; i < 3; ++i) {
        stands += fmt::format(R"(<parkpos id="V{}" typestr="GATE_MEDIUM" latitude="{:.4f}" )"
                              R"(longitude="8.5706" heading="0" radius="25"/>)",
                              101 + i, 50.0300 + 0.001 * i);
    }
    return fmt::format(
        R"(<?xml version="1.0"?><root><meta version="{}" sim="2" copyright="{}"/><parameters>)"
        R"(<parameter name="icao" value="EDDF"/><parameter name="airport_name" value="Frankfurt"/>)"
        R"(<parameter name="publisher" value="Test Pub"/><parameter name="altitude" value="364"/>)"
        R"(<parameter name="Qf_real" value="60"/><parameter name="Qf_soft" value="60"/>)"
        R"(</parameters><parkpositions>{}</parkpositions></root>)",
        gf_programVersionText(), kMakerCopyright, stands);
}

class PeriodicLearnedSaveTest : public testing::AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        gf_setAirports({kEddf});
        testing::writeTextFile(workFolder() / "airports" / "my_thirdparty" / "EDDF.xml",
                               lf_frankfurtFile());
        testing::writeTextFile(listFile(), "EDDF\n");
        gf_readMyParkAirportsFile(gui_);
        setInterval(5);
        gf_parkAirportEntry().set(kEddf);
    }
    void TearDown() override {
        // The program's list back to empty, its read used up.
        fs::remove(listFile());
        fs::remove(workFolder() / "airports" / "my_thirdparty" / "EDDF.xml");
        gf_readMyParkAirportsFile(gui_);
        gf_writeMyParkAirportsFile();
        gf_parkAirportEntry().clear();
        gf_parkingState().clear();
        gf_clearStaticParkingState(gf_staticParkingState());
        setInterval(30);
        gf_setAirports({});
        AppTest::TearDown();
    }
    static void setInterval(std::int64_t minutes) {
        gf_params().PARKING_INTERVAL_MINUTES.assign(minutes);
        gf_params().applySettings(gf_params().PARKING_INTERVAL_MINUTES);
    }
    fs::path listFile() const { return workFolder() / "airports" / "my_park_airports.txt"; }
    fs::path learnedFile() const {
        return workFolder() / "airports" / "learned" / "thirdparty" / "Test Pub" / "EDDF.xml";
    }
};

TEST_F(PeriodicLearnedSaveTest, TheMainLoopSavesWhatWasLearnedEveryParkingInterval) {
    constexpr std::uint64_t kCyclesPerSecond = 100;
    bool learnedAdded = false;
    bool writtenEarly = false;
    std::string listEarly;
    std::string listSaved;
    MainRunContext run = context();
    run.cycleObserver = [&](MainLoop& loop) {
        const std::uint64_t cycle = loop.counters().cycles;
        ParkingState& state = gf_parkingState();
        if (cycle == 1 && state.airportFileApplied && !state.stands.empty()) {
            FlightOption option;
            option.reg = "D-AIBA";
            option.key.airline = 7;
            option.hours = HoursBitset::range(20, 23);
            option.day = 2;
            option.seq = static_cast<std::uint32_t>(state.stands[0].options.size() + 1);
            state.stands[0].options.push_back(option);
            // The user stands at V102: the park-airport list learns it.
            learnedAdded = gf_setParkAirportName(kEddf.icao, "V102");
        }
        // Four minutes and fifty seconds: the countdown of five minutes has not run out.
        if (cycle == 290 * kCyclesPerSecond) {
            writtenEarly = fs::exists(learnedFile());
            listEarly = testing::readTextFile(listFile());
        }
        if (cycle == 320 * kCyclesPerSecond) {
            listSaved = testing::readTextFile(listFile());
            stop_.request(StopReason::userClosedSim, 0);
        }
    };
    ProgramTraffic program(run);
    MainLoop loop(run, program);
    loop.run();

    ASSERT_TRUE(learnedAdded) << "the park airport's file was not applied before the first cycle";
    EXPECT_FALSE(writtenEarly);
    EXPECT_EQ(listEarly, "EDDF\n");
    EXPECT_EQ(listSaved, "EDDF,V102\n");
    ASSERT_TRUE(fs::exists(learnedFile())) << logText();
    EXPECT_NE(testing::readTextFile(learnedFile()).find("reg=\"D-AIBA\""), std::string::npos);
    // The reload that followed the save read the use back.
    const std::vector<Stand>& stands = gf_parkingState().stands;
    ASSERT_FALSE(stands.empty());
    bool readBack = false;
    for (const FlightOption& option : stands[0].options) {
        readBack = readBack || (option.reg == "D-AIBA" && option.origin == 0);
    }
    EXPECT_TRUE(readBack);
}

// "Park" while the learned file cannot be written (its folder cannot be made): the failed save
// is painted in the cycle of the parking step that met it, not a second later, and the end of
// the plan's placing (the parking controls given back, the status line cleared) does not take
// it off the line: it stays for some seconds.
TEST_F(PeriodicLearnedSaveTest, AFailedSaveAfterParkIsPaintedAtOnceAndStays) {
    constexpr std::uint64_t kParkCycle = 100;
    constexpr std::uint64_t kPlanPlacedAfterCycles = 13;
    const fs::path publisherFolder = learnedFile().parent_path();
    testing::writeTextFile(publisherFolder, "a file where the folder would go");
    gf_clearUnsavedFiles();
    std::uint64_t slotsAtPark = 0;
    std::optional<std::uint64_t> parkingStepCycle;
    std::optional<std::uint64_t> firstPainted;
    std::optional<std::uint64_t> controlsBackCycle;
    std::uint64_t cyclesPainted = 0;
    std::uint64_t observed = 0; // the last cycle the observer saw; updates come in the next
    // The end of the parking step gives the controls back and clears the status line.
    onApplied_ = [&](const GuiUpdate& update) {
        if (update.get<GuiUpdate::ClearStatus>() != nullptr && parkingStepCycle &&
            !controlsBackCycle) {
            controlsBackCycle = observed + 1;
        }
    };
    MainRunContext run = context();
    run.cycleObserver = [&](MainLoop& loop) {
        const std::uint64_t cycle = loop.counters().cycles;
        observed = cycle;
        if (cycle == kParkCycle) {
            slotsAtPark = loop.counters().parkingSlots;
            gf_requestStaticParkingUpdate(gui_, gf_params(), requests_);
        }
        if (cycle > kParkCycle && !parkingStepCycle && loop.counters().parkingSlots > slotsAtPark) {
            parkingStepCycle = cycle;
        }
        // Here the plan is placed at once (no stand has a flight option); at an airport with
        // options it is placed over some tenths of a second, and the loop gives the controls
        // back when it is done.
        if (parkingStepCycle && cycle == *parkingStepCycle + kPlanPlacedAfterCycles) {
            gf_staticParkingState().generating = true;
        }
        const UnsavedFile last = gf_lastUnsavedFile();
        if (!last.path.empty() &&
            windowPaints(fmt::format("Could not save {}: {}", last.path.string(), last.reason))) {
            firstPainted = firstPainted.value_or(cycle);
            ++cyclesPainted;
        }
        if (parkingStepCycle && cycle == *parkingStepCycle + 1500) {
            stop_.request(StopReason::userClosedSim, 0);
        }
        if (cycle > 60 * 100) {
            stop_.request(StopReason::userClosedSim, 0); // no parking step came
        }
    };
    ProgramTraffic program(run);
    MainLoop loop(run, program);
    loop.run();

    ASSERT_TRUE(parkingStepCycle) << "no parking step after Park";
    EXPECT_EQ(gf_lastUnsavedFile().path, learnedFile());
    ASSERT_TRUE(firstPainted) << logText();
    EXPECT_EQ(*firstPainted, *parkingStepCycle);
    ASSERT_TRUE(controlsBackCycle);
    // Painted every cycle for five seconds at least, the end of the parking step among them.
    EXPECT_GE(cyclesPainted, 500u);
    EXPECT_GT(*firstPainted + cyclesPainted, *controlsBackCycle);
    fs::remove(publisherFolder);
}

} // namespace
} // namespace skyloom

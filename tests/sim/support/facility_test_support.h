// Helpers for the facility-reader tests: a fixture that runs a simulated world with airports on
// a manual clock installed as the program's clock, with the log in a temporary folder and the
// a stop request of its own; the airport files of data/worlds/airports; airports built
// from the public data in ../shared; and the distance between two positions in metres.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/lalo.h"
#include "foundation/manual_clock.h"
#include "platform/simworld/installed_world.h"
#include "platform/simworld/world.h"
#include "runtime/stop_request.h"
#include "tests/support/temp_dir.h"

namespace skyloom::testing {

class FacilityTest : public ::testing::Test {
protected:
    FacilityTest();
    ~FacilityTest() override;

    // Makes and installs a world holding these airports.
    simworld::World& startWorld(std::vector<simworld::AirportFacilitySetup> airports,
                                std::vector<simworld::FaultSetup> faults = {});
    // An airport file of data/worlds/airports ("qska" for qska.json).
    static simworld::AirportFacilitySetup fixture(std::string_view name);

    double worldSeconds() const;
    std::vector<std::string> logLines() const;
    bool logHas(const std::string& line) const;
    // The log lines that start with "==> " or hold `part`.
    std::vector<std::string> importantLines() const;
    // The texts of the journal's calls of this function, and how many there were.
    std::vector<std::string> journalCalls(std::string_view function) const;
    // The arguments of the AddToFacilityDefinition calls for a definition, in order.
    std::vector<std::string> definitionFields(DWORD defineId) const;

    ManualClock clock_{ManualClock::utcTime(2026, 1, 5, 12)};
    // The stop request the readers obey.
    StopControl stop_;
    TempDir dir_;
    std::shared_ptr<simworld::World> world_;
    std::optional<simworld::WorldInstallation> installation_;
};

// The airport built from the public data in ../shared (OurAirports and the FlightGear parking
// file of `icao`), or none when ../shared lacks them.
std::optional<simworld::AirportFacilitySetup> gf_sharedAirport(std::string_view icao);

double gf_metresBetween(const Lalo& a, const Lalo& b);

// Where the flat-earth approximation puts a point `east` and `north` metres from `reference`
// (good to a few centimetres within a few kilometres), longitude wrapped into [-180, 180].
Lalo gf_flatOffset(const Lalo& reference, double east, double north);

} // namespace skyloom::testing

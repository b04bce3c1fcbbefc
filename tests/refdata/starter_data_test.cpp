// The starter data sets in data/input: they load without a faulty record and cover the aircraft
// types and airlines of the recorded feed traffic that the tests and the demo replay.
#include <fstream>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "foundation/std_regex.h"
#include "refdata/airports.h"
#include "refdata/code_table.h"
#include "refdata/dbase.h"
#include "refdata/dbase_lookups.h"
#include "refdata/registrations.h"
#include "refdata/weekly_airports.h"
#include "tests/refdata/support/refdata_test_support.h"
#include "tests/support/shared_data.h"

namespace skyloom {
namespace {

namespace fs = std::filesystem;

fs::path lf_starterFolder() {
    return testing::sourceDir() / "data" / "input";
}

struct RecordedTraffic {
    std::set<std::string> models;
    std::set<std::string> airlines;
};

// The type codes and the airline prefixes of the callsigns of every AITFC record.
RecordedTraffic lf_recordedTraffic(const fs::path& folder) {
    static const std::regex record("AITFC,([^'\\n]*)");
    static const std::regex airline("^([A-Z]{3})[0-9]");
    RecordedTraffic traffic;
    for (const char* name : {"KLAX_20200617_2152.csv", "MMMX.txt", "KLAS_20190305_2056Z.txt"}) {
        std::ifstream in(folder / name);
        std::string line;
        while (std::getline(in, line)) {
            std::smatch match;
            if (!std::regex_search(line, match, record)) {
                continue;
            }
            const auto fields = testing::splitFields(match[1].str());
            if (fields.size() < 11) {
                continue;
            }
            traffic.models.insert(fields[9]);
            std::smatch prefix;
            // Private flights may fly under their type code ("GLF4"): no airline.
            if (fields[8] != fields[9] && std::regex_search(fields[8], prefix, airline)) {
                traffic.airlines.insert(prefix[1].str());
            }
        }
    }
    return traffic;
}

class StarterDataTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::resetReferenceData();
        gf_readDbase(lf_starterFolder());
        gf_readAirports(lf_starterFolder());
        ASSERT_TRUE(gf_refreshWeeklyTrafficAirports(lf_starterFolder()));
    }
    void TearDown() override { testing::resetReferenceData(); }
};

TEST_F(StarterDataTest, LoadsWithoutFaultyRecords) {
    const auto& counts = gf_dbase()->counts();
    EXPECT_EQ(counts.skipped, 0u);
    EXPECT_EQ(counts.wingspans, counts.models);
    EXPECT_GT(counts.models, 250u);
    EXPECT_GT(counts.airlines, 150u);
    EXPECT_GT(counts.registrations, 50u);
    EXPECT_GT(gf_airportCount(), 120u);
    EXPECT_GT(gf_weeklyTrafficAirportCount(), 100u);
    // Every weekly airport is a known airport.
    for (const char* code : {"KLAX", "KLAS", "MMMX", "EDDL", "EHAM", "LSZH", "NFFN"}) {
        EXPECT_TRUE(gf_airportKnown(IcaoCode(code))) << code;
        EXPECT_TRUE(gf_isWeeklyTrafficAirport(IcaoCode(code))) << code;
    }
}

TEST_F(StarterDataTest, EveryModelHasAPlausibleCategoryAndWingspan) {
    for (const auto& code : gf_dbase()->knownModels()) {
        const auto id = gf_modelId(code);
        const double metres = gf_wingspan(id) * 2.0 / 0.0005399568034557236;
        EXPECT_GT(metres, 6.0) << code;
        EXPECT_LT(metres, 90.0) << code;
        if (gf_modelCategory(id) == AircraftCategory::Heavy) {
            EXPECT_GT(metres, 38.0) << code;
        }
    }
    EXPECT_EQ(gf_modelCategoryOf("B738"), AircraftCategory::Large);
    EXPECT_EQ(gf_modelCategoryOf("B77W"), AircraftCategory::Heavy);
    EXPECT_EQ(gf_modelCategoryOf("C56X"), AircraftCategory::Bizjet);
    EXPECT_EQ(gf_modelCategoryOf("BE58"), AircraftCategory::TwoProps);
    EXPECT_EQ(gf_modelCategoryOf("C172"), AircraftCategory::Light);
    EXPECT_EQ(gf_modelCategoryOf("EC30"), AircraftCategory::Rotorcraft);
    EXPECT_EQ(gf_modelCategoryOf("F16"), AircraftCategory::HighPerf);
}

TEST_F(StarterDataTest, CoversTheRecordedTraffic) {
    SKYLOOM_REQUIRE_SHARED(recordings, "feed/recordings");
    const auto traffic = lf_recordedTraffic(recordings);
    ASSERT_GT(traffic.models.size(), 100u);
    for (const auto& model : traffic.models) {
        // "" and "0000" stand for an unknown type in the feed.
        if (model.empty() || model == "0000") {
            continue;
        }
        const auto fixed = gf_lookupModelFix(model);
        EXPECT_TRUE(gf_isKnownModel(fixed.value_or(model))) << model;
    }
    ASSERT_GT(traffic.airlines.size(), 50u);
    for (const auto& airline : traffic.airlines) {
        EXPECT_TRUE(gf_isKnownAirline(airline)) << airline;
    }
}

TEST_F(StarterDataTest, RecordedRegistrationsAreFoundWithAndWithoutDash) {
    const auto key = gf_findRegistration("GBYGF");
    ASSERT_TRUE(key.has_value());
    EXPECT_EQ(gf_airlineCode(key->airline), "BAW");
    EXPECT_EQ(gf_modelCode(key->model), "B744");
    const auto cargo = gf_findRegistration("N799JN");
    ASSERT_TRUE(cargo.has_value());
    EXPECT_TRUE(gf_isCargo(*cargo));
}

} // namespace
} // namespace skyloom

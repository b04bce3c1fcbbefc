// The facility stand reader against the simulated world: the stands of a fixture airport and
// of airports converted from public data (LSZH, EHAM, KSFO) handed to the airport-file writer
// with the airport's data and package, repeated stand ids made unique; an airport linked to
// its archived file instead; the airports it leaves to the BGL reader (no code, a refused
// publisher, a simulator that does not deliver, a file that cannot be written) and an exception
// while writing.
#include <algorithm>
#include <fstream>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "airportscan/facility_stand_reader.h"
#include "airportscan/generated_airport_file.h"
#include "airportscan/package_manifest.h"
#include "sim/facility_connection.h"
#include "sim/facility_parking.h"
#include "foundation/text.h"
#include "tests/airportscan/support/scan_test_support.h"
#include "tests/sim/support/facility_test_support.h"

namespace skyloom::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

constexpr const char* kNotConnected =
    "Reading Facilites data for QSKA via SimConnect failed, is MSFS connected?";

class FacilityStandReaderTest : public FacilityTest {
protected:
    FacilityStandReaderTest() {
        scan_.publishers.publishers = {{"Vendor Studio"}};
        scan_.publishers.rejected = {"fsim"};
        std::filesystem::create_directories(scan_.simaddonFolder);
        std::filesystem::create_directories(scan_.thirdpartyFolder);
    }

    // A package folder with a manifest; the BGL file below it need not exist.
    std::filesystem::path package(const std::string& name, const std::string& manifest) {
        const std::filesystem::path folder = dir_ / "Community" / name;
        std::filesystem::create_directories(folder);
        std::ofstream(folder / "manifest.json") << manifest;
        return folder / "scenery" / "AIRPORT.bgl";
    }
    std::filesystem::path vendorPackage(const std::string& icao) {
        return package("vendor-airport-" + icao,
                       R"({"title": "Vendor airport", "package_version": "1.2.0",
                           "manufacturer": "Vendor Studio", "creator": "Vendor"})");
    }
    // The stands the simulator gives for the airport, as the reader must hand them on.
    std::vector<Stand> expectedStands(const std::string& icao) {
        AirportFile direct;
        std::int32_t helipads = 0;
        EXPECT_TRUE(gf_readParkingFacilities(scan_.stop, icao, direct, helipads));
        gf_makeStandIdsUnique(direct.stands);
        std::sort(direct.stands.begin(), direct.stands.end(),
                  [](const Stand& a, const Stand& b) { return a.id < b.id; });
        return direct.stands;
    }
    // The taxi parkings of the public data that make a stand (a type other than NONE and
    // VEHICLE).
    static std::size_t parkingCount(const std::string& icao) {
        const auto airport = gf_sharedAirport(icao);
        return static_cast<std::size_t>(std::count_if(
            airport->taxiParkings.begin(), airport->taxiParkings.end(),
            [](const simworld::FacilityTaxiParkingSetup& p) { return p.type != 0 && p.type != 13; }));
    }
    std::size_t facilityRequests() const {
        return journalCalls("SimConnect_RequestFacilityData").size();
    }

    ScanFixture scan_{dir_.path(), {"QSKA", "LSZH", "EHAM", "KSFO"}};
};

TEST_F(FacilityStandReaderTest, TheFixtureAirportsStandsGoToTheWriter) {
    startWorld({fixture("qska")});
    const std::filesystem::path bgl = vendorPackage("qska");
    ASSERT_TRUE(gf_readFacilities(bgl, scan_.context()));

    ASSERT_EQ(scan_.writer.calls.size(), 1u);
    const AirportFile& written = scan_.writer.calls[0].airport;
    EXPECT_EQ(scan_.writer.calls[0].target, scan_.thirdpartyFolder / "QSKA.xml");
    EXPECT_EQ(written.icao, IcaoCode("QSKA"));
    EXPECT_EQ(written.airportName, "Skyloom Test Field Alpha");
    EXPECT_DOUBLE_EQ(written.latitude, 46.9);
    EXPECT_DOUBLE_EQ(written.longitude, 7.2);
    EXPECT_EQ(written.altitude, 1640);
    EXPECT_EQ(written.sourcePath, bgl);
    EXPECT_EQ(written.bglPath, gf_pathToUtf8(bgl));
    EXPECT_EQ(written.publisher, "Vendor Studio");
    EXPECT_EQ(written.package, (PackageManifest{"Vendor airport", "1.2.0", "Vendor Studio",
                                                "Vendor"}));
    EXPECT_EQ(written.stands, expectedStands("QSKA"));
    EXPECT_EQ(written.stands.size(), 19u);
    EXPECT_EQ(written.stands.front().id, "42");
    EXPECT_EQ(written.stands.back().id, "W_PARKING 9");

    EXPECT_EQ(scan_.scanLog.front(), "\nFac: " + gf_pathToUtf8(bgl));
    EXPECT_THAT(scan_.scanLog, Contains("airport has code 'QSKA' in BGL path"));
    EXPECT_THAT(scan_.scanLog, Contains("publisher 'Vendor Studio'"));
    EXPECT_THAT(scan_.scanLog, Contains("thirdparty Vendor Studio QSKA version 1.2.0 does not exist"));
    EXPECT_EQ(scan_.scanLog.back(), "Generated QSKA.xml: 19 positions of which 3 helipads");
    EXPECT_THAT(scan_.window.thirdpartyCounts, ElementsAre(1u));
    EXPECT_THAT(scan_.window.simaddonCounts, IsEmpty());
    EXPECT_FALSE(logHas(kNotConnected));
}

class SharedAirportReaderTest : public FacilityStandReaderTest,
                                public ::testing::WithParamInterface<const char*> {};

TEST_P(SharedAirportReaderTest, AConvertedAirportsStandsGoToTheWriterUniqueAndSorted) {
    const std::string icao = GetParam();
    const auto airport = gf_sharedAirport(icao);
    if (!airport) {
        GTEST_SKIP() << "shared data not found: ../shared/data/stands/" << icao;
    }
    startWorld({*airport});
    std::string lower = icao;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return static_cast<char>(c - 'A' + 'a'); });
    ASSERT_TRUE(gf_readFacilities(vendorPackage(lower), scan_.context()));

    ASSERT_EQ(scan_.writer.calls.size(), 1u);
    const std::vector<Stand>& stands = scan_.writer.calls[0].airport.stands;
    EXPECT_EQ(stands, expectedStands(icao));
    // Every parking of the public data is there, however often its name repeats.
    EXPECT_EQ(stands.size(), parkingCount(icao));
    std::set<std::string> ids;
    for (const Stand& s : stands) {
        ids.insert(s.id);
    }
    EXPECT_EQ(ids.size(), stands.size());
    EXPECT_TRUE(std::is_sorted(stands.begin(), stands.end(),
                               [](const Stand& a, const Stand& b) { return a.id < b.id; }));
    EXPECT_EQ(scan_.writer.calls[0].target, scan_.thirdpartyFolder / (icao + ".xml"));
}

INSTANTIATE_TEST_SUITE_P(SharedAirports, SharedAirportReaderTest,
                         ::testing::Values("LSZH", "EHAM", "KSFO"));

TEST_F(FacilityStandReaderTest, AnArchivedAirportIsLinkedAndNotRead) {
    startWorld({fixture("qska")});
    scan_.publishers.simaddons = {"QSKA"};
    const std::filesystem::path bgl =
        package("microsoft-airport-qska", R"({"title": "QSKA", "manufacturer": "Microsoft"})");
    ASSERT_TRUE(gf_readFacilities(bgl, scan_.context()));

    EXPECT_EQ(gf_fileText(scan_.simaddonFolder / "QSKA.txt"), "archive/simaddon/QSKA.enc\n");
    EXPECT_THAT(scan_.writer.calls, IsEmpty());
    EXPECT_EQ(facilityRequests(), 0u);
    EXPECT_THAT(scan_.window.simaddonCounts, ElementsAre(1u));
    EXPECT_THAT(scan_.window.thirdpartyCounts, ElementsAre(0u));
    EXPECT_EQ(scan_.scanLog.back(), "simaddon airport QSKA linked to archive/simaddon/QSKA.enc\n");
}

TEST_F(FacilityStandReaderTest, AirportsLeftToTheBglReader) {
    struct Case {
        std::string name;
        std::string package;
        std::string manifest;
        std::vector<std::string> notes; // after the "Fac" note
    };
    const std::vector<Case> cases{
        {"no code anywhere", "vendor-airport-zurich", R"({"title": "Zurich"})", {}},
        {"code without traffic", "vendor-airport-egll", R"({"title": "Heathrow"})", {}},
        {"refused publisher", "other-airport-qska",
         R"({"title": "QSKA", "manufacturer": "AB", "creator": "fsim"})",
         {"airport has code 'QSKA' in BGL path",
          "manifest publisher value 'fsim' rejected by archives data"}},
    };
    startWorld({fixture("qska")});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        scan_.scanLog.clear();
        const std::filesystem::path bgl = package(c.package, c.manifest);
        EXPECT_FALSE(gf_readFacilities(bgl, scan_.context()));
        std::vector<std::string> expected{"\nFac: " + gf_pathToUtf8(bgl)};
        expected.insert(expected.end(), c.notes.begin(), c.notes.end());
        EXPECT_EQ(scan_.scanLog, expected);
    }
    EXPECT_EQ(facilityRequests(), 0u);
    EXPECT_THAT(scan_.writer.calls, IsEmpty());
    EXPECT_FALSE(std::filesystem::exists(scan_.scanLogFile));
}

TEST_F(FacilityStandReaderTest, ASimulatorThatDoesNotDeliverIsReportedAndTheScanLogWritten) {
    startWorld({fixture("qskb")}); // QSKA is not in this world
    ASSERT_FALSE(gf_readFacilities(vendorPackage("qska"), scan_.context()));

    EXPECT_TRUE(logHas(kNotConnected));
    EXPECT_EQ(scan_.scanLog.back(), kNotConnected);
    EXPECT_THAT(scan_.writer.calls, IsEmpty());
    std::string expected;
    for (const std::string& line : scan_.scanLog) {
        expected += line + "\n";
    }
    EXPECT_EQ(gf_fileText(scan_.scanLogFile), expected);
}

TEST_F(FacilityStandReaderTest, AFileThatCannotBeWrittenLeavesTheAirportToTheBglReader) {
    startWorld({fixture("qska")});
    scan_.writer.succeed = false;
    EXPECT_FALSE(gf_readFacilities(vendorPackage("qska"), scan_.context()));

    EXPECT_EQ(scan_.writer.calls.size(), 1u);
    EXPECT_EQ(scan_.scanLog.back(), "===> Writing " +
                                        gf_pathToUtf8(scan_.thirdpartyFolder / "QSKA.xml") +
                                        " did not succeed");
    EXPECT_FALSE(logHas(kNotConnected));
    EXPECT_THAT(scan_.window.thirdpartyCounts, IsEmpty());
}

TEST_F(FacilityStandReaderTest, AnExceptionWhileWritingClosesTheFacilityConnection) {
    startWorld({fixture("qska")});
    AirportScanContext context = scan_.context();
    context.writeAirportFile = [](const AirportFile&, const std::filesystem::path&) -> bool {
        throw std::runtime_error("disk gone");
    };
    EXPECT_FALSE(gf_readFacilities(vendorPackage("qska"), context));

    EXPECT_THAT(scan_.scanLog, Contains("Reading Facilites data for QSKA via SimConnect failed: "
                                        "disk gone"));
    EXPECT_EQ(scan_.scanLog.back(), kNotConnected);
    EXPECT_FALSE(gf_isFacilityConnectionOpen());
    EXPECT_TRUE(logHas("SimConnect (PARKING_DATA_RDR) closed"));
}

} // namespace
} // namespace skyloom::testing

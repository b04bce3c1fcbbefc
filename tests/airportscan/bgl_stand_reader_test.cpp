// The BGL stand reader: the real stands of Phoenix Sky Harbor from its airport file, the
// altitude, parking and helipad rules on crafted airports, the walk that never leaves its
// record, the airports it passes over, the steps it hands to the rest of the scan, and what
// it writes to the log.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "airportscan/bgl_stand_reader.h"
#include "airportscan/scan_limits.h"
#include "foundation/manual_clock.h"
#include "foundation/text.h"
#include "tests/airportscan/support/bgl_bytes.h"
#include "tests/airportscan/support/older_airport_layout.h"
#include "tests/airportscan/support/recording_steps.h"
#include "tests/support/log_capture.h"
#include "tests/support/shared_data.h"
#include "tests/support/temp_dir.h"

namespace skyloom {
namespace {

using testing::airportRecord;
using testing::bglWithRecords;
using testing::ByteImage;
using testing::helipadRecord;
using testing::otherSubRecord;
using testing::ParkingEntry;
using testing::parkingRecord;

constexpr std::string_view kKphx = "data/bgl/TheMainlineCowboy-SkyHarborPhx/scenery/KPHX_ADEX.BGL";
constexpr double kDegreesTolerance = 1e-9;

class BglStandReaderTest : public ::testing::Test {
protected:
    // Writes the file and reads it.
    void read(const ByteImage& file, const std::string& name = "EGLL.bgl") {
        path_ = dir_ / name;
        testing::writeBytes(path_, file.span());
        gf_processBGLfile(path_, context_);
    }
    // The one airport written, its stands by id.
    const Stand& stand(const std::string& id) const {
        const auto& stands = steps_.written.at(0).airport.stands;
        const auto found =
            std::find_if(stands.begin(), stands.end(), [&](const Stand& s) { return s.id == id; });
        if (found == stands.end()) {
            throw std::out_of_range("no stand " + id);
        }
        return *found;
    }
    std::vector<std::string> standIds() const {
        std::vector<std::string> ids;
        for (const auto& s : steps_.written.at(0).airport.stands) {
            ids.push_back(s.id);
        }
        return ids;
    }

    testing::TempDir dir_;
    testing::LogCapture log_;
    ManualClock clock_;
    std::vector<std::string> scanLog_;
    testing::RecordingSteps steps_;
    BglReaderContext context_{clock_, scanLog_, steps_};
    std::filesystem::path path_;
};

// KPHX_ADEX.BGL holds one airport record of the older layout (id 0x3C) with one parking
// sub-record of 240 entries. The test rewrites it into the layout the reader reads (see
// support/older_airport_layout.h: the older 56-byte airport header gets 12 zero bytes, each
// 36-byte parking entry 20 zero bytes before its airline codes; all field positions the reader
// uses are the same in both layouts) and reads that. The expected values were read from the
// original file's bytes with a hex viewer: the altitude word at byte 500 is 345948 mm; the
// entries below are named by their byte offset in the original file, with their raw latitude
// and longitude words and their float radius and heading.
TEST_F(BglStandReaderTest, RealPhoenixAirportGivesItsStands) {
    SKYLOOM_REQUIRE_SHARED(kphx, kKphx);
    const ByteImage rewritten(testing::rewriteOlderAirports(testing::readBytes(kphx)));
    read(rewritten, "KPHX_ADEX.BGL");

    ASSERT_EQ(steps_.written.size(), 1u);
    const AirportFile& airport = steps_.written[0].airport;
    EXPECT_EQ(airport.icao.text(), "KPHX");
    EXPECT_EQ(airport.altitude, 1135); // 345948 mm
    EXPECT_EQ(airport.bglPath, gf_pathToUtf8(path_));
    EXPECT_EQ(airport.latitude, 0.0);
    EXPECT_EQ(steps_.written[0].helipads, 0u);
    // 240 entries, 37 of them vehicle parkings: 203 stands; 29 ramp and 35 cargo stands.
    EXPECT_EQ(airport.stands.size(), 203u);
    EXPECT_EQ(std::count_if(airport.stands.begin(), airport.stands.end(),
                            [](const Stand& s) { return s.ramp; }),
              29);
    EXPECT_EQ(std::count_if(airport.stands.begin(), airport.stands.end(),
                            [](const Stand& s) { return s.cargo; }),
              35);

    struct Expected {
        std::string id;
        StandType type;
        std::uint32_t rawLat;
        std::uint32_t rawLon;
        double lat;
        double lon;
        float radiusMetres;
        double heading; // radians
    };
    const double deg = std::numbers::pi / 180.0;
    const std::vector<Expected> expected{
        // byte 12088: cf480001, radius 21.000719 m, heading 281.5108 deg
        {"GATE D4", StandType::GATE_SMALL, 0x0A0E60B2, 0x09111D4A, 33.43408338725567,
         -111.99860125780106, 21.00071907043457f, 281.51080322265625 * deg},
        // byte 15508: GATE_HEAVY
        {"GATE T18", StandType::GATE_HEAVY, 0x0A0E3FDE, 0x0910BF4B, 33.43690104782581,
         -112.00935825705528, 36.999671936035156f, 89.76885986328125 * deg},
        // byte 17244: heading 0.0 is written as a full turn
        {"NE_PARKING 2", StandType::GATE_SMALL, 0x0A0E27F7, 0x09115F48, 33.43895260244608,
         -111.99104905128479, 23.99995231628418f, 2.0 * std::numbers::pi},
        // byte 17436: a cargo ramp
        {"PARKING 1", StandType::RAMP_CARGO, 0x0A0E5C2F, 0x091052C4, 33.434470631182194,
         -112.02177822589874, 42.66895294189453f, 269.6413879394531 * deg},
        // byte 16604 is S_PARKING 1; byte 17964 has the same name and becomes S_PARKING 1a
        {"S_PARKING 1", StandType::GATE_SMALL, 0x0A0E5F35, 0x0910AA4B, 33.43421112746,
         -112.01176151633263, 24.999696731567383f, 269.7062072753906 * deg},
        {"S_PARKING 1a", StandType::RAMP_CARGO, 0x0A0EBC76, 0x091081EC, 33.42620708048344,
         -112.01638162136078, 42.66895294189453f, 90.01595306396484 * deg},
        // byte 18580: military cargo, heading 0.0
        {"S_PARKING 15", StandType::RAMP_MIL_CARGO, 0x0A0EB1A9, 0x0910939A, 33.42713411897421,
         -112.01435834169388, 42.66895294189453f, 2.0 * std::numbers::pi},
        // byte 21936: the last entry that is no vehicle parking, a small GA ramp
        {"NW_PARKING 241", StandType::RAMP_GA_SMALL, 0x0A0DFCDF, 0x09105409, 33.442651368677616,
         -112.0216329395771, 10.00048828125f, 179.99412536621094 * deg},
    };
    for (const auto& e : expected) {
        const Stand& s = stand(e.id);
        EXPECT_EQ(s.type, e.type) << e.id;
        EXPECT_NEAR(s.position.lat, 90.0 - e.rawLat * (180.0 / 536870912.0), 1e-12) << e.id;
        EXPECT_NEAR(s.position.lon, e.rawLon * (360.0 / 805306368.0) - 180.0, 1e-12) << e.id;
        EXPECT_NEAR(s.position.lat, e.lat, kDegreesTolerance) << e.id;
        EXPECT_NEAR(s.position.lon, e.lon, kDegreesTolerance) << e.id;
        EXPECT_DOUBLE_EQ(s.radius, e.radiusMetres / 1852.0) << e.id;
        EXPECT_NEAR(s.heading, e.heading, 1e-12) << e.id;
        EXPECT_EQ(s.ramp, e.type == StandType::RAMP_GA_SMALL) << e.id;
        EXPECT_EQ(s.cargo, e.type == StandType::RAMP_CARGO || e.type == StandType::RAMP_MIL_CARGO)
            << e.id;
        EXPECT_FALSE(s.heli || s.manual) << e.id;
    }
    // Byte 21900: PARKING 240 is a vehicle parking.
    EXPECT_THROW(stand("PARKING 240"), std::out_of_range);
    EXPECT_EQ(steps_.thirdpartyCountsShown, 1);
    EXPECT_TRUE(log_.lines().empty());
}

// A real add-on airport of the older layout is not read, and the scan log says so, naming it:
// without the line the airport would just be missing from the scan.
TEST_F(BglStandReaderTest, OlderLayoutAirportIsNotReadAndNamedInTheScanLog) {
    SKYLOOM_REQUIRE_SHARED(kphx, kKphx);
    read(ByteImage(testing::readBytes(kphx)), "KPHX_ADEX.BGL");
    EXPECT_TRUE(steps_.written.empty());
    EXPECT_TRUE(log_.lines().empty());
    EXPECT_EQ(scanLog_, (std::vector<std::string>{fmt::format(
                            "'{}': 1 airport record of the older layout (id 0x3C), not read: KPHX",
                            gf_pathToUtf8(path_))}));
}

// A file larger than the reader takes is not read, whatever its size on disk: a sparse file
// claiming 1.5 GiB is refused from its claimed size, before any of it is read.
TEST_F(BglStandReaderTest, AFileLargerThanTheReaderTakesIsNotRead) {
    path_ = dir_ / "EGLL.bgl";
    { std::ofstream(path_) << "BGL"; }
    const std::uintmax_t claimed = 3ull * 512 * 1024 * 1024;
    std::filesystem::resize_file(path_, claimed);
    gf_processBGLfile(path_, context_);
    EXPECT_TRUE(steps_.written.empty());
    EXPECT_EQ(scanLog_, (std::vector<std::string>{
                            fmt::format("'{}' has {} bytes, more than {}: not read",
                                        gf_pathToUtf8(path_), claimed, kMaxBglFileBytes)}));
}

TEST_F(BglStandReaderTest, AltitudeInFeetWithinItsRange) {
    const std::vector<std::pair<std::int32_t, std::int32_t>> cases{
        {9000, 30}, {4000000, 0}, {-5000, -16}, {-6096, -20}, {-6400, 0}, {3048000, 10000}};
    for (const auto& [millimetres, feet] : cases) {
        steps_.written.clear();
        read(bglWithRecords({airportRecord("EGLL", millimetres, {parkingRecord({{}})})}));
        ASSERT_EQ(steps_.written.size(), 1u) << millimetres;
        EXPECT_EQ(steps_.written[0].airport.altitude, feet) << millimetres;
    }
}

TEST_F(BglStandReaderTest, ParkingEntriesBecomeStands) {
    std::vector<ParkingEntry> entries;
    ParkingEntry gate{.nameCode = 12, .number = 12, .headingDegrees = 0.0f};
    entries.push_back(gate);
    gate.headingDegrees = 90.0f;
    entries.push_back(gate); // GATE A12a
    // A vehicle parking with three airline codes, then a stand without a type: no stand.
    entries.push_back({.type = 13, .number = 7, .airlines = {"BAW", "DLH", "KLM"}});
    entries.push_back({.type = 0, .number = 8});
    entries.push_back({.nameCode = 2, .type = 1, .number = 3, .radiusMetres = 926.0f});
    entries.push_back({.nameCode = 0, .type = 6, .number = 44, .airlines = {"RCH"}});
    // A position outside the globe: skipped, its id stays taken.
    entries.push_back({.nameCode = 11, .number = 1, .lat = -100.0});
    entries.push_back({.nameCode = 11, .number = 1});
    for (int i = 0; i < 10; ++i) {
        entries.push_back(gate); // GATE A12b to A12j, then one too many
    }
    read(bglWithRecords({airportRecord("EGLL", 0, {parkingRecord(entries)})}));

    ASSERT_EQ(steps_.written.size(), 1u);
    EXPECT_EQ(standIds(), (std::vector<std::string>{
                              "GATE A12", "GATE A12a", "N_PARKING 3", "44", "DOCK 1a", "GATE A12b",
                              "GATE A12c", "GATE A12d", "GATE A12e", "GATE A12f", "GATE A12g",
                              "GATE A12h", "GATE A12i", "GATE A12j"}));
    EXPECT_DOUBLE_EQ(stand("GATE A12").heading, 2.0 * std::numbers::pi);
    EXPECT_DOUBLE_EQ(stand("GATE A12a").heading, std::numbers::pi / 2.0);
    EXPECT_DOUBLE_EQ(stand("N_PARKING 3").radius, 0.5);
    EXPECT_TRUE(stand("N_PARKING 3").ramp);
    EXPECT_TRUE(stand("44").cargo);
    EXPECT_EQ(stand("44").type, StandType::RAMP_MIL_CARGO);
    EXPECT_NEAR(stand("DOCK 1a").position.lat, 51.47, 1e-6);
    EXPECT_NEAR(stand("DOCK 1a").position.lon, -0.45, 1e-6);
    EXPECT_EQ(scanLog_.size(), 2u);
    EXPECT_EQ(scanLog_.at(0).rfind("LatLon ", 0), 0u) << scanLog_.at(0);
    EXPECT_NE(scanLog_.at(0).find("invalid (skipped)"), std::string::npos);
    EXPECT_EQ(scanLog_.at(1), "===> Warning: more than 10 duplicate IDs GATE A12");
}

TEST_F(BglStandReaderTest, EveryHelipadIsRead) {
    const std::vector<ByteImage> subRecords{
        helipadRecord(51.47, -0.45, 30.0f), helipadRecord(51.48, -0.46, 20.0f),
        helipadRecord(51.49, -0.47, 10.0f), otherSubRecord(0x04, 16),
        helipadRecord(51.47, -0.45, 30.0f), helipadRecord(95.0, -0.45, 30.0f),
        parkingRecord({{.number = 5}}),
    };
    read(bglWithRecords({airportRecord("EGLL", 0, subRecords)}));

    ASSERT_EQ(steps_.written.size(), 1u);
    EXPECT_EQ(steps_.written[0].helipads, 3u);
    EXPECT_EQ(standIds(), (std::vector<std::string>{"helipad1", "helipad2", "helipad3", "GATE 5"}));
    const Stand& third = stand("helipad3");
    EXPECT_TRUE(third.heli);
    EXPECT_EQ(third.type, StandType::NONE);
    EXPECT_EQ(third.heading, 0.0);
    EXPECT_DOUBLE_EQ(third.radius, 5.0 / 1852.0);
    EXPECT_NEAR(third.position.lat, 51.49, 1e-6);
    ASSERT_EQ(scanLog_.size(), 2u);
    EXPECT_EQ(scanLog_[0].rfind("double helipad  (skipped) 51.4700", 0), 0u) << scanLog_[0];
    EXPECT_EQ(scanLog_[1].rfind("lat/lon helipad incorrect (skipped): ", 0), 0u) << scanLog_[1];
}

// A sub-record whose size carries the walk past its airport record's end ends that walk: the
// parking record of the next airport is not read as this one's.
TEST_F(BglStandReaderTest, WalkEndsWhereItsRecordEnds) {
    ByteImage london = airportRecord("EGLL", 0, {otherSubRecord(0x11, 12)});
    london.u32(68 + 2, 80); // lands on the first sub-record of the next airport
    const ByteImage frankfurt = airportRecord("EDDF", 0, {parkingRecord({{.number = 9}})});
    read(bglWithRecords({london, frankfurt}));

    ASSERT_EQ(steps_.written.size(), 1u);
    EXPECT_EQ(steps_.written[0].airport.icao.text(), "EDDF");
    EXPECT_EQ(standIds(), std::vector<std::string>{"GATE 9"});
}

// Only whole entries, airline codes included, are read from a parking record; the rest of a
// cut record is reported in the scan log.
TEST_F(BglStandReaderTest, ParkingEntriesReadOnlyWhileWhole) {
    struct Case {
        std::string name;
        std::vector<ParkingEntry> entries;
        std::uint32_t cutBytes;
        std::vector<std::string> ids;
        std::string note;
    };
    const std::vector<Case> cases{
        {"third entry cut",
         {{.number = 1}, {.number = 2}, {.number = 3}},
         4,
         {"GATE 1", "GATE 2"},
         "entry 3 of 3"},
        {"airline codes cut",
         {{.number = 1}, {.number = 2, .airlines = {"DLH", "BAW"}}},
         4,
         {"GATE 1"},
         "entry 2 of 2"},
    };
    for (const auto& c : cases) {
        steps_.written.clear();
        scanLog_.clear();
        ByteImage parking = parkingRecord(c.entries);
        const auto size = static_cast<std::uint32_t>(parking.size()) - c.cutBytes;
        parking.resize(size).u32(2, size);
        read(bglWithRecords({airportRecord("EGLL", 0, {parking})}));
        ASSERT_EQ(steps_.written.size(), 1u) << c.name;
        EXPECT_EQ(standIds(), c.ids) << c.name;
        ASSERT_EQ(scanLog_.size(), 1u) << c.name;
        EXPECT_NE(scanLog_[0].find(c.note), std::string::npos) << scanLog_[0];
    }
}

TEST_F(BglStandReaderTest, AirportsPassedOver) {
    struct Case {
        std::string name;
        ByteImage record;
        std::vector<std::string> scanLog;
        std::size_t logLines;
    };
    const auto parking = parkingRecord({{}});
    ByteImage questionMark = airportRecord("EGLL", 0, {parking});
    questionMark.u32(40, (12u * 38 * 38 * 38 + 1) << 5); // "A?.." : a '?' digit
    ByteImage shortRecord = otherSubRecord(0x56, 48);
    shortRecord.u32(40, testing::packIdent("EGLL"));
    const std::vector<Case> cases{
        {"three-letter ident", airportRecord("LHR", 0, {parking}), {}, 0},
        {"ident with a '?' digit", questionMark, {}, 0},
        {"unknown airport", airportRecord("ZZZZ", 0, {parking}), {"ZZZZ is not known"}, 0},
        {"no weekly traffic", airportRecord("LFPG", 0, {parking}), {}, 0},
        {"no stand at all", airportRecord("EGLL", 0, {otherSubRecord(0x04, 16)}), {}, 0},
        {"record ending before its sub-records", shortRecord, {}, 1},
        {"record too small for an ident", otherSubRecord(0x56, 40), {}, 1},
    };
    steps_.known.insert("LFPG");
    for (const auto& c : cases) {
        scanLog_.clear();
        const std::size_t before = log_.lines().size();
        read(bglWithRecords({c.record}));
        EXPECT_TRUE(steps_.written.empty()) << c.name;
        EXPECT_EQ(scanLog_, c.scanLog) << c.name;
        EXPECT_EQ(log_.lines().size() - before, c.logLines) << c.name;
    }
    const auto lines = log_.lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "   Error: o3=40 exceeded data buffer size (35), aborting.");
    EXPECT_EQ(lines[1], "==> Airport record at byte 92 is too small to contain an ICAO");
}

TEST_F(BglStandReaderTest, ArchiveLinksAndPublishersDecideWhatIsRead) {
    const ByteImage file = bglWithRecords({airportRecord("EGLL", 0, {parkingRecord({{}})})});
    steps_.linked.insert("EGLL");
    read(file);
    EXPECT_EQ(steps_.links, std::vector<std::string>{"EGLL"});
    EXPECT_TRUE(steps_.written.empty());
    EXPECT_EQ(steps_.simaddonCountsShown, 1);
    EXPECT_EQ(steps_.thirdpartyCountsShown, 1);

    steps_.linked.clear();
    steps_.manifest = AirportPackage{"London Heathrow", "1.2.0", "fsim", "fsim"};
    read(file);
    EXPECT_TRUE(steps_.written.empty());

    steps_.manifest->manufacturer = "North Field Studios";
    read(file);
    ASSERT_EQ(steps_.written.size(), 1u);
    EXPECT_EQ(steps_.written[0].airport.package, steps_.manifest);
    EXPECT_EQ(steps_.thirdpartyCountsShown, 2);
}

TEST_F(BglStandReaderTest, ParseErrorsAreLoggedUnlessTheFileIsNoBgl) {
    read(ByteImage(55));
    read(testing::bglHeader(0).u32(4, 64));
    EXPECT_TRUE(log_.lines().empty());

    ByteImage overlapping = testing::bglHeader(2);
    testing::putSection(overlapping, 0, 3, 1, 1, 96);
    testing::putSection(overlapping, 1, 3, 1, 1, 104);
    overlapping.resize(120);
    read(overlapping, "Bad.bgl");
    EXPECT_EQ(log_.lines(), std::vector<std::string>{
                                "==> BGL airport section parse error at byte 104 in '" +
                                gf_pathToUtf8(path_) + "': Airport subsection tables overlap"});
}

// A helipad cut off by its record's end throws out of the file; the log line names the file
// with an em dash in UTF-8.
TEST_F(BglStandReaderTest, ExceptionIsLoggedAndThrownOn) {
    ByteImage helipad = helipadRecord(51.47, -0.45, 30.0f).resize(20);
    helipad.u32(2, 20);
    path_ = dir_ / "Cut.bgl";
    testing::writeBytes(path_, bglWithRecords({airportRecord("EGLL", 0, {helipad})}).span());
    EXPECT_THROW(gf_processBGLfile(path_, context_), std::out_of_range);
    EXPECT_EQ(log_.lines(), std::vector<std::string>{
                                "==> Exception in lf_processBGLfile (std::ex): " +
                                gf_pathToUtf8(path_) + " \xE2\x80\x94 invalid vector subscript"});
}

TEST_F(BglStandReaderTest, WalkGivesUpAfter9000SubRecords) {
    std::vector<ByteImage> subRecords(9001, otherSubRecord(0x11, 8));
    read(bglWithRecords({airportRecord("EGLL", 0, subRecords)}));
    EXPECT_TRUE(steps_.written.empty());
    EXPECT_EQ(log_.lines(), std::vector<std::string>{
                                "==> Error: Maximum loop iterations reached (1) \xE2\x80\x94 "
                                "possible corrupt SIA or malformed input"});
}

TEST_F(BglStandReaderTest, SlowFileIsReported) {
    steps_.onWrite = [this] { clock_.advance(std::chrono::milliseconds(1500)); };
    const ByteImage file = bglWithRecords({airportRecord("EGLL", 0, {parkingRecord({{}})})});
    read(file);
    EXPECT_EQ(log_.lines(),
              std::vector<std::string>{fmt::format(
                  "==> Slow BGL processing: 1.50 s, {} bytes, phase complete, file '{}'",
                  file.size(), gf_pathToUtf8(path_))});
    steps_.onWrite = [this] { clock_.advance(std::chrono::milliseconds(999)); };
    read(file);
    EXPECT_EQ(log_.lines().size(), 1u);
}

} // namespace
} // namespace skyloom

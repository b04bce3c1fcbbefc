#include <cmath>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "parking/apf_writer.h"
#include "tests/parking/support/parking_test_support.h"
#include "tests/support/captured_log.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_files.h"

namespace skyloom {
namespace {

using testing::airportNamed;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using testing::optionOf;
using testing::standAt;

Stand lf_writtenGate(std::string id, double northMetres = 0) {
    return standAt(std::move(id), 52.3 + northMetres / 1852.0 / 60.0, 4.76, 90, 25,
                   StandType::GATE_MEDIUM);
}

pugi::xml_document lf_load(const std::filesystem::path& path) {
    pugi::xml_document document;
    EXPECT_TRUE(document.load_file(path.c_str())) << path;
    return document;
}

// "name=value" of every parameter, in file order.
std::vector<std::string> lf_parameters(const std::filesystem::path& path) {
    std::vector<std::string> parameters;
    const pugi::xml_document document = lf_load(path);
    for (const pugi::xml_node p : document.child("root").child("parameters").children()) {
        parameters.push_back(std::string(p.attribute("name").value()) + "=" +
                             p.attribute("value").value());
    }
    return parameters;
}

// "attribute=value" of every attribute of the element, in file order.
std::vector<std::string> lf_attributes(const pugi::xml_node& node) {
    std::vector<std::string> attributes;
    for (const pugi::xml_attribute a : node.attributes()) {
        attributes.push_back(std::string(a.name()) + "=" + a.value());
    }
    return attributes;
}

std::vector<pugi::xml_node> lf_parkpos(const pugi::xml_document& document) {
    std::vector<pugi::xml_node> nodes;
    for (const pugi::xml_node n : document.child("root").child("parkpositions").children()) {
        nodes.push_back(n);
    }
    return nodes;
}

TEST(ApfWriterTest, ParametersAreWrittenWhenTheirConditionHolds) {
    ParkOptions options;
    options.parking_percentage = 30;
    options.MAX_FIT = 47;
    options.AUTO_PARK = 1;
    options.PARK_SOFT = 1;
    const struct {
        const char* name;
        std::function<void(AirportFile&)> change;
        ApfMode mode;
        bool handmade;
        std::optional<ParkOptions> parkOptions;
        std::vector<std::string> expected;
    } cases[] = {
        {"full file of a publisher",
         [](AirportFile&) {},
         ApfMode::full,
         false,
         std::nullopt,
         {"icao=EHAM", "iata=AMS", "airport_name=Amsterdam Airport Schiphol", "latitude=52.3086",
          "longitude=4.7639", "publisher=Big Pub", "version=1.2.3", "altitude=-11",
          "num_parkpos=1"}},
        {"stock: no version",
         [](AirportFile& a) { a.publisher = "stock"; },
         ApfMode::full,
         false,
         std::nullopt,
         {"icao=EHAM", "iata=AMS", "airport_name=Amsterdam Airport Schiphol", "latitude=52.3086",
          "longitude=4.7639", "publisher=stock", "altitude=-11", "num_parkpos=1"}},
        {"no publisher: the scenery source",
         [](AirportFile& a) {
             a.publisher.clear();
             a.bglPath = "x/EHAM.bgl";
             a.iata = IataCode("XXX");
             a.latitude = 0;
             a.longitude = 0;
         },
         ApfMode::full,
         false,
         std::nullopt,
         {"icao=EHAM", "airport_name=Amsterdam Airport Schiphol", "publisher=", "version=1.2.3",
          "altitude=-11", "num_parkpos=1", "BGLpath=x/EHAM.bgl", "manufacturer=Maker",
          "creator=Someone"}},
        {"learned with park options",
         [](AirportFile& a) {
             a.package.reset();
             a.iata = IataCode();
             a.icao = IcaoCode();
         },
         ApfMode::learned,
         false,
         options,
         {"icao=", "airport_name=Amsterdam Airport Schiphol", "latitude=52.3086",
          "longitude=4.7639", "publisher=Big Pub", "RT_PARKTRAFFIC_ONLY=false", "AUTO_PARK=true",
          "parking_percentage=30", "MAX_FIT=47", "WEEK=false", "PARK_SOFT=true"}},
        {"park options only go into learned files",
         [](AirportFile& a) { a.package.reset(); },
         ApfMode::full,
         false,
         options,
         {"icao=EHAM", "iata=AMS", "airport_name=Amsterdam Airport Schiphol", "latitude=52.3086",
          "longitude=4.7639", "publisher=Big Pub", "altitude=-11", "num_parkpos=1"}},
        {"handmade with scores",
         [](AirportFile& a) {
             a.qfReal = 0;
             a.qfSoft = 9;
             a.package.reset();
         },
         ApfMode::learned,
         true,
         std::nullopt,
         {"icao=EHAM", "iata=AMS", "airport_name=Amsterdam Airport Schiphol", "latitude=52.3086",
          "longitude=4.7639", "publisher=Big Pub", "handmade=true", "altitude=-11", "Qf_real=0",
          "Qf_soft=9"}},
        {"handmade with a real score only",
         [](AirportFile& a) {
             a.qfReal = 20;
             a.qfSoft = 0;
             a.package.reset();
         },
         ApfMode::learned,
         true,
         std::nullopt,
         {"icao=EHAM", "iata=AMS", "airport_name=Amsterdam Airport Schiphol", "latitude=52.3086",
          "longitude=4.7639", "publisher=Big Pub", "handmade=true", "altitude=-11", "Qf_real=20"}},
    };
    for (const auto& c : cases) {
        const testing::TempDir dir;
        AirportFile airport = airportNamed("EHAM");
        airport.stands = {lf_writtenGate("A1")};
        c.change(airport);
        ASSERT_TRUE(testing::writeApf(airport, dir / "EHAM.xml", c.mode, c.handmade, c.parkOptions))
            << c.name;
        EXPECT_THAT(lf_parameters(dir / "EHAM.xml"), ElementsAreArray(c.expected)) << c.name;
    }
}

TEST(ApfWriterTest, LearnedFormWritesGeometryOnlyForManualStandsAndValidOptions) {
    const testing::CapturedLog log;
    const testing::TempDir dir;
    AirportFile airport = airportNamed("EHAM");
    Stand learned = lf_writtenGate("A1");
    learned.options = {optionOf("KLM", "B738", "PH-BXA", 2, 4, 6, 1),
                       optionOf("KLM", "B738", "PH-BXB", 2, 4, 6, 0),
                       optionOf("KLM", "B738", "", 2, 4, 6, 3)};
    learned.options[0].callsign = "KLM12";
    Stand manual = lf_writtenGate("M1", 100);
    manual.manual = true;
    Stand helipad = lf_writtenGate("H1", 200);
    helipad.type = StandType::NONE;
    helipad.heli = true;
    helipad.manual = true;
    airport.stands = {learned, manual, helipad};
    ASSERT_TRUE(testing::writeApf(airport, dir / "EHAM.xml", ApfMode::learned));

    const pugi::xml_document document = lf_load(dir / "EHAM.xml");
    const std::vector<pugi::xml_node> stands = lf_parkpos(document);
    ASSERT_EQ(stands.size(), 3u);
    EXPECT_THAT(lf_attributes(stands[0]), ElementsAre("id=A1"));
    std::vector<std::string> options;
    for (const pugi::xml_node opt : stands[0].children("opt")) {
        options.push_back(fmt::format("{}", fmt::join(lf_attributes(opt), " ")));
    }
    EXPECT_THAT(options, ElementsAre("reg=PH-BXA airl=KLM type=B738 day=2 hh=4:6 cs=KLM12"));
    EXPECT_THAT(lf_attributes(stands[1]),
                ElementsAre("id=M1", "typestr=GATE_MEDIUM", "latitude=52.300900",
                            "longitude=4.760000", "heading=90.0", "radius=25.0", "manual=true"));
    EXPECT_THAT(lf_attributes(stands[2]),
                ElementsAre("id=H1", "typestr=NONE", "latitude=52.301800", "longitude=4.760000",
                            "heading=90.0", "radius=25.0", "cargo=false", "ramp=false",
                            "heli=true", "manual=true"));
}

TEST(ApfWriterTest, OptionHoursAreWrittenAsOneOptionPerContiguousRun) {
    const testing::CapturedLog log;
    const testing::TempDir dir;
    AirportFile airport = airportNamed("EHAM");
    Stand stand = lf_writtenGate("A1");
    FlightOption split = optionOf("KLM", "B738", "PH-BXA", 2, 0, 3, 1);
    split.hours |= HoursBitset::range(10, 12);
    split.hours |= HoursBitset::single(47);
    stand.options = {split};
    airport.stands = {stand};
    ASSERT_TRUE(testing::writeApf(airport, dir / "EHAM.xml", ApfMode::learned));

    const pugi::xml_document document = lf_load(dir / "EHAM.xml");
    std::vector<std::string> hours;
    for (const pugi::xml_node opt : lf_parkpos(document).at(0).children("opt")) {
        hours.push_back(opt.attribute("hh").value());
        EXPECT_STREQ(opt.attribute("reg").value(), "PH-BXA");
        EXPECT_STREQ(opt.attribute("day").value(), "2");
    }
    EXPECT_THAT(hours, ElementsAre("0:3", "10:12", "47"));
}

TEST(ApfWriterTest, AnOptionWithoutDayOrHoursIsLeftOutWithALineAndTheRestIsWritten) {
    const struct {
        const char* name;
        std::uint32_t day;
        bool noHours;
        const char* why;
    } cases[] = {
        {"day from a failed clock", static_cast<std::uint32_t>(-1), false,
         "day 4294967295 is not 1 to 7"},
        {"day 0", 0, false, "day 0 is not 1 to 7"},
        {"day 8", 8, false, "day 8 is not 1 to 7"},
        {"no half-hours", 3, true, "no half-hours"},
    };
    for (const auto& c : cases) {
        const testing::CapturedLog log;
        const testing::TempDir dir;
        AirportFile airport = airportNamed("EHAM");
        Stand stand = lf_writtenGate("A1");
        FlightOption bad = optionOf("KLM", "B738", "PH-BAD", 1, 4, 4, 1);
        bad.day = c.day;
        bad.callsign = "KLM9";
        if (c.noHours) {
            bad.hours = HoursBitset();
        }
        stand.options = {bad, optionOf("KLM", "B738", "PH-BXA", 2, 4, 6, 2)};
        airport.stands = {stand};
        ASSERT_TRUE(testing::writeApf(airport, dir / "EHAM.xml", ApfMode::learned)) << c.name;
        const pugi::xml_document document = lf_load(dir / "EHAM.xml");
        const pugi::xml_node written = lf_parkpos(document).at(0);
        EXPECT_EQ(std::distance(written.children("opt").begin(), written.children("opt").end()), 1)
            << c.name;
        EXPECT_STREQ(written.child("opt").attribute("reg").value(), "PH-BXA") << c.name;
        EXPECT_TRUE(log.has(fmt::format("==> gf_writeApf: stand 'A1': invalid flight option: "
                                        "PH-BAD KLM9 KLM     B738 : {}, left out",
                                        c.why)))
            << c.name;
    }
}

TEST(ApfWriterTest, AStandWithUnusableGeometryIsLeftOutWithALine) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        const char* name;
        std::function<void(Stand&)> spoil;
    } cases[] = {
        {"helipad of width 0", [](Stand& s) { s.radius = 0; }},
        {"negative radius", [](Stand& s) { s.radius = -0.01; }},
        {"radius not a number", [nan](Stand& s) { s.radius = nan; }},
        {"infinite radius", [inf](Stand& s) { s.radius = inf; }},
        {"heading not finite", [nan](Stand& s) { s.heading = nan; }},
        {"no position",
         [](Stand& s) {
             s.position = Lalo{0, 0};
         }},
        {"latitude beyond the pole", [](Stand& s) { s.position.lat = 91; }},
    };
    for (const auto& c : cases) {
        const testing::CapturedLog log;
        const testing::TempDir dir;
        AirportFile airport = airportNamed("EHAM");
        Stand bad = lf_writtenGate("B1");
        c.spoil(bad);
        airport.stands = {lf_writtenGate("A1"), bad, lf_writtenGate("C1", 100)};
        ASSERT_TRUE(testing::writeApf(airport, dir / "EHAM.xml")) << c.name;
        const pugi::xml_document document = lf_load(dir / "EHAM.xml");
        std::vector<std::string> ids;
        for (const pugi::xml_node n : lf_parkpos(document)) {
            ids.push_back(n.attribute("id").value());
        }
        EXPECT_THAT(ids, ElementsAre("A1", "C1")) << c.name;
        EXPECT_THAT(lf_parameters(dir / "EHAM.xml"), ::testing::Contains("num_parkpos=2"))
            << c.name;
        EXPECT_TRUE(log.contains("==> gf_writeApf: stand 'B1' has invalid geometry")) << c.name;
    }
}

TEST(ApfWriterTest, AnEmptyOrRepeatedStandIdFailsTheWriteAndKeepsTheOldFile) {
    const struct {
        const char* name;
        std::vector<std::string> ids;
        const char* line;
    } cases[] = {
        {"repeated id", {"A1", "B1", "A1"}, "==> gf_writeApf: empty or duplicate stand id 'A1'"},
        {"empty id", {"A1", ""}, "==> gf_writeApf: empty or duplicate stand id ''"},
    };
    for (const auto& c : cases) {
        const testing::CapturedLog log;
        const testing::TempDir dir;
        AirportFile good = airportNamed("EHAM");
        good.stands = {lf_writtenGate("G1")};
        ASSERT_TRUE(testing::writeApf(good, dir / "EHAM.xml"));
        const std::string before = testing::readText(dir / "EHAM.xml");

        AirportFile bad = airportNamed("EHAM");
        for (std::size_t i = 0; i < c.ids.size(); ++i) {
            bad.stands.push_back(lf_writtenGate(c.ids[i], 100.0 * i));
        }
        EXPECT_FALSE(testing::writeApf(bad, dir / "EHAM.xml")) << c.name;
        EXPECT_TRUE(log.has(c.line)) << c.name;
        EXPECT_EQ(testing::readText(dir / "EHAM.xml"), before) << c.name;
        EXPECT_FALSE(std::filesystem::exists(dir / "EHAM.xml.tmp")) << c.name;
    }
}

TEST(ApfWriterTest, ATargetThatCannotBeAFileFailsWithALine) {
    const testing::CapturedLog log;
    const testing::TempDir dir;
    AirportFile airport = airportNamed("EHAM");
    airport.stands = {lf_writtenGate("A1")};

    std::filesystem::create_directories(dir / "EHAM.xml" / "inside");
    EXPECT_FALSE(testing::writeApf(airport, dir / "EHAM.xml"));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "EHAM.xml" / "inside"));
    EXPECT_TRUE(
        log.contains("==> gf_writeApf: '" + (dir / "EHAM.xml").string() + "' not written: "));

    EXPECT_FALSE(testing::writeApf(airport, ""));
    EXPECT_TRUE(log.has("==> gf_writeApf: empty output filename"));

    testing::writeText(dir / "file", "a file where a folder should be");
    EXPECT_FALSE(testing::writeApf(airport, dir / "file" / "EHAM.xml"));
    EXPECT_TRUE(log.contains("==> gf_writeApf: could not create directory '" +
                             (dir / "file").string() + "': "));
}

TEST(ApfWriterTest, AnAirportWithoutStandsHasNoStandSectionAndMakesItsFolder) {
    const testing::TempDir dir;
    const std::filesystem::path target = dir / "airports" / "my_simaddon" / "EHAM.xml";
    ASSERT_TRUE(testing::writeApf(airportNamed("EHAM"), target));
    const pugi::xml_document document = lf_load(target);
    EXPECT_FALSE(document.child("root").child("parkpositions"));
    EXPECT_STREQ(document.child("root").first_child().name(), "meta");
    EXPECT_STREQ(document.child("root").child("meta").attribute("created").value(),
                 "2026-03-14T09:26:53Z");
}

} // namespace
} // namespace skyloom

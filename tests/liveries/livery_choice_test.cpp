// The livery choice: the ladder of match steps for live and static aircraft on one installation,
// case by case (which step, which title), the level from MATCHING_DEPTH and the altitude rule,
// the light categories, operators, private aircraft, cargo, special and refused titles, the
// random pick and what a match records.
#include "liveries/livery_choice.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "config/program_paths.h"
#include "foundation/random.h"
#include "liveries/livery_matching_summary.h"
#include "liveries/livery_tables.h"
#include "refdata/airport_file.h"
#include "refdata/code_table.h"
#include "refdata/dbase_lookups.h"
#include "runtime/user_aircraft.h"
#include "tests/liveries/support/livery_world.h"

namespace skyloom {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// What one live choice gave.
struct Outcome {
    std::string title;
    // The step counted; no value when nothing was counted.
    std::optional<std::size_t> step;
    bool tcasCoverage = false;
    bool fsltlLivery = false;
};

// An aircraft by codes, its category from the dbase as the live traffic gives it.
LiveryAircraft lf_aircraft(std::string_view airline, std::string_view model,
                           std::string_view regcode = {}, std::string_view op = {},
                           bool cargo = false) {
    LiveryAircraft aircraft;
    aircraft.key = LiveryKey{gf_airlineId(airline), gf_airlineId(op), gf_modelId(model),
                             static_cast<std::uint8_t>(cargo), 0};
    aircraft.regcode = regcode;
    aircraft.category = gf_modelCategory(aircraft.key.model);
    aircraft.callsign = "TST123";
    return aircraft;
}

class LiveryChoiceTest : public testing::LiveryWorld {
protected:
    void SetUp() override {
        LiveryWorld::SetUp();
        user_.clearPosition();
        ASSERT_TRUE(testing::encryptWithTool(testing::aigRegcodesXml(R"(
            <l t="Special DLH A320" r="D-ABCD" s="true"/>
            <l t="BAW A320 1 special" r="G-EUAA" s="true"/>
            <l t="DLH E190 special" r="D-AEMA,D-AEMB" s="true"/>)"),
                                             gf_aigRegcodesPath()));
        buildTables({
            {"DLH", "A320", "DLH A320"},
            {"DLH", "A320", "DLH A320 D-AIZA", false, "D-AIZA"},
            {"DLH", "A320", "Special DLH A320"},
            {"DLH", "A320", "DLH A320 Cargo", true},
            {"DLH", "A319", "DLH A319"},
            {"DLH", "B744", "DLH B744"},
            {"DLH", "B744", "DLH B744 Cargo", true},
            {"DLH", "MD11", "Lufthansa Cargo MD11", true},
            {"DLH", "E190", "DLH E190 special"},
            {"DLH", "A321", "Lufthansa A321 CityLine", false, "", "CLH"},
            {"CLH", "E190", "CityLine E190"},
            {"CLH", "E190", "Lufthansa CityLine E190"},
            {"BAW", "E190", "British Airways E190"},
            {"BAW", "E190", "Zed BA CityFlyer E190"},
            {"BAW", "A320", "BAW A320 1 special"},
            {"BAW", "A320", "BAW A320 2"},
            {"BAW", "A320", "BAW A320 3"},
            {"BAW", "A319", "BAW A319"},
            {"SKW", "E190", "SkyWest E190"},
            {"UAL", "B738", "United B738"},
            {"KLM", "B738", "KLM B738 FSLTL_ KLM"},
            {"ZZZ", "B739", "Generic B739"},
            {"ZZZ", "C172", "Generic C172"},
            {"PVT", "C172", "Private C172"},
            {"NJE", "GLF5", "NJE GLF5"},
            {"PVT", "BE58", "Private Baron"},
            {"PVT", "SR22", "Private SR22"},
        });
        newLogLines();
    }

    Outcome live(LiveryAircraft aircraft, double altitudeFt = 5000.0) {
        const MatchStepCounters before = gf_matchStepCounters();
        gf_matchLiveLivery(aircraft, altitudeFt, user_.position());
        Outcome outcome;
        outcome.title = std::string(aircraft.liveryTitle);
        outcome.tcasCoverage = aircraft.tcasCoverage;
        outcome.fsltlLivery = aircraft.fsltlLivery;
        const MatchStepCounters& after = gf_matchStepCounters();
        for (std::size_t step = 0; step < kMatchStepCount; ++step) {
            if (after[step] != before[step]) {
                EXPECT_FALSE(outcome.step.has_value()) << "two steps counted";
                EXPECT_EQ(after[step], before[step] + 1);
                outcome.step = step;
            }
        }
        return outcome;
    }
};

struct LadderCase {
    std::string_view name;
    int matchingDepth;
    LiveryAircraft aircraft;
    std::string title; // empty: no livery
    std::optional<std::size_t> step;
};

TEST_F(LiveryChoiceTest, LiveLadder) {
    const LadderCase cases[] = {
        // Registrations reach any livery, special ones included, at every level.
        {"unique regcode", 1, lf_aircraft("KLM", "B744", "D-ABCD"), "Special DLH A320", 0},
        {"in-line regcode", 1, lf_aircraft("KLM", "B744", "D-AIZA"), "DLH A320 D-AIZA", 1},
        {"special with two regcodes", 1, lf_aircraft("KLM", "B744", "D-AEMB"), "DLH E190 special",
         1},
        {"depth 1 without regcode", 1, lf_aircraft("DLH", "A320"), "", std::nullopt},
        {"unknown regcode", 1, lf_aircraft("DLH", "A320", "D-XXXX"), "", std::nullopt},
        // Step 2: airline and model; the first candidate with RANDOM off.
        {"airline and model", 2, lf_aircraft("DLH", "A320", "D-XXXX"), "DLH A320", 2},
        {"special first: the last other one", 2, lf_aircraft("BAW", "A320"), "BAW A320 3", 2},
        {"only special liveries", 2, lf_aircraft("DLH", "E190"), "", std::nullopt},
        {"cargo key", 2, lf_aircraft("DLH", "A320", "", "", true), "DLH A320 Cargo", 2},
        {"cargo key falls back to passenger", 2, lf_aircraft("DLH", "A319", "", "", true),
         "DLH A319", 2},
        {"passenger key never takes cargo", 3, lf_aircraft("DLH", "MD11"), "", std::nullopt},
        // Operators.
        {"combined code", 2, lf_aircraft("DLH", "A321", "", "CLH"), "Lufthansa A321 CityLine", 2},
        {"operator's livery naming the airline", 2, lf_aircraft("DLH", "E190", "", "CLH"),
         "Lufthansa CityLine E190", 2},
        {"airline's livery naming the operator", 2, lf_aircraft("BAW", "E190", "", "CFE"),
         "Zed BA CityFlyer E190", 2},
        {"operator's livery", 2, lf_aircraft("UAL", "E190", "", "SKW"), "SkyWest E190", 2},
        {"airline's livery of an operated flight", 2, lf_aircraft("UAL", "B738", "", "XYZ"),
         "United B738", 2},
        // Private aircraft: the generic livery before the private one.
        {"private", 2, lf_aircraft("PVT", "C172"), "Generic C172", 4},
        {"private without generic", 2, lf_aircraft("PVT", "P28A"), "", std::nullopt},
        // Step 3: a similar model of the airline, of the aircraft's category.
        {"similar model of the airline", 3, lf_aircraft("DLH", "A321"), "DLH A319", 3},
        {"similar heavy", 3, lf_aircraft("DLH", "B77W"), "DLH B744", 3},
        {"similar of another category", 3, lf_aircraft("BAW", "MD11"), "", std::nullopt},
        {"depth 2 stops before step 3", 2, lf_aircraft("DLH", "A321"), "", std::nullopt},
        // Step 4: the generic livery.
        {"generic", 4, lf_aircraft("AFR", "B739"), "Generic B739", 4},
        {"depth 3 stops before step 4", 3, lf_aircraft("AFR", "B739"), "", std::nullopt},
        {"the airline's similar model before the generic one", 4, lf_aircraft("KLM", "B739"),
         "KLM B738 FSLTL_ KLM", 3},
        // Steps 5 to 7 for a large aircraft need their depth.
        {"heavy stops after step 4", 4, lf_aircraft("KLM", "B744"), "", std::nullopt},
        {"any airline's model", 5, lf_aircraft("KLM", "B744"), "DLH B744", 5},
        {"similar model of any airline", 6, lf_aircraft("KLM", "B77W"), "DLH B744", 6},
        {"depth 5 stops before step 6", 5, lf_aircraft("KLM", "B77W"), "", std::nullopt},
        {"any model of the category", 7, lf_aircraft("KLM", "A359"), "DLH B744", 7},
        {"cargo aircraft at step 7", 7, lf_aircraft("FDX", "A359", "", "", true), "DLH B744 Cargo",
         7},
        {"depth 6 stops before step 7", 6, lf_aircraft("KLM", "A359"), "", std::nullopt},
        // The light categories go on from depth 4.
        {"bizjet: similar model of the airline", 4, lf_aircraft("NJE", "C25A"), "NJE GLF5", 3},
        {"bizjet: similar model of any airline", 4, lf_aircraft("VJT", "C25A"), "NJE GLF5", 6},
        {"light: generic", 4, lf_aircraft("KLM", "C172"), "Generic C172", 4},
        {"two-prop: any airline's model", 4, lf_aircraft("KLM", "BE58"), "Private Baron", 5},
        {"light: a similar model", 4, lf_aircraft("KLM", "DA40"), "Private SR22", 6},
        {"light at depth 3", 3, lf_aircraft("KLM", "DA40"), "", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        setChoiceSettings(c.matchingDepth);
        const Outcome outcome = live(c.aircraft);
        EXPECT_EQ(outcome.title, c.title);
        EXPECT_EQ(outcome.step, c.step);
        // Only a step beyond MATCHING_DEPTH marks the aircraft for removal below TCAS_FL.
        EXPECT_EQ(outcome.tcasCoverage,
                  c.step.has_value() && *c.step > std::size_t(c.matchingDepth));
    }
}

TEST_F(LiveryChoiceTest, HighUpTheLadderGoesToStepEight) {
    setChoiceSettings(2, 180);
    user_.publishPosition(Lalo{50.0, 8.0}, 35000.0);
    // Both above FL180: level 8, so step 5 is reached and the aircraft is marked.
    Outcome outcome = live(lf_aircraft("KLM", "B744"), 36000.0);
    EXPECT_EQ(outcome.title, "DLH B744");
    EXPECT_EQ(outcome.step, 5u);
    EXPECT_TRUE(outcome.tcasCoverage);
    // A helicopter with nothing of its category installed: a B738 at last.
    outcome = live(lf_aircraft("KLM", "EC35"), 36000.0);
    EXPECT_THAT(outcome.title, ::testing::AnyOf("United B738", "KLM B738 FSLTL_ KLM"));
    EXPECT_EQ(outcome.step, 8u);
    // The aircraft itself low: the rule does not apply.
    EXPECT_EQ(live(lf_aircraft("KLM", "B744"), 18000.0).title, "");
    // Exactly at TCAS_FL x 100 is not above it.
    user_.publishPosition(Lalo{50.0, 8.0}, 18000.0);
    EXPECT_EQ(live(lf_aircraft("KLM", "B744"), 36000.0).title, "");
    // The user below: never, whatever the aircraft's altitude.
    user_.publishPosition(Lalo{50.0, 8.0}, 3000.0);
    EXPECT_EQ(live(lf_aircraft("KLM", "B744"), 41000.0).title, "");
}

class SmallInstallationTest : public testing::LiveryWorld {};

TEST_F(SmallInstallationTest, StepEightTakesAnA320WithoutB738) {
    buildTables({{"DLH", "A320", "DLH A320"}, {"NJE", "GLF5", "NJE GLF5"}});
    setChoiceSettings(7, 180);
    user_.publishPosition(Lalo{50.0, 8.0}, 35000.0);
    // A Heavy without liveries of its category, so step 7 finds nothing.
    LiveryAircraft aircraft = lf_aircraft("KLM", "A359");
    gf_matchLiveLivery(aircraft, 36000.0, user_.position());
    EXPECT_EQ(aircraft.liveryTitle, "DLH A320");
    EXPECT_EQ(gf_matchStepCounters()[8], 1);
    EXPECT_TRUE(aircraft.tcasCoverage);
    user_.clearPosition();
}

TEST_F(SmallInstallationTest, WithoutAnyTablesNothingIsFound) {
    setChoiceSettings(7, 180);
    LiveryAircraft aircraft = lf_aircraft("DLH", "A320", "D-AIBA");
    gf_matchLiveLivery(aircraft, 5000.0, user_.position());
    EXPECT_TRUE(aircraft.liveryTitle.empty());
    EXPECT_THAT(gf_matchStepCounters(), ::testing::Each(0));
}

// With the airline code table full, every new combined code of airline and operator gets the
// empty code's id 0: such liveries are filed nowhere, and an operated flight whose combined code
// is new skips that step, so that unrelated operators never share id 0.
class FullAirlineTableTest : public testing::LiveryWorld {
protected:
    void TearDown() override {
        gf_airlineCodeTable().reset();
        LiveryWorld::TearDown();
    }
};

TEST_F(FullAirlineTableTest, OperatorLiveriesAreNotFiledUnderTheEmptyCode) {
    // The codes of the liveries and of the aircraft are known before the table fills up.
    for (const char* code : {"DLH", "CLH", "BAW", "SHT"}) {
        gf_airlineId(code);
    }
    AirlineCodeTable& table = gf_airlineCodeTable();
    for (std::size_t i = 0; table.size() < kMaxCodeTableSize; ++i) {
        table.intern(fmt::format("F{}", i));
    }
    buildTables({{"DLH", "A320", "CityLine A320", false, "", "CLH"},
                 {"BAW", "A320", "BAW A320"},
                 {"BAW", "A320", "Shuttle A320", false, "", "SHT"}});

    const LiveryTables& tables = gf_liveryTables();
    EXPECT_FALSE(tables.airlineLiveryIndex.contains(0));
    EXPECT_TRUE(tables.findTitle("CityLine A320").empty());
    EXPECT_TRUE(tables.findTitle("Shuttle A320").empty());
    EXPECT_FALSE(tables.findTitle("BAW A320").empty());
    const std::vector<std::string> lines = logLines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) {
                                return line.find("The airline code table is full") !=
                                       std::string::npos;
                            }),
              1);

    setChoiceSettings(2);
    for (const char* op : {"SHT", "CLH"}) {
        LiveryAircraft aircraft = lf_aircraft("BAW", "A320", {}, op);
        gf_matchLiveLivery(aircraft, 5000.0, user_.position());
        EXPECT_EQ(aircraft.liveryTitle, "BAW A320") << op;
    }
}

TEST_F(LiveryChoiceTest, RefusedTitlesAreGivenUpAndTheLadderGoesOn) {
    setChoiceSettings(2);
    gf_recordFailedLiveryTitle("DLH A320 D-AIZA", "A320 DLH");
    Outcome outcome = live(lf_aircraft("DLH", "A320", "D-AIZA"));
    EXPECT_EQ(outcome.title, "DLH A320");
    EXPECT_EQ(outcome.step, 2u);
    // A refused title found by a lookup ends that step; the next one runs.
    gf_recordFailedLiveryTitle("Generic C172", "C172 ZZZ");
    outcome = live(lf_aircraft("PVT", "C172"));
    EXPECT_EQ(outcome.title, "Private C172");
    EXPECT_EQ(outcome.step, 2u);
    // Refused at the only step left: no livery.
    setChoiceSettings(1);
    outcome = live(lf_aircraft("KLM", "B744", "D-AIZA"));
    EXPECT_EQ(outcome.title, "");
    EXPECT_EQ(outcome.step, std::nullopt);
}

TEST_F(LiveryChoiceTest, AMatchIsLoggedWithItsStepAndFlags) {
    setChoiceSettings(4);
    LiveryAircraft aircraft = lf_aircraft("KLM", "B738");
    aircraft.origin = IataCode("AMS");
    aircraft.destination = IataCode("LHR");
    gf_matchLiveLivery(aircraft, 5000.0, user_.position());
    EXPECT_EQ(aircraft.liveryTitle, "KLM B738 FSLTL_ KLM");
    EXPECT_TRUE(aircraft.fsltlLivery);
    EXPECT_FALSE(aircraft.tcasCoverage);
    EXPECT_THAT(newLogLines(), ElementsAre("                TST123   " + std::string(12, ' ') +
                                           " AMS->LHR KLM     B738  =2= KLM B738 FSLTL_ KLM"));
    // The flags of an earlier choice do not stay.
    aircraft.key = lf_aircraft("DLH", "A319").key;
    gf_matchLiveLivery(aircraft, 5000.0, user_.position());
    EXPECT_EQ(aircraft.liveryTitle, "DLH A319");
    EXPECT_FALSE(aircraft.fsltlLivery);
}

TEST_F(LiveryChoiceTest, WithRandomOffTheSameAircraftAlwaysGetsTheSameLivery) {
    setChoiceSettings(6, 180, false);
    const std::string anyAirline = live(lf_aircraft("KLM", "A320")).title;
    EXPECT_FALSE(anyAirline.empty());
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(live(lf_aircraft("BAW", "A320")).title, "BAW A320 3");
        EXPECT_EQ(live(lf_aircraft("KLM", "A320")).title, anyAirline);
    }
    // The similar-model lists keep their stored order.
    const auto similar = gf_similarModelsOfAirline(gf_airlineId("DLH"), gf_modelId("A321"));
    ASSERT_EQ(similar.size(), 2u);
    const std::vector<std::uint16_t> before(similar.begin(), similar.end());
    EXPECT_EQ(live(lf_aircraft("DLH", "A321")).title, "DLH A319");
    EXPECT_EQ(std::vector<std::uint16_t>(similar.begin(), similar.end()), before);
}

TEST_F(LiveryChoiceTest, WithRandomOnTheSimilarModelsAreShuffledInPlace) {
    setChoiceSettings(6, 180, true);
    gf_seedRandomEngine(7);
    const auto similar = gf_similarModelsOfAirline(gf_airlineId("DLH"), gf_modelId("A321"));
    ASSERT_EQ(similar.size(), 2u);
    std::set<std::vector<std::uint16_t>> orders;
    std::set<std::string> titles;
    for (int i = 0; i < 50; ++i) {
        titles.insert(live(lf_aircraft("DLH", "A321")).title);
        orders.insert(std::vector<std::uint16_t>(similar.begin(), similar.end()));
    }
    EXPECT_EQ(orders.size(), 2u);
    EXPECT_EQ(titles, (std::set<std::string>{"DLH A319", "DLH A320", "DLH A320 D-AIZA"}));
}

TEST_F(LiveryChoiceTest, WithRandomOnEveryOrdinaryLiveryIsPickedAndNoSpecialOne) {
    setChoiceSettings(5, 180, true);
    gf_seedRandomEngine(12345);
    std::map<std::string, int> picks;
    for (int i = 0; i < 300; ++i) {
        ++picks[live(lf_aircraft("BAW", "A320")).title];
    }
    EXPECT_THAT(picks, ElementsAre(::testing::Pair("BAW A320 2", ::testing::Gt(100)),
                                   ::testing::Pair("BAW A320 3", ::testing::Gt(100))));
    std::set<std::string> anyAirline;
    for (int i = 0; i < 300; ++i) {
        anyAirline.insert(live(lf_aircraft("KLM", "A320")).title);
    }
    // Step 5 draws from every airline's A320 liveries, never a special one.
    EXPECT_EQ(anyAirline,
              (std::set<std::string>{"DLH A320", "DLH A320 D-AIZA", "BAW A320 2", "BAW A320 3"}));
}

TEST_F(LiveryChoiceTest, StaticLadder) {
    Stand gate;
    gate.id = "GATE A 12";
    Stand cargoStand;
    cargoStand.id = "CARGO 3";
    cargoStand.cargo = true;

    setChoiceSettings(4);
    LiveryAircraft aircraft = lf_aircraft("DLH", "A320");
    EXPECT_TRUE(gf_matchStaticLivery(aircraft, cargoStand));
    EXPECT_EQ(aircraft.liveryTitle, "DLH A320 Cargo");
    aircraft = lf_aircraft("DLH", "A320", "", "", true);
    EXPECT_TRUE(gf_matchStaticLivery(aircraft, gate));
    EXPECT_EQ(aircraft.liveryTitle, "DLH A320");
    aircraft = lf_aircraft("KLM", "A320", "D-ABCD");
    EXPECT_TRUE(gf_matchStaticLivery(aircraft, gate));
    EXPECT_EQ(aircraft.liveryTitle, "Special DLH A320");
    // At step 7 a cargo stand asks for cargo liveries first.
    setChoiceSettings(7);
    aircraft = lf_aircraft("KLM", "A359");
    EXPECT_TRUE(gf_matchStaticLivery(aircraft, gate));
    EXPECT_EQ(aircraft.liveryTitle, "DLH B744");
    aircraft = lf_aircraft("KLM", "A359");
    EXPECT_TRUE(gf_matchStaticLivery(aircraft, cargoStand));
    EXPECT_EQ(aircraft.liveryTitle, "DLH B744 Cargo");
    // Static aircraft are never counted and never marked.
    EXPECT_THAT(gf_matchStepCounters(), ::testing::Each(0));
    EXPECT_FALSE(aircraft.tcasCoverage);
    const auto lines = newLogLines();
    EXPECT_THAT(lines, Contains(::testing::EndsWith(" =2= DLH A320 Cargo")));
    EXPECT_THAT(lines, Contains(::testing::EndsWith(" =0= Special DLH A320")));
    EXPECT_THAT(lines, Contains(::testing::EndsWith(" =7= DLH B744 Cargo")));
}

TEST_F(LiveryChoiceTest, StaticAircraftWithoutMatchOrWithItsOwnTitle) {
    Stand stand;
    stand.id = "PARKING 7";
    setChoiceSettings(1);
    LiveryAircraft aircraft = lf_aircraft("DLH", "A320", "D-XXXX");
    EXPECT_FALSE(gf_matchStaticLivery(aircraft, stand));
    EXPECT_TRUE(aircraft.liveryTitle.empty());
    EXPECT_THAT(newLogLines(),
                ElementsAre("PARKING 7     : TST123   D-XXXX DLH     A320  no livery match ..."));

    setChoiceSettings(3);
    aircraft = lf_aircraft("KLM", "B744");
    EXPECT_FALSE(gf_matchStaticLivery(aircraft, stand));
    EXPECT_THAT(newLogLines(), ElementsAre(::testing::EndsWith(" no livery match ...")));

    aircraft = lf_aircraft("KLM", "B744");
    aircraft.liveryTitle = "Title from the feed";
    EXPECT_TRUE(gf_matchStaticLivery(aircraft, stand));
    EXPECT_EQ(aircraft.liveryTitle, "Title from the feed");
    EXPECT_THAT(newLogLines(),
                ElementsAre(std::string(16, ' ') + "TST123   " + std::string(12, ' ') + " " +
                            std::string(8, ' ') + " KLM     B744  =s= Title from the feed"));
}

} // namespace
} // namespace skyloom

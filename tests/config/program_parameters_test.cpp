#include "config/parameters.h"

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <tuple>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "config/parameter_rules.h"
#include "config/parameters_store.h"
#include "foundation/log_file.h"
#include "tests/config/support/config_test_support.h"
#include "tests/support/shared_data.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace skyloom {
namespace {

using ::testing::HasSubstr;

TEST(ProgramParametersTest, NamesAreUniqueAndFindable) {
    ProgramParameters parameters;
    std::set<std::string> names;
    for (const Parameter* parameter : parameters.all()) {
        EXPECT_TRUE(names.insert(parameter->name()).second) << parameter->name();
        EXPECT_EQ(parameters.findByName(parameter->name()), parameter);
    }
    EXPECT_EQ(parameters.findByName("lfolder9"), &parameters.lfolder[9]);
    EXPECT_EQ(parameters.findByName("NOT_A_KEY"), nullptr);
}

TEST(ProgramParametersTest, TheMainWindowHasFiftyFiveControlsWithDistinctIds) {
    ProgramParameters parameters;
    int checkboxes = 0;
    int combos = 0;
    int buttons = 0;
    int edits = 0;
    std::set<int> ids;
    for (const OptionControl* control : parameters.controls()) {
        EXPECT_TRUE(ids.insert(control->controlId()).second) << control->controlId();
        EXPECT_GE(control->controlId(), 32773);
        EXPECT_LE(control->controlId(), 32843);
        EXPECT_EQ(parameters.findControl(control->controlId()), control);
        if (dynamic_cast<const CheckboxParameter*>(control) != nullptr) {
            ++checkboxes;
            EXPECT_EQ(control->layout().captionX, control->layout().controlX + 20);
            EXPECT_EQ(control->layout().width, 14);
        } else if (dynamic_cast<const OptionButton*>(control) != nullptr) {
            ++buttons;
        } else if (dynamic_cast<const EditBoxParameter*>(control) != nullptr) {
            ++edits;
        } else {
            ++combos;
        }
    }
    EXPECT_EQ(checkboxes, 25);
    EXPECT_EQ(combos, 22);
    EXPECT_EQ(buttons, 7);
    EXPECT_EQ(edits, 1);
    EXPECT_EQ(parameters.findControl(32800), &parameters.HELICOPTERS);
    EXPECT_EQ(parameters.findCheckbox(32800), &parameters.HELICOPTERS);
    EXPECT_EQ(parameters.findCheckbox(32802), nullptr) << "RANGE is a combo box";
    EXPECT_EQ(parameters.findControl(32833), &parameters.flushButton);
    EXPECT_EQ(parameters.flushButton.caption(), "Flush");
    // The control stands at (control x, row y + y adjustment).
    EXPECT_EQ(parameters.RANGE.layout().controlX, 113);
    EXPECT_EQ(parameters.RANGE.layout().controlY(), 370);
    EXPECT_EQ(parameters.AIRP_HEIGHT.layout().width, 90);
    EXPECT_EQ(parameters.AIRP_HEIGHT.layout().height, 230);
}

TEST(ProgramParametersTest, RunTimeListsAndDerivedHoursAreNotKept) {
    ProgramParameters parameters;
    std::set<std::string> kept;
    for (const Parameter* parameter : parameters.persisted()) {
        kept.insert(parameter->name());
    }
    EXPECT_FALSE(kept.contains("AIRCRAFT_SELECTOR"));
    EXPECT_FALSE(kept.contains("STAND_SELECTOR"));
    EXPECT_FALSE(kept.contains("MAX_FIT_FL"));
    EXPECT_TRUE(kept.contains("MAX_FIT"));
    EXPECT_TRUE(kept.contains("lfolder0"));
    EXPECT_EQ(kept.size(), parameters.all().size() - 3);
}

TEST(ProgramParametersTest, DefaultsAreThoseTheProgramRelies) {
    ProgramParameters parameters;
    const ParamsSnapshot s = parameters.snapshot();
    EXPECT_EQ(s.MAX_LIVE_SEL, 500);
    EXPECT_EQ(s.TCAS_FL, 180);
    EXPECT_DOUBLE_EQ(s.RANGE, 40.0);
    EXPECT_EQ(s.rangeMetres, 74080u);
    EXPECT_EQ(s.MAX_HOLDING_MINUTES, 3u);
    EXPECT_EQ(parameters.MAX_HOLDING_MINUTES.minimum(), 1);
    EXPECT_EQ(parameters.MAX_HOLDING_MINUTES.maximum(), 60);
    EXPECT_EQ(s.HOLDING_THRESHOLD_METERS, 250);
    EXPECT_TRUE(s.GUID_CHANGES);
    EXPECT_TRUE(s.NAV_LIGHTS_WHILE_PARKED);
    EXPECT_FALSE(s.OBJECTID_LIST);
    EXPECT_EQ(s.ALL_AIR_GND_SELECTOR, 0);
    EXPECT_TRUE(s.COLLISION_USER_GND && s.COLLISION_USER_AIR && s.FLIGHT_MESSAGES);
    EXPECT_TRUE(s.LIGHT_AIRCRAFT && s.TWO_PROPS && s.HELICOPTERS && s.HIGH_PERF_AIRCRAFT);
    EXPECT_EQ(s.MATCHING_DEPTH, 4);
    EXPECT_EQ(parameters.MATCHING_DEPTH.minimum(), 1);
    EXPECT_EQ(parameters.MATCHING_DEPTH.maximum(), 7);
    EXPECT_TRUE(s.RANDOM);
    EXPECT_FALSE(s.SKIP_LIVERIES_SCAN);
    EXPECT_TRUE(s.LIG_PRIORITIZE && s.LIG_AUTOMATIC);
    EXPECT_EQ(s.AI_PACKAGE_SELECTOR, 0u);
    EXPECT_EQ(parameters.AI_PACKAGE_SELECTOR.value(), "AIG, FSLTL, JF, MTL");
    EXPECT_EQ(s.AIRP_RANGE, 20);
    EXPECT_EQ(s.AIRP_HEIGHT, 18000);
    EXPECT_EQ(s.parking_percentage, 30);
    EXPECT_EQ(s.PORT_NUMBER, 10747);
    EXPECT_EQ(parameters.BLOCK_HEXIDDEC.maximum(), 16777215);
    EXPECT_EQ(parameters.TIME_SHIFT_DAYS.maximum(), 13);
    EXPECT_EQ(parameters.TIME_SHIFT_HOURS.maximum(), 23);
    EXPECT_EQ(parameters.TIME_SHIFT_MINS.maximum(), 59);
    EXPECT_EQ(parameters.MAIN_WINDOW_X.value(), 400);
    EXPECT_EQ(parameters.MAIN_WINDOW_Y.value(), 20);
    EXPECT_EQ(parameters.MAIN_WINDOW_X.minimum(), -30000);
    EXPECT_EQ(parameters.MAIN_WINDOW_Y.maximum(), 30000);
    EXPECT_EQ(parameters.MAX_FIT.maximum(), 47);
    for (const StringParameter& folder : parameters.lfolder) {
        EXPECT_EQ(folder.value(), "");
    }
}

TEST(ProgramParametersTest, EveryListHoldsItsDefaultAndTheAutomaticParkingValues) {
    ProgramParameters parameters;
    for (const OptionControl* control : parameters.controls()) {
        if (const auto* list = dynamic_cast<const IntListParameter*>(control)) {
            EXPECT_TRUE(list->indexOf(list->defaultValue())) << list->name();
        }
    }
    // Parking selects 100 and 65 in the percentage's combo box for airports of few stands.
    EXPECT_TRUE(parameters.parking_percentage.indexOf(100));
    EXPECT_TRUE(parameters.parking_percentage.indexOf(65));
    EXPECT_EQ(parameters.MAX_FIT_FL.values().size(), 48u);
    EXPECT_DOUBLE_EQ(parameters.MAX_FIT_FL.value(),
                     gf_maxFitIndexToHours(parameters.MAX_FIT.defaultValue()));
}

TEST(ProgramParametersTest, ParkOptionsStandAtTheHeadOfTheSnapshot) {
    ProgramParameters parameters;
    parameters.parking_percentage.assign(65);
    parameters.MAX_PARK_SEL.assign(40);
    parameters.MAX_LIVE_SEL.assign(200);
    parameters.MAX_FIT.assign(3);
    parameters.RT_PARKTRAFFIC_ONLY.assign(true);
    parameters.AUTO_PARK.assign(false);
    parameters.WEEK.assign(true);
    parameters.PARK_SOFT.assign(true);
    const ParamsSnapshot snapshot = parameters.snapshot();
    const ParkOptions& head = snapshot;
    EXPECT_EQ(head, (ParkOptions{65, 40, 200, 3, 1, 0, 1, 1}));
    EXPECT_EQ(static_cast<const void*>(&head), static_cast<const void*>(&snapshot));
}

TEST(ProgramParametersTest, GroupedFieldsAreCopiedTogether) {
    ProgramParameters parameters;
    ParamsSnapshot snapshot = parameters.snapshot();
    parameters.TIME_SHIFT_DAYS.assign(2);
    parameters.TIME_SHIFT_HOURS.assign(5);
    parameters.TIME_SHIFT_MINS.assign(59);
    parameters.copyInto(parameters.TIME_SHIFT_MINS, snapshot);
    EXPECT_EQ(snapshot.TIME_SHIFT_DAYS, 2);
    EXPECT_EQ(snapshot.TIME_SHIFT_HOURS, 5);
    EXPECT_EQ(snapshot.TIME_SHIFT_MINS, 59);

    parameters.BLOCK_AIRCRAFT.assign("DLH4AB_, D-AIAB, 3c6444, x");
    parameters.BLOCK_CALLSIGN.assign("DLH4AB_");
    parameters.BLOCK_REGCODE.assign("D-AIAB");
    parameters.BLOCK_HEXIDDEC.assign(0x3c6444);
    parameters.copyInto(parameters.BLOCK_AIRCRAFT, snapshot);
    EXPECT_EQ(snapshot.block.BLOCK_CALLSIGN, "DLH4AB_");
    EXPECT_EQ(snapshot.block.BLOCK_REGCODE, "D-AIAB");
    EXPECT_EQ(snapshot.block.BLOCK_HEXIDDEC, 0x3c6444u);
    EXPECT_TRUE(snapshot.block.callsignEndsWithUnderscore);
    parameters.BLOCK_CALLSIGN.assign("");
    parameters.copyInto(parameters.BLOCK_HEXIDDEC, snapshot);
    EXPECT_FALSE(snapshot.block.callsignEndsWithUnderscore) << "an empty callsign has no end";

    parameters.RANGE_GROUND.assign(15);
    parameters.copyInto(parameters.RANGE_GROUND, snapshot);
    EXPECT_EQ(snapshot.autoRange.RANGE_GROUND, 15);
    EXPECT_EQ(snapshot.autoRange.FLIGHT_LEVEL_3, parameters.FLIGHT_LEVEL_3.value());

    // A parameter the snapshot does not carry changes nothing.
    const ParamsSnapshot before = snapshot;
    parameters.MAIN_WINDOW_X.assign(-5);
    parameters.copyInto(parameters.MAIN_WINDOW_X, snapshot);
    EXPECT_EQ(snapshot, before);
}

// The days run from 0 to 13: the longest shift the combo boxes hold, 13 days 23 hours and
// 59 minutes, stays below the two-week limit and comes back unchanged after a restart; a
// parameters.xml that says 14 days gives 13.
TEST(ProgramParametersTest, TheLongestTimeShiftOfTheCombosSurvivesTheRestart) {
    skyloom::testing::TempDir dir;
    LogFile::openIn(dir.path());
    {
        ParametersStore store;
        ProgramParameters parameters(&store);
        const std::vector<Parameter*> kept = parameters.persisted();
        store.load(dir / "parameters.xml", kept);
        EXPECT_FALSE(parameters.TIME_SHIFT_DAYS.indexOf(14));
        EXPECT_EQ(parameters.TIME_SHIFT_DAYS.values().front(), 0);
        EXPECT_EQ(parameters.TIME_SHIFT_DAYS.values().back(), 13);
        parameters.TIME_SHIFT_DAYS.setValue(13);
        parameters.TIME_SHIFT_HOURS.setValue(23);
        parameters.TIME_SHIFT_MINS.setValue(59);
    }
    for (const auto& [savedDays, days, corrected] :
         {std::tuple{"13", 13, 0}, std::tuple{"14", 13, 1}}) {
        {
            pugi::xml_document document;
            ASSERT_TRUE(document.load_file((dir / "parameters.xml").c_str()));
            document.select_node("//*[@name='TIME_SHIFT_DAYS']")
                .node()
                .attribute("value")
                .set_value(savedDays);
            ASSERT_TRUE(document.save_file((dir / "parameters.xml").c_str()));
        }
        ParametersStore store;
        ProgramParameters restarted(&store);
        const std::vector<Parameter*> kept = restarted.persisted();
        const ParametersLoadReport report = store.load(dir / "parameters.xml", kept);
        EXPECT_EQ(report.corrected, corrected) << savedDays;
        const ParamsSnapshot snapshot = restarted.snapshot();
        EXPECT_EQ(snapshot.TIME_SHIFT_DAYS, days) << savedDays;
        EXPECT_EQ(gf_timeShiftMinutesOf(snapshot), (days * 24 + 23) * 60 + 59) << savedDays;
    }
    LogFile::close();
}

TEST(ProgramParametersTest, TheTimeShiftOfTheCombosIsCappedAtTwoWeeks) {
    struct Case {
        std::int32_t days, hours, minutes, expected;
    };
    for (const Case c :
         {Case{0, 0, 0, 0}, Case{0, 0, 1, 1}, Case{1, 2, 3, 1563}, Case{13, 23, 59, 20159},
          Case{14, 0, 0, 20160}, Case{14, 0, 1, 20160}, Case{14, 23, 59, 20160}}) {
        ParamsSnapshot snapshot;
        snapshot.TIME_SHIFT_DAYS = c.days;
        snapshot.TIME_SHIFT_HOURS = c.hours;
        snapshot.TIME_SHIFT_MINS = c.minutes;
        EXPECT_EQ(gf_timeShiftMinutesOf(snapshot), c.expected)
            << c.days << " d " << c.hours << " h " << c.minutes << " min";
    }
}

TEST(ProgramParametersTest, AChoiceOutsideItsListHasNoIndexInTheSnapshot) {
    ProgramParameters parameters;
    parameters.AI_PACKAGE_SELECTOR.assign("MTL");
    EXPECT_EQ(parameters.snapshot().AI_PACKAGE_SELECTOR, 63u);
    parameters.AI_PACKAGE_SELECTOR.assign("MTL, MTL");
    EXPECT_EQ(parameters.snapshot().AI_PACKAGE_SELECTOR, std::nullopt);
    parameters.QNH_UNIT.assign("QNH inHg");
    EXPECT_TRUE(parameters.snapshot().qnhInHg);
}

TEST(ProgramParametersTest, AChangeIsSavedAndRepublishedThroughItsSet) {
    skyloom::testing::TempDir dir;
    LogFile::openIn(dir.path());
    ParametersStore store;
    ParamsSnapshotCell cell;
    ProgramParameters parameters(&store, &cell);
    const std::vector<Parameter*> kept = parameters.persisted();
    store.load(dir / "parameters.xml", kept);
    parameters.publishAll();

    parameters.MATCHING_DEPTH.setValue(9); // clamped to 7 and saved
    parameters.applySettings(parameters.MATCHING_DEPTH);
    EXPECT_EQ(cell.load()->MATCHING_DEPTH, 7);
    pugi::xml_document document;
    ASSERT_TRUE(document.load_file((dir / "parameters.xml").c_str()));
    EXPECT_EQ(gf_findXmlParameter(document, "MATCHING_DEPTH"), 7);

    // Derived and run-time parameters are never written.
    parameters.saveParameter(parameters.STAND_SELECTOR);
    ASSERT_TRUE(document.load_file((dir / "parameters.xml").c_str()));
    EXPECT_EQ(gf_findXmlParameterValue(document, "STAND_SELECTOR"), std::nullopt);
    LogFile::close();
}

TEST(ParameterRulesTest, MaxFitIndexAndHoursConvertBothWays) {
    EXPECT_DOUBLE_EQ(gf_maxFitIndexToHours(0), 0.5);
    EXPECT_DOUBLE_EQ(gf_maxFitIndexToHours(47), 24.0);
    EXPECT_DOUBLE_EQ(gf_maxFitIndexToHours(-3), 0.5);
    EXPECT_DOUBLE_EQ(gf_maxFitIndexToHours(100), 24.0);
    EXPECT_EQ(gf_hoursToMaxFitIndex(0.5), 0);
    EXPECT_EQ(gf_hoursToMaxFitIndex(0.0), 0);
    EXPECT_EQ(gf_hoursToMaxFitIndex(24.0), 47);
    EXPECT_EQ(gf_hoursToMaxFitIndex(30.0), 47);
    EXPECT_EQ(gf_hoursToMaxFitIndex(1.75), 3) << "round(3.5) = 4, minus 1";
    EXPECT_EQ(gf_hoursToMaxFitIndex(std::nan("")), 0);
    for (int index = 0; index <= 47; ++index) {
        EXPECT_EQ(gf_hoursToMaxFitIndex(gf_maxFitIndexToHours(index)), index);
    }
}

TEST(ParameterRulesTest, SyncMaxFitFollowsTheIndex) {
    ProgramParameters parameters;
    parameters.MAX_FIT.assign(11);
    gf_syncMaxFitFl(parameters);
    EXPECT_DOUBLE_EQ(parameters.MAX_FIT_FL.value(), 6.0);
    gf_setMaxFitFl(parameters, 99.0);
    EXPECT_DOUBLE_EQ(parameters.MAX_FIT_FL.value(), 24.0);
}

TEST(ParameterRulesTest, SetRangeClampsSavesAndRepublishesTheRangeFields) {
    ParamsSnapshotCell cell;
    ProgramParameters parameters(nullptr, &cell);
    parameters.publishAll();
    gf_setRange(parameters, 3);
    EXPECT_EQ(parameters.RANGE.value(), 5);
    EXPECT_EQ(cell.load()->rangeNm, 5);
    EXPECT_EQ(cell.load()->rangeMetres, 9260u);
    gf_setRange(parameters, 1000);
    EXPECT_DOUBLE_EQ(cell.load()->RANGE, 100.0);
}

TEST(ParameterRulesTest, DescendingFlightLevelsAreSetBack) {
    skyloom::testing::TempDir dir;
    LogFile::openIn(dir.path());
    ProgramParameters parameters;
    EXPECT_FALSE(gf_checkRadiusParameters(parameters));
    parameters.FLIGHT_LEVEL_2.assign(20);
    parameters.FLIGHT_LEVEL_1.assign(30);
    EXPECT_TRUE(gf_checkRadiusParameters(parameters));
    EXPECT_EQ(parameters.FLIGHT_LEVEL_1.value(), parameters.FLIGHT_LEVEL_1.defaultValue());
    EXPECT_EQ(parameters.FLIGHT_LEVEL_2.value(), parameters.FLIGHT_LEVEL_2.defaultValue());
    // Equal levels are allowed: the interpolation then jumps.
    parameters.FLIGHT_LEVEL_2.assign(parameters.FLIGHT_LEVEL_1.value());
    EXPECT_FALSE(gf_checkRadiusParameters(parameters));
    LogFile::flush();
    std::ifstream log(dir / "Log.txt");
    std::stringstream text;
    text << log.rdbuf();
    EXPECT_THAT(text.str(), HasSubstr("must not descend"));
    LogFile::close();
}

// The project's documentation lists every key that parameters.xml keeps.
TEST(ProgramParametersTest, TheDocumentationNamesEveryKey) {
    std::ifstream file(skyloom::testing::sourceDir() / "docs" / "configuration.md");
    ASSERT_TRUE(file) << "docs/configuration.md is missing";
    std::stringstream text;
    text << file.rdbuf();
    ProgramParameters parameters;
    for (const Parameter* parameter : parameters.all()) {
        if (parameter->name().starts_with("lfolder")) {
            continue; // documented as one row
        }
        EXPECT_THAT(text.str(), HasSubstr("`" + parameter->name() + "`"));
    }
    EXPECT_THAT(text.str(), HasSubstr("`lfolder0`"));
}

} // namespace
} // namespace skyloom

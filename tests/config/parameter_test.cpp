#include "config/parameter.h"

#include <cmath>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "config/option_parameters.h"
#include "tests/config/support/config_test_support.h"

namespace skyloom {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

struct IntTextCase {
    const char* text;
    std::optional<std::int32_t> expected;
};

class ParseParameterIntTest : public ::testing::TestWithParam<IntTextCase> {};

TEST_P(ParseParameterIntTest, ReadsOnlyWholeDecimal32BitNumbers) {
    EXPECT_EQ(gf_parseParameterInt(GetParam().text), GetParam().expected)
        << "text: '" << GetParam().text << "'";
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseParameterIntTest,
    ::testing::Values(IntTextCase{"42", 42}, IntTextCase{" \t42\r\n", 42}, IntTextCase{"+42", 42},
                      IntTextCase{" +7 ", 7}, IntTextCase{"-30000", -30000},
                      IntTextCase{"2147483647", 2147483647},
                      IntTextCase{"-2147483648", std::numeric_limits<std::int32_t>::min()},
                      IntTextCase{"2147483648", std::nullopt},
                      IntTextCase{"-2147483649", std::nullopt}, IntTextCase{"", std::nullopt},
                      IntTextCase{"   ", std::nullopt}, IntTextCase{"+", std::nullopt},
                      // One "+" is dropped and the rest read as a number by itself.
                      IntTextCase{"++5", std::nullopt}, IntTextCase{"+-5", -5},
                      IntTextCase{" +-2147483648 ", std::numeric_limits<std::int32_t>::min()},
                      IntTextCase{"+-2147483649", std::nullopt}, IntTextCase{"+-", std::nullopt},
                      IntTextCase{"-+5", std::nullopt}, IntTextCase{"+ 5", std::nullopt},
                      IntTextCase{"12a", std::nullopt}, IntTextCase{"1 2", std::nullopt},
                      IntTextCase{"0x10", std::nullopt}, IntTextCase{"4.5", std::nullopt}));

TEST(ParseParameterBoolTest, AcceptsWordsInAnyCaseAndDigits) {
    EXPECT_EQ(gf_parseParameterBool("true"), true);
    EXPECT_EQ(gf_parseParameterBool(" TRUE\n"), true);
    EXPECT_EQ(gf_parseParameterBool("False"), false);
    EXPECT_EQ(gf_parseParameterBool("1"), true);
    EXPECT_EQ(gf_parseParameterBool("0"), false);
    EXPECT_EQ(gf_parseParameterBool("yes"), std::nullopt);
    EXPECT_EQ(gf_parseParameterBool("2"), std::nullopt);
    EXPECT_EQ(gf_parseParameterBool(""), std::nullopt);
}

TEST(IntParameterTest, RefusesADefaultOutsideItsRange) {
    EXPECT_THROW(IntParameter("X", 11, 0, 10), std::invalid_argument);
    EXPECT_THROW(IntParameter("X", 0, 5, 1), std::invalid_argument);
    EXPECT_NO_THROW(IntParameter("X", 10, 0, 10));
}

TEST(IntParameterTest, SetValueClampsToTheEdgesAndSaves) {
    testing::RecordingHost host;
    IntParameter depth("MATCHING_DEPTH", 4, 1, 7);
    depth.setHost(&host);

    depth.setValue(0);
    EXPECT_EQ(depth.value(), 1);
    depth.setValue(8);
    EXPECT_EQ(depth.value(), 7);
    depth.setValue(std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(depth.value(), 7);
    depth.setValue(std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(depth.value(), 1);
    depth.setValue(5);
    EXPECT_EQ(depth.value(), 5);
    // Every change is saved at once; republishing is the caller's choice.
    EXPECT_EQ(host.saved.size(), 5u);
    EXPECT_THAT(host.published, IsEmpty());
}

TEST(IntParameterTest, AssignChangesMemoryOnly) {
    testing::RecordingHost host;
    IntParameter percentage("parking_percentage", 30, 5, 100);
    percentage.setHost(&host);
    percentage.assign(250);
    EXPECT_EQ(percentage.value(), 100);
    EXPECT_THAT(host.saved, IsEmpty());
}

struct IntLoadCase {
    const char* text;
    std::int32_t value;
    LoadOutcome outcome;
};

class IntParameterLoadTest : public ::testing::TestWithParam<IntLoadCase> {};

TEST_P(IntParameterLoadTest, TellsWhetherTheStoredTextMustBeRewritten) {
    IntParameter x("MAIN_WINDOW_X", 400, -30000, 30000);
    x.assign(123); // a value left from before must not survive a rejected text
    EXPECT_EQ(x.loadText(GetParam().text), GetParam().outcome) << GetParam().text;
    EXPECT_EQ(x.value(), GetParam().value) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Texts, IntParameterLoadTest,
                         ::testing::Values(IntLoadCase{"-250", -250, LoadOutcome::accepted},
                                           IntLoadCase{"30000", 30000, LoadOutcome::accepted},
                                           IntLoadCase{"30001", 30000, LoadOutcome::corrected},
                                           IntLoadCase{"-99999", -30000, LoadOutcome::corrected},
                                           IntLoadCase{"+5", 5, LoadOutcome::corrected},
                                           IntLoadCase{" 5", 5, LoadOutcome::corrected},
                                           IntLoadCase{"+-250", -250, LoadOutcome::corrected},
                                           IntLoadCase{"five", 400, LoadOutcome::rejected},
                                           IntLoadCase{"", 400, LoadOutcome::rejected},
                                           IntLoadCase{"99999999999", 400, LoadOutcome::rejected}));

TEST(BoolParameterTest, LoadsWordsAndRejectsTheRest) {
    BoolParameter random("RANDOM", true);
    EXPECT_EQ(random.loadText("false"), LoadOutcome::accepted);
    EXPECT_FALSE(random.value());
    EXPECT_EQ(random.loadText("TRUE"), LoadOutcome::corrected);
    EXPECT_TRUE(random.value());
    EXPECT_EQ(random.loadText("0"), LoadOutcome::corrected);
    EXPECT_FALSE(random.value());
    EXPECT_EQ(random.valueText(), "false");
    EXPECT_EQ(random.loadText("maybe"), LoadOutcome::rejected);
    EXPECT_TRUE(random.value()) << "the default is taken";
}

TEST(BoolParameterTest, SetValueSavesAndAssignDoesNot) {
    testing::RecordingHost host;
    BoolParameter week("WEEK", false);
    week.setHost(&host);
    week.assign(true);
    EXPECT_THAT(host.saved, IsEmpty());
    week.setValue(false);
    EXPECT_THAT(host.saved, ElementsAre("WEEK"));
    EXPECT_FALSE(week.value());
}

TEST(StringParameterTest, KeepsAnyTextAndSavesOnSet) {
    testing::RecordingHost host;
    StringParameter destination("DESTINATION", "");
    destination.setHost(&host);
    EXPECT_TRUE(destination.empty());
    destination.setValue("EDDF");
    EXPECT_EQ(destination.value(), "EDDF");
    EXPECT_THAT(host.saved, ElementsAre("DESTINATION"));
    EXPECT_EQ(destination.loadText(" spaced  "), LoadOutcome::accepted);
    EXPECT_EQ(destination.value(), " spaced  ");
    destination.resetToDefault();
    EXPECT_TRUE(destination.empty());
}

TEST(PathParameterTest, StoresUtf8TextAndTrimsBlanks) {
    PathParameter install("MSFS_INSTALL_PATH");
    EXPECT_EQ(install.loadText("/games/Flugsimulator Pakete/\xc3\xa4"), LoadOutcome::accepted);
    EXPECT_EQ(install.value(), std::filesystem::path(u8"/games/Flugsimulator Pakete/\u00e4"));
    EXPECT_EQ(install.valueText(), "/games/Flugsimulator Pakete/\xc3\xa4");
    EXPECT_EQ(install.loadText("  /x/y \n"), LoadOutcome::corrected);
    EXPECT_EQ(install.valueText(), "/x/y");
}

TEST(ParameterTest, WithoutAHostChangesStayInMemory) {
    IntParameter range("RANGE", 40, 5, 100);
    EXPECT_NO_THROW(range.setValue(50));
    EXPECT_NO_THROW(range.publish());
    EXPECT_EQ(range.value(), 50);
}

TEST(ParameterTest, FormatsNameAndValueForTheLog) {
    IntParameter range("RANGE", 40, 5, 100);
    BoolParameter random("RANDOM", true);
    StringParameter destination("DESTINATION", "EDDM");
    EXPECT_EQ(gf_formatIntParameter(range), "RANGE                   : 40");
    EXPECT_EQ(gf_formatBoolParameter(random), "RANDOM                  : true");
    EXPECT_EQ(gf_formatStringParameter(destination), "DESTINATION             : 'EDDM'");
}

// --- List parameters without a window ---

TEST(IntListParameterTest, ValueAtThrowsOutsideTheList) {
    IntListParameter depth("MATCHING_DEPTH", 4, 1, 7, {1, 2, 3, 4, 5, 6, 7}, 32795, {});
    EXPECT_EQ(depth.valueAt(0), 1);
    EXPECT_EQ(depth.valueAt(6), 7);
    for (std::int64_t bad : {std::int64_t{-1}, std::int64_t{7}, std::int64_t{1} << 40}) {
        try {
            depth.valueAt(bad);
            ADD_FAILURE() << "no exception for index " << bad;
        } catch (const std::out_of_range& error) {
            EXPECT_STREQ(error.what(), "configuration option index is out of range");
        }
    }
}

TEST(IntListParameterTest, RefusesListValuesOutsideItsRange) {
    EXPECT_THROW(IntListParameter("X", 5, 1, 10, {1, 11}, 1, {}), std::invalid_argument);
}

TEST(IntListParameterTest, WithoutAControlNothingIsFilledOrSelected) {
    IntListParameter range("RANGE", 40, 5, 100, {20, 40}, 32802, {});
    EXPECT_FALSE(range.fillComboBox());
    EXPECT_FALSE(range.selectCurrent());
    EXPECT_EQ(range.indexOf(40), 1u);
    EXPECT_EQ(range.indexOf(30), std::nullopt);
}

TEST(FloatListParameterTest, ClampsHoursAndTreatsNotANumberAsTheMinimum) {
    FloatListParameter fit("MAX_FIT_FL", 2.0, {0.5, 1.0, 1.5, 2.0, 24.0}, 32830, {});
    EXPECT_FALSE(fit.persisted());
    fit.setValue(0.1);
    EXPECT_DOUBLE_EQ(fit.value(), 0.5);
    fit.setValue(99.0);
    EXPECT_DOUBLE_EQ(fit.value(), 24.0);
    fit.setValue(std::nan(""));
    EXPECT_DOUBLE_EQ(fit.value(), 0.5);
    EXPECT_EQ(fit.indexOf(1.5), 2u);
    EXPECT_EQ(fit.indexOf(1.25), std::nullopt);
    EXPECT_THROW(fit.valueAt(5), std::out_of_range);
    EXPECT_EQ(fit.loadText("nonsense"), LoadOutcome::rejected);
    EXPECT_DOUBLE_EQ(fit.value(), 2.0);
}

TEST(ChoiceParameterTest, RejectsStoredTextsThatAreNoChoice) {
    ChoiceParameter qnh("QNH_UNIT", {"QNH hPa", "QNH inHg"}, "QNH hPa", 32784, {});
    EXPECT_EQ(qnh.loadText("QNH inHg"), LoadOutcome::accepted);
    EXPECT_EQ(qnh.indexOfCurrent(), 1u);
    EXPECT_EQ(qnh.loadText("qnh inhg"), LoadOutcome::rejected);
    EXPECT_EQ(qnh.value(), "QNH hPa");
    EXPECT_EQ(qnh.choiceAt(1), "QNH inHg");
    EXPECT_THROW(qnh.choiceAt(2), std::out_of_range);
    // Code may set any text; it then has no index.
    qnh.assign("QNH mmHg");
    EXPECT_EQ(qnh.indexOfCurrent(), std::nullopt);
}

TEST(ChoiceParameterTest, RefusesADefaultThatIsNoChoice) {
    EXPECT_THROW(ChoiceParameter("X", {"a", "b"}, "c", 1, {}), std::invalid_argument);
}

TEST(DynamicChoiceParameterTest, ListAndCurrentTextLiveOnlyForTheRun) {
    DynamicChoiceParameter stands("STAND_SELECTOR", 32818, {});
    EXPECT_FALSE(stands.persisted());
    stands.setItems({"select a stand", "A1", "A2"});
    stands.setCurrent("A2");
    EXPECT_EQ(stands.indexOfCurrent(), 2u);
    stands.clearItems();
    stands.addItem("");
    EXPECT_EQ(stands.indexOfCurrent(), std::nullopt);
    stands.setCurrent("");
    EXPECT_EQ(stands.indexOfCurrent(), 0u);
    stands.resetToDefault();
    EXPECT_THAT(stands.items(), IsEmpty());
}

} // namespace
} // namespace skyloom

#include "sim/user_aircraft_icao.h"

#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "tests/sim/support/user_aircraft_fixture.h"

namespace skyloom {
namespace {

// Every code the tables give, plus two that models name directly.
constexpr std::string_view kKnownModels =
    R"(<m c="A343"/><m c="B736"/><m c="B737"/><m c="B738"/><m c="B739"/><m c="B461"/>)"
    R"(<m c="B462"/><m c="B463"/><m c="C414"/><m c="B772"/><m c="BCS3"/><m c="A332"/>)"
    R"(<m c="A359"/><m c="A388"/><m c="BF19"/><m c="F14"/><m c="HCAT"/><m c="GLEX"/>)"
    R"(<m c="HDJT"/><m c="JAGR"/><m c="K100"/><m c="MD11"/><m c="B38M"/><m c="P38"/>)"
    R"(<m c="RFAL"/><m c="RJ1H"/><m c="SPIT"/><m c="SR71"/><m c="UH1"/><m c="E55P"/>)"
    R"(<m c="A320"/><m c="A20N"/>)";

class UserModelIcaoTest : public testing::UserAircraftTest {
protected:
    UserModelIcaoTest() { loadDbase(kKnownModels); }
};

struct Case {
    std::string_view model;
    std::string_view title;
    std::optional<std::string_view> code;
};

void lf_expectCases(std::initializer_list<Case> cases) {
    for (const Case& c : cases) {
        const std::optional<std::string> code = gf_userModelToIcao(c.model, c.title);
        if (c.code) {
            EXPECT_EQ(code, std::string(*c.code)) << "'" << c.model << "' / '" << c.title << "'";
        } else {
            EXPECT_EQ(code, std::nullopt) << "'" << c.model << "' / '" << c.title << "'";
        }
    }
}

TEST(UserModelTextTest, TrimTakesEveryKindOfWhiteSpace) {
    EXPECT_EQ(gf_trimText(" \t\n\v\f\rA320 \t\n\v\f\r"), "A320");
    EXPECT_EQ(gf_trimText("A 320"), "A 320");
    EXPECT_EQ(gf_trimText(" \v "), "");
    EXPECT_EQ(gf_trimText(""), "");
}

TEST(UserModelTextTest, NormalisingRemovesTheLocalisationKeyAndTheDollarPrefix) {
    const struct {
        std::string_view in;
        std::string_view out;
    } cases[] = {
        {"ATCCOM.AC_MODEL B738.0.text", "B738"},
        {"  ATCCOM.AC_MODEL B738.0.text\r\n", "B738"},
        {"$$:A320", "A320"},
        {"$$: A320 ", "A320"},
        {"ATCCOM.AC_MODEL $$:A20N.0.text", "A20N"},
        {"ATCCOM.AC_MODEL  B738 .0.text", "B738"},
        // Only the key with its blank, in this letter case, and the suffix at the very end.
        {"ATCCOM.AC_MODEL_B738.0.text", "ATCCOM.AC_MODEL_B738"},
        {"atccom.ac_model B738", "atccom.ac_model B738"},
        {"B738.0.text.x", "B738.0.text.x"},
        // "$$:" counts only at the front once the key is gone.
        {"A320$$:", "A320$$:"},
        {"ATCCOM.AC_MODEL .0.text", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(gf_normalizeModelText(c.in), c.out) << "'" << c.in << "'";
    }
}

TEST_F(UserModelIcaoTest, TableAMapsAModelTogetherWithAPartOfTheTitle) {
    lf_expectCases({
        {"", "Airbus A340-300 Iberia", "A343"},
        {"737", "DG 737-600 Westjet", "B736"},
        {"737", "PMDG DG 737-700 Southwest", "B737"},
        {"737", "DG 737-800 Ryanair", "B738"},
        {"737", "DG 737-900ER Delta", "B739"},
        {"BA46", "JF 146-100 Dan-Air", "B461"},
        {"BA46", "JF 146-200 Lufthansa", "B462"},
        {"BA46", "JF 146-300 Flybe", "B463"},
        // The model is normalised first.
        {" ATCCOM.AC_MODEL 737.0.text", "DG 737-800", "B738"},
        // The title part is case-sensitive and must occur whole.
        {"737", "dg 737-800", std::nullopt},
        {"737", "DG 737-80", std::nullopt},
        // Another title leaves "737", which the dbase does not know.
        {"737", "Boeing 737-800 Asobo", std::nullopt},
        {"BA46", "Avro RJ85", std::nullopt},
        // An empty model needs the A340 title; a title alone does not make a model.
        {"", "Boeing 747", std::nullopt},
        {"A340", "Airbus A340-300", std::nullopt},
    });
}

TEST_F(UserModelIcaoTest, AModelLeftUntranslatedCountsWhenTheDbaseKnowsIt) {
    loadDbase(std::string(kKnownModels) + R"(<m c="737"/>)");
    lf_expectCases({{"737", "Boeing 737-800 Asobo", "737"}, {"737", "DG 737-800", "B738"}});
}

TEST_F(UserModelIcaoTest, TableBMapsExactModelTexts) {
    lf_expectCases({
        {"414AW", "", "C414"},         {"777", "", "B772"},      {"A220-300", "", "BCS3"},
        {"A330-200 (RR)", "", "A332"}, {"A350-900", "", "A359"}, {"A380", "", "A388"},
        {"BF109", "", "BF19"},         {"F-14A", "", "F14"},     {"F-14B", "", "F14"},
        {"F6F-5", "", "HCAT"},         {"GL6T", "", "GLEX"},     {"HA420", "", "HDJT"},
        {"Jaguar", "", "JAGR"},        {"KODIAK", "", "K100"},   {"MD11F", "", "MD11"},
        {"N738B", "", "B38M"},         {"P38L", "", "P38"},      {"Rafale C", "", "RFAL"},
        {"RJ100", "", "RJ1H"},         {"SPITFIRE", "", "SPIT"}, {"SR-71", "", "SR71"},
        {"UH-1H", "", "UH1"},
    });
}

TEST_F(UserModelIcaoTest, TableBIsExactAndCaseSensitive) {
    lf_expectCases({
        {"kodiak", "", std::nullopt},
        {"Spitfire", "", std::nullopt},
        {"A380-800", "", std::nullopt},
        {"F-14", "", std::nullopt},
        {"$$:KODIAK", "", "K100"},
        {"777", "DG 737-800", "B772"},
    });
}

TEST_F(UserModelIcaoTest, TableCMapsATextThatContainsThePart) {
    lf_expectCases({
        {"Phenom 300E", "", "E55P"},
        {"Embraer Phenom 300E Asobo", "", "E55P"},
        {"Phenom 300", "", std::nullopt},
        {"phenom 300e", "", std::nullopt},
    });
}

TEST_F(UserModelIcaoTest, OtherTextsStandForThemselvesWhenKnown) {
    lf_expectCases({
        {"A320", "", "A320"},
        {"ATCCOM.AC_MODEL A20N.0.text", "", "A20N"},
        {"a320", "", std::nullopt},
        {"ZZZZ", "", std::nullopt},
        {"", "", std::nullopt},
        {"   ", "", std::nullopt},
    });
}

TEST_F(UserModelIcaoTest, ATranslationCountsOnlyWhenTheDbaseKnowsItsCode) {
    loadDbase(R"(<m c="A320"/>)");
    lf_expectCases({
        {"F-14A", "", std::nullopt},
        {"737", "DG 737-800", std::nullopt},
        {"Phenom 300E", "", std::nullopt},
        {"A320", "", "A320"},
    });
}

} // namespace
} // namespace skyloom

#include "feed/feed_fields.h"

#include <optional>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace skyloom {
namespace {

using ::testing::HasSubstr;

TEST(FeedFieldsTest, NumbersAreParsedStrictly) {
    struct Case {
        const char* text;
        std::optional<double> value;
    };
    const std::vector<Case> cases = {
        {"0", 0.0},
        {"-33.7964", -33.7964},
        {"+12", 12.0},
        {"1645144889.8", 1645144889.8},
        {".5", 0.5},
        {"5.", 5.0},
        {"1e3", 1000.0},
        {"-2.5E-1", -0.25},
        {"", std::nullopt},
        {"-", std::nullopt},
        {".", std::nullopt},
        {"1.2.3", std::nullopt},
        {"12abc", std::nullopt},
        {" 12", std::nullopt},
        {"nan", std::nullopt},
        {"inf", std::nullopt},
        {"0x1A", std::nullopt},
        {"1e", std::nullopt},
        {"1e400", std::nullopt},
        {"--1", std::nullopt},
        {"1,5", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(gf_parseFeedNumber(c.text), c.value) << "'" << c.text << "'";
    }
}

TEST(FeedFieldsTest, UnknownValuesAreNoFailure) {
    EXPECT_TRUE(gf_isUnknownFeedText(""));
    EXPECT_TRUE(gf_isUnknownFeedText("null"));
    EXPECT_TRUE(gf_isUnknownFeedText("  "));
    EXPECT_FALSE(gf_isUnknownFeedText("NULL0"));
    EXPECT_EQ(gf_optionalNumber("track", "null"), std::nullopt);
    EXPECT_EQ(gf_optionalNumber("track", " 66.77 "), 66.77);
    EXPECT_EQ(gf_requiredNumber("latitude", "-33.79"), -33.79);
}

TEST(FeedFieldsTest, AFailingValueNamesItsField) {
    try {
        gf_requiredNumber("altitude", "12x");
        FAIL() << "no error";
    } catch (const FeedRecordError& e) {
        EXPECT_STREQ(e.what(), "altitude '12x' is not a number");
    }
    EXPECT_THROW(gf_requiredNumber("latitude", "null"), FeedRecordError);
    EXPECT_THROW(gf_optionalNumber("track", "north"), FeedRecordError);
    try {
        gf_requiredNumber("altitude", std::string(100, '9') + "z");
        FAIL() << "no error";
    } catch (const FeedRecordError& e) {
        EXPECT_LT(std::string(e.what()).size(), 60u) << "a huge value is shortened in the text";
    }
}

TEST(FeedFieldsTest, RangesHoldAtTheirEdges) {
    EXPECT_EQ(gf_checkLatitude(90.0), 90.0);
    EXPECT_EQ(gf_checkLatitude(-90.0), -90.0);
    EXPECT_THROW(gf_checkLatitude(90.0001), FeedRecordError);
    EXPECT_EQ(gf_checkLongitude(-180.0), -180.0);
    EXPECT_THROW(gf_checkLongitude(180.5), FeedRecordError);
    EXPECT_THROW(gf_checkPosition(0.0, 0.0), FeedRecordError);
    EXPECT_EQ(gf_checkPosition(0.0, 0.01), (Lalo{0.0, 0.01}));
    EXPECT_EQ(gf_checkDirectionDeg("track", 360.0), 0.0);
    EXPECT_EQ(gf_checkDirectionDeg("track", 359.99), 359.99);
    EXPECT_THROW(gf_checkDirectionDeg("track", -0.5), FeedRecordError);
    EXPECT_EQ(gf_checkAltitudeFt(-2000.0), -2000.0);
    EXPECT_THROW(gf_checkAltitudeFt(100001.0), FeedRecordError);
    EXPECT_THROW(gf_checkSpeedKt("ground speed", -1.0), FeedRecordError);
    EXPECT_THROW(gf_checkVerticalSpeedFpm(-30001.0), FeedRecordError);
    EXPECT_THROW(gf_checkTimestamp(12.0), FeedRecordError);
    EXPECT_EQ(gf_checkFlag("airborne", 1.0), 1);
    EXPECT_THROW(gf_checkFlag("airborne", 2.0), FeedRecordError);
    EXPECT_THROW(gf_checkBankDeg(-181.0), FeedRecordError);
}

TEST(FeedFieldsTest, TextsArePrintableAndShort) {
    EXPECT_EQ(gf_feedText("callsign", " UAL842 ", kMaxCallsignLength), "UAL842");
    EXPECT_EQ(gf_feedText("callsign", "null", kMaxCallsignLength), "");
    EXPECT_THROW(gf_feedText("callsign", "ABCDEFGHIJK", kMaxCallsignLength), FeedRecordError);
    EXPECT_THROW(gf_feedText("callsign",
                             "UA\x01"
                             "842",
                             kMaxCallsignLength),
                 FeedRecordError);
    EXPECT_THROW(gf_feedText("callsign", "UA\xc3\xa9", kMaxCallsignLength), FeedRecordError);
}

TEST(FeedFieldsTest, IataCodesThatAreNoneAreNoFailure) {
    EXPECT_EQ(gf_feedIataCode("SYD").view(), "SYD");
    EXPECT_EQ(gf_feedIataCode("lax").view(), "LAX");
    EXPECT_FALSE(gf_feedIataCode("KLAX").isSet());
    EXPECT_FALSE(gf_feedIataCode("null").isSet());
    EXPECT_FALSE(gf_feedIataCode("").isSet());
}

TEST(FeedFieldsTest, TheAirlineOfACallsignIsThreeLettersAndADigit) {
    EXPECT_EQ(gf_airlineFromCallsign("UAL842"), "UAL");
    EXPECT_EQ(gf_airlineFromCallsign("dlh4AB"), "DLH");
    EXPECT_EQ(gf_airlineFromCallsign("N353FS"), std::nullopt);
    EXPECT_EQ(gf_airlineFromCallsign("BLOCKED"), std::nullopt);
    EXPECT_EQ(gf_airlineFromCallsign("UAL"), std::nullopt);
    EXPECT_EQ(gf_airlineFromCallsign("U2L1"), std::nullopt);
}

TEST(FeedFieldsTest, HexidsInBothBases) {
    EXPECT_EQ(gf_decimalHexid("10750303"), 0xA4095Fu);
    EXPECT_EQ(gf_decimalHexid("4294967295"), 4294967295u);
    EXPECT_THROW(gf_decimalHexid("4294967296"), FeedRecordError);
    EXPECT_THROW(gf_decimalHexid("a4179f"), FeedRecordError);
    EXPECT_THROW(gf_decimalHexid(""), FeedRecordError);
    EXPECT_THROW(gf_decimalHexid("-5"), FeedRecordError);
    EXPECT_EQ(gf_hexadecimalHexid("76cd72"), 0x76CD72u);
    EXPECT_EQ(gf_hexadecimalHexid("FFFFFFFF"), 0xFFFFFFFFu);
    EXPECT_THROW(gf_hexadecimalHexid("123456789"), FeedRecordError);
    EXPECT_THROW(gf_hexadecimalHexid("0x12"), FeedRecordError);
    EXPECT_THROW(gf_hexadecimalHexid("12g"), FeedRecordError);
    try {
        gf_decimalHexid("7c68a1");
        FAIL() << "no error";
    } catch (const FeedRecordError& e) {
        EXPECT_THAT(e.what(), HasSubstr("hexid '7c68a1'"));
    }
}

} // namespace
} // namespace skyloom

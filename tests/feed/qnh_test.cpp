#include "feed/qnh.h"

#include <fstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "feed/feed_fields.h"
#include "feed/rt_app_weather_reader.h"
#include "tests/feed/support/app_feed_support.h"
#include "tests/support/recording_window_sink.h"
#include "tests/support/shared_data.h"

namespace skyloom {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::SizeIs;

TEST(QnhTest, PressuresAreHpaOrAbove2000InchesOfMercuryTimes100) {
    EXPECT_EQ(gf_qnhHpaFromValue(1019.7), 1019.7);
    EXPECT_NEAR(*gf_qnhHpaFromValue(2996), 1014.56, 0.01);
    EXPECT_NEAR(*gf_qnhHpaFromValue(3001), 1016.26, 0.01);
    EXPECT_EQ(gf_qnhHpaFromValue(2000), std::nullopt) << "2000 hPa is no QNH";
    EXPECT_EQ(gf_qnhHpaFromValue(799.9), std::nullopt);
    EXPECT_EQ(gf_qnhHpaFromValue(1100.0), 1100.0);
    EXPECT_EQ(gf_qnhHpaFromValue(-1), std::nullopt);
    EXPECT_EQ(gf_wholeHpa(1014.56), 1015);
    EXPECT_EQ(gf_wholeHpa(1013.5), 1014);
}

TEST(QnhTest, WeatherDatagramsOfEveryKnownShape) {
    struct Case {
        const char* json;
        std::optional<std::int32_t> hpa;
        bool placeholder;
    };
    const std::vector<Case> cases = {
        {R"({"ICAO": "KLAS","QNH": 3001, "METAR": "KLAS 052056Z A3001"})", 1016, false},
        {R"({"ICAO": "KLAX","QNH": "2996", "DISTNM": 0.0})", 1015, false},
        {R"({"data": {"ICAO": "EDDL","QNH": 1012}})", 1012, false},
        {R"({"ICAO": "EDDL", "METAR": "EDDL 101250Z 25010KT 9999 Q1009 NOSIG"})", 1009, false},
        {R"({"ICAO": "EDDL", "QNH": "", "locWX": {"SLP": 1017.4}})", 1017, false},
        {R"({"ICAO": "UNKN", "QNH": 1013})", 1013, true},
        {R"({"ICAO": "EDDL", "QNH": 5})", std::nullopt, false},
    };
    for (const Case& c : cases) {
        const AppWeatherReport report = gf_parseAppWeather(c.json);
        EXPECT_EQ(report.qnhHpa ? std::optional(gf_wholeHpa(*report.qnhHpa)) : std::nullopt, c.hpa)
            << c.json;
        EXPECT_EQ(report.placeholder, c.placeholder) << c.json;
    }
    EXPECT_THROW(gf_parseAppWeather("[1,2]"), FeedRecordError);
    EXPECT_THROW(gf_parseAppWeather("{\"QNH\": 10"), FeedRecordError);
    EXPECT_THROW(gf_parseAppWeather(std::string("\x00\x01", 2)), FeedRecordError);
}

TEST(QnhTest, TheRecordedWeatherDatagramsGiveTheirQnh) {
    SKYLOOM_REQUIRE_SHARED(klas, "feed/recordings/KLAS_20190305_2055Z_METAR.json");
    std::vector<std::int32_t> values;
    AppQnhTracker tracker([&](std::int32_t hpa) { values.push_back(hpa); });
    std::ifstream in(klas);
    std::string line;
    while (std::getline(in, line)) {
        tracker.handleDatagram(line.substr(line.find(" : ") + 3));
    }
    EXPECT_EQ(tracker.reports(), 4u);
    EXPECT_EQ(tracker.rejected(), 0u);
    EXPECT_THAT(values, ElementsAre(1016, 1016, 1016, 1016));
}

TEST(QnhTest, ThePlaceholderNeverOverwritesARealStationsQnh) {
    testing::LogCapture log;
    std::vector<std::int32_t> values;
    AppQnhTracker tracker([&](std::int32_t hpa) { values.push_back(hpa); });
    tracker.handleDatagram(R"({"ICAO": "UNKN", "QNH": 1013})");
    tracker.handleDatagram(R"({"ICAO": "EDDL", "QNH": 1021})");
    tracker.handleDatagram(R"({"ICAO": "UNKN", "QNH": 1013})");
    tracker.handleDatagram("not json");
    tracker.handleDatagram(R"({"ICAO": "EDDL"})");
    tracker.handleDatagram(R"({"ICAO": "EDDL", "QNH": 1019})", 90000);
    EXPECT_THAT(values, ElementsAre(1013, 1021));
    EXPECT_EQ(tracker.rejected(), 3u);
    const std::vector<std::string> lines = log.linesWith("QNH Reader: datagram rejected: ");
    ASSERT_THAT(lines, SizeIs(3));
    EXPECT_THAT(lines[1], HasSubstr("weather of 'EDDL' gives no QNH"));
    EXPECT_THAT(lines[2], HasSubstr("datagram of 90000 bytes is too long"));
}

TEST(QnhTest, TheProgramsQnhStartsAndResetsAtStandard) {
    gf_resetQnh();
    EXPECT_EQ(gf_qnh(), kStandardQnhHpa);
    testing::RecordingWindowSink window;
    gf_setQnh(1002, window);
    EXPECT_EQ(gf_qnh(), 1002);
    gf_resetQnh();
    EXPECT_EQ(gf_qnh(), 1013);
}

} // namespace
} // namespace skyloom

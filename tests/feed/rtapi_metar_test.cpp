// The QNH from METAR texts and the nearest-METAR replies as recorded.
#include "feed/rtapi_metar.h"

#include <cmath>

#include <gtest/gtest.h>

#include "tests/feed/support/rtapi_test_support.h"
#include "tests/support/shared_data.h"

namespace skyloom {
namespace {

TEST(RtApiMetarTest, QnhComesFromThePressureGroup) {
    struct Case {
        const char* metar;
        std::optional<double> hpa;
    };
    const Case cases[] = {
        {"EDDL 311920Z AUTO 05003KT CAVOK 23/19 Q1014 NOSIG", 1014.0},
        {"KNSI 130053Z AUTO 28010KT 10SM FEW009 00/ A2986 RMK AO2 SLP114 T0000 $",
         29.86 * kHpaPerInHg},
        {"KJFK 052051Z 25016KT 10SM FEW050 FEW250 00/M09 A2996 RMK AO2 SLP144", 1014.5624},
        {"XXXX 010000Z Q0998", 998.0},
        // Groups after the remarks, or that only look alike, are no pressure.
        {"KXYZ 010000Z 10SM RMK A2992", std::nullopt},
        {"EGLL 010000Z 27010KT Q101 Q10140", std::nullopt},
        {"EGLL 010000Z 27010KT Q//// NOSIG", std::nullopt},
        {"", std::nullopt},
        // A misread value is no QNH.
        {"EGLL 010000Z Q0500", std::nullopt},
        {"KXYZ 010000Z A3500", std::nullopt},
        {"  Q1020  ", 1020.0},
    };
    for (const Case& c : cases) {
        const auto hpa = gf_qnhFromMetar(c.metar);
        ASSERT_EQ(hpa.has_value(), c.hpa.has_value()) << c.metar;
        if (hpa) {
            EXPECT_NEAR(*hpa, *c.hpa, 0.01) << c.metar;
        }
    }
}

TEST(RtApiMetarTest, RecordedRepliesGiveTheNearestQnh) {
    SKYLOOM_REQUIRE_SHARED(folder, testing::kRtApiRecordings);
    const NearestMetar seven =
        gf_readNearestMetar(testing::gf_readRecording(folder, "744148065.431184.json"));
    ASSERT_EQ(seven.stations.size(), 7u);
    EXPECT_EQ(seven.stations[0].icao, "EDDL");
    EXPECT_DOUBLE_EQ(seven.stations[0].distanceNm, 10.6);
    EXPECT_EQ(seven.stations[6].icao, "ETNG");
    EXPECT_EQ(seven.qnhStation, "EDDL");
    EXPECT_EQ(seven.qnhHpa, 1014.0);

    const NearestMetar five =
        gf_readNearestMetar(testing::gf_readRecording(folder, "742555946.884103.json"));
    EXPECT_EQ(five.stations.size(), 5u);
    EXPECT_EQ(five.qnhHpa, 1012.0);

    // The oldest layout: one object, a station without a METAR, which is passed over.
    const NearestMetar single =
        gf_readNearestMetar(testing::gf_readRecording(folder, "742254202.945561.json"));
    EXPECT_TRUE(single.stations.empty());
    EXPECT_FALSE(single.qnhHpa.has_value());
}

TEST(RtApiMetarTest, TheNearestStationWithoutQnhGivesWayToTheNext) {
    const auto reply = nlohmann::json::parse(R"({"status":200,"data":[
        {"ICAO":"AAAA","Dist":1,"METAR":"AAAA 010000Z NIL"},
        "garbage", {"Dist":2,"METAR":"no icao Q1000"}, null,
        {"ICAO":"CCCC","Dist":2.5}, {"ICAO":"DDDD","Dist":2.6,"METAR":"null"},
        {"ICAO":"null","Dist":2.7,"METAR":"EEEE 010000Z Q1000"},
        {"ICAO":"BBBB","Dist":3,"METAR":"BBBB 010000Z A3001"}]})");
    const NearestMetar nearest = gf_readNearestMetar(reply);
    // Only the stations with an ICAO code and a METAR text are kept.
    ASSERT_EQ(nearest.stations.size(), 2u);
    EXPECT_EQ(nearest.stations[0].icao, "AAAA");
    EXPECT_EQ(nearest.stations[1].icao, "BBBB");
    EXPECT_EQ(nearest.qnhStation, "BBBB");
    EXPECT_NEAR(*nearest.qnhHpa, 1016.25, 0.01);
}

TEST(RtApiMetarTest, RepliesWithoutStationsGiveNothing) {
    for (const char* text :
         {R"({"status":200})", R"({"status":200,"data":null})", R"({"status":200,"data":[]})",
          R"({"status":200,"data":"EDDL"})", R"([])"}) {
        const NearestMetar nearest = gf_readNearestMetar(nlohmann::json::parse(text));
        EXPECT_TRUE(nearest.stations.empty()) << text;
        EXPECT_FALSE(nearest.qnhHpa.has_value()) << text;
    }
}

TEST(RtApiMetarTest, TheRequestCarriesSessionOffsetPositionAndCount) {
    const RtApiForm form = gf_nearestMetarForm("guid-1", 90, Lalo{51.2895, -6.7668}, 7);
    EXPECT_EQ(form, (RtApiForm{{"GUID", "guid-1"},
                               {"toffset", "90"},
                               {"lat", "51.29"},
                               {"lon", "-6.77"},
                               {"maxcount", "7"}}));
}

} // namespace
} // namespace skyloom

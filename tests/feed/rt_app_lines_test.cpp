#include "feed/rt_app_lines.h"

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace skyloom {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::SizeIs;

TEST(RtAppLinesTest, ThePositionLineReproducesTheDocumentedExample) {
    // Qs121=6747;289;5.449771266137578;37988724;501908;0.6564195830703577;-2.1443275933742236
    AppPositionReport report;
    report.pitchRad = 0.06747;
    report.bankRad = -0.00289; // sent with its sign inverted
    report.headingRad = 5.449771266137578;
    report.altitudeFt = 37988.724;
    report.groundSpeedKt = 501.908;
    report.position = {0.6564195830703577 * 180.0 / std::numbers::pi,
                       -2.1443275933742236 * 180.0 / std::numbers::pi};
    EXPECT_EQ(gf_positionLine(report),
              "Qs121=6747;289;5.449771266137578;37988724;501908;0.656419583070358;"
              "-2.144327593374224\n");
}

TEST(RtAppLinesTest, NumbersThatAreNotFiniteAreSentAsZero) {
    AppPositionReport report;
    report.position = {10.0, 20.0};
    report.pitchRad = std::nan("");
    report.groundSpeedKt = INFINITY;
    const std::string line = gf_positionLine(report);
    EXPECT_TRUE(line.starts_with("Qs121=0;0;0.000000000000000;0;0;")) << line;
}

TEST(RtAppLinesTest, RequestLines) {
    EXPECT_EQ(gf_simTimeLine(1674956315329), "Qs123=1674956315329\n");
    EXPECT_EQ(gf_versionRequestLine(), "Qs999=version\n");
    EXPECT_EQ(gf_parkedRequestLine({51.42, -0.51, 51.52, -0.41}),
              "Qs999=sendparked,51.4200,-0.5100,51.5200,-0.4100\n");
    EXPECT_EQ(gf_bufferRequestLine(5, 6, {1.0, 2.0, 3.0, 4.0}),
              "Qs999=sendbuffer=5,6,1.0000,2.0000,3.0000,4.0000\n");
}

TEST(RtAppLinesTest, BoxesReachTheRadiusEachWay) {
    const GeoBox box = gf_boxAround({60.0, 10.0}, 3.0);
    EXPECT_DOUBLE_EQ(box.south, 59.95);
    EXPECT_DOUBLE_EQ(box.north, 60.05);
    EXPECT_NEAR(box.west, 9.9, 1e-9); // 3 NM at 60 degrees north are 0.1 degree
    EXPECT_NEAR(box.east, 10.1, 1e-9);

    const GeoBox dateLine = gf_boxAround({0.0, 179.99}, 6.0);
    EXPECT_NEAR(dateLine.west, 179.89, 1e-9);
    EXPECT_NEAR(dateLine.east, -179.91, 1e-9);

    const GeoBox pole = gf_boxAround({89.99, 0.0}, 60.0);
    EXPECT_EQ(pole.north, 90.0);
    EXPECT_DOUBLE_EQ(pole.south, 88.99);
}

TEST(RtAppLinesTest, RepliesAreTakenOutOfTheStreamHoweverTheyAreFramed) {
    AppReplyReader reader;
    EXPECT_THAT(reader.add("{ \"version\":\"10.0.2"), IsEmpty());
    const std::vector<nlohmann::json> first = reader.add("40\",\"level\": 2 }\n{\"a\":\"}{\"}");
    ASSERT_THAT(first, SizeIs(2));
    const auto version = gf_appVersionReply(first[0]);
    ASSERT_TRUE(version);
    EXPECT_EQ(version->version, "10.0.240");
    EXPECT_EQ(version->level, 2);
    EXPECT_EQ(first[1]["a"], "}{");
    EXPECT_FALSE(gf_appVersionReply(first[1]));

    EXPECT_THAT(reader.add("noise {\"timeoffsetcontrol\": \"Simulator\"}"), SizeIs(1));
    EXPECT_EQ(reader.malformedCount(), 1u) << "'noise' is one stray text";
    EXPECT_THAT(reader.add("{\"bad\": tru}"), IsEmpty());
    EXPECT_EQ(reader.malformedCount(), 2u);
    EXPECT_THAT(reader.add("{\"s\":\"a\\\"}\"}"), SizeIs(1)) << "an escaped quote stays inside";
}

TEST(RtAppLinesTest, AnEndlessReplyIsDropped) {
    AppReplyReader reader;
    EXPECT_THAT(reader.add("{\"x\":\"" + std::string(AppReplyReader::kMaxReplyBytes, 'a')),
                IsEmpty());
    EXPECT_EQ(reader.malformedCount(), 1u);
    EXPECT_THAT(reader.add("\"}{\"version\":\"1\",\"level\":1}"), SizeIs(1));
}

} // namespace
} // namespace skyloom

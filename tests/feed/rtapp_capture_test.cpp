// The App stand-in's reading of the recorded captures: the counts that the recordings' notes
// give, the conversion of old AITFC records into today's RTTFC layout, and the on-ground flags
// inferred for captures that mark every aircraft airborne.
#include "tools/rtapp_standin/capture.h"

#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "feed/qnh.h"
#include "feed/rt_app_datagram.h"
#include "tests/support/shared_data.h"
#include "tests/support/temp_dir.h"

namespace skyloom {
namespace {

using ::testing::SizeIs;

std::size_t lf_datagrams(const tools::Capture& capture) {
    std::size_t count = 0;
    for (const tools::CaptureBurst& burst : capture.bursts) {
        count += burst.datagrams.size();
    }
    return count;
}

TEST(RtAppCaptureTest, AitfcRecordsBecomeRttfcRecordsOfFortyFourFields) {
    const std::string old = tools::gf_rttfcFromAitfc(
        "AITFC,531839343,36.3928,-114.1278,38000,0,1,202,411,BAW283,B744,G-BYGF,LHR,LAX",
        1551819399.66);
    const AppDatagram split = gf_splitAppDatagram(old);
    EXPECT_EQ(split.kind, AppDatagramKind::traffic);
    EXPECT_EQ(split.fieldCount, 44u);
    EXPECT_EQ(split.fields[13], "LAX");
    EXPECT_EQ(split.fields[14], "1551819399.7") << "the receiver time stands in";
    EXPECT_EQ(split.fields[43], "");

    const std::string timed = tools::gf_rttfcFromAitfc(
        "AITFC,10914900,34.0729,-117.8383,2000,-192,1,97,90,N52070,C172,N52070,EMT,,1592423568",
        1.0);
    EXPECT_EQ(gf_splitAppDatagram(timed).fields[14], "1592423568");
    EXPECT_EQ(tools::gf_rttfcFromAitfc("RTTFC_EOT", 1.0), "RTTFC_EOT");
    EXPECT_EQ(tools::gf_bufferedFromRttfc(timed, 3).substr(0, 16), "RTBUF=3,10914900");
}

TEST(RtAppCaptureTest, TheLasVegasCaptureHoldsItsDocumentedDatagrams) {
    SKYLOOM_REQUIRE_SHARED(file, "feed/recordings/KLAS_20190305_2056Z.txt");
    const tools::Capture capture = tools::gf_readCapture(file);
    EXPECT_EQ(lf_datagrams(capture), 13774u);
    EXPECT_THAT(capture.bursts, SizeIs(141));
    std::set<std::string> ids;
    for (const tools::CaptureBurst& burst : capture.bursts) {
        for (const std::string& datagram : burst.datagrams) {
            ids.insert(datagram.substr(6, datagram.find(',', 6) - 6));
        }
    }
    EXPECT_THAT(ids, SizeIs(195));
    EXPECT_EQ(capture.skippedLines, 0u);
    EXPECT_DOUBLE_EQ(capture.bursts[0].time, 1551819399.66);
}

// The weather recorded beside the Las Vegas capture, which the stand-in sends with it
// (--weather): weather datagrams alone, with their receiver times stripped.
TEST(RtAppCaptureTest, TheLasVegasWeatherRecordingHoldsWeatherAlone) {
    SKYLOOM_REQUIRE_SHARED(file, "feed/recordings/KLAS_20190305_2055Z_METAR.json");
    const tools::Capture weather = tools::gf_readCapture(file);
    EXPECT_THAT(weather.bursts, SizeIs(0));
    EXPECT_EQ(weather.skippedLines, 0u);
    ASSERT_THAT(weather.weather, SizeIs(4));
    for (const std::string& datagram : weather.weather) {
        const AppWeatherReport report = gf_parseAppWeather(datagram);
        ASSERT_TRUE(report.qnhHpa) << datagram;
        EXPECT_EQ(gf_wholeHpa(*report.qnhHpa), 1016) << datagram;
    }
}

TEST(RtAppCaptureTest, TheMexicoCityCaptureInPythonTuples) {
    SKYLOOM_REQUIRE_SHARED(file, "feed/recordings/MMMX.txt");
    const tools::Capture capture = tools::gf_readCapture(file);
    EXPECT_EQ(lf_datagrams(capture), 6517u);
    EXPECT_THAT(capture.bursts, SizeIs(143));
}

TEST(RtAppCaptureTest, CsvCapturesSplitAtARepeatedAircraftAndDropDuplicates) {
    SKYLOOM_REQUIRE_SHARED(klax, "feed/recordings/KLAX_20200617_2152.csv");
    const tools::Capture losAngeles = tools::gf_readCapture(klax);
    EXPECT_EQ(lf_datagrams(losAngeles), 3827u);
    EXPECT_THAT(losAngeles.weather, SizeIs(3));
    EXPECT_EQ(losAngeles.duplicateLines, 0u);
    EXPECT_THAT(losAngeles.bursts, SizeIs(76));

    SKYLOOM_REQUIRE_SHARED(kptk, "feed/recordings/KPTK_20201128.csv");
    const tools::Capture pontiac = tools::gf_readCapture(kptk);
    EXPECT_EQ(lf_datagrams(pontiac), 8116u / 2) << "every record is there twice in a row";
    EXPECT_EQ(pontiac.duplicateLines, 8116u / 2 + 22);
    for (const tools::CaptureBurst& burst : pontiac.bursts) {
        std::set<std::string> ids;
        for (const std::string& datagram : burst.datagrams) {
            EXPECT_TRUE(ids.insert(datagram.substr(6, datagram.find(',', 6) - 6)).second);
        }
    }
}

TEST(RtAppCaptureTest, OnTheGroundAreAircraftAtZeroAndSlowOnesNearTheAirportsElevation) {
    struct Case {
        const char* label;
        double altitudeFt;
        double groundSpeedKt;
        bool onGround;
    };
    // Las Vegas: 2181 ft.
    const double elevation = 2181.0;
    const Case cases[] = {
        {"old Apps' altitude on the ground, standing", 0.0, 0.0, true},
        {"old Apps' altitude on the ground, rolling", 0.0, 140.0, true},
        {"below sea level", -100.0, 60.0, true},
        {"taxiing at the elevation", 2181.0, 15.0, true},
        {"at the fastest taxi speed", 2300.0, tools::kMaxGroundSpeedKt, true},
        {"just faster", 2300.0, tools::kMaxGroundSpeedKt + 0.1, false},
        {"at the highest ground altitude", elevation + tools::kGroundHeightFt, 0.0, true},
        {"just higher", elevation + tools::kGroundHeightFt + 1.0, 0.0, false},
        {"a lower airport nearby, standing", 650.0, 0.0, true},
        {"on final near the elevation", 2250.0, 140.0, false},
        {"cruising", 36000.0, 450.0, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(tools::gf_inferOnGround(c.altitudeFt, c.groundSpeedKt, elevation), c.onGround)
            << c.label;
    }
}

TEST(RtAppCaptureTest, OnlyACaptureThatMarksEverythingAirborneHasItsGroundInferred) {
    testing::TempDir dir;
    const auto write = [&](const char* name, const std::string& text) {
        std::ofstream(dir / name) << text;
        return dir / name;
    };
    const std::string taxiing = "AITFC,10000001,36.08,-115.15,0,0,1,90,12,AAL1,B738,N1,LAS,PHX";
    const std::string flying =
        "AITFC,10000002,36.2,-115.3,9000,-800,1,270,250,AAL2,B738,N2,PHX,LAS";
    const auto allAirborne =
        write("all.txt", fmt::format("1551819399.0 : {}\n1551819399.1 : {}\n", taxiing, flying));
    const auto mixed =
        write("mixed.txt", fmt::format("1551819399.0 : {}\n1551819399.1 : {}\n", taxiing,
                                       "AITFC,10000003,36.08,-115.15,2181,"
                                       "0,0,90,0,AAL3,B738,N3,LAS,PHX"));
    const auto flag = [](const std::string& datagram) {
        return gf_splitAppDatagram(datagram).fields[6];
    };

    const tools::Capture inferred = tools::gf_readCapture(allAirborne, 2181.0);
    EXPECT_TRUE(inferred.allAirborne);
    EXPECT_TRUE(inferred.groundInferred);
    EXPECT_EQ(inferred.groundRecords, 1u);
    ASSERT_THAT(inferred.bursts, SizeIs(1));
    EXPECT_EQ(flag(inferred.bursts[0].datagrams[0]), "0");
    EXPECT_EQ(flag(inferred.bursts[0].datagrams[1]), "1");
    EXPECT_EQ(gf_splitAppDatagram(inferred.bursts[0].datagrams[0]).fieldCount, 44u);

    // Without the airport's elevation nothing is inferred; the capture says what it lacks.
    const tools::Capture unknown = tools::gf_readCapture(allAirborne);
    EXPECT_TRUE(unknown.allAirborne);
    EXPECT_FALSE(unknown.groundInferred);
    EXPECT_EQ(flag(unknown.bursts[0].datagrams[0]), "1");

    // A capture that tells ground traffic itself keeps its flags.
    const tools::Capture told = tools::gf_readCapture(mixed, 2181.0);
    EXPECT_FALSE(told.allAirborne);
    EXPECT_FALSE(told.groundInferred);
    EXPECT_EQ(flag(told.bursts[0].datagrams[0]), "1");
    EXPECT_EQ(flag(told.bursts[0].datagrams[1]), "0");
}

TEST(RtAppCaptureTest, ABufferRequestGivesItsCountAndSpacing) {
    struct Case {
        const char* line;
        std::optional<tools::BufferRequest> request;
    };
    const Case cases[] = {
        // As the program asks at Los Angeles.
        {"Qs999=sendbuffer=5,6,33.2740,-119.2102,34.6074,-117.6030", tools::BufferRequest{5, 6.0}},
        {"Qs999=sendbuffer=10,10", tools::BufferRequest{10, 10.0}},
        {"Qs999=sendbuffer=0,6,33.2740,-119.2102,34.6074,-117.6030", std::nullopt},
        {"Qs999=sendbuffer=2.5,6", std::nullopt},
        {"Qs999=sendbuffer=5,0", std::nullopt},
        {"Qs999=sendbuffer=5", std::nullopt},
        {"Qs999=sendbuffer=five,6", std::nullopt},
        {"Qs999=sendparked", std::nullopt},
    };
    for (const Case& c : cases) {
        const std::optional<tools::BufferRequest> request = tools::gf_parseBufferRequest(c.line);
        ASSERT_EQ(request.has_value(), c.request.has_value()) << c.line;
        if (request) {
            EXPECT_EQ(request->count, c.request->count) << c.line;
            EXPECT_DOUBLE_EQ(request->spacingSeconds, c.request->spacingSeconds) << c.line;
        }
    }
}

// The Los Angeles capture's bursts come 9, 9 and 12 s apart; the program asks for five
// snapshots 6 s apart. The three bursts before the first live one, heard 30, 21 and 12 s before
// it, all go into the snapshot of 12 s, so that each plays as long before the live one as it
// was heard before it.
TEST(RtAppCaptureTest, TheAppsBufferHoldsItsBurstsInTheSnapshotOfTheNewest) {
    SKYLOOM_REQUIRE_SHARED(klax, "feed/recordings/KLAX_20200617_2152.csv");
    const tools::Capture capture = tools::gf_readCapture(klax, 125.0);
    const std::vector<tools::CaptureBurst> history(capture.bursts.begin(),
                                                   capture.bursts.begin() + 3);
    const double now = capture.bursts[3].time;
    ASSERT_DOUBLE_EQ(now - history[0].time, 30.0);
    ASSERT_DOUBLE_EQ(now - history[2].time, 12.0);
    const std::vector<tools::CaptureBurst> snapshots =
        tools::gf_bufferSnapshots(history, now, tools::BufferRequest{5, 6.0});
    ASSERT_THAT(snapshots, SizeIs(5));
    std::vector<std::string> all;
    for (const tools::CaptureBurst& burst : history) {
        all.insert(all.end(), burst.datagrams.begin(), burst.datagrams.end());
    }
    for (std::size_t n = 0; n < snapshots.size(); ++n) {
        EXPECT_DOUBLE_EQ(snapshots[n].time, now - 30.0 + 6.0 * static_cast<double>(n));
        EXPECT_EQ(snapshots[n].datagrams, n == 3 ? all : std::vector<std::string>{})
            << "snapshot " << n;
    }

    struct Case {
        const char* label;
        std::vector<tools::CaptureBurst> history;
        std::size_t place;
        std::vector<std::string> held;
    };
    const Case cases[] = {
        {"newest as near 18 as 12 s: the younger",
         {{now - 15.0, {"a"}}, {now - 25.0, {"b"}}},
         3,
         {"b", "a"}},
        {"newest just heard: the youngest snapshot", {{now - 0.5, {"a"}}}, 4, {"a"}},
        {"older than the span, or after now, left out",
         {{now - 34.0, {"old"}}, {now - 32.0, {"a"}}, {now + 1.0, {"live"}}},
         0,
         {"a"}},
    };
    for (const Case& c : cases) {
        const std::vector<tools::CaptureBurst> made =
            tools::gf_bufferSnapshots(c.history, now, tools::BufferRequest{5, 6.0});
        for (std::size_t n = 0; n < made.size(); ++n) {
            EXPECT_EQ(made[n].datagrams, n == c.place ? c.held : std::vector<std::string>{})
                << c.label << ", snapshot " << n;
        }
    }
    EXPECT_THAT(tools::gf_bufferSnapshots({}, now, tools::BufferRequest{5, 6.0}), SizeIs(5));
}

TEST(RtAppCaptureTest, AMissingCaptureIsAnError) {
    EXPECT_THROW(tools::gf_readCapture("/nonexistent/capture.txt"), std::runtime_error);
}

} // namespace
} // namespace skyloom

// The App road end to end over loopback: the RealTraffic App stand-in connects to the link's
// server, answers its lines and sends traffic and weather datagrams; what arrives is compared
// with the capture the stand-in replays, read here independently of the stand-in.
#include "feed/rt_app_link.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "refdata/park_airport.h"
#include "runtime/rt_status.h"
#include "tests/feed/support/app_link_fixture.h"
#include "tests/support/shared_data.h"

namespace skyloom {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;
using testing::CapturedRecord;
using ::testing::ElementsAre;
using testing::gf_eventually;
using testing::gf_playedRecords;
using testing::gf_readBursts;
using ::testing::HasSubstr;
using testing::RtAppLinkTest;
using ::testing::SizeIs;

struct ReplayCase {
    const char* file;
    // The elevation of the capture's airport, feet.
    double elevationFt;
};

void PrintTo(const ReplayCase& replay, std::ostream* out) {
    *out << replay.file << " at " << replay.elevationFt << " ft";
}

class RtAppCaptureReplayTest : public RtAppLinkTest,
                               public ::testing::WithParamInterface<ReplayCase> {};

// Every capture marks all its aircraft airborne; the stand-in infers the ground traffic.
TEST_P(RtAppCaptureReplayTest, EveryBurstArrivesAsOneMailboxBatchMatchingTheCapture) {
    const ReplayCase replay = GetParam();
    SKYLOOM_REQUIRE_SHARED(file, std::string("feed/recordings/") + replay.file);
    mailbox_.setDecoder(&decoder_);
    const std::vector<std::vector<CapturedRecord>> expected = gf_readBursts(file);
    const tools::Capture capture = tools::gf_readCapture(file, replay.elevationFt);
    ASSERT_EQ(capture.bursts.size(), expected.size());
    ASSERT_GT(expected.size(), 20u);
    EXPECT_TRUE(capture.groundInferred);

    tools::RtAppStandin& app = standin();
    connect(app);
    std::size_t posted = 0;
    std::size_t records = 0;
    std::size_t onGround = 0;
    std::size_t atZero = 0;
    std::size_t strays = 0;
    app.replay(capture, 0.0, 0, [&](std::size_t index) {
        const std::vector<CapturedRecord> wanted = gf_playedRecords(expected[index], strays);
        if (!wanted.empty()) {
            ++posted;
        }
        ASSERT_TRUE(gf_eventually([&] { return mailbox_.counts().livePosts == posted; }))
            << "burst " << index;
        const std::vector<TrafficEntry> taken = takeAll();
        ASSERT_EQ(taken.size(), wanted.size()) << "burst " << index;
        // The main loop takes from the back of the batch.
        double newest = 0.0;
        for (const TrafficEntry& entry : taken) {
            newest = std::max(newest, entry.timestamp);
        }
        for (std::size_t i = 0; i < taken.size(); ++i) {
            const CapturedRecord& record = wanted[wanted.size() - 1 - i];
            const TrafficEntry& entry = taken[i];
            ASSERT_EQ(entry.hexid, record.hexid) << "burst " << index << " record " << i;
            EXPECT_EQ(entry.callsign, record.callsign);
            EXPECT_DOUBLE_EQ(entry.sample.latitude, record.latitude);
            EXPECT_DOUBLE_EQ(entry.sample.longitude, record.longitude);
            EXPECT_DOUBLE_EQ(entry.sample.altitudeFt, record.altitudeFt);
            EXPECT_NEAR(entry.timestamp, record.timestamp, 0.05);
            // Due 30 s after it was seen, but never before the next tick (the csv captures
            // hold reports that were already old when their round went out).
            EXPECT_EQ(
                entry.sample.time,
                std::max(5000 + 3000 - std::lround(100.0 * (newest - entry.timestamp)), 5001L));
            // What the stand-in can tell for sure: at altitude 0 or below (old Apps' altitude
            // on the ground) an aircraft is on the ground; high above the airport, or fast
            // where it is not at 0, it flies.
            if (record.altitudeFt <= 0.0) {
                ++atZero;
                EXPECT_EQ(entry.sample.airborne, 0) << record.line;
            } else if (record.altitudeFt > replay.elevationFt + tools::kGroundHeightFt ||
                       record.groundSpeedKt > tools::kMaxGroundSpeedKt) {
                EXPECT_EQ(entry.sample.airborne, 1) << record.line;
            }
            onGround += entry.sample.airborne == 0 ? 1 : 0;
        }
        records += taken.size();
        // The receiving clock runs with the capture, as when the App plays it: the feed's
        // clock that the reader learns (feed/feed_clock.h) refuses no genuine report.
        if (index + 1 < capture.bursts.size()) {
            clock_.advance(
                std::chrono::duration_cast<Clock::Duration>(std::chrono::duration<double>(
                    std::max(0.0, capture.bursts[index + 1].time - capture.bursts[index].time))));
        }
    });
    const AppTrafficCounts counts = link_->trafficReader().counts();
    EXPECT_EQ(counts.liveRecords, records + strays);
    EXPECT_EQ(counts.rejected, strays);
    EXPECT_EQ(counts.liveBatches, posted);
    EXPECT_EQ(mailbox_.counts().mergedBatches, 0u);
    // The aircraft it sent, as the demo's summary shows them: each aircraft of the capture
    // once, however many records and datagrams carried it.
    std::set<std::uint32_t> aircraft;
    for (const std::vector<CapturedRecord>& burst : expected) {
        for (const CapturedRecord& record : burst) {
            aircraft.insert(record.hexid);
        }
    }
    EXPECT_EQ(app.aircraftSent(), aircraft.size());
    EXPECT_TRUE(failures_.empty());
    EXPECT_GE(onGround, atZero);
    EXPECT_GT(onGround, 0u) << "a capture around an airport holds ground traffic";
}

INSTANTIATE_TEST_SUITE_P(Recordings, RtAppCaptureReplayTest,
                         ::testing::Values(ReplayCase{"KLAS_20190305_2056Z.txt", 2181.0},
                                           ReplayCase{"MMMX.txt", 7316.0},
                                           ReplayCase{"KLAX_20200617_2152.csv", 125.0},
                                           ReplayCase{"KPTK_20201128.csv", 980.0}),
                         [](const ::testing::TestParamInfo<ReplayCase>& info) {
                             const std::string file = info.param.file;
                             return file.substr(0, file.find('.'));
                         });

TEST_F(RtAppLinkTest, WithoutEndMarkersTheQuietGapAfterEachBurstEndsItsBatch) {
    SKYLOOM_REQUIRE_SHARED(file, "feed/recordings/KLAS_20190305_2056Z.txt");
    mailbox_.setDecoder(&decoder_);
    const tools::Capture capture = tools::gf_readCapture(file);
    tools::RtAppStandinOptions options;
    options.endMarkers = false;
    tools::RtAppStandin& app = standin(options);
    connect(app);
    std::uint64_t records = 0;
    // A thousand times faster than the capture: about 10 ms between bursts.
    app.replay(capture, 1000.0, 5, [&](std::size_t index) {
        records += capture.bursts[index].datagrams.size();
        ASSERT_TRUE(
            gf_eventually([&] { return link_->trafficReader().counts().liveRecords == records; }));
        EXPECT_EQ(mailbox_.counts().livePosts, index);
        clock_.advance(AppTrafficAssembler::kBurstGap);
        ASSERT_TRUE(gf_eventually([&] { return mailbox_.counts().livePosts == index + 1; }));
        EXPECT_EQ(takeAll().size(), capture.bursts[index].datagrams.size());
    });
    EXPECT_EQ(link_->trafficReader().counts().markers, 0u);
}

TEST_F(RtAppLinkTest, MalformedDatagramsAmidARealBurstLoseNothingElse) {
    mailbox_.setDecoder(&decoder_);
    tools::RtAppStandin& app = standin();
    connect(app);
    const std::string a = testing::rttfcDatagram({{1, "20001"}, {9, "AAA1"}});
    const std::string b = testing::rttfcDatagram({{1, "20002"}, {9, "BBB2"}});
    const std::string c = testing::rttfcDatagram({{1, "20003"}, {9, "CCC3"}});
    app.sendDatagram(a);
    app.sendDatagram(b.substr(0, 60));                                     // truncated
    app.sendDatagram(b + ",extra");                                        // extra field
    app.sendDatagram(testing::rttfcDatagram({{1, "20004"}, {2, "4x.5"}})); // non-numeric
    app.sendDatagram(std::string(9000, 'R'));                     // huge, beyond the buffer
    app.sendDatagram(std::string("\xde\xad\xbe\xef\x00\x10", 6)); // binary
    app.sendDatagram(b);
    app.sendDatagram(c);
    app.sendDatagram("RTTFC_EOT");
    ASSERT_TRUE(gf_eventually([&] { return mailbox_.counts().livePosts == 1; }));
    const std::vector<TrafficEntry> taken = takeAll();
    ASSERT_THAT(taken, SizeIs(3));
    EXPECT_EQ(taken[0].callsign, "CCC3");
    EXPECT_EQ(taken[1].callsign, "BBB2");
    EXPECT_EQ(taken[2].callsign, "AAA1");
    EXPECT_EQ(link_->trafficReader().counts().rejected, 5u);
    const std::vector<std::string> lines = log_.linesWith("Traffic Reader: datagram rejected: ");
    ASSERT_THAT(lines, SizeIs(5));
    EXPECT_THAT(lines[3], HasSubstr("datagram of 9000 bytes is too long"));
    EXPECT_THAT(lines[4], HasSubstr("byte 0xde"));
    EXPECT_TRUE(failures_.empty());
}

TEST_F(RtAppLinkTest, TheVersionReplyTellsAProfessionalLicence) {
    tools::RtAppStandin& app = standin();
    EXPECT_FALSE(g_rtConnected.load());
    connect(app);
    EXPECT_TRUE(g_rtConnected.load());
    EXPECT_TRUE(g_rtProfessional.load());
    EXPECT_EQ(link_->server().versionReply()->version, "11.1.452");
    EXPECT_EQ(app.lines().front(), "Qs999=version");
    EXPECT_THAT(log_.linesWith("RealTraffic App version 11.1.452, licence level 2 (professional)"),
                SizeIs(1));

    // A standard licence on the next connection.
    tools::RtAppStandinOptions standard;
    standard.licenceLevel = 1;
    tools::RtAppStandin& second = standin(standard);
    connect(second);
    EXPECT_FALSE(g_rtProfessional.load());
}

TEST_F(RtAppLinkTest, PositionsAndTheSimulatorTimeGoToTheApp) {
    tools::RtAppStandin& app = standin();
    connect(app);
    AppPositionReport report;
    report.position = {47.45, 8.56};
    report.altitudeFt = 1400.0;
    report.headingRad = 1.0;
    const std::int64_t now =
        std::chrono::duration_cast<milliseconds>(clock_.utcNow().time_since_epoch()).count();
    report.simUtcMs = now - 3'600'000; // an hour back
    for (int i = 0; i < 301; ++i) {
        ASSERT_TRUE(link_->sendPosition(report));
        clock_.advance(milliseconds{200});
        report.simUtcMs = *report.simUtcMs + 200;
    }
    ASSERT_TRUE(app.waitForLine("Qs121=", milliseconds{5000}, 301));
    const std::vector<std::string> lines = app.lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[1], fmt::format("Qs123={}", now - 3'600'000));
    EXPECT_TRUE(lines[2].starts_with("Qs121=0;0;1.000000000000000;1400000;0;0.8281"));
    // The time again after 300 positions, not before.
    ASSERT_TRUE(app.waitForLine("Qs123=", milliseconds{5000}, 2));
    std::size_t positionsBefore = 0;
    for (std::size_t i = 2; i < lines.size() && !lines[i].starts_with("Qs123="); ++i) {
        ++positionsBefore;
    }
    EXPECT_EQ(positionsBefore, 300u);

    // A jump of the simulator's clock is sent at once.
    report.simUtcMs = *report.simUtcMs + 120'000;
    ASSERT_TRUE(link_->sendPosition(report));
    ASSERT_TRUE(app.waitForLine("Qs123=", milliseconds{5000}, 3));
    EXPECT_EQ(link_->server().counts().timeLines, 3u);

    // Without the simulator time (a standard licence) no time line goes.
    report.simUtcMs.reset();
    ASSERT_TRUE(link_->sendPosition(report));
    EXPECT_EQ(link_->server().counts().timeLines, 3u);
}

TEST_F(RtAppLinkTest, NoAppNoPosition) {
    AppPositionReport report;
    report.position = {47.45, 8.56};
    EXPECT_FALSE(link_->sendPosition(report));
    EXPECT_FALSE(g_rtConnected.load());
}

TEST_F(RtAppLinkTest, ClosingTheClientDisconnectsUntilTheAppComesBack) {
    tools::RtAppStandin& app = standin();
    connect(app);
    link_->server().closeClient();
    EXPECT_FALSE(g_rtConnected.load());
    EXPECT_FALSE(link_->server().connected());
    EXPECT_TRUE(gf_eventually([&] { return !app.connected(); }));
    EXPECT_THAT(log_.linesWith("RealTraffic App disconnected: closed by the program"), SizeIs(1));

    tools::RtAppStandin& again = standin();
    connect(again);
    EXPECT_TRUE(g_rtConnected.load());
    EXPECT_EQ(link_->server().counts().connections, 2u);
}

TEST_F(RtAppLinkTest, AnAppThatGoesAwayIsNoticed) {
    tools::RtAppStandin& app = standin();
    connect(app);
    app.disconnect();
    EXPECT_TRUE(gf_eventually([&] {
        link_->server().poll();
        return !g_rtConnected.load();
    }));
    EXPECT_THAT(log_.linesWith("RealTraffic App disconnected: the App closed it"), SizeIs(1));
}

TEST_F(RtAppLinkTest, ParkedTrafficIsAskedForAroundTheAirportAndCompletesAfterAQuietGap) {
    link_->requestParked({51.4706, -0.4619}); // before the App connects: sent on connection
    ASSERT_TRUE(link_->parkedQueryArea());
    EXPECT_NEAR(link_->parkedQueryArea()->north, 51.5206, 1e-9);
    tools::RtAppStandin& app = standin();
    app.setParkedAircraft({"RTPARK,4007f2,51.4711,-0.4512,BAW12,B772,G-VIIA,EGLL_532,1725095700.0",
                           "RTPARK,406a93,51.4690,-0.4490,,A320,G-EUUA,EGLL_531,1725095100.0",
                           "RTPARK,xyz,51.4690,-0.4490,,A320,G-EUUB,EGLL_530,1725095100.0"});
    connect(app);
    const auto request = app.waitForLine("Qs999=sendparked,", milliseconds{5000});
    ASSERT_TRUE(request);
    EXPECT_EQ(*request, "Qs999=sendparked,51.4206,-0.5422,51.5206,-0.3816");
    ASSERT_TRUE(gf_eventually([&] {
        const AppTrafficCounts counts = link_->trafficReader().counts();
        return counts.parkedRecords + counts.rejected == 3;
    }));
    EXPECT_FALSE(parked_.received());
    clock_.advance(AppTrafficAssembler::kParkedGap);
    ASSERT_TRUE(gf_eventually([&] { return parked_.received(); }));
    const std::vector<ParkedEntry> entries = parked_.entries();
    ASSERT_THAT(entries, SizeIs(2));
    EXPECT_EQ(entries[0].callsign, "BAW12");
    EXPECT_EQ(entries[0].standText, "532");
    EXPECT_EQ(entries[1].hexid, 0x406a93u);

    // A new request forgets the list until the new one is complete.
    link_->requestParked({51.4706, -0.4619});
    EXPECT_FALSE(parked_.received());
    link_->clearQueryArea();
    EXPECT_FALSE(link_->parkedQueryArea());
}

TEST_F(RtAppLinkTest, WeatherDatagramsSetTheQnh) {
    tools::RtAppStandin& app = standin();
    app.sendWeather(R"({"ICAO": "KJFK","QNH": 2996, "METAR": "KJFK 052051Z A2996"})");
    ASSERT_TRUE(gf_eventually([&] { return qnh_.load() == 1015; }));
    app.sendWeather("{broken");
    ASSERT_TRUE(gf_eventually([&] { return link_->weatherReader().rejected() == 1; }));
    EXPECT_EQ(link_->weatherReader().reports(), 1u);
}

class RtAppBufferedLinkTest : public RtAppLinkTest {
protected:
    // The wait for buffered traffic sleeps; on the real clock it ends as soon as the App is
    // done.
    Clock& linkClock() override { return realClock_; }
    RealClock realClock_;
};

TEST_F(RtAppBufferedLinkTest, BufferedTrafficIsAskedForWithTheFirstPositionAndPlayedOldestFirst) {
    // Three bursts heard 18, 12 and 6 s before the first live one: the newest of the five
    // snapshots the program asks for holds them.
    const double now = 1700000024.0;
    std::vector<tools::CaptureBurst> history(3);
    for (std::size_t i = 0; i < history.size(); ++i) {
        history[i].time = now - 18.0 + 6.0 * static_cast<double>(i);
        for (std::uint32_t a = 0; a < 4; ++a) {
            history[i].datagrams.push_back(
                testing::rttfcDatagram({{1, std::to_string(40000 + i * 10 + a)},
                                        {14, std::to_string(1700000006 + i * 6)}}));
        }
    }
    tools::RtAppStandin& app = standin();
    app.setBufferHistory(history, now);
    app.connect(milliseconds{5000});
    AppPositionReport report;
    report.position = {50.0, 8.0};
    const bool done = link_->awaitBufferedTraffic(
        seconds{30}, [] { return true; }, [&] { return std::optional(report); });
    ASSERT_TRUE(done);
    const auto request = app.waitForLine("Qs999=sendbuffer=", milliseconds{5000});
    ASSERT_TRUE(request);
    EXPECT_EQ(*request, "Qs999=sendbuffer=5,6,49.3333,6.9629,50.6667,9.0371");
    EXPECT_TRUE(app.lines()[1].starts_with("Qs121=")) << "the request follows the position";

    // No decoder yet: the snapshot waits in the mailbox, its newest record due 24 s after now
    // (30 s after it was heard), each older one as much earlier as it is older; the four empty
    // snapshots before it keep its place.
    const std::vector<std::vector<TrafficEntry>> waiting = mailbox_.waitingBufferedBatches();
    ASSERT_THAT(waiting, SizeIs(1));
    ASSERT_THAT(waiting[0], SizeIs(12));
    for (std::size_t i = 0; i < waiting[0].size(); ++i) {
        EXPECT_EQ(waiting[0][i].hexid, 40000 + (i / 4) * 10 + i % 4);
        EXPECT_EQ(waiting[0][i].sample.time,
                  static_cast<std::int32_t>(5000 + 1200 + 600 * (i / 4)));
    }
    EXPECT_EQ(mailbox_.pendingCount(), 0u) << "buffered traffic is never pending live traffic";
    EXPECT_THAT(log_.linesWith("buffered traffic received, 5 snapshots"), SizeIs(1));

    // The request goes once per run.
    ASSERT_TRUE(link_->sendPosition(report));
    EXPECT_EQ(link_->server().counts().bufferRequests, 1u);
}

// An App that connects only after the start-up gave up waiting is never asked: buffered
// traffic would play after the live traffic it precedes. What it sends of it unasked is
// rejected, and the log tells the outcome once.
TEST_F(RtAppBufferedLinkTest, AWaitThatEndsWithoutTheAppAsksNoMoreAndTakesNothingLate) {
    AppPositionReport report;
    report.position = {50.0, 8.0};
    EXPECT_FALSE(link_->awaitBufferedTraffic(
        milliseconds{200}, [] { return true; }, [&] { return std::optional(report); }));
    tools::RtAppStandin& app = standin();
    app.connect(milliseconds{5000});
    ASSERT_TRUE(gf_eventually([&] { return link_->sendPosition(report); }));
    ASSERT_TRUE(app.waitForLine("Qs121=", milliseconds{5000}));
    EXPECT_EQ(link_->server().counts().bufferRequests, 0u);
    app.sendDatagram("RTBUF_EOT");
    ASSERT_TRUE(gf_eventually([&] { return link_->trafficReader().counts().rejected == 1; }));
    EXPECT_THAT(log_.linesWith("buffered traffic received"), SizeIs(0));
    for (const std::string& line : app.lines()) {
        EXPECT_FALSE(line.starts_with("Qs999=sendbuffer")) << line;
    }
}

TEST(RtAppServerTest, EachVersionReplyIsAnnouncedOutsideTheLock) {
    testing::LogCapture log;
    std::vector<std::string> versions;
    RtAppServer* serverSeen = nullptr;
    RtAppServer server("127.0.0.1", 0, gf_clock(), {{}, {}, [&](const AppVersionReply& version) {
                                                        // The server's own calls work here: its
                                                        // mutex is not held.
                                                        EXPECT_TRUE(serverSeen->connected());
                                                        versions.push_back(version.version);
                                                    }});
    serverSeen = &server;
    tools::RtAppStandinOptions options;
    options.programPort = server.port();
    options.version = "10.0.240";
    tools::RtAppStandin app(options);
    app.connect(milliseconds{5000});
    ASSERT_TRUE(gf_eventually([&] {
        server.poll();
        return !versions.empty();
    }));
    EXPECT_THAT(versions, ElementsAre("10.0.240"));
    server.poll();
    EXPECT_THAT(versions, SizeIs(1)) << "announced once";
}

TEST(RtAppLinkStartTest, APortThatCannotBeHadStopsTheRunWithAReaderError) {
    testing::LogCapture log;
    os::TcpListener taken("127.0.0.1", 0);
    RtAppLinkSettings settings;
    settings.address = "127.0.0.1";
    settings.tcpPort = taken.port();
    settings.trafficPort = 0;
    settings.weatherPort = 0;
    std::vector<std::string> failures;
    settings.failed = [&](std::string_view name, std::string_view text) {
        failures.push_back(fmt::format("{}: {}", name, text));
    };
    testing::BatchRecorder recorder;
    settings.post = recorder.post();
    ManualClock clock;
    StopControl stop;
    testing::RecordingWindowSink window;
    EXPECT_FALSE(gf_startRtAppLink(RunServices{clock, stop, window}, settings));
    EXPECT_EQ(gf_rtAppLink(), nullptr);
    ASSERT_THAT(failures, SizeIs(1));
    EXPECT_THAT(failures[0],
                HasSubstr(fmt::format("Traffic Reader: bind TCP 127.0.0.1:{}", taken.port())));
}

TEST(RtAppLinkStartTest, TheProgramsFunctionsWorkOnTheRunningLink) {
    testing::LogCapture log;
    ManualClock clock;
    StopControl stop;
    testing::BatchRecorder recorder;
    RtAppLinkSettings settings;
    settings.address = "127.0.0.1";
    settings.tcpPort = 0;
    settings.trafficPort = 0;
    settings.weatherPort = 0;
    settings.post = recorder.post();
    settings.qnh = [](std::int32_t) {};
    settings.failed = [](std::string_view, std::string_view) {};
    int sourceCalls = 0;
    settings.position = [&]() -> std::optional<AppPositionReport> {
        ++sourceCalls;
        AppPositionReport report;
        report.position = {1.0, 2.0};
        return report;
    };
    testing::RecordingWindowSink window;
    ASSERT_TRUE(gf_startRtAppLink(RunServices{clock, stop, window}, settings));
    std::shared_ptr<RtAppLink> link = gf_rtAppLink();
    ASSERT_NE(link, nullptr);

    tools::RtAppStandinOptions options;
    options.programPort = link->server().port();
    options.trafficPort = link->trafficReader().port();
    options.weatherPort = link->weatherReader().port();
    tools::RtAppStandin app(options);
    app.connect(milliseconds{5000});

    ASSERT_TRUE(gf_eventually([&] {
        gf_sendPositionToApp();
        return link->server().counts().positionLines > 0;
    }));
    EXPECT_GT(sourceCalls, 0);
    EXPECT_TRUE(app.waitForLine("Qs121=", milliseconds{5000}));

    gf_parkAirportEntry().set(
        AirportEntry{IcaoCode("EGLL"), IataCode("LHR"), 51.4706, -0.4619, 83});
    gf_requestRtAppParkedTraffic();
    gf_parkAirportEntry().clear();
    EXPECT_TRUE(app.waitForLine("Qs999=sendparked,51.4206,", milliseconds{5000}));
    EXPECT_TRUE(link->parkedQueryArea());
    gf_clearRtAppQueryArea();
    EXPECT_FALSE(link->parkedQueryArea());

    gf_setRtAppReference(1200.0);
    EXPECT_EQ(link->reference(), 1200.0);
    gf_setRtAppReference(std::nullopt);
    EXPECT_EQ(link->reference(), std::nullopt);

    gf_closeRtAppClient();
    EXPECT_FALSE(g_rtConnected.load());

    gf_stopRtAppLink();
    EXPECT_EQ(gf_rtAppLink(), nullptr);
    const std::weak_ptr<RtAppLink> stopped = link;
    link.reset();
    EXPECT_TRUE(stopped.expired()) << "the program held the link's only other reference";
    // Without a link the program's functions do nothing.
    gf_sendPositionToApp();
    gf_closeRtAppClient();
    gf_requestRtAppParkedTraffic();
}

} // namespace
} // namespace skyloom

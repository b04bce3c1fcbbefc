// The App road end to end over loopback: the RealTraffic App stand-in connects to the link's
// server, answers its lines and sends traffic and weather datagrams; what arrives is compared
// with the capture the stand-in replays, read here independently of the stand-in.
#include "feed/rt_app_link.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/stop_request.h"
#include "feed/feed_identities.h"
#include "feed/parked_traffic.h"
#include "feed/rt_status.h"
#include "foundation/manual_clock.h"
#include "foundation/std_regex.h"
#include "refdata/park_airport.h"
#include "tests/feed/support/app_feed_support.h"
#include "tests/support/shared_data.h"
#include "tools/rtapp_standin/rtapp_standin.h"

namespace skyloom {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::SizeIs;

// Waits (in real time) until the condition holds; false when it never did. A bound for a
// peer's answer, not a measurement.
bool lf_eventually(const std::function<bool()>& condition,
                   milliseconds limit = milliseconds{10000}) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(milliseconds{2});
    }
    return true;
}

// One aircraft report as the capture file has it.
struct CapturedRecord {
    std::uint32_t hexid = 0;
    double latitude = 0.0;
    double longitude = 0.0;
    double altitudeFt = 0.0;
    std::string callsign;
    double receivedAt = 0.0;
};

// The capture's bursts: records that arrived within 2 s of the one before belong together.
std::vector<std::vector<CapturedRecord>> lf_readBursts(const std::filesystem::path& file) {
    const std::regex timed(R"(^([0-9.]+) : (AITFC,.*)$)");
    const std::regex tuple(R"(^\(([0-9.]+), ':', '(AITFC,.*)'\)$)");
    std::vector<std::vector<CapturedRecord>> bursts;
    std::ifstream in(file);
    std::string line;
    double last = -1e9;
    while (std::getline(in, line)) {
        std::smatch match;
        if (!std::regex_match(line, match, timed) && !std::regex_match(line, match, tuple)) {
            continue;
        }
        const double time = std::stod(match[1].str());
        std::vector<std::string> fields;
        std::stringstream datagram(match[2].str());
        std::string field;
        while (std::getline(datagram, field, ',')) {
            fields.push_back(field);
        }
        fields.resize(14);
        if (bursts.empty() || time - last > 2.0) {
            bursts.emplace_back();
        }
        last = time;
        bursts.back().push_back({static_cast<std::uint32_t>(std::stoul(fields[1])),
                                 std::stod(fields[2]), std::stod(fields[3]), std::stod(fields[4]),
                                 fields[9], time});
    }
    return bursts;
}

class RtAppLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_rtConnected.store(false);
        g_rtProfessional.store(false);
        mailbox_.enable(true);
        RtAppLinkSettings settings;
        settings.address = "127.0.0.1";
        settings.tcpPort = 0;
        settings.trafficPort = 0;
        settings.weatherPort = 0;
        settings.clock = &clock_;
        settings.stop = &stop_;
        settings.post = [this](std::vector<TrafficEntry>& batch, TrafficBatchKind kind,
                               std::uint32_t base,
                               bool dropWhenOff) { mailbox_.post(batch, kind, base, dropWhenOff); };
        settings.qnh = [this](std::int32_t hpa) { qnh_.store(hpa); };
        settings.identities = &identities_;
        settings.parked = &parked_;
        settings.failed = [this](std::string_view name, std::string_view text) {
            failures_.push_back(fmt::format("{}: {}", name, text));
        };
        settings.rangeNm = 40.0;
        customise(settings);
        link_ = std::make_unique<RtAppLink>(settings);
    }

    virtual void customise(RtAppLinkSettings&) {}

    void TearDown() override {
        standin_.reset();
        link_.reset();
        g_rtConnected.store(false);
        g_rtProfessional.store(false);
    }

    tools::RtAppStandin& standin(tools::RtAppStandinOptions options = {}) {
        options.programPort = link_->server().port();
        options.trafficPort = link_->trafficReader().port();
        options.weatherPort = link_->weatherReader().port();
        standin_ = std::make_unique<tools::RtAppStandin>(options);
        return *standin_;
    }

    // Connects the stand-in and plays the main worker until the App's version reply came.
    void connect(tools::RtAppStandin& app) {
        const std::uint64_t replies = link_->server().counts().replies;
        app.connect(milliseconds{5000});
        ASSERT_TRUE(lf_eventually([&] {
            link_->server().poll();
            return link_->server().counts().replies > replies;
        }));
    }

    // Takes every pending entry as the main loop would, in the order it would.
    std::vector<TrafficEntry> takeAll() {
        decoder_.clear();
        while (mailbox_.takeTrafficBatches() > 0) {
        }
        return decoder_.entries();
    }

    testing::LogCapture log_;
    ManualClock clock_;
    StopControl stop_;
    std::atomic<std::uint32_t> tick_{5000};
    TrafficMailbox mailbox_{&clock_, &stop_, &tick_};
    testing::RecordingDecoder decoder_;
    std::atomic<std::int32_t> qnh_{0};
    FeedIdentities identities_;
    ParkedTrafficList parked_;
    std::vector<std::string> failures_;
    std::unique_ptr<RtAppLink> link_;
    std::unique_ptr<tools::RtAppStandin> standin_;
};

class RtAppCaptureReplayTest : public RtAppLinkTest,
                               public ::testing::WithParamInterface<const char*> {};

TEST_P(RtAppCaptureReplayTest, EveryBurstArrivesAsOneMailboxBatchMatchingTheCapture) {
    SKYLOOM_REQUIRE_SHARED(file, std::string("feed/recordings/") + GetParam());
    mailbox_.setDecoder(&decoder_);
    const std::vector<std::vector<CapturedRecord>> expected = lf_readBursts(file);
    const tools::Capture capture = tools::gf_readCapture(file);
    ASSERT_EQ(capture.bursts.size(), expected.size());
    ASSERT_GT(expected.size(), 100u);

    tools::RtAppStandin& app = standin();
    connect(app);
    std::size_t posted = 0;
    std::size_t records = 0;
    app.replay(capture, 0.0, 0, [&](std::size_t index) {
        std::vector<CapturedRecord> wanted;
        for (const CapturedRecord& record : expected[index]) {
            if (record.hexid > 10000) {
                wanted.push_back(record);
            }
        }
        if (!wanted.empty()) {
            ++posted;
        }
        ASSERT_TRUE(lf_eventually([&] { return mailbox_.counts().livePosts == posted; }))
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
            EXPECT_NEAR(entry.timestamp, record.receivedAt, 0.05);
            EXPECT_EQ(entry.sample.time,
                      5000 + 3000 - std::lround(100.0 * (newest - entry.timestamp)));
        }
        records += taken.size();
    });
    const AppTrafficCounts counts = link_->trafficReader().counts();
    EXPECT_EQ(counts.liveRecords, records);
    EXPECT_EQ(counts.rejected, 0u);
    EXPECT_EQ(counts.liveBatches, posted);
    EXPECT_EQ(mailbox_.counts().replacedBatches, 0u);
    EXPECT_TRUE(failures_.empty());
}

INSTANTIATE_TEST_SUITE_P(Recordings, RtAppCaptureReplayTest,
                         ::testing::Values("KLAS_20190305_2056Z.txt", "MMMX.txt"));

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
            lf_eventually([&] { return link_->trafficReader().counts().liveRecords == records; }));
        EXPECT_EQ(mailbox_.counts().livePosts, index);
        clock_.advance(AppTrafficAssembler::kBurstGap);
        ASSERT_TRUE(lf_eventually([&] { return mailbox_.counts().livePosts == index + 1; }));
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
    ASSERT_TRUE(lf_eventually([&] { return mailbox_.counts().livePosts == 1; }));
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
    EXPECT_TRUE(lf_eventually([&] { return !app.connected(); }));
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
    EXPECT_TRUE(lf_eventually([&] {
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
    ASSERT_TRUE(lf_eventually([&] {
        const AppTrafficCounts counts = link_->trafficReader().counts();
        return counts.parkedRecords + counts.rejected == 3;
    }));
    EXPECT_FALSE(parked_.received());
    clock_.advance(AppTrafficAssembler::kParkedGap);
    ASSERT_TRUE(lf_eventually([&] { return parked_.received(); }));
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
    ASSERT_TRUE(lf_eventually([&] { return qnh_.load() == 1015; }));
    app.sendWeather("{broken");
    ASSERT_TRUE(lf_eventually([&] { return link_->weatherReader().rejected() == 1; }));
    EXPECT_EQ(link_->weatherReader().reports(), 1u);
}

class RtAppBufferedLinkTest : public RtAppLinkTest {
protected:
    // The wait for buffered traffic sleeps; on the real clock it ends as soon as the App is
    // done.
    void customise(RtAppLinkSettings& settings) override { settings.clock = &realClock_; }
    RealClock realClock_;
};

TEST_F(RtAppBufferedLinkTest, BufferedTrafficIsAskedForWithTheFirstPositionAndPlayedOldestFirst) {
    std::vector<tools::CaptureBurst> snapshots(3);
    for (std::size_t i = 0; i < snapshots.size(); ++i) {
        for (std::uint32_t a = 0; a < 4; ++a) {
            snapshots[i].datagrams.push_back(
                testing::rttfcDatagram({{1, std::to_string(40000 + i * 10 + a)},
                                        {14, std::to_string(1700000000 + i * 6)}}));
        }
    }
    tools::RtAppStandin& app = standin();
    app.setBufferedSnapshots(snapshots);
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

    // No decoder yet: the snapshots wait in the mailbox, oldest first, 6 s apart, the oldest
    // due at once.
    const std::vector<std::vector<TrafficEntry>> waiting = mailbox_.waitingBufferedBatches();
    ASSERT_THAT(waiting, SizeIs(3));
    for (std::size_t i = 0; i < waiting.size(); ++i) {
        ASSERT_THAT(waiting[i], SizeIs(4));
        EXPECT_EQ(waiting[i][0].hexid, 40000 + i * 10);
        EXPECT_EQ(waiting[i][0].sample.time,
                  std::max(static_cast<std::int32_t>(5000 + 600 * i), 5001));
    }
    EXPECT_EQ(mailbox_.pendingCount(), 0u) << "buffered traffic is never pending live traffic";
    EXPECT_THAT(log_.linesWith("buffered traffic received, 3 snapshots"), SizeIs(1));

    // The request goes once per run.
    ASSERT_TRUE(link_->sendPosition(report));
    EXPECT_EQ(link_->server().counts().bufferRequests, 1u);
}

TEST(RtAppServerTest, EachVersionReplyIsAnnouncedOutsideTheLock) {
    testing::LogCapture log;
    std::vector<std::string> versions;
    RtAppServer* serverSeen = nullptr;
    RtAppServer server("127.0.0.1", 0, nullptr, {{}, {}, [&](const AppVersionReply& version) {
                                                     // The server's own calls work here: its mutex
                                                     // is not held.
                                                     EXPECT_TRUE(serverSeen->connected());
                                                     versions.push_back(version.version);
                                                 }});
    serverSeen = &server;
    tools::RtAppStandinOptions options;
    options.programPort = server.port();
    options.version = "10.0.240";
    tools::RtAppStandin app(options);
    app.connect(milliseconds{5000});
    ASSERT_TRUE(lf_eventually([&] {
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
    EXPECT_FALSE(gf_startRtAppLink(settings));
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
    settings.clock = &clock;
    settings.stop = &stop;
    settings.post = recorder.post();
    settings.qnh = [](std::int32_t) {};
    settings.failed = [](std::string_view, std::string_view) {};
    ASSERT_TRUE(gf_startRtAppLink(settings));
    std::shared_ptr<RtAppLink> link = gf_rtAppLink();
    ASSERT_NE(link, nullptr);

    tools::RtAppStandinOptions options;
    options.programPort = link->server().port();
    options.trafficPort = link->trafficReader().port();
    options.weatherPort = link->weatherReader().port();
    tools::RtAppStandin app(options);
    app.connect(milliseconds{5000});

    int sourceCalls = 0;
    gf_setAppPositionSource([&]() -> std::optional<AppPositionReport> {
        ++sourceCalls;
        AppPositionReport report;
        report.position = {1.0, 2.0};
        return report;
    });
    ASSERT_TRUE(lf_eventually([&] {
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

    gf_setAppPositionSource({});
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

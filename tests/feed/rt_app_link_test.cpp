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
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "feed/feed_identities.h"
#include "feed/parked_traffic.h"
#include "foundation/manual_clock.h"
#include "foundation/std_regex.h"
#include "refdata/park_airport.h"
#include "runtime/rt_status.h"
#include "runtime/stop_request.h"
#include "tests/feed/support/app_feed_support.h"
#include "tests/support/recording_window_sink.h"
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
    double groundSpeedKt = 0.0;
    std::string callsign;
    // The record's own time stamp, else its receiver time.
    double timestamp = 0.0;
    std::string line;
};

// The capture's bursts. Timed captures: records that arrived within 2 s of the one before
// belong together. Csv captures: a burst ends before the first hexid that repeats, and a line
// identical to the one before is dropped. A record identical to the last one of its hexid
// (an unchanged aircraft sent again) carries nothing new and is left out.
std::vector<std::vector<CapturedRecord>> lf_readBursts(const std::filesystem::path& file) {
    const std::regex timed(R"(^([0-9.]+) : (AITFC,.*)$)");
    const std::regex tuple(R"(^\(([0-9.]+), ':', '(AITFC,.*)'\)$)");
    std::vector<std::vector<CapturedRecord>> bursts;
    std::map<std::uint32_t, std::string> lastOfHexid;
    std::set<std::uint32_t> inBurst;
    std::ifstream in(file);
    std::string line;
    std::string previous;
    double last = -1e9;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        std::smatch match;
        std::string datagram;
        std::optional<double> receivedAt;
        if (std::regex_match(line, match, timed) || std::regex_match(line, match, tuple)) {
            receivedAt = std::stod(match[1].str());
            datagram = match[2].str();
        } else if (line.starts_with("AITFC,") && line != previous) {
            datagram = line;
        }
        previous = line;
        if (datagram.empty()) {
            continue;
        }
        std::vector<std::string> fields;
        std::stringstream stream(datagram);
        std::string field;
        while (std::getline(stream, field, ',')) {
            fields.push_back(field);
        }
        fields.resize(15);
        const auto hexid = static_cast<std::uint32_t>(std::stoul(fields[1]));
        const bool newBurst = receivedAt ? *receivedAt - last > 2.0 : inBurst.contains(hexid);
        if (bursts.empty() || newBurst) {
            bursts.emplace_back();
            inBurst.clear();
        }
        inBurst.insert(hexid);
        last = receivedAt.value_or(last);
        // Timed captures have no time stamp of their own: the receiver's time makes each new.
        const std::string identity = receivedAt ? line : datagram;
        if (lastOfHexid[hexid] == identity) {
            continue;
        }
        lastOfHexid[hexid] = identity;
        bursts.back().push_back({hexid, std::stod(fields[2]), std::stod(fields[3]),
                                 std::stod(fields[4]), std::stod(fields[8]), fields[9],
                                 receivedAt ? *receivedAt : std::stod(fields[14]), datagram});
    }
    return bursts;
}

// The live records of a burst that the program plays: static aircraft are passed over, and a
// record stamped far from the burst's median stamp (a csv capture's first burst holds records
// of nine hours later) is refused; `strays` counts those.
std::vector<CapturedRecord> lf_playedRecords(const std::vector<CapturedRecord>& burst,
                                             std::size_t& strays) {
    std::vector<CapturedRecord> live;
    std::vector<double> stamps;
    for (const CapturedRecord& record : burst) {
        if (record.hexid > 10000) {
            live.push_back(record);
            stamps.push_back(record.timestamp);
        }
    }
    if (live.size() < 3) {
        return live;
    }
    std::sort(stamps.begin(), stamps.end());
    const double median = stamps[(stamps.size() - 1) / 2];
    std::vector<CapturedRecord> played;
    for (const CapturedRecord& record : live) {
        if (record.timestamp - median > 60.0 || median - record.timestamp > 300.0) {
            ++strays;
        } else {
            played.push_back(record);
        }
    }
    return played;
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
        link_ = std::make_unique<RtAppLink>(RunServices{linkClock(), stop_, window_}, settings);
    }

    virtual void customise(RtAppLinkSettings&) {}
    // The clock of the link's waits.
    virtual Clock& linkClock() { return clock_; }

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
    TrafficMailbox mailbox_{clock_, stop_, tick_};
    testing::RecordingDecoder decoder_;
    std::atomic<std::int32_t> qnh_{0};
    FeedIdentities identities_;
    ParkedTrafficList parked_;
    std::vector<std::string> failures_;
    testing::RecordingWindowSink window_;
    std::unique_ptr<RtAppLink> link_;
    std::unique_ptr<tools::RtAppStandin> standin_;
};

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
    const std::vector<std::vector<CapturedRecord>> expected = lf_readBursts(file);
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
        const std::vector<CapturedRecord> wanted = lf_playedRecords(expected[index], strays);
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
    });
    const AppTrafficCounts counts = link_->trafficReader().counts();
    EXPECT_EQ(counts.liveRecords, records + strays);
    EXPECT_EQ(counts.rejected, strays);
    EXPECT_EQ(counts.liveBatches, posted);
    EXPECT_EQ(mailbox_.counts().replacedBatches, 0u);
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

// One report stamped far from its round (a faulty sender on the App's network, a clock set
// wrong) is refused with a line in the log, and every other aircraft of the round plays when it
// would have played without it: 30 s after it was seen.
TEST_F(RtAppLinkTest, AReportStampedFarFromItsRoundIsRefusedAndMovesNoOtherAircraft) {
    SKYLOOM_REQUIRE_SHARED(file, "feed/recordings/KLAX_20200617_2152.csv");
    mailbox_.setDecoder(&decoder_);
    const std::vector<std::vector<CapturedRecord>> expected = lf_readBursts(file);
    const tools::Capture capture = tools::gf_readCapture(file, 125.0);
    const double clock =
        std::chrono::duration<double>(clock_.utcNow().time_since_epoch()).count();
    constexpr double kYear = 365.25 * 86400.0;
    const char* const kAfter = "s after the other reports of its batch";
    struct Case {
        const char* label;
        // The stray's time stamp, from the newest time stamp of its round.
        std::function<double(double)> stamp;
        const char* refusal;
    };
    const Case cases[] = {
        {"an hour ahead", [](double round) { return round + 3600.0; }, kAfter},
        {"a day ahead", [](double round) { return round + 86400.0; }, kAfter},
        {"a year ahead", [&](double round) { return round + kYear; }, kAfter},
        {"stamped by the receiving clock", [&](double) { return clock; }, kAfter},
        {"six years ahead, past the receiving clock too",
         [&](double round) { return round + 6.0 * kYear; }, "s ahead of the clock"},
        {"a year behind", [&](double round) { return round - kYear; },
         "s before the other reports of its batch"},
    };
    // Each case replays rounds of its own: a datagram that repeats the last of its hexid would
    // be dropped as a repeat.
    constexpr std::size_t kRounds = 3;
    ASSERT_GE(capture.bursts.size(), std::size(cases) * kRounds);
    tools::RtAppStandin& app = standin();
    connect(app);
    std::size_t posted = 0;
    std::uint32_t strayHexid = 16000000;
    for (std::size_t k = 0; k < std::size(cases); ++k) {
        const Case& c = cases[k];
        SCOPED_TRACE(c.label);
        ++strayHexid;
        const std::size_t refusedBefore = log_.linesWith(c.refusal).size();
        const std::uint64_t rejectedBefore = link_->trafficReader().counts().rejected;
        tools::Capture faulty;
        std::vector<std::vector<CapturedRecord>> genuine;
        for (std::size_t i = k * kRounds; i < (k + 1) * kRounds; ++i) {
            tools::CaptureBurst burst = capture.bursts[i];
            const std::string stray = testing::rttfcDatagram(
                {{1, std::to_string(strayHexid)},
                 {9, fmt::format("STRAY{}", i)},
                 {14, fmt::format("{:.1f}", c.stamp(burst.time))}});
            burst.datagrams.insert(burst.datagrams.begin() + burst.datagrams.size() / 2, stray);
            faulty.bursts.push_back(std::move(burst));
            std::size_t strays = 0;
            genuine.push_back(lf_playedRecords(expected[i], strays));
            ASSERT_EQ(strays, 0u);
        }
        app.replay(faulty, 0.0, 0, [&](std::size_t index) {
            ++posted;
            ASSERT_TRUE(lf_eventually([&] { return mailbox_.counts().livePosts == posted; }));
            const std::vector<TrafficEntry> taken = takeAll();
            ASSERT_EQ(taken.size(), genuine[index].size()) << "round " << index;
            double newest = 0.0;
            for (const CapturedRecord& record : genuine[index]) {
                newest = std::max(newest, record.timestamp);
            }
            for (const TrafficEntry& entry : taken) {
                EXPECT_NE(entry.hexid, strayHexid);
                EXPECT_EQ(entry.sample.time,
                          std::max(5000 + 3000 - std::lround(100.0 * (newest - entry.timestamp)),
                                   5001L))
                    << "hexid " << entry.hexid << " of round " << index;
            }
        });
        EXPECT_EQ(link_->trafficReader().counts().rejected - rejectedBefore, kRounds);
        EXPECT_EQ(log_.linesWith(c.refusal).size() - refusedBefore, kRounds);
    }
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
    ASSERT_TRUE(lf_eventually([&] { return link_->sendPosition(report); }));
    ASSERT_TRUE(app.waitForLine("Qs121=", milliseconds{5000}));
    EXPECT_EQ(link_->server().counts().bufferRequests, 0u);
    app.sendDatagram("RTBUF_EOT");
    ASSERT_TRUE(lf_eventually([&] { return link_->trafficReader().counts().rejected == 1; }));
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

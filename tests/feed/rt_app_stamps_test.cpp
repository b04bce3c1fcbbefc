// The App road's time stamps end to end: a report stamped far from the other reports of its
// round, a report sent between two rounds (a batch of its own) stamped far from the feed's
// clock, and a feed whose clock moves as a whole. The RealTraffic App stand-in replays the KLAX
// capture; the faulty datagrams are sent among its rounds as another sender on the App's
// network would send them.
#include <chrono>
#include <cmath>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "tests/feed/support/app_link_fixture.h"
#include "tests/support/shared_data.h"

namespace skyloom {
namespace {

using testing::CapturedRecord;
using testing::gf_eventually;
using testing::gf_playedRecords;
using testing::gf_readBursts;
using testing::RtAppLinkTest;

constexpr double kYear = 365.25 * 86400.0;

double lf_seconds(Clock::UtcTime time) {
    return std::chrono::duration<double>(time.time_since_epoch()).count();
}

Clock::Duration lf_duration(double seconds) {
    return std::chrono::duration_cast<Clock::Duration>(std::chrono::duration<double>(seconds));
}

// The datagram with its time stamp (field 14) moved on by `seconds`.
std::string lf_movedStamp(const std::string& datagram, double seconds) {
    std::size_t start = 0;
    for (int field = 0; field < 14; ++field) {
        start = datagram.find(',', start) + 1;
    }
    const std::size_t end = datagram.find(',', start);
    const double stamp = std::stod(datagram.substr(start, end - start));
    return datagram.substr(0, start) + fmt::format("{:.1f}", stamp + seconds) +
           datagram.substr(end);
}

// One report stamped far from its round (a faulty sender on the App's network, a clock set
// wrong) is refused with a line in the log, and every other aircraft of the round plays when it
// would have played without it: 30 s after it was seen.
TEST_F(RtAppLinkTest, AReportStampedFarFromItsRoundIsRefusedAndMovesNoOtherAircraft) {
    SKYLOOM_REQUIRE_SHARED(file, "feed/recordings/KLAX_20200617_2152.csv");
    mailbox_.setDecoder(&decoder_);
    const std::vector<std::vector<CapturedRecord>> expected = gf_readBursts(file);
    const tools::Capture capture = tools::gf_readCapture(file, 125.0);
    const double clock = std::chrono::duration<double>(clock_.utcNow().time_since_epoch()).count();
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
            const std::string stray =
                testing::rttfcDatagram({{1, std::to_string(strayHexid)},
                                        {9, fmt::format("STRAY{}", i)},
                                        {14, fmt::format("{:.1f}", c.stamp(burst.time))}});
            burst.datagrams.insert(burst.datagrams.begin() + burst.datagrams.size() / 2, stray);
            faulty.bursts.push_back(std::move(burst));
            std::size_t strays = 0;
            genuine.push_back(gf_playedRecords(expected[i], strays));
            ASSERT_EQ(strays, 0u);
        }
        app.replay(faulty, 0.0, 0, [&](std::size_t index) {
            ++posted;
            ASSERT_TRUE(gf_eventually([&] { return mailbox_.counts().livePosts == posted; }));
            const std::vector<TrafficEntry> taken = takeAll();
            ASSERT_EQ(taken.size(), genuine[index].size()) << "round " << index;
            double newest = 0.0;
            for (const CapturedRecord& record : genuine[index]) {
                newest = std::max(newest, record.timestamp);
            }
            for (const TrafficEntry& entry : taken) {
                EXPECT_NE(entry.hexid, strayHexid);
                EXPECT_EQ(
                    entry.sample.time,
                    std::max(5000 + 3000 - std::lround(100.0 * (newest - entry.timestamp)), 5001L))
                    << "hexid " << entry.hexid << " of round " << index;
            }
        });
        EXPECT_EQ(link_->trafficReader().counts().rejected - rejectedBefore, kRounds);
        EXPECT_EQ(log_.linesWith(c.refusal).size() - refusedBefore, kRounds);
    }
    EXPECT_TRUE(failures_.empty());
}

// Lone reports stamped an hour to years after the feed's clock, or a year before it, make a
// batch of their own between two rounds, with no median to be judged by: the feed's clock,
// learned from the rounds, refuses them, and the rounds around them play whole, each aircraft
// 30 s after it was seen. A sender with six hex ids that sends between every round cannot move
// the clock: the capture's fifty aircraft keep reporting at it. A feed that moves as a whole (an
// hour back or on, every aircraft) is refused for its first round and followed from its second.
TEST_F(RtAppLinkTest, ReportsBetweenRoundsStampedOffTheFeedsClockAreRefused) {
    SKYLOOM_REQUIRE_SHARED(file, "feed/recordings/KLAX_20200617_2152.csv");
    mailbox_.setDecoder(&decoder_);
    const tools::Capture capture = tools::gf_readCapture(file, 125.0);
    tools::RtAppStandin& app = standin();
    connect(app);
    const auto counts = [&] { return link_->trafficReader().counts(); };

    // Plays the capture's next round with its stamps moved on by `shift`, the receiving clock
    // moving with the capture as when the App plays it; false when a record of it was refused.
    std::size_t next = 0;
    const auto playRound = [&](double shift) {
        if (next > 0) {
            clock_.advance(lf_duration(capture.bursts[next].time - capture.bursts[next - 1].time));
        }
        tools::CaptureBurst burst = capture.bursts[next++];
        for (std::string& datagram : burst.datagrams) {
            datagram = lf_movedStamp(datagram, shift);
        }
        const AppTrafficCounts before = counts();
        app.sendBurst(burst);
        EXPECT_TRUE(gf_eventually([&] { return counts().markers == before.markers + 1; }));
        const AppTrafficCounts after = counts();
        const std::vector<TrafficEntry> taken = takeAll();
        const std::uint64_t records = after.liveRecords - before.liveRecords;
        EXPECT_GT(records, 20u) << "round " << next - 1;
        if (after.rejected != before.rejected) {
            EXPECT_EQ(after.rejected - before.rejected, records) << "round " << next - 1;
            EXPECT_TRUE(taken.empty());
            return false;
        }
        EXPECT_EQ(taken.size(), records) << "round " << next - 1;
        double newest = 0.0;
        for (const TrafficEntry& entry : taken) {
            newest = std::max(newest, entry.timestamp);
        }
        for (const TrafficEntry& entry : taken) {
            EXPECT_EQ(
                entry.sample.time,
                std::max(5000 + 3000 - std::lround(100.0 * (newest - entry.timestamp)), 5001L))
                << "hexid " << entry.hexid << " of round " << next - 1;
        }
        return true;
    };
    // Sends datagrams between two rounds; once the reader's quiet gap has closed their batch,
    // true when every one of them was refused and nothing was posted.
    const auto sendBetweenRounds = [&](const std::vector<std::string>& datagrams) {
        const AppTrafficCounts before = counts();
        const std::uint64_t posts = mailbox_.counts().livePosts;
        for (const std::string& datagram : datagrams) {
            app.sendDatagram(datagram);
        }
        EXPECT_TRUE(gf_eventually(
            [&] { return counts().datagrams == before.datagrams + datagrams.size(); }));
        clock_.advance(AppTrafficAssembler::kBurstGap);
        return gf_eventually(
                   [&] { return counts().rejected == before.rejected + datagrams.size(); }) &&
               mailbox_.counts().livePosts == posts;
    };

    // The first rounds teach the reader the feed's clock.
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(playRound(0.0));
    }
    const char* const kAfter = "s after the feed's clock";
    struct Case {
        const char* label;
        std::vector<std::uint32_t> hexids;
        // The time stamp, from the newest time stamp of the round before.
        std::function<double(double)> stamp;
        const char* refusal;
        // Sent between this many pairs of rounds.
        int rounds = 1;
    };
    const Case cases[] = {
        {"an hour after", {16000001}, [](double round) { return round + 3600.0; }, kAfter},
        {"a day after", {16000002}, [](double round) { return round + 86400.0; }, kAfter},
        {"a year after", {16000003}, [](double round) { return round + kYear; }, kAfter},
        {"six years after, past the receiving clock too",
         {16000004},
         [](double round) { return round + 6.0 * kYear; },
         "s ahead of the clock"},
        {"stamped by the receiving clock",
         {16000005},
         [&](double) { return lf_seconds(clock_.utcNow()); },
         kAfter},
        {"a year before",
         {16000006},
         [](double round) { return round - kYear; },
         "s before the feed's clock"},
        {"two reports an hour after",
         {16000007, 16000008},
         [](double round) { return round + 3600.0; },
         kAfter},
        {"a sender with six hex ids, an hour after, again and again",
         {16000011, 16000012, 16000013, 16000014, 16000015, 16000016},
         [](double round) { return round + 3600.0; },
         kAfter,
         4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const std::size_t refusedBefore = log_.linesWith(c.refusal).size();
        for (int r = 0; r < c.rounds; ++r) {
            std::vector<std::string> datagrams;
            for (const std::uint32_t hexid : c.hexids) {
                datagrams.push_back(testing::rttfcDatagram(
                    {{1, std::to_string(hexid)},
                     {9, fmt::format("X{}", hexid % 1000)},
                     {14, fmt::format("{:.1f}", c.stamp(capture.bursts[next - 1].time))}}));
            }
            EXPECT_TRUE(sendBetweenRounds(datagrams)) << "time " << r;
            EXPECT_TRUE(playRound(0.0)) << "time " << r;
        }
        EXPECT_EQ(log_.linesWith(c.refusal).size() - refusedBefore,
                  c.hexids.size() * static_cast<std::size_t>(c.rounds));
    }

    // The whole feed moves an hour back (a time shift into the past), and on again.
    for (const double shift : {-3600.0, 0.0}) {
        EXPECT_FALSE(playRound(shift)) << "the first round at " << shift << " s";
        for (int i = 0; i < 2; ++i) {
            EXPECT_TRUE(playRound(shift)) << "round " << i + 2 << " at " << shift << " s";
        }
    }
    // A copy of an aircraft of the round stamped off the feed's clock, sent within the round
    // before or after the aircraft's own report, is refused alone and does not cut the round in
    // two (the mailbox would drop the first part when the second came before it was taken):
    // the round is one batch, every aircraft in it once, at its own stamp.
    for (const bool copyFirst : {true, false}) {
        for (const double ahead : {3600.0, 86400.0}) {
            SCOPED_TRACE(fmt::format("a copy {} s after, sent {} the aircraft's own report", ahead,
                                     copyFirst ? "before" : "after"));
            clock_.advance(lf_duration(capture.bursts[next].time - capture.bursts[next - 1].time));
            tools::CaptureBurst burst = capture.bursts[next++];
            std::set<std::string> hexids;
            for (const std::string& datagram : burst.datagrams) {
                hexids.insert(datagram.substr(0, datagram.find(',', datagram.find(',') + 1)));
            }
            const std::size_t at = burst.datagrams.size() / 2;
            const std::string& own = burst.datagrams[at];
            const std::size_t hexidAt = own.find(',') + 1;
            const std::uint32_t copied = static_cast<std::uint32_t>(
                std::stoul(own.substr(hexidAt, own.find(',', hexidAt) - hexidAt)));
            const std::string copy = lf_movedStamp(own, ahead);
            burst.datagrams.insert(burst.datagrams.begin() +
                                       static_cast<std::ptrdiff_t>(copyFirst ? at : at + 1),
                                   copy);
            const AppTrafficCounts before = counts();
            const std::uint64_t posts = mailbox_.counts().livePosts;
            app.sendBurst(burst);
            ASSERT_TRUE(gf_eventually([&] { return counts().markers == before.markers + 1; }));
            EXPECT_EQ(mailbox_.counts().livePosts, posts + 1);
            EXPECT_EQ(counts().rejected, before.rejected + 1);
            const std::vector<TrafficEntry> taken = takeAll();
            // A datagram that repeats its aircraft's last one is dropped, as without the copy.
            EXPECT_EQ(taken.size(), hexids.size() - (counts().duplicates - before.duplicates));
            std::set<std::uint32_t> takenHexids;
            for (const TrafficEntry& entry : taken) {
                takenHexids.insert(entry.hexid);
                if (entry.hexid == copied) {
                    EXPECT_LT(entry.timestamp, capture.bursts[next - 1].time + 60.0);
                }
            }
            EXPECT_EQ(takenHexids.size(), taken.size());
            EXPECT_TRUE(takenHexids.contains(copied));
        }
    }
    EXPECT_TRUE(failures_.empty());
}

} // namespace
} // namespace skyloom

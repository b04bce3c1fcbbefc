#include "traffic/step/traffic_mailbox.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <set>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "foundation/manual_clock.h"
#include "runtime/stop_request.h"
#include "tests/support/log_capture.h"
#include "tests/support/recording_decoder.h"

namespace skyloom {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::SizeIs;

// Entries numbered by their hexid; the time stamp says which batch they came in.
std::vector<TrafficEntry> lf_batch(std::uint32_t firstHexid, std::size_t count,
                                   double timestamp = 1.7e9) {
    std::vector<TrafficEntry> batch(count);
    for (std::size_t i = 0; i < count; ++i) {
        batch[i].hexid = firstHexid + static_cast<std::uint32_t>(i);
        batch[i].timestamp = timestamp;
    }
    return batch;
}

std::vector<std::uint32_t> lf_hexids(const std::vector<TrafficEntry>& entries) {
    std::vector<std::uint32_t> hexids;
    for (const TrafficEntry& entry : entries) {
        hexids.push_back(entry.hexid);
    }
    return hexids;
}

class TrafficMailboxTest : public ::testing::Test {
protected:
    void SetUp() override {
        mailbox_.setDecoder(&decoder_);
        mailbox_.enable(true);
    }

    TrafficPostOutcome postLive(std::vector<TrafficEntry> batch, bool dropWhenOff = true) {
        const TrafficPostOutcome outcome =
            mailbox_.post(batch, TrafficBatchKind::live, 30, dropWhenOff);
        EXPECT_THAT(batch, IsEmpty()) << "a post always leaves the caller's batch empty";
        return outcome;
    }

    testing::LogCapture log_;
    ManualClock clock_;
    StopControl stop_;
    std::atomic<std::uint32_t> tick_{1000};
    TrafficMailbox mailbox_{clock_, stop_, tick_};
    testing::RecordingDecoder decoder_;
};

// A batch that comes while one is pending replaces what it reports anew, in its place, and
// keeps the rest where the take comes first: its own new aircraft come after them.
TEST_F(TrafficMailboxTest, ANewerLiveBatchTakesThePlaceOfWhatItReportsAnewAndKeepsTheRest) {
    EXPECT_EQ(postLive(lf_batch(100, 4)), TrafficPostOutcome{});
    EXPECT_EQ(mailbox_.replacedCount(), 0u);
    EXPECT_EQ(mailbox_.takeTrafficBatches(), 2u); // 103 and 102
    // 101 and 100 wait; 100 is reported anew, 200 and 201 come new.
    std::vector<TrafficEntry> second = lf_batch(200, 2, 1.7e9 + 10);
    second.insert(second.begin() + 1, lf_batch(100, 1, 1.7e9 + 10).front());
    EXPECT_EQ(postLive(second), (TrafficPostOutcome{.metPending = true, .superseded = 1}));
    EXPECT_EQ(mailbox_.replacedCount(), 1u);
    EXPECT_THAT(lf_hexids(mailbox_.pendingBatch()), ElementsAre(200, 201, 100, 101));
    EXPECT_EQ(mailbox_.pendingBatch()[2].timestamp, 1.7e9 + 10) << "the newer report";
    // Nothing in common: everything stays, the older first.
    EXPECT_EQ(postLive(lf_batch(300, 2)), (TrafficPostOutcome{.metPending = true}));
    EXPECT_EQ(mailbox_.replacedCount(), 2u);
    while (mailbox_.takeTrafficBatches() > 0) {
    }
    EXPECT_THAT(lf_hexids(decoder_.entries()), ElementsAre(103, 102, 101, 100, 201, 200, 301, 300));
    EXPECT_EQ(mailbox_.counts().mergedBatches, 2u);
    EXPECT_EQ(mailbox_.counts().entriesSuperseded, 1u);
    EXPECT_EQ(mailbox_.counts().entriesDropped, 0u);
    EXPECT_FALSE(stop_.stopRequested());
}

// Rounds larger than the take between two rounds: the aircraft a round did not reach come first
// in the next, so every aircraft is taken at least every other round, however the round is
// ordered; the first aircraft of the round no longer lose every round.
TEST_F(TrafficMailboxTest, InRoundsLargerThanTheTakeEveryAircraftTakesItsTurn) {
    struct RoundCase {
        std::size_t aircraft;
        std::size_t stepsBetweenRounds;
    };
    for (const RoundCase c : {RoundCase{1000, 300}, RoundCase{700, 200}, RoundCase{2500, 1000}}) {
        SCOPED_TRACE(c.aircraft);
        TrafficMailbox mailbox(clock_, stop_, tick_);
        testing::RecordingDecoder decoder;
        mailbox.setDecoder(&decoder);
        mailbox.enable(true);
        std::map<std::uint32_t, int> lastTaken;
        for (int round = 0; round < 12; ++round) {
            std::vector<TrafficEntry> batch = lf_batch(20000, c.aircraft, 1.7e9 + round);
            mailbox.post(batch, TrafficBatchKind::live, 30, true);
            for (std::size_t step = 0; step < c.stepsBetweenRounds; ++step) {
                mailbox.takeTrafficBatches();
            }
            for (const TrafficEntry& entry : decoder.entries()) {
                lastTaken[entry.hexid] = round;
            }
            decoder.clear();
            if (round == 0) {
                continue;
            }
            for (std::uint32_t hexid = 20000; hexid < 20000 + c.aircraft; ++hexid) {
                ASSERT_TRUE(lastTaken.contains(hexid) && round - lastTaken[hexid] <= 1)
                    << hexid << " not taken in rounds " << round - 1 << " and " << round;
            }
        }
        // What the take did not reach, a newer report replaced: no aircraft went without.
        EXPECT_EQ(mailbox.counts().entriesSuperseded, mailbox.counts().livePosts * c.aircraft -
                                                          mailbox.counts().entriesTaken -
                                                          mailbox.pendingCount());
        EXPECT_EQ(mailbox.counts().entriesDropped, 0u);
    }
}

// A flood of made-up aircraft cannot grow the mailbox for good: what the take comes to last
// goes, counted.
TEST_F(TrafficMailboxTest, AtMostItsLimitWaits) {
    constexpr std::size_t kMax = TrafficMailbox::kMaxPendingEntries;
    EXPECT_EQ(postLive(lf_batch(20000, kMax + 3)).dropped, 3u);
    EXPECT_EQ(mailbox_.pendingCount(), kMax);
    EXPECT_EQ(mailbox_.pendingBatch().front().hexid, 20003u);
    mailbox_.takeTrafficBatches();
    EXPECT_EQ(postLive(lf_batch(100000, 10)),
              (TrafficPostOutcome{.metPending = true, .dropped = 8}));
    EXPECT_THAT(lf_hexids(mailbox_.pendingBatch()), ::testing::Contains(100009u));
    EXPECT_EQ(mailbox_.pendingCount(), kMax);
    EXPECT_EQ(mailbox_.counts().entriesDropped, 11u);
}

TEST_F(TrafficMailboxTest, TakesTwoEntriesPerStepFromTheBack) {
    postLive(lf_batch(1, 5));
    EXPECT_EQ(mailbox_.takeTrafficBatches(), 2u);
    EXPECT_THAT(lf_hexids(decoder_.entries()), ElementsAre(5, 4));
    EXPECT_EQ(mailbox_.takeTrafficBatches(), 2u);
    EXPECT_EQ(mailbox_.takeTrafficBatches(), 1u);
    EXPECT_EQ(mailbox_.takeTrafficBatches(), 0u);
    EXPECT_THAT(lf_hexids(decoder_.entries()), ElementsAre(5, 4, 3, 2, 1));
    EXPECT_EQ(mailbox_.counts().entriesTaken, 5u);
}

TEST_F(TrafficMailboxTest, LiveEntriesGetTheirTimeOffsetsWhenPosted) {
    std::vector<TrafficEntry> batch = lf_batch(1, 2);
    batch[0].timestamp = 1700000000.0;
    batch[1].timestamp = 1700000004.5;
    postLive(batch);
    const std::vector<TrafficEntry> pending = mailbox_.pendingBatch();
    ASSERT_THAT(pending, SizeIs(2));
    EXPECT_EQ(pending[1].sample.time, 1000 + 3000);
    EXPECT_EQ(pending[0].sample.time, 1000 + 3000 - 450);
}

TEST_F(TrafficMailboxTest, TheStallComesAtExactlySixtySecondsAfterTheFirstReplacement) {
    postLive(lf_batch(1, 3)); // pending, nothing replaced yet
    clock_.advance(seconds{1});
    postLive(lf_batch(10, 2)); // the stall timer starts here
    clock_.advance(seconds{60} - milliseconds{1});
    postLive(lf_batch(20, 2)); // 59.999 s: not yet
    EXPECT_FALSE(stop_.stopRequested());
    EXPECT_TRUE(mailbox_.deliveryEnabled());

    clock_.advance(milliseconds{1});
    // Exactly 60 s: the stall; the three batches before it all wait, none shares an aircraft.
    EXPECT_EQ(postLive(lf_batch(30, 7)).dropped, 7u + 7u);
    EXPECT_EQ(stop_.current().reason, StopReason::trafficMailboxStalled);
    EXPECT_EQ(stop_.current().detail, 0);
    EXPECT_FALSE(mailbox_.deliveryEnabled());
    EXPECT_TRUE(mailbox_.stalledForGood());
    EXPECT_EQ(mailbox_.pendingCount(), 0u) << "the pending entries are destroyed";
    EXPECT_THAT(log_.linesWith("Traffic mailbox stalled"),
                ElementsAre("==> Traffic mailbox stalled: no messages consumed for 1 minute; 3 "
                            "batches replaced, 7 pending and 7 incoming messages. Stopping "
                            "traffic delivery and requesting shutdown."));

    // Later posts are dropped; the stall is reported once; delivery stays off for good.
    clock_.advance(seconds{5});
    postLive(lf_batch(40, 1));
    postLive(lf_batch(50, 1), false);
    EXPECT_EQ(mailbox_.pendingCount(), 0u);
    EXPECT_THAT(log_.linesWith("Traffic mailbox stalled"), SizeIs(1));
    mailbox_.enable(true);
    EXPECT_FALSE(mailbox_.deliveryEnabled());
}

TEST_F(TrafficMailboxTest, TakingAnEntryRestartsTheStallTimer) {
    postLive(lf_batch(1, 3));
    postLive(lf_batch(10, 3)); // timer starts
    clock_.advance(seconds{59});
    EXPECT_EQ(mailbox_.takeTrafficBatches(), 2u);
    EXPECT_EQ(mailbox_.replacedCount(), 0u);
    postLive(lf_batch(20, 3)); // timer starts again here
    clock_.advance(seconds{59});
    postLive(lf_batch(30, 3));
    EXPECT_FALSE(stop_.stopRequested());
    EXPECT_EQ(mailbox_.replacedCount(), 2u);
    clock_.advance(seconds{1});
    postLive(lf_batch(40, 3));
    EXPECT_TRUE(stop_.stopRequested());
}

TEST_F(TrafficMailboxTest, AnEmptyMailboxNeverStalls) {
    for (int i = 0; i < 5; ++i) {
        postLive(lf_batch(static_cast<std::uint32_t>(i * 10), 1));
        while (mailbox_.takeTrafficBatches() > 0) {
        }
        clock_.advance(seconds{30});
    }
    EXPECT_FALSE(stop_.stopRequested());
}

TEST_F(TrafficMailboxTest, DeliveryOffDropsOrDestroysLiveBatches) {
    mailbox_.enable(false);
    // The App reader's batch is destroyed before its time offsets are set.
    postLive(lf_batch(1, 2), true);
    // The web API reader's batch gets its offsets, then is destroyed too: nothing is pending.
    postLive(lf_batch(5, 2), false);
    EXPECT_EQ(mailbox_.pendingCount(), 0u);
    EXPECT_EQ(mailbox_.counts().droppedBatches, 2u);
    EXPECT_EQ(mailbox_.counts().livePosts, 2u);

    mailbox_.enable(true);
    postLive(lf_batch(9, 1));
    EXPECT_EQ(mailbox_.pendingCount(), 1u);
}

TEST_F(TrafficMailboxTest, PostsWhileDeliveryIsOffNeverCountTowardsTheStall) {
    postLive(lf_batch(1, 3)); // pending when delivery goes off
    mailbox_.enable(false);
    for (int i = 0; i < 60; ++i) {
        clock_.advance(seconds{2});
        postLive(lf_batch(static_cast<std::uint32_t>(100 + i), 2), i % 2 == 0);
    }
    EXPECT_FALSE(stop_.stopRequested());
    EXPECT_EQ(mailbox_.replacedCount(), 0u);
    EXPECT_EQ(mailbox_.counts().mergedBatches, 0u);
    EXPECT_EQ(mailbox_.counts().droppedBatches, 60u);
    EXPECT_THAT(lf_hexids(mailbox_.pendingBatch()), ElementsAre(1, 2, 3));

    // Back on, the minute counts from the first post that finds the old batch pending.
    mailbox_.enable(true);
    postLive(lf_batch(200, 1));
    clock_.advance(seconds{59});
    postLive(lf_batch(210, 1));
    EXPECT_FALSE(stop_.stopRequested());
    clock_.advance(seconds{1});
    postLive(lf_batch(220, 1));
    EXPECT_EQ(stop_.current().reason, StopReason::trafficMailboxStalled);
}

TEST_F(TrafficMailboxTest, AnEmptyBatchIsIgnored) {
    postLive({});
    EXPECT_EQ(mailbox_.counts(), TrafficMailboxCounts{});
}

TEST_F(TrafficMailboxTest, BufferedBatchesGoToTheDecoderAtTheNextTakeWhateverTheDelivery) {
    mailbox_.enable(false);
    std::vector<TrafficEntry> batch = lf_batch(70, 3);
    mailbox_.post(batch, TrafficBatchKind::buffered, 12, false);
    EXPECT_THAT(batch, IsEmpty());
    EXPECT_THAT(decoder_.entries(), IsEmpty()) << "no decode on the posting thread";
    EXPECT_EQ(mailbox_.takeTrafficBatches(), 0u) << "no live entry taken";
    EXPECT_THAT(lf_hexids(decoder_.entries()), ElementsAre(70, 71, 72)) << "in vector order";
    EXPECT_EQ(decoder_.entries()[0].sample.time, 1000 + 1200);
    EXPECT_EQ(mailbox_.pendingCount(), 0u);
    EXPECT_EQ(mailbox_.counts().bufferedEntriesDecoded, 3u);
}

TEST_F(TrafficMailboxTest, TheFlagNotTheBaseTellsBufferedFromLive) {
    std::vector<TrafficEntry> buffered = lf_batch(1, 2);
    mailbox_.post(buffered, TrafficBatchKind::buffered, 30, false);
    mailbox_.takeTrafficBatches();
    EXPECT_THAT(decoder_.entries(), SizeIs(2));
    EXPECT_EQ(mailbox_.pendingCount(), 0u);

    std::vector<TrafficEntry> live = lf_batch(5, 2);
    mailbox_.post(live, TrafficBatchKind::live, 6, true);
    EXPECT_EQ(mailbox_.pendingCount(), 2u);
    EXPECT_EQ(mailbox_.pendingBatch()[0].sample.time, 1000 + 600);
}

TEST_F(TrafficMailboxTest, BufferedBatchesWaitInOrderUntilADecoderIsInstalled) {
    TrafficMailbox mailbox(clock_, stop_, tick_);
    std::vector<TrafficEntry> first = lf_batch(1, 2);
    std::vector<TrafficEntry> second = lf_batch(10, 1);
    mailbox.post(first, TrafficBatchKind::buffered, 6, false);
    mailbox.post(second, TrafficBatchKind::buffered, 12, false);
    ASSERT_THAT(mailbox.waitingBufferedBatches(), SizeIs(2));
    EXPECT_EQ(mailbox.waitingBufferedBatches()[1][0].sample.time, 1000 + 1200);

    testing::RecordingDecoder decoder;
    mailbox.setDecoder(&decoder);
    mailbox.takeTrafficBatches();
    EXPECT_THAT(lf_hexids(decoder.entries()), ElementsAre(1, 2, 10));
    EXPECT_THAT(mailbox.waitingBufferedBatches(), IsEmpty());

    std::vector<TrafficEntry> third = lf_batch(20, 1);
    mailbox.post(third, TrafficBatchKind::buffered, 18, false);
    mailbox.takeTrafficBatches();
    EXPECT_THAT(lf_hexids(decoder.entries()), ElementsAre(1, 2, 10, 20));
}

TEST_F(TrafficMailboxTest, TheResetClearsTheStallForTheNextRun) {
    postLive(lf_batch(1, 1));
    postLive(lf_batch(2, 1));
    clock_.advance(seconds{60});
    postLive(lf_batch(3, 1));
    ASSERT_TRUE(mailbox_.stalledForGood());

    mailbox_.reset();
    EXPECT_FALSE(mailbox_.stalledForGood());
    EXPECT_FALSE(mailbox_.deliveryEnabled());
    mailbox_.enable(true);
    EXPECT_TRUE(mailbox_.deliveryEnabled());
    postLive(lf_batch(5, 1));
    EXPECT_EQ(mailbox_.pendingCount(), 1u);
}

// Whoever sees a post counted finds its batch there to take, however the post's merge and the
// take interleave (a test that waits on the count, as the feed's replay tests do).
TEST(TrafficMailboxStressTest, APostCountedIsThereToTake) {
    ManualClock clock;
    StopControl stop;
    std::atomic<std::uint32_t> tick{0};
    TrafficMailbox mailbox(clock, stop, tick);
    testing::RecordingDecoder decoder;
    mailbox.setDecoder(&decoder);
    mailbox.enable(true);

    constexpr std::uint32_t kBatches = 500;
    constexpr std::uint32_t kPerBatch = 400;
    std::atomic<std::uint32_t> takenBatches{0};
    std::thread reader([&] {
        for (std::uint32_t b = 0; b < kBatches; ++b) {
            std::vector<TrafficEntry> batch = lf_batch(b * 1000, kPerBatch, b);
            mailbox.post(batch, TrafficBatchKind::live, 30, true);
            while (takenBatches.load() <= b) {
                std::this_thread::yield();
            }
        }
    });
    for (std::uint32_t b = 0; b < kBatches; ++b) {
        while (mailbox.counts().livePosts <= b) {
            std::this_thread::yield();
        }
        EXPECT_EQ(mailbox.pendingCount(), kPerBatch) << "batch " << b;
        while (mailbox.takeTrafficBatches() > 0) {
        }
        tick.fetch_add(1);
        takenBatches.store(b + 1);
    }
    reader.join();
}

// A reader posts numbered batches while the main thread takes entries: every entry is either
// decoded once or dropped (beyond the mailbox's limit), and within one batch they come newest
// first, an earlier batch before a later one.
TEST(TrafficMailboxStressTest, AReaderPostsWhileTheMainThreadTakes) {
    ManualClock clock;
    StopControl stop;
    std::atomic<std::uint32_t> tick{0};
    TrafficMailbox mailbox(clock, stop, tick);
    testing::RecordingDecoder decoder;
    mailbox.setDecoder(&decoder);
    mailbox.enable(true);

    constexpr std::uint32_t kBatches = 2000;
    constexpr std::uint32_t kPerBatch = 7;
    std::atomic<bool> done{false};
    std::thread reader([&] {
        for (std::uint32_t b = 0; b < kBatches; ++b) {
            std::vector<TrafficEntry> batch = lf_batch(b * 100, kPerBatch, b);
            mailbox.post(batch, TrafficBatchKind::live, 30, true);
            if (b % 50 == 0) {
                std::vector<TrafficEntry> buffered = lf_batch(b * 100 + 50, 1, b);
                mailbox.post(buffered, TrafficBatchKind::buffered, 6, false);
            }
        }
        done.store(true);
    });
    std::uint64_t taken = 0;
    while (!done.load() || mailbox.pendingCount() > 0) {
        taken += mailbox.takeTrafficBatches();
        tick.fetch_add(1);
    }
    reader.join();
    taken += mailbox.takeTrafficBatches(); // the buffered batches posted last

    const std::vector<TrafficEntry> decoded = decoder.entries();
    const TrafficMailboxCounts counts = mailbox.counts();
    EXPECT_EQ(counts.entriesTaken, taken);
    EXPECT_EQ(counts.livePosts, kBatches);
    EXPECT_EQ(taken + counts.entriesSuperseded + counts.entriesDropped, kBatches * kPerBatch)
        << "every live entry taken or counted";
    EXPECT_EQ(counts.bufferedEntriesDecoded, kBatches / 50);
    EXPECT_EQ(decoded.size(), taken + kBatches / 50);
    EXPECT_FALSE(stop.stopRequested());

    std::set<std::uint32_t> seen;
    std::uint32_t lastLive = 0;
    bool haveLast = false;
    for (const TrafficEntry& entry : decoded) {
        EXPECT_TRUE(seen.insert(entry.hexid).second) << "decoded twice: " << entry.hexid;
        if (entry.hexid % 100 >= 50) {
            continue; // buffered
        }
        // Live entries of one batch come from the back; a later batch never goes before an
        // earlier one.
        if (haveLast) {
            const std::uint32_t batch = entry.hexid / 100;
            const std::uint32_t lastBatch = lastLive / 100;
            EXPECT_GE(batch, lastBatch);
            if (batch == lastBatch) {
                EXPECT_LT(entry.hexid, lastLive);
            }
        }
        lastLive = entry.hexid;
        haveLast = true;
    }
}

} // namespace
} // namespace skyloom

#include "feed/app_traffic_assembler.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <vector>

#include <fmt/format.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "feed/feed_fields.h"
#include "feed/feed_identities.h"
#include "feed/parked_traffic.h"
#include "foundation/manual_clock.h"
#include "runtime/stop_request.h"
#include "tests/feed/support/app_feed_support.h"

namespace skyloom {
namespace {

using std::chrono::milliseconds;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::SizeIs;

// A record of the App's round `round` (rounds 10 s apart: each round's report is new).
std::string lf_record(std::uint32_t hexid, const std::string& callsign,
                      const std::string& type = "RTTFC", int round = 0) {
    std::string datagram =
        testing::rttfcDatagram({{1, std::to_string(hexid)},
                                {9, callsign},
                                {14, fmt::format("{:.1f}", 1645144889.8 + 10.0 * round)}});
    return type + datagram.substr(5);
}

std::vector<std::uint32_t> lf_hexids(const std::vector<TrafficEntry>& entries) {
    std::vector<std::uint32_t> hexids;
    for (const TrafficEntry& entry : entries) {
        hexids.push_back(entry.hexid);
    }
    return hexids;
}

// Posts into the mailbox as the program's reader does.
TrafficBatchPost lf_postTo(TrafficMailbox& mailbox) {
    return [&mailbox](std::vector<TrafficEntry>& batch, TrafficBatchKind kind, std::uint32_t base,
                      bool dropWhenOff) { return mailbox.post(batch, kind, base, dropWhenOff); };
}

class AppTrafficAssemblerTest : public ::testing::Test {
protected:
    void feed(const std::string& datagram) {
        assembler_.handleDatagram(datagram, clock_.steadyNow(), clock_.utcNow());
    }

    testing::LogCapture log_;
    ManualClock clock_;
    testing::BatchRecorder recorder_;
    FeedIdentities identities_;
    ParkedTrafficList parked_;
    AppTrafficAssembler assembler_{"Traffic Reader", {recorder_.post(), &identities_, &parked_}};
};

TEST_F(AppTrafficAssemblerTest, TheEndMarkerPostsTheLiveBatch) {
    feed(lf_record(20001, "AAA1"));
    feed(lf_record(20002, "BBB2"));
    EXPECT_EQ(recorder_.count(), 0u);
    feed("RTTFC_EOT");
    ASSERT_EQ(recorder_.count(), 1u);
    const testing::PostedBatch batch = recorder_.batches()[0];
    EXPECT_THAT(lf_hexids(batch.entries), ElementsAre(20001, 20002));
    EXPECT_EQ(batch.kind, TrafficBatchKind::live);
    EXPECT_EQ(batch.offsetBase, 30u);
    EXPECT_TRUE(batch.dropWhenOff);
    // A marker without records posts nothing.
    feed("RTTFC_EOT");
    EXPECT_EQ(recorder_.count(), 1u);
}

TEST_F(AppTrafficAssemblerTest, WithoutEndMarkersAQuietGapEndsTheBurst) {
    feed(lf_record(20001, "AAA1"));
    clock_.advance(milliseconds{600});
    feed(lf_record(20002, "BBB2"));
    clock_.advance(AppTrafficAssembler::kBurstGap - milliseconds{1});
    assembler_.tick(clock_.steadyNow());
    EXPECT_EQ(recorder_.count(), 0u);
    clock_.advance(milliseconds{1});
    assembler_.tick(clock_.steadyNow());
    ASSERT_EQ(recorder_.count(), 1u);
    EXPECT_THAT(lf_hexids(recorder_.batches()[0].entries), ElementsAre(20001, 20002));
}

// An App that sends its records evenly, never pausing for a second, and without end markers: a
// round ends where an aircraft of it reports again, kBurstGap or more after the round began.
TEST_F(AppTrafficAssemblerTest, ARepeatedHexidStartsTheNextLiveBatch) {
    for (int round = 0; round < 3; ++round) {
        for (std::uint32_t hexid : {20001u, 20002u, 20003u}) {
            feed(lf_record(hexid, "AAA1", "RTTFC", round));
            clock_.advance(milliseconds{700});
            assembler_.tick(clock_.steadyNow());
        }
    }
    // Each round went when the next one began; the last one waits for its end.
    const std::vector<testing::PostedBatch> batches = recorder_.batches();
    ASSERT_THAT(batches, SizeIs(2));
    for (const testing::PostedBatch& batch : batches) {
        EXPECT_THAT(lf_hexids(batch.entries), ElementsAre(20001, 20002, 20003));
        EXPECT_EQ(batch.kind, TrafficBatchKind::live);
    }
    EXPECT_EQ(assembler_.liveWaiting(), 3u);
    EXPECT_EQ(assembler_.counts().liveRecords, 9u);
    EXPECT_EQ(assembler_.counts().liveBatches, 2u);
}

// A second sender on the App's network, or an App that sends an aircraft twice: a report of an
// aircraft that a round younger than kBurstGap holds keeps the round whole (cut in two, its
// first part would go as a batch of its own); the newer of the two reports stays in it.
TEST_F(AppTrafficAssemblerTest, ARepeatInAYoungRoundKeepsTheRoundWhole) {
    feed(lf_record(20002, "BBB2", "RTTFC", 1)); // a copy, sent just before the round
    clock_.advance(milliseconds{300});
    feed(lf_record(20001, "AAA1", "RTTFC", 1));
    feed(lf_record(20002, "BBB2", "RTTFC", 2)); // newer: takes the copy's place
    feed(lf_record(20003, "CCC3", "RTTFC", 1));
    feed(lf_record(20003, "CCC3", "RTTFC", 0)); // older: gives way
    feed("RTTFC_EOT");
    ASSERT_EQ(recorder_.count(), 1u);
    const std::vector<TrafficEntry> round = recorder_.batches()[0].entries;
    EXPECT_THAT(lf_hexids(round), ElementsAre(20002, 20001, 20003));
    EXPECT_EQ(round[0].timestamp, 1645144889.8 + 20.0);
    EXPECT_EQ(round[2].timestamp, 1645144889.8 + 10.0);
    EXPECT_EQ(assembler_.counts().repeatsInRound, 2u);
    EXPECT_EQ(assembler_.counts().liveRecords, 5u);
    EXPECT_EQ(assembler_.receipts().records(), 3u);

    // Just under kBurstGap after the round began it still holds; at it the next round begins.
    feed(lf_record(20001, "AAA1", "RTTFC", 2));
    clock_.advance(AppTrafficAssembler::kBurstGap - milliseconds{1});
    feed(lf_record(20001, "AAA1", "RTTFC", 3));
    clock_.advance(milliseconds{1});
    feed(lf_record(20001, "AAA1", "RTTFC", 4));
    ASSERT_EQ(recorder_.count(), 2u);
    ASSERT_THAT(recorder_.batches()[1].entries, SizeIs(1));
    EXPECT_EQ(recorder_.batches()[1].entries[0].timestamp, 1645144889.8 + 30.0);
    EXPECT_EQ(assembler_.liveWaiting(), 1u);
}

TEST_F(AppTrafficAssemblerTest, ALiveBatchGoesAtItsLargestSize) {
    constexpr std::size_t kMax = AppTrafficAssembler::kMaxLiveBatchEntries;
    for (std::uint32_t i = 0; i < kMax + 5; ++i) {
        feed(lf_record(100000 + i, "AAA1"));
    }
    ASSERT_EQ(recorder_.count(), 1u);
    const std::vector<TrafficEntry> full = recorder_.batches()[0].entries;
    ASSERT_EQ(full.size(), kMax);
    EXPECT_EQ(full.front().hexid, 100000u);
    EXPECT_EQ(full.back().hexid, 100000u + kMax - 1);
    EXPECT_EQ(assembler_.liveWaiting(), 5u);
    // The hexids of the batch that went may come again in the next one.
    feed(lf_record(100000, "AAA1", "RTTFC", 1));
    EXPECT_EQ(recorder_.count(), 1u);
    feed("RTTFC_EOT");
    ASSERT_EQ(recorder_.count(), 2u);
    EXPECT_EQ(recorder_.batches()[1].entries.size(), 6u);
}

TEST_F(AppTrafficAssemblerTest, MalformedDatagramsAreLoggedAndLoseNothingElse) {
    const std::string good = lf_record(20003, "CCC3");
    feed(lf_record(20001, "AAA1"));
    feed(good.substr(0, 40)); // truncated
    feed(good + ",1,2");      // extra fields
    feed(lf_record(20004, "D\x01"
                          "D4"));                               // binary in a field
    feed(testing::rttfcDatagram({{1, "20005"}, {4, "FL350"}})); // non-numeric
    feed(good + std::string(5000, '9'));                        // huge
    feed(lf_record(170, "STAT1"));                              // a static aircraft: not an error
    feed(good);
    feed("RTTFC_EOT");

    ASSERT_EQ(recorder_.count(), 1u);
    EXPECT_THAT(lf_hexids(recorder_.batches()[0].entries), ElementsAre(20001, 20003));
    const AppTrafficCounts counts = assembler_.counts();
    EXPECT_EQ(counts.rejected, 5u);
    EXPECT_EQ(counts.staticRecords, 1u);
    EXPECT_EQ(counts.liveRecords, 2u);
    EXPECT_EQ(counts.datagrams, 9u);
    const std::vector<std::string> lines = log_.linesWith("Traffic Reader: datagram rejected: ");
    ASSERT_THAT(lines, SizeIs(5));
    EXPECT_THAT(lines[0], HasSubstr("has 6 fields"));
    EXPECT_THAT(lines[1], HasSubstr("46 fields"));
    EXPECT_THAT(lines[2], HasSubstr("byte 0x01"));
    EXPECT_THAT(lines[3], HasSubstr("altitude 'FL350' is not a number"));
    EXPECT_THAT(lines[4], HasSubstr("bytes is too long"));
    EXPECT_TRUE(lines[0].starts_with("==> "));
}

TEST_F(AppTrafficAssemblerTest, ADatagramCutShortByTheReceiveBufferIsRejected) {
    const std::string good = lf_record(20001, "AAA1");
    assembler_.handleDatagram(good, clock_.steadyNow(), clock_.utcNow(), 70000);
    EXPECT_EQ(assembler_.counts().rejected, 1u);
    EXPECT_EQ(assembler_.liveWaiting(), 0u);
    EXPECT_THAT(log_.linesWith("datagram of 70000 bytes is too long"), SizeIs(1));
}

TEST_F(AppTrafficAssemblerTest, RejectionLinesStopAtTheirLimit) {
    for (int i = 0; i < 150; ++i) {
        feed("garbage,1");
    }
    EXPECT_EQ(assembler_.counts().rejected, 150u);
    EXPECT_THAT(log_.linesWith("datagram rejected"),
                SizeIs(RejectedDatagramLog::kMaxLoggedRejections));
    EXPECT_THAT(log_.linesWith("further rejected datagrams are counted"), SizeIs(1));
}

// Beyond the limit of logged lines the rejected datagrams are only counted: the count goes to
// the log with the minute's line of what was received, and again when the reader stops, each
// time it changed.
TEST_F(AppTrafficAssemblerTest, TheCountOfRejectedDatagramsIsLoggedEachMinuteAndAtTheStop) {
    struct Case {
        const char* label;
        int rejectedInTheMinute;
        int rejectedBeforeTheStop;
    };
    for (const Case& c : {Case{"a few", 3, 2}, Case{"beyond the logged limit", 150, 30},
                          Case{"none after the minute's line", 120, 0}}) {
        SCOPED_TRACE(c.label);
        testing::LogCapture log;
        AppTrafficAssembler assembler{"Traffic Reader", {recorder_.post(), nullptr, nullptr}};
        const auto garbage = [&](int count) {
            for (int i = 0; i < count; ++i) {
                assembler.handleDatagram("garbage,1", clock_.steadyNow(), clock_.utcNow());
            }
        };
        assembler.tick(clock_.steadyNow());
        garbage(c.rejectedInTheMinute);
        assembler.handleDatagram(lf_record(20001, "AAA1"), clock_.steadyNow(), clock_.utcNow());
        clock_.advance(FeedReceipts::kLogEvery);
        assembler.tick(clock_.steadyNow());
        const int minute = c.rejectedInTheMinute;
        EXPECT_THAT(log.linesWith("received so far"), SizeIs(1));
        EXPECT_THAT(
            log.linesWith(fmt::format("Traffic Reader: {} datagrams rejected so far", minute)),
            SizeIs(1));
        garbage(c.rejectedBeforeTheStop);
        assembler.logReceipts();
        const int total = minute + c.rejectedBeforeTheStop;
        EXPECT_THAT(log.linesWith("rejected so far"), SizeIs(total == minute ? 1 : 2));
        EXPECT_THAT(
            log.linesWith(fmt::format("Traffic Reader: {} datagrams rejected so far", total)),
            SizeIs(1));
        EXPECT_THAT(
            log.linesWith("datagram rejected: "),
            SizeIs(std::min<std::size_t>(total, RejectedDatagramLog::kMaxLoggedRejections)));
        EXPECT_THAT(log.linesWith("further rejected datagrams are counted"),
                    SizeIs(total >= 100 ? 1 : 0));
    }
}

TEST_F(AppTrafficAssemblerTest, BufferedSnapshotsArePostedOldestFirstWithGrowingDelays) {
    assembler_.bufferRequested();
    feed(lf_record(30001, "AAA1", "RTBUF=0"));
    feed(lf_record(30002, "BBB2", "RTBUF=0"));
    feed("RTBUF_SEP");
    feed(lf_record(20001, "LIVE1")); // live records go on meanwhile
    feed("RTBUF_SEP");               // an empty snapshot still counts
    feed(lf_record(30003, "CCC3", "RTBUF=2"));
    EXPECT_FALSE(assembler_.bufferedDone());
    feed("RTBUF_EOT");
    EXPECT_TRUE(assembler_.bufferedDone());
    feed("RTTFC_EOT");

    const std::vector<testing::PostedBatch> batches = recorder_.batches();
    ASSERT_THAT(batches, SizeIs(3));
    EXPECT_EQ(batches[0].kind, TrafficBatchKind::buffered);
    EXPECT_EQ(batches[0].offsetBase, 0u);
    EXPECT_THAT(lf_hexids(batches[0].entries), ElementsAre(30001, 30002));
    EXPECT_EQ(batches[1].kind, TrafficBatchKind::buffered);
    EXPECT_EQ(batches[1].offsetBase, 12u);
    EXPECT_THAT(lf_hexids(batches[1].entries), ElementsAre(30003));
    EXPECT_EQ(batches[2].kind, TrafficBatchKind::live);
    EXPECT_THAT(lf_hexids(batches[2].entries), ElementsAre(20001));
}

// Buffered records and their markers count only between the program's request and the end
// of its wait: a peer that sends them at other times (or floods the port with end markers)
// gets them rejected, logged up to the rejections' limit, and the outcome is logged once.
TEST_F(AppTrafficAssemblerTest, BufferedTrafficCountsOnlyWhileItIsAwaited) {
    feed(lf_record(30001, "AAA1", "RTBUF=0"));
    feed("RTBUF_SEP");
    feed("RTBUF_EOT");
    EXPECT_EQ(recorder_.count(), 0u);
    EXPECT_FALSE(assembler_.bufferedDone());
    EXPECT_EQ(assembler_.counts().rejected, 3u);
    EXPECT_THAT(log_.linesWith("RTBUF=0 record while no buffered traffic is awaited"), SizeIs(1));
    EXPECT_THAT(log_.linesWith("marker 'RTBUF_EOT' while no buffered traffic is awaited"),
                SizeIs(1));

    assembler_.bufferRequested();
    EXPECT_TRUE(assembler_.bufferAwaited());
    feed(lf_record(30002, "BBB2", "RTBUF=0"));
    feed("RTBUF_EOT");
    EXPECT_TRUE(assembler_.bufferedDone());
    EXPECT_FALSE(assembler_.bufferAwaited());
    EXPECT_EQ(recorder_.count(), 1u);
    for (int i = 0; i < 200; ++i) {
        feed("RTBUF_EOT");
    }
    EXPECT_EQ(recorder_.count(), 1u);
    EXPECT_EQ(assembler_.counts().rejected, 203u);
    EXPECT_THAT(log_.linesWith("buffered traffic received, 1 snapshot"), SizeIs(1));
    EXPECT_THAT(log_.linesWith("datagram rejected"),
                SizeIs(RejectedDatagramLog::kMaxLoggedRejections));

    // A wait given up drops the snapshot it was gathering; its end marker comes too late.
    assembler_.bufferRequested();
    feed(lf_record(30003, "CCC3", "RTBUF=0"));
    assembler_.bufferWaitOver();
    feed("RTBUF_EOT");
    EXPECT_FALSE(assembler_.bufferedDone());
    EXPECT_EQ(recorder_.count(), 1u);
    EXPECT_THAT(log_.linesWith("buffered traffic received"), SizeIs(1));
}

// The log tells once a minute how much came in: the records posted, live and buffered, and the
// distinct aircraft among them; static hexids, rejected datagrams and reports refused when
// their batch closes (a stray hex id would otherwise count as an aircraft received) are not
// counted; the reader's stop adds a last line unless nothing came since the one before.
TEST_F(AppTrafficAssemblerTest, WhatWasReceivedIsLoggedOnceAMinuteAndAtTheStop) {
    const std::string line = "Traffic Reader: {} traffic records of {} aircraft received so far";
    assembler_.tick(clock_.steadyNow());
    feed(lf_record(20001, "AAA1"));
    feed(lf_record(20002, "BBB2"));
    feed(lf_record(20009, "STRAY9", "RTTFC", 10)); // 100 s after the others: refused
    feed(lf_record(5000, "STAT*"));                // a static hexid
    feed("garbage,1");
    feed("RTTFC_EOT");
    EXPECT_EQ(assembler_.counts().rejected, 2u);
    clock_.advance(FeedReceipts::kLogEvery - milliseconds{1});
    feed(lf_record(20001, "AAA1", "RTTFC", 1));
    feed("RTTFC_EOT");
    assembler_.bufferRequested();
    feed(lf_record(20003, "CCC3", "RTBUF=0"));
    feed("RTBUF_EOT");
    assembler_.tick(clock_.steadyNow());
    EXPECT_THAT(log_.linesWith("received so far"), IsEmpty());
    clock_.advance(milliseconds{1});
    assembler_.tick(clock_.steadyNow());
    EXPECT_THAT(log_.linesWith(fmt::format(fmt::runtime(line), 4, 3)), SizeIs(1));
    assembler_.logReceipts();
    EXPECT_THAT(log_.linesWith("received so far"), SizeIs(1));
    feed(lf_record(20004, "DDD4", "RTTFC", 2));
    feed("RTTFC_EOT");
    assembler_.logReceipts();
    EXPECT_THAT(log_.linesWith(fmt::format(fmt::runtime(line), 5, 4)), SizeIs(1));
    EXPECT_EQ(assembler_.receipts().aircraft(), 4u);
}

// What the mailbox left untaken of the reader's batches goes with the minute's line: two rounds
// come while the main loop takes nothing, so the second one's reports supersede the first one's
// (their aircraft get the newer ones); a batch that comes while delivery is off is dropped, and
// its aircraft are not updated.
TEST_F(AppTrafficAssemblerTest, WhatTheMailboxLeftUntakenGoesWithTheMinutesLine) {
    StopControl stop;
    std::atomic<std::uint32_t> tick{1000};
    TrafficMailbox mailbox(clock_, stop, tick);
    mailbox.enable(true);
    AppTrafficAssembler assembler("Traffic Reader", {lf_postTo(mailbox), nullptr, nullptr});
    const auto round = [&](int r, std::initializer_list<std::uint32_t> hexids) {
        for (const std::uint32_t hexid : hexids) {
            assembler.handleDatagram(lf_record(hexid, "AAA1", "RTTFC", r), clock_.steadyNow(),
                                     clock_.utcNow());
        }
        assembler.handleDatagram("RTTFC_EOT", clock_.steadyNow(), clock_.utcNow());
        clock_.advance(std::chrono::seconds{10});
    };
    assembler.tick(clock_.steadyNow());
    round(0, {20001, 20002, 20003});
    round(1, {20001, 20002, 20004});
    clock_.advance(FeedReceipts::kLogEvery);
    assembler.tick(clock_.steadyNow());
    EXPECT_THAT(log_.linesWith("Traffic Reader: 6 traffic records of 4 aircraft received so "
                               "far; untaken: 2 superseded by a newer record of their aircraft, "
                               "0 dropped with their aircraft not updated; 1 batch came before "
                               "the one before was taken"),
                SizeIs(1));
    EXPECT_THAT(lf_hexids(mailbox.pendingBatch()), ElementsAre(20004, 20001, 20002, 20003));
    // Delivery off: the App reader's batch goes at once, said at the stop.
    mailbox.enable(false);
    round(2, {20001});
    assembler.logReceipts();
    EXPECT_THAT(log_.linesWith("Traffic Reader: 7 traffic records of 4 aircraft received so "
                               "far; untaken: 2 superseded by a newer record of their aircraft, "
                               "1 dropped with their aircraft not updated; 1 batch came"),
                SizeIs(1));
}

// A flood of made-up hex ids cannot grow the reader's memory of the aircraft it heard for good:
// beyond the feed clock's limit the older half is forgotten and only counted.
TEST(FeedReceiptsTest, AFloodOfMadeUpHexidsIsCountedNotKept) {
    FeedReceipts receipts("Traffic Reader");
    std::vector<TrafficEntry> batch(1000);
    for (std::uint32_t flood = 0; flood < 25; ++flood) {
        for (std::uint32_t i = 0; i < batch.size(); ++i) {
            batch[i].hexid = 100000 + flood * 1000 + i;
        }
        receipts.count(batch);
        EXPECT_LE(receipts.aircraftKept(), FeedReceipts::kMaxAircraftKept);
    }
    EXPECT_EQ(receipts.records(), 25000u);
    EXPECT_EQ(receipts.aircraft(), 25000u);
    // One the reader still remembers counts once; one it forgot counts again.
    batch.resize(1);
    batch[0].hexid = 100000 + 24 * 1000;
    receipts.count(batch);
    EXPECT_EQ(receipts.aircraft(), 25000u);
    batch[0].hexid = 100000;
    receipts.count(batch);
    EXPECT_EQ(receipts.aircraft(), 25001u);
}

TEST_F(AppTrafficAssemblerTest, BufferIndexChangesSeparateSnapshotsWithoutSeparators) {
    assembler_.bufferRequested();
    feed(lf_record(30001, "AAA1", "RTBUF=0"));
    feed(lf_record(30002, "AAA1", "RTBUF=1"));
    feed(lf_record(30003, "AAA1", "RTBUF=1"));
    feed(lf_record(30004, "AAA1", "RTBUF=2"));
    feed("RTBUF_EOT");
    const std::vector<testing::PostedBatch> batches = recorder_.batches();
    ASSERT_THAT(batches, SizeIs(3));
    EXPECT_EQ(batches[0].offsetBase, 0u);
    EXPECT_EQ(batches[1].offsetBase, 6u);
    EXPECT_THAT(lf_hexids(batches[1].entries), ElementsAre(30002, 30003));
    EXPECT_EQ(batches[2].offsetBase, 12u);

    // A new request counts from the start again.
    assembler_.bufferRequested();
    EXPECT_FALSE(assembler_.bufferedDone());
    feed(lf_record(30004, "AAA1", "RTBUF=0"));
    feed(lf_record(30005, "AAA1", "RTBUF=1"));
    feed("RTBUF_EOT");
    EXPECT_EQ(recorder_.batches()[3].offsetBase, 0u);
    EXPECT_EQ(recorder_.batches()[4].offsetBase, 6u);
}

// The App's answer to "sendbuffer=5,6": snapshot n (0 the oldest) is (5 - n) x 6 s old when it
// comes, the newest 6 s old. Through the mailbox every report, buffered or live, is due 30 s
// after it was seen, and no snapshot meets the first live batch on its tick.
TEST_F(AppTrafficAssemblerTest, EveryBufferedSnapshotPlaysThirtySecondsAfterItWasSeen) {
    ManualClock clock;
    StopControl stop;
    std::atomic<std::uint32_t> tick{10000};
    TrafficMailbox mailbox(clock, stop, tick);
    testing::RecordingDecoder decoder;
    mailbox.setDecoder(&decoder);
    mailbox.enable(true);
    AppTrafficAssembler assembler("Traffic Reader", {lf_postTo(mailbox), nullptr, nullptr});

    const double now = 1700000000.0;
    assembler.bufferRequested();
    for (std::uint32_t n = 0; n < 5; ++n) {
        const double seenAt = now - (5 - n) * 6.0;
        for (std::uint32_t a = 0; a < 2; ++a) {
            // The second aircraft of a snapshot was reported 2 s before the first.
            std::string datagram =
                testing::rttfcDatagram({{1, std::to_string(40000 + n * 10 + a)},
                                        {14, fmt::format("{:.1f}", seenAt - 2.0 * a)}});
            assembler.handleDatagram("RTBUF=" + std::to_string(n) + datagram.substr(5),
                                     clock.steadyNow(), clock.utcNow());
        }
        assembler.handleDatagram("RTBUF_SEP", clock.steadyNow(), clock.utcNow());
    }
    assembler.handleDatagram("RTBUF_EOT", clock.steadyNow(), clock.utcNow());
    assembler.handleDatagram(
        testing::rttfcDatagram({{1, "50000"}, {14, fmt::format("{:.1f}", now)}}), clock.steadyNow(),
        clock.utcNow());
    assembler.handleDatagram("RTTFC_EOT", clock.steadyNow(), clock.utcNow());
    mailbox.takeTrafficBatches();

    const std::vector<TrafficEntry> decoded = decoder.entries();
    ASSERT_THAT(decoded, SizeIs(11));
    std::int32_t previous = 0;
    for (const TrafficEntry& entry : decoded) {
        const double age = now - entry.timestamp;
        // Due 30 s after it was seen, but never before the next tick.
        const std::int32_t due =
            std::max<std::int32_t>(10000 + 3000 - static_cast<std::int32_t>(100 * age), 10001);
        EXPECT_EQ(entry.sample.time, due) << entry.hexid;
        if (entry.hexid % 10 == 0) {
            EXPECT_GT(entry.sample.time, previous) << entry.hexid << " after the snapshot before";
            previous = entry.sample.time;
        }
    }
    EXPECT_EQ(decoded[0].sample.time, 10001) << "the oldest snapshot is due at once";
    EXPECT_EQ(decoded[8].sample.time, 10000 + 2400) << "the newest 6 s before the live batch";
    EXPECT_EQ(decoded[10].hexid, 50000u);
    EXPECT_EQ(decoded[10].sample.time, 10000 + 3000);
}

// One report stamped far in the future would be its batch's newest: the others would all be
// due at the next tick (1001) instead of 30 s after they were seen (4000 and 3350).
TEST_F(AppTrafficAssemblerTest, AReportFromTheFutureIsSkippedAndTheOthersKeepTheirOffsets) {
    StopControl stop;
    std::atomic<std::uint32_t> tick{1000};
    TrafficMailbox mailbox(clock_, stop, tick);
    mailbox.enable(true);
    AppTrafficAssembler assembler("Traffic Reader", {lf_postTo(mailbox), nullptr, nullptr});
    const double now = std::chrono::duration<double>(clock_.utcNow().time_since_epoch()).count();
    const auto report = [&](std::uint32_t hexid, double timestamp, const char* type = "RTTFC") {
        const std::string datagram = testing::rttfcDatagram(
            {{1, std::to_string(hexid)}, {14, fmt::format("{:.1f}", timestamp)}});
        assembler.handleDatagram(type + datagram.substr(5), clock_.steadyNow(), clock_.utcNow());
    };
    report(20001, now - 20.0);
    report(20002, now - 26.5);
    report(20003, 4070908800.0); // 2099-01-01
    report(20004, now + kMaxFeedTimestampAheadSeconds + 1.0);
    assembler.handleDatagram("RTTFC_EOT", clock_.steadyNow(), clock_.utcNow());

    const std::vector<TrafficEntry> pending = mailbox.pendingBatch();
    ASSERT_THAT(pending, SizeIs(2));
    EXPECT_EQ(pending[0].hexid, 20001u);
    EXPECT_EQ(pending[0].sample.time, 4000);
    EXPECT_EQ(pending[1].hexid, 20002u);
    EXPECT_EQ(pending[1].sample.time, 3350);
    EXPECT_EQ(assembler.counts().rejected, 2u);
    const std::vector<std::string> lines = log_.linesWith("Traffic Reader: datagram rejected: ");
    ASSERT_THAT(lines, SizeIs(2));
    EXPECT_THAT(lines[0], HasSubstr("time stamp 4070908800 lies"));
    EXPECT_THAT(lines[0], HasSubstr("s ahead of the clock"));
    EXPECT_THAT(lines[1], HasSubstr("lies 301 s ahead of the clock"));

    // A report just inside the margin is kept, and so is one of buffered traffic; a buffered
    // report from the future is skipped like a live one.
    report(20005, now + kMaxFeedTimestampAheadSeconds);
    assembler.bufferRequested();
    report(30001, now - 30.0, "RTBUF=0");
    report(30002, 4070908800.0, "RTBUF=0");
    assembler.handleDatagram("RTBUF_EOT", clock_.steadyNow(), clock_.utcNow());
    assembler.handleDatagram("RTTFC_EOT", clock_.steadyNow(), clock_.utcNow());
    // The first batch, not taken yet, is taken first.
    EXPECT_THAT(lf_hexids(mailbox.pendingBatch()), ElementsAre(20005, 20001, 20002));
    ASSERT_THAT(mailbox.waitingBufferedBatches(), SizeIs(1));
    EXPECT_THAT(lf_hexids(mailbox.waitingBufferedBatches()[0]), ElementsAre(30001));
    EXPECT_EQ(assembler.counts().rejected, 3u);
}

TEST_F(AppTrafficAssemblerTest, UnknownMarkersAreLoggedOnceAndIgnored) {
    feed(lf_record(20001, "AAA1"));
    feed("RTPARK_EOT");
    feed("RTPARK_EOT");
    EXPECT_EQ(recorder_.count(), 0u);
    EXPECT_EQ(assembler_.liveWaiting(), 1u);
    EXPECT_THAT(log_.linesWith("marker 'RTPARK_EOT' ignored"), SizeIs(1));
}

TEST_F(AppTrafficAssemblerTest, LiveIdentitiesAreCollectedWhileCollectionIsOn) {
    feed(lf_record(20001, "AAA1"));
    feed("RTTFC_EOT");
    EXPECT_THAT(identities_.hexids(), IsEmpty());

    identities_.clearAndCollect();
    feed(lf_record(20002, "BBB2"));
    feed(lf_record(20003, ""));
    feed(lf_record(30001, "BUF1", "RTBUF=0")); // buffered traffic is not collected
    feed("RTTFC_EOT");
    EXPECT_EQ(identities_.hexids(), (FeedHexidSet{20002, 20003}));
    EXPECT_EQ(identities_.callsigns(), (FeedCallsignSet{"BBB2"}));

    FeedCallsignSet callsigns;
    FeedHexidSet hexids;
    identities_.takeOver(callsigns, hexids);
    EXPECT_EQ(hexids, (FeedHexidSet{20002, 20003}));
    EXPECT_FALSE(identities_.collecting());
    EXPECT_THAT(identities_.hexids(), IsEmpty());
}

TEST_F(AppTrafficAssemblerTest, AParkedListIsCompleteAfterAQuietGap) {
    assembler_.parkedRequested(clock_.steadyNow());
    feed("RTPARK,76cd72,-33.940487,151.163958,SIA231,A388,9V-SKR,YSSY_I61,1768005636.7");
    clock_.advance(milliseconds{500});
    feed("RTPARK,7c6db3,-33.931984,151.176438,QFA460,B738,VH-VYD,YSSY_D12,1767940121.4");
    feed("RTPARK,7c6db4,-33.9,151.1,QFA461,B738,VH-VYE,YSSY_D13,not-a-time");
    assembler_.tick(clock_.steadyNow());
    EXPECT_FALSE(parked_.received());
    clock_.advance(AppTrafficAssembler::kParkedGap);
    assembler_.tick(clock_.steadyNow());
    ASSERT_TRUE(parked_.received());
    const std::vector<ParkedEntry> entries = parked_.entries();
    ASSERT_THAT(entries, SizeIs(2));
    EXPECT_EQ(entries[0].callsign, "SIA231");
    EXPECT_EQ(entries[1].standText, "D12");
    EXPECT_EQ(assembler_.counts().rejected, 1u);
    EXPECT_THAT(log_.linesWith("Traffic Reader: 2 parked aircraft received"), SizeIs(1));
}

TEST_F(AppTrafficAssemblerTest, NoParkedTrafficAtAllGivesAnEmptyListAfterTheWait) {
    assembler_.parkedRequested(clock_.steadyNow());
    clock_.advance(AppTrafficAssembler::kParkedWait - milliseconds{1});
    assembler_.tick(clock_.steadyNow());
    EXPECT_FALSE(parked_.received());
    clock_.advance(milliseconds{1});
    assembler_.tick(clock_.steadyNow());
    EXPECT_TRUE(parked_.received());
    EXPECT_THAT(parked_.entries(), IsEmpty());
    // Once complete, the wait does not end another list.
    clock_.advance(AppTrafficAssembler::kParkedWait);
    assembler_.tick(clock_.steadyNow());
    EXPECT_EQ(assembler_.counts().parkedLists, 1u);
}

} // namespace
} // namespace skyloom

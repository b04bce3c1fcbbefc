// `AppTrafficAssembler`: turns the App's stream of traffic datagrams into batches. It runs on
// the traffic reader's thread and knows no sockets, so tests feed it datagrams and times.
//
// - Live records ("RTTFC") gather into the live batch, which goes to the mailbox with the
//   playback delay of 30 s at the marker "RTTFC_EOT", or when no live record came for
//   kBurstGap: Apps that send no end marker still burst once per cycle. An App that trickles
//   its records without a pause ends its batches all the same: a record whose hexid is
//   already in a batch begun kBurstGap or more before starts the next batch (the App's next
//   round has begun), and a batch goes as soon as it holds kMaxLiveBatchEntries. A repeat in a
//   younger batch (a second sender, an App that sends an aircraft twice) keeps the round whole:
//   the newer of the two reports stays in it. A live datagram identical to the last one
//   of its hexid is dropped before it reaches the batch: an App that sends every datagram
//   twice would otherwise end a batch at each repeat. The last datagram of a hexid is
//   remembered while the hexid keeps coming, and forgotten kRepeatMemory after it was last
//   heard.
// - A live or buffered record stamped more than kMaxFeedTimestampAheadSeconds ahead of the
//   receiving clock is rejected like a malformed one: as its batch's newest entry it would
//   make every other entry of the batch due at once. So is a record whose stamp lies far from
//   the other reports of its batch (feed/stray_timestamps.h), or from the feed's clock as the
//   reader learned it (feed/feed_clock.h), when the batch closes: a record sent between two
//   rounds makes a batch of its own. The feed's clock is learned anew with each reader.
// - Buffered records ("RTBUF=<n>") gather into a snapshot, which goes to the mailbox as a
//   buffered batch at "RTBUF_SEP", at "RTBUF_EOT", and when the snapshot index <n> changes.
//   The App sends the oldest snapshot first, each snapshot (5 - n) x 6 s old, the newest
//   one 6 s old; the snapshot after k separators is delayed by 6 x k seconds (0, 6, ... 24),
//   so that every snapshot, like every live batch, plays 30 s after it was seen.
//   Buffered records and their two markers are taken only while the program waits for the
//   buffered traffic it asked for: from the request to "RTBUF_EOT", which ends the wait with
//   one line in the log, or until the program gives up waiting. At any other time they are
//   rejected like a malformed datagram (logged up to the same limit, then only counted).
// - Parked records ("RTPARK") gather into the incoming parked list, which becomes the reader's
//   completed list once no parked record came for kParkedGap (the App marks no end), or, when
//   nothing came at all, kParkedWait after the request.
// - A datagram that fails a check is logged (at most kMaxLoggedRejections lines) and counted;
//   nothing else is lost. Hexids at or below 10000 are counted and passed over.
// - The live and buffered records posted (what the checks refused is not counted), the
//   aircraft among them and what the mailbox dropped of them untaken are logged once a minute
//   (feed/feed_receipts.h), with the count of rejected datagrams.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "feed/feed_clock.h"
#include "feed/feed_receipts.h"
#include "feed/traffic_batch_post.h"
#include "feed/traffic_entry.h"
#include "foundation/clock.h"

namespace skyloom {

class FeedIdentities;
class ParkedTrafficList;

struct AppTrafficCounts {
    std::uint64_t datagrams = 0;
    std::uint64_t liveRecords = 0;
    std::uint64_t bufferedRecords = 0;
    std::uint64_t parkedRecords = 0;
    // Records passed over because their hexid names a static aircraft.
    std::uint64_t staticRecords = 0;
    std::uint64_t rejected = 0;
    // Live datagrams identical to the last one of their hexid, dropped.
    std::uint64_t duplicates = 0;
    // Live records of an aircraft that the round already held (both on the feed's clock):
    // the newer of the two stands in the round.
    std::uint64_t repeatsInRound = 0;
    std::uint64_t markers = 0;
    std::uint64_t liveBatches = 0;
    std::uint64_t bufferedBatches = 0;
    std::uint64_t parkedLists = 0;

    friend bool operator==(const AppTrafficCounts&, const AppTrafficCounts&) = default;
};

// Logs why datagrams were rejected, one line each up to a limit, then one line saying that
// further ones are only counted: a peer gone wrong must not fill the disk. The count itself
// goes to the log with the reader's line of what it received, and when the reader stops:
// "{reader}: {count} datagram{s} rejected so far".
class RejectedDatagramLog {
public:
    static constexpr std::size_t kMaxLoggedRejections = 100;

    explicit RejectedDatagramLog(std::string readerName) : readerName_(std::move(readerName)) {}
    void report(std::string_view reason);
    // Writes the count when it changed since the last time it was written.
    void logCount();
    std::uint64_t count() const noexcept { return count_; }

private:
    std::string readerName_;
    std::uint64_t count_ = 0;
    std::uint64_t countLogged_ = 0;
};

class AppTrafficAssembler {
public:
    static constexpr std::chrono::milliseconds kBurstGap{1000};
    // Several times the aircraft the App reports around one user in the busiest airspace;
    // a batch this size takes the main loop 10 s to take.
    static constexpr std::size_t kMaxLiveBatchEntries = 2000;
    static constexpr std::chrono::milliseconds kParkedGap{2000};
    static constexpr std::chrono::milliseconds kParkedWait{15000};
    // Several bursts of the slowest App (one every 10 s): an aircraft gone this long is gone.
    static constexpr std::chrono::milliseconds kRepeatMemory{60000};

    struct Targets {
        TrafficBatchPost post;
        // Null: no identities collected, no parked list kept.
        FeedIdentities* identities = nullptr;
        ParkedTrafficList* parked = nullptr;
    };

    AppTrafficAssembler(std::string readerName, Targets targets);

    // One received datagram, at `now` on the steady clock and `receivedAt` in UTC.
    // `datagramSize` is its full length when it was cut short by the receive buffer (such a
    // datagram is rejected).
    void handleDatagram(std::string_view bytes, Clock::SteadyTime now, Clock::UtcTime receivedAt,
                        std::size_t datagramSize = 0);
    // Closes what waited long enough (live batch, parked list); writes the minute's line of
    // what was received, and of what was rejected.
    void tick(Clock::SteadyTime now);
    // The reader stops: the last lines of what was received and rejected.
    void logReceipts();
    const FeedReceipts& receipts() const noexcept { return receipts_; }

    // The program asked the App for parked traffic: a new incoming list starts.
    void parkedRequested(Clock::SteadyTime now);
    // The program asked the App for buffered traffic: snapshots count from 1 again, and the
    // buffered records and markers are taken until "RTBUF_EOT".
    void bufferRequested();
    // The program no longer waits for buffered traffic: what it gathered of an unfinished
    // snapshot is dropped, and later buffered records and markers are rejected.
    void bufferWaitOver();
    // True once "RTBUF_EOT" came after the last buffer request.
    bool bufferedDone() const noexcept { return bufferedDone_; }
    // True from a buffer request until its "RTBUF_EOT" or the end of the wait.
    bool bufferAwaited() const noexcept { return bufferAwaited_; }

    const AppTrafficCounts& counts() const noexcept { return counts_; }
    // The live entries gathered since the last batch went (tests).
    std::size_t liveWaiting() const noexcept { return live_.size(); }

private:
    void handleMarker(std::string_view marker, Clock::SteadyTime now);
    // True when the live datagram repeats the last one of its hexid; remembers it otherwise.
    bool repeatsLastDatagram(std::string_view bytes, std::string_view hexidField,
                             Clock::SteadyTime now);
    void forgetOldDatagrams(Clock::SteadyTime now);
    // When a record came, on both clocks.
    struct Receipt {
        Clock::SteadyTime steady{};
        Clock::UtcTime utc{};
    };

    void addLiveEntry(TrafficEntry entry, Clock::SteadyTime now, Clock::UtcTime receivedAt);
    // A second report of an aircraft already in the round: when exactly one of the two is
    // stamped off the feed's clock, that one is a stray (another sender on the App's network,
    // a clock set wrong), refused at once. Otherwise it opens the next round only when the
    // round began kBurstGap or more before it (an App that trickles its rounds without a
    // pause); sooner, it is a second sender or an App that sends an aircraft twice, and the
    // newer of the two reports (by time stamp) stands in the round (keepNewerReport): a round
    // cut in two would post its first part as a batch of its own.
    enum class RepeatRefused { none, incoming, held };
    RepeatRefused refuseOffClockRepeat(const TrafficEntry& entry, Clock::UtcTime receivedAt);
    // Takes the entries whose stamps lie far from the other reports of a closing batch, or
    // from the feed's clock, out of it, rejecting each like a malformed datagram. The batch's
    // last record came at `lastRecord`.
    void refuseStrays(std::vector<TrafficEntry>& batch, const Receipt& lastRecord);
    void keepNewerReport(TrafficEntry entry, Clock::SteadyTime now, Clock::UtcTime receivedAt);
    void closeLiveBatch();
    // `separator`: closed by a separator (or a new snapshot index), not by the end marker.
    void closeBufferedSnapshot(bool separator);
    void completeParkedList();

    std::string readerName_;
    Targets targets_;
    RejectedDatagramLog rejections_;
    AppTrafficCounts counts_;
    FeedReceipts receipts_;

    std::vector<TrafficEntry> live_;
    // The hexids in live_.
    std::unordered_set<std::uint32_t> liveHexids_;
    Receipt lastLiveRecord_;
    // When live_'s first record came.
    Clock::SteadyTime liveOpenedAt_{};
    FeedClock feedClock_;

    struct LastDatagram {
        std::string bytes;
        Clock::SteadyTime heardAt{};
    };
    std::unordered_map<std::uint32_t, LastDatagram> lastDatagrams_;
    Clock::SteadyTime lastForgetting_{};

    std::vector<TrafficEntry> buffered_;
    Receipt lastBufferedRecord_;
    std::optional<std::uint32_t> bufferIndex_;
    std::uint32_t separatorCount_ = 0;
    bool bufferedDone_ = false;
    bool bufferAwaited_ = false;

    std::vector<ParkedEntry> parked_;
    Clock::SteadyTime lastParkedRecord_{};
    std::optional<Clock::SteadyTime> parkedRequestedAt_;

    std::set<std::string, std::less<>> unknownMarkers_;
};

} // namespace skyloom

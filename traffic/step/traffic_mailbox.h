// `TrafficMailbox`: the hand-over of traffic batches from the feed's reader threads to the main
// loop. It holds one pending live batch, and the main loop takes at most two entries per
// traffic step (200 a second), from the back of the batch, which spreads the decoding over the
// steps. A newer batch that comes before the pending one is taken whole replaces what it
// reports anew and keeps the rest: each newer report takes the place of its aircraft's older
// one (which is dropped), and the aircraft the pending batch did not reach stay where the take
// comes first, ahead of the new batch's other aircraft. So a round cut in two loses nothing,
// and in rounds larger than the take between two rounds every aircraft waits its turn, at
// most as many rounds as the take needs for the whole round, instead of the same aircraft
// losing every round. At most kMaxPendingEntries wait; what the mailbox leaves untaken is
// counted apart: reports superseded by a newer one of their aircraft, and reports dropped with
// their aircraft not updated; each post says both (`TrafficPostOutcome`), for the reader's log.
// The main loop's take locks the mailbox every traffic step, so a post holds the lock only to
// take the pending batch out and to put the merged batch back: the merge itself (some
// milliseconds for thousands of reports) runs on the posting thread without it. Meanwhile the
// take finds nothing pending, and a second post waits for the first to put its batch back.
// When live batches keep coming for a minute while nothing is taken, the mailbox stops
// delivering for the rest of the run and raises "TRAFFIC MAILBOX STALLED".
//
// Buffered batches (time-delayed traffic that readers fetch at start-up) are not queued behind
// the live batch: they wait, in the order they came, and the next traffic step decodes all of
// them before it takes live entries. Every decode thus runs on the main worker thread, inside
// a traffic step: no reader thread touches the live aircraft.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

#include "feed/traffic_batch_post.h"
#include "feed/traffic_entry.h"
#include "foundation/clock.h"

namespace skyloom {

class StopControl;

// The live traffic's decoder of entries; the live traffic installs it. Called only from
// takeTrafficBatches, that is on the main worker thread inside a traffic step.
class TrafficDecoder {
public:
    virtual ~TrafficDecoder() = default;
    virtual void decodeMessage(const TrafficEntry& entry) = 0;
};

// What went through the mailbox since it was made or reset.
struct TrafficMailboxCounts {
    std::uint64_t livePosts = 0;
    std::uint64_t bufferedPosts = 0;
    // Live batches destroyed without ever being pending (delivery off, or the stalling post).
    std::uint64_t droppedBatches = 0;
    // Live batches that came while one was pending, and merged into it.
    std::uint64_t mergedBatches = 0;
    // Live entries destroyed untaken because a newer report of their aircraft took their place.
    std::uint64_t entriesSuperseded = 0;
    // Live entries destroyed untaken with nothing newer of their aircraft: beyond
    // kMaxPendingEntries, or in a dropped batch.
    std::uint64_t entriesDropped = 0;
    std::uint64_t entriesTaken = 0;
    std::uint64_t bufferedEntriesDecoded = 0;

    friend bool operator==(const TrafficMailboxCounts&, const TrafficMailboxCounts&) = default;
};

class TrafficMailbox {
public:
    static constexpr std::chrono::seconds kStallTime{60};
    static constexpr std::size_t kEntriesPerStep = 2;
    // Twice the largest batch of the App road (feed/app_traffic_assembler.h): the aircraft of
    // the busiest airspace around one user several times over, 20 s of taking.
    static constexpr std::size_t kMaxPendingEntries = 4000;

    // The clock times the stall, the stop request takes "TRAFFIC MAILBOX STALLED", the tick
    // (g_trafficTick in the program) times the entries; all must outlive the mailbox.
    TrafficMailbox(Clock& clock, StopControl& stop, const std::atomic<std::uint32_t>& tick);
    TrafficMailbox(const TrafficMailbox&) = delete;
    TrafficMailbox& operator=(const TrafficMailbox&) = delete;

    // Hands over a batch (a `TrafficBatchPost`); `batch` is always left empty. `offsetBase` is the
    // playback delay in seconds for gf_setTimeOffsets. A live batch posted with `dropWhenOff` while
    // delivery is off is destroyed before its time offsets are set.
    TrafficPostOutcome post(std::vector<TrafficEntry>& batch, TrafficBatchKind kind,
                            std::uint32_t offsetBase, bool dropWhenOff);

    // One traffic step's take: first every waiting buffered batch, in order, then at most two
    // entries from the back of the pending batch, each decoded outside the lock. Returns how
    // many live entries were taken. Without a decoder the buffered batches keep waiting and
    // the live entries taken are dropped.
    std::size_t takeTrafficBatches();

    // Resets the stall timer and turns delivery on (unless the mailbox stalled for good) or
    // off.
    void enable(bool on);
    // The restart's reset: no pending batch, no waiting buffered batches, the stall timer and
    // the stalled-for-good flag cleared, delivery off, the counts zeroed.
    void reset();

    // Installs the decoder (null removes it); the next take decodes the buffered batches that
    // waited for one. The decoder must outlive its installation.
    void setDecoder(TrafficDecoder* decoder);
    // The decoder installed (null while none is).
    TrafficDecoder* decoder() const;

    bool deliveryEnabled() const noexcept { return deliveryEnabled_.load(); }
    bool stalledForGood() const;
    std::size_t pendingCount() const;
    // The pending batch, in vector order (tests).
    std::vector<TrafficEntry> pendingBatch() const;
    // Posts that found a batch pending since the stall timer was last reset.
    std::uint64_t replacedCount() const;
    // The buffered batches waiting for a decoder, oldest first.
    std::vector<std::vector<TrafficEntry>> waitingBufferedBatches() const;
    TrafficMailboxCounts counts() const;

private:
    struct StallOutcome {
        bool detected = false;
        std::uint64_t replaced = 0;
        std::size_t pending = 0;
        std::size_t incoming = 0;
    };

    std::uint32_t currentTick() const noexcept;
    void resetStallTimerLocked() noexcept;
    // Times the stall for a post that finds delivery on; true when it merges, having taken
    // the pending batch out into `pending`; else the stall came and everything is dropped.
    bool takeOutLocked(std::vector<TrafficEntry>& pending, std::size_t incoming,
                       StallOutcome& stall, TrafficPostOutcome& outcome);
    void postBuffered(std::vector<TrafficEntry>& batch, std::uint32_t offsetBase);
    void reportStall(const StallOutcome& stall);

    Clock& clock_;
    StopControl& stop_;
    const std::atomic<std::uint32_t>& tick_;

    // Guards everything below up to the decoder lock; never held while decoding or merging.
    mutable std::mutex mutex_;
    std::vector<TrafficEntry> pending_;
    // A post has the pending batch out for its merge; the next post waits for `putBack_`.
    bool merging_ = false;
    std::condition_variable putBack_;
    // Counts the resets: a merge that a reset overtook puts nothing back.
    std::uint64_t resets_ = 0;
    std::atomic<bool> deliveryEnabled_{false};
    bool stalledForGood_ = false;
    bool stallTimerStarted_ = false;
    Clock::SteadyTime stallTimerStart_{};
    std::uint64_t replacedCount_ = 0;
    bool stallReported_ = false;
    TrafficMailboxCounts counts_;

    // Guards the decoder and the buffered batches that wait for the next take; never held
    // while decoding.
    mutable std::mutex decodeMutex_;
    TrafficDecoder* decoder_ = nullptr;
    std::deque<std::vector<TrafficEntry>> waitingBuffered_;
};

} // namespace skyloom

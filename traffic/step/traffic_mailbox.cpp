#include "traffic/step/traffic_mailbox.h"

#include <iterator>
#include <unordered_map>
#include <utility>

#include <fmt/format.h>

#include "feed/time_offsets.h"
#include "foundation/log_file.h"
#include "runtime/stop_request.h"

namespace skyloom {

TrafficMailbox::TrafficMailbox(Clock& clock, StopControl& stop,
                               const std::atomic<std::uint32_t>& tick)
    : clock_(clock), stop_(stop), tick_(tick) {}

std::uint32_t TrafficMailbox::currentTick() const noexcept {
    return tick_.load();
}

void TrafficMailbox::resetStallTimerLocked() noexcept {
    stallTimerStarted_ = false;
    replacedCount_ = 0;
    stallReported_ = false;
}

namespace {

// Merges `batch` into `pending` (see the header) and leaves `batch` empty: each report of an
// aircraft with a report pending takes that report's place; the others go where the take comes
// last, in the batch's order, as many as kMaxPendingEntries leaves room for.
void lf_merge(std::vector<TrafficEntry>& pending, std::vector<TrafficEntry>& batch,
              TrafficPostOutcome& outcome) {
    constexpr std::size_t kMax = TrafficMailbox::kMaxPendingEntries;
    if (pending.empty()) {
        pending.swap(batch);
        // Those taken last go when the mailbox is full.
        if (pending.size() > kMax) {
            outcome.dropped = pending.size() - kMax;
            pending.erase(pending.begin(),
                          pending.begin() + static_cast<std::ptrdiff_t>(outcome.dropped));
        }
        return;
    }
    // Where each aircraft's pending report lies.
    std::unordered_map<std::uint32_t, std::size_t> at;
    at.reserve(pending.size());
    for (std::size_t i = 0; i < pending.size(); ++i) {
        at[pending[i].hexid] = i;
    }
    // The reports of aircraft with nothing pending, in the batch's order.
    std::vector<TrafficEntry> fresh;
    fresh.reserve(batch.size() + pending.size());
    for (TrafficEntry& entry : batch) {
        const auto found = at.find(entry.hexid);
        if (found == at.end()) {
            fresh.push_back(std::move(entry));
        } else {
            pending[found->second] = std::move(entry);
            ++outcome.superseded;
        }
    }
    batch.clear();
    // Those taken last go when the mailbox is full.
    const std::size_t room = kMax > pending.size() ? kMax - pending.size() : 0;
    if (fresh.size() > room) {
        outcome.dropped = fresh.size() - room;
        fresh.erase(fresh.begin(), fresh.begin() + static_cast<std::ptrdiff_t>(outcome.dropped));
    }
    fresh.insert(fresh.end(), std::make_move_iterator(pending.begin()),
                 std::make_move_iterator(pending.end()));
    pending.swap(fresh);
}

} // namespace

TrafficPostOutcome TrafficMailbox::post(std::vector<TrafficEntry>& batch, TrafficBatchKind kind,
                                        std::uint32_t offsetBase, bool dropWhenOff) {
    TrafficPostOutcome outcome;
    if (batch.empty()) {
        return outcome;
    }
    if (kind == TrafficBatchKind::buffered) {
        postBuffered(batch, offsetBase);
        return outcome;
    }
    if (dropWhenOff && !deliveryEnabled_.load()) {
        outcome.dropped = batch.size();
        batch.clear();
        const std::lock_guard lock(mutex_);
        ++counts_.livePosts;
        ++counts_.droppedBatches;
        counts_.entriesDropped += outcome.dropped;
        return outcome;
    }
    gf_setTimeOffsets(batch, currentTick(), offsetBase);

    StallOutcome stall;
    std::vector<TrafficEntry> pending;
    bool merging = false;
    std::uint64_t resets = 0;
    {
        std::unique_lock lock(mutex_);
        putBack_.wait(lock, [this] { return !merging_; });
        if (deliveryEnabled_.load()) {
            merging = takeOutLocked(pending, batch.size(), stall, outcome);
            resets = resets_;
        } else {
            ++counts_.droppedBatches;
            outcome.dropped = batch.size();
            counts_.entriesDropped += outcome.dropped;
        }
        // A merging post is counted once its batch is back for the take: whoever sees the
        // count must find the batch there.
        if (!merging) {
            ++counts_.livePosts;
        }
    }
    if (merging) {
        try {
            lf_merge(pending, batch, outcome);
        } catch (...) {
            // Out of memory: what was taken out is lost, and the posts after this one must not
            // wait for it.
            {
                const std::lock_guard lock(mutex_);
                merging_ = false;
                ++counts_.livePosts;
            }
            putBack_.notify_all();
            throw;
        }
        {
            const std::lock_guard lock(mutex_);
            merging_ = false;
            ++counts_.livePosts;
            // Nothing became pending meanwhile: posts waited, takes found nothing.
            if (resets == resets_) {
                pending_.swap(pending);
                counts_.mergedBatches += outcome.metPending ? 1 : 0;
                counts_.entriesSuperseded += outcome.superseded;
                counts_.entriesDropped += outcome.dropped;
            }
        }
        putBack_.notify_all();
    }
    // What the mailbox did not keep, destroyed without the lock.
    pending.clear();
    batch.clear();
    if (stall.detected) {
        reportStall(stall);
    }
    return outcome;
}

bool TrafficMailbox::takeOutLocked(std::vector<TrafficEntry>& pending, std::size_t incoming,
                                   StallOutcome& stall, TrafficPostOutcome& outcome) {
    if (!pending_.empty()) {
        const Clock::SteadyTime now = clock_.steadyNow();
        if (!stallTimerStarted_) {
            stallTimerStarted_ = true;
            stallTimerStart_ = now;
        }
        ++replacedCount_;
        if (!stallReported_ && now - stallTimerStart_ >= kStallTime) {
            stallReported_ = true;
            stall = {true, replacedCount_, pending_.size(), incoming};
        }
    } else {
        resetStallTimerLocked();
    }
    if (stall.detected) {
        stalledForGood_ = true;
        deliveryEnabled_.store(false);
        outcome.dropped = pending_.size() + incoming;
        ++counts_.droppedBatches;
        counts_.entriesDropped += outcome.dropped;
        pending.swap(pending_);
        return false;
    }
    outcome.metPending = !pending_.empty();
    pending.swap(pending_);
    merging_ = true;
    return true;
}

void TrafficMailbox::reportStall(const StallOutcome& stall) {
    gf_requestStop(stop_, StopReason::trafficMailboxStalled, 0);
    LogFile::writeImportant(fmt::format(
        "Traffic mailbox stalled: no messages consumed for 1 minute; {} batches replaced, {} "
        "pending and {} incoming messages. Stopping traffic delivery and requesting shutdown.",
        stall.replaced, stall.pending, stall.incoming));
}

void TrafficMailbox::postBuffered(std::vector<TrafficEntry>& batch, std::uint32_t offsetBase) {
    gf_setTimeOffsets(batch, currentTick(), offsetBase);
    {
        const std::lock_guard lock(decodeMutex_);
        waitingBuffered_.push_back(std::move(batch));
    }
    batch.clear();
    const std::lock_guard lock(mutex_);
    ++counts_.bufferedPosts;
}

std::size_t TrafficMailbox::takeTrafficBatches() {
    TrafficDecoder* decoder = nullptr;
    std::deque<std::vector<TrafficEntry>> buffered;
    {
        const std::lock_guard decodeLock(decodeMutex_);
        decoder = decoder_;
        if (decoder != nullptr) {
            buffered.swap(waitingBuffered_);
        }
    }
    std::uint64_t decoded = 0;
    for (const std::vector<TrafficEntry>& batch : buffered) {
        for (const TrafficEntry& entry : batch) {
            decoder->decodeMessage(entry);
            ++decoded;
        }
    }
    std::size_t taken = 0;
    while (taken < kEntriesPerStep) {
        TrafficEntry entry;
        {
            const std::lock_guard lock(mutex_);
            counts_.bufferedEntriesDecoded += decoded;
            decoded = 0;
            if (pending_.empty()) {
                break;
            }
            entry = std::move(pending_.back());
            pending_.pop_back();
            resetStallTimerLocked();
            ++counts_.entriesTaken;
        }
        ++taken;
        if (decoder != nullptr) {
            decoder->decodeMessage(entry);
        }
    }
    return taken;
}

void TrafficMailbox::enable(bool on) {
    const std::lock_guard lock(mutex_);
    resetStallTimerLocked();
    deliveryEnabled_.store(on && !stalledForGood_);
}

void TrafficMailbox::reset() {
    std::vector<TrafficEntry> pending;
    {
        const std::lock_guard lock(mutex_);
        pending.swap(pending_);
        ++resets_;
        resetStallTimerLocked();
        stalledForGood_ = false;
        deliveryEnabled_.store(false);
        counts_ = {};
    }
    const std::lock_guard decodeLock(decodeMutex_);
    waitingBuffered_.clear();
}

void TrafficMailbox::setDecoder(TrafficDecoder* decoder) {
    const std::lock_guard decodeLock(decodeMutex_);
    decoder_ = decoder;
}

TrafficDecoder* TrafficMailbox::decoder() const {
    const std::lock_guard decodeLock(decodeMutex_);
    return decoder_;
}

bool TrafficMailbox::stalledForGood() const {
    const std::lock_guard lock(mutex_);
    return stalledForGood_;
}

std::size_t TrafficMailbox::pendingCount() const {
    const std::lock_guard lock(mutex_);
    return pending_.size();
}

std::vector<TrafficEntry> TrafficMailbox::pendingBatch() const {
    const std::lock_guard lock(mutex_);
    return pending_;
}

std::uint64_t TrafficMailbox::replacedCount() const {
    const std::lock_guard lock(mutex_);
    return replacedCount_;
}

std::vector<std::vector<TrafficEntry>> TrafficMailbox::waitingBufferedBatches() const {
    const std::lock_guard lock(decodeMutex_);
    return {waitingBuffered_.begin(), waitingBuffered_.end()};
}

TrafficMailboxCounts TrafficMailbox::counts() const {
    const std::lock_guard lock(mutex_);
    return counts_;
}

} // namespace skyloom

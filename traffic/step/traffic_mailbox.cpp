#include "traffic/step/traffic_mailbox.h"

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

void TrafficMailbox::post(std::vector<TrafficEntry>& batch, TrafficBatchKind kind,
                          std::uint32_t offsetBase, bool dropWhenOff) {
    if (batch.empty()) {
        return;
    }
    if (kind == TrafficBatchKind::buffered) {
        postBuffered(batch, offsetBase);
        return;
    }
    if (dropWhenOff && !deliveryEnabled_.load()) {
        batch.clear();
        const std::lock_guard lock(mutex_);
        ++counts_.livePosts;
        ++counts_.droppedBatches;
        return;
    }
    gf_setTimeOffsets(batch, currentTick(), offsetBase);

    StallOutcome stall;
    {
        const std::lock_guard lock(mutex_);
        ++counts_.livePosts;
        if (deliveryEnabled_.load()) {
            stall = handOverLocked(batch);
        } else {
            ++counts_.droppedBatches;
        }
    }
    // The replaced batch, or the incoming one when it was not taken.
    batch.clear();
    if (stall.detected) {
        reportStall(stall);
    }
}

TrafficMailbox::StallOutcome TrafficMailbox::handOverLocked(std::vector<TrafficEntry>& batch) {
    StallOutcome stall;
    if (!pending_.empty()) {
        const Clock::SteadyTime now = clock_.steadyNow();
        if (!stallTimerStarted_) {
            stallTimerStarted_ = true;
            stallTimerStart_ = now;
        }
        ++replacedCount_;
        if (!stallReported_ && now - stallTimerStart_ >= kStallTime) {
            stallReported_ = true;
            stall = {true, replacedCount_, pending_.size(), batch.size()};
        }
    } else {
        resetStallTimerLocked();
    }
    if (stall.detected) {
        stalledForGood_ = true;
        deliveryEnabled_.store(false);
        pending_.clear();
        ++counts_.droppedBatches;
        return stall;
    }
    if (!pending_.empty()) {
        ++counts_.replacedBatches;
    }
    pending_.swap(batch);
    return stall;
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
    {
        const std::lock_guard lock(mutex_);
        pending_.clear();
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

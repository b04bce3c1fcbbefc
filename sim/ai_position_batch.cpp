#include "sim/ai_position_batch.h"

#include <chrono>
#include <utility>

#include "foundation/clock.h"

namespace skyloom {

AIPositionBatch::AIPositionBatch() {
    reserve();
}

void AIPositionBatch::setCurrent(std::uint32_t objectId, const AIPosition& position) {
    current_.insert_or_assign(objectId, position);
}

void AIPositionBatch::commit(std::int64_t timeNs) {
    {
        std::lock_guard lock(mutex_);
        for (const auto& [objectId, position] : current_) {
            pending_[objectId].push_back(AIPositionSample{position, timeNs});
        }
    }
    current_.clear();
}

void AIPositionBatch::forgetObject(std::uint32_t objectId) {
    std::lock_guard lock(mutex_);
    current_.erase(objectId);
    pending_.erase(objectId);
}

void AIPositionBatch::empty() {
    std::lock_guard lock(mutex_);
    current_.clear();
    pending_.clear();
    epoch_.fetch_add(1);
}

void AIPositionBatch::reserve() {
    std::lock_guard lock(mutex_);
    current_.reserve(kAIPositionBuckets);
    pending_.reserve(kAIPositionBuckets);
}

AIPositionBatch::TakeResult AIPositionBatch::tryTake(AIPositionMap& taken) {
    std::unique_lock lock(mutex_, std::try_to_lock);
    if (!lock.owns_lock()) {
        return TakeResult::busy;
    }
    if (pending_.empty()) {
        return TakeResult::nothingNew;
    }
    pending_.swap(taken);
    return TakeResult::taken;
}

void AIPositionBatch::emptyPending() {
    std::lock_guard lock(mutex_);
    pending_.clear();
}

std::size_t AIPositionBatch::pendingCount() const {
    std::lock_guard lock(mutex_);
    return pending_.size();
}

AIPositionBatch& gf_aiPositionBatch() {
    static AIPositionBatch batch;
    return batch;
}

void gf_setAIPosition(std::uint32_t objectId, const AIPosition& position) {
    gf_aiPositionBatch().setCurrent(objectId, position);
}

void gf_commitAIPositions() {
    gf_aiPositionBatch().commit(gf_steadyNanoseconds(gf_clock()));
}

void gf_emptyAIPositionBatch() {
    gf_aiPositionBatch().empty();
}

std::int64_t gf_steadyNanoseconds(const Clock& clock) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               clock.steadyNow().time_since_epoch())
        .count();
}

} // namespace skyloom

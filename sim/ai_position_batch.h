// `AIPositionBatch`: the hand-over of AI positions from the traffic step to the SimClient
// thread, outside the command queue.
//
// During a traffic step the motion stores each active object's new position in the current
// positions (the traffic thread's own, no lock); at the end of the step `commit` stamps them
// with one steady-clock time and appends them, under the batch mutex, to the pending batch
// (the newest 16 per object). On every frame the SimClient only tries the mutex: when it is
// free it exchanges the pending batch with its own empty one, when it is busy it takes nothing
// this frame. So a busy traffic thread costs a frame of delay, never a wait.
//
// Emptying the batch (start-up, shutdown, a re-synchronised main loop) increments the epoch;
// the SimClient then drops every history it smooths, so that no object glides from a position
// of before the break.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <unordered_map>

#include "sim/ai_position.h"
#include "sim/ai_position_ring.h"

namespace skyloom {

class Clock;

using AIPositionMap = std::unordered_map<std::uint32_t, AIPositionRing>;

// Buckets reserved for the current positions, the batches and the histories.
inline constexpr std::size_t kAIPositionBuckets = 512;

class AIPositionBatch {
public:
    AIPositionBatch();
    AIPositionBatch(const AIPositionBatch&) = delete;
    AIPositionBatch& operator=(const AIPositionBatch&) = delete;

    // --- Traffic thread ---
    // The object's position of this step, replacing one stored earlier in the step.
    void setCurrent(std::uint32_t objectId, const AIPosition& position);
    // End of the step: appends every current position with `timeNs` to the pending batch and
    // empties the current positions.
    void commit(std::int64_t timeNs);
    // Forgets the object's current and pending positions (it is being removed).
    void forgetObject(std::uint32_t objectId);
    // Empties the current positions and the pending batch and increments the epoch.
    void empty();
    // Reserves the buckets of a run's start.
    void reserve();
    std::size_t currentCount() const noexcept { return current_.size(); }

    // --- SimClient thread ---
    enum class TakeResult { busy, nothingNew, taken };
    // Without waiting: when the mutex is free and the pending batch holds positions, exchanges
    // it with `taken`, which must be empty.
    TakeResult tryTake(AIPositionMap& taken);
    std::uint64_t epoch() const noexcept { return epoch_.load(); }
    // Drops the positions not taken yet (the shutdown cleanup; waits for the mutex).
    void emptyPending();

    // --- Any thread ---
    std::size_t pendingCount() const;
    // Holds the batch mutex as the traffic thread does during a commit (tests).
    [[nodiscard]] std::unique_lock<std::mutex> hold() { return std::unique_lock(mutex_); }

private:
    mutable std::mutex mutex_;
    AIPositionMap pending_; // guarded by mutex_
    std::unordered_map<std::uint32_t, AIPosition> current_;
    std::atomic<std::uint64_t> epoch_{0};
};

// The program's batch.
AIPositionBatch& gf_aiPositionBatch();

// --- The traffic thread's calls on the program's batch ---
void gf_setAIPosition(std::uint32_t objectId, const AIPosition& position);
// Commits with the program clock's steady time.
void gf_commitAIPositions();
// The main loop fell behind and re-synchronised, or the run starts or ends.
void gf_emptyAIPositionBatch();

// Steady-clock time in nanoseconds, the time base of the samples.
std::int64_t gf_steadyNanoseconds(const Clock& clock);

} // namespace skyloom

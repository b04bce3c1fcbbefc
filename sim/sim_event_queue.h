// `SimEventQueue`: the hand-over of `SimEvent` records from the SimClient thread to the traffic
// step, in two buffers. The SimClient appends to the write buffer under the mutex, never
// waiting for more than one append; the traffic thread swaps the buffers under the mutex and
// processes what it took without the lock, in posting order, keeping the buffer's capacity for
// the next swap. One thread posts and one drains.
#pragma once

#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <vector>

#include "sim/sim_event.h"

namespace skyloom {

class SimEventQueue {
public:
    SimEventQueue() = default;
    SimEventQueue(const SimEventQueue&) = delete;
    SimEventQueue& operator=(const SimEventQueue&) = delete;

    void post(const SimEvent& event);

    // Takes every event posted so far and calls `each` with them in posting order, without the
    // lock. When `each` throws, the events after the one that threw are kept and come first at
    // the next drain; the exception passes on. Returns the number of events handed to `each`.
    std::size_t drain(const std::function<void(const SimEvent&)>& each);

    // Empties both buffers (the traffic state's reset, on the draining thread).
    void clear();

    // Events posted since the last drain.
    std::size_t waitingCount() const;

private:
    mutable std::mutex mutex_;
    std::vector<SimEvent> write_; // guarded by mutex_
    std::vector<SimEvent> read_;  // the draining thread's
};

// The program's queue.
SimEventQueue& gf_simEventQueue();

// Posts to the program's queue (the SimClient thread only).
void gf_postSimEvent(const SimEvent& event);

} // namespace skyloom

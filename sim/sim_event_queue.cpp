#include "sim/sim_event_queue.h"

#include <utility>

namespace skyloom {

std::string_view gf_simEventKindText(SimEventKind kind) noexcept {
    switch (kind) {
    case SimEventKind::liveAssigned:
        return "live object assigned";
    case SimEventKind::staticAssigned:
        return "static object assigned";
    case SimEventKind::objectRemoved:
        return "object removed";
    case SimEventKind::aiPositionReport:
        return "AI position report";
    case SimEventKind::staticCgAndPitch:
        return "static centre of gravity and pitch";
    case SimEventKind::createFailed:
        return "create failed";
    case SimEventKind::createRefused:
        return "create refused for want of room";
    }
    return "unknown";
}

void SimEventQueue::post(const SimEvent& event) {
    std::lock_guard lock(mutex_);
    write_.push_back(event);
}

std::size_t SimEventQueue::drain(const std::function<void(const SimEvent&)>& each) {
    {
        std::lock_guard lock(mutex_);
        if (read_.empty()) {
            std::swap(read_, write_);
        } else {
            // What an earlier drain left after a throw stays ahead of the newer events.
            read_.insert(read_.end(), write_.begin(), write_.end());
            write_.clear();
        }
    }
    std::size_t handed = 0;
    try {
        for (const SimEvent& event : read_) {
            ++handed;
            each(event);
        }
    } catch (...) {
        read_.erase(read_.begin(), read_.begin() + static_cast<std::ptrdiff_t>(handed));
        throw;
    }
    read_.clear();
    return handed;
}

void SimEventQueue::clear() {
    std::lock_guard lock(mutex_);
    write_.clear();
    read_.clear();
}

std::size_t SimEventQueue::waitingCount() const {
    std::lock_guard lock(mutex_);
    return write_.size();
}

SimEventQueue& gf_simEventQueue() {
    static SimEventQueue queue;
    return queue;
}

void gf_postSimEvent(const SimEvent& event) {
    gf_simEventQueue().post(event);
}

} // namespace skyloom

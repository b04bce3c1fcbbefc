// `RecordingWindowSink`: a window sink for tests that keeps every update sent to it, in order,
// and counts the requests to switch the simulator. Any thread may send.
#pragma once

#include <cstddef>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "runtime/window_sink.h"

namespace skyloom::testing {

class RecordingWindowSink : public WindowSink {
public:
    void enqueueUpdate(GuiUpdate update) noexcept override {
        const std::lock_guard lock(mutex_);
        updates_.push_back(std::move(update));
    }
    // Recorded as the update it stands for when no notice is pending.
    void clearStatusText() noexcept override { enqueueUpdate(GuiUpdate::ClearStatus{}); }
    void requestSimulatorSwitch() noexcept override {
        const std::lock_guard lock(mutex_);
        ++switchRequests_;
    }

    std::vector<GuiUpdate> updates() const {
        const std::lock_guard lock(mutex_);
        return updates_;
    }
    // The payloads of one kind, in the order they came.
    template <class P> std::vector<P> payloads() const {
        std::vector<P> found;
        const std::lock_guard lock(mutex_);
        for (const GuiUpdate& update : updates_) {
            if (const P* payload = update.get<P>()) {
                found.push_back(*payload);
            }
        }
        return found;
    }
    // The last payload of one kind, if any came.
    template <class P> std::optional<P> last() const {
        std::vector<P> all = payloads<P>();
        if (all.empty()) {
            return std::nullopt;
        }
        return all.back();
    }
    std::size_t switchRequests() const {
        const std::lock_guard lock(mutex_);
        return switchRequests_;
    }
    void clear() {
        const std::lock_guard lock(mutex_);
        updates_.clear();
        switchRequests_ = 0;
    }

private:
    mutable std::mutex mutex_;
    std::vector<GuiUpdate> updates_;
    std::size_t switchRequests_ = 0;
};

} // namespace skyloom::testing

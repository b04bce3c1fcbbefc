// `AIPositionSample`, one time-stamped AI position (steady-clock nanoseconds), and
// `AIPositionRing`, the newest 16 samples of one object, oldest first, in a fixed ring: a
// seventeenth sample pushes the oldest out. Both the pending AI position batch and the
// SimClient's per-object histories keep their samples in it, so neither allocates per sample.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "sim/ai_position.h"

namespace skyloom {

struct AIPositionSample {
    AIPosition position;
    std::int64_t timeNs = 0;

    friend bool operator==(const AIPositionSample&, const AIPositionSample&) = default;
};

inline constexpr std::size_t kMaxAIPositionSamples = 16;

class AIPositionRing {
public:
    std::size_t size() const noexcept { return count_; }
    bool empty() const noexcept { return count_ == 0; }
    // i counts from the oldest sample; i < size().
    const AIPositionSample& operator[](std::size_t i) const noexcept {
        return items_[(first_ + i) % kMaxAIPositionSamples];
    }
    const AIPositionSample& front() const noexcept { return (*this)[0]; }
    const AIPositionSample& back() const noexcept { return (*this)[count_ - 1]; }

    // Appends the sample; when 16 are held already the oldest goes.
    void push_back(const AIPositionSample& sample) noexcept {
        if (count_ == kMaxAIPositionSamples) {
            pop_front();
        }
        items_[(first_ + count_) % kMaxAIPositionSamples] = sample;
        ++count_;
    }
    // Drops the oldest sample; the ring must not be empty.
    void pop_front() noexcept {
        first_ = (first_ + 1) % kMaxAIPositionSamples;
        --count_;
    }
    void clear() noexcept {
        first_ = 0;
        count_ = 0;
    }

private:
    std::array<AIPositionSample, kMaxAIPositionSamples> items_{};
    std::size_t first_ = 0;
    std::size_t count_ = 0;
};

} // namespace skyloom

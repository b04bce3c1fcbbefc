// `AIPositionHistory`: the SimClient's recent samples of one AI object and the smoothing of its
// position between them. The simulator draws frames at its own rate while the traffic step
// moves objects every 10 ms; each frame shows where an object was 20 ms ago, interpolated
// between the two samples around that moment, so that motion stays smooth whatever the
// frame rate.
//
// A sample that jumps (more than 1000 m or 2000 ft from the newest, more than 250 ms after it,
// or not after it at all) restarts the history: the object then appears at its new place at
// once instead of gliding there.
#pragma once

#include <cstdint>
#include <optional>

#include "sim/ai_position.h"
#include "sim/ai_position_ring.h"

namespace skyloom {

inline constexpr std::int64_t kAIPositionRenderDelayNs = 20'000'000;
// Two samples further apart than this are not interpolated between.
inline constexpr std::int64_t kAIPositionMaxSpanNs = 250'000'000;
inline constexpr double kAIPositionMaxJumpMetres = 1000.0;
inline constexpr double kAIPositionMaxJumpFeet = 2000.0;

struct AIPositionHistory {
    std::int64_t renderDelayNs = kAIPositionRenderDelayNs;
    AIPositionRing samples;
};

// True when `next` cannot continue a history whose newest sample is `newest`.
bool gf_isAIPositionJump(const AIPositionSample& newest, const AIPositionSample& next) noexcept;

// Appends the sample (restarting the history first on a jump); at most 16 are kept.
void gf_addAIPositionSample(AIPositionHistory& history, const AIPositionSample& sample) noexcept;

// The position to show at `nowNs`: the history's render delay behind it, interpolated between
// the samples around that moment; the oldest or the newest sample outside them. Samples that
// can no longer be needed are dropped (two are always kept). Nothing for an empty history.
//
// Longitudes take the short way across +-180 and come back in [-180, 180]; headings take the
// short way across 0 / 2 pi and come back in [0, 2 pi). The other values are linear, exactly
// the later sample's at its time.
std::optional<AIPosition> gf_interpolateAIPosition(AIPositionHistory& history,
                                                   std::int64_t nowNs) noexcept;

} // namespace skyloom

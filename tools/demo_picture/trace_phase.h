// The phase of an AI object as the simulator sees it, from two consecutive trace points: on
// the ground standing, taxiing or rolling for take-off or landing by its speed; airborne
// climbing, descending or level by its vertical speed. Also the count of objects per phase.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>
#include <vector>

#include "tools/demo_picture/trace_file.h"

namespace skyloom::tools {

enum class TracePhase { standing, taxi, roll, climbing, descending, level };
inline constexpr std::size_t kTracePhaseCount = 6;

// Below this ground speed an object on the ground stands.
inline constexpr double kStandingMaxKnots = 1.0;
// From this ground speed on an object on the ground rolls for take-off or lands.
inline constexpr double kRollMinKnots = 40.0;
// Beyond this vertical speed (either way) an airborne object climbs or descends.
inline constexpr double kLevelMaxFeetPerMinute = 300.0;

using PhaseCounts = std::array<int, kTracePhaseCount>;

// "standing", "taxi", "take-off/landing roll", "climbing", "descending", "level".
std::string_view gf_tracePhaseName(TracePhase phase) noexcept;

// The phase at `point` from the motion since `previous`; with no previous point, or none
// earlier in time, the object is taken as not moving.
TracePhase gf_tracePhase(const TracePoint* previous, const TracePoint& point) noexcept;

// Per phase, the objects not removed whose last point is in it.
PhaseCounts gf_phasesAtEnd(const std::vector<TraceTrack>& tracks);

// Per phase, the objects that were in it at some point of their track.
PhaseCounts gf_phasesSeen(const std::vector<TraceTrack>& tracks);

} // namespace skyloom::tools

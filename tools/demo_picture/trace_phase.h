// The phase of an AI object as the simulator sees it, from two consecutive trace points: on
// the ground standing, taxiing or rolling for take-off or landing by its speed; airborne
// climbing, descending or level by its vertical speed. Also the count of objects per phase.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
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

// The world time of the trace's last position (a point other than a removal), 0 for an empty
// trace. The program's orderly shutdown removes every object after it, so the objects still
// there then are the traffic as it last moved.
double gf_lastPositionSeconds(const std::vector<TraceTrack>& tracks) noexcept;

struct TrackEnd {
    const TracePoint* point = nullptr; // the object's last position
    TracePhase phase = TracePhase::standing;
};

// Where the object was last and its phase there, when it was in the simulator at `seconds`
// (not removed before then); none otherwise.
std::optional<TrackEnd> gf_trackEndAt(const TraceTrack& track, double seconds);

// Per phase, the objects in the simulator at the trace's last position, by their own last
// position's phase.
PhaseCounts gf_phasesAtEnd(const std::vector<TraceTrack>& tracks);

// Per phase, the objects that were in it at some point of their track.
PhaseCounts gf_phasesSeen(const std::vector<TraceTrack>& tracks);

} // namespace skyloom::tools

#include "tools/demo_picture/trace_phase.h"

#include "foundation/geodesy.h"

namespace skyloom::tools {

namespace {

constexpr double kSecondsPerHour = 3600.0;
constexpr double kSecondsPerMinute = 60.0;

std::size_t lf_index(TracePhase phase) {
    return static_cast<std::size_t>(phase);
}

} // namespace

std::string_view gf_tracePhaseName(TracePhase phase) noexcept {
    switch (phase) {
    case TracePhase::standing:
        return "standing";
    case TracePhase::taxi:
        return "taxi";
    case TracePhase::roll:
        return "take-off/landing roll";
    case TracePhase::climbing:
        return "climbing";
    case TracePhase::descending:
        return "descending";
    case TracePhase::level:
        return "level";
    }
    return "?";
}

TracePhase gf_tracePhase(const TracePoint* previous, const TracePoint& point) noexcept {
    double knots = 0;
    double feetPerMinute = 0;
    if (previous != nullptr && point.seconds > previous->seconds) {
        const double seconds = point.seconds - previous->seconds;
        knots = gf_distanceNM(previous->position, point.position) / seconds * kSecondsPerHour;
        feetPerMinute = (point.altitudeFeet - previous->altitudeFeet) / seconds * kSecondsPerMinute;
    }
    if (point.onGround) {
        return knots < kStandingMaxKnots ? TracePhase::standing
               : knots < kRollMinKnots   ? TracePhase::taxi
                                         : TracePhase::roll;
    }
    return feetPerMinute > kLevelMaxFeetPerMinute    ? TracePhase::climbing
           : feetPerMinute < -kLevelMaxFeetPerMinute ? TracePhase::descending
                                                     : TracePhase::level;
}

PhaseCounts gf_phasesAtEnd(const std::vector<TraceTrack>& tracks) {
    PhaseCounts counts{};
    for (const TraceTrack& track : tracks) {
        if (!track.removed()) {
            const std::size_t n = track.points.size();
            ++counts[lf_index(
                gf_tracePhase(n > 1 ? &track.points[n - 2] : nullptr, track.points.back()))];
        }
    }
    return counts;
}

PhaseCounts gf_phasesSeen(const std::vector<TraceTrack>& tracks) {
    PhaseCounts counts{};
    for (const TraceTrack& track : tracks) {
        std::array<bool, kTracePhaseCount> seen{};
        const std::vector<TracePoint>& points = track.points;
        // A track's first point shows no motion unless it is all there is; its removal is
        // where it ended, no phase of its own.
        for (std::size_t i = points.size() > 1 ? 1 : 0; i < points.size(); ++i) {
            if (points[i].source != TraceSource::removed) {
                seen[lf_index(gf_tracePhase(i > 0 ? &points[i - 1] : nullptr, points[i]))] = true;
            }
        }
        for (std::size_t p = 0; p < kTracePhaseCount; ++p) {
            counts[p] += seen[p] ? 1 : 0;
        }
    }
    return counts;
}

} // namespace skyloom::tools

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

double gf_lastPositionSeconds(const std::vector<TraceTrack>& tracks) noexcept {
    double last = 0;
    for (const TraceTrack& track : tracks) {
        for (const TracePoint& point : track.points) {
            if (point.source != TraceSource::removed && point.seconds > last) {
                last = point.seconds;
            }
        }
    }
    return last;
}

std::optional<TrackEnd> gf_trackEndAt(const TraceTrack& track, double seconds) {
    const std::vector<TracePoint>& points = track.points;
    if (track.removed() && points.back().seconds < seconds) {
        return std::nullopt;
    }
    std::size_t n = points.size();
    while (n > 0 && points[n - 1].source == TraceSource::removed) {
        --n;
    }
    if (n == 0) {
        return std::nullopt;
    }
    return TrackEnd{&points[n - 1], gf_tracePhase(n > 1 ? &points[n - 2] : nullptr, points[n - 1])};
}

PhaseCounts gf_phasesAtEnd(const std::vector<TraceTrack>& tracks) {
    const double seconds = gf_lastPositionSeconds(tracks);
    PhaseCounts counts{};
    for (const TraceTrack& track : tracks) {
        if (const std::optional<TrackEnd> end = gf_trackEndAt(track, seconds)) {
            ++counts[lf_index(end->phase)];
        }
    }
    return counts;
}

PhaseCounts gf_phasesSeen(const std::vector<TraceTrack>& tracks) {
    PhaseCounts counts{};
    for (const TraceTrack& track : tracks) {
        std::array<bool, kTracePhaseCount> seen{};
        const std::vector<TracePoint>& points = track.points;
        // A removal is where the track ended, no phase of its own; the first position shows no
        // motion unless it is the only one.
        std::size_t n = points.size();
        while (n > 0 && points[n - 1].source == TraceSource::removed) {
            --n;
        }
        for (std::size_t i = n > 1 ? 1 : 0; i < n; ++i) {
            seen[lf_index(gf_tracePhase(i > 0 ? &points[i - 1] : nullptr, points[i]))] = true;
        }
        for (std::size_t p = 0; p < kTracePhaseCount; ++p) {
            counts[p] += seen[p] ? 1 : 0;
        }
    }
    return counts;
}

} // namespace skyloom::tools

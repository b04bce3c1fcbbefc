// How a simulated object flies, measured on its own frames against the reports it was given:
// the direction of its motion (its track) and how far its nose points away from it, how fast
// that track turns, and its vertical speed against the reports' smoothed vertical speed. The
// bounds of the replay and scenario tests are taken on these (docs/motion.md, "How the motion
// is measured").
//
// Definitions, all over the frames' own clock (seconds):
// - the track at time t is the bearing from the first frame at or after t - 0.5 s to the first
//   at or after t + 0.5 s, standing for the time between them; its turn rate at t is the change
//   of the track from t - 0.5 s to t + 0.5 s over the time between the two;
// - the vertical speed at t is the altitude change from t - 0.5 s to t + 0.5 s;
// - the reports' smoothed vertical speed at t is the mean, over the 15 s either side of t, of
//   the reported vertical speed taken linear between two reports;
// - a report turns fast when its reported track changed faster than 6 degrees a second since
//   the report before it; the turn-rate figure leaves out frames within 5 s of such a report
//   (or of the one before it); a caller may hold the turn to another rate (a category's
//   plausible turn rate);
// - only frames of an airborne object at least 200 ft above the ground count, from 5 s after
//   the first report (the object starts there) to a second before the last one (after it the
//   object extrapolates).
#pragma once

#include <cstddef>
#include <vector>

namespace skyloom::tools {

struct FlightFrame {
    double seconds = 0;
    double latitude = 0;
    double longitude = 0;
    double altitudeFt = 0;
    double headingRad = 0;
    bool airborne = true;
};

struct FlightReport {
    double seconds = 0;
    double trackDeg = 0;
    double verticalSpeedFpm = 0;
};

inline constexpr double kFastReportTurnDegPerSecond = 6.0;
inline constexpr double kFastReportReachSeconds = 5.0;
inline constexpr double kMeasuredHeightFt = 200.0;

struct FlightFigures {
    std::size_t measured = 0; // frames that count
    double headingOffTrackMedianDeg = 0;
    double headingOffTrackP95Deg = 0;
    double headingOffTrackMaxDeg = 0;
    double secondsOffTrackBeyond30Deg = 0; // the longest stretch
    double trackTurnMaxDegPerS = 0;         // away from reports that turn fast
    double trackTurnMaxAnywhereDegPerS = 0; // all counted frames
    double verticalSpeedOffMaxFpm = 0;      // against the reports' smoothed vertical speed
    double verticalSpeedMinFpm = 0;
    double verticalSpeedMaxFpm = 0;
};

// Frames in time order; `groundFt`: the altitude of the ground the 200 ft count from;
// `fastReportTurnDegPerSecond`: how fast a report turns to count as turning fast.
FlightFigures gf_flightFigures(const std::vector<FlightFrame>& frames,
                               const std::vector<FlightReport>& reports, double groundFt,
                               double fastReportTurnDegPerSecond = kFastReportTurnDegPerSecond);

} // namespace skyloom::tools

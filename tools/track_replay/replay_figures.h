// How far a replay's frames lie from the true track: cross-track error (median, 95th
// percentile, maximum), along-track lag, altitude error, the largest position and heading
// step between two frames, and how the object flies against its reports (flight_figures.h). Frames are compared with the track at their own time (the world's
// time less the playback delay); frames before the first report was reached or after the last
// are left out.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "tools/track_replay/flight_figures.h"
#include "tools/track_replay/track_replay.h"
#include "tools/track_replay/true_track.h"

namespace skyloom::tools {

struct ReplayFigures {
    std::size_t frames = 0;
    double crossMedianM = 0, crossP95M = 0, crossMaxM = 0;
    double alongLagMedianS = 0, alongLagMaxS = 0; // positive: behind the true aircraft
    // Absolute errors; the maximum shows the truth's own outliers as well.
    double altitudeMedianFt = 0, altitudeP95Ft = 0, altitudeMaxFt = 0;
    double largestStepM = 0;
    double largestHeadingStepDeg = 0;
    double fastestTrueSpeedKt = 0;
    FlightFigures flight;
};

// `groundFt`: the ground the flight figures count heights from (gf_trackGroundFt).
ReplayFigures gf_compareReplay(const ReplayRun& run, const std::vector<TruePoint>& truth,
                               double groundFt);

// The figures as lines for the console and the docs.
std::string gf_replayFiguresText(const ReplayFigures& figures);

// The figures as one row of a Markdown table, to set runs side by side: the part's name, its track seconds,
// reports, cross-track error, along-track lag, altitude error, largest step, largest heading
// step, heading off the track, the track's turn rate and the vertical speed off the reports'.
std::string gf_replayFiguresRow(const std::string& part, double fromSeconds, double toSeconds,
                                std::size_t reports, const ReplayFigures& figures);

} // namespace skyloom::tools

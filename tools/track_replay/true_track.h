// The true track of one aircraft from a recorded trace: a readsb "full trace" (JSON object with
// a "trace" array) or OpenSky state vectors, as a JSON array of records or in pandas' column
// layout (one object per field, keyed by row number), plain or gzip compressed; its airborne
// parts; and the track's position at any time between its points.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace skyloom::tools {

struct TruePoint {
    double seconds = 0;    // from the track's first point
    // When the position was measured: a receiver that heard nothing newer repeats the last
    // position with its time (OpenSky's "last_position"); else the point's own time.
    double positionSeconds = 0;
    double latitude = 0;   // degrees
    double longitude = 0;  // degrees
    double altitudeFt = 0; // barometric
    double groundSpeedKt = 0;
    double trackDeg = 0;
    double verticalSpeedFpm = 0;
    bool airborne = true;
};

struct TrueTrack {
    std::string callsign;
    std::string model;
    double startEpoch = 0; // UTC seconds of the first point
    std::vector<TruePoint> points;
};

// Reads the file; throws std::runtime_error naming the file when it cannot be read or parsed.
// Points without a position (or, in OpenSky's records, without a time) are skipped; a missing
// altitude or vertical speed takes the previous point's, and so do a readsb point's missing
// speed and track; an OpenSky record without a ground speed or track gets them from the move
// from its position to the next other one at least 4 s later.
TrueTrack gf_readTrueTrack(const std::filesystem::path& file);

// The lowest altitude of the track's airborne points: the ground its heights count from.
double gf_trackGroundFt(const TrueTrack& track);

// The runs of airborne points without a gap of more than `maximumGapSeconds`, each at least
// `minimumSeconds` long, their times kept.
std::vector<std::vector<TruePoint>> gf_airborneParts(const std::vector<TruePoint>& points,
                                                     double maximumGapSeconds,
                                                     double minimumSeconds);

// The point at `seconds`, linear between the two points around it (longitude the short way);
// the first or last point outside the track.
TruePoint gf_truePointAt(const std::vector<TruePoint>& points, double seconds);

} // namespace skyloom::tools

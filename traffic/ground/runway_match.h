// Which runway end an aircraft is on, and where along it: the search through the park
// airport's runways (as the simulator's facility data gives them) for the runway under a
// position and the direction that fits a heading, and the three fixed uses of it by the
// motion (on the centreline, with a usable threshold, the end's name for the flight
// messages), and whether a position is near the airport at all.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "foundation/lalo.h"
#include "sim/facility_runways.h"

namespace skyloom {

struct RunwayMatch {
    std::string runwayName;            // "09L-27R"
    std::string endDesignator;         // the matched direction's end: "27R"
    std::string runnerUp;              // "{runway}:{end}" of the second-best candidate, or empty
    double directionHeadingDeg = 0.0;  // in [0, 360)
    double headingDifferenceDeg = 0.0; // absolute
    double crossOffset = 0.0;          // m, right of the runway's primary direction
    double alongOffset = 0.0;          // m from the centre along the primary direction
    double distanceFromStart = 0.0;    // m from the end where this direction begins
    double startWindow = 0.0;          // m: min(0.4 x length, 1200)
    double length = 0.0;               // m
    double width = 0.0;                // m
    double altitudeFt = 0.0;           // gf_pickStartAltitude at this direction's start
    double endAheadLatitude = 0.0;     // the end where this direction ends
    double endAheadLongitude = 0.0;
    std::optional<double> distancePastThreshold; // m, when the threshold is usable
    std::optional<double> availableLength;       // m, from the threshold to the far end
    double score = 0.0;                          // |cross offset| m + heading difference deg
    double runnerUpScore = 0.0;                  // 0 without a runner-up
    std::uint8_t valid = 0;
};

// "{}-{}" of the runway's primary and secondary designator texts.
std::string gf_runwayName(const FacilityRunway& runway);

// The best runway direction at the position (valid, heading in [0, 2 pi)). A runway is a
// candidate when the position lies within max(width / 2 + 30, minimumLateral) m of its
// centreline and within length / 2 + 700 m of its centre along it; both of its directions are
// scored by |cross offset| + heading difference. With `nearStart`, only directions whose start
// lies between 700 m behind and the start window ahead count.
RunwayMatch gf_findRunwayAt(std::span<const FacilityRunway> runways, const Lalo& position,
                            double heading, bool nearStart, double minimumLateral);

// The runway under a take-off or landing roll: within 20 degrees and 15 m of the centreline,
// on the runway, and clearly ahead of any other candidate (score lead of 20). Not valid else.
RunwayMatch gf_findRunwayOnCentreline(std::span<const FacilityRunway> runways, const Lalo& position,
                                      double heading);

// The runway ahead of a landing, with a usable threshold: within 20 degrees and width / 2 +
// 30 m of the centreline, the distance past the threshold and the available length known,
// and clearly ahead of any other candidate (score lead of 20). Not valid else.
RunwayMatch gf_findRunwayWithThreshold(std::span<const FacilityRunway> runways,
                                       const Lalo& position, double heading);

// The runway whose surface holds the position, whatever the direction: within its half width
// and 30 m of its centreline and no more than 100 m beyond its ends. Not valid else.
RunwayMatch gf_findRunwayUnder(std::span<const FacilityRunway> runways, const Lalo& position);

// The end designator for the take-off and touch-down messages: within 20 degrees and ahead of
// any other candidate by a score of 10.
std::optional<std::string> gf_runwayNameAt(std::span<const FacilityRunway> runways,
                                           const Lalo& position, double heading);

// True when the position is valid and within length / 2 + 1500 m (great circle) of the
// centre of any runway.
bool gf_isNearAirport(std::span<const FacilityRunway> runways, const Lalo& position);

} // namespace skyloom

// Ground turn paths: the smooth curve that carries an aircraft on the ground from where it is
// (A, with its heading) round a corner B toward E, instead of along the two straight legs. A
// path is built from a `GroundTurnRequest`, checked against limits on the legs, the turn and
// the curve's shape, and then read as position and heading at any fraction of its length. The
// geometry lives in a flat frame around A (111132.95 m per degree, longitudes scaled by cos of
// A's latitude and taken the short way round the antimeridian). Plain value records; nothing
// allocates.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "traffic/motion/motion_constants.h"

namespace skyloom {

struct GroundTurnRequest {
    double startLatitude = 0.0; // A, degrees
    double startLongitude = 0.0;
    double cornerLatitude = 0.0; // B
    double cornerLongitude = 0.0;
    double endLatitude = 0.0; // E
    double endLongitude = 0.0;
    double startHeading = 0.0; // rad, in [0, 2 pi)
    std::uint8_t endAtCorner = 0;
    // Limits: each one not greater than 0 (zero, negative, not-a-number) takes its default.
    double minimumLegLength = motion::kDefaultMinimumLegMetres;
    double minimumTotalLength = motion::kDefaultMinimumTotalMetres;
    double maximumHeadingChangeDeg = motion::kDefaultMaximumHeadingChangeDeg;
    double maximumStartMismatchDeg = motion::kDefaultMaximumStartMismatchDeg;
    double cornerDistanceFactor = motion::kDefaultCornerDistanceFactor;
    double maximumCurvatureDegPerMetre = motion::kDefaultMaximumCurvatureDegPerMetre;
    double startTangentFactor = motion::kDefaultStartTangentFactor;
    double endHeading = 0.0; // rad, in [0, 2 pi) when given
    std::uint8_t hasEndHeading = 0;
};

enum class GroundPathStatus : std::uint32_t {
    none = 0,
    invalidInput = 1,
    legTooShort = 2,
    legOutOfRange = 3,
    turnTooSmall = 4,
    turnTooLarge = 5,
    startHeadingMismatch = 6,
    invalidTangent = 7,
    excessiveLength = 8,
};

struct GroundTurnPath {
    double originLatitude = 0.0; // A
    double originLongitude = 0.0;
    double cornerEast = 0.0; // B in the frame, metres
    double cornerNorth = 0.0;
    double endEast = 0.0; // P1: E, or B when the path ends at the corner
    double endNorth = 0.0;
    double startTangentEast = 0.0; // T0
    double startTangentNorth = 0.0;
    double endTangentEast = 0.0; // T1
    double endTangentNorth = 0.0;
    double turnAngleDeg = 0.0;     // |wrap(heading of leg 2 - heading of leg 1)|
    double startMismatchDeg = 0.0; // |wrap(heading of leg 1 - start heading)|
    double length = 0.0;           // metres, set on success
    double outsideSwing = 0.0;     // metres beyond leg 1's line on the outside of the turn
    double chordDeviation = 0.0;   // metres from the straight line A to P1
    std::uint8_t corrective = 0;   // a re-alignment curve, held to the stricter limits
    std::uint8_t endsAtCorner = 0;
    GroundPathStatus status = GroundPathStatus::invalidInput;
    // Entry k: length from t = 0 to t = k / 128 over the whole length.
    std::array<double, motion::kGroundPathSteps + 1> lengthTable{};
};

struct GroundPathPoint {
    double latitude = 0.0;
    double longitude = 0.0;
    double heading = 0.0; // rad, in [0, 2 pi)
    std::uint8_t valid = 0;
};

// Resets the path, builds it and returns true only for status none; otherwise the status says
// which check failed.
bool gf_buildGroundTurnPath(GroundTurnPath& path, const GroundTurnRequest& request) noexcept;

// "none", "invalid input", "leg too short", "leg out of range", "turn too small", "turn too
// large", "start heading mismatch", "invalid tangent", "excessive length"; "unknown" else.
std::string_view gf_pathErrorText(const GroundTurnPath& path) noexcept;

// Position and heading after the fraction s (clamped to [0, 1]) of a built path's length.
GroundPathPoint gf_groundPathPointAt(const GroundTurnPath& path, double s) noexcept;

// The curve parameter t in [0, 1] at which a curve, sampled at t = k / n into the n + 1
// cumulative length fractions of `lengthTable`, has covered the fraction s (in [0, 1]) of its
// length; linear between the samples.
double gf_curveParameterAt(std::span<const double> lengthTable, double s) noexcept;

} // namespace skyloom

// Local flat-earth geometry of the live traffic: offsets in metres east and north of a
// reference position on a frame of a given scale, the heading of such an offset, angle
// differences wrapped into [-pi, pi], the distance and bearing of a point relative to a
// heading, the flat "within reach" test of two circles, and the normalisation of a position
// that ran over the antimeridian or a pole. Longitude differences are always taken the short
// way round, so points either side of +-180 lie close together.
#pragma once

#include "foundation/lalo.h"

namespace skyloom {

struct FlatOffset {
    double east = 0.0;
    double north = 0.0;
};

// True when both coordinates are finite, the latitude in [-90, 90] and the longitude in
// [-180, 180]; unlike gf_isValidLalo, 0/0 counts.
bool gf_isInRange(const Lalo& position) noexcept;

// True for a heading in [0, 2 pi).
bool gf_isHeading(double rad) noexcept;

// The angle wrapped into [-pi, pi] (IEEE remainder by 2 pi); not-a-number stays.
double gf_wrapAngle(double rad) noexcept;

// `toLon - fromLon` in degrees, wrapped into [-180, 180].
double gf_longitudeDifference(double fromLon, double toLon) noexcept;

// `to` in metres east and north of `from`: north = latitude difference x metres per degree,
// east = wrapped longitude difference x metres per degree x cosLat.
FlatOffset gf_flatOffsetMetres(const Lalo& from, const Lalo& to, double metresPerDegree,
                               double cosLat) noexcept;

// The inverse of gf_flatOffsetMetres: the position `offset` away from `origin`, longitude
// wrapped into [-180, 180]. Where cosLat is 0 (a pole) the longitude is not finite.
Lalo gf_flatPosition(const Lalo& origin, const FlatOffset& offset, double metresPerDegree,
                     double cosLat) noexcept;

// The compass heading of an offset, atan2(east, north), in [0, 2 pi); 0 for a zero offset.
double gf_flatHeading(double east, double north) noexcept;

struct DistanceBearing {
    double distance = 0.0; // metres, great circle
    double angle = 0.0;    // bearing to the point minus the heading, in [-pi, pi]
    double along = 0.0;    // metres along the heading
    double across = 0.0;   // metres across it, positive to the right
};

// Where `b` lies seen from `a` looking along `headingRad`. Within 0.1 m: {d, 0, 0, 0}.
DistanceBearing gf_distanceBearingMetres(const Lalo& a, double headingRad, const Lalo& b) noexcept;

// True when circles of radius rA around `a` and rB around `b` (NM) touch on the flat earth of
// 60 NM per degree, the longitude difference scaled by cos(a's latitude); false when the
// radii sum to 0 or less.
bool gf_isWithinNm(const Lalo& a, double radiusANm, const Lalo& b, double radiusBNm) noexcept;

// Brings a position that ran over the antimeridian or a pole back into range: longitude into
// [-180, 180); a latitude beyond a pole is reflected over it and the longitude turned by 180
// degrees. Coordinates that are not finite stay as they are.
void gf_normaliseLonCheckLat(Lalo& position) noexcept;

} // namespace skyloom

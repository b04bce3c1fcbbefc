// Great-circle geodesy on the spherical earth of foundation/geo_constants.h: distance, initial
// bearing, the point reached along a bearing, angle normalisation and position validity.
// Positions are `Lalo` in degrees; bearings are radians in [0, 2 pi), clockwise from north.
#pragma once

#include "foundation/lalo.h"

namespace skyloom {

// Great-circle distance in NM (haversine in its atan2 form). Never fails; identical points
// give 0 and antipodal points half the circumference.
double gf_distanceNM(const Lalo& a, const Lalo& b) noexcept;

// Initial great-circle bearing from `from` to `to`, radians in [0, 2 pi). Identical points
// give 0. From a pole the bearing is measured against the meridian of `from`'s longitude.
double gf_bearing(const Lalo& from, const Lalo& to) noexcept;

// The point reached from `start` along the great circle with the initial bearing (radians)
// after the distance in feet; the longitude is wrapped into [-180, 180].
Lalo gf_destination(const Lalo& start, double bearingRad, double distanceFeet) noexcept;

// The angle in [0, 2 pi); a value that is not finite gives 0.
double gf_normaliseAngle(double rad) noexcept;

// A longitude in degrees wrapped into [-180, 180]: a value inside stays as it is, one outside
// comes back into [-180, 180); a value that is not finite stays as it is.
double gf_wrapLongitude(double lonDeg) noexcept;

// True when the latitude lies in [-90, 90], the longitude in [-180, 180] and the two are not
// both within 0.0001 of 0 (a position never set). Not-a-number is never valid.
bool gf_isValidLalo(const Lalo& position) noexcept;

} // namespace skyloom

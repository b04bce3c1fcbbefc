// The cubic Hermite curve from the origin of a flat frame to an end point P1, leaving along
// the tangent T0 and arriving along T1, over t in [0, 1]: position and derivative at t (a t
// outside [0, 1] is taken at the nearer end). The ground turn paths and the curved air legs
// are built on it.
#pragma once

#include "traffic/motion/flat_earth.h"

namespace skyloom {

struct HermitePoint {
    FlatOffset position;
    FlatOffset derivative;
};

inline HermitePoint gf_hermiteAt(double t, const FlatOffset& t0, const FlatOffset& p1,
                                 const FlatOffset& t1) noexcept {
    t = t < 0.0 ? 0.0 : (t > 1.0 ? 1.0 : t);
    const double t2 = t * t;
    const double t3 = t2 * t;
    const double h10 = t3 - 2.0 * t2 + t;
    const double h01 = 3.0 * t2 - 2.0 * t3;
    const double h11 = t3 - t2;
    const double d10 = 3.0 * t2 - 4.0 * t + 1.0;
    const double d01 = 6.0 * t - 6.0 * t2;
    const double d11 = 3.0 * t2 - 2.0 * t;
    return HermitePoint{FlatOffset{h10 * t0.east + h01 * p1.east + h11 * t1.east,
                                   h10 * t0.north + h01 * p1.north + h11 * t1.north},
                        FlatOffset{d10 * t0.east + d01 * p1.east + d11 * t1.east,
                                   d10 * t0.north + d01 * p1.north + d11 * t1.north}};
}

} // namespace skyloom

// Numbers that the traffic tests share: one degree in radians, and the values that a check
// has to refuse.
#pragma once

#include <limits>

#include "foundation/geo_constants.h"

namespace skyloom {

inline constexpr double kDeg = geo::kRadiansPerDegree;
inline constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
inline constexpr double kInf = std::numeric_limits<double>::infinity();

} // namespace skyloom

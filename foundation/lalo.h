// `Lalo`: a position on the earth, latitude then longitude, both in degrees.
#pragma once

#include <compare>

namespace skyloom {

struct Lalo {
    double lat = 0.0;
    double lon = 0.0;

    friend bool operator==(const Lalo&, const Lalo&) = default;
    friend auto operator<=>(const Lalo&, const Lalo&) = default;
};

} // namespace skyloom

// Runway names and the START altitude choice (sim/facility_runways.h).
#include <array>
#include <cmath>
#include <string_view>

#include <fmt/format.h>

#include "sim/facility_runways.h"

namespace skyloom {

namespace {

constexpr std::array<std::string_view, 8> kCompass{"N", "NE", "E", "SE", "S", "SW", "W", "NW"};
constexpr std::array<std::string_view, 6> kDesignators{"L", "R", "C", "W", "A", "B"};
constexpr double kStartAltitudeToleranceFeet = 50.0;

bool lf_usable(const std::optional<double>& value) {
    return value.has_value() && std::isfinite(*value);
}

} // namespace

std::string gf_runwayDesignatorText(std::uint32_t number, std::int32_t designator) {
    std::string text;
    if (number >= 1 && number <= 36) {
        text = fmt::format("{:02}", number);
    } else if (number >= 37 && number <= 44) {
        text = std::string(kCompass[number - 37]);
    } else {
        text = fmt::format("#{}", number);
    }
    if (designator >= 1 && designator <= 6) {
        text += kDesignators[static_cast<std::size_t>(designator - 1)];
    } else if (designator != 0) {
        text += fmt::format("({})", designator);
    }
    return text;
}

StartAltitude gf_pickStartAltitude(double centre, std::optional<double> thisEnd,
                                   std::optional<double> otherEnd) {
    if (!std::isfinite(centre)) {
        return StartAltitude{lf_usable(thisEnd) ? *thisEnd : centre, false};
    }
    if (!lf_usable(thisEnd)) {
        return StartAltitude{centre, false};
    }
    const double s = *thisEnd - centre;
    if (std::abs(s) <= kStartAltitudeToleranceFeet) {
        return StartAltitude{*thisEnd, false};
    }
    if (lf_usable(otherEnd)) {
        const double o = *otherEnd - centre;
        // Both ends well away from the centre, one above and one below: a sloped runway.
        if (std::abs(o) > kStartAltitudeToleranceFeet && (s > 0) != (o > 0)) {
            return StartAltitude{*thisEnd, false};
        }
    }
    return StartAltitude{centre, true};
}

} // namespace skyloom

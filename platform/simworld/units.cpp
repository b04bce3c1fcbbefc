#include "platform/simworld/units.h"

#include <array>
#include <cctype>
#include <numbers>
#include <string>

namespace skyloom::simworld {

namespace {

constexpr double kFeetPerMetre = 1.0 / 0.3048;
constexpr double kMetresPerNauticalMile = 1852.0;
constexpr double kFeetPerNauticalMile = kMetresPerNauticalMile * kFeetPerMetre;

const std::array kUnits{
    Unit{"radian", Dimension::angle, 1.0},
    Unit{"radians", Dimension::angle, 1.0},
    Unit{"degree", Dimension::angle, std::numbers::pi / 180.0},
    Unit{"degrees", Dimension::angle, std::numbers::pi / 180.0},
    Unit{"foot", Dimension::length, 1.0},
    Unit{"feet", Dimension::length, 1.0},
    Unit{"ft", Dimension::length, 1.0},
    Unit{"meter", Dimension::length, kFeetPerMetre},
    Unit{"meters", Dimension::length, kFeetPerMetre},
    Unit{"m", Dimension::length, kFeetPerMetre},
    Unit{"nautical mile", Dimension::length, kFeetPerNauticalMile},
    Unit{"nautical miles", Dimension::length, kFeetPerNauticalMile},
    Unit{"knot", Dimension::speed, 1.0},
    Unit{"knots", Dimension::speed, 1.0},
    Unit{"kt", Dimension::speed, 1.0},
    Unit{"feet per minute", Dimension::speed, 60.0 / kFeetPerNauticalMile},
    Unit{"ft/min", Dimension::speed, 60.0 / kFeetPerNauticalMile},
    Unit{"feet per second", Dimension::speed, 3600.0 / kFeetPerNauticalMile},
    Unit{"ft/s", Dimension::speed, 3600.0 / kFeetPerNauticalMile},
    Unit{"meters per second", Dimension::speed, 3600.0 / kMetresPerNauticalMile},
    Unit{"m/s", Dimension::speed, 3600.0 / kMetresPerNauticalMile},
    Unit{"kilometers per hour", Dimension::speed, 1000.0 / kMetresPerNauticalMile},
    Unit{"km/h", Dimension::speed, 1000.0 / kMetresPerNauticalMile},
    Unit{"second", Dimension::time, 1.0},
    Unit{"seconds", Dimension::time, 1.0},
    Unit{"minute", Dimension::time, 60.0},
    Unit{"minutes", Dimension::time, 60.0},
    Unit{"hour", Dimension::time, 3600.0},
    Unit{"hours", Dimension::time, 3600.0},
    Unit{"bool", Dimension::scalar, 1.0},
    Unit{"number", Dimension::scalar, 1.0},
    Unit{"mask", Dimension::scalar, 1.0},
    Unit{"enum", Dimension::scalar, 1.0},
    Unit{"percent", Dimension::ratio, 1.0},
    Unit{"percent over 100", Dimension::ratio, 100.0},
};

std::string lf_lowerTrimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
        text.remove_prefix(1);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
        text.remove_suffix(1);
    }
    std::string out(text);
    for (char& c : out) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

} // namespace

const Unit* gf_findUnit(std::string_view name) {
    const std::string key = lf_lowerTrimmed(name);
    for (const Unit& unit : kUnits) {
        if (unit.name == key) {
            return &unit;
        }
    }
    return nullptr;
}

double gf_convertUnits(double value, const Unit& from, const Unit& to) {
    if (from.toBase == to.toBase) {
        return value;
    }
    return value * from.toBase / to.toBase;
}

std::string_view gf_dimensionName(Dimension dimension) {
    switch (dimension) {
    case Dimension::angle:
        return "angle";
    case Dimension::length:
        return "length";
    case Dimension::speed:
        return "speed";
    case Dimension::time:
        return "time";
    case Dimension::scalar:
        return "number";
    case Dimension::ratio:
        return "ratio";
    case Dimension::text:
        return "text";
    }
    return "?";
}

} // namespace skyloom::simworld

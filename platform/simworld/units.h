// The units a data definition may name, by dimension, with their factors to the dimension's
// base unit. Names are matched without regard to case. A variable and a unit fit when they
// share the dimension; converting between two units of one dimension multiplies by the ratio
// of their factors, and a unit converted to itself keeps the value bit for bit.
#pragma once

#include <string_view>

namespace skyloom::simworld {

enum class Dimension { angle, length, speed, time, scalar, ratio, text };

struct Unit {
    std::string_view name;
    Dimension dimension;
    double toBase; // radians, feet, knots, seconds, 1, 1
};

// The unit of that name, or nullptr.
const Unit* gf_findUnit(std::string_view name);

double gf_convertUnits(double value, const Unit& from, const Unit& to);

std::string_view gf_dimensionName(Dimension dimension);

} // namespace skyloom::simworld

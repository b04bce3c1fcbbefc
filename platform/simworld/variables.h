// The simulation variables the world knows: name, dimension, the unit the value is kept in,
// whether the name takes an index (":1"), how to read it from an object and, for those the
// program may write, how to set it. Names are matched without regard to case.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "foundation/clock.h"
#include "platform/simworld/object_state.h"
#include "platform/simworld/units.h"

namespace skyloom::simworld {

using VariableValue = std::variant<double, std::string>;

struct VariableContext {
    const ObjectState& object;
    Clock::UtcTime zulu; // the simulator's UTC time
};

struct Variable {
    std::string_view name;
    Dimension dimension;
    std::string_view nativeUnit; // empty for text
    int maxIndex;                // 0: takes no index
    VariableValue (*get)(const VariableContext& context, int index);
    void (*set)(ObjectState& object, int index, double value); // nullptr: read only
};

struct VariableRef {
    const Variable* variable = nullptr;
    int index = 0;
};

// The variable of that name ("PLANE ALTITUDE", "GENERAL ENG THROTTLE LEVER POSITION:2"), or
// nothing for an unknown name, a missing index, an index out of range or one not allowed.
std::optional<VariableRef> gf_findVariable(std::string_view name);

// Seconds of the day, day of the year (1 to 366) and year of a UTC time.
struct ZuluParts {
    double secondsOfDay;
    std::int64_t dayOfYear;
    std::int64_t year;
};
ZuluParts gf_zuluParts(Clock::UtcTime zulu);

} // namespace skyloom::simworld

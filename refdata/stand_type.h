// `StandType`: the kind of a parking position, with the simulator's parking-type values, the
// names that airport files write in their `typestr` attribute, and which kinds count as cargo
// and as ramp stands. Unknown names and values mean NONE.
#pragma once

#include <cstdint>
#include <string_view>

namespace skyloom {

enum class StandType : std::uint32_t {
    NONE = 0,
    RAMP_GA = 1,
    RAMP_GA_SMALL = 2,
    RAMP_GA_MEDIUM = 3,
    RAMP_GA_LARGE = 4,
    RAMP_CARGO = 5,
    RAMP_MIL_CARGO = 6,
    RAMP_MIL_COMBAT = 7,
    GATE_SMALL = 8,
    GATE_MEDIUM = 9,
    GATE_HEAVY = 10,
    DOCK_GA = 11,
    FUEL = 12,
    VEHICLE = 13,
    RAMP_GA_EXTRA = 14,
    GATE_EXTRA = 15,
};

inline constexpr std::uint32_t kStandTypeCount = 16;

// The name of a type; "NONE" for a value outside the table.
std::string_view gf_standTypeName(StandType type) noexcept;
// The type of an exact, case-sensitive name; NONE for any other text.
StandType gf_standTypeFromName(std::string_view name) noexcept;
// The type of a value; NONE for a value outside the table.
StandType gf_standTypeFromValue(std::uint32_t value) noexcept;

// RAMP_CARGO and RAMP_MIL_CARGO.
bool gf_standTypeIsCargo(StandType type) noexcept;
// RAMP_GA, RAMP_GA_SMALL, RAMP_GA_MEDIUM, RAMP_GA_LARGE and RAMP_GA_EXTRA.
bool gf_standTypeIsRamp(StandType type) noexcept;

} // namespace skyloom

#include "refdata/stand_type.h"

#include <array>

namespace skyloom {

namespace {

constexpr std::array<std::string_view, kStandTypeCount> kNames{
    "NONE",          "RAMP_GA",     "RAMP_GA_SMALL",  "RAMP_GA_MEDIUM",
    "RAMP_GA_LARGE", "RAMP_CARGO",  "RAMP_MIL_CARGO", "RAMP_MIL_COMBAT",
    "GATE_SMALL",    "GATE_MEDIUM", "GATE_HEAVY",     "DOCK_GA",
    "FUEL",          "VEHICLE",     "RAMP_GA_EXTRA",  "GATE_EXTRA"};

} // namespace

std::string_view gf_standTypeName(StandType type) noexcept {
    const auto value = static_cast<std::uint32_t>(type);
    return value < kStandTypeCount ? kNames[value] : kNames[0];
}

StandType gf_standTypeFromName(std::string_view name) noexcept {
    for (std::uint32_t value = 0; value < kStandTypeCount; ++value) {
        if (kNames[value] == name) {
            return static_cast<StandType>(value);
        }
    }
    return StandType::NONE;
}

StandType gf_standTypeFromValue(std::uint32_t value) noexcept {
    return value < kStandTypeCount ? static_cast<StandType>(value) : StandType::NONE;
}

bool gf_standTypeIsCargo(StandType type) noexcept {
    return type == StandType::RAMP_CARGO || type == StandType::RAMP_MIL_CARGO;
}

bool gf_standTypeIsRamp(StandType type) noexcept {
    switch (type) {
    case StandType::RAMP_GA:
    case StandType::RAMP_GA_SMALL:
    case StandType::RAMP_GA_MEDIUM:
    case StandType::RAMP_GA_LARGE:
    case StandType::RAMP_GA_EXTRA:
        return true;
    default:
        return false;
    }
}

} // namespace skyloom

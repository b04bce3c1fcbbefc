// `AircraftCategory`: the seven handling classes of aircraft, with their names for log lines.
// The dbase gives each aircraft model its category (refdata/dbase.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace skyloom {

enum class AircraftCategory : std::uint32_t {
    Light = 0,
    TwoProps = 1,
    Bizjet = 2,
    Large = 3,
    Heavy = 4,
    HighPerf = 5,
    Rotorcraft = 6,
};

inline constexpr std::size_t kAircraftCategoryCount = 7;

// "Light", "TwoProps", "Bizjet", "Large", "Heavy", "HighPerf" or "Rotorcraft"; "?" for a value
// outside the enumeration.
std::string_view gf_categoryName(AircraftCategory category) noexcept;

// The category of one of those names (exact, case-sensitive); no value for any other text.
std::optional<AircraftCategory> gf_categoryFromName(std::string_view name) noexcept;

} // namespace skyloom

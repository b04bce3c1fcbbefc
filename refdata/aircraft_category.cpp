#include "refdata/aircraft_category.h"

#include <array>

namespace skyloom {

namespace {

constexpr std::array<std::string_view, kAircraftCategoryCount> kNames = {
    "Light", "TwoProps", "Bizjet", "Large", "Heavy", "HighPerf", "Rotorcraft"};

} // namespace

std::string_view gf_categoryName(AircraftCategory category) noexcept {
    const auto index = static_cast<std::size_t>(category);
    return index < kNames.size() ? kNames[index] : std::string_view("?");
}

std::optional<AircraftCategory> gf_categoryFromName(std::string_view name) noexcept {
    for (std::size_t i = 0; i < kNames.size(); ++i) {
        if (kNames[i] == name) {
            return static_cast<AircraftCategory>(i);
        }
    }
    return std::nullopt;
}

} // namespace skyloom

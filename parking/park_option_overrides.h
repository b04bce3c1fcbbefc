// `ParkOptionOverrides`: the park options that an airport's learned file sets for that
// airport while the user is there. Each value is optional: an absent one leaves the user's
// setting alone. Field names are the parameter keys (config/params_snapshot.h).
#pragma once

#include <cstdint>
#include <optional>

namespace skyloom {

struct ParkOptionOverrides {
    std::optional<std::int32_t> parking_percentage;
    std::optional<std::int32_t> MAX_FIT;
    std::optional<bool> RT_PARKTRAFFIC_ONLY;
    std::optional<bool> AUTO_PARK;
    std::optional<bool> WEEK;
    std::optional<bool> PARK_SOFT;

    friend bool operator==(const ParkOptionOverrides&, const ParkOptionOverrides&) = default;
};

} // namespace skyloom

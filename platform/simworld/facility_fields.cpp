#include "platform/simworld/facility_fields.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

namespace skyloom::simworld {

namespace {

constexpr std::array<std::string_view, 11> kKinds{"AIRPORT",
                                                  "RUNWAY",
                                                  "START",
                                                  "HELIPAD",
                                                  "TAXI_PARKING",
                                                  "PRIMARY_THRESHOLD",
                                                  "SECONDARY_THRESHOLD",
                                                  "FREQUENCY",
                                                  "TAXI_POINT",
                                                  "TAXI_PATH",
                                                  "JETWAY"};

constexpr std::array<std::string_view, 34> kFields{"LATITUDE",
                                                   "LONGITUDE",
                                                   "ALTITUDE",
                                                   "NAME",
                                                   "NAME64",
                                                   "ICAO",
                                                   "REGION",
                                                   "N_RUNWAYS",
                                                   "N_STARTS",
                                                   "N_FREQUENCIES",
                                                   "N_HELIPADS",
                                                   "N_TAXI_PARKINGS",
                                                   "N_TAXI_POINTS",
                                                   "N_TAXI_PATHS",
                                                   "N_JETWAYS",
                                                   "HEADING",
                                                   "LENGTH",
                                                   "WIDTH",
                                                   "PRIMARY_NUMBER",
                                                   "PRIMARY_DESIGNATOR",
                                                   "SECONDARY_NUMBER",
                                                   "SECONDARY_DESIGNATOR",
                                                   "SURFACE",
                                                   "ENABLE",
                                                   "NUMBER",
                                                   "DESIGNATOR",
                                                   "TYPE",
                                                   "TAXI_POINT_TYPE",
                                                   "SUFFIX",
                                                   "ORIENTATION",
                                                   "RADIUS",
                                                   "BIAS_X",
                                                   "BIAS_Z",
                                                   "MAGVAR"};

std::string lf_upperTrimmed(std::string_view text) {
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    std::string out(text);
    for (char& c : out) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return out;
}

template <std::size_t N>
bool lf_contains(const std::array<std::string_view, N>& list, std::string_view key) {
    return std::find(list.begin(), list.end(), key) != list.end();
}

} // namespace

bool gf_isFacilityFieldName(std::string_view name) {
    const std::string key = lf_upperTrimmed(name);
    for (std::string_view prefix : {std::string_view("OPEN "), std::string_view("CLOSE ")}) {
        if (key.starts_with(prefix)) {
            return lf_contains(kKinds, std::string_view(key).substr(prefix.size()));
        }
    }
    return lf_contains(kFields, key);
}

} // namespace skyloom::simworld

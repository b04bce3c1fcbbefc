#include "platform/simworld/event_catalogue.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace skyloom::simworld {

namespace {

constexpr std::array kSystemEvents{kSystemEventSim,           kSystemEventSimStart,
                                   kSystemEventSimStop,       kSystemEventObjectAdded,
                                   kSystemEventObjectRemoved, kSystemEventFlightLoaded,
                                   kSystemEventFrame};

constexpr std::array<std::string_view, 27> kSimEvents{
    "GEAR_SET",
    "GEAR_UP",
    "GEAR_DOWN",
    "ENGINE_AUTO_START",
    "ENGINE_AUTO_SHUTDOWN",
    "THROTTLE_SET",
    "FLAPS_SET",
    "FLAPS_UP",
    "FLAPS_DOWN",
    "SPOILERS_SET",
    "SPOILERS_ON",
    "SPOILERS_OFF",
    "NAV_LIGHTS_SET",
    "BEACON_LIGHTS_SET",
    "LANDING_LIGHTS_SET",
    "TAXI_LIGHTS_SET",
    "STROBES_SET",
    "LOGO_LIGHTS_SET",
    "CABIN_LIGHTS_SET",
    "ALL_LIGHTS_TOGGLE",
    "FREEZE_LATITUDE_LONGITUDE_SET",
    "FREEZE_ALTITUDE_SET",
    "FREEZE_ATTITUDE_SET",
    "PARKING_BRAKES",
    "PAUSE_ON",
    "PAUSE_OFF",
    "PAUSE_SET",
};

std::string lf_upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return out;
}

} // namespace

std::optional<std::string_view> gf_systemEventName(std::string_view name) {
    const std::string key = lf_upper(name);
    for (std::string_view known : kSystemEvents) {
        if (lf_upper(known) == key) {
            return known;
        }
    }
    return std::nullopt;
}

std::optional<std::string> gf_simEventName(std::string_view name) {
    if (name.empty() || name.find('.') != std::string_view::npos) {
        return std::string(name);
    }
    std::string key = lf_upper(name);
    if (std::find(kSimEvents.begin(), kSimEvents.end(), key) != kSimEvents.end()) {
        return key;
    }
    return std::nullopt;
}

} // namespace skyloom::simworld

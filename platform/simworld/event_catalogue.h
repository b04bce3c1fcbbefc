// The names the world knows for SubscribeToSystemEvent ("Sim", "Frame", ...) and for
// MapClientEventToSimEvent ("GEAR_SET", ...). System event names are matched without regard
// to case and come back in their usual spelling; a simulator event name that is empty or holds
// a '.' is a client's own (custom) event and is always accepted.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace skyloom::simworld {

inline constexpr std::string_view kSystemEventSim = "Sim";
inline constexpr std::string_view kSystemEventSimStart = "SimStart";
inline constexpr std::string_view kSystemEventSimStop = "SimStop";
inline constexpr std::string_view kSystemEventObjectAdded = "ObjectAdded";
inline constexpr std::string_view kSystemEventObjectRemoved = "ObjectRemoved";
inline constexpr std::string_view kSystemEventFlightLoaded = "FlightLoaded";
inline constexpr std::string_view kSystemEventFrame = "Frame";

// The usual spelling of a known system event, or nothing.
std::optional<std::string_view> gf_systemEventName(std::string_view name);

// The upper-case name of a known or custom simulator event, or nothing.
std::optional<std::string> gf_simEventName(std::string_view name);

} // namespace skyloom::simworld

// Two read-only views of the live traffic for the outside: ObjectIdList.txt, which lists the
// simulator object of every active live aircraft for the user and add-ons, and the list of
// active live aircraft that the window offers for selection. (The stand at a position is
// parking/stand_at_position.h: it reads the stands parking publishes.)
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "traffic/step/traffic_state.h"

namespace skyloom {

// ALL_AIR_GND_SELECTOR's values.
enum class AirGroundSelector : std::int32_t { all = 0, airborne = 1, ground = 2 };

// The lines of ObjectIdList.txt, one per active live aircraft in list order.
std::vector<std::string> lf_objectIdLines(const TrafficState& state);
// Writes ObjectIdList.txt (`path`, gf_objectIdListPath in the program) through the safe save,
// so that a reader never sees half a list. False (and the line "Failed to write {path}", the
// file noted as not saved) on failure.
bool lf_writeObjectIdList(const TrafficState& state, const std::filesystem::path& path);
// "{callsign}, {registration}, {hexid:x}, oid={object id}" per active aircraft that the
// selector lets through, "null" for an empty text.
std::vector<std::string> gf_liveAircraftList(const TrafficState& state, AirGroundSelector selector);

} // namespace skyloom

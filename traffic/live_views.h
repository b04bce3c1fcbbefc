// Three read-only views of the live traffic for the outside: ObjectIdList.txt, which lists the
// simulator object of every active live aircraft for the user and add-ons; the list of active
// live aircraft that the window offers for selection; and the stand at a position, which any
// thread may ask of the published stands.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/lalo.h"
#include "refdata/airport_file.h"
#include "traffic/traffic_state.h"

namespace skyloom {

// A stand counts at a position within 20 m of its centre (NM^2).
inline constexpr double kStandAtPositionNm2 = 0.00011662133983924917;
// A position this close to the last one asked (NM^2, 0.003 NM) gets the last answer.
inline constexpr double kStandCacheNm2 = 9e-6;

// ALL_AIR_GND_SELECTOR's values.
enum class AirGroundSelector : std::int32_t { all = 0, airborne = 1, ground = 2 };

// The lines of ObjectIdList.txt, one per active live aircraft in list order.
std::vector<std::string> lf_objectIdLines(const TrafficState& state);
// Writes ObjectIdList.txt (`path`, gf_objectIdListPath in the program): to a temporary file
// first, moved into place, so that a reader never sees half a list. False (and the line
// "Failed to write {path}") on failure.
bool lf_writeObjectIdList(const TrafficState& state, const std::filesystem::path& path);
// "{callsign}, {registration}, {hexid:x}, oid={object id}" per active aircraft that the
// selector lets through, "null" for an empty text.
std::vector<std::string> gf_liveAircraftList(const TrafficState& state, AirGroundSelector selector);

// The name of the stand at the position among the published stands; nothing when there are no
// stands or the user aircraft's position is not known yet. Each thread keeps its last answer.
std::optional<std::string> gf_standAtPosition(const std::shared_ptr<const std::vector<Stand>>& stands,
                                              bool userPositionKnown, const Lalo& position);

} // namespace skyloom

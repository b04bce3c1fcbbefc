#include "refdata/airport_file.h"

#include <utility>

namespace skyloom {

Stand gf_makeStand(std::string id, std::vector<FlightOption> options, const Lalo& position,
                   double headingRad, double radiusMetres, StandType type, bool cargo, bool ramp,
                   bool heli) {
    Stand stand;
    stand.options = std::move(options);
    stand.id = std::move(id);
    stand.position = position;
    stand.heading = headingRad;
    stand.radius = radiusMetres * kStandNMPerMetre;
    stand.type = type;
    stand.cargo = cargo;
    stand.ramp = ramp;
    stand.heli = heli;
    return stand;
}

} // namespace skyloom

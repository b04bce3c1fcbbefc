#include "gui/park_airport_links.h"

namespace skyloom {

ParkAirportLinks& gf_parkAirportLinks() {
    static ParkAirportLinks links;
    return links;
}

} // namespace skyloom

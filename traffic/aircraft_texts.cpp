#include "traffic/aircraft_texts.h"

#include <fmt/format.h>

#include "refdata/code_table.h"
#include "traffic/aircraft_record.h"

namespace skyloom {

std::string gf_liveryKeyText(const LiveryKey& key) {
    const std::string op = key.operatorId != 0 ? "," + gf_airlineCode(key.operatorId) : "";
    return fmt::format("{:3}{:4} {:4}{}{:3}", gf_airlineCode(key.airline), op,
                       gf_modelCode(key.model), key.fromRegistration != 0 ? "." : " ",
                       key.cargo != 0 ? "(C)" : "");
}

std::string gf_aircraftKeyText(const AircraftBase& base) {
    return gf_liveryKeyText(base.key) + " " + base.registration;
}

std::string gf_origDestText(const IataCode& origin, const IataCode& destination) {
    if (origin.view().empty() && destination.view().empty()) {
        return std::string(8, ' ');
    }
    return fmt::format("{:3}->{:3}", origin.view(), destination.view());
}

} // namespace skyloom

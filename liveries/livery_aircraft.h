// `LiveryAircraft`: what the livery choice reads of an aircraft and writes back into it. The
// live traffic fills one from its aircraft record (the common part of live and static
// aircraft) when an aircraft is to be shown, hands it to gf_matchLiveLivery or
// gf_matchStaticLivery (liveries/livery_choice.h), and copies the livery title and the two
// flags back. The texts it reads are views that must stay valid during the call; the title it
// gets views a text of the livery tables, valid until the tables are rebuilt at the next
// start-up.
#pragma once

#include <string_view>

#include "foundation/iata_code.h"
#include "refdata/aircraft_category.h"
#include "refdata/livery_key.h"

namespace skyloom {

struct LiveryAircraft {
    // Read.
    LiveryKey key;
    // The aircraft's registration; may be empty.
    std::string_view regcode;
    AircraftCategory category = AircraftCategory::Large;
    // For the log lines only.
    std::string_view callsign;
    IataCode origin;
    IataCode destination;

    // Written. An empty title means no livery. A static aircraft may come with a title given
    // by its source, which it keeps.
    std::string_view liveryTitle;
    // Live aircraft: the title contains "FSLTL_".
    bool fsltlLivery = false;
    // Live aircraft: the livery was found at a step beyond MATCHING_DEPTH (only allowed high
    // up or for a light category); the live traffic removes such aircraft once they descend.
    bool tcasCoverage = false;
};

} // namespace skyloom

#include "parking/stand_helper_seams.h"

#include "parking/parking_state.h"
#include "parking/real_stand_options.h"
#include "parking/stand_helpers.h"

namespace skyloom {

void gf_fillStandHelperSeams(ParkingSeams& seams, ParkingState& state, WindowSink& window) {
    // The helpers work on the state's table; the plan hands that same table in.
    seams.gf_standById = [&state](std::vector<Stand>&, std::int32_t sid) {
        return gf_standById(state, sid);
    };
    seams.gf_reserveStand = [&state](std::vector<Stand>&, std::int32_t sid, std::int32_t wanted) {
        return gf_reserveStand(state, sid, wanted);
    };
    seams.gf_standsConflict = [&state](const std::vector<Stand>&, std::int32_t a, std::int32_t b) {
        return gf_standsConflict(state, a, b);
    };
    seams.lf_sameAircraftKey = [](const StaticAircraft& aircraft, const FlightOption& option) {
        return lf_sameAircraftKey(aircraft.base.registration, aircraft.base.key, option);
    };
    seams.gf_setParkedAircraftTarget = [&state, &window](std::int32_t percentage,
                                                         std::int32_t maximum) {
        return gf_setParkedAircraftTarget(state, percentage, maximum, window);
    };
    seams.gf_blockUserStandForStatic = [&state](std::vector<Stand>&, const std::string& name,
                                                const std::string& label) {
        gf_blockUserStandForStatic(state, name, label);
    };
    seams.lf_findStandByWord = [](std::span<const Stand> stands, const std::string& text,
                                  const Lalo& position) {
        return lf_findStandByWord(stands, text, position);
    };
    seams.gf_standIdText = [&state](std::int32_t sid) { return gf_standIdText(state, sid); };
}

} // namespace skyloom

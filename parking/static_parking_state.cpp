#include "parking/static_parking_state.h"

#include <utility>

#include "refdata/dbase_lookups.h"

namespace skyloom {

namespace {

void lf_check(std::vector<std::string>& missing, bool set, const char* name) {
    if (!set) {
        missing.emplace_back(name);
    }
}

} // namespace

std::vector<std::string> gf_missingParkingSeams(const ParkingSeams& seams) {
    std::vector<std::string> missing;
    const auto check = [&missing](const auto& seam, const char* name) {
        lf_check(missing, static_cast<bool>(seam), name);
    };
    check(seams.gf_standById, "gf_standById");
    check(seams.gf_reserveStand, "gf_reserveStand");
    check(seams.gf_standsConflict, "gf_standsConflict");
    check(seams.lf_sameAircraftKey, "lf_sameAircraftKey");
    check(seams.gf_setParkedAircraftTarget, "gf_setParkedAircraftTarget");
    check(seams.gf_blockUserStandForStatic, "gf_blockUserStandForStatic");
    check(seams.lf_findStandByWord, "lf_findStandByWord");
    check(seams.gf_currentParkAirportName, "gf_currentParkAirportName");
    check(seams.gf_standAtUserPosition, "gf_standAtUserPosition");
    check(seams.gf_standIdText, "gf_standIdText");
    check(seams.gf_isCategoryIncluded, "gf_isCategoryIncluded");
    check(seams.gf_isValidIcao, "gf_isValidIcao");
    check(seams.gf_initAircraftBase, "gf_initAircraftBase");
    check(seams.gf_processParkedTraffic, "gf_processParkedTraffic");
    check(seams.gf_disableParkingControls, "gf_disableParkingControls");
    check(seams.gf_enableParkingControls, "gf_enableParkingControls");
    return missing;
}

std::vector<std::string> gf_missingAdjustmentSeams(const ParkingSeams& seams) {
    std::vector<std::string> missing = gf_missingParkingSeams(seams);
    lf_check(missing, static_cast<bool>(seams.lf_collectLiveStayers), "lf_collectLiveStayers");
    lf_check(missing, static_cast<bool>(seams.lf_removeNOldestLiveParked),
             "lf_removeNOldestLiveParked");
    lf_check(missing, static_cast<bool>(seams.removeAircraftFromSim), "removeAircraftFromSim");
    return missing;
}

ModelFacts gf_dbaseModelFacts() {
    return {[](std::uint16_t id) { return gf_modelCategory(id); },
            [](std::uint16_t id) { return gf_wingspan(id); }};
}

void gf_clearStaticParkingState(StaticParkingState& state) {
    state.plan.clear();
    state.removals.clear();
    state.feedCallsigns.clear();
    state.feedHexids.clear();
    state.stayers.clear();
    state.generating = false;
    state.wanted = 0;
}

} // namespace skyloom

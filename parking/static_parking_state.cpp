#include "parking/static_parking_state.h"

#include <utility>

#include "parking/parking_state.h"
#include "traffic/step/traffic_state.h"

namespace skyloom {

StaticParkingRun gf_makeStaticParkingRun(ParkingState& parking, TrafficState& traffic,
                                         const ParamsSnapshot& settings, std::uint64_t now,
                                         ParkingWindow& controls, WindowSink& window) {
    return StaticParkingRun{parking,  parking.stands,       traffic,
                            traffic.staticAircraft,         traffic.liveAircraft,
                            settings, parking.qfSoft,       now,
                            controls, window};
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

StaticParkingShown gf_staticParkingShown(const ParkingState& parking,
                                         const StaticParkingState& state) {
    StaticParkingShown shown;
    shown.generating = state.generating;
    shown.active = parking.airportFileApplied;
    shown.fileWeek = parking.airportFileApplied ? parking.file.rtTrafficWeek : 0;
    shown.planCount = state.generating ? state.plan.size() : 0;
    return shown;
}

void gf_showStaticParking(const ParkingState& parking, StaticParkingState& state,
                          ParkingWindow& window) {
    const StaticParkingShown now = gf_staticParkingShown(parking, state);
    if (now != state.shown) {
        state.shown = now;
        window.showStaticParking(now);
    }
}

} // namespace skyloom

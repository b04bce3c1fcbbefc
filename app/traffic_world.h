// `ProgramTrafficWorld`: the world around the live traffic as the program keeps it for the
// traffic state's motion and decoder: the park airport's runways, read whenever parking loads
// the airport's stands, and the refresh of `TrafficState::motionWorld` from the park airport,
// the user aircraft, the settings and the QNH. Main worker thread.
#pragma once

#include <string_view>

#include "foundation/icao_code.h"
#include "traffic/ground/runway_list.h"

namespace skyloom {

class StopControl;
class UserAircraft;
struct TrafficState;

class ProgramTrafficWorld {
public:
    ProgramTrafficWorld(TrafficState& traffic, const UserAircraft& user, const StopControl& stop);

    // Parking's hook after the park airport's stands were loaded: reads the airport's runways
    // (the file's publisher tells whether they may differ from the last load) and refreshes.
    void correctRunwayHeadings(const IcaoCode& icao, std::string_view source);
    // Brings the motion's world up to date (user position, park airport, settings, QNH).
    void refresh();

    const RunwayList& runways() const noexcept { return runways_; }

private:
    TrafficState& traffic_;
    const UserAircraft& user_;
    const StopControl& stop_;
    RunwayList runways_;
};

} // namespace skyloom

// `ParkingContext`: everything the park-airport choice, the loading of its stands and static
// parking's start and stop work with: the parking state, the park-airport list, the park
// airport entry, the parameters, the user aircraft, the run's services, the window's parking
// panel, the live traffic's state (its static and live aircraft, the park airport's runways)
// and the static parking plan. The live traffic and the feed lie below parking and are called
// directly; the window is reached through `ParkingWindow`. Main worker thread.
#pragma once

#include <optional>

namespace skyloom {

class ParkAirportEntry;
class ParkAirportList;
class ParkingState;
class ParkingWindow;
class ProgramParameters;
struct StaticParkingState;
struct TrafficState;
class UserAircraft;
struct RunServices;

struct ParkingContext {
    ParkingState& state;
    ParkAirportList& list;
    ParkAirportEntry& entry;
    ProgramParameters& parameters;
    const UserAircraft& user;
    const RunServices& services;
    ParkingWindow& window;
    TrafficState& traffic;
    StaticParkingState& staticParking;
    // The RT Direct road (else the RT App road).
    bool rtDirect = false;
    // kHeaderSimMsfs2020 or kHeaderSimMsfs2024, for the learned files written.
    int simulator = 0;
};

// The park airport's altitude as the reference of the traffic road in use (none clears it).
void gf_setFeedReference(const ParkingContext& context, std::optional<double> altitudeFt);

} // namespace skyloom

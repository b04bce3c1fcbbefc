// The program's static parking plan: its state, the plan's seams filled from the parking code's
// own stand helpers, the park-airport list, the live traffic, the feed of the road in use and
// the window's parking controls, and the steps of the program's parking context that plan,
// empty the plan and remove the park airport's aircraft. Main worker thread.
#pragma once

namespace skyloom {

struct ParkingContext;
struct ParkingSeams;
struct StaticParkingState;
struct TrafficState;

// The program's static parking state (the plan the traffic step takes from).
StaticParkingState& gf_staticParkingState();

// The plan's seams over the context's parking state, user aircraft, parameters and window,
// which must outlive them. The live traffic's nearest-stand search, live stayers and removals
// of static aircraft stay unset until the live traffic offers them.
ParkingSeams gf_programParkingSeams(const ParkingContext& context);

// Sets the context's steps that plan static parking over the traffic state's live and static
// aircraft, empty the plan and remove the park airport's aircraft.
void gf_wireStaticParking(ParkingContext& context, TrafficState& traffic);

// Once a plan was made and the traffic step has taken all of it, the parking controls come
// back (every 14 main cycles).
void gf_enableParkingControlsWhenPlanned(const ParkingContext& context);

} // namespace skyloom

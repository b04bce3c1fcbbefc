// Static parking at the park airport starts and stops here: the periodic update (every
// PARKING_INTERVAL_MINUTES and on request) saves what was learned at the airport, reads its
// stands again and plans; stopping saves what was learned, puts the park options back and
// clears the park airport and its stands. Main worker thread.
#pragma once

namespace skyloom {

struct ParkingContext;

// Saves the learned stand options (while an airport file is applied; otherwise the save logs
// that none is), then reloads the park airport's stands and plans; a failed load re-enables
// the parking controls, shows why and stops static parking.
void lf_updateStaticParking(ParkingContext& context);

// When an airport file is applied: saves what was learned and puts the park options back.
// Then no park airport, no stands.
void lf_stopStaticParking(ParkingContext& context);

// Saves what was learned at the park airport into its learned file.
void gf_saveLearnedOfParkAirport(ParkingContext& context);

} // namespace skyloom

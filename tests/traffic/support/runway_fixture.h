// Runways for the runway tests, built the way the facility reader builds them: ends half the
// length either side of the centre along the heading, a START at each end at the runway's
// altitude, no displaced thresholds; and positions given by offsets along and across a runway.
#pragma once

#include <cstdint>

#include "foundation/lalo.h"
#include "platform/simworld/facility_setup.h"
#include "sim/facility_runways.h"

namespace skyloom::testing {

struct RunwayLayout {
    Lalo centre;
    double headingDeg = 90;
    double length = 3000; // m
    double width = 45;    // m
    std::uint32_t primaryNumber = 9;
    std::uint32_t primaryDesignator = 0;
    std::uint32_t secondaryNumber = 27;
    std::uint32_t secondaryDesignator = 0;
    double altitudeFt = 1000;
};

FacilityRunway gf_makeRunway(const RunwayLayout& layout);

// The motion scenarios' park airport: one runway 14-32, 3300 m long, at 1400 ft.
RunwayLayout gf_scenarioRunwayLayout();

// The runway of an airport's facility data (as the simulated world holds it) the same way.
FacilityRunway gf_makeRunway(const simworld::FacilityRunwaySetup& setup);

// The point `along` metres from the runway's centre along its primary heading and `cross`
// metres to the right of it.
Lalo gf_onRunway(const FacilityRunway& runway, double along, double cross);

} // namespace skyloom::testing

#include "tests/traffic/support/runway_fixture.h"

#include <cmath>
#include <numbers>

#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "traffic/motion/flat_earth.h"
#include "traffic/motion/motion_constants.h"

namespace skyloom::testing {

RunwayLayout gf_scenarioRunwayLayout() {
    RunwayLayout layout;
    layout.centre = {47.4647, 8.5492};
    layout.headingDeg = 140;
    layout.length = 3300;
    layout.primaryNumber = 14;
    layout.secondaryNumber = 32;
    layout.altitudeFt = 1400;
    return layout;
}

FacilityRunway gf_makeRunway(const RunwayLayout& layout) {
    FacilityRunway r;
    r.centreLatitude = layout.centre.lat;
    r.centreLongitude = layout.centre.lon;
    const double h = layout.headingDeg * geo::kRadiansPerDegree;
    const double halfFeet = layout.length / 2 * geo::kFeetPerMetre;
    const Lalo primary =
        gf_destination(layout.centre, gf_normaliseAngle(h + std::numbers::pi), halfFeet);
    const Lalo secondary = gf_destination(layout.centre, h, halfFeet);
    r.primaryLatitude = primary.lat;
    r.primaryLongitude = primary.lon;
    r.secondaryLatitude = secondary.lat;
    r.secondaryLongitude = secondary.lon;
    r.altitude = layout.altitudeFt;
    r.heading = layout.headingDeg;
    r.length = layout.length;
    r.width = layout.width;
    r.primaryNumber = layout.primaryNumber;
    r.primaryDesignator = layout.primaryDesignator;
    r.secondaryNumber = layout.secondaryNumber;
    r.secondaryDesignator = layout.secondaryDesignator;
    r.primaryStart = {primary.lat, primary.lon, layout.altitudeFt, layout.headingDeg, 1, 1};
    r.secondaryStart = {secondary.lat,
                        secondary.lon,
                        layout.altitudeFt,
                        std::fmod(layout.headingDeg + 180, 360),
                        1,
                        1};
    return r;
}

FacilityRunway gf_makeRunway(const simworld::FacilityRunwaySetup& setup) {
    RunwayLayout layout;
    layout.centre = {setup.latitudeDeg, setup.longitudeDeg};
    layout.headingDeg = setup.headingDeg;
    layout.length = setup.lengthMeters;
    layout.width = setup.widthMeters;
    layout.primaryNumber = static_cast<std::uint32_t>(setup.primaryNumber);
    layout.primaryDesignator = static_cast<std::uint32_t>(setup.primaryDesignator);
    layout.secondaryNumber = static_cast<std::uint32_t>(setup.secondaryNumber);
    layout.secondaryDesignator = static_cast<std::uint32_t>(setup.secondaryDesignator);
    layout.altitudeFt = setup.altitudeMeters * geo::kFeetPerMetre;
    return gf_makeRunway(layout);
}

Lalo gf_onRunway(const FacilityRunway& runway, double along, double cross) {
    // On the runway search's own flat frame, so that offsets come back as given.
    const double h = runway.heading * geo::kRadiansPerDegree;
    const Lalo centre{runway.centreLatitude, runway.centreLongitude};
    return gf_flatPosition(
        centre,
        {along * std::sin(h) + cross * std::cos(h), along * std::cos(h) - cross * std::sin(h)},
        motion::kRunwayFrameEarthRadiusMetres * geo::kRadiansPerDegree,
        std::cos(centre.lat * geo::kRadiansPerDegree));
}

} // namespace skyloom::testing

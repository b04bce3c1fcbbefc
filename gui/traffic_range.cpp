#include "gui/traffic_range.h"

#include <cmath>

#include "config/parameter_rules.h"
#include "config/parameters.h"
#include "config/startup_choices.h"
#include "feed/rtapi_query_area.h"
#include "runtime/user_aircraft.h"

namespace skyloom {
namespace {

// Between two flight levels the radius goes linearly from the lower level's radius to the
// upper one's; levels that coincide give the upper radius at once.
double lf_between(double fl, std::int32_t lowFl, std::int32_t highFl, double lowRadius,
                  double highRadius) {
    if (highFl == lowFl) {
        return highRadius;
    }
    return lowRadius + (highRadius - lowRadius) * (fl - lowFl) / (highFl - lowFl);
}

} // namespace

double gf_autoRangeRadiusNm(const AutoRangeSettings& s, bool onGround, double altitudeFt) {
    if (onGround) {
        return s.RANGE_GROUND;
    }
    const double fl = altitudeFt / 100.0;
    if (fl <= s.FLIGHT_LEVEL_1) {
        return s.FLIGHT_LEVEL_1 == 0
                   ? s.RANGE_1
                   : lf_between(fl, 0, s.FLIGHT_LEVEL_1, s.RANGE_GROUND, s.RANGE_1);
    }
    if (fl <= s.FLIGHT_LEVEL_2) {
        return lf_between(fl, s.FLIGHT_LEVEL_1, s.FLIGHT_LEVEL_2, s.RANGE_1, s.RANGE_2);
    }
    if (fl <= s.FLIGHT_LEVEL_3) {
        return lf_between(fl, s.FLIGHT_LEVEL_2, s.FLIGHT_LEVEL_3, s.RANGE_2, s.RANGE_3);
    }
    return s.RANGE_ABOVE;
}

void gf_computeAutoRange(ProgramParameters& parameters, const UserAircraft& user) {
    const std::int32_t before = parameters.RANGE.value();
    const AutoRangeSettings settings{
        parameters.FLIGHT_LEVEL_1.value(), parameters.FLIGHT_LEVEL_2.value(),
        parameters.FLIGHT_LEVEL_3.value(), parameters.RANGE_GROUND.value(),
        parameters.RANGE_1.value(),        parameters.RANGE_2.value(),
        parameters.RANGE_3.value(),        parameters.RANGE_ABOVE.value()};
    const double radius =
        gf_autoRangeRadiusNm(settings, user.onGround.load(), user.state().altitude);
    gf_setRange(parameters, std::lround(radius));
    if (gf_isRtDirect() && parameters.RANGE.value() != before) {
        gf_updateRtApiQueryArea(user.position());
    }
}

void gf_applyRange(ProgramParameters& parameters, const UserAircraft& user) {
    if (parameters.AUTO_RANGE.value()) {
        gf_computeAutoRange(parameters, user);
    } else {
        gf_setRange(parameters, parameters.RANGE.value());
    }
    parameters.RANGE.enable(!parameters.AUTO_RANGE.value());
}

} // namespace skyloom

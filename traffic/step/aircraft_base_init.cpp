// The common part of a live or static aircraft, filled from its first report.
#include <algorithm>
#include <numbers>
#include <random>

#include "foundation/random.h"
#include "refdata/code_table.h"
#include "refdata/dbase_lookups.h"
#include "traffic/step/aircraft_record.h"

namespace skyloom {

namespace {

constexpr double kNmPerMetre = 0.0005399568034557236;
constexpr double kStandFitFactor = 1.8;
constexpr double kStandFitMarginM = 12.0;
constexpr double kStandFitMinM = 18.0;
constexpr double kStandFitMaxM = 65.0;
constexpr double kWideStandFitFactor = 1.25;
constexpr double kRotationPitchVariation = 0.025;
constexpr double kClimbPitchVariation = 0.05;

// The value moved by up to `fraction` of itself, up or down with equal chance.
double lf_varied(double value, double fraction) {
    std::uniform_real_distribution<double> share(0.0, fraction);
    const double delta = value * share(gf_randomEngine());
    return std::bernoulli_distribution(0.5)(gf_randomEngine()) ? value + delta : value - delta;
}

} // namespace

void gf_initAircraftBase(AircraftBase& out, const TrafficEntry& head) {
    out = AircraftBase{};
    out.key = head.key;
    out.origin = head.origin;
    out.destination = head.destination;
    out.reserved = head.reserved ? 1 : 0;
    out.callsign = head.callsign;
    out.displayCallsign = head.displayCallsign;
    out.thirdText = head.thirdText;
    out.registration = head.registration;
    out.halfWingspanNm = gf_wingspan(head.key.model);
    out.conflictRadiusNm = out.halfWingspanNm;
    const std::string code = gf_modelCode(head.key.model);
    out.category = gf_modelCategoryOf(code);
    const CategoryHandling& handling = gf_categoryHandling(out.category);
    out.cgHeightFt = handling.cgHeightFt;
    out.jet = out.category == AircraftCategory::Bizjet || out.category == AircraftCategory::Large ||
              out.category == AircraftCategory::Heavy;
    out.regional = out.category == AircraftCategory::Large && gf_isRegionalModel(code);
    out.lightTwin = out.category == AircraftCategory::TwoProps && gf_isLightTwinModel(code);
    out.lightSingle = out.category == AircraftCategory::Light && gf_isLightSingleModel(code);
    out.flareTicks = handling.flareTicks;
    out.touchDownTicks = handling.touchDownTicks;
    out.rotationTicks = handling.rotationTicks;
    out.climbPitchTicks = handling.climbPitchTicks;
    constexpr double kRadPerDeg = std::numbers::pi / 180.0;
    out.rotationPitchRad =
        lf_varied(handling.rotationPitchDeg, kRotationPitchVariation) * kRadPerDeg;
    out.initialClimbPitchRad =
        lf_varied(handling.initialClimbPitchDeg, kClimbPitchVariation) * kRadPerDeg;
    out.headingRateRadPerTick = handling.headingRateRadPerTick;
    out.pushbackSpeedKt = handling.pushbackSpeedKt;
    gf_setStandFitRadii(out);
}

void gf_setStandFitRadii(AircraftBase& base) noexcept {
    const double fitM = std::clamp(base.halfWingspanNm / kNmPerMetre * kStandFitFactor +
                                       kStandFitMarginM,
                                   kStandFitMinM, kStandFitMaxM);
    base.standFitRadiusNm = fitM * kNmPerMetre;
    base.wideStandFitRadiusNm = kWideStandFitFactor * base.standFitRadiusNm;
}

} // namespace skyloom

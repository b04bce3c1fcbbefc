#include "traffic/ground/runway_match.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <fmt/format.h>

#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "traffic/motion/flat_earth.h"
#include "traffic/motion/motion_constants.h"

namespace skyloom {

namespace {

using namespace motion;

std::string lf_endText(std::uint32_t number, std::uint32_t designator) {
    return gf_runwayDesignatorText(number, static_cast<std::int32_t>(designator));
}

bool lf_isUsableRunway(const FacilityRunway& r) noexcept {
    return gf_isValidLalo({r.centreLatitude, r.centreLongitude}) && std::isfinite(r.heading) &&
           r.heading >= 0.0 && r.heading < 360.0 && std::isfinite(r.length) && r.length > 0.0 &&
           r.length <= kRunwayMaximumLengthMetres && std::isfinite(r.width) && r.width > 0.0 &&
           r.width <= kRunwayMaximumWidthMetres;
}

std::optional<double> lf_startAltitude(const FacilityRunwayStart& start) noexcept {
    return start.present != 0 ? std::optional<double>(start.altitude) : std::nullopt;
}

// The candidate for one direction of a runway that the position lies on.
RunwayMatch lf_candidate(const FacilityRunway& r, bool secondary, double cross, double along,
                         double heading) {
    RunwayMatch m;
    m.runwayName = gf_runwayName(r);
    m.endDesignator = secondary ? lf_endText(r.secondaryNumber, r.secondaryDesignator)
                                : lf_endText(r.primaryNumber, r.primaryDesignator);
    const double direction =
        gf_normaliseAngle((r.heading + (secondary ? 180.0 : 0.0)) * geo::kRadiansPerDegree);
    m.directionHeadingDeg = direction * geo::kDegreesPerRadian;
    m.headingDifferenceDeg = std::abs(gf_wrapAngle(direction - heading)) * geo::kDegreesPerRadian;
    m.crossOffset = cross;
    m.alongOffset = along;
    m.distanceFromStart = secondary ? r.length / 2.0 - along : along + r.length / 2.0;
    m.startWindow = std::min(kRunwayStartWindowFraction * r.length, kRunwayStartWindowMetres);
    m.length = r.length;
    m.width = r.width;
    const FacilityRunwayStart& thisStart = secondary ? r.secondaryStart : r.primaryStart;
    const FacilityRunwayStart& otherStart = secondary ? r.primaryStart : r.secondaryStart;
    m.altitudeFt =
        gf_pickStartAltitude(r.altitude, lf_startAltitude(thisStart), lf_startAltitude(otherStart))
            .altitude;
    m.endAheadLatitude = secondary ? r.primaryLatitude : r.secondaryLatitude;
    m.endAheadLongitude = secondary ? r.primaryLongitude : r.secondaryLongitude;
    const FacilityThreshold& threshold = secondary ? r.secondaryThreshold : r.primaryThreshold;
    std::optional<double> displacement;
    if (threshold.enabled == 0) {
        displacement = 0.0;
    } else if (threshold.length > 0.0 &&
               threshold.length <= kRunwayStartWindowFraction * r.length) {
        displacement = threshold.length;
    }
    if (displacement) {
        m.distancePastThreshold = m.distanceFromStart - *displacement;
        m.availableLength = r.length - *displacement;
    }
    m.score = std::abs(cross) + m.headingDifferenceDeg;
    m.valid = 1;
    return m;
}

bool lf_isAlignedAndClear(const RunwayMatch& m, double lead) noexcept {
    return m.valid != 0 && m.headingDifferenceDeg <= kRunwayHeadingToleranceDeg &&
           (m.runnerUp.empty() || m.runnerUpScore - m.score >= lead);
}

} // namespace

std::string gf_runwayName(const FacilityRunway& runway) {
    return fmt::format("{}-{}", lf_endText(runway.primaryNumber, runway.primaryDesignator),
                       lf_endText(runway.secondaryNumber, runway.secondaryDesignator));
}

RunwayMatch gf_findRunwayAt(std::span<const FacilityRunway> runways, const Lalo& position,
                            double heading, bool nearStart, double minimumLateral) {
    if (!gf_isValidLalo(position) || !gf_isHeading(heading)) {
        return RunwayMatch{};
    }
    std::vector<RunwayMatch> candidates;
    for (const FacilityRunway& r : runways) {
        if (!lf_isUsableRunway(r)) {
            continue;
        }
        const Lalo centre{r.centreLatitude, r.centreLongitude};
        const double cosMean = std::cos((position.lat + centre.lat) / 2.0 * geo::kRadiansPerDegree);
        const FlatOffset offset = gf_flatOffsetMetres(
            centre, position, kRunwayFrameEarthRadiusMetres * geo::kRadiansPerDegree, cosMean);
        const double h = r.heading * geo::kRadiansPerDegree;
        const double along = std::sin(h) * offset.east + std::cos(h) * offset.north;
        const double cross = std::cos(h) * offset.east - std::sin(h) * offset.north;
        if (std::abs(cross) >
                std::max(r.width / 2.0 + kRunwayLateralMarginMetres, minimumLateral) ||
            std::abs(along) > r.length / 2.0 + kRunwayAlongMarginMetres) {
            continue;
        }
        for (const bool secondary : {false, true}) {
            RunwayMatch m = lf_candidate(r, secondary, cross, along, heading);
            if (nearStart && !(m.distanceFromStart >= -kRunwayAlongMarginMetres &&
                               m.distanceFromStart <= m.startWindow)) {
                continue;
            }
            candidates.push_back(std::move(m));
        }
    }
    if (candidates.empty()) {
        return RunwayMatch{};
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const RunwayMatch& a, const RunwayMatch& b) { return a.score < b.score; });
    RunwayMatch best = std::move(candidates.front());
    if (candidates.size() > 1) {
        const RunwayMatch& second = candidates[1];
        best.runnerUp = fmt::format("{}:{}", second.runwayName, second.endDesignator);
        best.runnerUpScore = second.score;
    }
    return best;
}

RunwayMatch gf_findRunwayOnCentreline(std::span<const FacilityRunway> runways, const Lalo& position,
                                      double heading) {
    RunwayMatch m =
        gf_findRunwayAt(runways, position, heading, false, kRunwayMinimumLateralLimitMetres);
    const bool onCentreline =
        lf_isAlignedAndClear(m, kRunwayClearLeadScore) &&
        std::abs(m.crossOffset) <= kRunwayCentrelineOffsetMetres && std::isfinite(m.length) &&
        m.length > 0.0 && gf_isValidLalo({m.endAheadLatitude, m.endAheadLongitude}) &&
        m.distanceFromStart >= -kRunwayAlongMarginMetres && m.distanceFromStart <= m.length;
    return onCentreline ? m : RunwayMatch{};
}

RunwayMatch gf_findRunwayWithThreshold(std::span<const FacilityRunway> runways,
                                       const Lalo& position, double heading) {
    RunwayMatch m =
        gf_findRunwayAt(runways, position, heading, false, kRunwayMinimumLateralLimitMetres);
    const bool usable = lf_isAlignedAndClear(m, kRunwayClearLeadScore) &&
                        std::abs(m.crossOffset) <= m.width / 2.0 + kRunwayLateralMarginMetres &&
                        m.distancePastThreshold && std::isfinite(*m.distancePastThreshold) &&
                        m.availableLength && std::isfinite(*m.availableLength) &&
                        *m.availableLength > 0.0;
    return usable ? m : RunwayMatch{};
}

RunwayMatch gf_findRunwayUnder(std::span<const FacilityRunway> runways, const Lalo& position) {
    RunwayMatch m = gf_findRunwayAt(runways, position, 0.0, false, 0.0);
    const bool under = m.valid != 0 &&
                       std::abs(m.crossOffset) <= m.width / 2.0 + kRunwayLateralMarginMetres &&
                       m.distanceFromStart >= -kRunwaySurfaceEndMarginMetres &&
                       m.distanceFromStart <= m.length + kRunwaySurfaceEndMarginMetres;
    return under ? m : RunwayMatch{};
}

std::optional<std::string> gf_runwayNameAt(std::span<const FacilityRunway> runways,
                                           const Lalo& position, double heading) {
    RunwayMatch m =
        gf_findRunwayAt(runways, position, heading, false, kRunwayMinimumLateralLimitMetres);
    if (!lf_isAlignedAndClear(m, kRunwayNameLeadScore)) {
        return std::nullopt;
    }
    return std::move(m.endDesignator);
}

bool gf_isNearAirport(std::span<const FacilityRunway> runways, const Lalo& position) {
    if (!gf_isValidLalo(position)) {
        return false;
    }
    return std::any_of(runways.begin(), runways.end(), [&](const FacilityRunway& r) {
        const Lalo centre{r.centreLatitude, r.centreLongitude};
        if (!gf_isValidLalo(centre) || !std::isfinite(r.length) || !(r.length > 0.0)) {
            return false;
        }
        return gf_distanceNM(position, centre) * geo::kMetresPerNM <=
               r.length / 2.0 + kRunwayNearAirportMarginMetres;
    });
}

} // namespace skyloom

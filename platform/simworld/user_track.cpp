#include "platform/simworld/user_track.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

#include <fmt/format.h>

#include "platform/simworld/earth_math.h"

namespace skyloom::simworld {

namespace {

constexpr double kRadPerDeg = std::numbers::pi / 180.0;
// Two waypoints closer than this are the same place: the course is not taken from them.
constexpr double kSamePlaceNm = 1e-6;

double lf_lerp(double a, double b, double f) {
    return f >= 1.0 ? b : a + (b - a) * f;
}

} // namespace

UserTrack::UserTrack(UserAircraftSetup setup, const std::vector<TimelineEvent>& timeline)
    : setup_(std::move(setup)) {
    for (const TimelineEvent& event : timeline) {
        if (event.kind == TimelineEventKind::teleport) {
            TrackPoint point = event.teleportTo;
            point.atSeconds = event.atSeconds;
            point.teleport = true;
            setup_.track.push_back(point);
        }
    }
    std::stable_sort(
        setup_.track.begin(), setup_.track.end(),
        [](const TrackPoint& a, const TrackPoint& b) { return a.atSeconds < b.atSeconds; });
    for (std::size_t i = 1; i < setup_.track.size(); ++i) {
        if (setup_.track[i].atSeconds == setup_.track[i - 1].atSeconds) {
            throw std::invalid_argument(
                fmt::format("two waypoints of the user track at {} s", setup_.track[i].atSeconds));
        }
    }
}

double UserTrack::courseInto(std::size_t index) const {
    for (std::size_t i = index; i > 0; --i) {
        const TrackPoint& to = setup_.track[i];
        if (to.headingDeg) {
            return *to.headingDeg;
        }
        const TrackPoint& from = setup_.track[i - 1];
        if (!to.teleport && gf_earthDistanceNm(from.latitudeDeg, from.longitudeDeg, to.latitudeDeg,
                                               to.longitudeDeg) > kSamePlaceNm) {
            return gf_earthBearingDeg(from.latitudeDeg, from.longitudeDeg, to.latitudeDeg,
                                      to.longitudeDeg);
        }
    }
    if (!setup_.track.empty() && setup_.track.front().headingDeg) {
        return *setup_.track.front().headingDeg;
    }
    return 0.0;
}

ObjectState UserTrack::at(double seconds) const {
    ObjectState s;
    s.objectId = setup_.objectId;
    s.kind = ObjectKind::aircraft;
    s.title = setup_.title;
    s.atcModel = setup_.atcModel;
    s.atcId = setup_.atcId;
    s.lightStates = setup_.lights;
    s.staticCgToGroundFeet = setup_.staticCgToGroundFeet;
    s.staticPitchRad = setup_.staticPitchDeg * kRadPerDeg;
    s.groundAltitudeFeet = setup_.groundElevationFeet;
    s.altitudeFeet = setup_.groundElevationFeet;
    s.onGround = true;
    if (setup_.track.empty()) {
        return s;
    }

    const auto& track = setup_.track;
    const auto next =
        std::upper_bound(track.begin(), track.end(), seconds,
                         [](double t, const TrackPoint& p) { return t < p.atSeconds; });
    const std::size_t nextIndex = static_cast<std::size_t>(next - track.begin());
    const std::size_t fromIndex = nextIndex == 0 ? 0 : nextIndex - 1;
    const TrackPoint& from = track[fromIndex];
    const bool moving = nextIndex > 0 && nextIndex < track.size() && !track[nextIndex].teleport;
    const TrackPoint& to = moving ? track[nextIndex] : from;

    for (std::size_t i = 0; i <= fromIndex; ++i) {
        if (track[i].lights) {
            s.lightStates = *track[i].lights;
        }
    }

    const auto groundOf = [&](const TrackPoint& p) {
        return p.groundElevationFeet.value_or(setup_.groundElevationFeet);
    };
    const auto altitudeOf = [&](const TrackPoint& p) {
        return p.altitudeFeet.value_or(groundOf(p));
    };

    double f = 0.0;
    const double span = to.atSeconds - from.atSeconds;
    if (moving && span > 0) {
        f = std::clamp((seconds - from.atSeconds) / span, 0.0, 1.0);
    }
    s.latitudeDeg = lf_lerp(from.latitudeDeg, to.latitudeDeg, f);
    s.longitudeDeg = gf_wrapLongitude(from.longitudeDeg +
                                      gf_wrapLongitude(to.longitudeDeg - from.longitudeDeg) * f);
    s.groundAltitudeFeet = lf_lerp(groundOf(from), groundOf(to), f);
    s.altitudeFeet = lf_lerp(altitudeOf(from), altitudeOf(to), f);
    s.pitchRad = lf_lerp(from.pitchDeg.value_or(0), to.pitchDeg.value_or(0), f) * kRadPerDeg;
    s.bankRad = lf_lerp(from.bankDeg.value_or(0), to.bankDeg.value_or(0), f) * kRadPerDeg;
    s.onGround = s.altitudeFeet - s.groundAltitudeFeet <= kOnGroundToleranceFeet;

    double course = courseInto(fromIndex);
    if (moving && span > 0) {
        const double distanceNm = gf_earthDistanceNm(from.latitudeDeg, from.longitudeDeg,
                                                     to.latitudeDeg, to.longitudeDeg);
        s.groundSpeedKnots = distanceNm / (span / 3600.0);
        s.verticalSpeedFpm = (altitudeOf(to) - altitudeOf(from)) / (span / 60.0);
        if (distanceNm > kSamePlaceNm) {
            course = gf_earthBearingDeg(from.latitudeDeg, from.longitudeDeg, to.latitudeDeg,
                                        to.longitudeDeg);
        }
    }
    s.trueAirspeedKnots = s.groundSpeedKnots;
    s.groundTrackDeg = course;
    s.headingTrueRad = from.headingDeg.value_or(course) * kRadPerDeg;
    return s;
}

} // namespace skyloom::simworld

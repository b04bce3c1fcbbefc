#include "feed/rtapi_query_area.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "config/params_snapshot.h"
#include "feed/rtapi_settings.h"
#include "foundation/geodesy.h"
#include "runtime/user_aircraft.h"

namespace skyloom {

namespace {

constexpr double kNmPerDegreeLatitude = 60.0;

double lf_down(double value) {
    return std::floor(value * 100.0) / 100.0;
}
double lf_up(double value) {
    return std::ceil(value * 100.0) / 100.0;
}

} // namespace

bool RtApiBox::holds(const Lalo& position) const noexcept {
    if (position.lat < bottom || position.lat > top) {
        return false;
    }
    return left <= right ? (position.lon >= left && position.lon <= right)
                         : (position.lon >= left || position.lon <= right);
}

RtApiBox gf_rtApiBoxAround(const Lalo& centre, double radiusNm) noexcept {
    RtApiBox box;
    const double dLat = radiusNm / kNmPerDegreeLatitude;
    box.top = std::min(90.0, lf_up(centre.lat + dLat));
    box.bottom = std::max(-90.0, lf_down(centre.lat - dLat));
    // The widest latitude of the box decides how many degrees of longitude the radius spans.
    const double widest = std::max(std::abs(box.top), std::abs(box.bottom));
    const double cosine = std::cos(widest * std::numbers::pi / 180.0);
    const double dLon = cosine > 1e-6 ? dLat / cosine : 360.0;
    if (dLon >= 180.0) {
        box.left = -180.0;
        box.right = 180.0;
        return box;
    }
    box.left = lf_down(gf_wrapLongitude(centre.lon - dLon));
    box.right = lf_up(gf_wrapLongitude(centre.lon + dLon));
    box.left = std::max(-180.0, box.left);
    box.right = std::min(180.0, box.right);
    return box;
}

std::optional<RtApiTrafficArea> RtApiQueryArea::trafficArea(const Lalo& user, double radiusNm,
                                                            bool* jumped) {
    if (jumped != nullptr) {
        *jumped = false;
    }
    if (!gf_isValidLalo(user) || !(radiusNm > 0.0)) {
        return std::nullopt;
    }
    std::lock_guard lock(mutex_);
    double moved = 0.0;
    if (traffic_) {
        moved = gf_distanceNM(traffic_->centre, user);
        if (!stale_ && traffic_->radiusNm == radiusNm &&
            moved < traffic_->radiusNm * kRtApiAreaFollowShare) {
            return traffic_;
        }
    }
    if (jumped != nullptr) {
        *jumped = !traffic_ || moved > traffic_->radiusNm;
    }
    traffic_ = RtApiTrafficArea{user, radiusNm, gf_rtApiBoxAround(user, radiusNm)};
    stale_ = false;
    return traffic_;
}

void RtApiQueryArea::invalidate() {
    std::lock_guard lock(mutex_);
    stale_ = true;
}

std::optional<RtApiTrafficArea> RtApiQueryArea::currentTrafficArea() const {
    std::lock_guard lock(mutex_);
    return traffic_;
}

void RtApiQueryArea::setParkedArea(std::optional<RtApiBox> box) {
    std::lock_guard lock(mutex_);
    parked_ = box;
}

std::optional<RtApiBox> RtApiQueryArea::parkedArea() const {
    std::lock_guard lock(mutex_);
    return parked_;
}

void RtApiQueryArea::setReference(std::optional<double> altitudeFt) {
    std::lock_guard lock(mutex_);
    referenceFt_ = altitudeFt;
}

std::optional<double> RtApiQueryArea::reference() const {
    std::lock_guard lock(mutex_);
    return referenceFt_;
}

void RtApiQueryArea::clear() {
    std::lock_guard lock(mutex_);
    traffic_.reset();
    stale_ = false;
    parked_.reset();
}

RtApiQueryArea& gf_rtApiQueryArea() {
    static RtApiQueryArea area;
    return area;
}

void gf_updateRtApiQueryArea(const UserPosition& user) {
    RtApiQueryArea& area = gf_rtApiQueryArea();
    area.invalidate();
    if (user.known) {
        area.trafficArea(user.position, gf_paramsSnapshot()->RANGE);
    }
}

void gf_setRtApiReference(std::optional<double> altitudeFt) {
    gf_rtApiQueryArea().setReference(altitudeFt);
}

void gf_clearRtApiQueryAreas() {
    gf_rtApiQueryArea().clear();
}

} // namespace skyloom

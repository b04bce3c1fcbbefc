#include "traffic/removals/user_ground_check.h"

#include <cmath>

#include "foundation/geo_constants.h"
#include "traffic/motion/flat_earth.h"

namespace skyloom {

std::optional<UserGroundHit>
gf_checkUserAcGndCollisions(const Lalo& user, double userTermNm,
                            std::span<const GroundCheckAircraft> live,
                            std::span<const GroundCheckAircraft> statics) noexcept {
    for (std::size_t i = 0; i < live.size(); ++i) {
        const GroundCheckAircraft& a = live[i];
        if (a.onGround && a.active && gf_isWithinNm(user, userTermNm, a.position, a.radiusNm)) {
            return UserGroundHit{true, i};
        }
    }
    const double cosUserLat = std::cos(user.lat * geo::kRadiansPerDegree);
    for (std::size_t i = 0; i < statics.size(); ++i) {
        const GroundCheckAircraft& a = statics[i];
        const double r = userTermNm + a.radiusNm;
        if (!a.active || !(r > 0.0)) {
            continue;
        }
        const double dy = std::abs(a.position.lat - user.lat) * geo::kFlatNMPerDegree;
        const double dx = std::abs(gf_longitudeDifference(user.lon, a.position.lon)) *
                          geo::kFlatNMPerDegree * cosUserLat;
        if (dy <= r && dx <= r && r * r >= dx * dx + dy * dy) {
            return UserGroundHit{false, i};
        }
    }
    return std::nullopt;
}

} // namespace skyloom

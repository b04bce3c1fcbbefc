#include "parking/stand_at_position.h"

#include "parking/parking_state.h"
#include "refdata/airports.h"

namespace skyloom {

namespace {

struct StandCache {
    std::shared_ptr<const StandsSnapshot> snapshot;
    Lalo position;
    std::optional<std::string> result;
};

} // namespace

std::optional<std::string> gf_standAtPosition(const std::shared_ptr<const StandsSnapshot>& snapshot,
                                              bool userPositionKnown, const Lalo& position) {
    thread_local StandCache cache;
    if (snapshot == nullptr || snapshot->stands.empty() || !userPositionKnown) {
        cache = {};
        return std::nullopt;
    }
    if (cache.snapshot == snapshot &&
        gf_flatDistanceSquaredNM(position, cache.position) <= kStandCacheNm2) {
        return cache.result;
    }
    const StandPlace* nearest = nullptr;
    double best = kStandAtPositionNm2;
    for (const StandPlace& stand : snapshot->stands) {
        const double d2 = gf_flatDistanceSquaredNM(position, stand.position);
        if (d2 <= best) {
            best = d2;
            nearest = &stand;
        }
    }
    cache.snapshot = snapshot;
    cache.position = position;
    cache.result = nearest ? std::optional<std::string>(nearest->id) : std::nullopt;
    return cache.result;
}

} // namespace skyloom

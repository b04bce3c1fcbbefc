#include "traffic/stands_snapshot.h"

#include <atomic>

#include "refdata/airport_file.h"

namespace skyloom {

namespace {

std::atomic<std::shared_ptr<const StandsSnapshot>>& lf_snapshot() {
    static std::atomic<std::shared_ptr<const StandsSnapshot>> snapshot{
        std::make_shared<const StandsSnapshot>()};
    return snapshot;
}

} // namespace

void gf_publishStandsSnapshot(const std::vector<Stand>& stands) {
    auto next = std::make_shared<StandsSnapshot>();
    next->reserve(stands.size());
    for (const Stand& stand : stands) {
        next->push_back({stand.id, stand.position.lat, stand.position.lon});
    }
    lf_snapshot().store(std::move(next));
    lf_snapshot().notify_all();
}

std::shared_ptr<const StandsSnapshot> gf_standsSnapshot() {
    return lf_snapshot().load();
}

void gf_waitForStandsSnapshot(const std::shared_ptr<const StandsSnapshot>& seen) {
    lf_snapshot().wait(seen);
}

} // namespace skyloom

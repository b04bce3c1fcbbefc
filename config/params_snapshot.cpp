#include "config/params_snapshot.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace skyloom {
namespace {

constexpr double kMetresPerNm = 1852.0;

} // namespace

ParamsSnapshotCell::ParamsSnapshotCell(ParamsSnapshot initial, Observer observer)
    : current_(std::make_shared<const ParamsSnapshot>(std::move(initial))),
      observer_(std::move(observer)) {}

std::shared_ptr<const ParamsSnapshot> ParamsSnapshotCell::load() const {
    return current_.load(std::memory_order_acquire);
}

void ParamsSnapshotCell::publish(ParamsSnapshot snapshot) {
    current_.store(std::make_shared<const ParamsSnapshot>(std::move(snapshot)),
                   std::memory_order_release);
    notify();
}

std::shared_ptr<const ParamsSnapshot>
ParamsSnapshotCell::update(const std::function<void(ParamsSnapshot&)>& change) {
    std::shared_ptr<const ParamsSnapshot> expected = current_.load(std::memory_order_acquire);
    for (;;) {
        auto next = std::make_shared<ParamsSnapshot>(*expected);
        change(*next);
        std::shared_ptr<const ParamsSnapshot> published = std::move(next);
        // On failure `expected` is the snapshot another writer published: start again from it,
        // so that its fields survive together with ours.
        if (current_.compare_exchange_weak(expected, published, std::memory_order_acq_rel,
                                           std::memory_order_acquire)) {
            notify();
            return published;
        }
    }
}

void ParamsSnapshotCell::notify() const {
    if (!observer_) {
        return;
    }
    // A writer may be overtaken between loading the snapshot and calling the observer, and
    // then report an older snapshot after the newer one was reported. So each writer reports
    // again until the snapshot it reported is still the current one: whichever call comes
    // last, it was made with the latest snapshot.
    std::shared_ptr<const ParamsSnapshot> reported = load();
    for (;;) {
        observer_(*reported);
        std::shared_ptr<const ParamsSnapshot> now = load();
        if (now == reported) {
            return;
        }
        reported = std::move(now);
    }
}

std::shared_ptr<const ParamsSnapshot> gf_paramsSnapshot() {
    return gf_paramsSnapshotCell().load();
}

std::shared_ptr<const ParamsSnapshot>
gf_updateParamsSnapshot(const std::function<void(ParamsSnapshot&)>& change) {
    return gf_paramsSnapshotCell().update(change);
}

std::int32_t gf_timeShiftMinutesOf(const ParamsSnapshot& snapshot) noexcept {
    const std::int64_t minutes =
        (std::int64_t{snapshot.TIME_SHIFT_DAYS} * 24 + snapshot.TIME_SHIFT_HOURS) * 60 +
        snapshot.TIME_SHIFT_MINS;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(minutes, 0, kTimeShiftLimitMinutes));
}

void gf_setRangeFields(ParamsSnapshot& snapshot, std::int32_t nm) noexcept {
    const std::int32_t whole = nm < 0 ? 0 : nm;
    snapshot.RANGE = static_cast<double>(whole);
    snapshot.rangeNm = whole;
    snapshot.rangeMetres = static_cast<std::uint32_t>(std::lround(whole * kMetresPerNm));
}

void gf_setRangeNm(std::int32_t nm) {
    gf_updateParamsSnapshot([nm](ParamsSnapshot& snapshot) { gf_setRangeFields(snapshot, nm); });
}

void gf_setCategoryFilters(bool lightAircraft, bool twoProps, bool helicopters,
                           bool highPerfAircraft) {
    gf_updateParamsSnapshot([=](ParamsSnapshot& snapshot) {
        snapshot.LIGHT_AIRCRAFT = lightAircraft;
        snapshot.TWO_PROPS = twoProps;
        snapshot.HELICOPTERS = helicopters;
        snapshot.HIGH_PERF_AIRCRAFT = highPerfAircraft;
    });
}

} // namespace skyloom

#include "config/window_requests.h"

namespace skyloom {

std::mutex& gf_parkingOptionsMutex() noexcept {
    static std::mutex mutex;
    return mutex;
}

WindowRequests& gf_windowRequests() noexcept {
    static WindowRequests requests;
    return requests;
}

void WindowRequests::noteParkTrafficOnlyChange(bool value) {
    std::lock_guard lock(gf_parkingOptionsMutex());
    ++parkTrafficOnly_.count;
    parkTrafficOnly_.value = value;
}

ParkTrafficOnlyChange WindowRequests::parkTrafficOnlyChange() const {
    std::lock_guard lock(gf_parkingOptionsMutex());
    return parkTrafficOnly_;
}

void WindowRequests::clear() {
    for (std::atomic<bool>* flag :
         {&aircraftList, &flush, &blockApplied, &unblockPushed, &lightAircraftRemoved,
          &twoPropsRemoved, &helicoptersRemoved, &highPerfRemoved, &matchingDepthRaised,
          &maxParkChanged, &maxLiveChanged, &navLightsWhileParked, &parkingGenerating}) {
        flag->store(false);
    }
    staticParkingUpdates.store(0);
    std::lock_guard lock(gf_parkingOptionsMutex());
    parkTrafficOnly_ = {};
}

} // namespace skyloom

#include "feed/feed_identities.h"

#include <utility>

namespace skyloom {

void FeedIdentities::collect(const std::vector<TrafficEntry>& entries) {
    const std::lock_guard lock(mutex_);
    if (!collecting_) {
        return;
    }
    for (const TrafficEntry& entry : entries) {
        if (!entry.callsign.empty()) {
            callsigns_.insert(entry.callsign);
        }
        hexids_.insert(entry.hexid);
    }
}

void FeedIdentities::clearAndCollect() {
    const std::lock_guard lock(mutex_);
    callsigns_.clear();
    hexids_.clear();
    collecting_ = true;
}

void FeedIdentities::takeOver(FeedCallsignSet& callsigns, FeedHexidSet& hexids) {
    const std::lock_guard lock(mutex_);
    collecting_ = false;
    callsigns_.swap(callsigns);
    hexids_.swap(hexids);
}

bool FeedIdentities::collecting() const {
    const std::lock_guard lock(mutex_);
    return collecting_;
}

FeedCallsignSet FeedIdentities::callsigns() const {
    const std::lock_guard lock(mutex_);
    return callsigns_;
}

FeedHexidSet FeedIdentities::hexids() const {
    const std::lock_guard lock(mutex_);
    return hexids_;
}

FeedIdentities& gf_feedIdentities(TrafficSource road) {
    static FeedIdentities app;
    static FeedIdentities direct;
    return road == TrafficSource::rtDirect ? direct : app;
}

void gf_clearTrafficMaps() {
    gf_feedIdentities(gf_isRtDirect() ? TrafficSource::rtDirect : TrafficSource::rtApp)
        .clearAndCollect();
}

void gf_clearTrafficMapsDirect() {
    gf_feedIdentities(TrafficSource::rtDirect).clearAndCollect();
}

} // namespace skyloom

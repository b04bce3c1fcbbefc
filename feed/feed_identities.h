// The identity sets of a traffic reader: the callsigns and hexids of the live traffic it
// converted while collection is on, so that static parking does not place an aircraft that is
// flying or taxiing in the feed. Each road's reader has one; parking switches collection on
// (gf_clearTrafficMaps) when it picks a park airport and takes the sets over when it plans.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

#include "config/startup_choices.h"
#include "feed/traffic_entry.h"

namespace skyloom {

using FeedCallsignSet = std::unordered_set<std::string>;
using FeedHexidSet = std::unordered_set<std::uint32_t>;

class FeedIdentities {
public:
    // Adds the callsign (when not empty) and the hexid of every entry, while collection is on.
    void collect(const std::vector<TrafficEntry>& entries);
    // Empties both sets and switches collection on.
    void clearAndCollect();
    // Switches collection off and swaps the sets with `callsigns` and `hexids`: afterwards
    // they hold what was collected, and the reader's sets what they held before.
    void takeOver(FeedCallsignSet& callsigns, FeedHexidSet& hexids);

    bool collecting() const;
    FeedCallsignSet callsigns() const;
    FeedHexidSet hexids() const;

private:
    mutable std::mutex mutex_;
    bool collecting_ = false;
    FeedCallsignSet callsigns_;
    FeedHexidSet hexids_;
};

// The identity sets of the reader of a road.
FeedIdentities& gf_feedIdentities(TrafficSource road);

// On the road in use: clears the reader's sets and switches collection on.
void gf_clearTrafficMaps();
// The same for the web API's reader.
void gf_clearTrafficMapsDirect();

} // namespace skyloom

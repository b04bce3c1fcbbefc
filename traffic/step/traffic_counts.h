// The window's traffic counts: the live aircraft the live traffic holds, and the parked ones
// (live aircraft parked at a stand, static aircraft). Counted from the records themselves, so
// that every removal shows as soon as its record is gone.
#pragma once

#include <cstdint>

namespace skyloom {

struct TrafficState;

struct TrafficCounts {
    std::uint64_t live = 0;       // live records
    std::uint64_t liveParked = 0; // active live aircraft in phase parked
    std::uint64_t statics = 0;    // static aircraft active or being removed

    friend bool operator==(const TrafficCounts&, const TrafficCounts&) = default;
};

TrafficCounts gf_trafficCounts(TrafficState& state);
// Sends the counts to the window (the live-aircraft count and the parked counts); nothing
// without run services.
void gf_postTrafficCounts(TrafficState& state);

} // namespace skyloom

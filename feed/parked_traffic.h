// The parked traffic of a road's reader: the last complete list of `ParkedEntry` that
// RealTraffic reported around the park airport, under its own mutex, and its preparation for
// static parking (gf_processParkedTraffic). The reader replaces the list whole when a new one is
// complete; static parking reads it under the same mutex. Placing the aircraft on stands is
// static parking's work, handed in as `ParkedTrafficPlacement`.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "config/startup_choices.h"
#include "feed/traffic_entry.h"

namespace skyloom {

inline constexpr std::int32_t kSlotsPerDay = 48;

class ParkedTrafficList {
public:
    // The list with its mutex held, for as long as this object lives.
    class Locked {
    public:
        explicit Locked(ParkedTrafficList& list) : lock_(list.mutex_), list_(list) {}
        std::vector<ParkedEntry>& entries() noexcept { return list_.entries_; }
        bool received() const noexcept { return list_.received_; }

    private:
        std::unique_lock<std::mutex> lock_;
        ParkedTrafficList& list_;
    };

    // Forgets the list and the received flag (a new request is on its way).
    void clear();
    // The reader's new complete list replaces the old one and marks the list received.
    void complete(std::vector<ParkedEntry> entries);

    bool received() const;
    std::vector<ParkedEntry> entries() const;
    Locked lock() { return Locked(*this); }

private:
    mutable std::mutex mutex_;
    std::vector<ParkedEntry> entries_;
    bool received_ = false;
};

// The parked list of the reader of a road.
ParkedTrafficList& gf_parkedTraffic(TrafficSource road);

// Static parking's placement of RealTraffic parked aircraft (the list, under its mutex, and
// the wanted count).
using ParkedTrafficPlacement =
    std::function<void(std::vector<ParkedEntry>& entries, std::int32_t wantedCount)>;
// Installs the placement that gf_processParkedTraffic calls (an empty one removes it).
void gf_setParkedTrafficPlacement(ParkedTrafficPlacement placement);

// Half-hour slots from `slot` to `currentSlot` within one day (0 to 47).
std::int32_t gf_parkedAge(std::int32_t slot, std::int32_t currentSlot) noexcept;

// Turns each entry's slot into its age, sorts the list by age (youngest first; then newest
// time stamp, then hexid) and keeps only the youngest entry of each hexid and of each named
// stand (RealTraffic may list an aircraft or a stand more than once from older reports).
void gf_prepareParkedList(std::vector<ParkedEntry>& entries, std::int32_t currentSlot);

// On the road in use, when its reader's list has been received: under the list's mutex,
// prepares the list with the current slot and, with RT_PARKTRAFFIC_ONLY on, hands it to the
// placement with the wanted count while still holding the mutex. True when a list was
// prepared.
bool gf_processParkedTraffic(std::int32_t wantedCount);
// The same on a given list with the given slot, setting and placement.
bool gf_processParkedTraffic(ParkedTrafficList& list, std::int32_t wantedCount,
                             std::int32_t currentSlot, bool rtParkTrafficOnly,
                             const ParkedTrafficPlacement& placement);

} // namespace skyloom

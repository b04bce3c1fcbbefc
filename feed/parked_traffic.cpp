#include "feed/parked_traffic.h"

#include <algorithm>
#include <set>
#include <string>
#include <tuple>
#include <unordered_set>
#include <utility>

#include "config/params_snapshot.h"
#include "foundation/program_clock.h"
#include "runtime/current_day_slot.h"

namespace skyloom {
namespace {

std::mutex g_placementMutex;
ParkedTrafficPlacement g_placement;

// The slot of the main loop's current DaySlot; before the loop's first refresh, the program
// clock's.
std::int32_t lf_currentSlot() {
    std::uint64_t packed = gf_currentDaySlot();
    if (packed == 0) {
        packed = gf_weekdayAndSlot();
    }
    return gf_unpackDaySlot(packed).slot;
}

} // namespace

void ParkedTrafficList::clear() {
    const std::lock_guard lock(mutex_);
    entries_.clear();
    received_ = false;
}

void ParkedTrafficList::complete(std::vector<ParkedEntry> entries) {
    const std::lock_guard lock(mutex_);
    entries_ = std::move(entries);
    received_ = true;
}

bool ParkedTrafficList::received() const {
    const std::lock_guard lock(mutex_);
    return received_;
}

std::vector<ParkedEntry> ParkedTrafficList::entries() const {
    const std::lock_guard lock(mutex_);
    return entries_;
}

ParkedTrafficList& gf_parkedTraffic(TrafficSource road) {
    static ParkedTrafficList app;
    static ParkedTrafficList direct;
    return road == TrafficSource::rtDirect ? direct : app;
}

void gf_setParkedTrafficPlacement(ParkedTrafficPlacement placement) {
    const std::lock_guard lock(g_placementMutex);
    g_placement = std::move(placement);
}

std::int32_t gf_parkedAge(std::int32_t slot, std::int32_t currentSlot) noexcept {
    const std::int32_t age = (currentSlot - slot) % kSlotsPerDay;
    return age < 0 ? age + kSlotsPerDay : age;
}

void gf_prepareParkedList(std::vector<ParkedEntry>& entries, std::int32_t currentSlot) {
    for (ParkedEntry& entry : entries) {
        entry.age = gf_parkedAge(entry.slot, currentSlot);
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const ParkedEntry& a, const ParkedEntry& b) {
                         return std::tuple(a.age, -a.timestamp, a.hexid) <
                                std::tuple(b.age, -b.timestamp, b.hexid);
                     });
    std::unordered_set<std::uint32_t> hexids;
    std::set<std::pair<std::string, std::string>> stands;
    std::erase_if(entries, [&](const ParkedEntry& entry) {
        if (!hexids.insert(entry.hexid).second) {
            return true;
        }
        return !entry.standText.empty() &&
               !stands.emplace(entry.standAirport, entry.standText).second;
    });
}

bool gf_processParkedTraffic(ParkedTrafficList& list, std::int32_t wantedCount,
                             std::int32_t currentSlot, bool rtParkTrafficOnly,
                             const ParkedTrafficPlacement& placement) {
    ParkedTrafficList::Locked locked = list.lock();
    if (!locked.received()) {
        return false;
    }
    gf_prepareParkedList(locked.entries(), currentSlot);
    if (rtParkTrafficOnly && placement) {
        placement(locked.entries(), wantedCount);
    }
    return true;
}

bool gf_processParkedTraffic(std::int32_t wantedCount) {
    ParkedTrafficPlacement placement;
    {
        const std::lock_guard lock(g_placementMutex);
        placement = g_placement;
    }
    const TrafficSource road = gf_isRtDirect() ? TrafficSource::rtDirect : TrafficSource::rtApp;
    return gf_processParkedTraffic(gf_parkedTraffic(road), wantedCount, lf_currentSlot(),
                                   gf_paramsSnapshot()->RT_PARKTRAFFIC_ONLY != 0, placement);
}

} // namespace skyloom

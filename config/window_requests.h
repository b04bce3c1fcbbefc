// The requests that the main window's option commands raise for the worker threads: each is a
// flag the window sets and the worker takes (reads and clears) when it gets to it, so a
// request made twice before the worker sees it counts once. They sit here, beside the
// settings they accompany, so that every subsystem that acts on them (the live traffic, the
// parking, the main loop) can read them. The switch of RT_PARKTRAFFIC_ONLY also carries the
// value the user switched to, kept with a change counter under the parking-options mutex.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

namespace skyloom {

// A switch of RT_PARKTRAFFIC_ONLY: how many there were and the last value chosen (false when
// never switched).
struct ParkTrafficOnlyChange {
    std::uint32_t count = 0;
    bool value = false;

    friend bool operator==(const ParkTrafficOnlyChange&, const ParkTrafficOnlyChange&) = default;
};

// The parking-options mutex, also held by the window while it changes the park options.
std::mutex& gf_parkingOptionsMutex() noexcept;

class WindowRequests {
public:
    std::atomic<bool> aircraftList{false}; // "Aircraft": fill the aircraft selector
    std::atomic<bool> flush{false};        // "Flush": remove the parked aircraft
    std::atomic<bool> blockApplied{false};
    // "Unblock"; it also ends a restart countdown at once.
    std::atomic<bool> unblockPushed{false};
    // A category switched off: its live aircraft are to be removed (helicopters: the static
    // ones too).
    std::atomic<bool> lightAircraftRemoved{false};
    std::atomic<bool> twoPropsRemoved{false};
    std::atomic<bool> helicoptersRemoved{false};
    std::atomic<bool> highPerfRemoved{false};
    std::atomic<bool> matchingDepthRaised{false};
    std::atomic<bool> maxParkChanged{false};
    std::atomic<bool> maxLiveChanged{false};
    // Not a request but the value itself: NAV_LIGHTS_WHILE_PARKED as last switched.
    std::atomic<bool> navLightsWhileParked{false};
    // Static parking: each "Park" push raises the count of updates asked for; the worker
    // marks a plan being made, and the parking controls coming back clear the mark.
    std::atomic<std::uint32_t> staticParkingUpdates{0};
    std::atomic<bool> parkingGenerating{false};

    // The window: the user switched RT_PARKTRAFFIC_ONLY to `value`.
    void noteParkTrafficOnlyChange(bool value);
    // The main loop: the switches so far.
    ParkTrafficOnlyChange parkTrafficOnlyChange() const;

    // Every flag and count back to their start values.
    void clear();

private:
    ParkTrafficOnlyChange parkTrafficOnly_; // under gf_parkingOptionsMutex()
};

// The program's requests.
WindowRequests& gf_windowRequests() noexcept;

} // namespace skyloom

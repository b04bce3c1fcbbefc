#include "traffic/step/aircraft_commands.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include <fmt/format.h>

#include "foundation/log_file.h"
#include "foundation/text.h"
#include "sim/sim_command_queue.h"
#include "sim/sim_ids.h"
#include "traffic/step/traffic_exception.h"
#include "traffic/step/traffic_state.h"

namespace skyloom {

namespace {

constexpr std::array<std::uint32_t, 5> kFlapsValues{0, 3072, 10240, kFullControlValue, 0};
constexpr std::array<std::uint32_t, 5> kThrottleValues{0, 4914, 8191, 11468, kFullControlValue};
constexpr double kDegPerRad = 57.29577951308232;
constexpr double kSamePositionDeg = 1e-8;
// Aircraft lines of the log stand 16 blanks in.
constexpr std::string_view kRemovalIndent = "                ";

bool lf_isRotorcraft(const LiveAircraft& aircraft) {
    return aircraft.base.category == AircraftCategory::Rotorcraft;
}

// Withdraws the create request of the hexid from the queue; true when one was there.
bool lf_withdrawCreate(std::deque<SimCreateRequest>& queue, std::uint32_t hexid) {
    const auto it = std::find_if(queue.begin(), queue.end(), [hexid](const SimCreateRequest& r) {
        return r.hexid == hexid;
    });
    if (it == queue.end()) {
        return false;
    }
    queue.erase(it);
    return true;
}

} // namespace

std::string gf_aircraftLogText(const AircraftBase& base) {
    return fmt::format("{} {} {}-{} {:x} {}", base.callsign, base.registration,
                       base.origin.view(), base.destination.view(), base.key.identity(),
                       gf_hexidText(base.hexid));
}

void gf_setSpoilers(SimCommandQueue& queue, const LiveAircraft& aircraft, std::uint32_t value) {
    if (lf_isRotorcraft(aircraft)) {
        return;
    }
    queue.push(SimCommand{aircraft.objectId, EVENT_SPOILERS_SET, value > 0 ? kFullControlValue : 0});
}

void gf_setFlaps(SimCommandQueue& queue, LiveAircraft& aircraft, std::int32_t flapsIndex) {
    if (lf_isRotorcraft(aircraft) || flapsIndex == aircraft.flapsIndex) {
        return;
    }
    if (flapsIndex < 0 || flapsIndex > 4) {
        LogFile::write("gf_setFlaps: invalid flaps index");
    } else {
        queue.push(SimCommand{aircraft.objectId, EVENT_FLAPS_SET,
                              kFlapsValues[static_cast<std::size_t>(flapsIndex)]});
    }
    aircraft.flapsIndex = flapsIndex;
}

void gf_setGear(SimCommandQueue& queue, const LiveAircraft& aircraft, std::uint8_t value) {
    if (!lf_isRotorcraft(aircraft)) {
        queue.push(SimCommand{aircraft.objectId, EVENT_GEAR_SET, value});
    }
}

void gf_setThrottle(SimCommandQueue& queue, LiveAircraft& aircraft, std::int32_t throttleIndex) {
    if (throttleIndex == aircraft.throttleIndex) {
        return;
    }
    if (throttleIndex >= 0 && throttleIndex < 5) {
        queue.push(SimCommand{aircraft.objectId, EVENT_THROTTLE_SET,
                              kThrottleValues[static_cast<std::size_t>(throttleIndex)]});
    }
    aircraft.throttleIndex = throttleIndex;
}

namespace {

// What the removal reads and writes of a live or a static record.
struct RemovalRefs {
    const AircraftBase& base;
    SimState& simState;
    std::uint32_t objectId;
    std::uint8_t& removalRequested;
    std::uint8_t& eraseAfterCleanup;
    std::uint8_t& eraseNow;
};

void lf_removeFromSim(TrafficState& state, RemovalRefs aircraft) {
    switch (aircraft.simState) {
    case SimState::removingfromsim:
        LogFile::write(fmt::format("{} {} duplicate remove blocked", aircraft.base.callsign,
                                   aircraft.base.registration));
        return;
    case SimState::buffer:
        aircraft.eraseAfterCleanup = 1;
        return;
    case SimState::adding2sim:
        if (aircraft.removalRequested != 0) {
            return;
        }
        // Matched by hexid: two aircraft may share a callsign.
        if (lf_withdrawCreate(state.liveCreateQueue, aircraft.base.hexid) ||
            lf_withdrawCreate(state.staticCreateQueue, aircraft.base.hexid)) {
            aircraft.eraseNow = 1;
        } else {
            aircraft.removalRequested = 1;
        }
        return;
    case SimState::liveryrespawn:
        if (aircraft.objectId != 0) {
            // Its object is already on the removal queue: queueing it again would remove it
            // twice. The confirmation now erases the record instead of respawning it.
            aircraft.simState = SimState::removingfromsim;
            return;
        }
        break;
    case SimState::active:
        if (aircraft.objectId != 0) {
            state.removalQueue.push_back(aircraft.objectId);
            aircraft.simState = SimState::removingfromsim;
            return;
        }
        break;
    }
    LogFile::write(fmt::format("{} removing act {}, with objectid=0 ?", "removeAircraftFromSim",
                               gf_aircraftLogText(aircraft.base)));
    if (!gf_isLiveHexid(aircraft.base.hexid)) {
        state.staticErasePending = true;
    }
    aircraft.eraseAfterCleanup = 1;
}

} // namespace

void removeAircraftFromSim(TrafficState& state, LiveAircraft& aircraft, std::string_view reason) {
    if (!gf_isBeingRemoved(aircraft)) {
        LogFile::write(fmt::format("{}{:8} {:12} removed: {}", kRemovalIndent,
                                   aircraft.base.callsign, aircraft.base.registration, reason));
    }
    RemovalFlags& f = aircraft.removal;
    lf_removeFromSim(state, {aircraft.base, aircraft.simState, aircraft.objectId,
                             f.removalRequested, f.eraseAfterCleanup, f.eraseNow});
}

void removeAircraftFromSim(TrafficState& state, StaticAircraft& aircraft) {
    lf_removeFromSim(state, {aircraft.base, aircraft.simState, aircraft.objectId,
                             aircraft.removalRequested, aircraft.eraseAfterCleanup,
                             aircraft.eraseNow});
}

void gf_explainNotShown(TrafficState& state, std::uint32_t hexid, std::string_view callsign,
                        std::string_view registration, std::string_view reason) {
    if (state.notShownExplained.insert(hexid).second) {
        LogFile::write(fmt::format("{}{:8} {:12} not shown: {}", kRemovalIndent, callsign,
                                   registration, reason));
    }
}

void gf_removeAircraftReporting(TrafficState& state, LiveAircraft& aircraft,
                                std::string_view operation, std::string_view reason) noexcept {
    try {
        removeAircraftFromSim(state, aircraft, reason);
    } catch (...) {
        gf_reportTrafficException(operation);
    }
}

bool gf_isBeingRemoved(const LiveAircraft& aircraft) noexcept {
    const RemovalFlags& f = aircraft.removal;
    return aircraft.simState == SimState::removingfromsim || f.removalRequested != 0 ||
           f.eraseBySpawn != 0 || f.eraseAfterCleanup != 0 || f.eraseNow != 0;
}

void liveryRespawn(TrafficState& state, LiveAircraft& aircraft) {
    try {
        if (aircraft.stream.empty()) {
            return;
        }
        TrafficSample sample = aircraft.stream.front();
        if (aircraft.phase.phase != FlightPhase::parked) {
            TrafficSample& oldest = aircraft.stream.front();
            if (std::abs(aircraft.sent.latitude - oldest.latitude) <= kSamePositionDeg &&
                std::abs(aircraft.sent.longitude - oldest.longitude) <= kSamePositionDeg) {
                oldest.stationary = 1;
            }
            sample.latitude = aircraft.sent.latitude;
            sample.longitude = aircraft.sent.longitude;
            sample.bankRad = aircraft.sent.bankRad;
            sample.altitudeFt = aircraft.sent.altitudeFt;
        } else {
            aircraft.stream.resize(1);
            TrafficSample& oldest = aircraft.stream.front();
            oldest.stationary = 1;
            oldest.groundSpeedKt = 0;
            oldest.trueAirspeedKt = 0;
            oldest.trackDeg = aircraft.sent.headingRad * kDegPerRad;
            sample = oldest;
        }
        sample.time = static_cast<std::int32_t>(state.currentTick() + 1);
        aircraft.stream.push_front(sample);
        aircraft.simState = SimState::liveryrespawn;
        aircraft.respawn = {aircraft.sent.headingRad, 1, sample.airborne, sample.bankValid,
                            sample.trueHeadingValid};
        if (aircraft.objectId != 0) {
            state.removalQueue.push_back(aircraft.objectId);
        } else {
            LogFile::write(fmt::format("{} removing act {} with objectid=0 ?", "liveryRespawn",
                                       gf_aircraftLogText(aircraft.base)));
        }
    } catch (const std::exception& e) {
        LogFile::write(fmt::format("{}: {}", "liveryRespawn", e.what()));
    }
}

void lf_setPhase(TrafficState& state, LiveAircraft& aircraft, FlightPhase phase) {
    if (phase == FlightPhase::pushing_back || phase == FlightPhase::pushed_back ||
        phase == FlightPhase::parked) {
        aircraft.motion.landed = 0;
    }
    PhaseState& current = aircraft.phase;
    if (phase == current.phase) {
        return;
    }
    const bool entering = phase == FlightPhase::landing;
    const bool leaving = current.phase == FlightPhase::landing;
    MotionStep& step = aircraft.step;
    if (entering) {
        // A new approach starts from nothing: no runway, no glide-path marks, no flare.
        step.approachRunway = RunwayRecord{};
        step.approachSteepened = 0;
        step.touchDownStage = 0;
        step.touchDownElevationSet = 0;
        step.touchDownElevationFt = 0.0;
        step.touchDownHeightFt = 0.0;
    } else if (leaving) {
        // The runway stays: the touch-down message and the landing roll's centreline read it.
        step.approachSteepened = 0;
    }
    if ((entering || leaving) && phase != FlightPhase::landing_roll) {
        aircraft.touchDown = TouchDown{};
    }
    current.beforePrevious = current.previous;
    current.previous = current.phase;
    current.phase = phase;
    current.changeTick = state.currentTick();
}

double lf_categorySpeedKts(const LiveAircraft& aircraft, std::uint8_t mode) {
    const AircraftBase& base = aircraft.base;
    if (base.category == AircraftCategory::Heavy && (mode == 2 || mode == 3)) {
        return mode == 3 ? 135.0 : 140.0;
    }
    if (base.lightTwin != 0) {
        return 80.0;
    }
    if (base.lightSingle != 0) {
        return 65.0;
    }
    const double speed =
        base.regional != 0 ? 130.0 : gf_categoryHandling(base.category).referenceSpeedKt;
    if (!std::isfinite(speed) || speed <= 0) {
        return speed;
    }
    if (mode == 2) {
        return std::max(speed - 10.0, 1.0);
    }
    if (mode == 3) {
        return std::max(speed - 20.0, 1.0);
    }
    return speed;
}

} // namespace skyloom

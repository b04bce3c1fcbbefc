#include "traffic/step/sim_event_drain.h"

#include <cmath>

#include <fmt/format.h>

#include "foundation/log_file.h"
#include "foundation/random.h"
#include "foundation/text.h"
#include "foundation/user_related_exception.h"
#include "sim/sim_command_queue.h"
#include "sim/sim_event_queue.h"
#include "sim/sim_ids.h"
#include "traffic/step/aircraft_commands.h"
#include "traffic/decode/livery_failures.h"
#include "traffic/motion/touch_down.h"
#include "traffic/stands/static_traffic.h"
#include "traffic/step/live_update.h"
#include "traffic/step/traffic_exception.h"
#include "traffic/step/traffic_state.h"

namespace skyloom {

namespace {

// Object ids below this are not the simulator's AI objects.
constexpr std::uint32_t kFirstAIObjectId = 3;
constexpr std::uint32_t kFirstLightsToggleTick = 49;
constexpr std::uint32_t kSecondLightsToggleTick = 99;
constexpr double kMinStaticCgFt = -1.0;
constexpr double kMaxStaticCgFt = 35.0;
constexpr double kMinGroundPitchRad = -0.017453292519943295; // above -1 degree
constexpr double kMaxGroundPitchRad = 0.04363323129985824;   // at most 2.5 degrees
constexpr double kFallbackGroundPitchRad = 0.012217304763960306; // 0.7 degree
constexpr double kLowLightsMaxAltitudeFt = 10000.0;
constexpr double kCabinLightsMinHeightFt = 2000.0;
constexpr std::size_t kParkedCabinLightChances = 10;
constexpr std::size_t kParkedCabinLightOn = 9;

bool lf_newestAirborne(const LiveAircraft& aircraft) {
    return !aircraft.stream.empty() && aircraft.stream.back().airborne != 0;
}

bool lf_holdsStand(FlightPhase phase) {
    return phase == FlightPhase::pushing_back || phase == FlightPhase::pushed_back ||
           phase == FlightPhase::parking || phase == FlightPhase::parked;
}

bool lf_ownsStand(TrafficState& state, const LiveAircraft& aircraft) {
    const std::uint32_t standId = aircraft.stand.standId;
    if (standId < 1 || aircraft.base.hexid == 0) {
        return false;
    }
    for (const LiveAircraft& other : state.liveAircraft) {
        if (other.stand.standId == standId && other.base.hexid != aircraft.base.hexid &&
            lf_holdsStand(other.phase.phase)) {
            return false;
        }
    }
    return true;
}

std::size_t lf_indexOf(TrafficState& state, const LiveAircraft* aircraft) {
    return static_cast<std::size_t>(aircraft - state.liveAircraft.data());
}

// A create the simulator refused (or answered with an object that is not an AI object).
void lf_onCreateFailed(TrafficState& state, std::uint32_t hexid) {
    if (!gf_isLiveHexid(hexid)) {
        lf_staticCreateFailed(state, hexid);
        return;
    }
    LiveAircraft* aircraft = state.findByHexid(hexid);
    if (aircraft == nullptr) {
        return;
    }
    gf_reportLiveryCreationFailure(state, aircraft->base);
    lf_eraseLiveAircraft(state, lf_indexOf(state, aircraft));
}

// A create the simulator refused for want of room: no livery's fault. The aircraft waits for
// its create again, and no create goes out until the simulator has removed an object.
void lf_onCreateRefused(TrafficState& state, std::uint32_t hexid) {
    state.simulatorFull = true;
    if (!gf_isLiveHexid(hexid)) {
        lf_staticCreateRefused(state, hexid);
        return;
    }
    LiveAircraft* aircraft = state.findByHexid(hexid);
    if (aircraft == nullptr || aircraft->simState != SimState::adding2sim) {
        return;
    }
    if (aircraft->removal.removalRequested != 0) {
        lf_eraseLiveAircraft(state, lf_indexOf(state, aircraft));
        return;
    }
    // The adding stack makes its create request again, with where it is by then.
    state.addingStack.push_back(hexid);
}

void lf_onLiveAssigned(TrafficState& state, const SimEvent& event) {
    LiveAircraft* aircraft = state.findByHexid(event.value1);
    if (aircraft == nullptr) {
        return;
    }
    if (event.objectId < kFirstAIObjectId) {
        // Nobody would own the object and the record would wait for ever: take the object
        // back and handle the aircraft as a refused create.
        LogFile::writeImportant(fmt::format(
            "{} objectid {} assigned to {} is no AI object, handled as a failed create",
            "lf_handleSimEvents", event.objectId, gf_aircraftLogText(aircraft->base)));
        if (event.objectId != 0) {
            state.removalQueue.push_back(event.objectId);
        }
        lf_onCreateFailed(state, event.value1);
        return;
    }
    if (lf_onLiveObjectAssigned(state, *aircraft, event)) {
        SimEvent delayed = event;
        delayed.value2 = 0;
        state.delayedCommands.push_back(delayed);
    }
}

void lf_onObjectRemoved(TrafficState& state, std::uint32_t objectId) {
    LiveAircraft* aircraft = state.findByObjectId(objectId);
    if (aircraft == nullptr) {
        lf_eraseStaticByObject(state, objectId);
        return;
    }
    if (aircraft->simState == SimState::liveryrespawn) {
        aircraft->simState = SimState::buffer;
        aircraft->throttleIndex = 5;
        aircraft->flapsIndex = 4;
        aircraft->objectId = 0;
        aircraft->removalSentNs = 0;
        return;
    }
    lf_eraseLiveAircraft(state, lf_indexOf(state, aircraft));
}

void lf_onStaticCgAndPitch(TrafficState& state, const SimEvent& event) {
    LiveAircraft* aircraft = state.findByObjectId(event.objectId);
    if (aircraft == nullptr) {
        return;
    }
    AircraftBase& base = aircraft->base;
    const double cg = event.x;
    if (std::isfinite(cg) && cg >= kMinStaticCgFt && cg <= kMaxStaticCgFt && cg != 0.0) {
        base.cgHeightFt = cg;
        base.cgReported = 1;
    } else {
        base.cgHeightFt = gf_categoryHandling(base.category).cgHeightFt;
        base.cgReported = 0;
    }
    const double pitch = event.y;
    base.groundPitchRad = std::isfinite(pitch) && pitch > kMinGroundPitchRad &&
                                  pitch <= kMaxGroundPitchRad
                              ? pitch
                              : kFallbackGroundPitchRad;
}

void lf_applyEvent(TrafficState& state, const SimEvent& event) {
    switch (event.kind) {
    case SimEventKind::liveAssigned:
        lf_onLiveAssigned(state, event);
        break;
    case SimEventKind::staticAssigned: {
        ++state.parkedStaticCount;
        SimEvent delayed = event;
        delayed.value2 = 0;
        state.delayedCommands.push_back(delayed);
        break;
    }
    case SimEventKind::objectRemoved:
        // Whoever's object it was, the simulator has room for one more.
        state.simulatorFull = false;
        lf_onObjectRemoved(state, event.objectId);
        break;
    case SimEventKind::aiPositionReport:
        if (LiveAircraft* aircraft = state.findByObjectId(event.objectId); aircraft != nullptr) {
            lf_onAiPositionReport(state, *aircraft, event);
        }
        break;
    case SimEventKind::staticCgAndPitch:
        lf_onStaticCgAndPitch(state, event);
        break;
    case SimEventKind::createFailed:
        lf_onCreateFailed(state, event.value1);
        break;
    case SimEventKind::createRefused:
        lf_onCreateRefused(state, event.value1);
        break;
    }
}

} // namespace

void lf_handleSimEvents(TrafficState& state) {
    state.events.drain([&state](const SimEvent& event) {
        try {
            lf_applyEvent(state, event);
        } catch (const UserRelatedException&) {
            throw; // too many failed liveries: the run ends
        } catch (...) {
            gf_reportTrafficException("lf_handleSimEvents");
        }
    });
    auto& delayed = state.delayedCommands;
    std::erase_if(delayed, [&state](SimEvent& entry) {
        try {
            return lf_handleDelayedSimCommand(state, entry);
        } catch (...) {
            gf_reportTrafficException("lf_handleDelayedSimCommand");
            return true;
        }
    });
}

bool lf_onLiveObjectAssigned(TrafficState& state, LiveAircraft& aircraft, const SimEvent& event) {
    if (event.objectId < kFirstAIObjectId) {
        return false;
    }
    aircraft.objectId = event.objectId;
    if (aircraft.phase.phase == FlightPhase::parked && !lf_ownsStand(state, aircraft)) {
        LogFile::write(fmt::format("{:14}: {} created without owning the live stand reservation, "
                                   "will be removed",
                                   state.standIdText(aircraft.stand.standId),
                                   aircraft.base.callsign));
        aircraft.removal.removalRequested = 1;
        return true;
    }
    if (!lf_newestAirborne(aircraft) && !aircraft.stream.empty()) {
        hp_handleGroundTraffic(state, aircraft);
    }
    lf_assignFlightPlan(state, aircraft);
    state.commands.push(SimDataRequest{SimDataRequestKind::staticCgAndPitch, event.objectId});
    return true;
}

void lf_activateLiveAircraft(TrafficState& state, LiveAircraft& aircraft) {
    SimCommandQueue& queue = state.commands;
    const std::uint32_t id = aircraft.objectId;
    if (lf_newestAirborne(aircraft)) {
        const TrafficSample& newest = aircraft.stream.back();
        const std::uint32_t low = newest.altitudeFt <= kLowLightsMaxAltitudeFt ? 1 : 0;
        const std::uint32_t cabin =
            aircraft.motion.heightAboveGroundFt >= kCabinLightsMinHeightFt ? 1 : 0;
        queue.push(SimCommand{id, EVENT_ENGINE_AUTO_START, 0});
        gf_setSpoilers(queue, aircraft, 0);
        gf_setLights(queue, id, LightValues{1, 1, low, 0, 1, low, cabin});
    } else {
        gf_setSpoilers(queue, aircraft, 0);
        const bool parked = aircraft.phase.phase == FlightPhase::parked;
        if (!parked) {
            queue.push(SimCommand{id, EVENT_ENGINE_AUTO_START, 0});
            const std::uint32_t taxi = aircraft.phase.phase == FlightPhase::taxi ? 1 : 0;
            gf_setLights(queue, id, LightValues{1, 1, 0, taxi, 0, 1, 1});
        } else {
            queue.push(SimCommand{id, EVENT_ENGINE_AUTO_SHUTDOWN, 0});
            gf_setLights(queue, id, LightValues{state.options.navLightsWhileParked, 0, 0, 0, 0, 1, 1});
        }
        gf_setThrottle(queue, aircraft, aircraft.base.category == AircraftCategory::Rotorcraft ? 4 : 0);
        gf_setFlaps(queue, aircraft, aircraft.phase.phase == FlightPhase::taxi ? 1 : 0);
    }
    aircraft.simState = SimState::active;
}

bool lf_handleDelayedSimCommand(TrafficState& state, SimEvent& entry) {
    const std::uint32_t n = entry.value2;
    if (n < kActivationDelayTicks) {
        entry.value2 = n + 1;
        if (entry.kind == SimEventKind::liveAssigned &&
            (n == kFirstLightsToggleTick || n == kSecondLightsToggleTick)) {
            state.commands.push(SimCommand{entry.objectId, EVENT_ALL_LIGHTS_TOGGLE, 0});
        }
        return false;
    }
    switch (entry.kind) {
    case SimEventKind::liveAssigned:
        if (LiveAircraft* aircraft = state.findByHexid(entry.value1); aircraft != nullptr) {
            lf_activateLiveAircraft(state, *aircraft);
            if (aircraft->removal.removalRequested != 0) {
                removeAircraftFromSim(state, *aircraft, "its removal was asked for while it was created");
            }
        } else {
            LogFile::writeImportant(fmt::format(
                "Delayed live command expired: hexid:{}, objectid:{} no longer exists",
                gf_hexidText(entry.value1), entry.objectId));
        }
        break;
    case SimEventKind::staticAssigned:
        lf_activateStaticAircraft(state, entry);
        break;
    default:
        LogFile::writeImportant(fmt::format("Unexpected delayed SimCommand {} for hexid:{}",
                                            static_cast<std::uint32_t>(entry.kind),
                                            gf_hexidText(entry.value1)));
        break;
    }
    return true;
}

void lf_runParkedAircraftActions(TrafficState& state) {
    auto& schedule = state.parkedActions;
    if (schedule.empty()) {
        return;
    }
    const ParkedActionEntry entry = schedule.back();
    if (static_cast<std::int64_t>(state.currentTick()) < entry.dueTick) {
        return;
    }
    schedule.pop_back();
    LiveAircraft* aircraft = state.findByHexid(entry.hexid);
    if (aircraft == nullptr || aircraft->phase.phase != FlightPhase::parked) {
        return;
    }
    const std::uint32_t id = aircraft->objectId;
    const std::uint32_t nav = state.options.navLightsWhileParked;
    switch (entry.action) {
    case ParkedAction::enginesOff:
        state.commands.push(SimCommand{id, EVENT_ENGINE_AUTO_SHUTDOWN, 0});
        break;
    case ParkedAction::arrivalLights:
        gf_setLights(state.commands, id, LightValues{1, 0, 0, 1, 0, 1, 1});
        break;
    case ParkedAction::parkedLights: {
        const std::uint32_t cabin =
            aircraft->stand.cargo == 0 &&
                    gf_randomIndex(kParkedCabinLightChances) < kParkedCabinLightOn
                ? 1
                : 0;
        gf_setLights(state.commands, id, LightValues{nav, 0, 0, 0, 0, 1, cabin});
        break;
    }
    }
}

} // namespace skyloom

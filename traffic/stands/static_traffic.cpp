#include "traffic/stands/static_traffic.h"

#include <algorithm>
#include <chrono>
#include <random>

#include <fmt/format.h>

#include "config/params_snapshot.h"
#include "foundation/log_file.h"
#include "foundation/program_clock.h"
#include "foundation/random.h"
#include "liveries/livery_aircraft.h"
#include "liveries/livery_choice.h"
#include "refdata/airport_file.h"
#include "refdata/code_table.h"
#include "refdata/dbase_lookups.h"
#include "runtime/current_day_slot.h"
#include "runtime/gui_update.h"
#include "runtime/window_sink.h"
#include "sim/sim_command_queue.h"
#include "sim/sim_ids.h"
#include "traffic/step/aircraft_commands.h"
#include "traffic/stands/live_stands.h"
#include "traffic/stands/park_airport_services.h"
#include "traffic/decode/livery_failures.h"
#include "traffic/step/traffic_exception.h"
#include "traffic/step/traffic_state.h"
#include "traffic/removals/user_ground_check.h"

namespace skyloom {

namespace {

constexpr double kDegPerRad = 57.29577951308232;
constexpr std::int32_t kSlotsPerDay = 48;

bool lf_validDay(std::int32_t day) {
    return day >= 1 && day <= 7;
}

bool lf_beingRemoved(const StaticAircraft& a) {
    return a.simState == SimState::removingfromsim || a.eraseAfterCleanup != 0 || a.eraseNow != 0;
}

bool lf_isLiveParked(const LiveAircraft& a) {
    return a.simState == SimState::active && a.phase.phase == FlightPhase::parked;
}

// (day, slot) compared within the week.
std::int32_t lf_weekSlot(std::int32_t day, std::int32_t slot) {
    return day * kSlotsPerDay + slot;
}

// The average parked age in hours, or 0 when none was averaged.
float lf_averageHours(std::int64_t sumSlots, std::int32_t count) {
    return count == 0 ? 0.0F
                      : static_cast<float>(static_cast<double>(sumSlots) / (2.0 * count) + 0.5);
}

// A request whose stand conflicts with an aircraft already on it or next to it is dropped with
// a line naming that aircraft; true when it was dropped.
bool lf_dropForOccupant(TrafficState& state, const StaticParkRequest& request,
                        const std::string& standText, std::string_view kind, std::int32_t otherSid,
                        const std::string& otherCallsign) {
    const bool conflict =
        otherSid == request.standId || state.parkAirport.standsConflict(otherSid, request.standId);
    if (!conflict) {
        return false;
    }
    if (otherSid == request.standId) {
        LogFile::write(fmt::format("{:14}: no static parking for {}, {} aircraft {} standing here",
                                   standText, request.callsign, kind, otherCallsign));
    } else {
        LogFile::write(fmt::format(
            "{:14}: no static parking for {}, {} aircraft {} is adjacent at {}, possibly colliding",
            standText, request.callsign, kind, otherCallsign, gf_standLogText(state, otherSid)));
    }
    return true;
}

bool lf_standTaken(TrafficState& state, const StaticParkRequest& request,
                   const std::string& standText) {
    for (const LiveAircraft& other : state.liveAircraft) {
        if (gf_holdsStand(other.phase.phase) &&
            lf_dropForOccupant(state, request, standText, "live",
                               static_cast<std::int32_t>(other.stand.standId),
                               other.base.callsign)) {
            return true;
        }
    }
    for (const StaticAircraft& other : state.staticAircraft) {
        if (!lf_beingRemoved(other) && lf_dropForOccupant(state, request, standText, "static",
                                                          other.standId, other.base.callsign)) {
            return true;
        }
    }
    if (lf_standFree(state, request.standId, 0) != 0) {
        LogFile::write(
            fmt::format("{:14}: no static parking for {}, live aircraft occupies the stand",
                        standText, request.callsign));
        return true;
    }
    return false;
}

std::string lf_staticCallsign(const StaticParkRequest& request, std::uint32_t hexid) {
    if (!request.callsign.empty()) {
        return lf_determineStaticCallsign(request);
    }
    return fmt::format("{}{}{}", gf_airlineCode(request.key.airline), hexid, "*");
}

StaticAircraft* lf_findStatic(TrafficState& state, auto matches) {
    const auto it = std::find_if(state.staticAircraft.begin(), state.staticAircraft.end(), matches);
    return it == state.staticAircraft.end() ? nullptr : &*it;
}

// The aircraft made on its stand, on the ground.
SimCreateRequest lf_staticCreateRequest(const StaticAircraft& aircraft) {
    SimCreateRequest create;
    create.position = {
        aircraft.latitude, aircraft.longitude, 0, 0, 0, aircraft.headingRad * kDegPerRad, 1, 0};
    create.callsign = aircraft.base.callsign;
    create.liveryTitle = std::string(aircraft.base.liveryTitle);
    create.hexid = aircraft.base.hexid;
    return create;
}

} // namespace

void gf_removeStaticAircraft(TrafficState& state, StaticAircraft& aircraft, std::string_view caller) {
    try {
        removeAircraftFromSim(state, aircraft);
    } catch (...) {
        gf_reportTrafficException(caller);
    }
}

ParkedSince gf_parkedSince(std::uint64_t nowDaySlot, std::uint32_t ageSlots) noexcept {
    const DaySlotParts now = gf_unpackDaySlot(nowDaySlot);
    if (!lf_validDay(now.weekday)) {
        return {};
    }
    std::int32_t index = lf_weekSlot(now.weekday - 1, now.slot) -
                         static_cast<std::int32_t>(ageSlots % kSlotsPerWeek);
    if (index < 0) {
        index += kSlotsPerWeek;
    }
    return {index / kSlotsPerDay + 1, index % kSlotsPerDay};
}

void lf_parkStaticAircraft(TrafficState& state, std::uint64_t nowDaySlot) {
    std::vector<StaticParkRequest>& requests = state.parkAirport.waitingParkRequests();
    if (requests.empty()) {
        return;
    }
    const StaticParkRequest request = std::move(requests.back());
    requests.pop_back();

    TrafficEntry record;
    record.key = request.key;
    record.registration = request.registration;
    record.displayCallsign = request.callsign;
    record.thirdText = request.callsign2;
    AircraftBase base;
    gf_initAircraftBase(base, record);
    if (!gf_isCategoryIncluded(base.category, *gf_paramsSnapshot())) {
        return;
    }
    const Stand* stand = state.parkAirport.standById(request.standId);
    if (stand == nullptr) {
        LogFile::write(fmt::format("stand with id {} not found", request.standId));
        return;
    }
    if (lf_standTaken(state, request, stand->id)) {
        return;
    }
    base.hexid = state.staticHexidCounter % kStaticHexidCount;
    ++state.staticHexidCounter;
    base.callsign = lf_staticCallsign(request, base.hexid);

    LiveryAircraft livery;
    livery.key = base.key;
    livery.regcode = base.registration;
    livery.category = base.category;
    livery.callsign = base.callsign;
    if (!gf_matchStaticLivery(livery, *stand)) {
        return;
    }
    base.liveryTitle = livery.liveryTitle;

    StaticAircraft& aircraft = state.staticAircraft.emplace_back();
    aircraft.base = std::move(base);
    aircraft.standId = stand->sid;
    aircraft.latitude = stand->position.lat;
    aircraft.longitude = stand->position.lon;
    aircraft.headingRad = stand->heading;
    aircraft.cargoStand = stand->cargo ? 1 : 0;
    aircraft.atGate = stand->id.find("GATE") != std::string::npos ? 1 : 0;
    aircraft.rtHexid = request.rtHexid;
    aircraft.source = request.source;
    const ParkedSince since = gf_parkedSince(nowDaySlot, request.age);
    aircraft.parkedDay = since.day;
    aircraft.parkedSlot = since.slot;
    aircraft.simState = SimState::adding2sim;
    state.staticCreateQueue.push_back(lf_staticCreateRequest(aircraft));
}

void lf_setupStaticObject(TrafficState& state, StaticAircraft& aircraft) {
    SimCommandQueue& queue = state.commands;
    const std::uint32_t id = aircraft.objectId;
    if (aircraft.throttleIndex != 0) {
        queue.push(SimCommand{id, EVENT_THROTTLE_SET, 0});
        aircraft.throttleIndex = 0;
    }
    if (aircraft.flapsIndex != 0 && aircraft.base.category != AircraftCategory::Rotorcraft) {
        queue.push(SimCommand{id, EVENT_FLAPS_SET, 0});
        aircraft.flapsIndex = 0;
    }
    queue.push(SimCommand{id, EVENT_ENGINE_AUTO_SHUTDOWN, 0});
    std::uint32_t cabin = aircraft.cargoStand != 0 ? 0 : 1;
    if (cabin != 0 && state.options.random &&
        std::uniform_int_distribution<int>(0, 9)(gf_randomEngine()) == 9) {
        cabin = 0;
    }
    const std::uint32_t nav = state.options.navLightsWhileParked != 0 ? 1 : 0;
    gf_setLights(queue, id, LightValues{nav, 0, 0, 0, 0, 1, cabin});
}

std::int32_t gf_countStaticAircraft(const TrafficState& state, std::uint64_t nowDaySlot,
                                    WindowSink* report, bool adjustmentPending) {
    const DaySlotParts now = gf_unpackDaySlot(nowDaySlot);
    std::int32_t count = 0;
    std::int32_t averaged = 0;
    std::int64_t sum = 0;
    for (const StaticAircraft& a : state.staticAircraft) {
        if (a.simState != SimState::active && a.simState != SimState::removingfromsim) {
            continue;
        }
        ++count;
        if (a.parkedDay >= 1 &&
            lf_weekSlot(a.parkedDay, a.parkedSlot) <= lf_weekSlot(now.weekday, now.slot)) {
            sum += gf_staticParkedAge(a.parkedDay, a.parkedSlot, nowDaySlot);
            ++averaged;
        }
    }
    if (report != nullptr && !adjustmentPending) {
        report->enqueueUpdate(GuiUpdate::StaticFit{lf_averageHours(sum, averaged)});
    }
    return count;
}

std::int32_t gf_countLiveParked(const TrafficState& state, std::uint64_t nowDaySlot,
                                WindowSink* report) {
    const DaySlotParts now = gf_unpackDaySlot(nowDaySlot);
    std::int32_t count = 0;
    std::int32_t averaged = 0;
    std::int64_t sum = 0;
    for (const LiveAircraft& a : state.liveAircraft) {
        if (!lf_isLiveParked(a)) {
            continue;
        }
        ++count;
        const DaySlotParts since = gf_unpackDaySlot(a.stand.daySlot);
        if (since.weekday >= 1 &&
            lf_weekSlot(since.weekday, since.slot) < lf_weekSlot(now.weekday, now.slot)) {
            sum += gf_staticParkedAge(since.weekday, since.slot, nowDaySlot);
            ++averaged;
        }
    }
    if (report != nullptr) {
        report->enqueueUpdate(GuiUpdate::LiveFit{lf_averageHours(sum, averaged)});
    }
    return count;
}

void gf_limitParkedAircraft(TrafficState& state, std::int32_t extra, std::uint64_t nowDaySlot) {
    const std::int32_t target = state.maxParked;
    if (target < 0) {
        return;
    }
    std::int32_t n =
        extra + static_cast<std::int32_t>(std::count_if(state.liveAircraft.begin(),
                                                        state.liveAircraft.end(), lf_isLiveParked));
    // Only static aircraft still standing count: those already being removed are on their way
    // out, and counting them would remove that many more.
    const auto s = static_cast<std::int32_t>(
        std::count_if(state.staticAircraft.begin(), state.staticAircraft.end(),
                      [](const StaticAircraft& a) { return a.simState == SimState::active; }));
    if (s + n <= target) {
        return;
    }
    if (n > target) {
        lf_removeNOldestLiveParked(state, n - target);
        n = target;
    }
    if (s + n > target) {
        lf_removeNOldestStaticParked(state, s + n - target, nowDaySlot);
    }
}

void lf_removeNOldestLiveParked(TrafficState& state, std::int32_t n) {
    if (n < 1) {
        return;
    }
    std::vector<LiveAircraft*> parked;
    for (LiveAircraft& a : state.liveAircraft) {
        if (lf_isLiveParked(a)) {
            parked.push_back(&a);
        }
    }
    const auto take = std::min(static_cast<std::size_t>(n), parked.size());
    std::partial_sort(parked.begin(), parked.begin() + static_cast<std::ptrdiff_t>(take),
                      parked.end(), [](const LiveAircraft* a, const LiveAircraft* b) {
                          return a->standWatch.parkedAt < b->standWatch.parkedAt;
                      });
    for (std::size_t i = 0; i < take; ++i) {
        LiveAircraft& a = *parked[i];
        LogFile::write(fmt::format(
            "{:14}: live parked {} removed",
            gf_standLogText(state, static_cast<std::int32_t>(a.stand.standId)), a.base.callsign));
        try {
            removeAircraftFromSim(state, a, "one of the longest parked when too many are parked");
        } catch (...) {
            gf_reportTrafficException("lf_removeNOldestLiveParked");
        }
    }
}

void lf_removeNOldestStaticParked(TrafficState& state, std::int32_t n, std::uint64_t nowDaySlot) {
    if (n < 1) {
        return;
    }
    std::vector<std::pair<std::int32_t, StaticAircraft*>> parked;
    for (StaticAircraft& a : state.staticAircraft) {
        if (a.simState == SimState::active) {
            parked.emplace_back(gf_staticParkedAge(a.parkedDay, a.parkedSlot, nowDaySlot), &a);
        }
    }
    const auto take = std::min(static_cast<std::size_t>(n), parked.size());
    std::partial_sort(parked.begin(), parked.begin() + static_cast<std::ptrdiff_t>(take),
                      parked.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    for (std::size_t i = 0; i < take; ++i) {
        StaticAircraft& a = *parked[i].second;
        LogFile::write(fmt::format("{:14}: static parked {} removed",
                                   gf_standLogText(state, a.standId), a.base.callsign));
        gf_removeStaticAircraft(state, a, "lf_removeNOldestStaticParked");
    }
}

void lf_collectLiveStayers(TrafficState& state, std::vector<LiveStayer>& stayers) {
    stayers.clear();
    const auto now = state.clock.steadyNow();
    for (LiveAircraft& a : state.liveAircraft) {
        if (!lf_isLiveParked(a)) {
            continue;
        }
        double minutes = 0;
        if (a.standWatch.seenAtStand == 0) {
            minutes =
                std::chrono::duration<double, std::ratio<60>>(now - a.standWatch.parkedAt).count();
            const double limit = a.base.category == AircraftCategory::Heavy ? kHeavyStayerMaxMinutes
                                                                            : kStayerMaxMinutes;
            if (minutes > limit) {
                try {
                    removeAircraftFromSim(state, a, "parked longer than a stay lasts, never seen there");
                } catch (...) {
                    gf_reportTrafficException("lf_collectLiveStayers");
                }
                continue;
            }
        }
        stayers.push_back({a.base.callsign, a.base.registration,
                           static_cast<std::int32_t>(a.stand.standId), minutes});
    }
    std::stable_sort(stayers.begin(), stayers.end(), [](const LiveStayer& a, const LiveStayer& b) {
        return a.minutes < b.minutes;
    });
}

void lf_eraseMarkedStatics(TrafficState& state) {
    std::erase_if(state.staticAircraft, [](const StaticAircraft& a) {
        return a.eraseAfterCleanup != 0 || a.eraseNow != 0;
    });
}

void lf_parkWaitingStaticAircraft(TrafficState& state) {
    try {
        lf_parkStaticAircraft(state, gf_currentDaySlot());
    } catch (...) {
        gf_reportTrafficException("lf_parkStaticAircraft");
    }
}

void lf_activateStaticAircraft(TrafficState& state, const SimEvent& entry) {
    StaticAircraft* aircraft = lf_findStatic(
        state, [&entry](const StaticAircraft& a) { return a.base.hexid == entry.value1; });
    if (aircraft == nullptr) {
        // Nobody would own the object: take it back.
        state.removalQueue.push_back(entry.objectId);
        return;
    }
    aircraft->objectId = entry.objectId;
    aircraft->simState = SimState::active;
    lf_setupStaticObject(state, *aircraft);
    if (aircraft->removalRequested != 0) {
        aircraft->removalRequested = 0;
        removeAircraftFromSim(state, *aircraft);
    }
}

bool lf_eraseStaticByObject(TrafficState& state, std::uint32_t objectId) {
    return std::erase_if(state.staticAircraft, [objectId](const StaticAircraft& a) {
               return a.objectId == objectId;
           }) != 0;
}

void lf_staticCreateFailed(TrafficState& state, std::uint32_t hexid) {
    StaticAircraft* aircraft =
        lf_findStatic(state, [hexid](const StaticAircraft& a) { return a.base.hexid == hexid; });
    if (aircraft == nullptr) {
        return;
    }
    gf_reportLiveryCreationFailure(state, aircraft->base);
    state.staticAircraft.erase(state.staticAircraft.begin() +
                               (aircraft - state.staticAircraft.data()));
}

void lf_staticCreateRefused(TrafficState& state, std::uint32_t hexid) {
    StaticAircraft* aircraft =
        lf_findStatic(state, [hexid](const StaticAircraft& a) { return a.base.hexid == hexid; });
    if (aircraft == nullptr || aircraft->simState != SimState::adding2sim) {
        return;
    }
    if (aircraft->removalRequested != 0) {
        state.staticAircraft.erase(state.staticAircraft.begin() +
                                   (aircraft - state.staticAircraft.data()));
        return;
    }
    state.staticCreateQueue.push_front(lf_staticCreateRequest(*aircraft));
}

std::vector<GroundCheckAircraft> gf_staticGroundCheckAircraft(const TrafficState& state) {
    std::vector<GroundCheckAircraft> out;
    out.reserve(state.staticAircraft.size());
    for (const StaticAircraft& a : state.staticAircraft) {
        out.push_back(
            {{a.latitude, a.longitude}, a.base.halfWingspanNm, a.simState == SimState::active, true});
    }
    return out;
}

void gf_removeStaticAircraftAt(TrafficState& state, std::size_t index, std::string_view caller) {
    if (index < state.staticAircraft.size()) {
        gf_removeStaticAircraft(state, state.staticAircraft[index], caller);
    }
}

std::vector<StaticAircraftView> gf_staticAircraftViews(const TrafficState& state) {
    std::vector<StaticAircraftView> views;
    views.reserve(state.staticAircraft.size());
    for (const StaticAircraft& a : state.staticAircraft) {
        views.push_back({a.base.callsign, a.base.displayCallsign, a.base.thirdText,
                         a.base.registration, gf_modelCode(a.base.key.model), a.rtHexid,
                         static_cast<std::uint8_t>(a.source), a.simState,
                         a.removalRequested != 0, a.base.category,
                         {a.latitude, a.longitude}, a.base.conflictRadiusNm,
                         static_cast<std::uint32_t>(std::max(a.standId, 0))});
    }
    return views;
}

void lf_eraseWithdrawnStatics(TrafficState& state) {
    std::erase_if(state.staticAircraft, [](const StaticAircraft& a) { return a.eraseNow != 0; });
}

void lf_dropRotorcraftParkRequests(TrafficState& state) {
    std::erase_if(state.parkAirport.waitingParkRequests(), [](const StaticParkRequest& r) {
        return gf_modelCategory(r.key.model) == AircraftCategory::Rotorcraft;
    });
}

void lf_dropStaticParkRequestsForStand(TrafficState& state, std::int32_t sid) {
    std::erase_if(state.parkAirport.waitingParkRequests(),
                  [sid](const StaticParkRequest& r) { return r.standId == sid; });
}

std::optional<std::string> lf_removeStaticOnStand(TrafficState& state, std::int32_t sid) {
    for (StaticAircraft& a : state.staticAircraft) {
        if (a.standId == sid && a.simState == SimState::active) {
            std::string callsign = a.base.callsign;
            removeAircraftFromSim(state, a);
            return callsign;
        }
    }
    return std::nullopt;
}

} // namespace skyloom

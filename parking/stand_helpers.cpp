#include "parking/stand_helpers.h"

#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include "foundation/log_file.h"
#include "parking/parking_state.h"
#include "runtime/window_sink.h"

namespace skyloom {

namespace {

using C = AircraftCategory;

// The stand of the table with that sid, found by binary search over the sid order.
Stand* lf_findBySid(ParkingState& state, std::int32_t sid) {
    const auto found = std::lower_bound(state.stands.begin(), state.stands.end(), sid,
                                        [](const Stand& s, std::int32_t v) { return s.sid < v; });
    return found != state.stands.end() && found->sid == sid ? &*found : nullptr;
}

bool lf_isOneOf(C category, std::initializer_list<C> categories) {
    return std::find(categories.begin(), categories.end(), category) != categories.end();
}

} // namespace

bool gf_standsConflict(const ParkingState& state, std::int32_t a, std::int32_t b) {
    if (a == b) {
        return true;
    }
    const Stand* stand = gf_standById(state, a);
    return stand != nullptr &&
           std::find(stand->exclusions.begin(), stand->exclusions.end(), b) !=
               stand->exclusions.end();
}

bool gf_reserveStand(ParkingState& state, std::int32_t sid, std::int32_t wanted) {
    Stand* stand = gf_standById(state, sid);
    if (stand == nullptr || stand->inUse) {
        return false;
    }
    stand->inUse = true;
    for (const std::int32_t e : stand->exclusions) {
        if (Stand* neighbour = e > 0 ? lf_findBySid(state, e) : nullptr) {
            neighbour->excluded = true;
        }
    }
    const auto inUse = std::count_if(state.stands.begin(), state.stands.end(),
                                     [](const Stand& s) { return s.inUse; });
    return inUse >= wanted;
}

void gf_blockUserStandForStatic(ParkingState& state, std::string_view name,
                                std::string_view label) {
    const Stand* found = gf_findStandByName(state, name);
    if (found == nullptr) {
        return;
    }
    Stand& user = *gf_standById(state, found->sid);
    user.excluded = true;
    LogFile::write(fmt::format("{} user stand '{}' blocked for static aircraft", label, user.id));
    for (const std::int32_t e : user.exclusions) {
        if (Stand* neighbour = e > 0 ? lf_findBySid(state, e) : nullptr) {
            neighbour->excluded = true;
            LogFile::write(fmt::format("{} excluded by {} user stand '{}' blocked for static aircraft",
                                       neighbour->id, label, user.id));
        }
    }
}

bool gf_standFitsAircraft(const Stand& stand, AircraftCategory category, double radiusNm) {
    const double d = radiusNm - stand.radius;
    if (d > kStandFitToleranceNM) {
        return false;
    }
    switch (stand.type) {
    case StandType::RAMP_GA:
    case StandType::RAMP_GA_SMALL:
    case StandType::DOCK_GA:
        return lf_isOneOf(category, {C::Light, C::TwoProps, C::Bizjet, C::Rotorcraft});
    case StandType::RAMP_GA_MEDIUM:
        return lf_isOneOf(category, {C::Bizjet, C::Large, C::Rotorcraft});
    case StandType::RAMP_GA_LARGE:
    case StandType::RAMP_CARGO:
    case StandType::GATE_HEAVY:
        return lf_isOneOf(category, {C::Large, C::Heavy});
    case StandType::RAMP_MIL_CARGO:
        return lf_isOneOf(category, {C::Bizjet, C::Large, C::Heavy, C::Rotorcraft});
    case StandType::RAMP_MIL_COMBAT:
        return lf_isOneOf(category, {C::HighPerf, C::Rotorcraft});
    case StandType::GATE_SMALL:
        return lf_isOneOf(category, {C::Light, C::TwoProps, C::Bizjet}) ||
               (category == C::Large && d <= 0);
    case StandType::GATE_MEDIUM:
        return lf_isOneOf(category, {C::Bizjet, C::Large});
    case StandType::FUEL:
        return d <= kFuelStandToleranceNM;
    case StandType::RAMP_GA_EXTRA:
    case StandType::GATE_EXTRA:
        return d <= kExtraStandToleranceNM;
    default:
        return false;
    }
}

bool lf_standHasMatchingFlightOption(const Stand& stand, std::string_view callsign,
                                     const LiveryKey& key) {
    if (callsign.empty()) {
        return false;
    }
    return std::any_of(stand.options.begin(), stand.options.end(), [&](const FlightOption& o) {
        return gf_isOptionAvailable(o) && o.real == 1 &&
               (o.callsign == callsign || o.callsign2 == callsign ||
                (o.key.airline == key.airline && o.key.operatorId == key.operatorId &&
                 o.key.model == key.model && o.key.cargo == key.cargo));
    });
}

bool lf_sameAircraftKey(std::string_view registration, const LiveryKey& key,
                        const FlightOption& option) {
    return option.reg == registration && option.key.airline == key.airline &&
           option.key.model == key.model && option.key.operatorId == key.operatorId &&
           option.key.cargo == key.cargo;
}

std::int32_t gf_setParkedAircraftTarget(ParkingState& state, std::int32_t percentage,
                                        std::int32_t maximum, WindowSink& window) {
    if (maximum <= 0) {
        state.maxParked = 0;
        window.enqueueUpdate(GuiUpdate::ParkingTarget{0, 0});
        return 0;
    }
    const auto n = static_cast<std::int32_t>(state.stands.size());
    std::int32_t target = 0;
    if (n <= 1 || ((n == 2 || n == 3) && percentage < 50)) {
        target = 1;
    } else {
        target = static_cast<std::int32_t>(std::lround(percentage * static_cast<double>(n) / 100.0));
    }
    state.maxParked = std::min(maximum, target);
    const std::int32_t shown =
        n < 1 ? 0 : static_cast<std::int32_t>(std::lround(state.maxParked * 100.0 / n));
    window.enqueueUpdate(GuiUpdate::ParkingTarget{state.maxParked, shown});
    return state.maxParked;
}

std::string gf_standExclusionsText(const ParkingState& state,
                                   std::span<const std::int32_t> exclusions, std::int32_t sid) {
    if (exclusions.empty()) {
        return {};
    }
    std::string ids;
    for (const std::int32_t e : exclusions) {
        if (!ids.empty()) {
            ids += ',';
        }
        ids += gf_standIdText(state, e);
    }
    return fmt::format("          {:8}: excludes {}", gf_standIdText(state, sid), ids);
}

} // namespace skyloom

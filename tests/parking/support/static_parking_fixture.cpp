#include "tests/parking/support/static_parking_fixture.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>

#include "foundation/geodesy.h"
#include "foundation/program_clock.h"
#include "parking/parking_adjustments.h"
#include "parking/rt_parked_placement.h"
#include "parking/stand_search_checks.h"
#include "parking/static_parking_plan.h"

namespace skyloom::testing {

namespace {

constexpr double kNmPerMetre = 1.0 / 1852.0;
constexpr double kNearestReachNm = 0.04387149028077754;
constexpr double kWordReachNm = 0.1349892008639309;

constexpr std::array<TestModel, kTestModelCount> kModels{{
    {AircraftCategory::Light, 5.5},
    {AircraftCategory::Rotorcraft, 5.5},
    {AircraftCategory::Large, 14.3},
    {AircraftCategory::Large, 17.9},
    {AircraftCategory::Large, 17.9},
    {AircraftCategory::Heavy, 32.4},
    {AircraftCategory::Heavy, 39.9},
}};

Stand* lf_standById(std::vector<Stand>& stands, std::int32_t sid) {
    if (sid < 1 || static_cast<std::size_t>(sid) > stands.size()) {
        return nullptr;
    }
    Stand& stand = stands[static_cast<std::size_t>(sid) - 1];
    return stand.sid == sid ? &stand : nullptr;
}

bool lf_reserve(std::vector<Stand>& stands, std::int32_t sid, std::int32_t wanted) {
    Stand* stand = lf_standById(stands, sid);
    if (stand == nullptr || stand->inUse) {
        return false;
    }
    stand->inUse = true;
    for (const std::int32_t e : stand->exclusions) {
        if (Stand* other = lf_standById(stands, e)) {
            other->excluded = true;
        }
    }
    return lf_countStandsInUse(stands) >= wanted;
}

bool lf_conflict(const std::vector<Stand>& stands, std::int32_t a, std::int32_t b) {
    if (a == b) {
        return true;
    }
    if (a < 1 || static_cast<std::size_t>(a) > stands.size()) {
        return false;
    }
    const std::vector<std::int32_t>& near = stands[static_cast<std::size_t>(a) - 1].exclusions;
    return std::find(near.begin(), near.end(), b) != near.end();
}

bool lf_isWordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0;
}

std::int32_t lf_standByWord(std::span<const Stand> stands, const std::string& text,
                            const Lalo& position) {
    if (text.size() < 6) {
        return 0;
    }
    const std::string word = text.substr(5);
    for (const Stand& stand : stands) {
        for (std::size_t at = stand.id.find(word); at != std::string::npos;
             at = stand.id.find(word, at + 1)) {
            const std::size_t end = at + word.size();
            const bool whole = (at == 0 || !lf_isWordChar(stand.id[at - 1])) &&
                               (end == stand.id.size() || !lf_isWordChar(stand.id[end]));
            if (whole && gf_distanceNM(stand.position, position) <= kWordReachNm) {
                return stand.sid;
            }
        }
    }
    return 0;
}

std::optional<std::int32_t> lf_nearest(const std::vector<Stand>& stands, const AircraftBase& base,
                                       const Lalo& position) {
    std::optional<std::int32_t> best;
    double bestNm = kNearestReachNm;
    for (const Stand& stand : stands) {
        const bool rotorcraft = base.category == AircraftCategory::Rotorcraft;
        if (stand.type == StandType::NONE || stand.excluded || stand.heli != rotorcraft ||
            base.halfWingspanNm - stand.radius > kStandWidthToleranceNm) {
            continue;
        }
        const double nm = gf_distanceNM(stand.position, position);
        if (nm <= bestNm) {
            bestNm = nm;
            best = stand.sid;
        }
    }
    return best;
}

} // namespace

const TestModel& testModel(std::uint16_t modelId) {
    return kModels.at(std::clamp<std::uint16_t>(modelId, 1, kTestModelCount) - 1u);
}

StaticParkingFixture::StaticParkingFixture() {
    settings.parking_percentage = 60;
    settings.MAX_PARK_SEL = 400;
    settings.MAX_FIT = 11;
    settings.WEEK = 1;
    settings.PARK_SOFT = 1;
    now = gf_packDaySlot({3, 30});
    models.category = [](std::uint16_t id) { return testModel(id).category; };
    models.halfWingspanNm = [](std::uint16_t id) {
        return testModel(id).halfWingspanMetres * kNmPerMetre;
    };
    seams.gf_standById = lf_standById;
    seams.gf_reserveStand = lf_reserve;
    seams.gf_standsConflict = lf_conflict;
    seams.lf_sameAircraftKey = [](const StaticAircraft& a, const FlightOption& o) {
        return o.reg == a.base.registration && o.key == a.base.key;
    };
    seams.gf_setParkedAircraftTarget = [this](std::int32_t p, std::int32_t m) {
        const auto n = static_cast<std::int32_t>(stands.size());
        const std::int32_t t = n <= 1 || (n <= 3 && p < 50)
                                   ? 1
                                   : static_cast<std::int32_t>(std::lround(p * n / 100.0));
        return m <= 0 ? 0 : std::min(m, t);
    };
    seams.gf_blockUserStandForStatic = [](std::vector<Stand>& table, const std::string& name,
                                          const std::string&) {
        for (Stand& stand : table) {
            if (stand.id == name) {
                stand.excluded = true;
                for (const std::int32_t e : stand.exclusions) {
                    if (Stand* other = lf_standById(table, e)) {
                        other->excluded = true;
                    }
                }
            }
        }
    };
    seams.lf_findStandByWord = lf_standByWord;
    seams.gf_currentParkAirportName = [this] { return recordedStand; };
    seams.gf_standAtUserPosition = [this] { return userStand; };
    seams.gf_standIdText = [this](std::int32_t sid) {
        const Stand* stand = lf_standById(stands, sid);
        return stand != nullptr ? stand->id : std::string(sid == 0 ? "sid==0?" : "sid==?");
    };
    seams.gf_isCategoryIncluded = [this](AircraftCategory c) {
        return c != AircraftCategory::Rotorcraft || settings.HELICOPTERS;
    };
    seams.gf_isValidIcao = [](const std::string& callsign) -> std::optional<std::string> {
        if (callsign.size() < 4 || !std::isdigit(static_cast<unsigned char>(callsign[3]))) {
            return std::nullopt;
        }
        std::string code = callsign.substr(0, 3);
        for (char& c : code) {
            if (!std::isalpha(static_cast<unsigned char>(c))) {
                return std::nullopt;
            }
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        return code;
    };
    seams.gf_initAircraftBase = [](AircraftBase& base, const ParkedEntry& entry) {
        base.key = LiveryKey{entry.airlineId, 0, entry.modelId, 0, 0};
        base.callsign = entry.callsign;
        base.registration = entry.registration;
        base.category = testModel(entry.modelId).category;
        base.halfWingspanNm = testModel(entry.modelId).halfWingspanMetres * kNmPerMetre;
    };
    seams.gf_findNearest = lf_nearest;
    seams.lf_collectLiveStayers = [this](std::vector<LiveStayer>& out) { out = liveStayers; };
    seams.lf_removeNOldestLiveParked = [this](std::int32_t n) {
        oldestLiveRemoved += n;
        liveStayers.resize(liveStayers.size() - std::min<std::size_t>(liveStayers.size(), n));
    };
    seams.removeAircraftFromSim = [this](StaticAircraft& aircraft) {
        aircraft.simState = SimState::removingfromsim;
        removedFromSim.push_back(aircraft.base.callsign);
    };
    seams.gf_processParkedTraffic = [this](std::int32_t wanted) {
        const StaticParkingRun current = run();
        return gf_processParkedTraffic(parked, wanted, gf_unpackDaySlot(now).slot,
                                       settings.RT_PARKTRAFFIC_ONLY != 0,
                                       gf_makeParkedTrafficPlacement(current, state));
    };
    seams.gf_disableParkingControls = [] {};
    seams.gf_enableParkingControls = [] {};
}

StaticParkingRun StaticParkingFixture::run() {
    return StaticParkingRun{stands, statics, live,   settings, qfSoft, now,
                            seams,  models,  window, &feed,    &parked};
}

void StaticParkingFixture::plan() {
    lf_planStaticParking(run(), state);
}

void StaticParkingFixture::adjust(bool rtOnlySwitchedTo) {
    lf_adjustParking(run(), state, rtOnlySwitchedTo);
}

void StaticParkingFixture::realise() {
    const DaySlotParts today = gf_unpackDaySlot(now);
    while (!state.plan.empty()) {
        const ParkingPlanEntry request = state.plan.back();
        state.plan.pop_back();
        StaticAircraft aircraft;
        aircraft.base.key = request.key;
        aircraft.base.callsign = request.callsign.empty()
                                     ? "RT" + std::to_string(nextStaticHexid_) + "*"
                                     : lf_determineStaticCallsign(request);
        aircraft.base.displayCallsign = request.callsign;
        aircraft.base.thirdText = request.callsign2;
        aircraft.base.registration = request.registration;
        aircraft.base.category = testModel(request.key.model).category;
        aircraft.base.hexid = static_cast<std::uint32_t>(nextStaticHexid_++);
        aircraft.rtHexid = request.rtHexid;
        aircraft.source = request.source;
        aircraft.standId = request.standId;
        aircraft.simState = SimState::active;
        aircraft.parkedDay = today.weekday;
        aircraft.parkedSlot = today.slot - static_cast<std::int32_t>(request.age);
        if (aircraft.parkedSlot < 0) {
            aircraft.parkedSlot += 48;
            aircraft.parkedDay = today.weekday == 1 ? 7 : today.weekday - 1;
        }
        statics.push_back(std::move(aircraft));
    }
}

LiveAircraft& StaticParkingFixture::addLive(std::string callsign, std::string registration) {
    AircraftBase base;
    base.callsign = std::move(callsign);
    base.registration = std::move(registration);
    return live.emplace_back(TrafficSample{}, std::move(base), 0.0, now);
}

} // namespace skyloom::testing

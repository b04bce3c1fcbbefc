// `ParamsSnapshot`: the immutable record of all current settings that worker threads read.
// It is published through an atomic shared pointer and read without locks; a change never
// edits a published snapshot but publishes a changed copy by compare-and-exchange, retrying
// on the newer snapshot when another writer came first, so that two threads changing
// different fields both win. Field names are the parameter keys; the park options stand at
// its head.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace skyloom {

// The park options, the first fields of the snapshot, in this order.
struct ParkOptions {
    std::int32_t parking_percentage = 0;
    std::int32_t MAX_PARK_SEL = 0;
    std::int32_t MAX_LIVE_SEL = 0;
    // An index 0 to 47; its hours are (index + 1) x 0.5.
    std::int32_t MAX_FIT = 0;
    std::uint8_t RT_PARKTRAFFIC_ONLY = 0;
    std::uint8_t AUTO_PARK = 0;
    std::uint8_t WEEK = 0;
    std::uint8_t PARK_SOFT = 0;

    friend bool operator==(const ParkOptions&, const ParkOptions&) = default;
};

// The aircraft the user blocked; BLOCK_AIRCRAFT empty means none.
struct BlockSettings {
    std::string BLOCK_AIRCRAFT;
    std::string BLOCK_CALLSIGN;
    std::string BLOCK_REGCODE;
    std::uint32_t BLOCK_HEXIDDEC = 0;
    // The blocked callsign ends with "_" (a ghost's callsign).
    bool callsignEndsWithUnderscore = false;

    friend bool operator==(const BlockSettings&, const BlockSettings&) = default;
};

// The traffic radius as a function of the user aircraft's height (`AUTO_RANGE`).
struct AutoRangeSettings {
    std::int32_t FLIGHT_LEVEL_1 = 0;
    std::int32_t FLIGHT_LEVEL_2 = 0;
    std::int32_t FLIGHT_LEVEL_3 = 0;
    std::int32_t RANGE_GROUND = 0;
    std::int32_t RANGE_1 = 0;
    std::int32_t RANGE_2 = 0;
    std::int32_t RANGE_3 = 0;
    std::int32_t RANGE_ABOVE = 0;

    friend bool operator==(const AutoRangeSettings&, const AutoRangeSettings&) = default;
};

struct ParamsSnapshot : ParkOptions {
    // Live traffic.
    std::int32_t TCAS_FL = 0;
    // The traffic radius: RANGE in NM, the same in whole NM, and in metres for the
    // simulator's request for AI objects in range.
    double RANGE = 0.0;
    std::int32_t rangeNm = 0;
    std::uint32_t rangeMetres = 0;
    bool AUTO_RANGE = false;
    AutoRangeSettings autoRange;
    std::uint32_t MAX_HOLDING_MINUTES = 0;
    std::int32_t HOLDING_THRESHOLD_METERS = 0;
    bool GUID_CHANGES = false;
    bool NAV_LIGHTS_WHILE_PARKED = false;
    bool OBJECTID_LIST = false;
    // 0 "All traffic", 1 "Airborne only", 2 "Ground only".
    std::int32_t ALL_AIR_GND_SELECTOR = 0;
    bool COLLISION_USER_GND = false;
    bool COLLISION_USER_AIR = false;
    bool COLLISION_LIVE_PARKED_GND = false;
    bool FLIGHT_MESSAGES = false;
    BlockSettings block;

    // Category filters.
    bool LIGHT_AIRCRAFT = false;
    bool TWO_PROPS = false;
    bool HELICOPTERS = false;
    bool HIGH_PERF_AIRCRAFT = false;

    // Livery choice and scan.
    std::int32_t MATCHING_DEPTH = 0;
    bool RANDOM = false;
    bool SKIP_LIVERIES_SCAN = false;
    bool LIG_PRIORITIZE = false;
    bool LIG_AUTOMATIC = false;
    // The index of the current AI_PACKAGE_SELECTOR choice; no value when it is none of them.
    std::optional<std::size_t> AI_PACKAGE_SELECTOR;

    // Parking and airports.
    std::int32_t PARKING_INTERVAL_MINUTES = 0;
    std::int32_t AIRP_RANGE = 0;
    std::int32_t AIRP_HEIGHT = 0;
    bool SKIP_AIRPORT_SCAN = false;
    std::string DESTINATION;

    // Time shift.
    std::int32_t TIME_SHIFT_DAYS = 0;
    std::int32_t TIME_SHIFT_HOURS = 0;
    std::int32_t TIME_SHIFT_MINS = 0;
    bool SIM_TIME = false;
    bool KEEP_SIM_TIME_PAR = false;

    // Window and links.
    bool ALWAYS_ON_TOP = false;
    bool AEROWINX = false;
    // QNH_UNIT is "QNH inHg".
    bool qnhInHg = false;
    std::uint16_t PORT_NUMBER = 0;

    friend bool operator==(const ParamsSnapshot&, const ParamsSnapshot&) = default;
};

// One published snapshot and its copy-on-write updates. The program has one
// (gf_paramsSnapshotCell); tests make their own.
class ParamsSnapshotCell {
public:
    // Called after every publication with the snapshot current at that moment; when
    // publications race, the observer is called again until the last call it gets was made
    // with the latest snapshot.
    using Observer = std::function<void(const ParamsSnapshot&)>;

    explicit ParamsSnapshotCell(ParamsSnapshot initial = {}, Observer observer = {});
    ParamsSnapshotCell(const ParamsSnapshotCell&) = delete;
    ParamsSnapshotCell& operator=(const ParamsSnapshotCell&) = delete;

    // The current snapshot; never null. Lock-free for the reader's purposes: it never waits
    // for a writer's work on a copy.
    std::shared_ptr<const ParamsSnapshot> load() const;
    // Replaces the snapshot whole.
    void publish(ParamsSnapshot snapshot);
    // Copy-on-write: applies `change` to a copy of the current snapshot and publishes the
    // copy by compare-and-exchange; when another writer published in between, the change is
    // applied again to the newer snapshot. `change` may thus run more than once and must
    // only set fields. Returns the snapshot this change published.
    std::shared_ptr<const ParamsSnapshot>
    update(const std::function<void(ParamsSnapshot&)>& change);

private:
    void notify() const;

    std::atomic<std::shared_ptr<const ParamsSnapshot>> current_;
    Observer observer_;
};

// The program's snapshot cell. Its first snapshot holds the parameters' defaults; every
// publication also hands `RANDOM` to the random helpers (gf_setRandomEnabled).
ParamsSnapshotCell& gf_paramsSnapshotCell();
// The program's current snapshot.
std::shared_ptr<const ParamsSnapshot> gf_paramsSnapshot();
// Copy-on-write on the program's snapshot.
std::shared_ptr<const ParamsSnapshot>
gf_updateParamsSnapshot(const std::function<void(ParamsSnapshot&)>& change);

// Copy-on-write setters of the program's snapshot.
// The traffic radius in whole NM: RANGE, rangeNm and rangeMetres together.
void gf_setRangeNm(std::int32_t nm);
// The four category filters together.
void gf_setCategoryFilters(bool lightAircraft, bool twoProps, bool helicopters,
                           bool highPerfAircraft);

// The snapshot's range fields for a radius in whole NM.
void gf_setRangeFields(ParamsSnapshot& snapshot, std::int32_t nm) noexcept;

// The longest time shift: two weeks.
inline constexpr std::int32_t kTimeShiftLimitMinutes = 20160;
// The time shift the snapshot's three fields give, in minutes ((days x 24 + hours) x 60 +
// minutes), capped at kTimeShiftLimitMinutes: the days' list reaches 14 so that two weeks can
// be shown, and 14 days with more hours or minutes still mean two weeks.
std::int32_t gf_timeShiftMinutesOf(const ParamsSnapshot& snapshot) noexcept;

} // namespace skyloom

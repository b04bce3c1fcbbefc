// `ParkingState`: what static parking knows about the park airport while it is applied: the
// stand table (sid n at index n - 1), the index of stand names, the identity of the loaded
// airport file, the applied flag, the update counter of learned stand options, the wanted number
// of parked aircraft and the park options recorded when the file was applied. It is touched only
// on the main worker thread; other threads see the stands only through the immutable
// `StandsSnapshot` that `publishStandsSnapshot` replaces whole.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/params_snapshot.h"
#include "foundation/clock.h"
#include "foundation/fnv_hash.h"
#include "foundation/icao_code.h"
#include "foundation/lalo.h"
#include "refdata/airport_file.h"

namespace skyloom {

// One stand as other threads see it: its name and where it lies.
struct StandPlace {
    std::string id;
    Lalo position; // degrees
};

// The park airport's stands at one moment; never changed once published.
struct StandsSnapshot {
    IcaoCode icao;
    std::vector<StandPlace> stands;
};

// What the park airport's loaded airport file says about itself.
struct LoadedFileIdentity {
    std::string airportName;
    std::string publisher; // the publisher text as the window shows it: with the version
    std::string publisherName; // the file's publisher parameter
    std::int32_t altitude = 0; // feet
    bool handmadeOverruled = false;
    std::uint32_t rtTrafficWeek = 0;
    // Where what is learned here is saved: formed at load time from the requested path and the
    // publisher, as the read looked for it; empty when no safe path exists.
    std::filesystem::path learnedSavePath;
};

class ParkingState {
public:
    ParkingState();
    ParkingState(const ParkingState&) = delete;
    ParkingState& operator=(const ParkingState&) = delete;

    // The park airport's stands, sid n at index n - 1.
    std::vector<Stand> stands;
    // A stand's id text to its sid; rebuilt whole with the stand table.
    FnvStringMap<std::int32_t> standNames;
    std::int32_t qfReal = 0;
    std::int32_t qfSoft = 0;
    LoadedFileIdentity file;
    // An airport file is applied at the park airport (its stands are in place and reported).
    bool airportFileApplied = false;
    // Stand-option updates learned since the file was loaded or last saved.
    std::int32_t updateCount = 0;
    // The number of parked aircraft wanted at the park airport; negative: no limit.
    std::int32_t maxParked = 0;
    // The park options in force right after the file was applied; put back when parking stops.
    ParkOptions recordedParkOptions;
    // A park airport was chosen: the main loop runs the static-parking update at its next
    // parking step.
    std::atomic<bool> parkingUpdateRequested{false};
    // The park airport's file could not be downloaded for a passing reason: the parking step
    // reads it again from then on.
    std::optional<Clock::SteadyTime> fileReadAgainAt;
    // The reads of that airport's file that failed in a row for a passing reason: the status
    // line says when they begin and when they end, not at every read again.
    std::int32_t fileReadsFailed = 0;
    IcaoCode fileFailedAirport;

    // Replaces the stand table and rebuilds the name index.
    void replaceStands(std::vector<Stand> newStands);
    // Everything back to its start: no stands, no file applied; publishes an empty snapshot.
    void clear();

    // Copies the stand table's ids, positions and radii into a new snapshot for `icao` and
    // publishes it. Any thread may read it at any time.
    void publishStandsSnapshot(const IcaoCode& icao);
    // The current snapshot; never null. Any thread.
    std::shared_ptr<const StandsSnapshot> standsSnapshot() const;

private:
    std::atomic<std::shared_ptr<const StandsSnapshot>> snapshot_;
};

// The program's parking state.
ParkingState& gf_parkingState();

// The stand with that sid: none when sid < 1, beyond the table, or the element there does not
// carry it.
Stand* gf_standById(ParkingState& state, std::int32_t sid);
const Stand* gf_standById(const ParkingState& state, std::int32_t sid);

// The stand whose id text it is, through the name index.
const Stand* gf_findStandByName(const ParkingState& state, std::string_view name);

// The stand's id text; "sid==0?" for 0 and "sid==?" for an id that names no stand.
std::string gf_standIdText(const ParkingState& state, std::int32_t sid);

} // namespace skyloom

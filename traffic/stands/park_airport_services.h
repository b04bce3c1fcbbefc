// `ParkAirportServices`: what the live traffic needs of the park airport that parking keeps: its
// stand table and the stand helpers that go with it, the names that keep a stand for the user,
// the uses of stands it learns from live aircraft, whether an airport file is applied there, and
// the waiting requests of the static parking plan. Parking implements it once and the program
// hands that implementation to the traffic state when it builds it, so nothing of it can be left
// out. Main worker thread.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/lalo.h"
#include "refdata/aircraft_category.h"

namespace skyloom {

struct AircraftBase;
struct LiveAircraft;
struct Stand;
struct StaticParkRequest;

// What a recorded stand use says: the aircraft arrived, left the stand, or is gone.
inline constexpr std::int32_t kStandUseArrived = 0;
inline constexpr std::int32_t kStandUseLeft = 2;
inline constexpr std::int32_t kStandUseGone = 3;

class ParkAirportServices {
public:
    virtual ~ParkAirportServices() = default;

    // The park airport's stands, sid n at index n - 1; empty without an applied airport file.
    virtual std::span<const Stand> stands() const = 0;
    // The stand with that 1-based id, or null when the table holds none.
    virtual const Stand* standById(std::int32_t sid) const = 0;
    // The stand with that id text (gf_standByName), or null.
    virtual const Stand* standByName(std::string_view text) const = 0;
    // The same stand, or `b` is in the exclusion list of `a`.
    virtual bool standsConflict(std::int32_t a, std::int32_t b) const = 0;
    virtual bool standFitsAircraft(const Stand& stand, AircraftCategory category,
                                   double halfWingspanNm) const = 0;
    // A flight option of the stand names the aircraft's flight or model.
    virtual bool standHasMatchingFlightOption(const Stand& stand,
                                              const AircraftBase& aircraft) const = 0;
    // The stand name held with the current park airport, and the stand under the user
    // aircraft; none when there is no such name.
    virtual std::optional<std::string> currentParkAirportName() const = 0;
    virtual std::optional<std::string> standAtUserPosition() const = 0;
    // The park airport's position; none without a park airport or with an invalid position.
    virtual std::optional<Lalo> parkAirportPosition() const = 0;
    // An airport file is applied at the park airport: its stands are in place.
    virtual bool airportFileApplied() const = 0;
    // Records a use of the aircraft's stand (a kStandUse kind) as a real stand option.
    virtual void addRealStandOption(LiveAircraft& aircraft, std::int32_t kind) = 0;
    // The static parking plan's waiting requests, taken from the back.
    virtual std::vector<StaticParkRequest>& waitingParkRequests() = 0;
};

} // namespace skyloom

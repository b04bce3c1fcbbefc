// `ParkingParkAirport`: the park airport as the live traffic sees it, over the parking state's
// stand table and helpers, the park-airport list's reserved stand name, the park airport entry,
// the user aircraft's stand, the real stand options it learns and the static parking plan's
// waiting requests. The program's one implementation of `ParkAirportServices`; the references
// must outlive it. Main worker thread.
#pragma once

#include "traffic/stands/park_airport_services.h"

namespace skyloom {

class ParkAirportEntry;
class ParkAirportList;
class ParkingState;
struct StaticParkingState;
class UserAircraft;
class WindowSink;

class ParkingParkAirport final : public ParkAirportServices {
public:
    ParkingParkAirport(ParkingState& state, ParkAirportList& list, ParkAirportEntry& entry,
                       const UserAircraft& user, StaticParkingState& plan, WindowSink& window);

    std::span<const Stand> stands() const override;
    const Stand* standById(std::int32_t sid) const override;
    const Stand* standByName(std::string_view text) const override;
    bool standsConflict(std::int32_t a, std::int32_t b) const override;
    bool standFitsAircraft(const Stand& stand, AircraftCategory category,
                           double halfWingspanNm) const override;
    bool standHasMatchingFlightOption(const Stand& stand,
                                      const AircraftBase& aircraft) const override;
    std::optional<std::string> currentParkAirportName() const override;
    std::optional<std::string> standAtUserPosition() const override;
    std::optional<Lalo> parkAirportPosition() const override;
    bool airportFileApplied() const override;
    void addRealStandOption(LiveAircraft& aircraft, std::int32_t kind) override;
    std::vector<StaticParkRequest>& waitingParkRequests() override;

private:
    ParkingState& state_;
    ParkAirportList& list_;
    ParkAirportEntry& entry_;
    const UserAircraft& user_;
    StaticParkingState& plan_;
    WindowSink& window_;
};

} // namespace skyloom

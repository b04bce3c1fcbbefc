// `RunwayList`: the park airport's runways as the simulator's facility data gives them, in
// the order delivered, for the runway searches of the motion (traffic/runway_match.h). A load
// reads the facilities of the airport (unless the same airport and airport-file source were
// loaded last), warns about a facility altitude far from the airport table's, logs what looks
// wrong with each runway, and drops the runways of a fixed list that no longer exist. A read
// failure leaves the list empty, so every search finds nothing and the motion keeps the
// feed's own tracks. Every log line begins with "RUNWAY_HEADING: ". Main worker thread only.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/icao_code.h"
#include "refdata/airports.h"
#include "sim/facility_runways.h"

namespace skyloom {

class StopControl;

class RunwayList {
public:
    using Reader = std::function<RunwayFacilities(std::string_view icao)>;

    // Loads the runways of the park airport `icao`, whose airport file came from `source`
    // ("stock" for the simulator's own airports); `parkAirport` is the airports table's entry
    // of that airport (its altitude and reference point). Without a reader the facility
    // connection's gf_readRunwayFacilities reads, giving up when `stop` ends the run.
    void correctRunwayHeadings(const IcaoCode& icao, std::string_view source,
                               const AirportEntry& parkAirport, const StopControl& stop);
    void correctRunwayHeadings(const IcaoCode& icao, std::string_view source,
                               const AirportEntry& parkAirport, const Reader& reader);

    // Static parking stopped: no runways, and the airport is forgotten (its source is not),
    // so that the next load reads again.
    void stop();

    std::span<const FacilityRunway> runways() const noexcept { return runways_; }

private:
    std::vector<FacilityRunway> runways_;
    std::string loadedIcao_;
    std::string loadedSource_;
};

} // namespace skyloom

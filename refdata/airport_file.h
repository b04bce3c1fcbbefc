// The records of one airport's stands as airport files, the scan and the facility reader hold
// them: `FlightOption`, one remembered use of a stand (who, on which day, in which half-hours);
// `Stand`, one parking position or helipad with its options; `AirportFile`, the image of one
// airport file with its position, name, altitude, quality scores, codes, source and stands.
// Plain value types that own what they hold. Inside, positions are degrees, headings radians
// and radii nautical miles; airport files store radii in metres and headings in degrees.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "foundation/hours_bitset.h"
#include "foundation/iata_code.h"
#include "foundation/icao_code.h"
#include "foundation/lalo.h"
#include "refdata/stand_type.h"
#include "refdata/livery_key.h"

namespace skyloom {

// Metres to nautical miles (1 / 1852) for stand radii.
inline constexpr double kStandNMPerMetre = 0.0005399568034557236;

// A mark that lives only for the run: never written to a file, never scored, and not part of
// the equality of the record that holds it.
struct RunOnlyFlag {
    bool set = false;

    friend constexpr bool operator==(const RunOnlyFlag&, const RunOnlyFlag&) noexcept {
        return true;
    }
};

// One `opt` element of an airport file.
struct FlightOption {
    // Airline, operator, model and cargo of the aircraft. fromRegistration is 1 when the key
    // was taken from the registration table for `reg`; then the file does not repeat the
    // airline and model codes.
    LiveryKey key;
    std::string reg;
    std::string callsign;
    std::string callsign2;
    // The half-hour slots of the UTC day in which the aircraft stood there.
    HoursBitset hours;
    // 1-based number among the accepted options of the stand, in reading order; 0 marks an
    // option that is no longer valid: not scored and not written.
    std::uint32_t seq = 0;
    // Day of the week, 1 Monday to 7 Sunday.
    std::uint32_t day = 0;
    // 1 when read from an airport file's own stand section; 0 when learned while running or
    // read from a learned file.
    std::uint32_t origin = 0;
    // 1 for an option seen in real traffic, 0 for a soft one.
    std::uint32_t real = 0;
    bool cpl = false;
    // The stand search found this option's aircraft already present or planned: the run skips
    // the option until the options are numbered afresh (a new load of the file, or a parking
    // adjustment). Unlike seq 0 it never reaches the learned file.
    RunOnlyFlag inUseThisRun;

    friend bool operator==(const FlightOption&, const FlightOption&) = default;
};

// True for an option the run may still use: valid (seq not 0) and not found in use.
inline bool gf_isOptionAvailable(const FlightOption& option) noexcept {
    return option.seq != 0 && !option.inUseThisRun.set;
}

struct Stand {
    std::vector<FlightOption> options; // in file order
    std::string id; // unique within its airport, never empty once named, no blanks around it
    std::vector<std::int32_t> exclusions; // sids of the stands whose circles overlap this one
    Lalo position;                        // degrees
    double heading = 0;                   // radians, [0, 2 pi)
    double radius = 0;                    // NM, finite and above 0
    std::int32_t sid = 0;                 // 1-based place in the airport's list; 0 until numbered
    StandType type = StandType::NONE;
    bool manual = false;   // created by hand in a learned file
    bool inUse = false;    // planning: taken for a static aircraft
    bool excluded = false; // planning: an overlapping stand is taken, or the user's
    bool cargo = false;
    bool ramp = false;
    bool heli = false; // helipad

    friend bool operator==(const Stand&, const Stand&) = default;
};

// A stand as an airport file describes it: the radius is given in metres; sid, exclusions and
// the manual and planning flags start clear.
Stand gf_makeStand(std::string id, std::vector<FlightOption> options, const Lalo& position,
                   double headingRad, double radiusMetres, StandType type, bool cargo, bool ramp,
                   bool heli);

// The package an airport's scenery came in, from its manifest.
struct AirportPackage {
    std::string title;
    std::string version;
    std::string manufacturer;
    std::string creator;

    friend bool operator==(const AirportPackage&, const AirportPackage&) = default;
};

struct AirportFile {
    IcaoCode icao;
    IataCode iata;
    double latitude = 0;
    double longitude = 0;
    std::string airportName;
    std::int32_t altitude = 0; // feet
    // Quality scores 0..100, -1 when no stand has an option (parking/stand_quality.h).
    std::int32_t qfReal = 0;
    std::int32_t qfSoft = 0;
    std::filesystem::path sourcePath; // the scenery source the scan read; not written
    std::string bglPath;
    std::string publisher;
    std::optional<AirportPackage> package;
    std::vector<Stand> stands;
};

} // namespace skyloom

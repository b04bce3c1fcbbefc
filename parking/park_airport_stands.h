// The park airport's stands: its airport file found, read and merged with its learned file,
// reported in the log and the window, its park options applied (or chosen automatically for
// airports with poor stand data or very few stands), the stand table replaced and published for
// other threads, and the user's own stand recorded with the park airport. Two light readers of
// airport files as well: an airport's stand nearest to a position, and its stand names. Main
// worker thread (the light readers: the thread of their caller).
#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "foundation/clock.h"
#include "foundation/icao_code.h"
#include "foundation/lalo.h"
#include "parking/airport_file_reader.h"
#include "refdata/airports.h"

namespace skyloom {

class ProgramParameters;
struct ParkingContext;
struct RunServices;

// Parking and the window's airport panel: target share of stands for airports with one stand
// and with two, and the real quality score at or below which automatic parking is switched on.
inline constexpr std::int32_t kSingleStandPercentage = 100;
inline constexpr std::int32_t kFewStandsPercentage = 65;
inline constexpr std::int32_t kFewStandsMaximum = 2;
inline constexpr std::int32_t kLowQualityScore = 15;

struct ParkedFileOutcome {
    std::string text; // empty on success
    bool ok = false;
    bool logged = false; // `text` is in the log already
    // The file could not be downloaded for a passing reason: it is read again from then on.
    std::optional<Clock::SteadyTime> retryAt{};
};

// How the program reads the park airport's file: the park_airport.xml cache, archived files
// fetched from the download area, the learned file merged.
AirportFileReadContext gf_parkAirportReadContext(const RunServices& services);

// Loads the park airport's file into the parking state and publishes its stands.
ParkedFileOutcome lf_readParkedFile(ParkingContext& context);

// Reports a freshly loaded file and applies its park options (or the automatic choices).
void lf_reportAirportFile(ParkingContext& context, const LoadedAirportFile& file);

// The airport's stand nearest to the reference position, or an error text. Never throws. Both
// light readers take only the stands the airport-file reader takes (gf_walkParkpositions,
// gf_readParkposGeometry), so that a destination stand is always one of the loaded stands.
std::variant<ClosestStand, std::string> gf_readDestApfForClosestStand(const IcaoCode& icao,
                                                                      const Lalo& reference,
                                                                      const RunServices& services);

// The airport's stand names, trimmed, upper case, each once in the order of first occurrence,
// or an error text. Never throws.
std::variant<std::vector<std::string>, std::string> gf_readApfForStands(const IcaoCode& icao,
                                                                        const RunServices& services);

} // namespace skyloom

// Reading the park airport's airport file (`gf_readAirportFile`): where its bytes come from
// (the requested file, a copy fetched for this read, or the park_airport.xml cache), the header
// check, the parameters and stands, the airport's learned file merged into them, the stands
// numbered with the overlapping ones recorded, and the cache refreshed. Main worker thread.
//
// The airport-file store (finding and fetching files) and the learned files reach the reader
// through `AirportFileReadContext`; left unset, the requested path is read as plain XML where
// it lies and no learned file is merged.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/clock.h"
#include "parking/loaded_airport_file.h"
#include "parking/park_option_overrides.h"

namespace skyloom {

// Where the bytes of a requested airport file lie, as the store finds them.
struct AirportFileLocation {
    // Not empty: the file cannot be had, and why.
    std::string error;
    // The copy to load, removed when the read ends; empty: load the requested path itself.
    std::filesystem::path path;
    // `path` was downloaded for this read.
    bool archived = false;
    // An encrypted data file (".enc").
    bool encrypted = false;
    // `error` is in the log already (with the address asked for and why it failed, or said
    // before in this run): the reader does not log it again.
    bool logged = false;
    // The file could not be had for a passing reason: from then on it is asked for again.
    std::optional<Clock::SteadyTime> retryAt{};
};

// The airport file's stands with a learned file merged, or the stands of a handmade learned
// file that replace them, and the park options the learned file sets.
struct LearnedAirportData {
    std::vector<Stand> stands;
    ParkOptionOverrides overrides;
    bool handmade = false;
};

// A learned file read: `data` on success, else `error`.
struct LearnedAirportRead {
    std::optional<LearnedAirportData> data;
    std::string error;
};

struct AirportFileReadContext {
    // park_airport.xml in the airports folder; empty: no cache.
    std::filesystem::path cachePath;
    // Where the requested file's bytes lie; unset: the requested file itself, plain XML.
    std::function<AirportFileLocation(const std::filesystem::path& requested)> locate;
    // The learned file of an airport file, from its path (file name cut to the ICAO code) and
    // publisher; unset or no value: none.
    std::function<std::optional<std::filesystem::path>(const std::filesystem::path& source,
                                                       std::string_view publisher)>
        learnedPath;
    // Reads an existing learned file and merges it into (a copy of) the airport's stands.
    std::function<LearnedAirportRead(const std::filesystem::path& learned,
                                     std::string_view airportName,
                                     const std::vector<Stand>& stands)>
        readLearned;
};

// The read: `file` on success, else `error` (also logged with the "==> " mark, unless the
// store had logged it already: then `logged` is set and the reader adds nothing).
struct AirportFileReadResult {
    std::optional<LoadedAirportFile> file;
    std::string error;
    bool logged = false;
    // As in AirportFileLocation: when the file that could not be had is asked for again.
    std::optional<Clock::SteadyTime> retryAt{};

    explicit operator bool() const { return file.has_value(); }
};

// Two stands exclude each other when 1.1 times their distance (flat earth near the airport)
// is less than the sum of their radii.
inline constexpr double kStandClearanceFactor = 1.1;

// Reads the airport file `requested`. A file that cannot be had, loaded or parsed, whose
// header is refused ("{path}: refused to load"), or that lacks the altitude parameter fails
// the read; the requested file is never changed or removed, and the cache is replaced only
// after a successful read that did not come from it (a failed read from the cache removes it).
// A broken learned file or a failed cache refresh is logged and does not fail the read.
AirportFileReadResult gf_readAirportFile(const std::filesystem::path& requested,
                                         const AirportFileReadContext& context);

} // namespace skyloom

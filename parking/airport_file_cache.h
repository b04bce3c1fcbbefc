// The park-airport cache: park_airport.xml in the airports folder, a plain-XML copy of the last
// airport file read, so that a repeated read of the same archived airport file needs no
// download. Its parameters icao, publisher and version say which archived file it holds.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include <pugixml.hpp>

#include "foundation/icao_code.h"
#include "parking/archive_path.h"

namespace skyloom {

inline constexpr std::string_view kParkAirportCacheFileName = "park_airport.xml";

// The cache file of the program: the airports folder / "park_airport.xml".
std::filesystem::path gf_parkAirportCachePath();

struct ParkAirportCacheRecord {
    IcaoCode icao;
    std::string publisher; // empty when absent
    std::string version;   // only the decimal digits of the parameter: 1.2.3 is kept as 123

    friend bool operator==(const ParkAirportCacheRecord&, const ParkAirportCacheRecord&) = default;
};

// Loads the cache file into `document` and gives its record. When the file cannot be opened
// or parsed, logs why (a plain line) and gives nothing; a file without a valid icao parameter
// gives nothing either.
std::optional<ParkAirportCacheRecord>
gf_readParkAirportCache(const std::filesystem::path& cachePath, pugi::xml_document& document);

// True when the cache holds the archived file the archive path names: the same ICAO code,
// publisher and version digits, byte for byte.
bool gf_cacheHolds(const ParkAirportCacheRecord& record, const ArchivePathInfo& archived);

// Makes the cache a copy of the file just read: for an encrypted file the loaded `document` is
// saved as plain XML, otherwise the bytes of `loadedPath` are copied. The old cache is replaced
// only by a complete new one. A failure is logged with the "==> " mark and not returned: a
// stale cache never fails a read.
void gf_refreshParkAirportCache(const std::filesystem::path& cachePath,
                                const std::filesystem::path& loadedPath, bool encrypted,
                                pugi::xml_document& document);

} // namespace skyloom

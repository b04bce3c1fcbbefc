#include "refdata/airports.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <mutex>
#include <stdexcept>

#include <fmt/format.h>

#include "config/program_paths.h"
#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "foundation/log_file.h"
#include "foundation/text.h"
#include "refdata/data_set.h"

namespace skyloom {

namespace {

struct AirportsTable {
    mutable std::shared_mutex mutex;
    std::vector<AirportEntry> entries;
};

AirportsTable& lf_table() {
    static AirportsTable table;
    return table;
}

struct StandReaderSlot {
    std::mutex mutex;
    ClosestStandReader reader;
};

StandReaderSlot& lf_standReader() {
    static StandReaderSlot slot;
    return slot;
}

template <typename Number> std::optional<Number> lf_parseNumber(std::string_view text) {
    Number value{};
    const auto* last = text.data() + text.size();
    const auto [end, ec] = std::from_chars(text.data(), last, value);
    if (text.empty() || ec != std::errc() || end != last) {
        return std::nullopt;
    }
    return value;
}

// The entry of one `ap` element, or the reason it is refused.
std::variant<AirportEntry, std::string> lf_readEntry(const pugi::xml_node& ap) {
    const std::string_view code = ap.attribute("i").as_string();
    const auto icao = IcaoCode::parse(code);
    if (!icao) {
        return fmt::format("invalid ICAO code '{}'", code);
    }
    AirportEntry entry;
    entry.icao = *icao;
    const std::string_view iata = ap.attribute("a").as_string();
    if (!iata.empty()) {
        const auto parsed = IataCode::parse(iata);
        if (!parsed) {
            return fmt::format("{}: invalid IATA code '{}'", code, iata);
        }
        entry.iata = *parsed;
    }
    const auto lat = lf_parseNumber<double>(ap.attribute("la").as_string());
    const auto lon = lf_parseNumber<double>(ap.attribute("lo").as_string());
    if (!lat || !lon || !gf_isValidLalo(Lalo{*lat, *lon})) {
        return fmt::format("{}: invalid position '{}', '{}'", code, ap.attribute("la").as_string(),
                           ap.attribute("lo").as_string());
    }
    entry.lat = *lat;
    entry.lon = *lon;
    if (const auto al = ap.attribute("al")) {
        const auto altitude = lf_parseNumber<std::int32_t>(al.as_string());
        if (!altitude) {
            return fmt::format("{}: invalid altitude '{}'", code, al.as_string());
        }
        entry.altitudeFt = *altitude;
    }
    return entry;
}

std::optional<AirportEntry> lf_findLocked(const std::vector<AirportEntry>& entries,
                                          const IcaoCode& icao) {
    const auto it = std::lower_bound(
        entries.begin(), entries.end(), icao,
        [](const AirportEntry& entry, const IcaoCode& code) { return entry.icao < code; });
    if (it == entries.end() || it->icao != icao) {
        return std::nullopt;
    }
    return *it;
}

} // namespace

double gf_flatDistanceSquaredNM(const Lalo& from, const Lalo& to) noexcept {
    double dLon = to.lon - from.lon;
    if (dLon > 180.0) {
        dLon -= 360.0;
    } else if (dLon < -180.0) {
        dLon += 360.0;
    }
    const double dy = (to.lat - from.lat) * geo::kFlatNMPerDegree;
    const double dx = dLon * std::cos(from.lat * geo::kRadiansPerDegree) * geo::kFlatNMPerDegree;
    return dy * dy + dx * dx;
}

std::size_t gf_setAirports(std::vector<AirportEntry> entries) {
    std::stable_sort(entries.begin(), entries.end(),
                     [](const AirportEntry& a, const AirportEntry& b) { return a.icao < b.icao; });
    const auto last =
        std::unique(entries.begin(), entries.end(),
                    [](const AirportEntry& a, const AirportEntry& b) { return a.icao == b.icao; });
    const auto dropped = static_cast<std::size_t>(std::distance(last, entries.end()));
    entries.erase(last, entries.end());
    entries.shrink_to_fit();
    auto& table = lf_table();
    std::unique_lock lock(table.mutex);
    table.entries = std::move(entries);
    return dropped;
}

void gf_readAirports() {
    gf_readAirports(gf_inputFolder());
}

void gf_readAirports(const std::filesystem::path& folder) {
    const auto set = gf_loadDataSetFrom(folder, kAirportsDataSetName);
    const auto source = gf_pathToUtf8(set->path);
    const auto airports = set->root().child("airports");
    if (!airports) {
        throw std::runtime_error(fmt::format("{}: no 'airports' element", source));
    }
    std::vector<AirportEntry> entries;
    entries.reserve(static_cast<std::size_t>(
        std::distance(airports.children("ap").begin(), airports.children("ap").end())));
    std::size_t refused = 0;
    for (const auto ap : airports.children("ap")) {
        auto entry = lf_readEntry(ap);
        if (auto* good = std::get_if<AirportEntry>(&entry)) {
            entries.push_back(*good);
        } else if (++refused <= 10) {
            LogFile::writeImportant(
                fmt::format("{}: airport skipped: {}", source, std::get<std::string>(entry)));
        }
    }
    const auto read = entries.size();
    const auto duplicates = gf_setAirports(std::move(entries));
    LogFile::write(fmt::format("airports {} version {}", source, set->version));
    LogFile::write(fmt::format("{:5} airports", read - duplicates));
    if (refused > 0 || duplicates > 0) {
        LogFile::writeImportant(fmt::format("{}: {} airports skipped as invalid, {} as duplicates",
                                            source, refused, duplicates));
    }
}

std::size_t gf_airportCount() {
    auto& table = lf_table();
    std::shared_lock lock(table.mutex);
    return table.entries.size();
}

std::optional<AirportEntry> gf_findAirportById(const IcaoCode& icao) {
    auto& table = lf_table();
    std::shared_lock lock(table.mutex);
    return lf_findLocked(table.entries, icao);
}

bool gf_airportKnown(const IcaoCode& icao) {
    return gf_findAirportById(icao).has_value();
}

void gf_withAirports(const std::function<void(const std::vector<AirportEntry>&)>& visit) {
    auto& table = lf_table();
    std::shared_lock lock(table.mutex);
    visit(table.entries);
}

void gf_setClosestStandReader(ClosestStandReader reader) {
    auto& slot = lf_standReader();
    std::lock_guard lock(slot.mutex);
    slot.reader = std::move(reader);
}

namespace {

struct Candidate {
    AirportEntry airport;
    double distanceSquaredNM;
};

// The airports within 5 NM of the position (flat distance), closest centre first.
std::vector<Candidate> lf_airportsWithinReach(const Lalo& position) {
    std::vector<Candidate> candidates;
    if (!gf_isValidLalo(position)) {
        return candidates;
    }
    {
        constexpr double kReachSquared = kClosestAirportReachNM * kClosestAirportReachNM;
        constexpr double kReachDegrees = kClosestAirportReachNM / geo::kFlatNMPerDegree;
        auto& table = lf_table();
        std::shared_lock lock(table.mutex);
        for (const auto& airport : table.entries) {
            // Cheap latitude test first; longitude needs the cosine and the wrap.
            if (std::abs(airport.lat - position.lat) > kReachDegrees) {
                continue;
            }
            const double d2 = gf_flatDistanceSquaredNM(position, airport.position());
            if (d2 <= kReachSquared) {
                candidates.push_back(Candidate{airport, d2});
            }
        }
    }
    std::stable_sort(candidates.begin(), candidates.end(), [](const auto& a, const auto& b) {
        return a.distanceSquaredNM < b.distanceSquaredNM;
    });
    return candidates;
}

} // namespace

std::optional<AirportEntry> gf_findClosestAirportCentre(const Lalo& position) {
    const std::vector<Candidate> candidates = lf_airportsWithinReach(position);
    if (candidates.empty()) {
        return std::nullopt;
    }
    return candidates.front().airport;
}

std::optional<AirportEntry> gf_findClosestAirport(const Lalo& position) {
    const std::vector<Candidate> candidates = lf_airportsWithinReach(position);
    if (candidates.empty()) {
        return std::nullopt;
    }
    const auto& closest = candidates.front().airport;
    if (candidates.size() == 1) {
        return closest;
    }

    ClosestStandReader reader;
    {
        auto& slot = lf_standReader();
        std::lock_guard lock(slot.mutex);
        reader = slot.reader;
    }
    if (!reader) {
        return closest;
    }
    const Candidate* best = nullptr;
    ClosestStand bestStand;
    for (const auto& candidate : candidates) {
        auto result = reader(candidate.airport.icao, position);
        const auto* stand = std::get_if<ClosestStand>(&result);
        if (stand == nullptr) {
            continue;
        }
        if (best == nullptr || stand->distanceNM < bestStand.distanceNM) {
            best = &candidate;
            bestStand = *stand;
        }
    }
    if (best == nullptr) {
        return closest;
    }
    if (best->airport.icao != closest.icao) {
        LogFile::write(fmt::format(
            "Airport {} has the closest center, but stand {} at {} is closer ({:.0f} meters)",
            closest.icao, bestStand.standId, best->airport.icao,
            bestStand.distanceNM * geo::kMetresPerNM));
    }
    return best->airport;
}

} // namespace skyloom

#include "parking/airport_file_reader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <exception>
#include <memory>
#include <system_error>

#include <fmt/format.h>
#include <pugixml.hpp>

#include "config/parameters_store.h"
#include "foundation/file_header.h"
#include "foundation/files.h"
#include "foundation/geo_constants.h"
#include "foundation/log_file.h"
#include "foundation/secure_buffer.h"
#include "foundation/text.h"
#include "foundation/user_related_exception.h"
#include "parking/airport_file_cache.h"
#include "parking/airport_xml_load.h"
#include "parking/apf_stand_reader.h"
#include "parking/archive_path.h"
#include "parking/stand_quality.h"

namespace skyloom {

namespace {

constexpr int kMissingParameterCode = 65;
constexpr double kClearanceFactorSquared = kStandClearanceFactor * kStandClearanceFactor;

// What one read holds until it ends: the document (which may point into the plaintext of an
// encrypted file) and the guard of a downloaded copy.
struct ReadState {
    SecureBuffer plaintext;
    pugi::xml_document document;
    std::unique_ptr<TempFileGuard> downloadedCopy;
    bool fromCache = false;
};

// The same folder with the file name cut to the ICAO code: EHAM.1.2.xml becomes EHAM.xml.
std::filesystem::path lf_normaliseApfFileName(const std::filesystem::path& path) {
    const std::string stem = path.stem().string();
    if (stem.size() < IcaoCode::kLength + 1) {
        return path;
    }
    return path.parent_path() / (stem.substr(0, IcaoCode::kLength) + path.extension().string());
}

std::uint32_t lf_unsignedParameter(const pugi::xml_document& document, std::string_view name) {
    const std::string text = gf_trim(gf_findXmlParameterValue(document, name).value_or(""));
    std::uint32_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() ? value : 0;
}

void lf_readParameters(const pugi::xml_document& document, LoadedAirportFile& file) {
    file.rtTrafficWeek = lf_unsignedParameter(document, "RT_traffic_week");
    file.publisher = gf_findXmlParameterValue(document, "publisher").value_or("");
    file.version = gf_findXmlParameterValue(document, "version");
    const std::optional<std::int32_t> altitude = gf_findXmlParameter(document, "altitude");
    if (!altitude) {
        throw UserRelatedException(kMissingParameterCode,
                                   fmt::format("Parameter {} not found", "altitude"));
    }
    file.altitude = *altitude;
    file.airportName = gf_findXmlParameterValue(document, "airport_name").value_or("");
}

void lf_mergeLearned(const AirportFileReadContext& context, LoadedAirportFile& file) {
    if (!context.learnedPath || !context.readLearned) {
        return;
    }
    const std::optional<std::filesystem::path> learned =
        context.learnedPath(lf_normaliseApfFileName(file.requestedPath), file.publisher);
    if (learned) {
        file.learnedSavePath = *learned;
    }
    std::error_code ec;
    if (!learned || !std::filesystem::exists(*learned, ec)) {
        return;
    }
    file.learnedPath = *learned;
    LearnedAirportRead read = context.readLearned(*learned, file.airportName, file.stands);
    if (!read.data) {
        LogFile::writeImportant(read.error);
        return;
    }
    file.stands = std::move(read.data->stands);
    file.parkOptionOverrides = read.data->overrides;
    file.handmadeOverruled = read.data->handmade;
    file.learnedMerged = true;
    const QualityScores scores = gf_computeQualityScores(file.stands);
    file.qfReal = scores.qfReal;
    file.qfSoft = scores.qfSoft;
}

// Numbers the stands 1..n and records, on both stands of each overlapping pair, the other's
// sid, in ascending order. Pairs are looked at in order of latitude, so that the walk from one
// stand ends at the first stand too far north to reach it with the largest radius.
void lf_numberStands(std::vector<Stand>& stands) {
    double largestRadius = 0;
    std::vector<std::size_t> byLatitude(stands.size());
    for (std::size_t i = 0; i < stands.size(); ++i) {
        stands[i].sid = static_cast<std::int32_t>(i + 1);
        stands[i].exclusions.clear();
        largestRadius = std::max(largestRadius, stands[i].radius);
        byLatitude[i] = i;
    }
    std::sort(byLatitude.begin(), byLatitude.end(), [&](std::size_t a, std::size_t b) {
        return stands[a].position.lat < stands[b].position.lat;
    });
    for (std::size_t x = 0; x < byLatitude.size(); ++x) {
        Stand& a = stands[byLatitude[x]];
        const double widest = (a.radius + largestRadius) * (a.radius + largestRadius);
        for (std::size_t y = x + 1; y < byLatitude.size(); ++y) {
            Stand& b = stands[byLatitude[y]];
            const double dLat = (a.position.lat - b.position.lat) * geo::kFlatNMPerDegree;
            // The longitude term only adds distance.
            if (kClearanceFactorSquared * (dLat * dLat) >= widest) {
                break;
            }
            const double meanLat = (a.position.lat + b.position.lat) / 2.0 * geo::kRadiansPerDegree;
            const double dLon =
                (a.position.lon - b.position.lon) * std::cos(meanLat) * geo::kFlatNMPerDegree;
            const double reach = (a.radius + b.radius) * (a.radius + b.radius);
            if (reach > kClearanceFactorSquared * (dLat * dLat + dLon * dLon)) {
                a.exclusions.push_back(b.sid);
                b.exclusions.push_back(a.sid);
            }
        }
    }
    for (Stand& stand : stands) {
        std::sort(stand.exclusions.begin(), stand.exclusions.end());
    }
}

AirportFileReadResult lf_fail(const AirportFileReadContext& context, const ReadState& state,
                              std::string error) {
    LogFile::writeImportant(error);
    if (state.fromCache) {
        std::error_code ignored;
        std::filesystem::remove(context.cachePath, ignored);
    }
    return AirportFileReadResult{std::nullopt, std::move(error)};
}

// Step 1: the cache, when it holds the archived file asked for; the document is then loaded.
bool lf_takeFromCache(const std::filesystem::path& requested, const AirportFileReadContext& context,
                      ReadState& state) {
    std::error_code ec;
    if (context.cachePath.empty() || !std::filesystem::exists(context.cachePath, ec)) {
        return false;
    }
    const std::optional<ParkAirportCacheRecord> record =
        gf_readParkAirportCache(context.cachePath, state.document);
    const std::optional<ArchivePathInfo> archived =
        record ? gf_parseArchivePath(requested) : std::nullopt;
    if (!archived || !gf_cacheHolds(*record, *archived)) {
        state.document.reset();
        return false;
    }
    LogFile::write(fmt::format("cached: '{}' is taken instead of '{}'",
                               gf_pathToUtf8(context.cachePath), gf_pathToUtf8(requested)));
    state.fromCache = true;
    return true;
}

AirportFileReadResult lf_read(const std::filesystem::path& requested,
                              const AirportFileReadContext& context, ReadState& state) {
    LoadedAirportFile file;
    file.requestedPath = requested;
    bool encrypted = false;
    if (lf_takeFromCache(requested, context, state)) {
        file.source = StandSource::cache;
        file.loadedPath = context.cachePath;
    } else {
        const AirportFileLocation location =
            context.locate ? context.locate(requested) : AirportFileLocation{};
        if (!location.error.empty()) {
            if (location.logged) {
                return AirportFileReadResult{std::nullopt, location.error, true, location.retryAt};
            }
            return lf_fail(context, state, location.error);
        }
        if (!location.path.empty()) {
            state.downloadedCopy = std::make_unique<TempFileGuard>(location.path);
        }
        file.source = location.archived ? StandSource::downloadedCopy : StandSource::requestedFile;
        file.loadedPath = location.path.empty() ? requested : location.path;
        encrypted = location.encrypted;
        if (const std::optional<std::string> error =
                gf_loadAirportXml(file.loadedPath, encrypted, state.plaintext, state.document)) {
            return lf_fail(context, state, *error);
        }
    }

    const FileHeaderCheck header = gf_checkFileHeader(state.document, HeaderCheckMode::lenient);
    if (!header.accepted) {
        AirportFileReadResult refused =
            lf_fail(context, state, fmt::format("{}: refused to load", gf_pathToUtf8(requested)));
        LogFile::writeIndented(header.reason);
        return refused;
    }
    lf_readParameters(state.document, file);
    gf_readParkpositions(state.document, file.stands);
    file.qfReal = gf_findXmlParameter(state.document, "Qf_real").value_or(0);
    file.qfSoft = gf_findXmlParameter(state.document, "Qf_soft").value_or(0);
    lf_mergeLearned(context, file);
    lf_numberStands(file.stands);
    if (file.stands.empty()) {
        LogFile::write("no stands found in the airport file");
    }
    if (!state.fromCache && !context.cachePath.empty()) {
        gf_refreshParkAirportCache(context.cachePath, file.loadedPath, encrypted, state.document);
    }
    return AirportFileReadResult{std::move(file), {}};
}

} // namespace

AirportFileReadResult gf_readAirportFile(const std::filesystem::path& requested,
                                         const AirportFileReadContext& context) {
    ReadState state;
    try {
        return lf_read(requested, context, state);
    } catch (const std::exception& e) {
        return lf_fail(context, state, fmt::format("{}: {}", "gf_readAirportFile", e.what()));
    } catch (...) {
        return lf_fail(context, state, fmt::format("{}: unknown exception", "gf_readAirportFile"));
    }
}

} // namespace skyloom

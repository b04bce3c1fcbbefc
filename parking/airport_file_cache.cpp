#include "parking/airport_file_cache.h"

#include <system_error>

#include <fmt/format.h>

#include "config/parameters_store.h"
#include "config/program_paths.h"
#include "foundation/log_file.h"
#include "foundation/secure_buffer.h"
#include "foundation/text.h"
#include "foundation/xml.h"
#include "parking/airport_xml_load.h"

namespace skyloom {

namespace {

std::string lf_digitsOf(std::string_view text) {
    std::string digits;
    for (const char c : text) {
        if (c >= '0' && c <= '9') {
            digits.push_back(c);
        }
    }
    return digits;
}

// Copies `source` over `target` through a temporary file renamed into place, so that `target`
// is either the old or the complete new file. Not synced to disk: a cache lost in a crash is
// read again from the airport's own file.
bool lf_copyOver(const std::filesystem::path& source, const std::filesystem::path& target,
                 std::error_code& ec) {
    std::filesystem::path temporary = target;
    temporary += ".tmp";
    std::filesystem::copy_file(source, temporary, std::filesystem::copy_options::overwrite_existing,
                               ec);
    if (!ec) {
        std::filesystem::rename(temporary, target, ec);
    }
    if (!ec) {
        return true;
    }
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    return false;
}

} // namespace

std::filesystem::path gf_parkAirportCachePath() {
    return gf_airportsFolder() / kParkAirportCacheFileName;
}

std::optional<ParkAirportCacheRecord>
gf_readParkAirportCache(const std::filesystem::path& cachePath, pugi::xml_document& document) {
    SecureBuffer unused;
    if (const std::optional<std::string> error =
            gf_loadAirportXml(cachePath, false, unused, document)) {
        LogFile::write(*error);
        return std::nullopt;
    }
    const std::optional<std::string> icaoText = gf_findXmlParameterValue(document, "icao");
    const std::optional<IcaoCode> icao = icaoText ? IcaoCode::parse(*icaoText) : std::nullopt;
    if (!icao) {
        return std::nullopt;
    }
    return ParkAirportCacheRecord{
        *icao, gf_findXmlParameterValue(document, "publisher").value_or(""),
        lf_digitsOf(gf_findXmlParameterValue(document, "version").value_or(""))};
}

bool gf_cacheHolds(const ParkAirportCacheRecord& record, const ArchivePathInfo& archived) {
    return record.icao == archived.icao && record.publisher == archived.publisher &&
           record.version == archived.version;
}

void gf_refreshParkAirportCache(const std::filesystem::path& cachePath,
                                const std::filesystem::path& loadedPath, bool encrypted,
                                pugi::xml_document& document) {
    const std::string name = gf_pathToUtf8(cachePath);
    if (encrypted) {
        const XmlSaveResult saved = gf_saveXmlSafely(document, cachePath);
        if (!saved) {
            LogFile::writeImportant(fmt::format("could not update airport cache '{}'", name));
            LogFile::writeIndented(saved.error);
        }
        return;
    }
    std::error_code ec;
    if (!lf_copyOver(loadedPath, cachePath, ec)) {
        LogFile::writeImportant(
            fmt::format("could not update airport cache '{}': {}", name, ec.message()));
    }
}

} // namespace skyloom

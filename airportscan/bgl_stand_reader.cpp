#include "airportscan/bgl_stand_reader.h"

#include <fstream>

#include <fmt/format.h>

#include "airportscan/bgl_airport_record.h"
#include "airportscan/bgl_file.h"
#include "airportscan/bgl_ident.h"
#include "airportscan/bgl_parser.h"
#include "foundation/log_file.h"
#include "foundation/text.h"

namespace skyloom {

namespace fs = std::filesystem;

namespace {

// Reports a slow file with the phase it reached, on every way out of the reader.
class SlowFileReport {
public:
    SlowFileReport(const fs::path& path, const Clock& clock, const std::string_view& phase)
        : path_(path), clock_(clock), phase_(phase), start_(clock.steadyNow()) {}
    ~SlowFileReport() { gf_logSlowBGL(path_, start_, phase_, clock_); }
    SlowFileReport(const SlowFileReport&) = delete;
    SlowFileReport& operator=(const SlowFileReport&) = delete;

private:
    const fs::path& path_;
    const Clock& clock_;
    const std::string_view& phase_;
    Clock::SteadyTime start_;
};

void lf_processAirportRecord(const BglRecordWords& record, const IcaoCode& icao,
                             const fs::path& path, BglReaderContext& context) {
    AirportFile airport;
    airport.icao = icao;
    airport.sourcePath = path;
    airport.bglPath = gf_pathToUtf8(path);
    airport.package = context.steps.searchManifest(path);
    if (context.steps.linkToArchive(airport)) {
        context.steps.showSimaddonCount();
        context.steps.showThirdpartyCount();
        return;
    }
    if (airport.package && !context.steps.hasAcceptedPublisher(*airport.package)) {
        return;
    }
    airport.altitude = gf_readAirportAltitude(record);
    const std::size_t helipads = gf_readAirportStands(record, airport, context.scanLog);
    if (!airport.stands.empty()) {
        context.steps.writeGeneratedApf(airport, helipads);
        context.steps.showThirdpartyCount();
    }
}

} // namespace

void gf_processBGLimage(std::span<const std::uint32_t> words, const fs::path& path,
                        BglReaderContext& context, std::string_view& phase) {
    phase = "enumerating";
    const auto image = std::as_bytes(words);
    const BglParseResult parsed = gf_parseBGL(image);
    if (!parsed.ok()) {
        phase = "parse error";
        if (!parsed.error->notThisLayout()) {
            LogFile::writeImportant(fmt::format("BGL airport section parse error at byte {} in "
                                                "'{}': {}",
                                                parsed.error->offset, gf_pathToUtf8(path),
                                                parsed.error->message));
        }
        return;
    }
    phase = "processing records";
    for (const BglRecordRef& ref : parsed.records) {
        if (ref.id != kBglAirportRecordId) {
            continue;
        }
        const BglRecordWords record(image, ref.offset, ref.size);
        if (record.first() + kBglIdentWord >= record.end()) {
            LogFile::writeImportant(fmt::format(
                "Airport record at byte {} is too small to contain an ICAO", ref.offset));
            continue;
        }
        const BglIdent decoded = gf_decodeBGLIdent(record.at(record.first() + kBglIdentWord));
        if (decoded.status != BglIdentStatus::accepted) {
            continue;
        }
        const BglIdent ident = gf_checkAirportIdent(
            decoded.text, [&](const IcaoCode& code) { return context.steps.airportKnown(code); },
            context.scanLog);
        if (ident.status != BglIdentStatus::accepted) {
            continue;
        }
        const IcaoCode icao(ident.text);
        if (!context.steps.weeklyTraffic(icao)) {
            continue;
        }
        lf_processAirportRecord(record, icao, path, context);
    }
    phase = "complete";
}

void gf_processBGLfile(const fs::path& path, BglReaderContext& context) {
    std::string_view phase = "opening";
    const SlowFileReport report(path, context.clock, phase);
    try {
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            return;
        }
        phase = "reading";
        const std::vector<std::uint32_t> words = gf_readBGLWords(in);
        if (words.empty()) {
            phase = "empty";
            return;
        }
        gf_processBGLimage(words, path, context, phase);
    } catch (const std::exception& e) {
        LogFile::writeImportant(
            fmt::format("Exception in lf_processBGLfile (std::ex): {} \u2014 {}",
                        gf_pathToUtf8(path), e.what()));
        throw;
    } catch (...) {
        LogFile::writeImportant(
            fmt::format("Exception in lf_processBGLfile: {}", gf_pathToUtf8(path)));
        throw;
    }
}

} // namespace skyloom

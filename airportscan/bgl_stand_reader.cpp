#include "airportscan/bgl_stand_reader.h"

#include <cstdint>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include <fmt/format.h>
#include <fmt/ranges.h>

#include "airportscan/bgl_airport_record.h"
#include "airportscan/bgl_file.h"
#include "airportscan/bgl_ident.h"
#include "airportscan/bgl_parser.h"
#include "airportscan/scan_limits.h"
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

// The airport records of the older layout a file holds, named in the scan log in one line: the
// scan reads none of them, and without the line the airport would just be missing.
class OlderAirportRecords {
public:
    void add(const BglRecordWords& record, std::uint64_t offset) {
        std::string name = fmt::format("at byte {}", offset);
        if (record.first() + kBglIdentWord < record.end()) {
            const BglIdent ident = gf_decodeBGLIdent(record.at(record.first() + kBglIdentWord));
            if (ident.status == BglIdentStatus::accepted && !ident.text.empty()) {
                name = ident.text;
            }
        }
        if (names_.size() < kNamed) {
            names_.push_back(std::move(name));
        }
        ++count_;
    }
    void report(const fs::path& path, std::vector<std::string>& scanLog) const {
        if (count_ == 0) {
            return;
        }
        std::string names = fmt::format("{}", fmt::join(names_, ", "));
        if (count_ > names_.size()) {
            names += fmt::format(" and {} more", count_ - names_.size());
        }
        scanLog.push_back(fmt::format(
            "'{}': {} airport record{} of the older layout (id 0x{:02X}), not read: {}",
            gf_pathToUtf8(path), count_, count_ == 1 ? "" : "s", kBglOlderAirportRecordId, names));
    }

private:
    static constexpr std::size_t kNamed = 10;
    std::vector<std::string> names_;
    std::size_t count_ = 0;
};

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
    OlderAirportRecords older;
    for (const BglRecordRef& ref : parsed.records) {
        if (ref.id == kBglOlderAirportRecordId) {
            older.add(BglRecordWords(image, ref.offset, ref.size), ref.offset);
            continue;
        }
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
    older.report(path, context.scanLog);
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
        // The size on disk says nothing of the size a sparse file claims: the claim counts.
        std::error_code error;
        const std::uintmax_t size = fs::file_size(path, error);
        if (!error && size > kMaxBglFileBytes) {
            phase = "too large";
            context.scanLog.push_back(fmt::format("'{}' has {} bytes, more than {}: not read",
                                                  gf_pathToUtf8(path), size, kMaxBglFileBytes));
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

#include "parking/apf_writer.h"

#include <cmath>
#include <iterator>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_set>
#include <vector>

#include <fmt/format.h>

#include "foundation/file_header.h"
#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "foundation/log_file.h"
#include "foundation/text.h"
#include "foundation/unsaved_files.h"
#include "foundation/xml.h"
#include "liveries/livery_matching_summary.h"
#include "parking/apf_stand_reader.h"
#include "refdata/code_table.h"

namespace skyloom {

namespace {

constexpr std::string_view kStockPublisher = "stock";
constexpr std::string_view kPlaceholderIata = "XXX";

std::string_view lf_boolText(bool value) {
    return value ? "true" : "false";
}

// Appends elements and attributes and remembers whether one could not be added; the write
// goes on and fails at its end.
class ApfBuilder {
public:
    pugi::xml_node child(pugi::xml_node parent, const char* name) {
        const pugi::xml_node node = parent.append_child(name);
        ok_ = ok_ && node;
        return node;
    }
    void attribute(pugi::xml_node node, std::string_view name, std::string_view text) {
        ok_ = gf_setXmlAttribute(node, name, text) && ok_;
    }
    void parameter(pugi::xml_node parameters, std::string_view name, std::string_view value) {
        const pugi::xml_node node = child(parameters, "parameter");
        attribute(node, "name", name);
        attribute(node, "value", value);
    }
    bool ok() const { return ok_; }

private:
    bool ok_ = true;
};

struct ApfForm {
    ApfMode mode;
    bool handmade;
    const std::optional<ParkOptions>& parkOptions;

    bool geometryOf(const Stand& stand) const {
        return mode == ApfMode::full || stand.manual || handmade;
    }
};

void lf_writeApfParameters(ApfBuilder& b, pugi::xml_node root, const AirportFile& airport,
                           const ApfForm& form, std::size_t standCount) {
    const pugi::xml_node p = b.child(root, "parameters");
    b.parameter(p, "icao", airport.icao.view());
    if (airport.iata.isSet() && airport.iata.view() != kPlaceholderIata) {
        b.parameter(p, "iata", airport.iata.view());
    }
    b.parameter(p, "airport_name", airport.airportName);
    if (airport.latitude != 0.0 || airport.longitude != 0.0) {
        b.parameter(p, "latitude", fmt::format("{:.4f}", airport.latitude));
        b.parameter(p, "longitude", fmt::format("{:.4f}", airport.longitude));
    }
    b.parameter(p, "publisher", airport.publisher);
    if (airport.package && !airport.package->version.empty() &&
        airport.publisher != kStockPublisher) {
        b.parameter(p, "version", airport.package->version);
    }
    if (form.handmade) {
        b.parameter(p, "handmade", "true");
    }
    if (form.handmade || form.mode == ApfMode::full) {
        b.parameter(p, "altitude", fmt::format("{}", airport.altitude));
    }
    if (form.mode == ApfMode::full) {
        b.parameter(p, "num_parkpos", fmt::format("{}", standCount));
    }
    const bool scored = form.handmade && (airport.qfReal > 0 || airport.qfSoft > 0);
    if (scored && airport.qfReal >= 0) {
        b.parameter(p, "Qf_real", fmt::format("{}", airport.qfReal));
    }
    if (scored && (airport.qfSoft > 0 || airport.qfReal == 0)) {
        b.parameter(p, "Qf_soft", fmt::format("{}", airport.qfSoft));
    }
    if (airport.publisher.empty()) {
        b.parameter(p, "BGLpath", airport.bglPath);
        if (airport.package) {
            b.parameter(p, "manufacturer", airport.package->manufacturer);
            b.parameter(p, "creator", airport.package->creator);
        }
    }
    if (form.mode == ApfMode::learned && form.parkOptions) {
        const ParkOptions& o = *form.parkOptions;
        b.parameter(p, "RT_PARKTRAFFIC_ONLY", lf_boolText(o.RT_PARKTRAFFIC_ONLY != 0));
        b.parameter(p, "AUTO_PARK", lf_boolText(o.AUTO_PARK != 0));
        b.parameter(p, "parking_percentage", fmt::format("{}", o.parking_percentage));
        b.parameter(p, "MAX_FIT", fmt::format("{}", o.MAX_FIT));
        b.parameter(p, "WEEK", lf_boolText(o.WEEK != 0));
        b.parameter(p, "PARK_SOFT", lf_boolText(o.PARK_SOFT != 0));
    }
}

// What the readers accept back: a radius that one decimal would write as "0.0" would lose the
// stand at the next read.
bool lf_hasUsableGeometry(const Stand& stand) {
    return gf_isValidLalo(stand.position) &&
           gf_isUsableStandRadius(stand.radius * geo::kMetresPerNM) && std::isfinite(stand.heading);
}

// The key as option log lines show it, with "(C)" for a cargo key.
std::string lf_keyText(const LiveryKey& key) {
    return gf_formatLiveryKey(key) + (key.cargo != 0 ? "(C)" : "");
}

// The contiguous runs of half-hours of a set, in slot order.
std::vector<HoursBitset> lf_contiguousRuns(const HoursBitset& hours) {
    std::vector<HoursBitset> runs;
    unsigned slot = 0;
    while (slot < HoursBitset::kSlotCount) {
        if (!hours.test(slot)) {
            ++slot;
            continue;
        }
        const unsigned first = slot;
        while (slot + 1 < HoursBitset::kSlotCount && hours.test(slot + 1)) {
            ++slot;
        }
        runs.push_back(HoursBitset::range(first, slot));
        ++slot;
    }
    return runs;
}

void lf_writeOption(ApfBuilder& b, pugi::xml_node parkpos, const Stand& stand,
                    const FlightOption& option) {
    const auto skip = [&](std::string_view why) {
        LogFile::writeImportant(
            fmt::format("gf_writeApf: stand '{}': invalid flight option: {} {} {}: {}, left out",
                        stand.id, option.reg, option.callsign, lf_keyText(option.key), why));
    };
    if (option.day < 1 || option.day > 7) {
        return skip(fmt::format("day {} is not 1 to 7", option.day));
    }
    const std::vector<HoursBitset> runs = lf_contiguousRuns(option.hours);
    if (runs.empty()) {
        return skip("no half-hours");
    }
    for (const HoursBitset& run : runs) {
        const pugi::xml_node opt = b.child(parkpos, "opt");
        b.attribute(opt, "reg", option.reg);
        if (option.key.fromRegistration == 0) {
            b.attribute(opt, "airl", gf_airlineCode(option.key.airline));
            b.attribute(opt, "type", gf_modelCode(option.key.model));
        }
        if (option.real == 0) {
            b.attribute(opt, "soft", "true");
        }
        b.attribute(opt, "day", fmt::format("{}", option.day));
        b.attribute(opt, "hh", gf_bitset2hours(run).value_or(""));
        if (!option.callsign.empty()) {
            b.attribute(opt, "cs",
                        option.callsign2.empty()
                            ? option.callsign
                            : fmt::format("{}:{}", option.callsign, option.callsign2));
        }
        if (option.cpl) {
            b.attribute(opt, "cpl", "true");
        }
    }
}

void lf_writeParkpos(ApfBuilder& b, pugi::xml_node section, const Stand& stand,
                     const ApfForm& form) {
    const pugi::xml_node parkpos = b.child(section, "parkpos");
    b.attribute(parkpos, "id", stand.id);
    if (form.geometryOf(stand)) {
        b.attribute(parkpos, "typestr", gf_standTypeName(stand.type));
        b.attribute(parkpos, "latitude", fmt::format("{:.6f}", stand.position.lat));
        b.attribute(parkpos, "longitude", fmt::format("{:.6f}", stand.position.lon));
        b.attribute(parkpos, "heading",
                    fmt::format("{:.1f}", stand.heading * geo::kDegreesPerRadian));
        b.attribute(parkpos, "radius", fmt::format("{:.1f}", stand.radius * geo::kMetresPerNM));
        // Without a type the flags are all the reader has of what the stand takes; a helipad
        // keeps NONE and its flags as they are.
        if (stand.type == StandType::NONE) {
            if (!stand.heli) {
                b.attribute(parkpos, "type", "0");
            }
            b.attribute(parkpos, "cargo", lf_boolText(stand.cargo));
            b.attribute(parkpos, "ramp", lf_boolText(stand.ramp));
        }
        if (stand.heli) {
            b.attribute(parkpos, "heli", "true");
        }
        if (stand.manual) {
            b.attribute(parkpos, "manual", "true");
        }
    }
    if (form.mode != ApfMode::learned) {
        return;
    }
    for (const FlightOption& option : stand.options) {
        if (option.seq != 0 && !option.reg.empty()) {
            lf_writeOption(b, parkpos, stand, option);
        }
    }
}

// The stands to write, in order; no value (logged) when an id is empty or repeated.
std::optional<std::vector<const Stand*>> lf_standsToWrite(const AirportFile& airport,
                                                          const ApfForm& form) {
    std::vector<const Stand*> stands;
    std::unordered_set<std::string_view> ids;
    for (const Stand& stand : airport.stands) {
        if (stand.id.empty() || ids.contains(stand.id)) {
            LogFile::writeImportant(
                fmt::format("gf_writeApf: empty or duplicate stand id '{}'", stand.id));
            return std::nullopt;
        }
        if (form.geometryOf(stand) && !lf_hasUsableGeometry(stand)) {
            LogFile::writeImportant(fmt::format(
                "gf_writeApf: stand '{}' has invalid geometry (position {}, {}, radius {} NM, "
                "heading {}), left out",
                stand.id, stand.position.lat, stand.position.lon, stand.radius, stand.heading));
            continue;
        }
        ids.insert(stand.id);
        stands.push_back(&stand);
    }
    return stands;
}

// The check of the re-read file before it replaces the old one.
std::optional<std::string> lf_validate(const pugi::xml_document& reread, std::size_t stands) {
    const FileHeaderCheck header = gf_checkFileHeader(reread, HeaderCheckMode::lenient);
    if (!header.accepted) {
        return header.reason;
    }
    const pugi::xml_node section = reread.child("root").child("parkpositions");
    const auto found = static_cast<std::size_t>(
        std::distance(section.children("parkpos").begin(), section.children("parkpos").end()));
    if (found != stands) {
        return fmt::format("{} stands instead of {}", found, stands);
    }
    return std::nullopt;
}

} // namespace

bool gf_writeApf(const AirportFile& airport, const std::filesystem::path& target, ApfMode mode,
                 int simulator, bool handmade, const std::optional<ParkOptions>& parkOptions,
                 const Clock& clock, os::SyncMode sync) {
    const ApfForm form{mode, handmade, parkOptions};
    pugi::xml_document document;
    if (!gf_writeFileHeader(document, gf_makeFileHeader(simulator, clock))) {
        LogFile::writeImportant(
            fmt::format("gf_writeApf: no file header for simulator {}", simulator));
        return false;
    }
    const std::optional<std::vector<const Stand*>> stands = lf_standsToWrite(airport, form);
    if (!stands) {
        return false;
    }
    ApfBuilder b;
    const pugi::xml_node root = document.child("root");
    lf_writeApfParameters(b, root, airport, form, stands->size());
    if (!stands->empty()) {
        const pugi::xml_node section = b.child(root, "parkpositions");
        for (const Stand* stand : *stands) {
            lf_writeParkpos(b, section, *stand, form);
        }
    }
    if (!b.ok()) {
        LogFile::writeImportant(
            fmt::format("gf_writeApf: '{}' could not be built", gf_pathToUtf8(target)));
        return false;
    }
    if (target.empty()) {
        LogFile::writeImportant("gf_writeApf: empty output filename");
        return false;
    }
    if (target.has_parent_path()) {
        std::error_code ec;
        std::filesystem::create_directories(target.parent_path(), ec);
        if (ec) {
            LogFile::writeImportant(fmt::format("gf_writeApf: could not create directory '{}': {}",
                                                gf_pathToUtf8(target.parent_path()), ec.message()));
            gf_noteUnsavedFile(target, ec.message());
            return false;
        }
    }
    const std::size_t count = stands->size();
    const XmlSaveResult saved = gf_saveXmlSafely(
        document, target,
        [count](const pugi::xml_document& reread) { return lf_validate(reread, count); }, sync);
    if (!saved) {
        LogFile::writeImportant(
            fmt::format("gf_writeApf: '{}' not written: {}", gf_pathToUtf8(target), saved.error));
    }
    return saved.ok;
}

} // namespace skyloom

#include "liveries/model_fixes.h"

#include <fmt/format.h>

#include "foundation/text.h"
#include "liveries/aircraft_cfg_keys.h"
#include "refdata/dbase_lookups.h"

namespace skyloom {
namespace {

// Two add-on airliner families ship aircraft.cfg files without any model line; they are not AI
// liveries and are passed over without a report.
bool lf_isQuietAddOn(const std::filesystem::path& path) {
    const std::string text = gf_pathToUtf8(path);
    return text.find("pmdg-aircraft-7") != std::string::npos ||
           text.find("fnx-aircraft-3") != std::string::npos;
}

} // namespace

std::string gf_applyModelFix(LiveryScanState& scan, const std::filesystem::path& path,
                             const std::vector<std::string>& lines) {
    // Only the first designator of the file counts, in whatever section it stands.
    for (const std::string& line : lines) {
        std::string candidate = gf_getIcaoTypeDesignator(line);
        if (!candidate.empty()) {
            return gf_checkAndFixModel(scan, candidate, path);
        }
    }
    return gf_fixModelFromGeneralSection(scan, path, lines);
}

std::string gf_fixModelFromGeneralSection(LiveryScanState& scan, const std::filesystem::path& path,
                                          const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        std::string candidate = gf_getBaseContainer(line);
        if (!candidate.empty()) {
            return gf_checkAndFixModel(scan, candidate, path);
        }
    }
    if (!lf_isQuietAddOn(path)) {
        scan.addInvalidAircraftCfgFile(
            "Line icao_type_designator= is missing in [General] section of " + gf_pathToUtf8(path));
    }
    return {};
}

std::string gf_checkAndFixModel(LiveryScanState& scan, std::string_view candidate,
                                const std::filesystem::path& path) {
    if (gf_isKnownModel(candidate)) {
        return std::string(candidate);
    }
    if (auto fixed = gf_lookupModelFix(candidate)) {
        scan.addFix(fmt::format("Model fix: {} found in {} changed into {}", candidate,
                                gf_pathToUtf8(path), *fixed));
        return std::move(*fixed);
    }
    gf_addModelReportLine(scan, candidate, path);
    return {};
}

} // namespace skyloom

#include "airportscan/publisher_detection.h"

#include <fmt/format.h>

#include "foundation/text.h"
#include "liveries/aircraft_cfg_keys.h"

namespace skyloom {
namespace {

// A manufacturer or creator shorter than this says nothing about the publisher.
constexpr std::size_t kMinPublisherValueChars = 3;
// ... and one shorter than this does not accept a package.
constexpr std::size_t kMinAcceptedPublisherChars = 4;

bool lf_namesSimulatorMaker(std::string_view text) {
    return gf_containsNoCase(text, "Microsoft") || gf_containsNoCase(text, "Asobo");
}

bool lf_isStockAirportPath(std::string_view path) {
    return gf_containsNoCase(path, "microsoft-airport") || gf_containsNoCase(path, "asobo-airport");
}

void lf_normalisePublisher(AirportFile& airport, std::string_view name,
                           std::vector<std::string>& scanLog) {
    airport.publisher = lf_namesSimulatorMaker(name) ? std::string(kSimaddonPublisher)
                                                     : std::string(name);
    scanLog.push_back(fmt::format("publisher '{}'", airport.publisher));
}

// `value` is a field of the airport's package; it is trimmed in place.
bool lf_checkRejectedPublisher(AirportFile& airport, std::string& value,
                               const PublisherLists& lists, std::vector<std::string>& scanLog) {
    value = gf_trim(value);
    if (value.size() < kMinPublisherValueChars) {
        return false;
    }
    if (gf_isRejectedPublisher(lists, value)) {
        scanLog.push_back(
            fmt::format("manifest publisher value '{}' rejected by archives data", value));
        return false;
    }
    if (lf_namesSimulatorMaker(value)) {
        lf_normalisePublisher(airport, value, scanLog);
        return true;
    }
    const KnownPublisher known = gf_isKnownPublisher(lists, value);
    if (known.status == PublisherLookup::found) {
        lf_normalisePublisher(airport, known.name, scanLog);
        return true;
    }
    return false;
}

bool lf_isAcceptedValue(std::string_view value, const PublisherLists& lists) {
    return gf_trim(value).size() >= kMinAcceptedPublisherChars &&
           !gf_isRejectedPublisher(lists, value);
}

} // namespace

void gf_classifyPackage(AirportFile& airport, const PublisherLists& lists,
                        std::vector<std::string>& scanLog) {
    if (lf_isStockAirportPath(gf_pathToUtf8(airport.sourcePath))) {
        airport.publisher = kSimaddonPublisher;
        scanLog.push_back(fmt::format("publisher: {}", airport.publisher));
        return;
    }
    const KnownPublisher known = gf_isKnownPublisher(lists, airport.bglPath);
    if (known.status == PublisherLookup::found) {
        lf_normalisePublisher(airport, known.name, scanLog);
        return;
    }
    if (!airport.package) {
        airport.package = gf_searchManifest(airport.sourcePath, scanLog);
    }
    if (airport.package &&
        !lf_checkRejectedPublisher(airport, airport.package->manufacturer, lists, scanLog)) {
        lf_checkRejectedPublisher(airport, airport.package->creator, lists, scanLog);
    }
}

bool gf_hasAcceptedPublisher(const PackageManifest& manifest, const PublisherLists& lists) {
    return lf_isAcceptedValue(manifest.manufacturer, lists) ||
           lf_isAcceptedValue(manifest.creator, lists);
}

} // namespace skyloom

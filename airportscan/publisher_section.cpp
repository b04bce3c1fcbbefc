#include "airportscan/publisher_section.h"

#include <algorithm>
#include <optional>

#include "foundation/text.h"

namespace skyloom {

PublisherSectionLookup gf_findPublisherSection(const PublisherLists& lists,
                                               std::string_view publisher, std::string_view icao,
                                               std::string_view version) {
    PublisherSectionLookup result;
    const auto section =
        std::find_if(lists.thirdparties.begin(), lists.thirdparties.end(),
                     [&](const ThirdpartySection& s) { return s.publisher == publisher; });
    if (section == lists.thirdparties.end()) {
        return result;
    }
    const std::string key =
        version.empty() ? std::string(icao) : std::string(icao) + gf_removeDots(version);
    const std::optional<DottedVersion> requested = gf_parseDottedVersion(version);
    bool matched = false;
    std::optional<DottedVersion> highest;
    for (const ThirdpartyEntry& entry : section->entries) {
        if (!matched && entry.file == key) {
            matched = true;
            result.file = entry.file;
        }
        const bool sameAirport = entry.file.size() >= 4 && icao.size() >= 4 &&
                                 std::string_view(entry.file).substr(0, 4) == icao.substr(0, 4);
        if (!sameAirport || entry.version.empty() || !requested) {
            continue;
        }
        const std::optional<DottedVersion> entryVersion = gf_parseDottedVersion(entry.version);
        if (!entryVersion) {
            continue;
        }
        if (*entryVersion == *requested) {
            if (!matched) {
                matched = true;
                result.file = entry.file;
            }
        } else if (*entryVersion > *requested && (!highest || *entryVersion > *highest)) {
            highest = entryVersion;
            result.higherVersion = entry.version;
        }
    }
    if (matched) {
        result.status = highest ? PublisherSectionStatus::foundHigherPresent
                                : PublisherSectionStatus::found;
    } else if (highest) {
        result.status = PublisherSectionStatus::notFoundHigherPresent;
    }
    return result;
}

} // namespace skyloom

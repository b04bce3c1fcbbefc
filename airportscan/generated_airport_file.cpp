#include "airportscan/generated_airport_file.h"

#include <algorithm>
#include <system_error>
#include <unordered_map>
#include <unordered_set>

#include <fmt/format.h>

#include "airportscan/publisher_detection.h"
#include "foundation/text.h"

namespace skyloom {
namespace {

constexpr std::string_view kAirportFileExtension = ".xml";
constexpr std::size_t kSuffixLetters = 26;

const char* lf_plural(std::size_t count) {
    return count == 1 ? "" : "s";
}

std::string lf_helipadText(std::int32_t helipads) {
    if (helipads < 1) {
        return {};
    }
    return fmt::format(" of which {} helipad{}", helipads, helipads > 1 ? "s" : "");
}

// 1 gives "a", 26 "z", 27 "aa", 28 "ab", ...
std::string lf_letterSuffix(std::size_t number) {
    std::string suffix;
    while (number > 0) {
        --number;
        suffix.insert(suffix.begin(), static_cast<char>('a' + number % kSuffixLetters));
        number /= kSuffixLetters;
    }
    return suffix;
}

} // namespace

std::size_t gf_makeStandIdsUnique(std::vector<Stand>& stands) {
    std::unordered_set<std::string> taken;
    for (const Stand& stand : stands) {
        taken.insert(stand.id);
    }
    std::unordered_set<std::string> seen;
    // Per repeated id, the number of the next suffix to try.
    std::unordered_map<std::string, std::size_t> nextSuffix;
    std::size_t renamed = 0;
    for (Stand& stand : stands) {
        if (seen.insert(stand.id).second) {
            continue;
        }
        std::size_t& next = nextSuffix.try_emplace(stand.id, 1).first->second;
        std::string candidate;
        do {
            candidate = stand.id + lf_letterSuffix(next++);
        } while (!taken.insert(candidate).second);
        stand.id = std::move(candidate);
        ++renamed;
    }
    return renamed;
}

bool gf_writeGeneratedApf(AirportFile& airport, std::int32_t helipads,
                          const AirportScanContext& context) {
    gf_makeStandIdsUnique(airport.stands);
    const std::filesystem::path& folder = airport.publisher == kSimaddonPublisher
                                              ? context.simaddonFolder
                                              : context.thirdpartyFolder;
    const std::string fileName = airport.icao.text() + std::string(kAirportFileExtension);
    context.scanLog.push_back(fmt::format("Generated {}: {} position{}{}", fileName,
                                          airport.stands.size(), lf_plural(airport.stands.size()),
                                          lf_helipadText(helipads)));
    std::sort(airport.stands.begin(), airport.stands.end(),
              [](const Stand& a, const Stand& b) { return a.id < b.id; });
    if (!std::filesystem::exists(folder)) {
        std::filesystem::create_directories(folder);
    }
    const std::filesystem::path target = folder / fileName;
    if (!context.writeAirportFile(airport, target)) {
        context.scanLog.push_back(
            fmt::format("===> Writing {} did not succeed", gf_pathToUtf8(target)));
        return false;
    }
    // An airport generated a second time in one scan replaced the first: the safe save kept
    // that one as ".bak", which the scan's own backup makes needless and the window would count.
    std::filesystem::path backup = target;
    backup += ".bak";
    std::error_code ignored;
    std::filesystem::remove(backup, ignored);
    return true;
}

} // namespace skyloom

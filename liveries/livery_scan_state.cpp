#include "liveries/livery_scan_state.h"

namespace skyloom {
namespace {

// A set swapped with an empty one gives its buckets back; clear() alone keeps them.
void lf_release(FnvStringSet& set) noexcept {
    FnvStringSet empty;
    set.swap(empty);
    set.max_load_factor(1.0f);
}

void lf_release(std::vector<std::string>& lines) noexcept {
    std::vector<std::string> empty;
    lines.swap(empty);
}

} // namespace

bool LiveryScanReports::noErrors() const noexcept {
    return invalidAirlineCodes.empty() && invalidModelCodes.empty() && fixes.empty() &&
           invalidAircraftCfgFiles.empty() && incompleteSections.empty();
}

void LiveryScanReports::clear() noexcept {
    lf_release(noFltsimSection);
    lf_release(invalidAirlineCodes);
    lf_release(invalidModelCodes);
    lf_release(fixes);
    lf_release(invalidAircraftCfgFiles);
    lf_release(incompleteSections);
}

LiveryScanState::LiveryScanState() {
    titles.max_load_factor(1.0f);
    dontUseTitles.max_load_factor(1.0f);
}

void LiveryScanState::prepare() {
    clear();
    titles.reserve(kScanTitlesReserved);
    dontUseTitles.reserve(kDontUseTitlesReserved);
}

void LiveryScanState::clear() noexcept {
    lf_release(titles);
    lf_release(dontUseTitles);
    reports.clear();
}

bool LiveryScanState::takeTitle(const std::string& title) {
    return titles.insert(title).second;
}

bool LiveryScanState::isDontUseTitle(const std::string& title) const {
    return dontUseTitles.contains(title);
}

LiveryScanState& gf_liveryScanState() {
    static LiveryScanState state;
    return state;
}

} // namespace skyloom

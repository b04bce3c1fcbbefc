#include "app/park_option_changes.h"

namespace skyloom {
namespace {

// The limits travel as requests of their own and are kept out of the comparison.
ParkOptions lf_planOptions(const ParamsSnapshot& settings) {
    ParkOptions options = settings;
    options.MAX_PARK_SEL = 0;
    options.MAX_LIVE_SEL = 0;
    return options;
}

} // namespace

bool ParkOptionChanges::pending(const WindowRequests& requests,
                                const ParamsSnapshot& settings) const {
    return requests.parkTrafficOnlyChange().count != rtOnly_.count ||
           lf_planOptions(settings) != options_;
}

bool ParkOptionChanges::takeCurrent(const WindowRequests& requests,
                                    const ParamsSnapshot& settings) {
    rtOnly_ = requests.parkTrafficOnlyChange();
    options_ = lf_planOptions(settings);
    return rtOnly_.value;
}

} // namespace skyloom

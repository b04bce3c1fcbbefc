#include "config/parameter_rules.h"

#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include "config/parameters.h"
#include "foundation/log_file.h"

namespace skyloom {
namespace {

constexpr std::int64_t kMaxFitLastIndex = 47;
constexpr double kMaxFitMinHours = 0.5;
constexpr double kMaxFitMaxHours = 24.0;

} // namespace

double gf_maxFitIndexToHours(std::int64_t index) noexcept {
    return static_cast<double>(std::clamp<std::int64_t>(index, 0, kMaxFitLastIndex) + 1) * 0.5;
}

std::int32_t gf_hoursToMaxFitIndex(double hours) noexcept {
    if (std::isnan(hours)) {
        return 0;
    }
    const double clamped = std::clamp(hours, kMaxFitMinHours, kMaxFitMaxHours);
    const auto index = static_cast<std::int64_t>(std::lround(2.0 * clamped)) - 1;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(index, 0, kMaxFitLastIndex));
}

void gf_setMaxFitFl(ProgramParameters& parameters, double hours) {
    parameters.MAX_FIT_FL.setValue(hours);
}

void gf_setMaxFitFl(double hours) {
    gf_setMaxFitFl(gf_params(), hours);
}

void gf_syncMaxFitFl(ProgramParameters& parameters) {
    parameters.MAX_FIT_FL.setValue(gf_maxFitIndexToHours(parameters.MAX_FIT.value()));
    parameters.MAX_FIT_FL.selectCurrent();
}

void gf_syncMaxFitFl() {
    gf_syncMaxFitFl(gf_params());
}

void gf_setRange(ProgramParameters& parameters, std::int64_t nm) {
    parameters.RANGE.setValue(nm);
    parameters.RANGE.selectCurrent();
    parameters.applySettings(parameters.RANGE);
}

void gf_setRange(std::int64_t nm) {
    gf_setRange(gf_params(), nm);
}

bool gf_checkRadiusParameters(ProgramParameters& parameters) {
    IntParameter& level1 = parameters.FLIGHT_LEVEL_1;
    IntParameter& level2 = parameters.FLIGHT_LEVEL_2;
    IntParameter& level3 = parameters.FLIGHT_LEVEL_3;
    if (level1.value() <= level2.value() && level2.value() <= level3.value()) {
        return false;
    }
    LogFile::writeImportant(fmt::format(
        "{} {}, {} {} and {} {} must not descend; set back to {}, {} and {}", level1.name(),
        level1.value(), level2.name(), level2.value(), level3.name(), level3.value(),
        level1.defaultValue(), level2.defaultValue(), level3.defaultValue()));
    for (IntParameter* level : {&level1, &level2, &level3}) {
        level->setValue(level->defaultValue());
    }
    return true;
}

} // namespace skyloom

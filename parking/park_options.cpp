#include "parking/park_options.h"

#include "parking/parking_window.h"

#include "config/parameter_rules.h"
#include "config/parameters.h"

namespace skyloom {

namespace {

void lf_restoreFlag(CheckboxParameter& parameter, bool recorded) {
    if (parameter.value() == recorded) {
        return;
    }
    parameter.assign(recorded);
    gf_saveBoolParameter(parameter);
    parameter.showValue();
}

} // namespace

void gf_publishParkOptions(ProgramParameters& p) {
    ParamsSnapshotCell* cell = p.cell();
    if (cell == nullptr) {
        return;
    }
    const std::int32_t percentage = p.parking_percentage.value();
    const std::int32_t maxPark = p.MAX_PARK_SEL.value();
    const std::int32_t maxFit = p.MAX_FIT.value();
    const bool rtOnly = p.RT_PARKTRAFFIC_ONLY.value();
    const bool autoPark = p.AUTO_PARK.value();
    const bool week = p.WEEK.value();
    const bool soft = p.PARK_SOFT.value();
    cell->update([&](ParamsSnapshot& s) {
        s.parking_percentage = percentage;
        s.MAX_PARK_SEL = maxPark;
        s.MAX_FIT = maxFit;
        s.RT_PARKTRAFFIC_ONLY = rtOnly;
        s.AUTO_PARK = autoPark;
        s.WEEK = week;
        s.PARK_SOFT = soft;
    });
}

ParkOptions gf_takeParkOptions(const ProgramParameters& parameters) {
    return *parameters.settings();
}

void gf_applyParkOptions(ProgramParameters& p, const ParkOptions& recorded,
                         ParkingWindow& controls) {
    if (p.MAX_FIT.value() != recorded.MAX_FIT) {
        p.MAX_FIT.assign(recorded.MAX_FIT);
        gf_saveIntParameter(p.MAX_FIT);
        gf_syncMaxFitFl(p);
    }
    if (p.parking_percentage.value() != recorded.parking_percentage) {
        p.parking_percentage.assign(recorded.parking_percentage);
        gf_saveIntParameter(p.parking_percentage);
        p.parking_percentage.selectCurrent();
        p.applySettings(p.parking_percentage);
    }
    lf_restoreFlag(p.RT_PARKTRAFFIC_ONLY, recorded.RT_PARKTRAFFIC_ONLY != 0);
    lf_restoreFlag(p.AUTO_PARK, recorded.AUTO_PARK != 0);
    lf_restoreFlag(p.PARK_SOFT, recorded.PARK_SOFT != 0);
    lf_restoreFlag(p.WEEK, recorded.WEEK != 0);
    gf_publishParkOptions(p);
    controls.applyRtParkTrafficOnly();
    controls.applyAutoPark();
    p.MAX_FIT_FL.enable(p.RT_PARKTRAFFIC_ONLY.value() || !p.AUTO_PARK.value());
}

} // namespace skyloom

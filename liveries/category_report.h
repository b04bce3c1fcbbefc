// What the livery tables tell per aircraft category: the log lines of installed liveries per
// category with the models that have them, the switch-off of an optional category (light
// aircraft, two-props, helicopters, high-performance aircraft) for which nothing is installed,
// and the models that have a generic ("ZZZ") livery.
#pragma once

#include "liveries/livery_tables.h"
#include "refdata/aircraft_category.h"

namespace skyloom {

class ProgramParameters;
class CheckboxParameter;

// The order in which the categories are reported.
inline constexpr AircraftCategory kCategoryReportOrder[] = {
    AircraftCategory::Heavy,    AircraftCategory::Large, AircraftCategory::Bizjet,
    AircraftCategory::TwoProps, AircraftCategory::Light, AircraftCategory::Rotorcraft,
    AircraftCategory::HighPerf};

// The check-box parameter that switches an optional category on and off; null for Bizjet,
// Large and Heavy, which are always shown.
CheckboxParameter* gf_categoryParameter(ProgramParameters& parameters, AircraftCategory category);

// Logs the category's passenger and cargo livery counts from `modelLiveries` and fills its
// `categoryModels`, enabling the category's check box. When nothing of the category is
// installed: logs "Category {}: No livery found", and an optional category's parameter is set
// off and saved (when it was on, with a log line) and its check box disabled. In every case
// the four category filters are published in the settings snapshot (copy-on-write).
void gf_reportCategory(LiveryTables& tables, ProgramParameters& parameters,
                       AircraftCategory category);

// Logs the models that have a livery of airline "ZZZ", or "No generic liveries".
void gf_reportGenericLiveries(const LiveryTables& tables);

} // namespace skyloom

// Rules that tie parameters to each other: the maximum fit as an index (MAX_FIT, 0 to 47)
// and as hours (MAX_FIT_FL, 0.5 to 24.0), the traffic radius with its combo box and snapshot
// fields, and the start-up check of the radius parameters of the automatic range.
#pragma once

#include <cstdint>

namespace skyloom {

class ProgramParameters;

// (index clamped to 0..47, + 1) x 0.5 hours.
double gf_maxFitIndexToHours(std::int64_t index) noexcept;
// Hours clamped to 0.5..24, then round(2 x hours) - 1, clamped to 0..47; a value that is not
// a number gives 0.
std::int32_t gf_hoursToMaxFitIndex(double hours) noexcept;

// Sets MAX_FIT_FL, clamped to its range (in memory: it follows MAX_FIT).
void gf_setMaxFitFl(ProgramParameters& parameters, double hours);
void gf_setMaxFitFl(double hours);
// Converts the MAX_FIT index to hours, stores them in MAX_FIT_FL and selects them in its
// combo box.
void gf_syncMaxFitFl(ProgramParameters& parameters);
void gf_syncMaxFitFl();

// Sets RANGE clamped to its range (saved), selects it in its combo box and republishes the
// range fields of the snapshot.
void gf_setRange(ProgramParameters& parameters, std::int64_t nm);
void gf_setRange(std::int64_t nm);

// The radius parameters of the automatic range must make sense together: the three flight
// levels must not descend (FLIGHT_LEVEL_1 <= FLIGHT_LEVEL_2 <= FLIGHT_LEVEL_3). When they
// do, the three are set back to their defaults and saved, with an important log line. (Each
// radius is already held inside the range of RANGE by its own limits.) True when anything
// was changed.
bool gf_checkRadiusParameters(ProgramParameters& parameters);

} // namespace skyloom

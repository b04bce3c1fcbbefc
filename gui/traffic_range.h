// The traffic radius as the window and the worker set it: the RANGE chosen in its combo box,
// or, with "auto radius", a radius that grows with the user aircraft's height, interpolated
// between the radius parameters at the three flight levels. The RANGE combo box is enabled
// exactly while the radius is chosen by hand.
#pragma once

#include <cstdint>

namespace skyloom {

class ProgramParameters;
class UserAircraft;
struct AutoRangeSettings;

// The automatic radius in NM (not rounded) for the user aircraft on the ground or at
// `altitudeFt`.
double gf_autoRangeRadiusNm(const AutoRangeSettings& settings, bool onGround, double altitudeFt);

// The automatic radius for the user aircraft as the simulator link last reported it, set as
// RANGE (clamped, selected, republished); on the RT Direct road a changed radius also moves
// the web API's query area.
void gf_computeAutoRange(ProgramParameters& parameters, const UserAircraft& user);

// gf_computeAutoRange with AUTO_RANGE on, else RANGE as the settings hold it; then the RANGE
// combo box enabled exactly when AUTO_RANGE is off.
void gf_applyRange(ProgramParameters& parameters, const UserAircraft& user);

} // namespace skyloom

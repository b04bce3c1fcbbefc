// Model fixes: the ICAO model code of an aircraft.cfg, which gives one model to all of its
// [fltsim.N] sections. It comes from the first icao_type_designator line, else from the stock
// aircraft a base_container line names; it is then checked against the dbase's model codes and
// a known wrong code is repaired with the dbase's model fixes. What was changed or had to be
// left out goes to the scan's report lists. An empty model means the file yields no livery.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "liveries/livery_scan_state.h"

namespace skyloom {

// The model code of an ordinary aircraft.cfg (its lines in UTF-8, in order); empty when the
// file is not to be used (each cause reported, see gf_fixModelFromGeneralSection and
// gf_checkAndFixModel).
std::string gf_applyModelFix(LiveryScanState& scan, const std::filesystem::path& path,
                             const std::vector<std::string>& lines);

// The fallback without icao_type_designator value: the first base_container that names a stock
// aircraft, checked and fixed. Without one, files of the two airliner add-on families whose
// paths hold "pmdg-aircraft-7" or "fnx-aircraft-3" end quietly; any other file is reported as
// an invalid aircraft.cfg ("Line icao_type_designator= is missing in [General] section of ").
std::string gf_fixModelFromGeneralSection(LiveryScanState& scan, const std::filesystem::path& path,
                                          const std::vector<std::string>& lines);

// The check-and-fix step: a known model stays; a wrong one with a model fix becomes the fixed
// code and adds "Model fix: {} found in {} changed into {}" to the fixes list; anything else
// is reported as an invalid model code and gives an empty result.
std::string gf_checkAndFixModel(LiveryScanState& scan, std::string_view candidate,
                                const std::filesystem::path& path);

} // namespace skyloom

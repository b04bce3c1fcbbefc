// The titles the user does not want used: the entries of the AIG regcode data set
// (input/AIG-regcodes.enc) and, while that file exists, of the user's regcode files in
// input/my_regcodes that hold a title and nothing else (no regcode, not special); titles listed
// with regcodes are liveries to use. The livery scan loads them into its don't-use title set
// before it walks the packages, and writes them to output/info/DontUseLiveries.txt with its
// other reports.
#pragma once

#include <filesystem>

#include "liveries/livery_scan_state.h"

namespace skyloom {

// Empties the scan's don't-use set and fills it from `aigRegcodesFile` and, when that file
// exists and `myRegcodesFolder` holds at least one regular file, from the folder; logs "{:5}
// don't use liveries". True when the AIG file was read. Without it nothing is read (the user
// files neither) and "    0 don't use liveries" is logged: the processing of the registration
// codes at every start says once that the file is missing. A status query that fails for
// another reason throws std::filesystem::filesystem_error ("exists").
bool gf_loadDontUseLiveries(LiveryScanState& scan, const std::filesystem::path& aigRegcodesFile,
                            const std::filesystem::path& myRegcodesFolder);

// The same with the program's files: input/AIG-regcodes.enc and input/my_regcodes.
bool gf_loadDontUseLiveries(LiveryScanState& scan);

// Writes the don't-use set, one title a line, to `report` (output/info/DontUseLiveries.txt in
// the program); a failure is logged and costs that report only.
void gf_writeDontUseLiveries(const LiveryScanState& scan, const std::filesystem::path& report);

} // namespace skyloom

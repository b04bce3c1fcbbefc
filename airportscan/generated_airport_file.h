// Generated airport files: the stands that the facility or BGL stand reader collected for an
// installed add-on airport, written as a full airport file <ICAO>.xml into my_simaddon (the
// simulator maker's airports) or my_thirdparty (every other publisher).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "airportscan/scan_context.h"
#include "refdata/airport_file.h"

namespace skyloom {

// Makes the stand ids unique, in list order: the first stand of an id keeps it, each later one
// takes the id followed by the first letter suffix "a", "b", ... "z", "aa", "ab", ... that no
// stand of the list has as its id and no earlier stand has taken. No stand is dropped (real
// facility data repeat one name for a hundred stands and more). Returns the number of stands
// renamed. Learned files key their options by stand id, so the same list always gives the same
// ids.
std::size_t gf_makeStandIdsUnique(std::vector<Stand>& stands);

// Writes the airport's stands, ids made unique and then sorted byte-wise, as <ICAO>.xml in
// my_simaddon when the publisher is "simaddon", else in my_thirdparty, creating that folder
// when it is missing (folder errors throw std::filesystem::filesystem_error). Notes "Generated
// {ICAO}.xml: {n} position{s}" with " of which {h} helipad{s}" when there are helipads. A file
// the writer refuses is noted ("===> Writing {} did not succeed") and gives false.
bool gf_writeGeneratedApf(AirportFile& airport, std::int32_t helipads,
                          const AirportScanContext& context);

} // namespace skyloom

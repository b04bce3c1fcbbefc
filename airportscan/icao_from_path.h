// Finding an airport's ICAO code in a folder path or a package title: the first run of exactly
// four letters or digits (letters of any case) that is no "FS24", is a valid code and passes
// the caller's two tests (the scan passes "the airports table knows it" and "RealTraffic has
// traffic for it this week").
#pragma once

#include <functional>
#include <optional>
#include <string_view>

#include "foundation/icao_code.h"

namespace skyloom {

using IcaoCodeTest = std::function<bool(const IcaoCode&)>;

// Runs are bounded by the text's ends or by any byte that is no ASCII letter or digit, so
// "fs24-egll-heathrow" offers FS24 (never taken) and then EGLL. No run passes: no value.
std::optional<IcaoCode> gf_icaoFromPath(std::string_view text, const IcaoCodeTest& first,
                                        const IcaoCodeTest& second);

} // namespace skyloom

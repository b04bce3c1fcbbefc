// Writing an airport file (`gf_writeApf`): the data-file header, the parameters and the stand
// section `parkpositions`, saved safely (foundation/xml.h), so that a failed write leaves the
// file that was there as it was. The full form is what the airport scan writes for generated
// airport files: every stand with its geometry, no flight options. The learned form is what
// learned files hold: every stand by its id with its flight options, geometry only for manual
// stands (or for all stands of a handmade file), and the park options.
#pragma once

#include <filesystem>
#include <optional>

#include "config/params_snapshot.h"
#include "foundation/clock.h"
#include "platform/os/file_replace.h"
#include "refdata/airport_file.h"

namespace skyloom {

enum class ApfMode : int {
    learned = 0,
    full = 1,
};

// Writes `airport` to `target` (its folder is made when missing) and returns true when the new
// file is in place. `simulator` goes into the header (kHeaderSimMsfs2020 or 2024) with the
// clock's UTC time. `parkOptions`, when given, are written in the learned form.
//
// A stand with an empty id, or an id written before, fails the whole write. A stand whose
// geometry would be written but is unusable (position invalid, radius not above 0 or not
// finite, heading not finite) is left out; a flight option whose day is not 1..7 or that has
// no half-hours is left out; both with an important log line naming them. An option's hours
// are written as one `opt` per contiguous run of half-hours. Every failure is logged with the
// "==> " mark. `sync` says when the file reaches the disk (foundation/xml.h).
bool gf_writeApf(const AirportFile& airport, const std::filesystem::path& target, ApfMode mode,
                 int simulator, bool handmade, const std::optional<ParkOptions>& parkOptions,
                 const Clock& clock, os::SyncMode sync = os::SyncMode::eachFile);

} // namespace skyloom

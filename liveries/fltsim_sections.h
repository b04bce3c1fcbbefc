// [fltsim.N] sections of an ordinary (non-IVAO) aircraft.cfg: the check of a file's section
// numbers, the cut of its lines into sections, and the turning of one section into at most one
// `LiveryRecord` or into report lines that tell the user why it was not used. Runs on the main
// worker thread during the livery scan, on the scan's working data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "liveries/livery_record.h"
#include "liveries/livery_scan_state.h"
#include "refdata/livery_key.h"

namespace skyloom {

// Room for the lines of one section.
inline constexpr std::size_t kSectionLinesReserve = 48;

// Checks the header numbers of a whole file before it is cut; false means the file yields no
// livery. A number that is no 32-bit integer logs "fltsim num {} incorrect" (the line) and
// fails; a number below 0 or above 10000 puts path + " contains a [fltsim.x] section with a
// number < 0 or > 10000" into the invalid-aircraft.cfg report and fails. A file without any
// header goes to the no-section list and passes (it yields nothing).
bool gf_checkFltsimNumbers(LiveryScanState& scan, const std::vector<std::string>& lines,
                           const std::filesystem::path& path);

// Where a section ends besides the next header: at a line whose first character other than
// blank or tab is '[' (ordinary files), or at any line that contains '[' (IVAO MTL files).
enum class SectionBoundary { bracketFirst, bracketAnywhere };

// Cuts the lines into sections and hands each one, header line first, to `process` as soon as it
// has ended (the last at the end of the lines). A header is a line with a non-empty
// gf_getFltsimNumber; lines outside sections are passed over; the boundary line is no part of
// any section. `process` may change the lines it is given.
void gf_cutFltSimSections(const std::vector<std::string>& lines, SectionBoundary boundary,
                          const std::function<void(std::vector<std::string>&)>& process);

// Drops the section's trailing lines while the last one is empty or starts with ';' or "//".
void gf_dropTrailingComments(std::vector<std::string>& lines);

// An atc_id value read as registrations: the text up to its first ';', split at ',', items
// trimmed and empty ones dropped.
struct AtcIdValue {
    // The value without its ';' comment, as the report lines quote it.
    std::string text;
    // False when no item remains, or an item is longer than 12 characters, is a single blank
    // or holds '*'.
    bool valid = false;
    // The one registration of a valid value; empty for a value of several (a livery flown
    // under several registrations names none of them).
    std::string registration;
};
AtcIdValue gf_readAtcIdValue(std::string_view value);

// One section of an ordinary aircraft.cfg: the package rank (kept as 16 bits), the section's
// lines (header first; trailing empty and comment lines are dropped in place), the file's model
// code (never empty), the aircraft.cfg path and the folder that holds it. The record when the
// section is usable and its title new in this scan; otherwise no value, with the reason in the
// report lists where there is one. An exception is logged ("Exception in lf_procesFltSimSection:
// {}, file: {}") and thrown on.
std::optional<LiveryRecord> gf_procesFltSimSection(LiveryScanState& scan, std::uint32_t rank,
                                                   std::vector<std::string>& lines,
                                                   std::string_view model,
                                                   const std::filesystem::path& path,
                                                   const std::filesystem::path& folder);

// The record {title, regcode, key, rank} when the title is new in the scan's title set (it is
// then taken), else the empty record (LiveryRecord::isEmpty).
LiveryRecord gf_makeLiveryRecord(LiveryScanState& scan, std::uint32_t rank, const LiveryKey& key,
                                 std::string_view title, std::string_view regcode);

} // namespace skyloom

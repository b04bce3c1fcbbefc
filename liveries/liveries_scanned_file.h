// The scanned-liveries file: the result of the livery scan kept between runs, one file per
// simulator ("LiveriesScanned_MSFS2020.xml", "LiveriesScanned_MSFS2024.xml" in the output
// folder). XML: `root` with the data-file header (`meta`) and `liveries`, which holds one empty
// element `l` per record in gf_liveryLess order, attributes `a` airline, `o` operator (only when
// there is one), `m` model, `c` "true" (only for cargo), `t` title, `r` regcode (only when
// there is one). The layout is documented in docs/liveries.md.
//
// A new file is written beside the old one (target + ".scan_tmp"), read back and checked, and
// only then put in the old one's place in one step; every failure before that leaves the old
// file untouched and no temporary file behind.
#pragma once

#include <filesystem>
#include <span>
#include <string_view>
#include <vector>

#include "config/startup_choices.h"
#include "liveries/livery_record.h"

namespace skyloom {

// The suffix of the temporary file that a new scanned-liveries file is written to.
inline constexpr std::string_view kLiveriesScanTempSuffix = ".scan_tmp";

// The failure codes of reading the file (UserRelatedException codes).
inline constexpr int kLiveriesFileUnreadable = 51;    // cannot be opened or parsed
inline constexpr int kLiveriesFileNoSection = 52;     // no <root> or no <liveries>
inline constexpr int kLiveriesFileEmpty = 533;        // no livery at all
inline constexpr int kLiveriesFileMissingField = 999; // an element lacks a, m or t

// The file of this run's simulator (gf_isMsfs2020).
std::filesystem::path gf_liveriesScannedPath();

// Writes the records (already sorted) as the file of this run's simulator; true when the file
// was replaced. An empty list writes nothing and gives false. A missing output folder is made.
// Each failure is logged.
bool gf_writeLiveriesScanned(std::span<const LiveryRecord> records);
// The same to an explicit target, with the header's simulator given (tests, tools).
bool gf_writeLiveriesScanned(std::span<const LiveryRecord> records,
                             const std::filesystem::path& target, SimChoice simulator);

// Re-reads a written file: false when it cannot be opened or parsed, lacks root or
// root/liveries, or an `l` lacks `a`, `m` or `t`; otherwise true exactly when it holds
// `expectedCount` `l` elements. Logs nothing.
bool gf_validateLiveriesScanned(const std::filesystem::path& path, std::size_t expectedCount);

// Puts the temporary file in the target's place in one step (moved when there is no target,
// replaced when there is). False, logged ("Cannot inspect {} before replacing it: {}",
// "Cannot replace {} after the livery scan: {}"), when it cannot; the target is then as it was.
bool gf_commitLiveriesScanned(const std::filesystem::path& temporary,
                              const std::filesystem::path& target);

// Reads a scanned-liveries file into a sorted list; the records carry package rank 0 and
// further key byte 0, and codes not yet in the code tables are added to them. Throws
// UserRelatedException 51 (cannot open: "Could not open {}"; cannot parse: "Error reading {}:
// {}"), 52 ("{} does not contain <root>", "{} does not contain a <liveries> section"), 999
// ("Missing required attribute '{}' in <{}>"), 533 (path + " does not contain liveries"); the
// data-file header check throws its own std::runtime_error.
std::vector<LiveryRecord> gf_loadLiveriesScanned(const std::filesystem::path& path);

// Reads the file of this run's simulator into the installed-livery list
// (liveries/installed_liveries.h); true on success. Every failure is logged and gives false;
// the installed-livery list then keeps what it held.
bool gf_readLiveriesScanned();
// The same from an explicit file.
bool gf_readLiveriesScanned(const std::filesystem::path& path);

} // namespace skyloom

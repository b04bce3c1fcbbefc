// Registration codes into the livery tables: the regcodes written inside the installed liveries
// (in-line), then the AIG regcode data set, then the user's files, each later source
// overriding the earlier ones. Fills `regcodeLiveryMap`, `inlineRegcodeMap`,
// `specialLiveryTitles` and `uniqueLiveryRegcodes` of the tables (liveries/livery_tables.h),
// whose title index must be filled first. Regcodes of liveries that are not installed are
// passed over. Reports: output/errors/InlineRegcodes.txt (clashes among the in-line regcodes)
// and output/info/OfflineRegcodes.txt (what the data set and the user's files changed).
#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "liveries/livery_record.h"
#include "liveries/livery_tables.h"
#include "liveries/regcode_readers.h"

namespace skyloom {

inline constexpr std::string_view kInlineRegcodesFileName = "InlineRegcodes.txt";
inline constexpr std::string_view kOfflineRegcodesFileName = "OfflineRegcodes.txt";

// The in-line regcodes of the records. A regcode or title that two liveries claim keeps its
// first holder; each clash becomes a line of output/errors/InlineRegcodes.txt, written only
// when there are clashes. Throws std::filesystem::filesystem_error ("create_directory") when
// the errors folder cannot be made.
void gf_checkInlineRegcodes(LiveryTables& tables, std::span<const LiveryRecord> records);

// Merges the entries of one source: a regcode held by another title moves to this one (a
// report line names both); special entries mark their titles, and those with exactly one
// regcode that regcode as unique. Ends with the report line "{} new regcode{} added" and the
// counts replaced and special when not 0.
void gf_mergeRegcodes(LiveryTables& tables, const RegcodeList& list,
                      std::vector<std::string>& reportLines);

// The AIG regcode file and then the user's files, when input/AIG-regcodes.enc exists (else the
// important line "{} not available" and nothing else); rewrites output/info/OfflineRegcodes.txt.
// A failing status query of the AIG file throws std::filesystem::filesystem_error ("exists").
void gf_processOfflineRegcodes(LiveryTables& tables);

} // namespace skyloom

// The data-file header: the `meta` element that every XML data file of the program carries as
// the first child of `root`. It says which program version wrote the file, for which
// simulator, and carries the maker's copyright text, by which the program knows its own files.
// The attributes are documented in docs/data-files.md.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include <pugixml.hpp>

#include "foundation/clock.h"
#include "foundation/version.h"

namespace skyloom {

inline constexpr std::string_view kMakerCopyright = "Copyright (c) Skyloom developers";

// The simulator values of the header (the same as the start-up choice of simulator).
inline constexpr int kHeaderSimMsfs2020 = 1;
inline constexpr int kHeaderSimMsfs2024 = 2;

struct FileHeader {
    // "{}.{}.{}" of the program that wrote the file (gf_versionText).
    std::string version;
    // kHeaderSimMsfs2020 or kHeaderSimMsfs2024.
    int simulator = 0;
    std::string copyright = std::string(kMakerCopyright);
    std::string program = kProgramName;
    // UTC time of writing, "YYYY-MM-DDThh:mm:ssZ"; the writer fills it in when empty.
    std::string created;
};

// A header of this program's version for `simulator`, to be written now.
FileHeader gf_makeFileHeader(int simulator);
// The same, written at `clock`'s UTC time.
FileHeader gf_makeFileHeader(int simulator, const Clock& clock);

// Writes `header` as `root/meta`: takes the document's `root` (appending it when missing),
// replaces a `meta` already there, and puts `meta` first. False, leaving the document as it
// was, when the version text does not parse (gf_parseHeaderVersion), the simulator is neither
// 1 nor 2 or the document's top element is not `root`; false, leaving `root` without `meta`,
// when a node or attribute cannot be added. A header this refuses would fail the check.
bool gf_writeFileHeader(pugi::xml_document& document, const FileHeader& header);

// strict: an unacceptable header throws std::runtime_error with the reason's text.
// lenient: it is returned with accepted = false and the reason.
enum class HeaderCheckMode : int { strict = 0, lenient = 1 };

struct FileHeaderCheck {
    // The fields as far as they were found (absent attributes leave them empty or 0).
    FileHeader header;
    bool accepted = false;
    // Empty when accepted; otherwise the first of the reasons below that applies.
    std::string reason;
};

// The reasons, checked in this order.
inline constexpr std::string_view kHeaderNoCopyright = "no copyright info in the file?";
inline constexpr std::string_view kHeaderInvalidVersion = "invalid version info in the file";
inline constexpr std::string_view kHeaderInvalidSim = "invalid sim info in the file";
inline constexpr std::string_view kHeaderUnsupportedSim = "unsupported sim info in the file";

// Reads and checks `root/meta` of a loaded document:
// - no `root`, no `meta` or a `copyright` other than kMakerCopyright: kHeaderNoCopyright;
// - a `version` that gf_parseHeaderVersion refuses (or none): kHeaderInvalidVersion;
// - a `sim` that is not a decimal integer (or none): kHeaderInvalidSim;
// - a `sim` other than 1 or 2: kHeaderUnsupportedSim.
// `program` and `created` are informative and never make a header unacceptable.
FileHeaderCheck gf_checkFileHeader(const pugi::xml_document& document,
                                   HeaderCheckMode mode = HeaderCheckMode::strict);

// A header version is exactly three dot-separated decimal numbers, each fitting 32 bits, with
// nothing around them ("1.4.0"); no value otherwise.
std::optional<ProgramVersion> gf_parseHeaderVersion(std::string_view text);

} // namespace skyloom

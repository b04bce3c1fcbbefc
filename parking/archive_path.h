// Archived airport files are named by relative paths that exist only on the maker's download
// area: archive/stock/<ICAO>[digits].enc|.xml, archive/simaddon/..., and
// archive/thirdparty/<percent-encoded publisher>/... . This file decodes such a path into the
// airport, the publisher and the archived version it names.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/icao_code.h"

namespace skyloom {

struct ArchivePathInfo {
    IcaoCode icao;
    // "stock", "simaddon" or the decoded name of a thirdparty publisher.
    std::string publisher;
    // The decimal digits after the ICAO code in the file name, possibly empty.
    std::string version;

    friend bool operator==(const ArchivePathInfo&, const ArchivePathInfo&) = default;
};

// Replaces each '%' followed by two hexadecimal digits by the byte they give; anything else,
// a lone or short '%' included, stays as it is.
std::string gf_percentDecode(std::string_view text);

// The airport, publisher and version an archive path names; no value for any other path. The
// folder names and the extension (".xml" or ".enc") are compared ignoring case; the file's stem
// is an ICAO code followed only by decimal digits.
std::optional<ArchivePathInfo> gf_parseArchivePath(const std::filesystem::path& path);

} // namespace skyloom

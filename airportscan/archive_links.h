// Archive links: an installed add-on airport for which the maker's archive already holds an
// airport file (a simaddon file, or a publisher's thirdparty file of the matching package
// version) gets a small link file instead of a generated one: <ICAO>.txt in my_simaddon or
// my_thirdparty, holding the archive path of that file and a newline.
#pragma once

#include <string>

#include "airportscan/scan_context.h"
#include "refdata/airport_file.h"

namespace skyloom {

// An archive path such as "archive/simaddon/EGLL.enc", and whether the archive has the file.
struct ArchivePath {
    std::string path;
    bool found = false;
};

// "archive/simaddon/<ICAO>.enc"; found when the code is in the simaddon set, else noted
// ("{} does not exist as simaddon").
ArchivePath gf_simaddonArchivePath(const AirportScanContext& context, const IcaoCode& icao);

// "archive/thirdparty/<publisher, blanks as %20>/<file>.enc" of the publisher's entry for the
// airport and its package version (gf_findPublisherSection). A file made from a higher version
// present beside the one found, or instead of it, is a warning in the scan log and the status
// line (the airport is then read like an unknown one when no file of its version is there);
// nothing found is noted ("thirdparty {} {}{} does not exist").
ArchivePath gf_thirdPartyArchivePath(const AirportScanContext& context,
                                     const AirportFile& airport);

// Links the airport to its archived airport file. An airport without a publisher is
// classified first (gf_classifyPackage); without one afterwards it is not linked. True when
// the link file was written ("simaddon airport {} linked to {}" or "thirdparty airport {}
// linked to {}" in the scan log). A link file that cannot be written is noted ("===> Writing
// {} did not succeed") and gives false, so that the airport's stands are read instead.
bool gf_linkToArchive(AirportFile& airport, const AirportScanContext& context);

} // namespace skyloom

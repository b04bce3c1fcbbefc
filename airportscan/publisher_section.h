// The look-up of an archived thirdparty airport file: which file of a publisher's archive
// section serves an airport of a given package version, and whether the archive holds a file
// made from a higher version of the package.
#pragma once

#include <string>
#include <string_view>

#include "airportscan/publisher_lists.h"

namespace skyloom {

enum class PublisherSectionStatus : int {
    notFound = 0,
    found = 1,
    foundHigherPresent = 2,    // found, and a file of a higher version is present
    notFoundHigherPresent = 3, // not found, but a file of a higher version is present
};

struct PublisherSectionLookup {
    PublisherSectionStatus status = PublisherSectionStatus::notFound;
    // The file name of the entry found.
    std::string file;
    // The greatest version text above the requested one.
    std::string higherVersion;
};

// Looks in the section whose publisher text equals `publisher` byte for byte. An entry matches
// when its file name equals the key (the ICAO text, followed by the version without its dots
// when a version is given: EGLL with 1.2.3 gives EGLL123), or, when no entry matched before,
// when its name starts with the four ICAO characters and its version parses and equals the
// requested one. Entries of that kind with a greater version mark a higher version present;
// the greatest one is kept. The first match counts.
PublisherSectionLookup gf_findPublisherSection(const PublisherLists& lists,
                                               std::string_view publisher, std::string_view icao,
                                               std::string_view version);

} // namespace skyloom

// Publisher detection: which publisher an installed airport package belongs to. "simaddon"
// stands for the simulator maker's own (stock and streamed) airports; any other publisher is
// a name from the archives data's publishers list. The publisher decides where the airport's
// generated or link file goes and which archived file serves it; manifest publisher values
// that the archives data refuses keep an airport from being read.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "airportscan/package_manifest.h"
#include "airportscan/publisher_lists.h"
#include "refdata/airport_file.h"

namespace skyloom {

// The publisher value of the simulator maker's own airports.
inline constexpr std::string_view kSimaddonPublisher = "simaddon";

// Sets the airport's `publisher` when it can, noting each decision in `scanLog`:
// 1. a source path holding "microsoft-airport" or "asobo-airport" (any letter case) gives
//    "simaddon" ("publisher: simaddon");
// 2. else a publisher of the list whose name occurs in `bglPath` ("publisher '{}'");
// 3. else, with the package manifest (searched upwards from the source path when the airport
//    has none yet, and stored in `package`), its manufacturer and then its creator: each is
//    trimmed in place; one of fewer than 3 characters says nothing; a refused one says nothing
//    ("manifest publisher value '{}' rejected by archives data"); one that names Microsoft or
//    Asobo gives "simaddon"; otherwise the first publisher of the list that occurs in it.
// A publisher name that names Microsoft or Asobo (any letter case) becomes "simaddon".
void gf_classifyPackage(AirportFile& airport, const PublisherLists& lists,
                        std::vector<std::string>& scanLog);

// True when the trimmed manufacturer, or else the trimmed creator, has at least 4 characters
// and is not a refused value. The stand readers skip an airport whose manifest fails this.
bool gf_hasAcceptedPublisher(const PackageManifest& manifest, const PublisherLists& lists);

} // namespace skyloom

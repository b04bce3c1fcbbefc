// The publisher lists of the archives data set (input/archives.enc): the scenery publishers
// the airport scan knows (each with its alternative spellings), the manifest publisher values
// it refuses, the airports that have an archived simaddon airport file, and the archived
// thirdparty airport files of each publisher with their package versions. `gf_readPublishers`
// fills them once per scan, for the simulator chosen at start-up; the manifest and archive-link
// steps query them.
//
// The lists belong to the scan on the main worker thread and take no lock. The program's scan
// uses gf_publisherLists(); tests make their own.
#pragma once

#include <cstddef>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace skyloom {

inline constexpr std::string_view kArchivesDataSetName = "archives";
// The largest plaintext of the archives data set.
inline constexpr std::size_t kArchivesMaxBytes = 4194304;
// Room reserved for publisher groups whenever the lists are emptied.
inline constexpr std::size_t kPublisherGroupsReserved = 1024;
// The one value refused when the archives data set has no rejectedpublishers section.
inline constexpr std::string_view kBuiltinRejectedPublisher = "fsim";
// The code of the user-visible error for a missing root or simaddon section.
inline constexpr int kArchivesSectionMissingCode = 61;

// One archived thirdparty airport file: its file name (`f`) and the package version (`v`)
// it was made from, empty when none is given.
struct ThirdpartyEntry {
    std::string file;
    std::string version;

    friend bool operator==(const ThirdpartyEntry&, const ThirdpartyEntry&) = default;
};

// The archived airport files of one publisher.
struct ThirdpartySection {
    std::string publisher;
    std::vector<ThirdpartyEntry> entries;

    friend bool operator==(const ThirdpartySection&, const ThirdpartySection&) = default;
};

struct PublisherLists {
    // One group per publisher: its name first, then its alternative spellings. Never holds an
    // empty name or an empty group.
    std::vector<std::vector<std::string>> publishers;
    // Manifest publisher values to refuse, trimmed and lower-cased.
    std::set<std::string> rejected;
    // Airport codes with an archived simaddon airport file.
    std::set<std::string> simaddons;
    std::vector<ThirdpartySection> thirdparties;

    PublisherLists() { clear(); }
    // Empties all four lists and reserves room for 1024 publisher groups.
    void clear();
};

// The program's lists (main worker thread only).
PublisherLists& gf_publisherLists();

// Reads the archives data set of the folder (the input folder without argument) into the
// lists, which are emptied first: "archives.enc", or "archives.xml" when only the plain form is
// there. Only the simaddon and thirdparty sections of the chosen simulator are read. Writes the
// counts "{:5} publisher{}" and "{:5} rejected manifest publisher value{}" to the log.
//
// False, with an important log line, when the document is not well-formed XML ("{} not read
// because: {}") or has no `root` ("'{}' has no root node"). Throws std::runtime_error when the
// file is missing ("{} not available") or cannot be decrypted or read (the reader's text), and
// UserRelatedException 61 when the simaddon section of the simulator is missing ("Missing
// section: simaddons20").
//
// Empty names of a publisher list ("A,,B", a trailing comma) are dropped, and a group left
// without a name is not added: an empty name would occur in every text and claim every package.
bool gf_readPublishers(PublisherLists& lists, bool isMsfs2020);
bool gf_readPublishers(PublisherLists& lists, bool isMsfs2020,
                       const std::filesystem::path& folder);

enum class PublisherLookup : int { found = 0, notFound = 1, emptyText = 2 };

struct KnownPublisher {
    PublisherLookup status = PublisherLookup::notFound;
    // The group's first name when found.
    std::string name;
};

// The first publisher, groups in list order and names in group order, one of whose names
// occurs in the text, byte for byte or with ASCII letters compared in any case.
KnownPublisher gf_isKnownPublisher(const PublisherLists& lists, std::string_view text);

// True when the value, trimmed and lower-cased, is not empty and is a refused value.
bool gf_isRejectedPublisher(const PublisherLists& lists, std::string_view value);

} // namespace skyloom

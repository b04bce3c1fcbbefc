// `LiveryScanState`: the working data of one livery scan, filled while the aircraft.cfg files are
// read and written out when the scan ends: the set of titles that became records (each title is
// accepted once per scan), the set of titles the user does not want used, and the report lists
// whose lines tell the user why a file or section gave no livery. The report lists keep their
// lines in the order they were added; the scan sorts them only when it writes them.
//
// It lives on the main worker thread from the start of a scan to its end (`clear`), and takes
// no lock. The program's scan uses gf_liveryScanState(); tests make their own.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "foundation/fnv_hash.h"

namespace skyloom {

// Room reserved at the start of a scan.
inline constexpr std::size_t kScanTitlesReserved = 30000;
inline constexpr std::size_t kDontUseTitlesReserved = 5000;

// The report lists of a scan; each becomes one file of output/info or output/errors
// (liveries/livery_scan_reports.h).
struct LiveryScanReports {
    // aircraft.cfg files without any [fltsim.N] section (output/info).
    std::vector<std::string> noFltsimSection;
    // Invalid airline codes (output/errors).
    std::vector<std::string> invalidAirlineCodes;
    // Invalid model codes (output/errors).
    std::vector<std::string> invalidModelCodes;
    // Model fixes applied; written in the order they were made (output/errors).
    std::vector<std::string> fixes;
    // aircraft.cfg files that cannot be used at all (output/errors).
    std::vector<std::string> invalidAircraftCfgFiles;
    // [fltsim.N] sections that lack something or hold a key twice (output/errors).
    std::vector<std::string> incompleteSections;

    // True when none of the error lists (all but noFltsimSection) holds a line.
    bool noErrors() const noexcept;
    void clear() noexcept;
};

class LiveryScanState {
public:
    LiveryScanState();

    // Titles that became a record in this scan (maximum load factor 1.0).
    FnvStringSet titles;
    // Titles the user excludes (maximum load factor 1.0).
    FnvStringSet dontUseTitles;
    LiveryScanReports reports;

    // Empties everything and reserves room for the next scan: 30000 titles, 5000 don't-use
    // titles.
    void prepare();
    // Empties everything and gives the memory back. Never throws.
    void clear() noexcept;

    // Inserts the title; true when it was not there yet (the title is now taken).
    bool takeTitle(const std::string& title);
    bool isDontUseTitle(const std::string& title) const;

    // The append operations the section processing reports through.
    void addNoFltsimSection(std::string line) {
        reports.noFltsimSection.push_back(std::move(line));
    }
    void addInvalidAirlineCode(std::string line) {
        reports.invalidAirlineCodes.push_back(std::move(line));
    }
    void addInvalidModelCode(std::string line) {
        reports.invalidModelCodes.push_back(std::move(line));
    }
    void addFix(std::string line) { reports.fixes.push_back(std::move(line)); }
    void addInvalidAircraftCfgFile(std::string line) {
        reports.invalidAircraftCfgFiles.push_back(std::move(line));
    }
    void addIncompleteSection(std::string line) {
        reports.incompleteSections.push_back(std::move(line));
    }
};

// The program's scan state (main worker thread only).
LiveryScanState& gf_liveryScanState();

} // namespace skyloom

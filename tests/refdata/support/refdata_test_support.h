// Helpers of the reference-data tests: a log opened in a temporary folder and read back, data
// sets written from XML bodies with a valid header, and a clean slate of the program-wide
// reference data between tests.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/temp_dir.h"

namespace skyloom::testing {

// Opens Log.txt in a folder of its own for the test's lifetime.
class CapturedLog {
public:
    CapturedLog();
    ~CapturedLog();
    CapturedLog(const CapturedLog&) = delete;
    CapturedLog& operator=(const CapturedLog&) = delete;

    // The lines written so far (the log is flushed first), without the first line.
    std::vector<std::string> lines() const;
    // True when a line equals `line` ("==> " included where the log writes it).
    bool has(std::string_view line) const;
    // True when some line contains `part`.
    bool contains(std::string_view part) const;

private:
    TempDir dir_;
};

// A data-set document: the header of this program, `dataset` with name and version, then
// `body` (XML elements) inside `root`.
std::string dataSetXml(std::string_view name, std::string_view version, std::string_view body);

// Writes `text` to `path`, making its folder.
void writeText(const std::filesystem::path& path, std::string_view text);
// Writes `text` encrypted (".enc") to `path`.
void writeEncrypted(const std::filesystem::path& path, std::string_view text);
std::string readText(const std::filesystem::path& path);
// The fields of a comma-separated line, empty fields kept.
std::vector<std::string> splitFields(std::string_view line);

// Empties the code tables, the dbase, the airports table, the park airport entry, the weekly
// set and the similar-model tables, and clears the maintenance flag and any stop request.
void resetReferenceData();

} // namespace skyloom::testing

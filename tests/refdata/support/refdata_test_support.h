// Helpers of the reference-data tests: data sets written from XML bodies with a valid header,
// and a clean slate of the program-wide reference data between tests (the captured log and
// the file helpers are in tests/support).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/captured_log.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_files.h"

namespace skyloom::testing {

// A data-set document: the header of this program, `dataset` with name and version, then
// `body` (XML elements) inside `root`.
std::string dataSetXml(std::string_view name, std::string_view version, std::string_view body);

// The fields of a comma-separated line, empty fields kept.
std::vector<std::string> splitFields(std::string_view line);

// Empties the code tables, the dbase, the airports table, the park airport entry, the weekly
// set and the similar-model tables, and clears the maintenance flag and any stop request.
void resetReferenceData();

} // namespace skyloom::testing

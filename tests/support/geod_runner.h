// PROJ's geod as an independent reference for the geodesy tests: finding it on the PATH and
// running it over a batch of input lines. Tests skip when it is not installed.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace skyloom::testing {

// The program's path when a folder of PATH holds it, else an empty path.
std::filesystem::path gf_findOnPath(const std::string& program);

// Runs geod with the options (the figure of the earth among them, e.g. "+ellps=WGS84") over
// the input lines and returns the numbers of each output line. A failing run adds a test
// failure and gives no rows.
std::vector<std::vector<double>> gf_runGeod(const std::filesystem::path& geod,
                                            const std::string& options,
                                            const std::vector<std::string>& lines);

} // namespace skyloom::testing

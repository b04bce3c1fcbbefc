#include "tests/support/geod_runner.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace skyloom::testing {

std::filesystem::path gf_findOnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    if (path == nullptr) {
        return {};
    }
    std::stringstream dirs(path);
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        if (dir.empty()) {
            continue;
        }
        const std::filesystem::path candidate = std::filesystem::path(dir) / program;
        std::error_code ec;
        if (std::filesystem::is_regular_file(candidate, ec)) {
            return candidate;
        }
    }
    return {};
}

std::vector<std::vector<double>> gf_runGeod(const std::filesystem::path& geod,
                                            const std::string& options,
                                            const std::vector<std::string>& lines) {
    TempDir dir;
    const auto in = dir / "in.txt";
    const auto out = dir / "out.txt";
    {
        std::ofstream file(in);
        for (const auto& line : lines) {
            file << line << '\n';
        }
    }
    const std::string command =
        fmt::format("'{}' {} '{}' > '{}'", geod.string(), options, in.string(), out.string());
    if (std::system(command.c_str()) != 0) {
        ADD_FAILURE() << "geod failed: " << command;
        return {};
    }
    std::vector<std::vector<double>> rows;
    std::ifstream file(out);
    std::string line;
    while (std::getline(file, line)) {
        std::stringstream fields(line);
        std::vector<double> row;
        double v = 0;
        while (fields >> v) {
            row.push_back(v);
        }
        rows.push_back(row);
    }
    return rows;
}

} // namespace skyloom::testing

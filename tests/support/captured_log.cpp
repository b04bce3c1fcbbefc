#include "tests/support/captured_log.h"

#include <algorithm>
#include <fstream>

#include "foundation/log_file.h"

namespace skyloom::testing {

CapturedLog::CapturedLog() {
    LogFile::openIn(dir_.path());
}

CapturedLog::~CapturedLog() {
    LogFile::close();
}

std::vector<std::string> CapturedLog::lines() const {
    LogFile::flush();
    std::ifstream in(dir_ / "Log.txt", std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    bool first = true;
    while (std::getline(in, line)) {
        if (!first) {
            lines.push_back(line);
        }
        first = false;
    }
    return lines;
}

bool CapturedLog::has(std::string_view line) const {
    const auto all = lines();
    return std::find(all.begin(), all.end(), line) != all.end();
}

bool CapturedLog::contains(std::string_view part) const {
    const auto all = lines();
    return std::any_of(all.begin(), all.end(), [&](const std::string& line) {
        return line.find(part) != std::string::npos;
    });
}

} // namespace skyloom::testing

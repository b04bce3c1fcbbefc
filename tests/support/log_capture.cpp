#include "tests/support/log_capture.h"

#include <algorithm>
#include <fstream>

#include "foundation/log_file.h"

namespace skyloom::testing {

LogCapture::LogCapture() {
    LogFile::openIn(dir_.path());
}

LogCapture::~LogCapture() {
    LogFile::close();
}

std::vector<std::string> LogCapture::lines() const {
    LogFile::flush();
    std::ifstream in(LogFile::currentPath());
    std::vector<std::string> lines;
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        lines.push_back(line);
    }
    return lines;
}

std::size_t LogCapture::count(std::string_view part) const {
    const auto all = lines();
    return static_cast<std::size_t>(std::count_if(all.begin(), all.end(), [&](const auto& line) {
        return line.find(part) != std::string::npos;
    }));
}

} // namespace skyloom::testing

#include "tests/support/log_capture.h"

#include <fstream>
#include <sstream>

#include "foundation/log_file.h"

namespace skyloom::testing {

LogCapture::LogCapture() {
    LogFile::openIn(dir_.path());
}

LogCapture::~LogCapture() {
    LogFile::close();
}

std::string LogCapture::text() const {
    LogFile::flush();
    std::ifstream in(LogFile::currentPath());
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

std::vector<std::string> LogCapture::linesWith(std::string_view part) const {
    std::vector<std::string> lines;
    std::istringstream in(text());
    std::string line;
    while (std::getline(in, line)) {
        if (line.find(part) != std::string::npos) {
            lines.push_back(line);
        }
    }
    return lines;
}

std::vector<std::string> LogCapture::lines() const {
    std::vector<std::string> lines = linesWith("");
    if (!lines.empty()) {
        lines.erase(lines.begin());
    }
    return lines;
}

} // namespace skyloom::testing

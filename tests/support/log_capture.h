// Opens the log in a fresh temporary folder for one test and reads back what was written.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tests/support/temp_dir.h"

namespace skyloom::testing {

class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // The lines written so far (flushed first), the log's first line left out.
    std::vector<std::string> lines() const;
    // How many lines contain the text.
    std::size_t count(std::string_view part) const;

private:
    TempDir dir_;
};

} // namespace skyloom::testing

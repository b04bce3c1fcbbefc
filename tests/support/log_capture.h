// Opens the log in a fresh temporary folder for one test's lifetime and reads back what was
// written.
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

    // Everything written so far (flushes first).
    std::string text() const;
    // The lines that contain `part`, the log's first line included.
    std::vector<std::string> linesWith(std::string_view part) const;
    // Every line after the log's first line.
    std::vector<std::string> lines() const;

private:
    TempDir dir_;
};

} // namespace skyloom::testing

// `LogCapture`: the log opened in a temporary folder for a test's lifetime, and read back.
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
    // The lines that contain `part`.
    std::vector<std::string> linesWith(std::string_view part) const;

private:
    TempDir dir_;
};

} // namespace skyloom::testing

// Log.txt opened in a temporary folder of its own for a test's lifetime, and read back.
#pragma once

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

} // namespace skyloom::testing

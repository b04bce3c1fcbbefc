#include "tests/support/shared_data.h"

namespace skyloom::testing {

std::filesystem::path sourceDir() { return SKYLOOM_SOURCE_DIR; }

std::filesystem::path sharedDir() { return std::filesystem::path(SKYLOOM_SHARED_DIR).lexically_normal(); }

std::filesystem::path sharedPath(const std::filesystem::path& relative) {
    std::error_code ec;
    const auto p = sharedDir() / relative;
    if (std::filesystem::exists(p, ec)) {
        return p;
    }
    return {};
}

} // namespace skyloom::testing

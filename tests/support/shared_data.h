// Paths to the project's own fixtures and to the recorded peers and public data that lie
// beside the project in ../shared. Tests that need ../shared skip when it is absent.
#pragma once

#include <filesystem>

#include <gtest/gtest.h>

namespace skyloom::testing {

std::filesystem::path sourceDir();
std::filesystem::path sharedDir();
// A file or folder under ../shared, or an empty path when it is not there.
std::filesystem::path sharedPath(const std::filesystem::path& relative);

} // namespace skyloom::testing

// Skips the current test, with a message naming the missing file, when ../shared lacks it.
#define SKYLOOM_REQUIRE_SHARED(var, relative)                                                     \
    const std::filesystem::path var = ::skyloom::testing::sharedPath(relative);                   \
    if (var.empty()) {                                                                            \
        GTEST_SKIP() << "shared data not found: ../shared/" << (relative);                        \
    }

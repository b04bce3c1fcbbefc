#include "tests/support/temp_dir.h"

#include <stdexcept>
#include <string>
#include <system_error>

#include <stdlib.h>

namespace skyloom::testing {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "skyloom-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("TempDir: mkdtemp failed for " + pattern);
    }
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

} // namespace skyloom::testing

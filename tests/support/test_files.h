// Files for tests: text written and read back byte for byte, and encrypted data files.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace skyloom::testing {

// Writes `text` to `path`, making its folder.
void writeText(const std::filesystem::path& path, std::string_view text);
// Writes `text` encrypted (".enc") to `path`.
void writeEncrypted(const std::filesystem::path& path, std::string_view text);
std::string readText(const std::filesystem::path& path);

} // namespace skyloom::testing

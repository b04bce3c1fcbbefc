// Small text helpers used program-wide.
#pragma once

#include <cstdint>
#include <string>

namespace skyloom {

// "{}.{}.{}"
std::string gf_versionText(std::uint32_t major, std::uint32_t minor, std::uint32_t patch);

} // namespace skyloom

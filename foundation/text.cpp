#include "foundation/text.h"

#include <fmt/format.h>

namespace skyloom {

std::string gf_versionText(std::uint32_t major, std::uint32_t minor, std::uint32_t patch) {
    return fmt::format("{}.{}.{}", major, minor, patch);
}

} // namespace skyloom

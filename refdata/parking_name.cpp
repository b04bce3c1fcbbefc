#include "refdata/parking_name.h"

#include <array>
#include <string_view>

namespace skyloom {

namespace {

constexpr std::array<std::string_view, 12> kPrefixes{
    "",           "PARKING ",    "N_PARKING ", "NE_PARKING ", "E_PARKING ", "SE_PARKING ",
    "S_PARKING ", "SW_PARKING ", "W_PARKING ", "NW_PARKING ", "GATE ",      "DOCK "};

constexpr std::int32_t kFirstLetterCode = 12;
constexpr std::int32_t kLastLetterCode = 37;

} // namespace

std::string gf_parkingName(std::int32_t code) {
    if (code >= 0 && code < static_cast<std::int32_t>(kPrefixes.size())) {
        return std::string(kPrefixes[static_cast<std::size_t>(code)]);
    }
    if (code >= kFirstLetterCode && code <= kLastLetterCode) {
        return std::string("GATE ") + static_cast<char>('A' + (code - kFirstLetterCode));
    }
    return {};
}

} // namespace skyloom

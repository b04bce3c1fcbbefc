// gf_parseBlockText: the aircraft named by one text of the aircraft selector, "callsign,
// registration,hexid,<fourth field>", for blocking it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace skyloom {

struct BlockText {
    std::string callsign;
    std::string registration;
    std::uint32_t hexid = 0;
    // True only for a text of exactly four comma-separated fields whose third is 1 to 8
    // hexadecimal digits.
    bool valid = false;
};

BlockText gf_parseBlockText(std::string_view text);

} // namespace skyloom

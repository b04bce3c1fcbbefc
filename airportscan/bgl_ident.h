// The packed airport ident of a BGL airport record: a base-38 number in the top 27 bits of a
// 32-bit word, most significant digit first; digit 0 is a blank and 1 a '?' (both invalid),
// 2 to 11 the digits 0 to 9 and 12 to 37 the letters A to Z. And the test that makes an ident
// an airport the scan reads: four characters and a code the airports table knows.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "foundation/icao_code.h"

namespace skyloom {

enum class BglIdentStatus : std::uint8_t {
    accepted = 0,
    undecodable = 1,  // a blank or '?' digit, or more than 10 digits
    notFourChars = 2, // three-letter idents (and empty ones) end here
    unknownAirport = 3,
};

struct BglIdent {
    std::string text;
    BglIdentStatus status = BglIdentStatus::undecodable;
};

// Decodes the word; the text is upper case. Status accepted or undecodable.
BglIdent gf_decodeBGLIdent(std::uint32_t word);

// The status of a decoded text: not four characters; or, for a code `known` refuses, unknown
// airport, with the note "{} is not known" appended to the scan log; else accepted with the
// code's text.
BglIdent gf_checkAirportIdent(std::string text, const std::function<bool(const IcaoCode&)>& known,
                              std::vector<std::string>& scanLog);

} // namespace skyloom

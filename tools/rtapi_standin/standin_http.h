// The HTTP helpers of the web API stand-in that its server (tools/loopback_http) leaves to it:
// decoding a form body, the reason phrase of a status for the JSON messages, and gzip.
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace skyloom::tools {

// The fields of an "application/x-www-form-urlencoded" body ('+' is a blank, %XX a byte); a
// name given twice keeps its last value.
std::map<std::string, std::string> gf_decodeForm(std::string_view body);

// The standard reason phrase of a status ("OK", "Unauthorized", ...; "Status" for others).
std::string_view gf_httpReason(int status);

// The body compressed in the gzip format.
std::string gf_gzip(std::string_view body);

} // namespace skyloom::tools

// The system's description of an error or result code, as the system's message table gives it
// (FormatMessageW from the system on Windows): UTF-16, ending in CR LF. Linux has no such
// table for HRESULTs, so this is the table of the results the simulator client library gives.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace skyloom::os {

// No value when the table holds no description for the code.
std::optional<std::u16string> systemMessageText(std::uint32_t code);

} // namespace skyloom::os

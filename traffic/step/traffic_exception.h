// `gf_reportTrafficException`: the one reporter of exceptions in the live traffic. It writes
// "Traffic exception in {function}: {message}" for the first 20 reports of a run, the last one
// saying that further reports are suppressed, and never throws.
#pragma once

#include <cstdint>
#include <string_view>

namespace skyloom {

inline constexpr std::uint32_t kTrafficExceptionReports = 20;

// Call from inside a catch block with the reporting function's name.
void gf_reportTrafficException(std::string_view functionName) noexcept;
// A new run reports again from the first.
void gf_resetTrafficExceptionReports() noexcept;

} // namespace skyloom

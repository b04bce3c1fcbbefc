// The program's name and version, as the log, the data-file headers and the window show them.
#pragma once

#include <cstdint>
#include <string>

namespace skyloom {

inline constexpr const char* kProgramName = "Skyloom";

struct ProgramVersion {
    std::uint32_t major;
    std::uint32_t minor;
    std::uint32_t patch;
};

ProgramVersion gf_programVersion();
// "{}.{}.{}" of the program's own version.
std::string gf_programVersionText();

} // namespace skyloom

// A BGL file on disk: its image as 32-bit little-endian words, the quick probe that tells the
// folder walk whether a file has an airport section, and the report of a file that took one
// second or more to probe or read.
#pragma once

#include <cstdint>
#include <filesystem>
#include <istream>
#include <string_view>
#include <vector>

#include "foundation/clock.h"

namespace skyloom {

// The whole stream as little-endian words; bytes after the last whole word are not read. The
// size is taken by seeking to the end; a stream shorter than 4 bytes or longer than
// kMaxBglFileBytes (scan_limits.h), a failed seek or a short read give no words: a sparse file
// claiming gigabytes never gets a buffer of its claimed size.
std::vector<std::uint32_t> gf_readBGLWords(std::istream& in);

// True when the file has more than 56 bytes, its section count (u32 at byte 20) lies between 1
// and (size - 56) / 20, and one of the section entries (20 bytes each from byte 56) has the
// airport type 3. Reads only the header and the section table. A file that cannot be opened or
// read gives false. Reports a slow probe (phase "probing header").
bool gf_probeBGLHeader(const std::filesystem::path& path, const Clock& clock);

// When one second or more of steady time has passed since `start`, writes the important line
// "Slow BGL processing: {:.2f} s, {}, phase {}, file '{}'" (seconds, "{} bytes" or "unknown
// size", phase, path). Never throws.
void gf_logSlowBGL(const std::filesystem::path& path, Clock::SteadyTime start,
                   std::string_view phase, const Clock& clock) noexcept;

} // namespace skyloom

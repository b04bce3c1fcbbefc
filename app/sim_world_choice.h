// The simulator the program runs against on Linux: a world file (docs/simworld.md) named by
// the switch "--world FILE" or, without it, by the environment variable SKYLOOM_SIMWORLD.
#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace skyloom {

inline constexpr std::string_view kWorldSwitch = "--world";
inline constexpr const char* kWorldVariable = "SKYLOOM_SIMWORLD";
// The process exit code when the named world cannot be used (the program does not start).
inline constexpr int kBadWorldExitCode = 1;

// The world file the command line or the environment names, or none. "--world" without a
// file after it names the empty path (which then fails to load with its reason).
std::optional<std::filesystem::path> gf_simWorldFile(std::span<const std::string> arguments);

// Installs the world of `file` on the program's clock. Returns the empty text on success,
// else the reason the world could not be used ("The simulator world cannot be used: {}").
std::string gf_installSimWorld(const std::filesystem::path& file);

// At shutdown: the installed world (if any) writes its last AI report and flushes its trace.
void gf_endSimWorld();

} // namespace skyloom

#include "app/sim_world_choice.h"

#include <cstdlib>
#include <exception>

#include <fmt/format.h>

#include "foundation/clock.h"
#include "platform/simworld/installed_world.h"

namespace skyloom {

std::optional<std::filesystem::path> gf_simWorldFile(std::span<const std::string> arguments) {
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == kWorldSwitch) {
            return i + 1 < arguments.size() ? std::filesystem::path(arguments[i + 1])
                                            : std::filesystem::path();
        }
    }
    const char* variable = std::getenv(kWorldVariable);
    if (variable != nullptr && *variable != '\0') {
        return std::filesystem::path(variable);
    }
    return std::nullopt;
}

std::string gf_installSimWorld(const std::filesystem::path& file) {
    std::string reason;
    try {
        if (file.empty()) {
            reason = "--world names no file";
        } else {
            simworld::gf_installWorldFile(file, gf_clock());
            return {};
        }
    } catch (const std::exception& e) {
        reason = e.what();
    }
    return fmt::format("The simulator world cannot be used: {}", reason);
}

void gf_endSimWorld() {
    if (const auto world = simworld::gf_installedWorld()) {
        world->end();
    }
}

} // namespace skyloom

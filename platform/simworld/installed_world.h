// The world that SimConnect_Open connects to: one per process, installed by a test, a tool
// or the program (from a world file) and uninstalled again. Without an installed world there
// is no simulator and every open fails. Connections keep their world alive until they close.
#pragma once

#include <filesystem>
#include <memory>

#include "foundation/clock.h"
#include "platform/simworld/world.h"

namespace skyloom::simworld {

void gf_installWorld(std::shared_ptr<World> world);
void gf_uninstallWorld();
std::shared_ptr<World> gf_installedWorld();

// Loads a world file (world_file.h), installs the world on that clock and returns it. Throws
// WorldFileError for a file that cannot be used; the installed world stays as it was then.
std::shared_ptr<World> gf_installWorldFile(const std::filesystem::path& file, Clock& clock);

// Installs a world for the life of the object (tests).
class WorldInstallation {
public:
    explicit WorldInstallation(std::shared_ptr<World> world) { gf_installWorld(std::move(world)); }
    ~WorldInstallation() { gf_uninstallWorld(); }
    WorldInstallation(const WorldInstallation&) = delete;
    WorldInstallation& operator=(const WorldInstallation&) = delete;
};

} // namespace skyloom::simworld

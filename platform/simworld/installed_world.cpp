#include "platform/simworld/installed_world.h"

#include <mutex>
#include <stdexcept>

#include "platform/simworld/world_file.h"

namespace skyloom::simworld {

namespace {

std::mutex g_installedMutex;
std::shared_ptr<World> g_installed;

} // namespace

void gf_installWorld(std::shared_ptr<World> world) {
    std::lock_guard lock(g_installedMutex);
    g_installed = std::move(world);
}

void gf_uninstallWorld() {
    gf_installWorld(nullptr);
}

std::shared_ptr<World> gf_installedWorld() {
    std::lock_guard lock(g_installedMutex);
    return g_installed;
}

std::shared_ptr<World> gf_installWorldFile(const std::filesystem::path& file, Clock& clock) {
    WorldSetup setup = gf_loadWorldFile(file);
    std::shared_ptr<World> world;
    try {
        world = std::make_shared<World>(std::move(setup), clock);
    } catch (const std::invalid_argument& e) {
        throw WorldFileError(file.string() + ": " + e.what());
    }
    gf_installWorld(world);
    return world;
}

} // namespace skyloom::simworld

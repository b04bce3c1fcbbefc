// The HANDLE values SimConnect_Open hands out: each names one connection of one world. A
// handle is never given out twice in a process, so a closed or foreign handle is recognised
// and refused rather than reaching another connection.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "platform/simconnect/win_types.h"
#include "platform/simworld/world.h"

namespace skyloom::simworld {

struct ResolvedHandle {
    std::shared_ptr<World> world;
    std::uint32_t connection = 0;
};

HANDLE gf_registerConnectionHandle(std::shared_ptr<World> world, std::uint32_t connection);
std::optional<ResolvedHandle> gf_resolveConnectionHandle(HANDLE handle);
void gf_forgetConnectionHandle(HANDLE handle);

} // namespace skyloom::simworld

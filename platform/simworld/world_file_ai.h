// The AI sections of a world file: "liveries", the installed livery titles that AI creates
// may name, and "aiObjects", how the world answers and moves the AI objects (docs/simworld.md).
#pragma once

#include <vector>

#include "platform/simworld/ai_object_setup.h"
#include "platform/simworld/world_file_node.h"

namespace skyloom::simworld {

std::vector<LiverySetup> gf_readLiveries(const WorldFileNode& node);
AiObjectsSetup gf_readAiObjects(const WorldFileNode& node);

} // namespace skyloom::simworld

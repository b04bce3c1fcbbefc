#include "traffic/step/traffic_tick.h"

namespace skyloom {

std::atomic<std::uint32_t> g_trafficTick{0};

} // namespace skyloom

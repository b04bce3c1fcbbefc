// `g_trafficTick`: the clock of the live traffic, one tick per 10 ms traffic step. Only the
// main worker advances it; the feed reads it to time the entries it posts.
#pragma once

#include <atomic>
#include <cstdint>

namespace skyloom {

extern std::atomic<std::uint32_t> g_trafficTick;

} // namespace skyloom

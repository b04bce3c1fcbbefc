// How the readers' memories of hex ids stay bounded: a flood of made-up hex ids must not grow
// them for good, so past a limit the older half of what they remember goes.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <vector>

namespace skyloom {

// Erases from `map` the items whose order (`orderOf(value)`, larger is newer) lies below the
// median order; returns how many went.
template <class Map, class OrderOf> std::size_t gf_forgetOlderHalf(Map& map, OrderOf orderOf) {
    std::vector<std::uint64_t> orders;
    orders.reserve(map.size());
    for (const auto& item : map) {
        orders.push_back(orderOf(item.second));
    }
    if (orders.empty()) {
        return 0;
    }
    const auto middle = orders.begin() + static_cast<std::ptrdiff_t>(orders.size() / 2);
    std::nth_element(orders.begin(), middle, orders.end());
    const std::uint64_t oldest = *middle;
    return std::erase_if(map, [&](const auto& item) { return orderOf(item.second) < oldest; });
}

} // namespace skyloom

#include "runtime/current_day_slot.h"

#include <atomic>

#include "foundation/program_clock.h"

namespace skyloom {
namespace {

std::atomic<std::uint64_t> g_currentDaySlot{0};

} // namespace

std::uint64_t gf_currentDaySlot() noexcept {
    return g_currentDaySlot.load();
}

void gf_refreshCurrentDaySlot() {
    g_currentDaySlot.store(gf_weekdayAndSlot());
}

void gf_clearCurrentDaySlot() noexcept {
    g_currentDaySlot.store(0);
}

} // namespace skyloom

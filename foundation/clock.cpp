#include "foundation/clock.h"

#include <atomic>
#include <thread>

namespace skyloom {

Clock::SteadyTime RealClock::steadyNow() const { return std::chrono::steady_clock::now(); }

Clock::UtcTime RealClock::utcNow() const { return std::chrono::system_clock::now(); }

void RealClock::sleepUntil(SteadyTime until) { std::this_thread::sleep_until(until); }

namespace {

RealClock g_realClock;
std::atomic<Clock*> g_installedClock{nullptr};

} // namespace

Clock& gf_clock() {
    Clock* c = g_installedClock.load(std::memory_order_acquire);
    return c != nullptr ? *c : g_realClock;
}

void gf_setClock(Clock* clock) { g_installedClock.store(clock, std::memory_order_release); }

} // namespace skyloom

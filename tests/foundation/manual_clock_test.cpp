#include "foundation/manual_clock.h"

#include <atomic>
#include <thread>

#include <gtest/gtest.h>

namespace skyloom {
namespace {

using namespace std::chrono_literals;

TEST(ManualClock, SleepInAdvanceModeJumpsBothTimes) {
    ManualClock clock;
    const auto steady0 = clock.steadyNow();
    const auto utc0 = clock.utcNow();
    for (int i = 0; i < 1000; ++i) {
        clock.sleepFor(10ms);
    }
    EXPECT_EQ(clock.steadyNow() - steady0, 10s);
    EXPECT_EQ(clock.utcNow() - utc0, 10s);
    EXPECT_EQ(clock.sleepCount(), 1000u);
    // A wake-up time in the past does not move the clock.
    clock.sleepUntil(steady0);
    EXPECT_EQ(clock.steadyNow() - steady0, 10s);
}

TEST(ManualClock, SetUtcLeavesSteadyTimeAlone) {
    ManualClock clock;
    const auto steady0 = clock.steadyNow();
    clock.setUtc(ManualClock::utcTime(2030, 1, 1));
    EXPECT_EQ(clock.steadyNow(), steady0);
    EXPECT_EQ(clock.utcNow(), ManualClock::utcTime(2030, 1, 1));
    clock.advance(-5s);
    EXPECT_EQ(clock.steadyNow(), steady0);
}

TEST(ManualClock, SleepInWaitModeBlocksUntilAnotherThreadAdvances) {
    ManualClock clock(ManualClock::defaultStart(), ManualClock::SleepMode::wait);
    const auto wake = clock.steadyNow() + 30s;
    std::atomic<bool> woke{false};
    std::thread sleeper([&] {
        clock.sleepUntil(wake);
        woke = true;
    });
    while (clock.sleepCount() == 0) {
        std::this_thread::yield();
    }
    clock.advance(29s);
    EXPECT_FALSE(woke.load());
    clock.advance(1s);
    sleeper.join();
    EXPECT_TRUE(woke.load());
    EXPECT_EQ(clock.steadyNow(), wake);
}

TEST(Clock, ProgramWideClockCanBeReplacedAndRestored) {
    ManualClock manual(ManualClock::utcTime(2001, 9, 9));
    gf_setClock(&manual);
    EXPECT_EQ(gf_clock().utcNow(), ManualClock::utcTime(2001, 9, 9));
    gf_setClock(nullptr);
    EXPECT_GT(gf_clock().utcNow(), ManualClock::utcTime(2020, 1, 1));
}

} // namespace
} // namespace skyloom

#include "foundation/program_clock.h"

#include <gtest/gtest.h>

#include "foundation/manual_clock.h"
#include "foundation/time_text.h"

namespace skyloom {
namespace {

class ProgramClockTest : public ::testing::Test {
protected:
    void SetUp() override { gf_setClock(&clock_); }
    void TearDown() override {
        gf_setClock(nullptr);
        g_timeShiftActive = false;
        g_timeShiftMinutes = 0;
    }
    ManualClock clock_;
};

struct SlotCase {
    int year;
    unsigned month;
    unsigned day;
    int h;
    int m;
    int s;
    int weekday;
    int slot;
};

TEST_F(ProgramClockTest, WeekdayAndSlotAtTheirBoundaries) {
    const SlotCase cases[] = {
        // 2026-12-07 is a Monday.
        {2026, 12, 7, 0, 0, 0, 1, 0},
        {2026, 12, 7, 10, 29, 29, 1, 20},
        {2026, 12, 7, 10, 29, 30, 1, 21},
        {2026, 12, 7, 10, 59, 29, 1, 21},
        {2026, 12, 7, 10, 59, 30, 1, 22},
        {2026, 12, 7, 23, 29, 30, 1, 47},
        {2026, 12, 7, 23, 59, 29, 1, 47},
        // The week ends: Sunday's last 30 s already belong to Monday's first slot.
        {2026, 12, 13, 23, 59, 29, 7, 47},
        {2026, 12, 13, 23, 59, 30, 1, 0},
        {2026, 12, 14, 0, 0, 0, 1, 0},
        // Leap day and year end.
        {2028, 2, 28, 23, 59, 30, 2, 0},
        {2028, 2, 29, 12, 0, 0, 2, 24},
        {2026, 12, 31, 23, 59, 45, 5, 0},
    };
    for (const auto& c : cases) {
        clock_.setUtc(ManualClock::utcTime(c.year, c.month, c.day, c.h, c.m, c.s));
        const auto parts = gf_unpackDaySlot(gf_weekdayAndSlot());
        EXPECT_EQ(parts.weekday, c.weekday)
            << c.year << "-" << c.month << "-" << c.day << " " << c.h << ":" << c.m << ":" << c.s;
        EXPECT_EQ(parts.slot, c.slot)
            << c.year << "-" << c.month << "-" << c.day << " " << c.h << ":" << c.m << ":" << c.s;
    }
}

TEST_F(ProgramClockTest, PackingPutsTheWeekdayLowAndTheSlotHigh) {
    const auto packed = gf_packDaySlot({7, 47});
    EXPECT_EQ(packed & 0xFFFFFFFFu, 7u);
    EXPECT_EQ(packed >> 32, 47u);
    const auto back = gf_unpackDaySlot(packed);
    EXPECT_EQ(back.weekday, 7);
    EXPECT_EQ(back.slot, 47);
    EXPECT_EQ(gf_unpackDaySlot(gf_packDaySlot({-1, 0})).weekday, -1);
}

TEST_F(ProgramClockTest, TimeShiftMovesTheProgramClockOnlyWhileActive) {
    clock_.setUtc(ManualClock::utcTime(2026, 12, 7, 0, 10, 0)); // Monday
    g_timeShiftMinutes = 30;
    EXPECT_EQ(gf_programTimeText(), "00:10:00");
    g_timeShiftActive = true;
    EXPECT_EQ(gf_programTimeText(), "<<< 23:40:00");
    EXPECT_EQ(gf_programTimeTextShort(), "<<< 23:40");
    // The shifted clock is still on Sunday.
    EXPECT_EQ(gf_unpackDaySlot(gf_weekdayAndSlot()).weekday, 7);
    EXPECT_EQ(gf_unpackDaySlot(gf_weekdayAndSlot()).slot, 47);
    // The UTC texts ignore the shift.
    EXPECT_EQ(gf_timeText(), "00:10:00");
}

TEST_F(ProgramClockTest, ClockTexts) {
    clock_.setUtc(ManualClock::utcTime(2024, 2, 29, 9, 5, 7));
    EXPECT_EQ(gf_timeText(), "09:05:07");
    EXPECT_EQ(gf_dateTimeText(), "29 Feb 2024 09:05Z");
    EXPECT_EQ(gf_programTimeTextShort(), "09:05");
    EXPECT_EQ(gf_dateTimeTextOf(Clock::UtcTime{} - std::chrono::seconds{1}), "Invalid time");
    EXPECT_EQ(gf_timeTextOf(Clock::UtcTime{} - std::chrono::seconds{1}), "??:??:??");
}

TEST(WeekdayName, NamesOneToSevenAndMarksTheRest) {
    EXPECT_EQ(gf_weekdayName(1), "Mon");
    EXPECT_EQ(gf_weekdayName(4), "Thu");
    EXPECT_EQ(gf_weekdayName(7), "Sun");
    EXPECT_EQ(gf_weekdayName(0), "???");
    EXPECT_EQ(gf_weekdayName(8), "???");
    EXPECT_EQ(gf_weekdayName(-1), "???");
}

} // namespace
} // namespace skyloom

namespace skyloom {
namespace {

TEST(DaySlot, ATimeBeforeTheEpochHasNoWeekday) {
    const auto parts = gf_daySlotOf(Clock::UtcTime{} - std::chrono::hours{1});
    EXPECT_EQ(parts.weekday, -1);
    EXPECT_EQ(parts.slot, 0);
}

} // namespace
} // namespace skyloom

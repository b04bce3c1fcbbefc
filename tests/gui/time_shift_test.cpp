// The time shift as the user sets it with "Set", and as the program takes it from the
// simulator's clock: where it lands (the program clock's weekday and slot, the web API's
// offset, the three combo boxes), what the status line says, and when the run restarts.
#include "gui/time_shift.h"

#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "feed/rtapi_time_shift.h"
#include "foundation/program_clock.h"
#include "platform/winui/input.h"
#include "tests/gui/support/main_window_fixture.h"
#include "tests/support/recording_window_sink.h"

namespace skyloom::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class TimeShiftTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        // A Monday, ten minutes into the week.
        clock_.setUtc(ManualClock::utcTime(2026, 12, 7, 0, 10, 0));
        gui_.setAppliedUpdateObserver([this](const GuiUpdate& update, GuiRedrawFlags) {
            if (const auto* status = update.get<GuiUpdate::StatusText>()) {
                statusLines_.push_back(status->text);
            }
        });
    }
    void TearDown() override {
        g_timeShiftActive = false;
        g_timeShiftMinutes = 0;
        gf_setRtApiTimeShift(0);
        MainWindowTest::TearDown();
    }
    std::vector<std::int32_t> combos() const {
        return {parameters_.TIME_SHIFT_DAYS.value(), parameters_.TIME_SHIFT_HOURS.value(),
                parameters_.TIME_SHIFT_MINS.value()};
    }
    std::vector<std::string> statusLines_;
};

struct SetCase {
    std::vector<std::int32_t> combos; // days, hours, minutes
    bool activeBefore;
    std::int32_t minutes;
    std::string status;
    bool restarts;
    DaySlotParts programDay;
};

TEST_F(TimeShiftTest, SetShiftsTheProgramClockAndTheFeedUpToTwoWeeks) {
    const SetCase cases[] = {
        // Back across the week's end: Sunday 23:50, the last slot of the week.
        {{0, 0, 20}, false, 20, "Time shifted 20 minutes", true, {7, 47}},
        {{0, 0, 1}, false, 1, "Time shifted 1 minute", true, {1, 0}},
        {{0, 0, 0}, false, 0, "Time shift = 0", false, {1, 0}},
        {{0, 0, 0}, true, 0, "Time shifted 0 minutes", true, {1, 0}},
        {{1, 2, 0}, false, 1560, "Time shifted 1560 minutes", true, {6, 44}},
        // The longest shift the combo boxes give short of the limit, the limit, and beyond.
        {{13, 23, 59}, false, 20159, "Time shifted 20159 minutes", true, {1, 0}},
        {{14, 0, 0}, false, 20160, "Time shifted 20160 minutes", true, {1, 0}},
        {{14, 23, 59}, false, 20160, "Time shifted 20160 minutes", true, {1, 0}},
    };
    ASSERT_NE(open(), nullptr);
    for (const SetCase& c : cases) {
        const std::string label = fmt::format("{} minutes", c.minutes);
        g_timeShiftActive = c.activeBefore;
        statusLines_.clear();
        run_.newSettingsCountdowns.clear();
        parameters_.TIME_SHIFT_DAYS.setValue(c.combos[0]);
        parameters_.TIME_SHIFT_HOURS.setValue(c.combos[1]);
        parameters_.TIME_SHIFT_MINS.setValue(c.combos[2]);
        parameters_.applySettings(parameters_.TIME_SHIFT_DAYS);
        parameters_.setButton.enable(true);
        pump();

        winui::injectClickInWindow(parameters_.setButton.window(), winui::POINT{4, 4});
        pump();

        EXPECT_EQ(g_timeShiftActive.load(), c.minutes > 0) << label;
        EXPECT_EQ(g_timeShiftMinutes.load(), c.minutes) << label;
        EXPECT_EQ(g_rtApiTrafficTimeShiftMinutes.load(), c.minutes) << label;
        EXPECT_EQ(g_rtApiMetarTimeShiftMinutes.load(), c.minutes) << label;
        EXPECT_THAT(statusLines_, ElementsAre(c.status)) << label;
        EXPECT_EQ(run_.newSettingsCountdowns,
                  c.restarts ? std::vector<std::int32_t>{0} : std::vector<std::int32_t>{})
            << label;
        const DaySlotParts day = gf_unpackDaySlot(gf_weekdayAndSlot());
        EXPECT_EQ(day.weekday, c.programDay.weekday) << label;
        EXPECT_EQ(day.slot, c.programDay.slot) << label;
        EXPECT_EQ(combos(), c.combos) << label << ": the combo boxes keep the user's choice";
        EXPECT_FALSE(parameters_.setButton.isEnabled()) << label;
    }
}

TEST_F(TimeShiftTest, TheSimulatorClockGivesTheShiftOncePerRunAndNeverBeyondTwoWeeks) {
    RecordingWindowSink window;
    int restarts = 0;
    const TimeShiftLinks links{parameters_, window, [&restarts] { ++restarts; }};
    const std::int64_t now = 1'796'602'200; // the fixture's clock, 2026-12-07 00:10 UTC
    const std::int64_t day = 86'400;
    SimTimeFollower follower;

    // Ahead of real time: a shift of 0, which the first check leaves alone.
    follower.follow(links, {true, now + 3600}, now, true);
    EXPECT_FALSE(g_timeShiftActive.load());
    EXPECT_THAT(window.updates(), IsEmpty());

    // 15 days behind: limited to two weeks, applied at once, shown in the combo boxes.
    follower.follow(links, {true, now - 15 * day}, now, true);
    EXPECT_TRUE(g_timeShiftActive.load());
    EXPECT_EQ(g_timeShiftMinutes.load(), kMaxTimeShiftMinutes);
    EXPECT_EQ(g_rtApiTrafficTimeShiftMinutes.load(), kMaxTimeShiftMinutes);
    EXPECT_EQ(combos(), (std::vector<std::int32_t>{14, 0, 0}));
    EXPECT_EQ(savedValue("TIME_SHIFT_DAYS"), "14");
    EXPECT_EQ(parameters_.settings()->TIME_SHIFT_DAYS, 14);
    EXPECT_THAT(logLines(),
                ::testing::Contains(::testing::HasSubstr("time shift is limited to 2 weeks !")));
    EXPECT_EQ(restarts, 0);

    // Less than 30 s later on the simulator's clock: the same clock.
    const std::size_t shown = window.updates().size();
    follower.follow(links, {true, now - 15 * day + 29}, now + 29, true);
    EXPECT_EQ(window.updates().size(), shown);

    // A jump after the first shift restarts the run, which takes the shift afresh.
    follower.follow(links, {true, now - 2 * day}, now, true);
    EXPECT_EQ(restarts, 1);
    EXPECT_FALSE(g_timeShiftActive.load());
    EXPECT_EQ(combos(), (std::vector<std::int32_t>{2, 0, 0}));
}

TEST_F(TimeShiftTest, OnTheAppRoadTheSimulatorClockOnlyShowsTheShift) {
    RecordingWindowSink window;
    const TimeShiftLinks links{parameters_, window, {}};
    const std::int64_t now = 1'796'602'200;
    SimTimeFollower follower;
    follower.follow(links, {true, now - 90 * 60}, now, false);
    EXPECT_TRUE(g_timeShiftActive.load());
    EXPECT_EQ(g_timeShiftMinutes.load(), 0);
    EXPECT_EQ(combos(), (std::vector<std::int32_t>{0, 0, 0}));
    const auto lines = window.payloads<GuiUpdate::StatusText>();
    ASSERT_EQ(lines.size(), 1U);
    EXPECT_EQ(lines.front().text, "Time shifted 90 minutes");
}

} // namespace
} // namespace skyloom::testing

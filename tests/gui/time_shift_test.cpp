// The time shift set with "Set" and taken from the simulator's clock: where it lands (the
// program clock's weekday and slot, the web API's offset, the combo boxes), what the status
// line says, and when the run restarts.
#include "gui/time_shift.h"

#include <algorithm>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "config/startup_choices.h"
#include "feed/rtapi_time_shift.h"
#include "foundation/program_clock.h"
#include "foundation/utf.h"
#include "platform/winui/input.h"
#include "platform/winui/message_loop.h"
#include "platform/winui/messages.h"
#include "tests/gui/support/main_window_fixture.h"
#include "tests/support/recording_window_sink.h"

namespace skyloom::testing {
namespace {

using Minutes = std::vector<std::int32_t>;

constexpr std::int64_t kNow = 1'796'602'200; // Monday 2026-12-07 00:10 UTC
constexpr std::int64_t kDay = 86'400;

class TimeShiftTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        clock_.setUtc(ManualClock::utcTime(2026, 12, 7, 0, 10, 0));
    }
    void TearDown() override {
        g_timeShiftActive = false;
        g_timeShiftMinutes = 0;
        gf_setRtApiTimeShift(0);
        MainWindowTest::TearDown();
    }
    Minutes combos() const {
        const ProgramParameters& p = parameters_;
        return {p.TIME_SHIFT_DAYS.value(), p.TIME_SHIFT_HOURS.value(), p.TIME_SHIFT_MINS.value()};
    }
    static std::string lastStatus(const RecordingWindowSink& window) {
        return window.payloads<GuiUpdate::StatusText>().back().text;
    }
};

struct SetCase {
    Minutes combos; // days, hours, minutes
    bool activeBefore;
    std::int32_t minutes;
    std::string status;
    DaySlotParts programDay;
};

TEST_F(TimeShiftTest, SetShiftsTheProgramClockAndTheFeedUpToTwoWeeks) {
    const SetCase cases[] = {
        // Back across the week's end: Sunday 23:50, the last slot of the week.
        {{0, 0, 20}, false, 20, "Time shifted 20 minutes", {7, 47}},
        {{0, 0, 1}, false, 1, "Time shifted 1 minute", {1, 0}},
        {{0, 0, 0}, false, 0, "Time shift = 0", {1, 0}},
        {{0, 0, 0}, true, 0, "Time shifted 0 minutes", {1, 0}},
        // The longest the combo boxes hold, one minute short of two weeks.
        {{13, 23, 59}, false, 20159, "Time shifted 20159 minutes", {1, 0}},
    };
    std::string shown;
    gui_.setAppliedUpdateObserver([&shown](const GuiUpdate& update, GuiRedrawFlags) {
        if (const auto* status = update.get<GuiUpdate::StatusText>()) {
            shown += status->text;
        }
    });
    ASSERT_NE(open(), nullptr);
    for (const SetCase& c : cases) {
        g_timeShiftActive = c.activeBefore;
        shown.clear();
        run_.newSettingsCountdowns.clear();
        ProgramParameters& p = parameters_;
        p.TIME_SHIFT_DAYS.setValue(c.combos[0]);
        p.TIME_SHIFT_HOURS.setValue(c.combos[1]);
        p.TIME_SHIFT_MINS.setValue(c.combos[2]);
        p.applySettings(p.TIME_SHIFT_DAYS);
        p.setButton.enable(true);
        winui::injectClickInWindow(p.setButton.window(), winui::POINT{4, 4});
        pump();

        EXPECT_EQ(shown, c.status);
        EXPECT_EQ(g_timeShiftActive.load(), c.minutes > 0) << c.status;
        EXPECT_EQ(g_timeShiftMinutes.load(), c.minutes) << c.status;
        EXPECT_EQ(g_rtApiTrafficTimeShiftMinutes.load(), c.minutes) << c.status;
        EXPECT_EQ(g_rtApiMetarTimeShiftMinutes.load(), c.minutes) << c.status;
        const bool restarts = c.minutes > 0 || c.activeBefore;
        EXPECT_EQ(run_.newSettingsCountdowns, restarts ? Minutes{0} : Minutes{}) << c.status;
        const DaySlotParts day = gf_unpackDaySlot(gf_weekdayAndSlot());
        EXPECT_EQ(Minutes({day.weekday, day.slot}),
                  Minutes({c.programDay.weekday, c.programDay.slot}))
            << c.status;
    }
}

// As the user chooses it: the last item of each combo box (the days end at 13), then "Set".
// What the combo boxes show, what parameters.xml keeps and the shift in force are one shift,
// one minute short of two weeks, and the run restarts with it.
TEST_F(TimeShiftTest, TheLastItemsOfTheCombosAreTheShiftSetPutsInForce) {
    ASSERT_TRUE(gf_isRtDirect()); // the time-shift combo boxes act on the web API's road
    ASSERT_NE(open(), nullptr);
    ProgramParameters& p = parameters_;
    const auto shownText = [](winui::HWND combo, winui::LRESULT index) {
        const winui::LRESULT length = winui::SendMessageW(combo, winui::CB_GETLBTEXTLEN,
                                                          static_cast<winui::WPARAM>(index), 0);
        std::u16string text(static_cast<std::size_t>(std::max<winui::LRESULT>(length, 0)) + 1,
                            u'\0');
        winui::SendMessageW(combo, winui::CB_GETLBTEXT, static_cast<winui::WPARAM>(index),
                            reinterpret_cast<winui::LPARAM>(text.data()));
        text.resize(static_cast<std::size_t>(std::max<winui::LRESULT>(length, 0)));
        return wide_to_utf8(text);
    };
    std::vector<std::string> shown;
    for (IntListParameter* combo : {&p.TIME_SHIFT_DAYS, &p.TIME_SHIFT_HOURS, &p.TIME_SHIFT_MINS}) {
        winui::injectClickInWindow(combo->window(), winui::POINT{10, 8});
        pump();
        winui::injectKey(winui::VK_END);
        winui::injectKey(winui::VK_RETURN);
        pump();
        const winui::LRESULT selected =
            winui::SendMessageW(combo->window(), winui::CB_GETCURSEL, 0, 0);
        EXPECT_EQ(selected + 1, winui::SendMessageW(combo->window(), winui::CB_GETCOUNT, 0, 0))
            << combo->name();
        shown.push_back(shownText(combo->window(), selected));
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"13", "23", "59"}));
    EXPECT_EQ(shownText(p.TIME_SHIFT_DAYS.window(), 0), "0");
    ASSERT_TRUE(p.setButton.isEnabled());

    winui::injectClickInWindow(p.setButton.window(), winui::POINT{4, 4});
    pump();
    constexpr std::int32_t kShown = (13 * 24 + 23) * 60 + 59;
    EXPECT_EQ(g_timeShiftMinutes.load(), kShown);
    EXPECT_EQ(g_rtApiTrafficTimeShiftMinutes.load(), kShown);
    EXPECT_EQ(gf_timeShiftMinutesOf(*p.settings()), kShown);
    EXPECT_EQ(savedValue("TIME_SHIFT_DAYS"), "13");
    EXPECT_EQ(savedValue("TIME_SHIFT_HOURS"), "23");
    EXPECT_EQ(savedValue("TIME_SHIFT_MINS"), "59");
    EXPECT_THAT(logLines(),
                ::testing::Contains(::testing::HasSubstr("Time shifted 20159 minutes")));
    EXPECT_EQ(run_.newSettingsCountdowns, Minutes{0});
}

TEST_F(TimeShiftTest, TheSimulatorClockGivesTheShiftOncePerRunAndNeverBeyondTwoWeeks) {
    RecordingWindowSink window;
    int restarts = 0;
    const TimeShiftLinks links{parameters_, window, [&restarts] { ++restarts; }};
    SimTimeFollower follower;
    // Ahead of real time: a shift of 0, which the first check leaves alone.
    follower.follow(links, {true, kNow + 3600}, kNow, true);
    EXPECT_FALSE(g_timeShiftActive.load());

    // 15 days behind: limited to the longest shift the combo boxes hold (one minute short of
    // two weeks), applied at once, and what they show is what is in force.
    follower.follow(links, {true, kNow - 15 * kDay}, kNow, true);
    EXPECT_TRUE(g_timeShiftActive.load());
    EXPECT_EQ(g_timeShiftMinutes.load(), 20159);
    EXPECT_EQ(g_rtApiTrafficTimeShiftMinutes.load(), 20159);
    EXPECT_EQ(combos(), (Minutes{13, 23, 59}));
    EXPECT_EQ(savedValue("TIME_SHIFT_DAYS"), "13");
    EXPECT_EQ(savedValue("TIME_SHIFT_MINS"), "59");
    EXPECT_EQ(gf_timeShiftMinutesOf(*parameters_.settings()), g_timeShiftMinutes.load());
    EXPECT_EQ(lastStatus(window), "Time shifted 20159 minutes");
    EXPECT_THAT(logLines(),
                ::testing::Contains(::testing::HasSubstr("time shift is limited to 2 weeks !")));

    // Less than 30 s later on the simulator's clock: the same clock. A jump restarts the run,
    // which takes the shift afresh.
    follower.follow(links, {true, kNow - 15 * kDay + 29}, kNow + 29, true);
    EXPECT_EQ(restarts, 0);
    follower.follow(links, {true, kNow - 2 * kDay}, kNow, true);
    EXPECT_EQ(restarts, 1);
    EXPECT_FALSE(g_timeShiftActive.load());
    EXPECT_EQ(combos(), (Minutes{2, 0, 0}));

    // On the App's road the App follows the simulator: the program only shows the shift.
    g_timeShiftMinutes = 0;
    SimTimeFollower appFollower;
    appFollower.follow(links, {true, kNow - 90 * 60}, kNow, false);
    EXPECT_TRUE(g_timeShiftActive.load());
    EXPECT_EQ(g_timeShiftMinutes.load(), 0);
    EXPECT_EQ(combos(), (Minutes{2, 0, 0}));
    EXPECT_EQ(lastStatus(window), "Time shifted 90 minutes");
}

// The start-up enables the time-shift controls on the web API's road; on the App's road, where
// the App keeps the time, they are disabled and the section greyed (update kind 34).
TEST_F(TimeShiftTest, TheTimeShiftControlsApplyOnTheWebApiRoadOnly) {
    ASSERT_NE(open(), nullptr);
    ProgramParameters& p = parameters_;
    const std::vector<const OptionControl*> section{&p.TIME_SHIFT_DAYS, &p.TIME_SHIFT_HOURS,
                                                    &p.TIME_SHIFT_MINS, &p.setButton,
                                                    &p.SIM_TIME,        &p.KEEP_SIM_TIME_PAR};
    for (const bool rtDirect : {false, true}) {
        gui_.enqueueUpdate(GuiUpdate::Reset{}); // as before every start
        RecordingWindowSink window;
        gf_applyTimeShiftControls(p, window, rtDirect);
        for (const OptionControl* control : section) {
            EXPECT_EQ(control->isEnabled(), rtDirect) << control->controlId();
        }
        EXPECT_EQ(window.payloads<GuiUpdate::TimeShiftControlsDisabled>().size(),
                  rtDirect ? 0u : 1u);
        for (GuiUpdate update : window.updates()) {
            gui_.enqueueUpdate(std::move(update));
        }
        EXPECT_EQ(gui_.state().timeShiftEnabled, rtDirect);
    }
}

} // namespace
} // namespace skyloom::testing

// The option controls as each start leaves them, through the function the program's start-up
// calls: the time-shift section by road (greyed on the App's road, update kind 34), the
// AI-package choice by the livery scan mode, and "Block", "Unblock" and the aircraft list by the
// saved block.
#include "gui/startup_controls.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/gui/support/main_window_fixture.h"

namespace skyloom::testing {
namespace {

using StartupControlsTest = MainWindowTest;

TEST_F(StartupControlsTest, EachStartSetsTheControlsByRoadLiveryScanModeAndSavedBlock) {
    ASSERT_NE(open(), nullptr);
    ProgramParameters& p = parameters_;
    const std::vector<const OptionControl*> timeShiftSection{
        &p.TIME_SHIFT_DAYS, &p.TIME_SHIFT_HOURS, &p.TIME_SHIFT_MINS,
        &p.setButton,       &p.SIM_TIME,         &p.KEEP_SIM_TIME_PAR};
    const struct {
        bool rtDirect;
        bool automatic;
        std::string savedBlock;
    } cases[] = {
        {false, true, ""},
        {true, false, "DAL123,N123DL,a1b2c3,A321"},
        {true, true, ""},
        {false, false, "DAL123,N123DL,a1b2c3,A321"},
    };
    for (const auto& c : cases) {
        const std::string label = (c.rtDirect ? "web API, " : "App, ") +
                                  std::string(c.automatic ? "automatic" : "manual") +
                                  (c.savedBlock.empty() ? "" : ", blocked");
        gui_.enqueueUpdate(GuiUpdate::Reset{}); // as before every start
        p.LIG_AUTOMATIC.setValue(c.automatic);
        p.BLOCK_AIRCRAFT.setValue(c.savedBlock);
        // What an earlier run may have left: a livery scan closes the package choice.
        p.AI_PACKAGE_SELECTOR.enable(!c.automatic);

        gf_applyStartupControls(gui_, p, run_.user, c.rtDirect);
        pump();

        for (const OptionControl* control : timeShiftSection) {
            EXPECT_EQ(control->isEnabled(), c.rtDirect) << label << ": " << control->controlId();
        }
        EXPECT_EQ(gui_.state().timeShiftEnabled, c.rtDirect) << label;
        EXPECT_EQ(p.AI_PACKAGE_SELECTOR.isEnabled(), c.automatic) << label;
        const bool blocked = !c.savedBlock.empty();
        EXPECT_FALSE(p.blockButton.isEnabled()) << label;
        EXPECT_EQ(p.unblockButton.isEnabled(), blocked) << label;
        EXPECT_EQ(p.aircraftButton.isEnabled(), !blocked) << label;
    }
}

} // namespace
} // namespace skyloom::testing

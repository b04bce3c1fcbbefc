// "Block" and "Unblock" pushed in the window: the block reaches the live traffic through the
// settings snapshot and the block-applied request and is kept in parameters.xml; "Unblock"
// takes it back and leaves the aircraft selector empty.
#include "gui/block_commands.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "config/option_parameters.h"
#include "platform/winui/input.h"
#include "tests/gui/support/main_window_fixture.h"

namespace skyloom::testing {
namespace {

struct BlockCase {
    std::string selected;
    BlockSettings block; // what the live traffic reads afterwards
    std::string status;
};

class BlockTest : public MainWindowTest {
protected:
    void push(const OptionButton& button) {
        winui::injectClickInWindow(button.window(), winui::POINT{4, 4});
        pump();
    }
    // "Block", "Unblock", "Aircraft", the aircraft and the all/air/ground selectors.
    std::vector<bool> enabled() const {
        const ProgramParameters& p = parameters_;
        return {p.blockButton.isEnabled(), p.unblockButton.isEnabled(),
                p.aircraftButton.isEnabled(), p.AIRCRAFT_SELECTOR.isEnabled(),
                p.ALL_AIR_GND_SELECTOR.isEnabled()};
    }
};

TEST_F(BlockTest, BlockReachesTheTrafficAndUnblockTakesItBack) {
    const BlockCase cases[] = {
        {"DAL123,N123DL,a1b2c3,A321",
         {"DAL123,N123DL,a1b2c3,A321", "DAL123", "N123DL", 0xa1b2c3, false},
         "Aircraft with callsign: DAL123, regcode: N123DL and hexid: a1b2c3 is blocked"},
        // A ghost's callsign, and a hex id beyond 24 bits kept at the largest.
        {"DAL123_,N123DL,1FFFFFFF,A321",
         {"DAL123_,N123DL,1FFFFFFF,A321", "DAL123_", "N123DL", 16777215, true},
         "Aircraft with callsign: DAL123_, regcode: N123DL and hexid: 1fffffff is blocked"},
        // Not an aircraft of the list: nothing is blocked, nothing said.
        {"DAL123 N123DL", {}, ""},
    };
    std::string shown;
    gui_.setAppliedUpdateObserver([&shown](const GuiUpdate& update, GuiRedrawFlags) {
        if (const auto* status = update.get<GuiUpdate::StatusText>()) {
            shown = status->text;
        }
    });
    ASSERT_NE(open(), nullptr);
    for (const BlockCase& c : cases) {
        shown.clear();
        run_.requests_.clear();
        parameters_.AIRCRAFT_SELECTOR.setItems({"select an aircraft", c.selected});
        parameters_.AIRCRAFT_SELECTOR.setCurrent(c.selected);
        parameters_.blockButton.enable(true);
        push(parameters_.blockButton);

        const bool blocked = !c.block.BLOCK_AIRCRAFT.empty();
        EXPECT_EQ(parameters_.settings()->block, c.block) << c.selected;
        EXPECT_EQ(savedValue("BLOCK_AIRCRAFT").value_or(""), c.block.BLOCK_AIRCRAFT);
        EXPECT_EQ(run_.requests_.blockApplied.load(), blocked) << c.selected;
        EXPECT_EQ(shown, c.status);
        if (!blocked) {
            continue;
        }
        EXPECT_EQ(savedValue("BLOCK_HEXIDDEC"), std::to_string(c.block.BLOCK_HEXIDDEC));
        EXPECT_EQ(enabled(), (std::vector<bool>{false, true, false, false, false}));

        push(parameters_.unblockButton);

        EXPECT_EQ(parameters_.settings()->block, BlockSettings{}) << c.selected;
        EXPECT_EQ(savedValue("BLOCK_HEXIDDEC"), "0");
        EXPECT_TRUE(run_.requests_.unblockPushed.load());
        EXPECT_EQ(shown, fmt::format("No more blocking of aircraft: cs: {} reg: {} hexid: {:x} ",
                                     c.block.BLOCK_CALLSIGN, c.block.BLOCK_REGCODE,
                                     c.block.BLOCK_HEXIDDEC));
        EXPECT_EQ(parameters_.AIRCRAFT_SELECTOR.items(), std::vector<std::string>{""});
        EXPECT_EQ(parameters_.AIRCRAFT_SELECTOR.current(), "");
        EXPECT_EQ(enabled(), (std::vector<bool>{false, false, true, false, true}));
    }
}

// The worker's list after "Aircraft"; an empty one offers nothing to choose; a block made
// meanwhile keeps its controls.
TEST_F(BlockTest, TheWorkersAircraftListFillsTheSelectorAndBringsAircraftBack) {
    ASSERT_NE(open(), nullptr);
    gf_showSavedBlock(parameters_);
    for (const std::string aircraft : {"SWR1, HB-JLT, 4b1801, oid=1a", ""}) {
        push(parameters_.aircraftButton);
        EXPECT_FALSE(parameters_.aircraftButton.isEnabled());
        gf_showAircraftList(parameters_, aircraft.empty() ? std::vector<std::string>{}
                                                          : std::vector{aircraft});
        EXPECT_EQ(parameters_.AIRCRAFT_SELECTOR.items().back(),
                  aircraft.empty() ? "select an aircraft" : aircraft);
        EXPECT_EQ(enabled(), (std::vector<bool>{false, false, true, !aircraft.empty(), true}));
    }
    parameters_.BLOCK_AIRCRAFT.setValue("DAL123,N123DL,a1b2c3,A321");
    gf_showSavedBlock(parameters_);
    gf_showAircraftList(parameters_, {"SWR1, HB-JLT, 4b1801, oid=1a"});
    EXPECT_FALSE(parameters_.aircraftButton.isEnabled());
}

TEST_F(BlockTest, TheStartUpShowsTheSavedBlock) {
    ASSERT_NE(open(), nullptr);
    for (const bool blocked : {true, false}) {
        parameters_.BLOCK_AIRCRAFT.setValue(blocked ? "DAL123,N123DL,a1b2c3,A321" : "");
        gf_showSavedBlock(parameters_);
        // The aircraft selector waits for "Aircraft" to fill it while nothing is blocked.
        const std::vector<bool> states = enabled();
        EXPECT_EQ((std::vector<bool>{states[0], states[1], states[2], states[4]}),
                  (std::vector<bool>{false, blocked, !blocked, !blocked}));
        EXPECT_TRUE(!blocked || !states[3]);
    }
}

} // namespace
} // namespace skyloom::testing

// The destination typed into its edit box with Enter, and the saved one at start-up: every
// text gets its answer on the status line without an exception; a known code becomes the
// destination and the park airport, and its stands are offered with the reserved one
// preselected. Picking a stand reserves it in the park-airport list.
#include "gui/destination.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "config/option_parameters.h"
#include "foundation/utf.h"
#include "gui/control_text.h"
#include "gui/park_airport_links.h"
#include "platform/winui/input.h"
#include "platform/winui/messages.h"
#include "platform/winui/window_geometry.h"
#include "platform/winui/window_state.h"
#include "refdata/airports.h"
#include "tests/gui/support/main_window_fixture.h"

namespace skyloom::testing {
namespace {

using ::testing::ElementsAre;
using Texts = std::vector<std::string>;

struct DestinationCase {
    std::string saved; // DESTINATION before
    std::string text;  // typed, or (startUp) put into parameters.xml by hand
    bool startUp;
    std::string destination; // DESTINATION after
    std::string status;
    Texts stands; // the stand selector's list afterwards
};

class DestinationTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        gf_setAirports(
            {{IcaoCode("EDDF"), {}, 50.03, 8.57, 364}, {IcaoCode("KJFK"), {}, 40.6, -73.8, 13}});
        // The airport files and the park-airport list, as recording doubles.
        ParkAirportLinks& links = gf_parkAirportLinks();
        links.readApfForStands = [](const IcaoCode& airport) {
            return airport == IcaoCode("EDDF") ? ApfStandList{true, {}, {{"A12", 1}, {"B3", 2}}}
                                               : ApfStandList{false, "no airport file", {}};
        };
        links.findParkAirportName = [](const IcaoCode&) {
            return std::optional<std::string>("B3");
        };
        links.setParkAirportPosition = [this](const IcaoCode& airport, const Lalo&) {
            parkAirports_.push_back(airport.text());
        };
        links.reserveStand = [this](const std::string& airport, const std::string& stand) {
            reserved_.push_back(airport + " " + stand);
            return true;
        };
        gui_.setAppliedUpdateObserver([this](const GuiUpdate& update, GuiRedrawFlags) {
            if (const auto* status = update.get<GuiUpdate::StatusText>()) {
                statusLines_.push_back(status->text);
            }
        });
        ASSERT_NE(open(), nullptr);
        parameters_.DESTINATION.enable(true);
    }
    void TearDown() override {
        gf_parkAirportLinks() = {};
        gf_setAirports({});
        MainWindowTest::TearDown();
    }

    Texts statusLines_;
    Texts parkAirports_;
    Texts reserved_;
};

TEST_F(DestinationTest, EveryTextGetsItsAnswer) {
    const Texts eddfStands{"A12", "B3"};
    const std::string eddfSet = "New destination: EDDF, with reserved stand: B3";
    const DestinationCase cases[] = {
        {"", "EDDF", false, "EDDF", eddfSet, eddfStands},
        {"", "eddf", false, "EDDF", eddfSet, eddfStands},
        {"EDDF", "eddf", false, "EDDF", "destination 'EDDF' was already set ...", {}},
        {"EDDF", "EDD", false, "EDDF", "destination 'EDD' is not valid", {}},
        {"EDDF", "EDDFX", false, "EDDF", "destination 'EDDFX' is not valid", {}},
        {"EDDF", "K@XX", false, "EDDF", "destination 'K@XX' is not valid", {}},
        {"EDDF", "ZZZZ", false, "EDDF", "destination 'ZZZZ' is not supported ...", {}},
        {"",
         "KJFK",
         false,
         "KJFK",
         "New destination: KJFK, failed to read stands, no airport file",
         {}},
        {"EDDF", "", false, "", "destination set to empty", {""}},
        // parameters.xml edited by hand: refused the same way, and kept.
        {"", "K@XX", true, "K@XX", "destination 'K@XX' is not valid", {}},
        {"", "eddf", true, "EDDF", eddfSet, eddfStands},
    };
    const winui::HWND edit = parameters_.DESTINATION.window();
    for (const DestinationCase& c : cases) {
        const std::string label = fmt::format("'{}' after '{}'", c.text, c.saved);
        parameters_.DESTINATION.setValue(c.startUp ? c.text : c.saved);
        parameters_.DESTINATION.publish();
        parameters_.STAND_SELECTOR.clearItems();
        statusLines_.clear();
        parkAirports_.clear();
        if (c.startUp) {
            gf_applySavedDestination(gui_, parameters_);
        } else {
            winui::SetWindowTextW(edit, u"");
            winui::SetFocus(edit);
            winui::injectText(utf8_to_wide(c.text));
            winui::injectKey(winui::VK_RETURN);
        }
        pump();

        EXPECT_EQ(parameters_.DESTINATION.value(), c.destination) << label;
        EXPECT_EQ(savedValue("DESTINATION").value_or(""), c.destination) << label;
        EXPECT_EQ(parameters_.settings()->DESTINATION, c.destination) << label;
        if (!c.startUp) {
            EXPECT_EQ(gf_controlText(window_->window(), parameters_.DESTINATION.controlId()),
                      c.destination)
                << label;
        }
        EXPECT_THAT(statusLines_, ElementsAre(c.status)) << label;
        EXPECT_EQ(parameters_.STAND_SELECTOR.items(), c.stands) << label;
        const bool applied = c.status.rfind("New destination", 0) == 0;
        EXPECT_EQ(parkAirports_, applied ? Texts{c.destination} : Texts{}) << label;
        if (applied || c.text.empty()) {
            EXPECT_EQ(parameters_.STAND_SELECTOR.isEnabled(), !c.stands.empty() && applied)
                << label;
        }
    }
}

// The box shows the destination in force; a user who wants another one selects the text the way
// an edit box offers and types over it, instead of typing after it ("KJFKeddf").
TEST_F(DestinationTest, TheShownDestinationIsSelectedWholeAndTypedOver) {
    enum class Gesture { ctrlA, tripleClick, doubleClick };
    struct Case {
        const char* label;
        Gesture gesture;
    };
    const Case cases[] = {
        {"Ctrl+A", Gesture::ctrlA},
        {"a triple click", Gesture::tripleClick},
        {"a double click (the code is one word)", Gesture::doubleClick},
    };
    const winui::HWND edit = parameters_.DESTINATION.window();
    winui::RECT client;
    winui::GetClientRect(edit, &client);
    winui::DWORD time = 10000;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        gf_setDestination(gui_, parameters_, IcaoCode("KJFK"), Lalo{40.6, -73.8});
        pump();
        ASSERT_EQ(gf_controlText(window_->window(), parameters_.DESTINATION.controlId()), "KJFK");
        statusLines_.clear();
        switch (c.gesture) {
        case Gesture::ctrlA:
            winui::SetFocus(edit);
            winui::injectChar(1);
            break;
        case Gesture::tripleClick:
        case Gesture::doubleClick:
            for (int click = 0; click < (c.gesture == Gesture::tripleClick ? 3 : 2); ++click) {
                winui::injectClickInWindow(edit, winui::POINT{client.right / 3, client.bottom / 2},
                                           time);
                time += 150;
            }
            time += 5000;
            break;
        }
        winui::injectText(u"eddf");
        winui::injectKey(winui::VK_RETURN);
        pump();
        EXPECT_EQ(parameters_.DESTINATION.value(), "EDDF");
        EXPECT_THAT(statusLines_, ElementsAre("New destination: EDDF, with reserved stand: B3"));
    }
}

TEST_F(DestinationTest, PickingAStandReservesItAtTheDestination) {
    gf_parkAirportLinks().findParkAirportName = [](const IcaoCode&) { return std::nullopt; };
    gf_setDestination(gui_, parameters_, IcaoCode("EDDF"), Lalo{50.03, 8.57});
    ASSERT_EQ(parameters_.STAND_SELECTOR.items(), (Texts{"select a stand", "A12", "B3"}));

    winui::injectClickInWindow(parameters_.STAND_SELECTOR.window(), winui::POINT{10, 8});
    pump();
    winui::injectKey(winui::VK_DOWN);
    winui::injectKey(winui::VK_RETURN);
    pump();

    EXPECT_EQ(reserved_, Texts{"EDDF A12"});
    EXPECT_EQ(parameters_.STAND_SELECTOR.current(), "A12");
    EXPECT_THAT(statusLines_,
                ElementsAre("New destination: EDDF", "selected stand 'A12' at airport 'EDDF'"));
}

} // namespace
} // namespace skyloom::testing

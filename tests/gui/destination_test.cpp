// The destination typed into its edit box and Enter pressed, and the saved destination at
// start-up: every text gets its answer on the status line without an exception; a known code
// becomes the destination and the park airport, and its airport file's stands are offered
// with the reserved one preselected. Picking a stand reserves it in the park-airport list.
#include "gui/destination.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "config/option_parameters.h"
#include "foundation/utf.h"
#include "gui/park_airport_links.h"
#include "platform/winui/input.h"
#include "platform/winui/messages.h"
#include "platform/winui/window_state.h"
#include "refdata/airports.h"
#include "tests/gui/support/main_window_fixture.h"

namespace skyloom::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

const Lalo kEddfPosition{50.0333, 8.5706};

struct DestinationCase {
    std::string saved; // DESTINATION before
    std::string text;  // typed, or (startUp) saved by hand in parameters.xml
    bool startUp;
    std::string destination; // DESTINATION after
    std::string status;
    std::vector<std::string> stands; // the stand selector's list afterwards (unchanged: empty)
};

class DestinationTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        gf_setAirports({{IcaoCode("EDDF"), {}, kEddfPosition.lat, kEddfPosition.lon, 364},
                        {IcaoCode("KJFK"), {}, 40.64, -73.78, 13}});
        // The park-airport list and the airport files, as recording doubles.
        ParkAirportLinks& links = gf_parkAirportLinks();
        links.readApfForStands = [](const IcaoCode& airport) {
            if (airport == IcaoCode("EDDF")) {
                return ApfStandList{true, {}, {{"A12", 1}, {"B3", 2}}};
            }
            return ApfStandList{false, "no airport file", {}};
        };
        links.findParkAirportName = [](const IcaoCode&) {
            return std::optional<std::string>("B3");
        };
        links.setParkAirportPosition = [this](const IcaoCode& airport, const Lalo& position) {
            parkAirports_.emplace_back(airport.text(), position);
        };
        links.reserveStand = [this](const std::string& airport, const std::string& stand) {
            reserved_.emplace_back(airport, stand);
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
    void type(const std::string& text) {
        const winui::HWND edit = parameters_.DESTINATION.window();
        winui::SetWindowTextW(edit, u"");
        winui::SetFocus(edit);
        winui::injectText(utf8_to_wide(text));
        winui::injectKey(winui::VK_RETURN);
        pump();
    }
    std::string editText() const {
        std::u16string text(16, u'\0');
        text.resize(static_cast<std::size_t>(winui::GetWindowTextW(
            parameters_.DESTINATION.window(), text.data(), static_cast<int>(text.size()))));
        return wide_to_utf8(text);
    }

    std::vector<std::string> statusLines_;
    std::vector<std::pair<std::string, Lalo>> parkAirports_;
    std::vector<std::pair<std::string, std::string>> reserved_;
};

TEST_F(DestinationTest, EveryTextGetsItsAnswer) {
    const std::vector<std::string> eddfStands{"A12", "B3"};
    const DestinationCase cases[] = {
        {"", "EDDF", false, "EDDF", "New destination: EDDF, with reserved stand: B3", eddfStands},
        {"", "eddf", false, "EDDF", "New destination: EDDF, with reserved stand: B3", eddfStands},
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
        {"", "eddf", true, "EDDF", "New destination: EDDF, with reserved stand: B3", eddfStands},
    };
    for (const DestinationCase& c : cases) {
        const std::string label = fmt::format("'{}' after '{}'", c.text, c.saved);
        parameters_.DESTINATION.setValue(c.startUp ? c.text : c.saved);
        parameters_.DESTINATION.publish();
        parameters_.DESTINATION.showValue();
        parameters_.STAND_SELECTOR.clearItems();
        statusLines_.clear();
        parkAirports_.clear();
        pump();

        if (c.startUp) {
            gf_applySavedDestination(gui_, parameters_);
            pump();
        } else {
            type(c.text);
        }

        EXPECT_EQ(parameters_.DESTINATION.value(), c.destination) << label;
        EXPECT_EQ(savedValue("DESTINATION").value_or(""), c.destination) << label;
        EXPECT_EQ(parameters_.settings()->DESTINATION, c.destination) << label;
        EXPECT_EQ(editText(), c.destination) << label;
        EXPECT_THAT(statusLines_, ElementsAre(c.status)) << label;
        EXPECT_THAT(parameters_.STAND_SELECTOR.items(), ElementsAreArray(c.stands)) << label;
        const bool applied = c.status.rfind("New destination", 0) == 0;
        EXPECT_EQ(parkAirports_.size(), applied ? 1U : 0U) << label;
        if (applied || c.text.empty()) {
            EXPECT_EQ(parameters_.STAND_SELECTOR.isEnabled(), applied && !c.stands.empty())
                << label;
        }
    }
}

TEST_F(DestinationTest, PickingAStandReservesItAtTheDestination) {
    gf_parkAirportLinks().findParkAirportName = [](const IcaoCode&) { return std::nullopt; };
    gf_setDestination(gui_, parameters_, IcaoCode("EDDF"), kEddfPosition);
    pump();
    ASSERT_THAT(parameters_.STAND_SELECTOR.items(), ElementsAre("select a stand", "A12", "B3"));
    ASSERT_THAT(statusLines_, ElementsAre("New destination: EDDF"));

    const winui::HWND combo = parameters_.STAND_SELECTOR.window();
    winui::injectClickInWindow(combo, winui::POINT{10, 8});
    pump();
    winui::injectKey(winui::VK_DOWN);
    winui::injectKey(winui::VK_RETURN);
    pump();

    EXPECT_THAT(reserved_, ElementsAre(std::pair<std::string, std::string>("EDDF", "A12")));
    EXPECT_EQ(parameters_.STAND_SELECTOR.current(), "A12");
    EXPECT_EQ(statusLines_.back(), "selected stand 'A12' at airport 'EDDF'");
}

} // namespace
} // namespace skyloom::testing

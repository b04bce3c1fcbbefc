// The option commands, driven as the user drives them: every control of the main window
// clicked or changed through the window system's input, on both traffic roads. Each must
// change exactly its parameters in parameters.xml, in memory and in the settings snapshot,
// raise exactly its requests, show its status line once, and show its new state when the
// control paints; a disabled control must change nothing.
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "config/option_parameters.h"
#include "config/startup_choices.h"
#include "config/window_requests.h"
#include "foundation/utf.h"
#include "gui/tblo_notice.h"
#include "platform/winui/input.h"
#include "platform/winui/message_loop.h"
#include "platform/winui/messages.h"
#include "platform/winui/painting.h"
#include "platform/winui/recording_dc.h"
#include "platform/winui/styles.h"
#include "platform/winui/window_geometry.h"
#include "platform/winui/window_state.h"
#include "sim/sim_link_state.h"
#include "tests/gui/support/main_window_fixture.h"

namespace skyloom::testing {
namespace {

using ::testing::ElementsAreArray;
using Road = TrafficSource;

constexpr Road kApp = Road::rtApp;
constexpr Road kDirect = Road::rtDirect;
// The caption colour of a disabled push button.
constexpr const char* kGreyText = "#838383";

struct ControlCase {
    std::string control; // the parameter's name, or the button's caption
    Road road;
    std::vector<std::string> changes;       // parameters whose value changes
    std::vector<std::string> requests = {}; // request flags that change
    std::string status = {};                // the start of the status line shown, if any
    bool logged = false;
    std::vector<std::int32_t> restarts = {}; // the countdowns of "NEW SETTINGS" asked for
    bool disables = false;                   // the control is disabled afterwards
};

void PrintTo(const ControlCase& c, std::ostream* os) {
    *os << c.control << (c.road == kApp ? " (RT App)" : "");
}

// The requests as names, for comparing what changed.
std::map<std::string, long> lf_requestValues(const WindowRequests& r) {
    return {{"aircraftList", r.aircraftList},
            {"flush", r.flush},
            {"unblockPushed", r.unblockPushed},
            {"twoPropsRemoved", r.twoPropsRemoved},
            {"lightAircraftRemoved", r.lightAircraftRemoved},
            {"helicoptersRemoved", r.helicoptersRemoved},
            {"highPerfRemoved", r.highPerfRemoved},
            {"matchingDepthRaised", r.matchingDepthRaised},
            {"maxParkChanged", r.maxParkChanged},
            {"maxLiveChanged", r.maxLiveChanged},
            {"navLightsWhileParked", r.navLightsWhileParked},
            {"parkTrafficOnly", r.parkTrafficOnlyChange().count},
            {"staticParkingUpdates", r.staticParkingUpdates}};
}

template <class Map> std::vector<std::string> lf_changedKeys(const Map& before, const Map& after) {
    std::vector<std::string> keys;
    for (const auto& [key, value] : after) {
        const auto old = before.find(key);
        if (old == before.end() || old->second != value) {
            keys.push_back(key);
        }
    }
    return keys;
}

class OptionCommandsTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        gui_.setAppliedUpdateObserver([this](const GuiUpdate& update, GuiRedrawFlags) {
            if (const auto* status = std::get_if<GuiUpdate::StatusText>(&update.payload)) {
                statusLines_.push_back(status->text);
            }
        });
        // The worker starts with the saved value.
        run_.requests_.navLightsWhileParked.store(parameters_.NAV_LIGHTS_WHILE_PARKED.value());
    }
    void TearDown() override {
        g_simChoiceSwitched.store(false);
        gf_setStartupChoices({});
        MainWindowTest::TearDown();
    }

    OptionControl& control(const std::string& name) {
        for (OptionControl* control : parameters_.controls()) {
            const auto* button = dynamic_cast<OptionButton*>(control);
            const auto* parameter = dynamic_cast<Parameter*>(control);
            if ((button != nullptr && button->caption() == name) ||
                (parameter != nullptr && parameter->name() == name)) {
                return *control;
            }
        }
        throw std::invalid_argument("no control " + name);
    }

    // The window open on `road`, the run-time lists filled as the worker fills them.
    void openOn(Road road) {
        gf_setStartupChoices({SimChoice::msfs2024, road});
        ASSERT_NE(open(), nullptr);
        parameters_.AIRCRAFT_SELECTOR.setItems({"select an aircraft", "DAL123 A321 N123DL"});
        parameters_.AIRCRAFT_SELECTOR.setCurrent("select an aircraft");
        parameters_.STAND_SELECTOR.setItems({"select a stand", "A12"});
        parameters_.STAND_SELECTOR.setCurrent("select a stand");
        parameters_.AIRCRAFT_SELECTOR.fillComboBox();
        parameters_.STAND_SELECTOR.fillComboBox();
        pump();
    }

    // Clicks a box or button; opens a combo box and moves its selection one item (up from
    // the last one) with the keys.
    void operate(OptionControl& target) {
        const winui::HWND window = target.window();
        if (dynamic_cast<CheckboxParameter*>(&target) != nullptr ||
            dynamic_cast<OptionButton*>(&target) != nullptr) {
            winui::injectClickInWindow(window, winui::POINT{4, 4});
        } else {
            const auto count = winui::SendMessageW(window, winui::CB_GETCOUNT, 0, 0);
            const auto current = winui::SendMessageW(window, winui::CB_GETCURSEL, 0, 0);
            winui::injectClickInWindow(window, winui::POINT{10, 8});
            pump();
            winui::injectKey(current + 1 < count ? winui::VK_DOWN : winui::VK_UP);
            winui::injectKey(winui::VK_RETURN);
        }
        pump();
    }

    // What a command may change.
    struct Observed {
        std::map<std::string, std::string> memory, saved;
        std::map<std::string, long> requests;
        std::shared_ptr<const ParamsSnapshot> published;
        bool operator==(const Observed&) const = default;
    };
    Observed observe() const {
        return {values(), savedValues(), lf_requestValues(run_.requests_), cell_.load()};
    }

    std::map<std::string, std::string> values() const {
        std::map<std::string, std::string> texts;
        for (const Parameter* parameter : parameters_.all()) {
            texts[parameter->name()] = parameter->valueText();
        }
        return texts;
    }
    std::map<std::string, std::string> savedValues() const {
        std::map<std::string, std::string> texts;
        pugi::xml_document document;
        document.load_file((dir_ / "parameters.xml").c_str());
        for (const pugi::xpath_node node : document.select_nodes("//parameter")) {
            texts[node.node().attribute("name").value()] = node.node().attribute("value").value();
        }
        return texts;
    }
    std::size_t count(const std::vector<std::string>& lines, const std::string& start) const {
        return static_cast<std::size_t>(
            std::count_if(lines.begin(), lines.end(), [&](const std::string& line) {
                return line.find(start) != std::string::npos;
            }));
    }

    std::vector<std::string> statusLines_;
};

class ControlCommandTest : public OptionCommandsTest,
                           public ::testing::WithParamInterface<ControlCase> {};

TEST_P(ControlCommandTest, ChangesExactlyItsParametersAndRequestsAndShowsTheNewState) {
    const ControlCase& c = GetParam();
    openOn(c.road);
    OptionControl& target = control(c.control);
    const Observed before = observe();

    operate(target);

    const Observed after = observe();
    EXPECT_THAT(lf_changedKeys(before.memory, after.memory), ElementsAreArray(c.changes));
    std::vector<std::string> persisted;
    for (const std::string& name : c.changes) {
        if (parameters_.findByName(name)->persisted()) {
            persisted.push_back(name);
        }
    }
    EXPECT_THAT(lf_changedKeys(before.saved, after.saved), ElementsAreArray(persisted));
    // Republished: the snapshot carries the values the parameters hold, which changed in
    // exactly the parameters above.
    EXPECT_EQ(*after.published, parameters_.snapshot());
    EXPECT_THAT(lf_changedKeys(before.requests, after.requests), ElementsAreArray(c.requests));
    EXPECT_THAT(run_.newSettingsCountdowns, ElementsAreArray(c.restarts));

    if (c.status.empty()) {
        EXPECT_THAT(statusLines_, ::testing::IsEmpty());
    } else {
        ASSERT_EQ(statusLines_.size(), 1U) << "the notice shows once";
        EXPECT_EQ(statusLines_.front().rfind(c.status, 0), 0U) << statusLines_.front();
        EXPECT_EQ(count(logLines(), c.status), c.logged ? 1U : 0U);
    }

    // What the control paints now.
    EXPECT_EQ(target.isEnabled(), !c.disables);
    const std::vector<std::string> painted = recordPaintOf(target.window());
    if (const auto* box = dynamic_cast<CheckboxParameter*>(&target)) {
        EXPECT_EQ(count(painted, "Polyline("), box->value() ? 1U : 0U) << "the tick";
    } else if (dynamic_cast<OptionButton*>(&target) != nullptr) {
        EXPECT_EQ(count(painted, kGreyText), c.disables ? 1U : 0U);
    } else if (!c.changes.empty()) {
        const std::string shown = dynamic_cast<Parameter&>(target).valueText();
        EXPECT_EQ(count(painted, "\"" + shown + "\""), 1U) << shown;
    }
}

TEST_P(ControlCommandTest, ADisabledControlIgnoresInput) {
    const ControlCase& c = GetParam();
    openOn(c.road);
    OptionControl& target = control(c.control);
    target.enable(false);
    pump();
    const Observed before = observe();

    operate(target);

    EXPECT_TRUE(observe() == before) << "nothing changed, saved, raised or republished";
    EXPECT_THAT(statusLines_, ::testing::IsEmpty());
    EXPECT_THAT(run_.newSettingsCountdowns, ::testing::IsEmpty());
}

// Every control but the destination edit box (whose Enter key belongs to the destination), on
// the RT Direct road, and the controls that the road decides about on the RT App road too.
// Check boxes are clicked from their default value; combo boxes move one item from it.
// clang-format off
const ControlCase kControlCases[] = {
    // Data sources.
    {"SKIP_AIRPORT_SCAN", kDirect, {"SKIP_AIRPORT_SCAN"}},
    {"SKIP_LIVERIES_SCAN", kDirect, {"SKIP_LIVERIES_SCAN"}},
    {"LIG_AUTOMATIC", kDirect, {"LIG_AUTOMATIC"}, {},
     "The liveries defined by your lfolder parameters will be scanned"},
    {"LIG_PRIORITIZE", kDirect, {"LIG_PRIORITIZE"}},
    {"AI_PACKAGE_SELECTOR", kDirect, {"AI_PACKAGE_SELECTOR"}, {},
     "If you want to make this choice effective, you must start a Scan for liveries", true},
    {"Tblo", kDirect, {}, {}, "", false, {}, true},
    // Configuration: the simulator and the traffic source take effect at the next start.
    {"SIM_CHOICE", kDirect, {"SIM_CHOICE"}, {}, "Switching MSFS version in Skyloom", true, {3}},
    {"RT_CHOISE", kDirect, {"RT_CHOISE"}, {}, "", false, {0}, true},
    {"QNH_UNIT", kDirect, {"QNH_UNIT"}},
    {"ALWAYS_ON_TOP", kDirect, {"ALWAYS_ON_TOP"}, {}, "Skyloom's window will remain visible"},
    // Collision avoidance and blocking.
    {"ALL_AIR_GND_SELECTOR", kDirect, {"ALL_AIR_GND_SELECTOR"}},
    {"Aircraft", kDirect, {}, {"aircraftList"}, "", false, {}, true},
    {"AIRCRAFT_SELECTOR", kDirect, {"AIRCRAFT_SELECTOR"}},
    {"Block", kDirect, {}, {}, "Nothing to block ...", true},
    {"Unblock", kDirect, {}, {"unblockPushed"}, "Nothing to unblock...", true},
    {"COLLISION_USER_GND", kDirect, {"COLLISION_USER_GND"}, {}, "Be aware, user aircraft may "
     "collide with (run through) live aircraft and static parked on the ground"},
    {"COLLISION_USER_AIR", kDirect, {"COLLISION_USER_AIR"}, {}, "Be aware, user aircraft may "
     "collide with (run through) live aircraft in the air"},
    {"COLLISION_LIVE_PARKED_GND", kDirect, {"COLLISION_LIVE_PARKED_GND"}, {}, "Be aware, live "
     "aircraft may collide with (run through) static parked on the ground"},
    // Traffic injection: auto radius takes the radius for the user aircraft at once.
    {"RANGE", kDirect, {"RANGE"}},
    {"AUTO_RANGE", kDirect, {"AUTO_RANGE", "RANGE"}},
    {"MAX_LIVE_SEL", kDirect, {"MAX_LIVE_SEL"}, {"maxLiveChanged"}},
    {"HOLDING_THRESHOLD_METERS", kDirect, {"HOLDING_THRESHOLD_METERS"}},
    {"MAX_HOLDING_MINUTES", kDirect, {"MAX_HOLDING_MINUTES"}},
    {"MATCHING_DEPTH", kDirect, {"MATCHING_DEPTH"}, {"matchingDepthRaised"}},
    {"TCAS_FL", kDirect, {"TCAS_FL"}},
    {"TWO_PROPS", kDirect, {"TWO_PROPS"}, {"twoPropsRemoved"}},
    {"LIGHT_AIRCRAFT", kDirect, {"LIGHT_AIRCRAFT"}, {"lightAircraftRemoved"}},
    {"HELICOPTERS", kDirect, {"HELICOPTERS"}, {"helicoptersRemoved"}},
    {"HIGH_PERF_AIRCRAFT", kDirect, {"HIGH_PERF_AIRCRAFT"}, {"highPerfRemoved"}},
    // Misc.
    {"RANDOM", kDirect, {"RANDOM"}, {},
     "Be aware: no randomness in matching or parking! (This mode is meant for multi Sims)", true},
    {"FLIGHT_MESSAGES", kDirect, {"FLIGHT_MESSAGES"}},
    {"AEROWINX", kDirect, {}},
    {"AEROWINX", kApp, {"AEROWINX"}, {},
     "Note: This mode is for Aerowinx PSX users only, please re-start Skyloom"},
    {"GUID_CHANGES", kDirect, {"GUID_CHANGES"}, {},
     "Be aware, no more livery updates: you miss correct data for Learn, LittleNavMap, etc!"},
    {"OBJECTID_LIST", kDirect, {"OBJECTID_LIST"}, {},
     "Every minute info about all active live aircraft is written to the file ", true},
    {"NAV_LIGHTS_WHILE_PARKED", kDirect, {"NAV_LIGHTS_WHILE_PARKED"}, {"navLightsWhileParked"}},
    // Time shift: asked of the web API only.
    {"Set", kDirect, {}, {}, "Time shift = 0", true, {}, true},
    {"TIME_SHIFT_DAYS", kDirect, {"TIME_SHIFT_DAYS"}},
    {"TIME_SHIFT_HOURS", kDirect, {"TIME_SHIFT_HOURS"}},
    {"TIME_SHIFT_MINS", kDirect, {"TIME_SHIFT_MINS"}},
    {"TIME_SHIFT_DAYS", kApp, {}},
    {"SIM_TIME", kDirect, {"SIM_TIME"}, {}, "", false, {0}},
    {"SIM_TIME", kApp, {}},
    {"KEEP_SIM_TIME_PAR", kDirect, {"KEEP_SIM_TIME_PAR"}},
    {"KEEP_SIM_TIME_PAR", kApp, {}},
    // Parking ("Park" waits for static parking at a park airport).
    {"PARKING_INTERVAL_MINUTES", kDirect, {"PARKING_INTERVAL_MINUTES"}},
    {"Park", kDirect, {}},
    {"STAND_SELECTOR", kDirect, {"STAND_SELECTOR"}, {}, "selected stand 'A12' at airport ''", true},
    {"AIRP_RANGE", kDirect, {"AIRP_RANGE"}},
    {"AIRP_HEIGHT", kDirect, {"AIRP_HEIGHT"}},
    {"RT_PARKTRAFFIC_ONLY", kDirect, {"RT_PARKTRAFFIC_ONLY"}, {"parkTrafficOnly"}},
    {"MAX_PARK_SEL", kDirect, {"MAX_PARK_SEL"}, {"maxParkChanged"}},
    {"MAX_FIT_FL", kDirect, {"MAX_FIT", "MAX_FIT_FL"}},
    {"parking_percentage", kDirect, {"parking_percentage"}},
    {"AUTO_PARK", kDirect, {"AUTO_PARK"}},
    {"WEEK", kDirect, {"WEEK"}},
    {"PARK_SOFT", kDirect, {"PARK_SOFT"}},
    {"Flush", kDirect, {}, {"flush"}, "All static parked aircraft will be removed ...", false, {},
     true},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(EveryControl, ControlCommandTest, ::testing::ValuesIn(kControlCases));

TEST_F(OptionCommandsTest, EveryControlButTheDestinationHasItsCase) {
    std::vector<std::string> covered;
    for (const ControlCase& c : kControlCases) {
        covered.push_back(c.control);
    }
    for (const OptionControl* target : parameters_.controls()) {
        if (target == &parameters_.DESTINATION) {
            continue;
        }
        const auto* button = dynamic_cast<const OptionButton*>(target);
        const std::string name =
            button != nullptr ? button->caption() : dynamic_cast<const Parameter*>(target)->name();
        EXPECT_THAT(covered, ::testing::Contains(name));
    }
}

} // namespace
} // namespace skyloom::testing

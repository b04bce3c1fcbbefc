// The install-path check through the scripted folder picker and message boxes, the
// unmatched-airport notice, the parking controls as a group, the automatic radius, a command
// that fails, and the controls showing the values read from parameters.xml.
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "config/configuration.h"
#include "config/params_snapshot.h"
#include "config/window_requests.h"
#include "foundation/text_files.h"
#include "gui/control_text.h"
#include "gui/gui_parking_window.h"
#include "gui/install_path_check.h"
#include "gui/parking_controls.h"
#include "gui/tblo_notice.h"
#include "gui/traffic_range.h"
#include "platform/winui/dialogs.h"
#include "platform/winui/input.h"
#include "platform/winui/message_loop.h"
#include "platform/winui/messages.h"
#include "platform/winui/window_state.h"
#include "tests/gui/support/main_window_fixture.h"

namespace fs = std::filesystem;

namespace skyloom::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

struct PickCase {
    const char* name;
    std::vector<const char*> folders;  // made below the packages folder "MSFS"
    std::optional<const char*> picked; // below the temporary folder; none: cancelled
    SimChoice simulator;
    bool accepted;
    std::vector<std::string> boxes; // the message boxes, in order
};

void PrintTo(const PickCase& c, std::ostream* os) {
    *os << c.name;
}

class InstallPathTest : public MainWindowTest, public ::testing::WithParamInterface<PickCase> {};

TEST_P(InstallPathTest, ThePickedFolderIsCheckedAndItsPackagesFolderKept) {
    const PickCase& c = GetParam();
    ASSERT_NE(open(), nullptr);
    for (const char* folder : c.folders) {
        fs::create_directories(dir_ / "MSFS" / folder);
    }
    fs::create_directories(dir_ / "Elsewhere");
    backend_->answerFolderPicker(c.picked ? std::optional(dir_ / *c.picked) : std::nullopt);

    EXPECT_EQ(gf_pickInstallPath(gui_, parameters_, c.simulator), c.accepted);
    pump();

    std::vector<std::string> boxes;
    for (const auto& box : backend_->messageBoxes()) {
        boxes.push_back(box.text);
        EXPECT_EQ(box.caption, "Skyloom");
        EXPECT_EQ(box.owner, window_->window());
    }
    EXPECT_THAT(boxes, ElementsAreArray(c.boxes));
    // The picker says what to pick for the chosen simulator.
    ASSERT_EQ(backend_->folderPickers().size(), 1u);
    EXPECT_EQ(backend_->folderPickers()[0].title,
              c.simulator == SimChoice::msfs2020 ? "Select the Community folder of MSFS 2020"
                                                 : "Select the Community folder of MSFS 2024");
    PathParameter& install = parameters_.installPath(c.simulator == SimChoice::msfs2020);
    const std::string kept = c.accepted ? (dir_ / "MSFS").string() : "";
    EXPECT_EQ(install.value().string(), kept);
    EXPECT_EQ(savedValue(install.name()).value_or(""), kept);
    if (c.accepted) {
        // After any warning of a missing folder has had its seconds on the line.
        clock_.advance(std::chrono::seconds(5));
        GuiUpdate tick = GuiUpdate::StatusExpiryTick{};
        gui_.applyUpdate(tick);
        EXPECT_EQ(gui_.state().statusLine, "Okay: " + kept);
        EXPECT_THAT(logLines(), Contains(HasSubstr("Okay: " + kept)));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Picks, InstallPathTest,
    ::testing::Values(
        PickCase{"PackagesFolder",
                 {"Community", "Community2024", "StreamedPackages"},
                 "MSFS",
                 SimChoice::msfs2024,
                 true,
                 {"Okay!"}},
        PickCase{"CommunityFolder",
                 {"Community", "Community2024", "StreamedPackages"},
                 "MSFS/Community",
                 SimChoice::msfs2024,
                 true,
                 {"Okay!"}},
        PickCase{
            "CommunityWithoutOfficial",
            {"Community"},
            "MSFS/Community",
            SimChoice::msfs2020,
            true,
            {"Warning: There is no Official folder parallel to the Community folder.", "Okay!"}},
        PickCase{"Neither",
                 {"Community"},
                 "Elsewhere",
                 SimChoice::msfs2024,
                 false,
                 {"This path is not a valid Community folder."}},
        PickCase{"Cancelled", {"Community"}, std::nullopt, SimChoice::msfs2024, false, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainWindowTest, TheUnmatchedAirportNoticeShowsUntilTbloIsPushed) {
    ASSERT_NE(open(), nullptr);
    std::vector<std::string> shown;
    gui_.setAppliedUpdateObserver([&](const GuiUpdate& update, GuiRedrawFlags) {
        if (const auto* status = std::get_if<GuiUpdate::StatusText>(&update.payload)) {
            shown.push_back(status->text);
        }
    });
    gf_setTbloNoticePending(true);
    gf_enableParkingControls(gui_, parameters_, run_.requests_);
    pump();
    EXPECT_THAT(shown, ElementsAreArray({gf_tbloNoticeText()})) << "once, instead of clearing";

    winui::injectClickInWindow(parameters_.tbloButton.window(), winui::POINT{4, 4});
    pump();
    EXPECT_FALSE(gf_tbloNoticePending());
    ASSERT_EQ(backend_->messageBoxes().size(), 1U) << "no tblo.zip to open";
    EXPECT_EQ(backend_->messageBoxes()[0].text, "Could not open File Explorer at tblo.zip.");
    EXPECT_EQ(backend_->messageBoxes()[0].icon, winui::MessageBoxIcon::warning);
    gf_enableParkingControls(gui_, parameters_, run_.requests_);
    pump();
    EXPECT_EQ(shown.size(), 1U) << "not again";
    EXPECT_EQ(gui_.state().statusLine, "");
}

TEST_F(MainWindowTest, ParkAsksForAnUpdateAndTheParkingControlsComeBackWhenItIsDone) {
    ASSERT_NE(open(), nullptr);
    ProgramParameters& p = parameters_;
    const std::vector<const OptionControl*> group{
        &p.parking_percentage, &p.AUTO_PARK,          &p.WEEK,
        &p.PARK_SOFT,          &p.MAX_FIT_FL,         &p.MAX_PARK_SEL,
        &p.MAX_LIVE_SEL,       &p.flushButton,        &p.PARKING_INTERVAL_MINUTES,
        &p.parkButton,         &p.RT_PARKTRAFFIC_ONLY};
    // Without static parking at a park airport "Park" has nothing to update.
    winui::injectClickInWindow(p.parkButton.window(), winui::POINT{4, 4});
    pump();
    EXPECT_EQ(run_.requests_.staticParkingUpdates.load(), 0U);
    EXPECT_EQ(gui_.state().statusLine, "");
    EXPECT_TRUE(p.parkButton.isEnabled());

    // Parking shows the window that static parking runs, as it does once an airport file is
    // applied (from the main worker).
    GuiParkingWindow parking(gui_, p, run_.requests_);
    std::thread([&parking] {
        parking.showStaticParking(StaticParkingShown{false, true, 202650, 0});
    }).join();
    pump();
    winui::injectClickInWindow(p.parkButton.window(), winui::POINT{4, 4});
    pump();
    EXPECT_EQ(run_.requests_.staticParkingUpdates.load(), 1U);
    EXPECT_EQ(gui_.state().statusLine, "Skyloom will update static parking soon ...");
    for (const OptionControl* control : group) {
        EXPECT_FALSE(control->isEnabled()) << control->controlId();
    }
    run_.requests_.parkingGenerating.store(true);
    gf_enableParkingControls(gui_, p, run_.requests_);
    pump();
    EXPECT_FALSE(run_.requests_.parkingGenerating.load());
    EXPECT_EQ(gui_.state().statusLine, "");
    EXPECT_TRUE(p.parkButton.isEnabled() && p.flushButton.isEnabled());
}

TEST_F(MainWindowTest, TheParkOptionsEnableWhatAppliesToThem) {
    struct Case {
        bool rtParkedOnly;
        bool autoPark;
        std::vector<bool> enabled; // percentage, auto park, week, soft, max fit
    };
    ASSERT_NE(open(), nullptr);
    ProgramParameters& p = parameters_;
    for (const Case& c : {Case{false, true, {true, true, false, false, false}},
                          Case{false, false, {true, true, true, true, true}},
                          Case{true, true, {false, false, false, false, true}},
                          Case{true, false, {false, false, false, false, true}}}) {
        p.RT_PARKTRAFFIC_ONLY.assign(c.rtParkedOnly);
        p.AUTO_PARK.assign(c.autoPark);
        gf_applyParkingControlStates(gui_, p);
        std::vector<bool> enabled;
        for (const OptionControl* control : std::initializer_list<const OptionControl*>{
                 &p.parking_percentage, &p.AUTO_PARK, &p.WEEK, &p.PARK_SOFT, &p.MAX_FIT_FL}) {
            enabled.push_back(control->isEnabled());
        }
        EXPECT_EQ(enabled, c.enabled) << c.rtParkedOnly << c.autoPark;
    }
}

TEST(AutoRangeTest, TheRadiusFollowsTheHeightBetweenTheFlightLevels) {
    const AutoRangeSettings s{50, 150, 250, 10, 20, 40, 60, 80};
    struct Case {
        bool onGround;
        double altitudeFt;
        double radiusNm;
    };
    for (const Case c :
         {Case{true, 30000, 10}, Case{false, 0, 10}, Case{false, 2500, 15}, Case{false, 5000, 20},
          Case{false, 10000, 30}, Case{false, 25000, 60}, Case{false, 25001, 80}}) {
        EXPECT_DOUBLE_EQ(gf_autoRangeRadiusNm(s, c.onGround, c.altitudeFt), c.radiusNm)
            << c.altitudeFt;
    }
    // Without a first level nothing is interpolated below it.
    const AutoRangeSettings noFirst{0, 150, 250, 10, 20, 40, 60, 80};
    EXPECT_DOUBLE_EQ(gf_autoRangeRadiusNm(noFirst, false, -100), 20);
    EXPECT_DOUBLE_EQ(gf_autoRangeRadiusNm(noFirst, false, 0), 20);
    EXPECT_DOUBLE_EQ(gf_autoRangeRadiusNm(noFirst, false, 7500), 30);
}

TEST_F(MainWindowTest, ACommandThatFailsIsLoggedAndDropped) {
    ASSERT_NE(open(), nullptr);
    const winui::HWND depth = parameters_.MATCHING_DEPTH.window();
    winui::SendMessageW(depth, winui::CB_ADDSTRING, 0, reinterpret_cast<winui::LPARAM>(u"99"));
    winui::SendMessageW(depth, winui::CB_SETCURSEL, 7, 0);
    winui::SendMessageW(
        window_->window(), winui::WM_COMMAND,
        winui::MAKEWPARAM(parameters_.MATCHING_DEPTH.controlId(), winui::CBN_SELCHANGE),
        reinterpret_cast<winui::LPARAM>(depth));
    EXPECT_EQ(parameters_.MATCHING_DEPTH.value(), 4);
    EXPECT_THAT(logLines(), Contains(HasSubstr("lf_HandleWMCOMMAND exception configuration option "
                                               "index is out of range")));
}

TEST_F(MainWindowTest, TheControlsShowTheValuesReadFromTheFile) {
    ASSERT_NE(open(), nullptr);
    ASSERT_TRUE(gf_writeFile("<root><parameters>"
                             "<parameter name=\"WEEK\" value=\"true\"/>"
                             "<parameter name=\"RANGE\" value=\"60\"/>"
                             "<parameter name=\"QNH_UNIT\" value=\"QNH inHg\"/>"
                             "<parameter name=\"DESTINATION\" value=\"KLAX\"/>"
                             "</parameters></root>",
                             dir_ / "read.xml", false));
    gf_loadConfigurationInto(parameters_, dir_ / "read.xml");
    pump();
    const winui::HWND window = window_->window();
    EXPECT_EQ(winui::IsDlgButtonChecked(window, parameters_.WEEK.controlId()), winui::BST_CHECKED);
    char16_t text[32] = {};
    winui::GetWindowTextW(parameters_.RANGE.window(), text, 32);
    EXPECT_EQ(std::u16string(text), u"60");
    winui::GetWindowTextW(parameters_.QNH_UNIT.window(), text, 32);
    EXPECT_EQ(std::u16string(text), u"QNH inHg");
    EXPECT_EQ(gf_controlText(window, parameters_.DESTINATION.controlId()), "KLAX");

    parameters_.DESTINATION.assign("");
    gf_showStringOptionText(gui_, parameters_.DESTINATION, parameters_.DESTINATION);
    const std::size_t logged = logLines().size();
    EXPECT_EQ(gf_controlText(window, parameters_.DESTINATION.controlId()), "");
    EXPECT_EQ(logLines().size(), logged) << "an empty box is no fault";
    EXPECT_EQ(gf_controlText(window, 4711), "");
    EXPECT_THAT(logLines().back(), HasSubstr("lf_getTextFromId: GetDlgItem failed for ID 4711"));
}

} // namespace
} // namespace skyloom::testing

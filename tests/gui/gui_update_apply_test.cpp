// Applying each of the 40 kinds of window update: the kind keeps its number, changes exactly
// the fields its step names (every other field compared unchanged) and returns the bands to
// repaint, including the "store when changed" kinds that return nothing for an equal value.
#include <chrono>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "gui/gui.h"
#include "runtime/gui_update.h"
#include "tests/gui/support/gui_test_support.h"

namespace skyloom::testing {
namespace {

using namespace std::chrono_literals;
using U = GuiUpdate;

struct KindCase {
    int kind; // the number the kind carries on both sides of the queue
    std::string label;
    std::function<GuiUpdate()> update;
    // Brings the state into the case's starting point (updates only, as in the program).
    std::function<void(Gui&)> setup;
    // The expected state, from the state before the update.
    std::function<void(GuiState&)> expect;
    std::uint8_t flags;
};

void lf_apply(Gui& gui, GuiUpdate update) {
    gui.applyUpdate(update);
}

class GuiUpdateApplyTest : public GuiTest {
protected:
    // Every field away from its start value, so that a reset that forgets one shows.
    void fillEveryField(Gui& gui) {
        lf_apply(gui, U::SetCompact{true});
        lf_apply(gui, U::FeedStatusKnown{});
        lf_apply(gui, U::StaticPlanCount{9});
        lf_apply(gui, U::TrafficReaderState{ReaderState::receiving});
        lf_apply(gui, U::WeatherReaderState{ReaderState::waitingForData});
        lf_apply(gui, U::DataSourceText{"RT Direct"});
        lf_apply(gui, U::SimulatorText{"MSFS 2024 (1.2.3.4)"});
        lf_apply(gui, U::SimulatorConnected{true});
        lf_apply(gui, U::LiveriesCount{1234});
        lf_apply(gui, U::SimaddonCount{12});
        lf_apply(gui, U::ThirdpCount{34});
        lf_apply(gui, U::UserWingspanKnown{false});
        lf_apply(gui, U::LiveAircraftCount{56});
        lf_apply(gui, U::StandCount{78});
        lf_apply(gui, U::ParkedCounts{5, 6});
        lf_apply(gui, U::ParkingTarget{40, 60});
        lf_apply(gui, U::QualityText{"A+"});
        lf_apply(gui, U::ParkAirport{IcaoCode("EDDF")});
        lf_apply(gui, U::AirportFile{true, "Frankfurt"});
        lf_apply(gui, U::NextParkingUpdate{30});
        lf_apply(gui, U::StaticFitHidden{true});
        lf_apply(gui, U::Qnh{1013});
        lf_apply(gui, U::QnhUnit{true});
        lf_apply(gui, U::Publisher{"Aerosoft", true});
        lf_apply(gui, U::AirportFileUpdates{7});
        lf_apply(gui, U::StaticFit{2.5F});
        lf_apply(gui, U::LiveFit{1.5F});
        lf_apply(gui, U::UserStand{"A12"});
        lf_apply(gui, U::TimeShiftControlsDisabled{});
        lf_apply(gui, U::ErrorText{"boom"});
        gui.setStaticFitHidden(true); // the worker's own copy, not an update
    }

    std::vector<KindCase> cases() {
        const IcaoCode eddf("EDDF");
        const IcaoCode egll("EGLL");
        const auto showStatus = [](Gui& gui) { lf_apply(gui, U::StatusText{"shown", false}); };
        // A failure, still within its few seconds: a clear leaves it, a lighter text waits.
        const auto showWarning = [](Gui& gui) {
            lf_apply(gui, U::StatusText{"failed to download", false, StatusWeight::warning});
        };
        const auto showError = [](Gui& gui) { lf_apply(gui, U::ErrorText{"failed"}); };
        const auto nothing = [](Gui&) {};
        const auto unchanged = [](GuiState&) {};
        ManualClock& clock = clock_;

        return {
            {0, "set compact", [] { return U::SetCompact{true}; }, nothing,
             [](GuiState& s) { s.compact = true; }, 16},
            {1, "toggle compact from expanded", [] { return U::ToggleCompact{}; }, nothing,
             [](GuiState& s) { s.compact = true; }, 16},
            {1, "toggle compact from compact", [] { return U::ToggleCompact{}; },
             [](Gui& gui) { lf_apply(gui, U::SetCompact{true}); },
             [](GuiState& s) { s.compact = false; }, 16},
            {2, "stay on top", [] { return U::StayOnTop{true}; }, nothing, unchanged, 0},
            {3, "minimise", [] { return U::Minimise{}; }, nothing, unchanged, 0},
            {4, "redraw", [] { return U::Redraw{GuiRedrawFlags(5)}; }, nothing, unchanged, 5},
            {5, "expiry tick when due", [] { return U::StatusExpiryTick{}; },
             [&clock, showStatus](Gui& gui) {
                 showStatus(gui);
                 clock.advance(25s);
             },
             [](GuiState& s) {
                 s.statusLine.clear();
                 s.statusExpiryArmed = false;
             },
             8},
            {5, "expiry tick before due", [] { return U::StatusExpiryTick{}; },
             [&clock, showStatus](Gui& gui) {
                 showStatus(gui);
                 clock.advance(25s - 1ns);
             },
             unchanged, 0},
            {5, "expiry tick disarmed", [] { return U::StatusExpiryTick{}; },
             [&clock](Gui&) { clock.advance(1h); }, unchanged, 0},
            {5, "expiry tick after the text that waited is shown, the warning's seconds over",
             [] { return U::StatusExpiryTick{}; },
             [&clock, showWarning](Gui& gui) {
                 showWarning(gui);
                 lf_apply(gui, U::StatusText{"Waiting for MSFS 2020 ...", false});
                 clock.advance(5s);
             },
             [&clock](GuiState& s) {
                 s.statusLine = "Waiting for MSFS 2020 ...";
                 s.statusWeight = StatusWeight::info;
                 s.statusExpiry = clock.steadyNow() + 25s;
                 s.statusHeldUntil = clock.steadyNow() + 5s;
                 s.waitingStatus.clear();
             },
             8},
            {5, "expiry tick within the warning's seconds", [] { return U::StatusExpiryTick{}; },
             [&clock, showWarning](Gui& gui) {
                 showWarning(gui);
                 lf_apply(gui, U::StatusText{"later", false});
                 clock.advance(5s - 1ns);
             },
             unchanged, 0},
            {6, "feed status known", [] { return U::FeedStatusKnown{}; }, nothing,
             [](GuiState& s) { s.feedStatusPending = false; }, 1},
            {7, "static-plan count", [] { return U::StaticPlanCount{12}; }, nothing,
             [](GuiState& s) { s.staticPlanCount = 12; }, 4},
            {8, "traffic-reader state changed",
             [] { return U::TrafficReaderState{ReaderState::waitingForData}; }, nothing,
             [](GuiState& s) { s.trafficReaderState = ReaderState::waitingForData; }, 1},
            {8, "traffic-reader state equal",
             [] { return U::TrafficReaderState{ReaderState::notRunning}; }, nothing, unchanged, 0},
            {9, "reserved", [] { return U::Reserved{}; }, nothing, unchanged, 1},
            {10, "weather-reader state changed",
             [] { return U::WeatherReaderState{ReaderState::receiving}; }, nothing,
             [](GuiState& s) { s.weatherReaderState = ReaderState::receiving; }, 1},
            {10, "weather-reader state equal",
             [] { return U::WeatherReaderState{ReaderState::notRunning}; }, nothing, unchanged, 0},
            {11, "data-source text", [] { return U::DataSourceText{"RT App"}; }, nothing,
             [](GuiState& s) { s.dataSourceText = "RT App"; }, 1},
            {12, "simulator text", [] { return U::SimulatorText{"MSFS 2020 (1.36.2.0)"}; }, nothing,
             [](GuiState& s) { s.simulatorText = "MSFS 2020 (1.36.2.0)"; }, 1},
            {13, "simulator connected", [] { return U::SimulatorConnected{true}; }, nothing,
             [](GuiState& s) { s.simulatorConnected = true; }, 1},
            {14, "liveries count", [] { return U::LiveriesCount{321}; }, nothing,
             [](GuiState& s) { s.liveriesCount = 321; }, 1},
            {15, "simaddon count", [] { return U::SimaddonCount{4}; }, nothing,
             [](GuiState& s) { s.simaddonCount = 4; }, 1},
            {16, "thirdp count", [] { return U::ThirdpCount{7}; }, nothing,
             [](GuiState& s) { s.thirdpCount = 7; }, 1},
            {17, "user wing span known", [] { return U::UserWingspanKnown{false}; }, nothing,
             [](GuiState& s) { s.userWingspanKnown = false; }, 4},
            {18, "live-aircraft count changed", [] { return U::LiveAircraftCount{42}; }, nothing,
             [](GuiState& s) { s.liveAircraftCount = 42; }, 1},
            {18, "live-aircraft count equal", [] { return U::LiveAircraftCount{0}; }, nothing,
             unchanged, 0},
            {19, "stand count", [] { return U::StandCount{88}; }, nothing,
             [](GuiState& s) { s.standCount = 88; }, 4},
            {20, "parked counts, one changed",
             [] {
                 return U::ParkedCounts{3, 0};
             },
             nothing, [](GuiState& s) { s.parkedLiveCount = 3; }, 4},
            {20, "parked counts, static changed",
             [] {
                 return U::ParkedCounts{0, 2};
             },
             nothing, [](GuiState& s) { s.staticCount = 2; }, 4},
            {20, "parked counts equal",
             [] {
                 return U::ParkedCounts{0, 0};
             },
             nothing, unchanged, 0},
            {21, "parking target",
             [] {
                 return U::ParkingTarget{25, 40};
             },
             nothing,
             [](GuiState& s) {
                 s.maxParkedCount = 25;
                 s.maxParkedPercentage = 40;
             },
             4},
            {22, "quality text", [] { return U::QualityText{"B"}; }, nothing,
             [](GuiState& s) { s.qualityText = "B"; }, 4},
            {23, "park airport, expanded", [eddf] { return U::ParkAirport{eddf}; }, nothing,
             [eddf](GuiState& s) { s.parkAirport = eddf; }, 4},
            {23, "park airport, compact, none to some", [eddf] { return U::ParkAirport{eddf}; },
             [](Gui& gui) { lf_apply(gui, U::SetCompact{true}); },
             [eddf](GuiState& s) { s.parkAirport = eddf; }, 16},
            {23, "park airport, compact, one to another", [egll] { return U::ParkAirport{egll}; },
             [eddf](Gui& gui) {
                 lf_apply(gui, U::SetCompact{true});
                 lf_apply(gui, U::ParkAirport{eddf});
             },
             [egll](GuiState& s) { s.parkAirport = egll; }, 4},
            {23, "park airport, compact, some to none", [] { return U::ParkAirport{IcaoCode()}; },
             [eddf](Gui& gui) {
                 lf_apply(gui, U::SetCompact{true});
                 lf_apply(gui, U::ParkAirport{eddf});
             },
             [](GuiState& s) { s.parkAirport = IcaoCode(); }, 16},
            {24, "airport file clears the status",
             [] {
                 return U::AirportFile{true, "Frankfurt"};
             },
             showStatus,
             [](GuiState& s) {
                 s.airportFileLoaded = true;
                 s.parkAirportName = "Frankfurt";
                 s.statusLine.clear();
                 s.statusExpiryArmed = false;
             },
             12},
            {24, "airport file leaves a warning within its seconds",
             [] {
                 return U::AirportFile{false, "Heathrow"};
             },
             showWarning, [](GuiState& s) { s.parkAirportName = "Heathrow"; }, 12},
            {24, "airport file under an error line",
             [] {
                 return U::AirportFile{false, "Heathrow"};
             },
             showError, [](GuiState& s) { s.parkAirportName = "Heathrow"; }, 12},
            {25, "next parking update", [] { return U::NextParkingUpdate{30}; }, nothing,
             [](GuiState& s) { s.minutesToNextParkingUpdate = 30; }, 4},
            {26, "static fit hidden", [] { return U::StaticFitHidden{true}; }, nothing,
             [](GuiState& s) { s.staticFitHidden = true; }, 4},
            {27, "QNH, weather reader waiting", [] { return U::Qnh{1013}; },
             [](Gui& gui) { lf_apply(gui, U::WeatherReaderState{ReaderState::waitingForData}); },
             [](GuiState& s) {
                 s.qnhHpa = 1013;
                 s.weatherReaderState = ReaderState::receiving;
             },
             1},
            {27, "QNH, weather reader not running", [] { return U::Qnh{998}; }, nothing,
             [](GuiState& s) { s.qnhHpa = 998; }, 1},
            {28, "QNH unit changed", [] { return U::QnhUnit{true}; }, nothing,
             [](GuiState& s) { s.qnhInHg = true; }, 1},
            {28, "QNH unit equal", [] { return U::QnhUnit{false}; }, nothing, unchanged, 0},
            {29, "publisher",
             [] {
                 return U::Publisher{"Orbx", true};
             },
             nothing,
             [](GuiState& s) {
                 s.publisher = "Orbx";
                 s.airportFileHandmade = true;
             },
             4},
            {30, "airport-file updates changed", [] { return U::AirportFileUpdates{3}; }, nothing,
             [](GuiState& s) { s.airportFileUpdates = 3; }, 4},
            {30, "airport-file updates equal", [] { return U::AirportFileUpdates{0}; }, nothing,
             unchanged, 0},
            {31, "static fit changed", [] { return U::StaticFit{2.5F}; }, nothing,
             [](GuiState& s) { s.staticFit = 2.5F; }, 4},
            {31, "static fit equal", [] { return U::StaticFit{-1.0F}; }, nothing, unchanged, 0},
            {32, "live fit changed", [] { return U::LiveFit{0.5F}; }, nothing,
             [](GuiState& s) { s.liveFit = 0.5F; }, 4},
            {32, "live fit equal", [] { return U::LiveFit{-1.0F}; }, nothing, unchanged, 0},
            {33, "user stand changed", [] { return U::UserStand{"B7"}; }, nothing,
             [](GuiState& s) { s.userStand = "B7"; }, 1},
            {33, "user stand equal", [] { return U::UserStand{""}; }, nothing, unchanged, 0},
            {34, "time-shift controls disabled", [] { return U::TimeShiftControlsDisabled{}; },
             nothing, [](GuiState& s) { s.timeShiftEnabled = false; }, 2},
            {35, "status text",
             [] {
                 return U::StatusText{"hello", false};
             },
             nothing,
             [&clock](GuiState& s) {
                 s.statusLine = "hello";
                 s.statusExpiry = clock.steadyNow() + 25s;
                 s.statusExpiryArmed = true;
                 s.statusHeldUntil = clock.steadyNow() + 5s;
             },
             8},
            {35, "a lighter text waits behind a warning",
             [] {
                 return U::StatusText{"EGLL within reach", true};
             },
             showWarning, [](GuiState& s) { s.waitingStatus = "EGLL within reach"; }, 0},
            {35, "a warning replaces a warning at once",
             [] {
                 return U::StatusText{"Could not save", false, StatusWeight::warning};
             },
             showWarning,
             [&clock](GuiState& s) {
                 s.statusLine = "Could not save";
                 s.statusExpiry = clock.steadyNow() + 25s;
                 s.statusHeldUntil = clock.steadyNow() + 5s;
             },
             8},
            {36, "error text replaces the status", [] { return U::ErrorText{"boom"}; }, showStatus,
             [](GuiState& s) {
                 s.errorLine = "boom";
                 s.statusLine.clear();
                 s.statusExpiryArmed = false;
             },
             8},
            {36, "same error text again", [] { return U::ErrorText{"failed"}; }, showError,
             unchanged, 0},
            {37, "clear status", [] { return U::ClearStatus{}; }, showStatus,
             [](GuiState& s) {
                 s.statusLine.clear();
                 s.statusExpiryArmed = false;
             },
             8},
            {37, "clear status leaves a warning within its seconds and drops what waited",
             [] { return U::ClearStatus{}; },
             [showWarning](Gui& gui) {
                 showWarning(gui);
                 lf_apply(gui, U::StatusText{"EGLL within reach", false});
             },
             [](GuiState& s) { s.waitingStatus.clear(); }, 0},
            {37, "clear status, nothing shown", [] { return U::ClearStatus{}; }, nothing, unchanged,
             0},
            {37, "clear status under an error line", [] { return U::ClearStatus{}; }, showError,
             unchanged, 0},
            {38, "clear error", [] { return U::ClearError{}; }, showError,
             [](GuiState& s) { s.errorLine.clear(); }, 8},
            {38, "clear error, none shown", [] { return U::ClearError{}; }, nothing, unchanged, 0},
            {39, "reset", [] { return U::Reset{}; }, [this](Gui& gui) { fillEveryField(gui); },
             [](GuiState& s) {
                 // Kept: compact, QNH unit, the scan counts, the maximum parked percentage,
                 // the minutes to the next parking update and the static-plan count.
                 s.statusLine.clear();
                 s.errorLine.clear();
                 s.qualityText.clear();
                 s.userStand.clear();
                 s.parkAirportName.clear();
                 s.publisher.clear();
                 s.simulatorText.clear();
                 s.dataSourceText.clear();
                 s.statusExpiryArmed = false;
                 s.feedStatusPending = true;
                 s.userWingspanKnown = true;
                 s.timeShiftEnabled = true;
                 s.airportFileLoaded = false;
                 s.simulatorConnected = false;
                 s.airportFileHandmade = false;
                 s.staticFitHidden = false;
                 s.airportFileUpdates = 0;
                 s.liveAircraftCount = 0;
                 s.maxParkedCount = 0;
                 s.qnhHpa = 0;
                 s.parkedLiveCount = 0;
                 s.staticCount = 0;
                 s.standCount = 0;
                 s.parkAirport = IcaoCode();
                 s.staticFit = -1.0F;
                 s.liveFit = -1.0F;
                 s.trafficReaderState = ReaderState::notRunning;
                 s.weatherReaderState = ReaderState::notRunning;
             },
             15},
        };
    }
};

TEST_F(GuiUpdateApplyTest, EachKindChangesExactlyTheStateItsStepNames) {
    std::set<int> kindsCovered;
    for (const KindCase& c : cases()) {
        SCOPED_TRACE(::testing::Message() << "kind " << c.kind << ": " << c.label);
        Gui gui;
        c.setup(gui);
        GuiUpdate update = c.update();
        ASSERT_EQ(static_cast<int>(update.kind()), c.kind);
        GuiState expected = gui.state();
        c.expect(expected);

        const GuiRedrawFlags flags = gui.applyUpdate(update);

        EXPECT_EQ(flags, GuiRedrawFlags(c.flags));
        EXPECT_EQ(gui.state(), expected);
        kindsCovered.insert(c.kind);
    }
    EXPECT_EQ(kindsCovered.size(), kGuiUpdateKindCount) << "every kind needs a case";
}

TEST_F(GuiUpdateApplyTest, ResetKeepsStateWhoseValuesOutliveARestart) {
    Gui gui;
    fillEveryField(gui);
    GuiUpdate reset = U::Reset{};
    gui.applyUpdate(reset);

    const GuiState& s = gui.state();
    EXPECT_TRUE(s.compact);
    EXPECT_TRUE(s.qnhInHg);
    EXPECT_EQ(s.simaddonCount, 12u);
    EXPECT_EQ(s.thirdpCount, 34u);
    EXPECT_EQ(s.liveriesCount, 1234u);
    EXPECT_EQ(s.maxParkedPercentage, 60);
    EXPECT_EQ(s.minutesToNextParkingUpdate, 30);
    EXPECT_EQ(s.staticPlanCount, 9u);
    EXPECT_FALSE(gui.staticFitHiddenForSenders());
}

TEST_F(GuiUpdateApplyTest, AnUpdateWithoutAValidKindRaisesBadVariantAccess) {
    struct ThrowsOnConversion {
        operator std::string() const { throw std::runtime_error("no text"); }
    };
    Gui gui;
    GuiUpdate broken = U::ClearStatus{};
    EXPECT_ANY_THROW(broken.payload.emplace<U::DataSourceText>(ThrowsOnConversion{}));
    ASSERT_TRUE(broken.payload.valueless_by_exception());

    const GuiState before = gui.state();
    EXPECT_THROW(gui.applyUpdate(broken), std::bad_variant_access);
    EXPECT_EQ(gui.state(), before);
}

} // namespace
} // namespace skyloom::testing

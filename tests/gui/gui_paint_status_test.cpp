// The header, the counters band with its two lights and the bottom line, painted for the
// states the window goes through: what is known of the simulator and of RealTraffic, the
// scan counts, the QNH in either unit, and the status or error line.
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "gui/gui_palette.h"
#include "tests/gui/support/main_window_fixture.h"

namespace skyloom::testing {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::IsSupersetOf;
using ::testing::Not;
using U = GuiUpdate;

constexpr winui::COLORREF kBlack = winui::RGB(0, 0, 0);
constexpr winui::COLORREF kDarkGreen = winui::RGB(25, 150, 25);
constexpr winui::COLORREF kRed = winui::RGB(255, 0, 0);
constexpr winui::COLORREF kYellow = winui::RGB(255, 255, 0);

std::string lf_simulatorLight(winui::COLORREF colour) {
    return gf_recordedFill(403, 34, 436, 96, colour);
}
std::string lf_feedLight(winui::COLORREF colour) {
    return gf_recordedFill(435, 34, 468, 96, colour);
}

struct StatusCase {
    const char* name;
    bool simulatorConnected;
    bool realTrafficConnected;
    std::vector<GuiUpdate> updates;
    std::vector<std::string> drawn;
    std::vector<std::string> absent; // parts of texts that must not be drawn
};

class GuiPaintStatusTest : public MainWindowTest,
                           public ::testing::WithParamInterface<StatusCase> {};

TEST_P(GuiPaintStatusTest, TheCountersBandShowsWhatIsKnown) {
    const StatusCase& c = GetParam();
    ASSERT_NE(open([](winui::HWND) { return true; }), nullptr);
    facts_.simulatorConnected = c.simulatorConnected;
    facts_.realTrafficConnected = c.realTrafficConnected;
    for (GuiUpdate update : c.updates) {
        gui_.enqueueUpdate(std::move(update));
    }
    const std::vector<std::string> calls = recordPaint();
    EXPECT_THAT(calls, IsSupersetOf(c.drawn));
    for (const std::string& part : c.absent) {
        EXPECT_THAT(calls, Not(Contains(HasSubstr(part))));
    }
    // The header and the line between the lights are always there.
    EXPECT_THAT(calls, IsSupersetOf({gf_recordedText(3, 7, "Version 0.1.0", kTextGreen),
                                     gf_recordedText(415, 7, "Skyloom", kTextGreen),
                                     gf_recordedLine(435, 33, 435, 96, kBlack)}));
}

INSTANTIATE_TEST_SUITE_P(
    States, GuiPaintStatusTest,
    ::testing::Values(
        StatusCase{"NothingKnownYet",
                   false,
                   false,
                   {},
                   {lf_simulatorLight(kRed), lf_feedLight(kBlack),
                    gf_recordedText(5, 39, "MSFS", kTextGreen),
                    gf_recordedText(5, 71, "# simaddon: ...", kYellow),
                    gf_recordedText(167, 71, "# thirdp: ...", kYellow),
                    gf_recordedText(276, 71, "# liveries: ...", kYellow)},
                   {"qnh:", "# live aircraft:", "user stand"}},
        StatusCase{"SimulatorConnectedWithoutItsFlag",
                   true,
                   false,
                   {U::SimulatorText{"MSFS 2020 (11.0.282174.0)"}, U::UserStand{"B12"}},
                   {lf_simulatorLight(kYellow),
                    gf_recordedText(5, 39, "MSFS 2020 (11.0.282174.0)", kYellow),
                    gf_recordedText(222, 39, "user stand: B12", kYellow)},
                   {"\"MSFS\""}},
        StatusCase{"SimulatorRunning",
                   true,
                   false,
                   {U::SimulatorText{"MSFS 2024 (12.1.1.1)"}, U::SimulatorConnected{true}},
                   {lf_simulatorLight(kDarkGreen),
                    gf_recordedText(5, 39, "MSFS 2024 (12.1.1.1)", kTextGreen),
                    gf_recordedText(222, 39, "user stand: ", kTextGreen)},
                   {}},
        StatusCase{"FeedKnownButRealTrafficNotConnected",
                   false,
                   false,
                   {U::FeedStatusKnown{}, U::TrafficReaderState{ReaderState::receiving}},
                   {lf_feedLight(kRed)},
                   {"qnh:", "# live aircraft:"}},
        StatusCase{"ReadersWaitingForData",
                   false,
                   true,
                   {U::FeedStatusKnown{}, U::DataSourceText{"RT App 10.0.245"},
                    U::TrafficReaderState{ReaderState::waitingForData},
                    U::WeatherReaderState{ReaderState::waitingForData}},
                   {lf_feedLight(kYellow), gf_recordedText(494, 39, "RT App 10.0.245", kTextGreen),
                    gf_recordedText(494, 71, "qnh:", kYellow),
                    gf_recordedText(657, 71, "# live aircraft:", kYellow),
                    gf_recordedText(785, 71, "  0", kTextGreen)},
                   {"hPa"}},
        StatusCase{"ReceivingWithTheQnhInInches",
                   false,
                   true,
                   {U::FeedStatusKnown{}, U::TrafficReaderState{ReaderState::receiving},
                    U::WeatherReaderState{ReaderState::receiving}, U::Qnh{1013},
                    U::QnhUnit{true}, U::LiveAircraftCount{87}},
                   {lf_feedLight(kDarkGreen), gf_recordedText(494, 71, "qnh:", kTextGreen),
                    gf_recordedText(548, 71, "29.91 inHg", kTextGreen),
                    gf_recordedText(657, 71, "# live aircraft:", kTextGreen),
                    gf_recordedText(785, 71, " 87", kTextGreen)},
                   {"hPa"}},
        StatusCase{"AQnhOfZeroLeavesItsPlaceEmpty",
                   false,
                   true,
                   {U::WeatherReaderState{ReaderState::receiving}, U::QnhUnit{false}},
                   {gf_recordedText(494, 71, "qnh:", kTextGreen)},
                   {"hPa", "inHg"}},
        StatusCase{"AQnhInHectopascals",
                   false,
                   true,
                   {U::WeatherReaderState{ReaderState::receiving}, U::Qnh{998}},
                   {gf_recordedText(548, 71, "998 hPa", kTextGreen)},
                   {"inHg"}},
        StatusCase{"ScanCountsFilled",
                   false,
                   false,
                   {U::SimaddonCount{37}, U::ThirdpCount{12}, U::LiveriesCount{1523}},
                   {gf_recordedText(5, 71, "# simaddon: 37", kTextGreen),
                    gf_recordedText(167, 71, "# thirdp: 12", kTextGreen),
                    gf_recordedText(276, 71, "# livs: 1523", kTextGreen)},
                   {"..."}}),
    [](const ::testing::TestParamInfo<StatusCase>& info) { return info.param.name; });

// --- The bottom line ---

struct BottomCase {
    const char* name;
    bool compact;
    std::vector<GuiUpdate> updates;
    std::vector<std::string> drawn;
    std::vector<std::string> absent;
};

class GuiPaintBottomLineTest : public MainWindowTest,
                               public ::testing::WithParamInterface<BottomCase> {};

TEST_P(GuiPaintBottomLineTest, TheErrorLineWinsOverTheStatus) {
    const BottomCase& c = GetParam();
    ASSERT_NE(open([](winui::HWND) { return true; }), nullptr);
    gui_.enqueueUpdate(U::SetCompact{c.compact});
    for (GuiUpdate update : c.updates) {
        gui_.enqueueUpdate(std::move(update));
    }
    const std::vector<std::string> calls = recordPaint();
    EXPECT_THAT(calls, IsSupersetOf(c.drawn));
    for (const std::string& part : c.absent) {
        EXPECT_THAT(calls, Not(Contains(HasSubstr(part))));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, GuiPaintBottomLineTest,
    ::testing::Values(
        BottomCase{"StatusOnGreen",
                   false,
                   {U::StatusText{"Scan done", false}},
                   {gf_recordedFill(0, 736, 900, 768, kDarkGreen),
                    gf_recordedText(3, 743, "Scan done", kTextWhite)},
                   {"FillRect(0,736,900,768) brush=#FF0000"}},
        BottomCase{"ErrorOnRedHidesTheStatus",
                   false,
                   {U::StatusText{"Scan done", false}, U::ErrorText{"No simulator"},
                    U::StatusText{"Later status", false}},
                   {gf_recordedFill(0, 736, 900, 768, kRed),
                    gf_recordedText(3, 743, "No simulator", kTextWhite)},
                   {"Scan done", "Later status"}},
        BottomCase{"CompactErrorLine",
                   true,
                   {U::ErrorText{"No simulator"}},
                   {gf_recordedFill(0, 96, 900, 128, kRed),
                    gf_recordedText(3, 103, "No simulator", kTextWhite)},
                   {}},
        BottomCase{"ClearedErrorShowsNothing",
                   false,
                   {U::ErrorText{"No simulator"}, U::ClearError{}},
                   {gf_recordedFill(0, 736, 900, 768, kDarkGreen)},
                   {"No simulator", "FillRect(0,736,900,768) brush=#FF0000"}}),
    [](const ::testing::TestParamInfo<BottomCase>& info) { return info.param.name; });

} // namespace
} // namespace skyloom::testing

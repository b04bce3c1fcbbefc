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

using ::testing::IsSupersetOf;
using U = GuiUpdate;

std::string lf_simulatorLight(winui::COLORREF colour) {
    return gf_recordedFill(403, 34, 436, 96, colour);
}
std::string lf_feedLight(winui::COLORREF colour) {
    return gf_recordedFill(435, 34, 468, 96, colour);
}

struct PaintCase {
    const char* name;
    bool compact;
    bool simulatorConnected;
    bool realTrafficConnected;
    std::vector<GuiUpdate> updates;
    std::vector<std::string> drawn;
    std::vector<std::string> absent; // parts of texts that must not be drawn
};

class GuiPaintStatusTest : public MainWindowTest,
                           public ::testing::WithParamInterface<PaintCase> {};

TEST_P(GuiPaintStatusTest, TheCountersBandAndTheBottomLineShowWhatIsKnown) {
    const PaintCase& c = GetParam();
    facts_.simulatorConnected = c.simulatorConnected;
    facts_.realTrafficConnected = c.realTrafficConnected;
    const std::vector<std::string> calls = paintAfter(c.compact, c.updates);
    EXPECT_THAT(calls, IsSupersetOf(c.drawn));
    gf_expectNoLineWith(calls, c.absent);
    // The header and the line between the lights are always there.
    EXPECT_THAT(calls, IsSupersetOf({gf_recordedText(3, 7, "Version 0.1.0", kTextGreen),
                                     gf_recordedText(415, 7, "Skyloom", kTextGreen),
                                     gf_recordedLine(435, 33, 435, 96, kBlack)}));
}

std::string lf_name(const ::testing::TestParamInfo<PaintCase>& info) {
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(
    CountersBand, GuiPaintStatusTest,
    ::testing::Values(
        PaintCase{"NothingKnownYet",
                  false,
                  false,
                  false,
                  {},
                  {lf_simulatorLight(kRed), lf_feedLight(kBlack),
                   gf_recordedText(5, 39, "MSFS", kTextGreen),
                   gf_recordedText(5, 71, "# simaddon: ...", kYellow),
                   gf_recordedText(167, 71, "# thirdp: ...", kYellow),
                   gf_recordedText(276, 71, "# liveries: ...", kYellow)},
                  {"qnh:", "# live aircraft:", "user stand"}},
        PaintCase{"SimulatorConnectedWithoutItsFlag",
                  false,
                  true,
                  false,
                  {U::SimulatorText{"MSFS 2020 (11.0.282174.0)"}, U::UserStand{"B12"}},
                  {lf_simulatorLight(kYellow),
                   gf_recordedText(5, 39, "MSFS 2020 (11.0.282174.0)", kYellow),
                   gf_recordedText(222, 39, "user stand: B12", kYellow)},
                  {"\"MSFS\""}},
        PaintCase{"SimulatorRunning",
                  false,
                  true,
                  false,
                  {U::SimulatorText{"MSFS 2024 (12.1.1.1)"}, U::SimulatorConnected{true}},
                  {lf_simulatorLight(kDarkGreen),
                   gf_recordedText(5, 39, "MSFS 2024 (12.1.1.1)", kTextGreen),
                   gf_recordedText(222, 39, "user stand: ", kTextGreen)},
                  {}},
        PaintCase{"FeedKnownButRealTrafficNotConnected",
                  false,
                  false,
                  false,
                  {U::FeedStatusKnown{}, U::TrafficReaderState{ReaderState::receiving}},
                  {lf_feedLight(kRed)},
                  {"qnh:", "# live aircraft:"}},
        PaintCase{"ReadersWaitingForData",
                  false,
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
        PaintCase{"ReceivingWithTheQnhInInches",
                  false,
                  false,
                  true,
                  {U::FeedStatusKnown{}, U::TrafficReaderState{ReaderState::receiving},
                   U::WeatherReaderState{ReaderState::receiving}, U::Qnh{1013}, U::QnhUnit{true},
                   U::LiveAircraftCount{87}},
                  {lf_feedLight(kDarkGreen), gf_recordedText(494, 71, "qnh:", kTextGreen),
                   gf_recordedText(548, 71, "29.91 inHg", kTextGreen),
                   gf_recordedText(657, 71, "# live aircraft:", kTextGreen),
                   gf_recordedText(785, 71, " 87", kTextGreen)},
                  {"hPa"}},
        PaintCase{"AQnhOfZeroLeavesItsPlaceEmpty",
                  false,
                  false,
                  true,
                  {U::WeatherReaderState{ReaderState::receiving}, U::QnhUnit{false}},
                  {gf_recordedText(494, 71, "qnh:", kTextGreen)},
                  {"hPa", "inHg"}},
        PaintCase{"AQnhInHectopascals",
                  false,
                  false,
                  true,
                  {U::WeatherReaderState{ReaderState::receiving}, U::Qnh{998}},
                  {gf_recordedText(548, 71, "998 hPa", kTextGreen)},
                  {"inHg"}},
        PaintCase{"ScanCountsFilled",
                  false,
                  false,
                  false,
                  {U::SimaddonCount{37}, U::ThirdpCount{12}, U::LiveriesCount{1523}},
                  {gf_recordedText(5, 71, "# simaddon: 37", kTextGreen),
                   gf_recordedText(167, 71, "# thirdp: 12", kTextGreen),
                   gf_recordedText(276, 71, "# livs: 1523", kTextGreen)},
                  {"..."}}),
    lf_name);

INSTANTIATE_TEST_SUITE_P(
    BottomLine, GuiPaintStatusTest,
    ::testing::Values(PaintCase{"StatusOnGreen",
                                false,
                                false,
                                false,
                                {U::StatusText{"Scan done", false}},
                                {gf_recordedFill(0, 736, 900, 768, kDarkGreen),
                                 gf_recordedText(3, 743, "Scan done", kTextWhite)},
                                {"FillRect(0,736,900,768) brush=#FF0000"}},
                      PaintCase{"ErrorOnRedHidesTheStatus",
                                false,
                                false,
                                false,
                                {U::StatusText{"Scan done", false}, U::ErrorText{"No simulator"},
                                 U::StatusText{"Later status", false}},
                                {gf_recordedFill(0, 736, 900, 768, kRed),
                                 gf_recordedText(3, 743, "No simulator", kTextWhite)},
                                {"Scan done", "Later status"}},
                      PaintCase{"CompactErrorLine",
                                true,
                                false,
                                false,
                                {U::ErrorText{"No simulator"}},
                                {gf_recordedFill(0, 96, 900, 128, kRed),
                                 gf_recordedText(3, 103, "No simulator", kTextWhite)},
                                {}},
                      PaintCase{"ClearedErrorShowsNothing",
                                false,
                                false,
                                false,
                                {U::ErrorText{"No simulator"}, U::ClearError{}},
                                {gf_recordedFill(0, 736, 900, 768, kDarkGreen)},
                                {"No simulator", "FillRect(0,736,900,768) brush=#FF0000"}}),
    lf_name);

} // namespace
} // namespace skyloom::testing

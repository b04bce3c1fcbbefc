// The park-airport panel, row by row, in the expanded window and in the compact one with a
// park airport; and the option captions' colours following the settings.
#include <functional>
#include <optional>
#include <utility>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "gui/gui_palette.h"
#include "gui/gui_parking_window.h"
#include "gui/paint_facts.h"
#include "parking/park_airport_list.h"
#include "tests/gui/support/main_window_fixture.h"

namespace skyloom::testing {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::IsSupersetOf;
using ::testing::Not;
using U = GuiUpdate;

// An airport with its file loaded and parked aircraft on its stands.
std::vector<GuiUpdate> lf_loadedAirport() {
    return {U::ParkAirport{IcaoCode("LOWW")}, U::AirportFile{true, "Vienna"},
            U::Publisher{"JustSim", true},    U::QualityText{"92 %"},
            U::AirportFileUpdates{7},         U::StandCount{212},
            U::ParkedCounts{14, 96},          U::LiveFit{2.0F},
            U::NextParkingUpdate{23}};
}

// What parking shows the panel of static parking (the plan's count goes as kind 7).
StaticParkingShown lf_parking(bool generating, bool active, std::uint32_t week) {
    StaticParkingShown shown;
    shown.generating = generating;
    shown.active = active;
    shown.fileWeek = week;
    return shown;
}

std::vector<GuiUpdate> lf_with(std::vector<GuiUpdate> updates, std::vector<GuiUpdate> more) {
    for (GuiUpdate& update : more) {
        updates.push_back(std::move(update));
    }
    return updates;
}

struct PanelCase {
    const char* name;
    bool compact;
    bool simulatorConnected;
    StaticParkingShown parking;
    const char* reservedStand;
    std::vector<GuiUpdate> updates;
    // Expected texts as (x, row 1 to 3, text, colour).
    struct Text {
        int x;
        int row;
        std::string text;
        winui::COLORREF colour = kTextGreen;
    };
    std::vector<Text> drawn;
    std::vector<std::string> absent;
};

class GuiPaintPanelTest : public MainWindowTest, public ::testing::WithParamInterface<PanelCase> {};

TEST_P(GuiPaintPanelTest, ThePanelShowsItsRowsAtItsPlace) {
    const PanelCase& c = GetParam();
    facts_.simulatorConnected = c.simulatorConnected;
    if (c.reservedStand != nullptr) {
        facts_.reservedStand = c.reservedStand;
    }
    // As parking shows it, through the window's parking panel.
    GuiParkingWindow(gui_, parameters_, run_.requests_).showStaticParking(c.parking);
    const std::vector<std::string> calls = paintAfter(c.compact, c.updates);
    const int top = c.compact ? 96 : 640;
    for (const PanelCase::Text& text : c.drawn) {
        EXPECT_THAT(calls, Contains(gf_recordedText(text.x, top + 7 + 32 * (text.row - 1),
                                                    text.text, text.colour)));
    }
    gf_expectNoLineWith(calls, c.absent);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, GuiPaintPanelTest,
    ::testing::Values(
        PanelCase{"NoAirportWithoutSimulator",
                  false,
                  false,
                  lf_parking(false, false, 0),
                  nullptr,
                  {},
                  {},
                  {"airport: ", "No airport", "# stands"}},
        PanelCase{"NoAirportWithinReach",
                  false,
                  true,
                  lf_parking(false, false, 0),
                  nullptr,
                  {},
                  {{5, 1, "No airport within reach"}},
                  {"airport:", "# stands"}},
        PanelCase{"AirportWithoutFile",
                  false,
                  true,
                  lf_parking(false, false, 0),
                  nullptr,
                  {U::ParkAirport{IcaoCode("LOWW")}, U::StandCount{3}},
                  {{5, 1, "airport: LOWW", kYellow}},
                  {"publisher", "# stands", "qf:", "within reach"}},
        PanelCase{"FileLoadedWithoutParkedTarget",
                  false,
                  false,
                  lf_parking(false, false, 0),
                  nullptr,
                  lf_with(lf_loadedAirport(), {U::UserWingspanKnown{false}}),
                  {{5, 1, "airport: LOWW"},
                   {167, 1, " Vienna   publisher: JustSim (h),  week: 0"},
                   {657, 1, "wingspan user ac unknown?", kYellow},
                   {440, 2, "qf: 92 %"},
                   {765, 2, "# updates:    7"},
                   {5, 3, "# stands: 212"},
                   {167, 3, "park live:  14"},
                   {276, 3, "live fit: 2"}},
                  {"static", "max park: ", "next update", "reserved stand: ", "generating"}},
        PanelCase{"StaticParkingActive",
                  false,
                  false,
                  lf_parking(false, true, 12),
                  "C35",
                  lf_with(lf_loadedAirport(),
                          {U::ParkingTarget{120, 60}, U::StaticPlanCount{4}, U::StaticFit{3.5F}}),
                  {{167, 1, " Vienna   publisher: JustSim (h),  week: 12"},
                   {5, 2, "next update (min):"},
                   {167, 2, "23"},
                   {548, 2, "reserved stand: C35"},
                   {440, 3, "static:  96"},
                   {505, 3, " (4)", kYellow},
                   {548, 3, "static fit: 3.5"},
                   {657, 3, "max park: 120 (=60 %)"}},
                  {"wingspan", "generating"}},
        PanelCase{"GeneratingHidesTheNextUpdate",
                  false,
                  false,
                  lf_parking(true, true, 12),
                  nullptr,
                  lf_with(lf_loadedAirport(), {U::ParkingTarget{120, 60}, U::StaticFitHidden{true},
                                               U::StaticFit{3.5F}}),
                  {{5, 2, "generating parking ...", kYellow}},
                  {"next update", "static fit", "reserved stand: "}},
        PanelCase{"AnUpdateBeyondADayIsNotShown",
                  false,
                  false,
                  lf_parking(false, true, 1),
                  nullptr,
                  lf_with(lf_loadedAirport(), {U::NextParkingUpdate{1441}}),
                  {{440, 2, "qf: 92 %"}},
                  {"next update"}},
        PanelCase{"CompactWithAnAirport",
                  true,
                  false,
                  lf_parking(false, true, 12),
                  nullptr,
                  lf_with(lf_loadedAirport(), {U::ParkingTarget{10, 30}}),
                  {{5, 1, "airport: LOWW"},
                   {5, 2, "next update (min):"},
                   {5, 3, "# stands: 212"},
                   {657, 3, "max park:  10 (=30 %)"}},
                  {}}),
    [](const ::testing::TestParamInfo<PanelCase>& info) { return info.param.name; });

TEST(GuiPaintFactsTest, TheReservedStandIsTheOneTheParkAirportListKeepsForTheDestination) {
    ParkAirportList& list = gf_parkAirportList();
    list.setPositionAndName(IcaoCode("KLAX"), Lalo{33.9425, -118.4081}, "");
    ASSERT_TRUE(list.reserveStand(IcaoCode("KLAX"), "C35"));
    for (const auto& [destination, stand] :
         std::vector<std::pair<std::string, std::optional<std::string>>>{
             {"KLAX", "C35"}, {"klax", "C35"}, {"EGLL", std::nullopt}, {"", std::nullopt},
             {"LAX", std::nullopt}}) {
        EXPECT_EQ(gf_reservedStandAt(destination), stand) << destination;
    }
    ASSERT_TRUE(list.reserveStand(IcaoCode("KLAX"), ""));
    EXPECT_EQ(gf_reservedStandAt("KLAX"), std::nullopt) << "no stand reserved any more";
}

// --- Option captions ---

struct CaptionCase {
    const char* name;
    std::function<void(ParamsSnapshot&)> settings;
    bool rtDirect;
    bool timeShiftDisabled;
    // (parameter name, caption, colour, bold)
    struct Caption {
        std::string parameter;
        std::string text;
        winui::COLORREF colour;
        bool bold = false;
    };
    std::vector<Caption> drawn;
};

class GuiPaintCaptionsTest : public MainWindowTest,
                             public ::testing::WithParamInterface<CaptionCase> {};

TEST_P(GuiPaintCaptionsTest, CaptionsStandAtTheirControlsInTheColourTheSettingsAsk) {
    const CaptionCase& c = GetParam();
    ASSERT_NE(open([](winui::HWND) { return true; }), nullptr);
    ParamsSnapshot settings = parameters_.snapshot();
    c.settings(settings);
    facts_.settings = std::make_shared<const ParamsSnapshot>(settings);
    facts_.rtDirect = c.rtDirect;
    if (c.timeShiftDisabled) {
        gui_.enqueueUpdate(U::TimeShiftControlsDisabled{});
    }
    const std::vector<std::string> calls = recordPaint();
    for (const CaptionCase::Caption& caption : c.drawn) {
        const auto* control =
            dynamic_cast<const OptionControl*>(parameters_.findByName(caption.parameter));
        ASSERT_NE(control, nullptr) << caption.parameter;
        EXPECT_THAT(calls,
                    Contains(gf_recordedText(control->layout().captionX, control->layout().rowY,
                                             caption.text, caption.colour, caption.bold)))
            << caption.parameter;
    }
}

constexpr winui::COLORREF kBlack = winui::RGB(0, 0, 0);
constexpr winui::COLORREF kRed = winui::RGB(255, 0, 0);

INSTANTIATE_TEST_SUITE_P(
    Settings, GuiPaintCaptionsTest,
    ::testing::Values(
        CaptionCase{"Defaults",
                    [](ParamsSnapshot& s) {
                        s.RANDOM = true;
                        s.GUID_CHANGES = true;
                        s.RT_PARKTRAFFIC_ONLY = 0;
                        s.AUTO_PARK = 1;
                        s.MAX_LIVE_SEL = 500;
                        s.MAX_PARK_SEL = 100;
                    },
                    false,
                    false,
                    {{"RANDOM", "Random", kBlack},
                     {"GUID_CHANGES", "GUID changes", kBlack},
                     {"OBJECTID_LIST", "Objectids", kBlack},
                     {"AEROWINX", "Aerowinx", kBlack},
                     {"MAX_LIVE_SEL", "max live", kBlack},
                     {"MAX_FIT_FL", "max fit hrs", kTextGrey},
                     {"WEEK", "week", kTextGrey},
                     {"parking_percentage", "target % ", kBlack},
                     {"PARKING_INTERVAL_MINUTES", "update interval (min)", kBlack, true},
                     {"TIME_SHIFT_DAYS", "day", kBlack}}},
        CaptionCase{"SettingsWorthAttention",
                    [](ParamsSnapshot& s) {
                        s.RANDOM = false;
                        s.GUID_CHANGES = false;
                        s.OBJECTID_LIST = true;
                        s.AEROWINX = true;
                        s.MAX_LIVE_SEL = 0;
                        s.MAX_PARK_SEL = 100;
                        s.TIME_SHIFT_DAYS = 2;
                    },
                    false,
                    false,
                    {{"RANDOM", "Random", kTextYellow},
                     {"GUID_CHANGES", "GUID changes", kTextYellow},
                     {"OBJECTID_LIST", "Objectids", kTextYellow},
                     {"AEROWINX", "Aerowinx", kTextYellow},
                     {"MAX_LIVE_SEL", "max live", kTextYellow},
                     {"MAX_PARK_SEL", "max park", kBlack},
                     {"TIME_SHIFT_DAYS", "day", kTextYellow},
                     {"TIME_SHIFT_HOURS", "hour", kBlack}}},
        CaptionCase{"NoAircraftAtAll",
                    [](ParamsSnapshot& s) {
                        s.MAX_LIVE_SEL = 0;
                        s.MAX_PARK_SEL = 0;
                    },
                    false,
                    false,
                    {{"MAX_LIVE_SEL", "max live", kRed}, {"MAX_PARK_SEL", "max park", kRed}}},
        CaptionCase{"RealTrafficParkedOnly",
                    [](ParamsSnapshot& s) {
                        s.RT_PARKTRAFFIC_ONLY = 1;
                        s.AUTO_PARK = 1;
                    },
                    false,
                    false,
                    {{"parking_percentage", "target % ", kTextGrey},
                     {"AUTO_PARK", "auto park", kTextGrey},
                     {"MAX_FIT_FL", "max fit hrs", kBlack},
                     {"PARK_SOFT", "soft", kTextGrey}}},
        CaptionCase{"ManualParking",
                    [](ParamsSnapshot& s) {
                        s.RT_PARKTRAFFIC_ONLY = 0;
                        s.AUTO_PARK = 0;
                    },
                    false,
                    false,
                    {{"MAX_FIT_FL", "max fit hrs", kBlack},
                     {"WEEK", "week", kBlack},
                     {"AUTO_PARK", "auto park", kBlack}}},
        CaptionCase{"DirectRoadAndTimeShiftDisabled",
                    [](ParamsSnapshot& s) {
                        s.AEROWINX = true;
                        s.TIME_SHIFT_DAYS = 2;
                    },
                    true,
                    true,
                    {{"AEROWINX", "Aerowinx", kTextGrey},
                     {"TIME_SHIFT_DAYS", "day", kTextGrey},
                     {"KEEP_SIM_TIME_PAR", "Keep", kTextGrey},
                     {"SIM_TIME", "Sim Time", kTextGrey}}}),
    [](const ::testing::TestParamInfo<CaptionCase>& info) { return info.param.name; });

class GuiPaintTitlesTest : public MainWindowTest {};

TEST_F(GuiPaintTitlesTest, SectionTitlesAreBoldAndTheTimeShiftTitleGreysWhenDisabled) {
    ASSERT_NE(open([](winui::HWND) { return true; }), nullptr);
    std::vector<std::string> calls = recordPaint();
    EXPECT_THAT(calls, IsSupersetOf({gf_recordedText(5, 103, "DATA SOURCES", kBlack, true),
                                     gf_recordedText(657, 103, "CONFIGURATION", kBlack, true),
                                     gf_recordedText(5, 207, "COLLISION AVOIDANCE", kBlack, true),
                                     gf_recordedText(657, 207, "MISC", kBlack, true),
                                     gf_recordedText(5, 343, "TRAFFIC INJECTION", kBlack, true),
                                     gf_recordedText(657, 343, "TIME SHIFT", kBlack, true),
                                     gf_recordedText(5, 511, "PARKING", kBlack, true)}));
    gui_.enqueueUpdate(U::TimeShiftControlsDisabled{});
    calls = recordPaint();
    EXPECT_THAT(calls, Contains(gf_recordedText(657, 343, "TIME SHIFT", kTextGrey, false)));
    // Compact: no captions at all.
    gui_.enqueueUpdate(U::SetCompact{true});
    EXPECT_THAT(recordPaint(), Not(Contains(HasSubstr("DATA SOURCES"))));
}

} // namespace
} // namespace skyloom::testing

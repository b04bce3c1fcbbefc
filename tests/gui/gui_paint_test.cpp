// The main window's painting through the recording context: every band, line and text where
// the layout puts it, in the colours the window state and the paint facts call for, drawn in
// layout units into one memory bitmap and copied to the client area in one blit, at 96 and
// 144 DPI; and the pixels of the same paint at the scaled places.
#include <algorithm>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "gui/gui_layout.h"
#include "gui/gui_palette.h"
#include "gui/gui_text.h"
#include "platform/winui/capture.h"
#include "platform/winui/dpi.h"
#include "platform/winui/image.h"
#include "platform/winui/painting.h"
#include "tests/gui/support/main_window_fixture.h"

namespace skyloom::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAreArray;
using ::testing::IsSupersetOf;
using U = GuiUpdate;

std::vector<std::string> lf_starting(const std::vector<std::string>& calls, std::string_view head) {
    std::vector<std::string> found;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(found),
                 [head](const std::string& call) { return call.rfind(head, 0) == 0; });
    return found;
}

// --- Bands and lines, per mode and DPI ---

enum class Mode { expanded, compactWithAirport, compact };

struct BandCase {
    Mode mode;
    winui::UINT dpi;
};

std::string lf_caseName(const ::testing::TestParamInfo<BandCase>& info) {
    const char* mode = info.param.mode == Mode::expanded             ? "Expanded"
                       : info.param.mode == Mode::compactWithAirport ? "CompactWithAirport"
                                                                     : "Compact";
    return std::string(mode) + "At" + std::to_string(info.param.dpi);
}

class GuiPaintBandsTest : public MainWindowTest, public ::testing::WithParamInterface<BandCase> {};

TEST_P(GuiPaintBandsTest, EveryBandAndLineIsDrawnWhereTheLayoutPutsItAndBlittedOnce) {
    const BandCase c = GetParam();
    useScreenAt(c.dpi);
    ASSERT_NE(open([](winui::HWND) { return true; }), nullptr);
    if (c.mode == Mode::compactWithAirport) {
        gui_.enqueueUpdate(U::ParkAirport{IcaoCode("EDDF")});
    }
    if (c.mode != Mode::expanded) {
        gui_.enqueueUpdate(U::SetCompact{true});
    }
    const int height = c.mode == Mode::expanded             ? 768
                       : c.mode == Mode::compactWithAirport ? 224
                                                            : 128;
    const int scale = static_cast<int>(c.dpi);
    const winui::SIZE client = clientSize();
    EXPECT_EQ(client.cx, winui::MulDiv(900, scale, 96));
    EXPECT_EQ(client.cy, winui::MulDiv(height, scale, 96));

    const std::vector<std::string> calls = recordPaint();

    // The bands, in layout units whatever the DPI.
    std::vector<std::string> fills = {gf_recordedFill(0, 0, 900, 32, kBlack),
                                      gf_recordedFill(0, 32, 900, 96, kBlack)};
    if (c.mode == Mode::expanded) {
        fills.push_back(gf_recordedFill(0, 96, 900, 640, kOptionsBlue));
        fills.push_back(gf_recordedFill(0, 640, 900, 736, kBlack));
        fills.push_back(gf_recordedFill(0, 736, 900, 768, kDarkGreen));
    } else if (c.mode == Mode::compactWithAirport) {
        fills.push_back(gf_recordedFill(0, 96, 900, 192, kBlack));
        fills.push_back(gf_recordedFill(0, 192, 900, 224, kDarkGreen));
    } else {
        fills.push_back(gf_recordedFill(0, 96, 900, 128, kDarkGreen));
    }
    const std::vector<std::string> recordedFills = lf_starting(calls, "FillRect(");
    ASSERT_GE(recordedFills.size(), fills.size());
    EXPECT_THAT(std::vector<std::string>(recordedFills.begin(),
                                         recordedFills.begin() + static_cast<long>(fills.size())),
                ElementsAreArray(fills));

    // The separators: white under the header, black in the options area.
    std::vector<std::string> lines = {gf_recordedLine(0, 32, 900, 32, kWhite)};
    if (c.mode == Mode::expanded) {
        lines.push_back(gf_recordedLine(0, 97, 900, 97, kWhite));
        lines.push_back(gf_recordedLine(0, 200, 900, 200, kBlack));
        lines.push_back(gf_recordedLine(0, 336, 900, 336, kBlack));
        lines.push_back(gf_recordedLine(0, 504, 647, 504, kBlack));
        lines.push_back(gf_recordedLine(647, 464, 900, 464, kBlack));
        lines.push_back(gf_recordedLine(647, 96, 647, 504, kBlack));
    } else {
        lines.push_back(gf_recordedLine(0, 96, 900, 96, kWhite));
    }
    EXPECT_THAT(calls, IsSupersetOf(lines));
    EXPECT_THAT(calls, Contains(gf_recordedText(
                           773, 6, c.mode == Mode::expanded ? "Compact" : "Expand", kTextGreen)));

    // One blit of the whole client area, last.
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back(),
              fmt::format("BitBlt(0,0,{},{}) from=0,0 rop=SRCCOPY", client.cx, client.cy));
    EXPECT_EQ(lf_starting(calls, "BitBlt(").size(), 1u);

    // The compact switch in device pixels, where a click is tested.
    const winui::RECT hot = gui_.compactHotRect();
    EXPECT_EQ(hot.left, winui::MulDiv(765, scale, 96));
    EXPECT_EQ(hot.top, winui::MulDiv(4, client.cy, height));
    EXPECT_EQ(hot.right, winui::MulDiv(855, scale, 96));
    EXPECT_EQ(hot.bottom, winui::MulDiv(30, client.cy, height));

    // The same paint in pixels: each band's colour at its scaled place, clear of any text.
    winui::InvalidateRect(window_->window(), nullptr, winui::FALSE);
    pump();
    const winui::Image picture = winui::captureWindow(window_->window());
    const auto pixelAt = [&](int x, int y) {
        return picture.pixel(winui::MulDiv(x, client.cx, 900), winui::MulDiv(y, client.cy, height));
    };
    EXPECT_EQ(pixelAt(895, 20), kBlack);
    EXPECT_EQ(pixelAt(895, 60), kBlack);
    EXPECT_EQ(pixelAt(410, 60), kRed); // the simulator light, not connected
    EXPECT_EQ(pixelAt(895, height - 4), kDarkGreen);
    if (c.mode == Mode::expanded) {
        EXPECT_EQ(pixelAt(895, 99), kOptionsBlue);
        EXPECT_EQ(pixelAt(895, 700), kBlack);
    } else if (c.mode == Mode::compactWithAirport) {
        EXPECT_EQ(pixelAt(895, 150), kBlack);
    }
}

INSTANTIATE_TEST_SUITE_P(EachModeAt96And144Dpi, GuiPaintBandsTest,
                         ::testing::Values(BandCase{Mode::expanded, 96},
                                           BandCase{Mode::expanded, 144},
                                           BandCase{Mode::compactWithAirport, 96},
                                           BandCase{Mode::compactWithAirport, 144},
                                           BandCase{Mode::compact, 96},
                                           BandCase{Mode::compact, 144}),
                         lf_caseName);

// --- The bottom line ---

TEST_F(MainWindowTest, TheBottomLineDrawsItsTextAsOneLine) {
    const struct {
        U line;
        std::string drawn;
    } cases[] = {
        {U::StatusText{"Parking adjustments: 2 to be removed, 3 to be added\n", true},
         "Parking adjustments: 2 to be removed, 3 to be added"},
        {U::StatusText{"first\r\n\nsecond", false}, "first second"},
        {U::StatusText{"\nleading and\rinner\n", false}, "leading and inner"},
        {U::ErrorText{"lf_main exception: no dbase\n"}, "lf_main exception: no dbase"},
    };
    for (const auto& c : cases) {
        gui_.enqueueUpdate(U::ClearError{});
        const std::vector<std::string> calls = paintAfter(false, {c.line});
        EXPECT_THAT(calls, Contains(gf_recordedText(3, 743, c.drawn, kWhite))) << c.drawn;
        gf_expectNoLineWith(calls, {"\n", "\r"});
    }
}

} // namespace
} // namespace skyloom::testing

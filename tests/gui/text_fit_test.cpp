// Every text the main window paints fits the room its layout gives it, at 96, 144 and 192 DPI:
// measured in the font it is drawn with, no text runs into another text, into an option
// control, a separator, a status light or the compact switch, nor past the window's right
// edge. The window shows the longest values a run gives it (a simulator version of every
// digit, the counts and the park-airport panel filled, the stop's error line).
#include <algorithm>
#include <regex>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "foundation/utf.h"
#include "gui/gui_parking_window.h"
#include "gui/gui_text.h"
#include "gui/install_path_check.h"
#include "platform/winui/gdi.h"
#include "platform/winui/gdi_objects.h"
#include "platform/winui/window.h"
#include "platform/winui/window_geometry.h"
#include "tests/gui/support/main_window_fixture.h"

namespace skyloom::testing {
namespace {

using U = GuiUpdate;

// A rectangle in layout units; right and bottom exclusive.
struct Box {
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
    std::string what;
};

bool lf_overlap(const Box& a, const Box& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

std::string lf_describe(const Box& box) {
    return fmt::format("{} ({:.1f}..{:.1f} x {:.1f}..{:.1f})", box.what, box.left, box.right,
                       box.top, box.bottom);
}

// What the window shows while a run is under way at a park airport, with the longest values
// a run sends.
std::vector<GuiUpdate> lf_busyWindow() {
    return {U::SimulatorText{"MSFS 2024 (12.1.282174.999)"},
            U::SimulatorConnected{true},
            U::UserStand{"GATE 123"},
            U::SimaddonCount{9999},
            U::ThirdpCount{9999},
            U::LiveriesCount{99999},
            U::FeedStatusKnown{},
            U::DataSourceText{"RT API, professional licence"},
            U::TrafficReaderState{ReaderState::receiving},
            U::WeatherReaderState{ReaderState::receiving},
            U::Qnh{1013},
            U::LiveAircraftCount{999},
            U::ParkAirport{IcaoCode("LOWW")},
            U::AirportFile{true, "Vienna Schwechat"},
            U::Publisher{"JustSim", true},
            U::QualityText{"92 %"},
            U::StandCount{212},
            U::ParkedCounts{14, 96},
            U::ParkingTarget{120, 60},
            U::NextParkingUpdate{120},
            U::AirportFileUpdates{7},
            U::StaticFit{3.5F},
            U::LiveFit{2.5F},
            U::StaticPlanCount{4}};
}

class TextFitTest : public MainWindowTest, public ::testing::WithParamInterface<winui::UINT> {
protected:
    // The boxes of every text the next paint draws, measured in its font at the window's DPI.
    std::vector<Box> paintedTexts() {
        const std::vector<std::string> calls = recordPaint();
        const double scale = clientSize().cx / 900.0; // device pixels per layout unit
        const winui::HDC dc = winui::CreateCompatibleDC(nullptr);
        const std::regex textOut(R"re(^TextOutW\((-?\d+),(-?\d+)\) "(.*)" font="[^"]*"/-?\d+/(\d+) )re");
        std::vector<Box> boxes;
        for (const std::string& call : calls) {
            std::smatch m;
            if (!std::regex_search(call, m, textOut)) {
                continue;
            }
            const std::string text = m[3];
            const bool bold = std::stoi(m[4]) >= 700;
            const winui::HFONT font = gf_createGuiFont(bold, GetParam());
            const winui::HGDIOBJ previous = winui::SelectObject(dc, font);
            const auto width = [&](std::string_view part) {
                const std::u16string wide = utf8_to_wide(part);
                winui::SIZE size{};
                winui::GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()),
                                             &size);
                return size;
            };
            // The ink runs from the first to the last character that is not a space.
            const std::size_t first = text.find_first_not_of(' ');
            const std::size_t last = text.find_last_not_of(' ');
            if (first != std::string::npos) {
                const double x = std::stod(m[1]);
                const double y = std::stod(m[2]);
                const winui::SIZE lead = width(text.substr(0, first));
                const winui::SIZE through = width(text.substr(0, last + 1));
                boxes.push_back(Box{x + (first == 0 ? 0 : lead.cx / scale), y,
                                    x + through.cx / scale, y + through.cy / scale,
                                    fmt::format("\"{}\"", text)});
            }
            winui::SelectObject(dc, previous);
            winui::DeleteObject(font);
        }
        winui::DeleteDC(dc);
        return boxes;
    }

    // What a text must stay clear of: the option controls as they stand at this DPI, the
    // separators, the status lights and the compact switch's frame.
    std::vector<Box> obstacles() const {
        const double scale = clientSize().cx / 900.0;
        std::vector<Box> found;
        for (const winui::HWND control : gui_.optionWindows()) {
            if (winui::IsWindowVisible(control) == winui::FALSE) {
                continue;
            }
            winui::RECT r{};
            winui::GetWindowRect(control, &r);
            winui::POINT corners[2] = {{r.left, r.top}, {r.right, r.bottom}};
            winui::MapWindowPoints(nullptr, window_->window(), corners, 2);
            // A drop-down combo box is as high as its closed field, whatever its list.
            found.push_back(Box{corners[0].x / scale, corners[0].y / scale,
                                corners[1].x / scale, corners[1].y / scale,
                                fmt::format("control {}", winui::GetDlgCtrlID(control))});
        }
        // The lines and rectangles the painter draws, as thin boxes.
        found.push_back(Box{647, 96, 648, 504, "separator at x 647"});
        found.push_back(Box{0, 200, 900, 201, "separator at y 200"});
        found.push_back(Box{0, 336, 900, 337, "separator at y 336"});
        found.push_back(Box{0, 504, 647, 505, "separator at y 504"});
        found.push_back(Box{647, 464, 900, 465, "separator at y 464"});
        found.push_back(Box{403, 34, 468, 96, "status lights"});
        found.push_back(Box{765, 4, 766, 30, "compact switch, left"});
        found.push_back(Box{854, 4, 855, 30, "compact switch, right"});
        return found;
    }

    void expectEveryTextFits() {
        const std::vector<Box> texts = paintedTexts();
        ASSERT_GT(texts.size(), 60u) << "a full window paints every caption";
        const std::vector<Box> others = obstacles();
        for (std::size_t i = 0; i < texts.size(); ++i) {
            const Box& text = texts[i];
            EXPECT_LE(text.right, 900.0) << lf_describe(text) << " runs past the right edge";
            for (std::size_t j = i + 1; j < texts.size(); ++j) {
                EXPECT_FALSE(lf_overlap(text, texts[j]))
                    << lf_describe(text) << " runs into " << lf_describe(texts[j]);
            }
            for (const Box& other : others) {
                EXPECT_FALSE(lf_overlap(text, other))
                    << lf_describe(text) << " runs into " << lf_describe(other);
            }
        }
    }
};

TEST_P(TextFitTest, EveryCaptionAndValueFitsItsRoom) {
    useScreenAt(GetParam());
    facts_.simulatorConnected = true;
    facts_.realTrafficConnected = true;
    facts_.reservedStand = "GATE 123";
    ASSERT_NE(open(), nullptr);
    GuiParkingWindow(gui_, parameters_, run_.requests_)
        .showStaticParking(StaticParkingShown{false, true, 2613, 0});
    for (GuiUpdate update : lf_busyWindow()) {
        gui_.enqueueUpdate(std::move(update));
    }
    gui_.enqueueUpdate(U::StatusText{"Skyloom will update static parking soon ...", false});
    pump();
    expectEveryTextFits();

    // The longest error line the start-up shows.
    gui_.enqueueUpdate(U::ErrorText{gf_installPathMissingText(SimChoice::msfs2024)});
    pump();
    expectEveryTextFits();
}

INSTANTIATE_TEST_SUITE_P(AtEachDpi, TextFitTest, ::testing::Values(96U, 144U, 192U),
                         [](const ::testing::TestParamInfo<winui::UINT>& info) {
                             return fmt::format("Dpi{}", info.param);
                         });

} // namespace
} // namespace skyloom::testing

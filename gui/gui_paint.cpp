// Painting the main window: the whole picture is drawn into one memory bitmap in the 900-unit
// layout space, mapped onto the client area, and copied to the window in one blit, so that a
// partial repaint never flickers. This file paints the frame of bands, the header, the
// compact switch, the counters band and the bottom line; the option captions and the
// park-airport panel have files of their own.
#include <string>

#include <fmt/format.h>

#include "gui/gui.h"
#include "gui/gui_drawing.h"
#include "gui/gui_layout.h"
#include "gui/gui_palette.h"
#include "gui/gui_text.h"
#include "platform/winui/gdi.h"
#include "platform/winui/gdi_objects.h"
#include "platform/winui/window_geometry.h"

namespace skyloom {
namespace {

constexpr const char* kCopyrightText = "\u00A9 Skyloom developers";
// hPa to inHg.
constexpr double kInHgPerHpa = 0.029528744564459433;

// The compact/expand switch in layout units, and where its word stands.
constexpr winui::RECT kCompactSwitch{765, 4, 855, 30};
constexpr winui::POINT kCompactSwitchText{773, 6};

// The two status lights of the counters band.
constexpr winui::RECT kSimulatorLight{403, 34, 436, 96};
constexpr winui::RECT kFeedLight{435, 34, 468, 96};

bool lf_readerShown(ReaderState state) {
    return state == ReaderState::receiving || state == ReaderState::waitingForData;
}

winui::COLORREF lf_readerColour(ReaderState state) {
    return state == ReaderState::waitingForData ? kTextYellow : kTextGreen;
}

std::string lf_countText(std::string_view label, std::uint64_t count) {
    return count == 0 ? fmt::format("{}...", label) : fmt::format("{}{}", label, count);
}

} // namespace

void Gui::setPaintFactsSource(GuiPaintFactsSource source) {
    paintFacts_ = std::move(source);
}

GuiPaintFacts Gui::paintFacts() const {
    return paintFacts_ ? paintFacts_() : gf_programPaintFacts();
}

void Gui::paint(winui::HDC dc) {
    const winui::HWND window = window_.load();
    winui::RECT client{};
    if (window == nullptr || winui::GetClientRect(window, &client) == winui::FALSE) {
        return;
    }
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    if (width <= 0 || height <= 0) {
        return; // nothing shows: a minimised window
    }
    const GuiPaintFacts facts = paintFacts();
    const GuiBands bands = gf_guiBands(state_.compact, state_.parkAirport.isSet());

    // 1. The memory context with the layout mapped onto the client area.
    const winui::HDC memory = winui::CreateCompatibleDC(dc);
    const winui::HBITMAP bitmap = winui::CreateCompatibleBitmap(dc, width, height);
    const winui::HGDIOBJ previousBitmap = winui::SelectObject(memory, bitmap);
    const int saved = winui::SaveDC(memory);
    winui::SetMapMode(memory, winui::MM_ANISOTROPIC);
    winui::SetWindowExtEx(memory, kLayoutWidth, bands.height, nullptr);
    winui::SetViewportExtEx(memory, width, height, nullptr);

    // 2. The bands.
    gf_fillLayoutRect(memory, 0, bands.header.top, kLayoutWidth, bands.header.bottom,
                      brushes_.black.get());
    gf_fillLayoutRect(memory, 0, bands.counters.top, kLayoutWidth, bands.counters.bottom,
                      brushes_.black.get());
    if (bands.options) {
        gf_fillLayoutRect(memory, 0, bands.options->top, kLayoutWidth, bands.options->bottom,
                          brushes_.lightBlue.get());
    }
    if (bands.airportPanel) {
        gf_fillLayoutRect(memory, 0, bands.airportPanel->top, kLayoutWidth,
                          bands.airportPanel->bottom, brushes_.black.get());
    }
    gf_fillLayoutRect(memory, 0, bands.bottomLine.top, kLayoutWidth, bands.bottomLine.bottom,
                      brushes_.darkGreen.get());

    // 3. and 4. The separators.
    gf_drawLayoutLine(memory, 0, 32, kLayoutWidth, 32, pens_.white.get());
    if (!state_.compact) {
        gf_drawLayoutLine(memory, 0, 97, kLayoutWidth, 97, pens_.white.get());
        for (const LayoutSegment& segment : kOptionSeparators) {
            gf_drawLayoutLine(memory, segment.from.x, segment.from.y, segment.to.x, segment.to.y,
                              pens_.black.get());
        }
        gf_drawLayoutLine(memory, 647, 96, 647, 504, pens_.black.get());
    }

    // 5. The header.
    winui::SetBkMode(memory, winui::TRANSPARENT);
    gf_textOut(*this, fmt::format("Version {}", facts.versionText), memory, 3, 7, kTextGreen,
               false);
    gf_textOut(*this, "Skyloom", memory, 415, 7, kTextGreen, false);
    gf_textOut(*this, kCopyrightText, memory, 528, 7, kTextGreen, false);

    // 6. The compact/expand switch; its place in device pixels is what a click is tested on.
    winui::POINT corners[2] = {{kCompactSwitch.left, kCompactSwitch.top},
                               {kCompactSwitch.right, kCompactSwitch.bottom}};
    winui::LPtoDP(memory, corners, 2);
    compactHotRect_ = winui::RECT{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
    {
        const winui::HGDIOBJ pen = winui::SelectObject(memory, pens_.white.get());
        const winui::HGDIOBJ brush =
            winui::SelectObject(memory, winui::GetStockObject(winui::HOLLOW_BRUSH));
        winui::Rectangle(memory, kCompactSwitch.left, kCompactSwitch.top, kCompactSwitch.right,
                         kCompactSwitch.bottom);
        winui::SelectObject(memory, brush);
        winui::SelectObject(memory, pen);
    }
    gf_textOut(*this, state_.compact ? "Expand" : "Compact", memory, kCompactSwitchText.x,
               kCompactSwitchText.y, kTextGreen, false);

    // 7. to 9. The counters band.
    paintStatus(memory, facts);
    if (facts.realTrafficConnected && lf_readerShown(state_.weatherReaderState) &&
        state_.qnhHpa > 0) {
        const std::string qnh = state_.qnhInHg
                                    ? fmt::format("{:.2F} inHg", state_.qnhHpa * kInHgPerHpa)
                                    : fmt::format("{} hPa", state_.qnhHpa);
        gf_textOut(*this, qnh, memory, 548, 71, kTextGreen, false);
    }
    if (facts.realTrafficConnected && lf_readerShown(state_.trafficReaderState)) {
        gf_textOut(*this, fmt::format("{:3}", state_.liveAircraftCount), memory, 785, 71,
                   kTextGreen, false);
    }

    // 10. and 11. The options area and the park-airport panel.
    if (bands.options) {
        paintOptionLabels(memory, facts);
    }
    if (bands.airportPanel) {
        paintAirportPanel(memory, facts, bands.airportPanel->top);
    }

    // 12. The bottom line: the error when there is one, else the status.
    const int bottomTextY = bands.bottomLine.top + 7;
    if (!state_.errorLine.empty()) {
        gf_fillLayoutRect(memory, 0, bands.bottomLine.top, kLayoutWidth, bands.bottomLine.bottom,
                          brushes_.red.get());
        gf_textOut(*this, gf_oneLine(state_.errorLine), memory, 3, bottomTextY, kTextWhite,
                   false);
    } else if (!state_.statusLine.empty()) {
        gf_textOut(*this, gf_oneLine(state_.statusLine), memory, 3, bottomTextY, kTextWhite,
                   false);
    }

    // 13. The compact window's line under the counters.
    if (state_.compact) {
        gf_drawLayoutLine(memory, 0, 96, kLayoutWidth, 96, pens_.white.get());
    }

    // 14. One blit.
    winui::RestoreDC(memory, saved);
    winui::BitBlt(dc, 0, 0, width, height, memory, 0, 0, winui::SRCCOPY);
    winui::SelectObject(memory, previousBitmap);
    winui::DeleteObject(bitmap);
    winui::DeleteDC(memory);
}

void Gui::paintStatus(winui::HDC dc, const GuiPaintFacts& facts) const {
    // 1. The simulator light.
    winui::HBRUSH simulatorFill = brushes_.red.get();
    winui::COLORREF simulatorText = kTextRed;
    if (facts.simulatorConnected) {
        simulatorFill =
            state_.simulatorConnected ? brushes_.darkGreen.get() : brushes_.yellow.get();
        simulatorText = state_.simulatorConnected ? kTextGreen : kTextYellow;
    }
    gf_fillLayoutRect(dc, kSimulatorLight.left, kSimulatorLight.top, kSimulatorLight.right,
                      kSimulatorLight.bottom, simulatorFill);

    // 2. What is known of the simulator.
    if (facts.simulatorConnected) {
        gf_textOut(*this, state_.simulatorText, dc, 5, 39, simulatorText, false);
        gf_textOut(*this, fmt::format("user stand: {}", state_.userStand), dc, 222, 39,
                   simulatorText, false);
    } else {
        gf_textOut(*this, "MSFS", dc, 5, 39, kTextGreen, false);
    }

    // 3. and 4. The scan counts.
    const auto countColour = [](std::uint64_t count) {
        return count > 0 ? kTextGreen : kTextYellow;
    };
    gf_textOut(*this, lf_countText("# simaddon: ", state_.simaddonCount), dc, 5, 71,
               countColour(state_.simaddonCount), false);
    gf_textOut(*this, lf_countText("# thirdp: ", state_.thirdpCount), dc, 167, 71,
               countColour(state_.thirdpCount), false);
    if (state_.liveriesCount > 0) {
        gf_textOut(*this, fmt::format("# livs: {}", state_.liveriesCount), dc, 276, 71, kTextGreen,
                   false);
    } else {
        gf_textOut(*this, "# liveries: ...", dc, 276, 71, kTextYellow, false);
    }

    // 5. The feed light.
    winui::HBRUSH feedFill = brushes_.black.get();
    if (!state_.feedStatusPending) {
        if (!facts.realTrafficConnected) {
            feedFill = brushes_.red.get();
        } else if (state_.trafficReaderState == ReaderState::receiving) {
            feedFill = brushes_.darkGreen.get();
        } else {
            feedFill = brushes_.yellow.get();
        }
    }
    gf_fillLayoutRect(dc, kFeedLight.left, kFeedLight.top, kFeedLight.right, kFeedLight.bottom,
                      feedFill);

    // 6. What is known of RealTraffic.
    if (facts.realTrafficConnected) {
        gf_textOut(*this, state_.dataSourceText, dc, 494, 39, kTextGreen, false);
        if (state_.weatherReaderState != ReaderState::notRunning) {
            gf_textOut(*this, "qnh:", dc, 494, 71, lf_readerColour(state_.weatherReaderState),
                       false);
        }
        if (state_.trafficReaderState != ReaderState::notRunning) {
            gf_textOut(*this, "# live aircraft:", dc, 657, 71,
                       lf_readerColour(state_.trafficReaderState), false);
        }
    }

    // 7. The line between the two lights.
    gf_drawLayoutLine(dc, 435, 33, 435, 96, pens_.black.get());
}

} // namespace skyloom

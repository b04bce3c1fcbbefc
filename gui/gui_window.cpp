// What the `Gui` does to its window: the compact mode's hiding of the option controls and the
// repaint of the bands that applied updates changed.
#include "gui/gui.h"
#include "gui/gui_layout.h"
#include "platform/winui/painting.h"
#include "platform/winui/styles.h"
#include "platform/winui/window.h"
#include "platform/winui/window_geometry.h"

namespace skyloom {

void Gui::setCompact(bool compact) {
    state_.compact = compact;
    const int command = compact ? winui::SW_HIDE : winui::SW_SHOW;
    for (const winui::HWND option : optionWindows_) {
        if (winui::IsWindow(option) != winui::FALSE) {
            winui::ShowWindow(option, command);
        }
    }
}

void Gui::invalidateParts(GuiRedrawFlags flags) {
    const winui::HWND window = window_.load();
    if (!flags.any() || window == nullptr) {
        return;
    }
    const GuiBands bands = gf_guiBands(state_.compact, state_.parkAirport.isSet());
    if (flags.has(GuiRedrawFlags::kResize)) {
        const winui::SIZE size = gf_windowSizeForClient(bands.height, dpi_);
        winui::SetWindowPos(window, nullptr, 0, 0, size.cx, size.cy,
                            winui::SWP_NOMOVE | winui::SWP_NOZORDER | winui::SWP_NOACTIVATE);
        winui::InvalidateRect(window, nullptr, winui::TRUE);
        return;
    }
    const auto invalidate = [&](const LayoutBand& band) {
        const winui::RECT rect = gf_bandRectInPixels(band, dpi_);
        winui::InvalidateRect(window, &rect, winui::FALSE);
    };
    if (flags.has(GuiRedrawFlags::kCounters)) {
        invalidate(bands.counters);
    }
    if (flags.has(GuiRedrawFlags::kOptions)) {
        invalidate(kOptionsBand);
    }
    if (flags.has(GuiRedrawFlags::kAirportPanel) && bands.airportPanel) {
        invalidate(*bands.airportPanel);
    }
    if (flags.has(GuiRedrawFlags::kBottomLine)) {
        invalidate(bands.bottomLine);
    }
}

} // namespace skyloom

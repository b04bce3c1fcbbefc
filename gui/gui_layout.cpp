#include "gui/gui_layout.h"

#include "platform/winui/dpi.h"

namespace skyloom {

GuiBands gf_guiBands(bool compact, bool parkAirportSet) noexcept {
    GuiBands bands;
    bands.header = {0, 32};
    bands.counters = {32, 96};
    if (!compact) {
        bands.height = kLayoutHeightExpanded;
        bands.options = kOptionsBand;
        bands.airportPanel = LayoutBand{640, 736};
        bands.bottomLine = {736, 768};
    } else if (parkAirportSet) {
        bands.height = kLayoutHeightCompactWithPanel;
        bands.airportPanel = LayoutBand{96, 192};
        bands.bottomLine = {192, 224};
    } else {
        bands.height = kLayoutHeightCompact;
        bands.bottomLine = {96, 128};
    }
    return bands;
}

winui::RECT gf_bandRectInPixels(LayoutBand band, winui::UINT dpi) noexcept {
    const int scale = static_cast<int>(dpi);
    return winui::RECT{0, winui::MulDiv(band.top, scale, 96),
                       winui::MulDiv(kLayoutWidth, scale, 96),
                       winui::MulDiv(band.bottom, scale, 96)};
}

winui::SIZE gf_windowSizeForClient(int clientHeightUnits, winui::UINT dpi) noexcept {
    const int scale = static_cast<int>(dpi);
    winui::RECT rect{0, 0, winui::MulDiv(kLayoutWidth, scale, 96),
                     winui::MulDiv(clientHeightUnits, scale, 96)};
    const winui::RECT client = rect;
    if (winui::AdjustWindowRectExForDpi(&rect, kMainWindowStyle, winui::FALSE, 0, dpi) ==
        winui::FALSE) {
        rect = client;
        winui::AdjustWindowRectEx(&rect, kMainWindowStyle, winui::FALSE, 0);
    }
    return winui::SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

} // namespace skyloom

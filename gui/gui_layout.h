// The main window's layout: a fixed space 900 units wide and 768 units high when expanded
// (224 in compact mode with a park airport, 128 without), divided into horizontal bands that
// are repainted one by one. Units are 96-DPI pixels; device pixels scale each coordinate by
// MulDiv(value, DPI, 96). The painter and the invalidation of changed bands share these.
#pragma once

#include <array>
#include <optional>

#include "platform/winui/styles.h"
#include "platform/winui/win_types.h"

namespace skyloom {

inline constexpr int kLayoutWidth = 900;
inline constexpr int kLayoutHeightExpanded = 768;
inline constexpr int kLayoutHeightCompactWithPanel = 224;
inline constexpr int kLayoutHeightCompact = 128;

// Caption, system menu, clip children: no sizing border, no minimise or maximise box.
inline constexpr winui::DWORD kMainWindowStyle =
    winui::WS_CAPTION | winui::WS_SYSMENU | winui::WS_CLIPCHILDREN;

// A band's y range in layout units; every band spans the full width.
struct LayoutBand {
    int top = 0;
    int bottom = 0;
    friend constexpr bool operator==(const LayoutBand&, const LayoutBand&) = default;
};

struct GuiBands {
    int height = kLayoutHeightExpanded;
    LayoutBand header;
    LayoutBand counters;
    std::optional<LayoutBand> options;      // expanded only
    std::optional<LayoutBand> airportPanel; // expanded, or compact with a park airport
    LayoutBand bottomLine;
};

GuiBands gf_guiBands(bool compact, bool parkAirportSet) noexcept;

// The options area as an update invalidates it, whatever the mode.
inline constexpr LayoutBand kOptionsBand{96, 640};

// The separators of the options area, each a pair of points in layout units.
struct LayoutSegment {
    winui::POINT from;
    winui::POINT to;
};
inline constexpr std::array<LayoutSegment, 4> kOptionSeparators = {{
    {{0, 200}, {900, 200}},
    {{0, 336}, {900, 336}},
    {{0, 504}, {647, 504}},
    {{647, 464}, {900, 464}},
}};

// The band across the full width, in device pixels at `dpi`.
winui::RECT gf_bandRectInPixels(LayoutBand band, winui::UINT dpi) noexcept;

// The outer size of the main window whose client area is the layout width by
// `clientHeightUnits`, at `dpi`.
winui::SIZE gf_windowSizeForClient(int clientHeightUnits, winui::UINT dpi) noexcept;

} // namespace skyloom

// `GuiRedrawFlags`: which bands of the main window an applied window update changed, so that
// only those are repainted. Eight bits: 1 counters band, 2 options area, 4 park-airport
// panel, 8 bottom line, 16 resize the window (which repaints everything); 0 means nothing
// changed. Flags of several updates combine with `|`.
#pragma once

#include <cstdint>

namespace skyloom {

class GuiRedrawFlags {
public:
    static constexpr std::uint8_t kCounters = 1;
    static constexpr std::uint8_t kOptions = 2;
    static constexpr std::uint8_t kAirportPanel = 4;
    static constexpr std::uint8_t kBottomLine = 8;
    static constexpr std::uint8_t kResize = 16;

    constexpr GuiRedrawFlags() noexcept = default;
    constexpr explicit GuiRedrawFlags(std::uint8_t bits) noexcept : bits_(bits) {}

    static constexpr GuiRedrawFlags none() noexcept { return GuiRedrawFlags(); }
    static constexpr GuiRedrawFlags counters() noexcept { return GuiRedrawFlags(kCounters); }
    static constexpr GuiRedrawFlags options() noexcept { return GuiRedrawFlags(kOptions); }
    static constexpr GuiRedrawFlags airportPanel() noexcept {
        return GuiRedrawFlags(kAirportPanel);
    }
    static constexpr GuiRedrawFlags bottomLine() noexcept { return GuiRedrawFlags(kBottomLine); }
    static constexpr GuiRedrawFlags resize() noexcept { return GuiRedrawFlags(kResize); }

    constexpr std::uint8_t bits() const noexcept { return bits_; }
    constexpr bool any() const noexcept { return bits_ != 0; }
    constexpr bool has(std::uint8_t bit) const noexcept { return (bits_ & bit) != 0; }

    constexpr GuiRedrawFlags& operator|=(GuiRedrawFlags other) noexcept {
        bits_ = static_cast<std::uint8_t>(bits_ | other.bits_);
        return *this;
    }
    friend constexpr GuiRedrawFlags operator|(GuiRedrawFlags a, GuiRedrawFlags b) noexcept {
        return a |= b;
    }
    friend constexpr bool operator==(GuiRedrawFlags, GuiRedrawFlags) noexcept = default;

private:
    std::uint8_t bits_ = 0;
};

} // namespace skyloom

// `OptionControl`: the part of a window-bound parameter (and of a push button that belongs to
// no parameter) that ties it to its child control of the main window: the control id, the
// layout values in 96-DPI units and, once the control exists, its window handle. The command
// handlers find a parameter by its control id; the worker enables, disables, checks and
// selects a control through its parameter.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/winui/win_types.h"

namespace skyloom {

// Where a control sits, in 96-DPI units: the control at (controlX, rowY + yAdjust), its
// caption painted at (captionX, rowY). width and height are the control's size; for a combo
// box the height is its drop-down height.
struct ControlLayout {
    std::int32_t controlX = 0;
    std::int32_t captionX = 0;
    std::int32_t rowY = 0;
    std::int32_t yAdjust = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;

    std::int32_t controlY() const noexcept { return rowY + yAdjust; }
};

class OptionControl {
public:
    OptionControl(std::uint16_t controlId, ControlLayout layout) noexcept
        : controlId_(controlId), layout_(layout) {}
    virtual ~OptionControl() = default;
    OptionControl(const OptionControl&) = delete;
    OptionControl& operator=(const OptionControl&) = delete;

    std::uint16_t controlId() const noexcept { return controlId_; }
    const ControlLayout& layout() const noexcept { return layout_; }

    // Null until the control has been created (and again after it was destroyed).
    winui::HWND window() const noexcept { return window_.load(); }
    void setWindow(winui::HWND window) noexcept { window_.store(window); }

    // EnableWindow on the control; false when it does not exist.
    bool enable(bool enabled) const;
    bool isEnabled() const;
    // Shows the parameter's current value in the control (checked, selected or written);
    // false when there is no control or the value is not among its items.
    virtual bool showValue() const { return false; }

private:
    std::uint16_t controlId_;
    ControlLayout layout_;
    // Set on the GUI thread, read by the worker when it enables or selects the control.
    std::atomic<winui::HWND> window_{nullptr};
};

// A push button of the main window that belongs to no parameter.
class OptionButton : public OptionControl {
public:
    OptionButton(std::uint16_t controlId, std::string caption, ControlLayout layout)
        : OptionControl(controlId, layout), caption_(std::move(caption)) {}

    const std::string& caption() const noexcept { return caption_; }

private:
    std::string caption_;
};

} // namespace skyloom

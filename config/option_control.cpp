#include "config/option_control.h"

#include "platform/winui/window_state.h"

namespace skyloom {

bool OptionControl::enable(bool enabled) const {
    const winui::HWND control = window();
    if (control == nullptr) {
        return false;
    }
    winui::EnableWindow(control, enabled ? winui::TRUE : winui::FALSE);
    return true;
}

bool OptionControl::isEnabled() const {
    const winui::HWND control = window();
    return control != nullptr && winui::IsWindowEnabled(control) != winui::FALSE;
}

} // namespace skyloom

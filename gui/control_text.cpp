#include "gui/control_text.h"

#include <exception>

#include <fmt/format.h>

#include "config/option_control.h"
#include "config/parameters.h"
#include "foundation/log_file.h"
#include "foundation/utf.h"
#include "gui/gui.h"
#include "gui/main_window.h"
#include "platform/winui/message_loop.h"
#include "platform/winui/messages.h"
#include "platform/winui/window.h"
#include "platform/winui/window_state.h"

namespace skyloom {
namespace {

// The control's own window when it was made, else the child of the main window by id.
winui::HWND lf_controlWindow(const OptionControl& control) {
    if (control.window() != nullptr) {
        return control.window();
    }
    const winui::HWND main = gf_mainWindow();
    return main != nullptr ? winui::GetDlgItem(main, control.controlId()) : nullptr;
}

} // namespace

void gf_showStringOptionText(Gui& gui, const Parameter& parameter, const OptionControl& control) {
    const std::string text = parameter.valueText();
    std::u16string wide;
    try {
        wide = utf8_to_wide(text);
    } catch (const std::exception& error) {
        LogFile::write(fmt::format("utf8_to_wide failed for '{}': {}", text, error.what()));
        return;
    }
    const winui::HWND window = lf_controlWindow(control);
    if (window == nullptr) {
        LogFile::write(fmt::format("GetDlgItem failed for ID {}", control.controlId()));
        return;
    }
    winui::SetWindowTextW(window, wide.c_str());
    gui.redrawOptions();
}

std::string gf_controlText(winui::HWND window, int controlId) {
    const winui::HWND control = winui::GetDlgItem(window, controlId);
    if (control == nullptr) {
        LogFile::write(
            fmt::format("{}: GetDlgItem failed for ID {}", "lf_getTextFromId", controlId));
        return {};
    }
    const int length = winui::GetWindowTextLengthW(control);
    if (length <= 0) {
        return {};
    }
    std::u16string buffer(static_cast<std::size_t>(length) + 1, u'\0');
    const int copied = winui::GetWindowTextW(control, buffer.data(), length + 1);
    if (copied <= 0) {
        return {};
    }
    buffer.resize(static_cast<std::size_t>(copied));
    try {
        return wide_to_utf8(buffer);
    } catch (const std::exception& error) {
        LogFile::write(fmt::format("{}: UTF-16 to UTF-8 failed for ID {}: {}", "lf_getTextFromId",
                                   controlId, error.what()));
        return {};
    }
}

std::optional<ComboSelection> gf_comboSelection(winui::HWND window, int controlId,
                                                winui::WPARAM wParam) {
    if (winui::LOWORD(wParam) != controlId || winui::HIWORD(wParam) != winui::CBN_SELCHANGE) {
        return std::nullopt;
    }
    const winui::HWND combo = winui::GetDlgItem(window, controlId);
    if (combo == nullptr) {
        return std::nullopt;
    }
    const winui::LRESULT index = winui::SendMessageW(combo, winui::CB_GETCURSEL, 0, 0);
    if (index == winui::CB_ERR) {
        return std::nullopt;
    }
    const winui::LRESULT length =
        winui::SendMessageW(combo, winui::CB_GETLBTEXTLEN, static_cast<winui::WPARAM>(index), 0);
    if (length == winui::CB_ERR) {
        return std::nullopt;
    }
    std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
    winui::SendMessageW(combo, winui::CB_GETLBTEXT, static_cast<winui::WPARAM>(index),
                        reinterpret_cast<winui::LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return ComboSelection{static_cast<int>(index), wide_to_utf8(text)};
}

void gf_clearKeepSimTimePar() {
    CheckboxParameter& keep = gf_params().KEEP_SIM_TIME_PAR;
    keep.setValue(false);
    keep.showValue();
}

} // namespace skyloom

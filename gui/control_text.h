// Small helpers over the main window's controls: the text of a control found by id, the new
// selection a combo box reports, and writing a parameter's current value into its control.
#pragma once

#include <optional>
#include <string>

#include "platform/winui/win_types.h"

namespace skyloom {

class Gui;
class OptionControl;
class Parameter;

// The UTF-8 text of the child control `controlId` of `window`; empty when the control has no
// text, and empty with a log line when there is no such control or its text is not UTF-16.
std::string gf_controlText(winui::HWND window, int controlId);

struct ComboSelection {
    int index = 0;
    std::string text;

    friend bool operator==(const ComboSelection&, const ComboSelection&) = default;
};

// The selection a WM_COMMAND reports for the combo box `controlId`: only a CBN_SELCHANGE of
// that box gives one, and only when the box has a current item.
std::optional<ComboSelection> gf_comboSelection(winui::HWND window, int controlId,
                                                winui::WPARAM wParam);

// Writes the parameter's current value into its control under the main window and repaints
// the options area. Logs when the control or the text cannot be had.
void gf_showStringOptionText(Gui& gui, const Parameter& parameter, const OptionControl& control);

// Switches KEEP_SIM_TIME_PAR off, saves it and unchecks its box.
void gf_clearKeepSimTimePar();

} // namespace skyloom

// The option controls of the main window: their creation when the window is created (every
// control of the window-bound parameters and the push buttons, in a fixed order, each added to
// the option windows that the compact mode hides), and the owner-drawn check boxes, which
// paint themselves light blue with a white box and a tick and never toggle on their own (the
// command handlers set their state).
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/winui/win_types.h"

namespace skyloom {

class CheckboxParameter;
class Gui;
class OptionButton;
class OptionControl;
class ProgramParameters;

// A "button" check box of 14 by 14 units at the parameter's control place, subclassed to
// draw itself, checked from the parameter's value, enabled. Its handle goes into the
// parameter (null when it could not be made).
winui::HWND gf_createCheckbox(CheckboxParameter& parameter, winui::HWND parent,
                              winui::HINSTANCE instance);
// A drop-down list "ComboBox" of `width` by `dropHeight` units at the control's place, with the
// gui's control font; its drop height is recorded for the DPI rescaling. Not filled.
winui::HWND gf_createComboBox(OptionControl& control, Gui& gui, winui::HWND parent,
                              winui::HINSTANCE instance, int width, int dropHeight);
// A "BUTTON" with the button's caption, of the given size in units, with the control font.
winui::HWND gf_createButton(OptionButton& button, const Gui& gui, winui::HWND parent,
                            winui::SIZE size);

// The procedure the first subclassed check box had (the check-box class's own); every option
// check box forwards to it.
extern std::atomic<winui::WNDPROC> g_checkboxClassProc;

// The window procedure of every option check box: paints the box itself, erases nothing, and
// redraws at once when it is enabled, disabled, checked or unchecked; the rest goes to the
// check-box class's own procedure.
winui::LRESULT lf_CheckboxSubclassProc(winui::HWND window, winui::UINT message,
                                       winui::WPARAM wParam, winui::LPARAM lParam);

// Creates every option control of `parameters` in `window` (WM_CREATE), then asks for a
// redraw of the options area, clears the park airport entry and applies the saved compact
// mode. True when every control was made.
bool gf_createControls(Gui& gui, ProgramParameters& parameters, winui::HWND window);

} // namespace skyloom

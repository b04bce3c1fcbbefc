// The window classes of the controls the layer draws itself: "BUTTON" (push buttons and
// check boxes), "COMBOBOX" (drop-down lists, with their pop-up list "ComboLBox") and "EDIT"
// (single-line edit boxes). Registered once, the first time any class is looked up.
#pragma once

#include "platform/winui/win_types.h"

namespace skyloom::winui::detail {

void registerBuiltinClasses();

LRESULT buttonProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT comboBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT comboListProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT editProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

} // namespace skyloom::winui::detail

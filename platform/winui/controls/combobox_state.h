// The state of a drop-down combo box, shared by the box and its pop-up list, and the
// geometry both draw and hit-test with: item height from the font, the box's own (closed)
// height, the rows the list shows for the drop height the box was given, and the list's
// scroll bar.
#pragma once

#include <string>
#include <vector>

#include "platform/winui/win_types.h"

namespace skyloom::winui::detail {

struct ComboItem {
    std::u16string text;
    LPARAM data = 0;
};

struct ComboState {
    HWND combo = nullptr;
    HWND list = nullptr; // the pop-up list while dropped
    std::vector<ComboItem> items;
    int selection = -1;
    int highlight = -1; // the row marked in the open list
    int top = 0;        // first row shown in the list
    bool dropped = false;
    bool focused = false;
    int dropHeight = 0; // the height the box was created or sized with
    bool sizingSelf = false;
    HFONT font = nullptr;
};

struct ComboGeometry {
    int itemHeight = 0;
    int boxHeight = 0;   // the closed box
    int rows = 1;        // rows the open list shows
    int listHeight = 0;  // including its one-pixel border
    int scrollWidth = 0; // 0 when all items fit
    int arrowWidth = 0;  // the drop-down button of the box
};

ComboGeometry comboGeometry(HWND combo, const ComboState& state);
// First row to show so that `row` is visible.
int topForRow(const ComboState& state, const ComboGeometry& geometry, int row);
int maxTop(const ComboState& state, const ComboGeometry& geometry);

void paintComboBox(HWND combo, HDC hdc, const ComboState& state);
void paintComboList(HWND list, HDC hdc, const ComboState& state);

} // namespace skyloom::winui::detail

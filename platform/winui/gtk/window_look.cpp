#include "platform/winui/gtk/window_look.h"

#include "platform/winui/styles.h"
#include "platform/winui/wide_text.h"
#include "platform/winui/window.h"
#include "platform/winui/window_geometry.h"
#include "platform/winui/window_state.h"

namespace skyloom::winui::gtk {
namespace {

constexpr int kTitleCapacity = 512;

HWND lf_rootOf(HWND hwnd) {
    while (hwnd != nullptr && (GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CHILD) != 0) {
        hwnd = GetParent(hwnd);
    }
    return hwnd;
}

} // namespace

bool gf_readWindowLook(HWND hwnd, WindowLook& look) {
    if (IsWindow(hwnd) == FALSE) {
        return false;
    }
    look.hwnd = hwnd;
    look.visible = IsWindowVisible(hwnd) != FALSE;
    look.minimised = IsIconic(hwnd) != FALSE;
    look.topmost = (GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    look.ownerRoot = lf_rootOf(GetWindow(hwnd, GW_OWNER));
    RECT client{};
    GetClientRect(hwnd, &client);
    look.clientSize = SIZE{client.right - client.left, client.bottom - client.top};
    look.clientOrigin = POINT{0, 0};
    ClientToScreen(hwnd, &look.clientOrigin);
    char16_t title[kTitleCapacity] = {};
    const int length = GetWindowTextW(hwnd, title, kTitleCapacity);
    look.title = utf8FromWideLenient(std::u16string_view(title, length > 0 ? length : 0));
    return true;
}

} // namespace skyloom::winui::gtk

#include "platform/winui/controls/control_support.h"

#include "platform/winui/dpi.h"
#include "platform/winui/message_loop.h"
#include "platform/winui/messages.h"
#include "platform/winui/text_renderer.h"
#include "platform/winui/window.h"
#include "platform/winui/window_state.h"

namespace skyloom::winui::detail {

int scaledForWindow(HWND hwnd, int length96) {
    const UINT dpi = GetDpiForWindow(hwnd);
    return MulDiv(length96, static_cast<int>(dpi == 0 ? 96 : dpi), 96);
}

HFONT fontOrDefault(HFONT font) {
    return font != nullptr && GetObjectType(font) == OBJ_FONT
               ? font
               : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

LOGFONTW logFontOf(HFONT font) {
    LOGFONTW logFont;
    GetObjectW(fontOrDefault(font), sizeof logFont, &logFont);
    return logFont;
}

int lineHeightOf(HFONT font) {
    return fontMetrics(logFontOf(font), 1.0).height;
}

void notifyParent(HWND hwnd, WORD code) {
    HWND parent = GetParent(hwnd);
    if (parent == nullptr) {
        return;
    }
    const int id = GetDlgCtrlID(hwnd);
    SendMessageW(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), code),
                 reinterpret_cast<LPARAM>(hwnd));
}

bool isEnabled(HWND hwnd) {
    return IsWindowEnabled(hwnd) != FALSE;
}

std::u16string windowText(HWND hwnd) {
    const int length = GetWindowTextLengthW(hwnd);
    std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
    const int copied = GetWindowTextW(hwnd, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(std::max(copied, 0)));
    return text;
}

} // namespace skyloom::winui::detail

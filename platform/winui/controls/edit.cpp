// The "EDIT" class as a single-line edit box: its text, a caret and a selection, typing,
// Backspace and Delete, the arrow, Home and End keys, a click that places the caret, a double
// click that selects the word under it, a third click (within the double-click time of the
// double click) and Ctrl+A that select the whole text, and
// the styles ES_UPPERCASE, ES_LOWERCASE, ES_NUMBER, ES_PASSWORD, ES_READONLY. Its colours come
// from the parent (WM_CTLCOLOREDIT, or WM_CTLCOLORSTATIC while disabled or read-only); Enter,
// Tab and Escape are ignored unless a subclass takes them. Every change of the text tells the
// parent (EN_UPDATE, EN_CHANGE).
#include <algorithm>
#include <cstdlib>
#include <cwctype>
#include <vector>

#include "platform/winui/controls/builtin_classes.h"
#include "platform/winui/controls/control_support.h"
#include "platform/winui/gdi.h"
#include "platform/winui/message_loop.h"
#include "platform/winui/messages.h"
#include "platform/winui/painting.h"
#include "platform/winui/styles.h"
#include "platform/winui/text_renderer.h"
#include "platform/winui/wide_text.h"
#include "platform/winui/window.h"
#include "platform/winui/window_geometry.h"
#include "platform/winui/window_state.h"

namespace skyloom::winui::detail {
namespace {

constexpr std::size_t kDefaultLimit = 0x7FFFFFFE;
constexpr char16_t kPasswordCharacter = u'\u25CF';

struct EditState {
    std::u16string text;
    std::size_t caret = 0;
    std::size_t anchor = 0; // the other end of the selection
    int scroll = 0;         // pixels of text scrolled out at the left
    std::size_t limit = kDefaultLimit;
    bool focused = false;
    HFONT font = nullptr;
    // The last double click, which a third click completes to a triple click.
    bool doubleClicked = false;
    DWORD doubleClickTime = 0;
    POINT doubleClickAt;
};

// Half the double-click rectangle, as the system's double clicks measure it.
constexpr LONG kClickReach = 2;

DWORD lf_style(HWND hwnd) {
    return static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE));
}

std::size_t lf_selectionStart(const EditState& s) {
    return std::min(s.caret, s.anchor);
}
std::size_t lf_selectionEnd(const EditState& s) {
    return std::max(s.caret, s.anchor);
}

void lf_selectAll(EditState& state) {
    state.anchor = 0;
    state.caret = state.text.size();
}

std::u16string lf_shown(HWND hwnd, const EditState& state) {
    if ((lf_style(hwnd) & ES_PASSWORD) != 0) {
        return std::u16string(state.text.size(), kPasswordCharacter);
    }
    return state.text;
}

int lf_padding(HWND hwnd) {
    return scaledForWindow(hwnd, 2);
}

std::vector<int> lf_positions(HWND hwnd, const EditState& state) {
    return prefixWidths(logFontOf(state.font), 1.0, lf_shown(hwnd, state));
}

// Keeps the caret inside the visible part of the box.
void lf_followCaret(HWND hwnd, EditState& state) {
    RECT client;
    GetClientRect(hwnd, &client);
    const int width = std::max(1, static_cast<int>(client.right) - 2 * lf_padding(hwnd));
    const int caretX = lf_positions(hwnd, state)[state.caret];
    if (caretX - state.scroll > width) {
        state.scroll = caretX - width;
    } else if (caretX < state.scroll) {
        state.scroll = caretX;
    }
    InvalidateRect(hwnd, nullptr, FALSE);
}

void lf_changed(HWND hwnd, EditState& state) {
    lf_followCaret(hwnd, state);
    notifyParent(hwnd, EN_UPDATE);
    notifyParent(hwnd, EN_CHANGE);
}

char16_t lf_cased(DWORD style, char16_t c) {
    if (c >= 0x80) {
        return c;
    }
    if ((style & ES_UPPERCASE) != 0) {
        return static_cast<char16_t>(std::towupper(c));
    }
    if ((style & ES_LOWERCASE) != 0) {
        return static_cast<char16_t>(std::towlower(c));
    }
    return c;
}

std::u16string lf_casedText(DWORD style, std::u16string text) {
    for (char16_t& c : text) {
        c = lf_cased(style, c);
    }
    return text;
}

// Replaces the selection by `inserted`; false (and EN_MAXTEXT) when the limit forbids it.
bool lf_replaceSelection(HWND hwnd, EditState& state, std::u16string_view inserted) {
    const std::size_t start = lf_selectionStart(state);
    const std::size_t end = lf_selectionEnd(state);
    if (state.text.size() - (end - start) + inserted.size() > state.limit) {
        notifyParent(hwnd, EN_MAXTEXT);
        return false;
    }
    state.text.replace(start, end - start, inserted);
    state.caret = state.anchor = start + inserted.size();
    return true;
}

LRESULT lf_character(HWND hwnd, EditState& state, char16_t c) {
    if (c == 1) { // Ctrl+A, in a read-only box too
        lf_selectAll(state);
        lf_followCaret(hwnd, state);
        return 0;
    }
    const DWORD style = lf_style(hwnd);
    if ((style & ES_READONLY) != 0) {
        return 0;
    }
    if (c == u'\b') {
        if (state.caret == state.anchor) {
            if (state.caret == 0) {
                return 0;
            }
            state.anchor = state.caret - 1;
        }
        lf_replaceSelection(hwnd, state, u"");
        lf_changed(hwnd, state);
        return 0;
    }
    if (c < u' ') {
        return 0;
    }
    if ((style & ES_NUMBER) != 0 && (c < u'0' || c > u'9')) {
        return 0;
    }
    const char16_t typed = lf_cased(style, c);
    if (lf_replaceSelection(hwnd, state, std::u16string_view(&typed, 1))) {
        lf_changed(hwnd, state);
    }
    return 0;
}

LRESULT lf_keyDown(HWND hwnd, EditState& state, WPARAM key) {
    switch (key) {
    case VK_LEFT:
        state.caret = state.caret > 0 ? state.caret - 1 : 0;
        break;
    case VK_RIGHT:
        state.caret = std::min(state.caret + 1, state.text.size());
        break;
    case VK_HOME:
        state.caret = 0;
        break;
    case VK_END:
        state.caret = state.text.size();
        break;
    case VK_DELETE:
        if ((lf_style(hwnd) & ES_READONLY) != 0) {
            return 0;
        }
        if (state.caret == state.anchor) {
            if (state.caret == state.text.size()) {
                return 0;
            }
            state.anchor = state.caret + 1;
        }
        lf_replaceSelection(hwnd, state, u"");
        lf_changed(hwnd, state);
        return 0;
    default:
        return 0;
    }
    state.anchor = state.caret;
    lf_followCaret(hwnd, state);
    return 0;
}

void lf_paint(HWND hwnd, HDC hdc, const EditState& state) {
    RECT client;
    GetClientRect(hwnd, &client);
    const bool enabled = isEnabled(hwnd);
    const bool readOnly = (lf_style(hwnd) & ES_READONLY) != 0;
    const bool asStatic = !enabled || readOnly;
    SetTextColor(hdc, GetSysColor(enabled ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
    SetBkColor(hdc, GetSysColor(asStatic ? COLOR_3DFACE : COLOR_WINDOW));
    HWND parent = GetParent(hwnd);
    const LRESULT brush =
        parent == nullptr
            ? 0
            : SendMessageW(parent, asStatic ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT,
                           reinterpret_cast<WPARAM>(hdc), reinterpret_cast<LPARAM>(hwnd));
    FillRect(hdc, &client,
             brush != 0 ? reinterpret_cast<HBRUSH>(brush)
                        : GetSysColorBrush(asStatic ? COLOR_3DFACE : COLOR_WINDOW));

    HGDIOBJ oldFont = SelectObject(hdc, fontOrDefault(state.font));
    const std::u16string shown = lf_shown(hwnd, state);
    const std::vector<int> positions = prefixWidths(logFontOf(state.font), 1.0, shown);
    const int lineHeight = lineHeightOf(state.font);
    const int x = lf_padding(hwnd) - state.scroll;
    const int y = (client.bottom - lineHeight) / 2;
    TextOutW(hdc, x, y, shown.c_str(), static_cast<int>(shown.size()));

    const std::size_t start = lf_selectionStart(state);
    const std::size_t end = lf_selectionEnd(state);
    if (state.focused && start != end) {
        const COLORREF textColour = GetTextColor(hdc);
        const int bkMode = GetBkMode(hdc);
        const COLORREF bkColour = GetBkColor(hdc);
        SetBkMode(hdc, OPAQUE);
        SetBkColor(hdc, GetSysColor(COLOR_HIGHLIGHT));
        SetTextColor(hdc, GetSysColor(COLOR_HIGHLIGHTTEXT));
        TextOutW(hdc, x + positions[start], y, shown.c_str() + start,
                 static_cast<int>(end - start));
        SetTextColor(hdc, textColour);
        SetBkMode(hdc, bkMode);
        SetBkColor(hdc, bkColour);
    }
    if (state.focused && enabled) {
        HPEN pen = CreatePen(PS_SOLID, 1, GetTextColor(hdc));
        HGDIOBJ oldPen = SelectObject(hdc, pen);
        const int caretX = x + positions[state.caret];
        MoveToEx(hdc, caretX, y, nullptr);
        LineTo(hdc, caretX, y + lineHeight);
        SelectObject(hdc, oldPen);
        DeleteObject(pen);
    }
    SelectObject(hdc, oldFont);
}

// The character boundary nearest to a click at client x.
std::size_t lf_boundaryAt(HWND hwnd, const EditState& state, int clientX) {
    const int x = clientX - lf_padding(hwnd) + state.scroll;
    const std::vector<int> positions = lf_positions(hwnd, state);
    std::size_t best = 0;
    for (std::size_t i = 1; i < positions.size(); ++i) {
        if (std::abs(positions[i] - x) < std::abs(positions[best] - x)) {
            best = i;
        }
    }
    return best;
}

// Selects the word at the boundary: the run of characters that are all blanks, or all not,
// that holds the character after the boundary (before it at the end of the text).
void lf_selectWordAt(EditState& state, std::size_t boundary) {
    const std::u16string& text = state.text;
    if (text.empty()) {
        state.caret = state.anchor = 0;
        return;
    }
    const std::size_t at = std::min(boundary, text.size() - 1);
    const auto blank = [&](std::size_t i) { return std::iswspace(text[i]) != 0; };
    const bool kind = blank(at);
    std::size_t start = at;
    while (start > 0 && blank(start - 1) == kind) {
        --start;
    }
    std::size_t end = at + 1;
    while (end < text.size() && blank(end) == kind) {
        ++end;
    }
    state.anchor = start;
    state.caret = end;
}

LRESULT lf_click(HWND hwnd, EditState& state, UINT message, LPARAM lParam) {
    if (!isEnabled(hwnd)) {
        return 0;
    }
    SetFocus(hwnd);
    const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    const DWORD time = static_cast<DWORD>(GetMessageTime());
    if (message == WM_LBUTTONDBLCLK) {
        lf_selectWordAt(state, lf_boundaryAt(hwnd, state, at.x));
        state.doubleClicked = true;
        state.doubleClickTime = time;
        state.doubleClickAt = at;
    } else if (state.doubleClicked && time - state.doubleClickTime <= GetDoubleClickTime() &&
               std::abs(at.x - state.doubleClickAt.x) <= kClickReach &&
               std::abs(at.y - state.doubleClickAt.y) <= kClickReach) {
        // The third click of a triple click.
        state.doubleClicked = false;
        lf_selectAll(state);
    } else {
        state.doubleClicked = false;
        state.caret = state.anchor = lf_boundaryAt(hwnd, state, at.x);
    }
    lf_followCaret(hwnd, state);
    return 0;
}

LRESULT lf_message(HWND hwnd, EditState& state, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case EM_GETSEL: {
        const auto start = static_cast<DWORD>(lf_selectionStart(state));
        const auto end = static_cast<DWORD>(lf_selectionEnd(state));
        if (auto* out = reinterpret_cast<DWORD*>(wParam)) {
            *out = start;
        }
        if (auto* out = reinterpret_cast<DWORD*>(lParam)) {
            *out = end;
        }
        return MAKELRESULT(static_cast<WORD>(start), static_cast<WORD>(end));
    }
    case EM_SETSEL: {
        const auto start = static_cast<LONG_PTR>(wParam);
        const LONG_PTR end = lParam;
        const std::size_t size = state.text.size();
        if (start < 0) {
            state.anchor = state.caret;
        } else {
            state.anchor = std::min(static_cast<std::size_t>(start), size);
            state.caret = end < 0 ? size : std::min(static_cast<std::size_t>(end), size);
        }
        lf_followCaret(hwnd, state);
        return 0;
    }
    case EM_REPLACESEL:
        if (lf_replaceSelection(
                hwnd, state,
                lf_casedText(lf_style(hwnd), wideString(reinterpret_cast<LPCWSTR>(lParam))))) {
            lf_changed(hwnd, state);
        }
        return 0;
    case EM_LIMITTEXT:
        state.limit = wParam == 0 ? kDefaultLimit : static_cast<std::size_t>(wParam);
        return 0;
    case EM_GETLIMITTEXT:
        return static_cast<LRESULT>(state.limit);
    case EM_SETREADONLY: {
        const DWORD style = lf_style(hwnd);
        SetWindowLongPtrW(hwnd, GWL_STYLE, wParam ? (style | ES_READONLY) : (style & ~ES_READONLY));
        InvalidateRect(hwnd, nullptr, FALSE);
        return TRUE;
    }
    default:
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

} // namespace

LRESULT editProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto state = std::make_shared<EditState>();
        if (const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam)) {
            state->text =
                lf_casedText(static_cast<DWORD>(create->style), wideString(create->lpszName));
        }
        setControlState(hwnd, state);
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    auto shared = stateOf<EditState>(hwnd);
    if (!shared) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    EditState& state = *shared;
    switch (message) {
    case WM_NCDESTROY:
        setControlState(hwnd, nullptr);
        return 0;
    case WM_SETTEXT:
        state.text = lf_casedText(lf_style(hwnd), wideString(reinterpret_cast<LPCWSTR>(lParam)));
        state.caret = state.anchor = 0;
        state.scroll = 0;
        DefWindowProcW(hwnd, message, wParam, lParam);
        lf_changed(hwnd, state);
        return TRUE;
    case WM_GETTEXT:
        return static_cast<LRESULT>(
            copyToBuffer(state.text, reinterpret_cast<LPWSTR>(lParam), wParam));
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(state.text.size());
    case WM_SETFONT:
        state.font = reinterpret_cast<HFONT>(wParam);
        if (lParam != 0) {
            InvalidateRect(hwnd, nullptr, TRUE);
        }
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(state.font);
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC hdc = BeginPaint(hwnd, &paint);
        lf_paint(hwnd, hdc, state);
        EndPaint(hwnd, &paint);
        return 0;
    }
    case WM_ENABLE:
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        state.focused = message == WM_SETFOCUS;
        InvalidateRect(hwnd, nullptr, FALSE);
        notifyParent(hwnd, state.focused ? EN_SETFOCUS : EN_KILLFOCUS);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        return lf_click(hwnd, state, message, lParam);
    case WM_CHAR:
        return lf_character(hwnd, state, static_cast<char16_t>(wParam));
    case WM_KEYDOWN:
        return lf_keyDown(hwnd, state, wParam);
    default:
        return lf_message(hwnd, state, message, wParam, lParam);
    }
}

} // namespace skyloom::winui::detail

#include "tools/winui_demo/demo_window.h"

#include <algorithm>
#include <string>

#include "platform/winui/dpi.h"
#include "platform/winui/gdi.h"
#include "platform/winui/message_loop.h"
#include "platform/winui/messages.h"
#include "platform/winui/monitors.h"
#include "platform/winui/painting.h"
#include "platform/winui/resources.h"
#include "platform/winui/styles.h"
#include "platform/winui/window.h"
#include "platform/winui/window_class.h"
#include "platform/winui/window_geometry.h"
#include "platform/winui/window_state.h"

namespace skyloom::tools::winui_demo {

using namespace skyloom::winui;

namespace {

constexpr const char16_t* kClassName = u"SkyloomWinuiDemo";
constexpr int kLayoutWidth = 480;
constexpr int kLayoutHeight = 300;
constexpr COLORREF kLightBlue = RGB(153, 204, 255);
constexpr COLORREF kDarkGreen = RGB(25, 150, 25);
constexpr COLORREF kGreen = RGB(50, 210, 50);

// The font of the painted texts (made for 96 DPI; the mapping scales it) and of the controls.
HFONT g_textFont = nullptr;
HFONT g_controlFont = nullptr;
WNDPROC g_checkboxClassProc = nullptr;

int lf_scaled(HWND hwnd, int value) {
    return MulDiv(value, static_cast<int>(GetDpiForWindow(hwnd)), 96);
}

HFONT lf_font(int dpi, int weight) {
    return CreateFontW(-MulDiv(12, dpi, 72), 0, 0, 0, weight, 0, 0, 0, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, u"Segoe UI");
}

HWND lf_child(HWND parent, LPCWSTR className, LPCWSTR text, DWORD style, int x, int y, int w, int h,
              int id) {
    HWND child = CreateWindowExW(
        0, className, text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | style, lf_scaled(parent, x),
        lf_scaled(parent, y), lf_scaled(parent, w), lf_scaled(parent, h), parent,
        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(g_controlFont), FALSE);
    return child;
}

// The owner-drawn check box: a light-blue field with a framed box and a tick.
void lf_paintCheckbox(HWND hwnd) {
    PAINTSTRUCT paint;
    HDC hdc = BeginPaint(hwnd, &paint);
    RECT client;
    GetClientRect(hwnd, &client);
    HBRUSH field = CreateSolidBrush(kLightBlue);
    FillRect(hdc, &client, field);
    DeleteObject(field);
    const bool enabled = IsWindowEnabled(hwnd) != FALSE;
    HPEN pen = CreatePen(PS_SOLID, 1, enabled ? RGB(96, 96, 96) : RGB(160, 160, 160));
    HBRUSH fill = CreateSolidBrush(enabled ? RGB(255, 255, 255) : RGB(240, 240, 240));
    HGDIOBJ oldPen = SelectObject(hdc, pen);
    HGDIOBJ oldBrush = SelectObject(hdc, fill);
    Rectangle(hdc, 0, 0, client.right, client.bottom);
    if (SendMessageW(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED) {
        HPEN tick = CreatePen(PS_SOLID, std::max(1, lf_scaled(hwnd, 2)),
                              enabled ? RGB(0, 0, 0) : RGB(128, 128, 128));
        SelectObject(hdc, tick);
        const int w = client.right;
        const int h = client.bottom;
        const POINT points[] = {{w / 5, h / 2}, {2 * w / 5, 3 * h / 4}, {4 * w / 5, h / 4}};
        Polyline(hdc, points, 3);
        SelectObject(hdc, pen);
        DeleteObject(tick);
    }
    SelectObject(hdc, oldPen);
    SelectObject(hdc, oldBrush);
    DeleteObject(pen);
    DeleteObject(fill);
    EndPaint(hwnd, &paint);
}

LRESULT lf_checkboxSubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        lf_paintCheckbox(hwnd);
        return 0;
    }
    if (message == WM_ERASEBKGND) {
        return 1;
    }
    const LRESULT result = CallWindowProcW(g_checkboxClassProc, hwnd, message, wParam, lParam);
    if (message == WM_ENABLE || message == BM_SETCHECK) {
        RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    }
    return result;
}

void lf_createControls(HWND hwnd) {
    HWND owned = lf_child(hwnd, u"button", u"", BS_CHECKBOX, 16, 48, 14, 14, kOwnerDrawnCheckId);
    g_checkboxClassProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
        owned, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&lf_checkboxSubclassProc)));
    CheckDlgButton(hwnd, kOwnerDrawnCheckId, BST_CHECKED);

    lf_child(hwnd, u"BUTTON", u"auto check", BS_AUTOCHECKBOX, 16, 74, 140, 24, kAutoCheckId);
    CheckDlgButton(hwnd, kAutoCheckId, BST_CHECKED);
    HWND disabledCheck =
        lf_child(hwnd, u"BUTTON", u"disabled", BS_CHECKBOX, 16, 102, 140, 24, kDisabledCheckId);
    CheckDlgButton(hwnd, kDisabledCheckId, BST_CHECKED);
    EnableWindow(disabledCheck, FALSE);

    lf_child(hwnd, u"BUTTON", u"Apply", BS_PUSHBUTTON, 16, 136, 80, 26, kApplyButtonId);
    EnableWindow(
        lf_child(hwnd, u"BUTTON", u"Flush", BS_PUSHBUTTON, 104, 136, 80, 26, kDisabledButtonId),
        FALSE);

    HWND range = lf_child(hwnd, u"ComboBox", u"", WS_VSCROLL | CBS_DROPDOWNLIST, 16, 176, 120, 200,
                          kRangeComboId);
    for (int nm = 10; nm <= 120; nm += 10) {
        std::string ascii = std::to_string(nm) + " nm";
        std::u16string wide(ascii.begin(), ascii.end());
        SendMessageW(range, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    }
    SendMessageW(range, CB_SETCURSEL, 3, 0);
    HWND disabledCombo = lf_child(hwnd, u"ComboBox", u"", WS_VSCROLL | CBS_DROPDOWNLIST, 16, 214,
                                  120, 80, kDisabledComboId);
    SendMessageW(disabledCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"MSFS 2020"));
    SendMessageW(disabledCombo, CB_SETCURSEL, 0, 0);
    EnableWindow(disabledCombo, FALSE);

    HWND destination = lf_child(hwnd, u"Edit", u"eddf", WS_BORDER | ES_UPPERCASE, 256, 48, 90, 28,
                                kDestinationEditId);
    HWND disabledEdit =
        lf_child(hwnd, u"Edit", u"KJFK", WS_BORDER, 256, 84, 90, 28, kDisabledEditId);
    EnableWindow(disabledEdit, FALSE);

    HWND stands = lf_child(hwnd, u"ComboBox", u"", WS_VSCROLL | CBS_DROPDOWNLIST, 256, 124, 180,
                           150, kListComboId);
    SendMessageW(stands, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"select a stand"));
    for (int i = 1; i <= 14; ++i) {
        std::string ascii = "Stand A" + std::to_string(i);
        std::u16string wide(ascii.begin(), ascii.end());
        SendMessageW(stands, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    }
    SendMessageW(stands, CB_SETCURSEL, 0, 0);
    SetFocus(destination);
}

void lf_text(HDC hdc, int x, int y, const std::u16string& text, COLORREF color) {
    HGDIOBJ old = SelectObject(hdc, g_textFont);
    SetTextColor(hdc, color);
    SetBkMode(hdc, TRANSPARENT);
    TextOutW(hdc, x, y - 3, text.c_str(), static_cast<int>(text.size()));
    SelectObject(hdc, old);
}

void lf_fill(HDC hdc, RECT rect, COLORREF color) {
    HBRUSH brush = CreateSolidBrush(color);
    FillRect(hdc, &rect, brush);
    DeleteObject(brush);
}

void lf_paint(HWND hwnd) {
    PAINTSTRUCT paint;
    HDC hdc = BeginPaint(hwnd, &paint);
    RECT client;
    GetClientRect(hwnd, &client);
    HDC memory = CreateCompatibleDC(hdc);
    HBITMAP bitmap = CreateCompatibleBitmap(hdc, client.right, client.bottom);
    HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
    SaveDC(memory);
    SetMapMode(memory, MM_ANISOTROPIC);
    SetWindowExtEx(memory, kLayoutWidth, kLayoutHeight, nullptr);
    SetViewportExtEx(memory, client.right, client.bottom, nullptr);

    lf_fill(memory, RECT{0, 0, kLayoutWidth, 32}, RGB(0, 0, 0));
    lf_fill(memory, RECT{0, 32, kLayoutWidth, 268}, kLightBlue);
    lf_fill(memory, RECT{0, 268, kLayoutWidth, 300}, kDarkGreen);
    lf_fill(memory, RECT{400, 6, 430, 26}, kDarkGreen);
    lf_fill(memory, RECT{440, 6, 470, 26}, RGB(255, 0, 0));

    HPEN white = CreatePen(PS_SOLID, 1, RGB(255, 255, 255));
    HPEN black = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
    HGDIOBJ oldPen = SelectObject(memory, white);
    MoveToEx(memory, 0, 32, nullptr);
    LineTo(memory, kLayoutWidth, 32);
    SelectObject(memory, black);
    MoveToEx(memory, 240, 40, nullptr);
    LineTo(memory, 240, 260);
    SelectObject(memory, oldPen);
    DeleteObject(white);
    DeleteObject(black);

    lf_text(memory, 8, 10, u"Skyloom window-system demo", kGreen);
    lf_text(memory, 36, 48, u"owner-drawn", RGB(0, 0, 0));
    lf_text(memory, 8, 277, u"status: every control kind", RGB(255, 255, 255));

    RestoreDC(memory, -1);
    BitBlt(hdc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
    SelectObject(memory, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(memory);
    EndPaint(hwnd, &paint);
}

LRESULT lf_windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        lf_createControls(hwnd);
        return 0;
    case WM_PAINT:
        lf_paint(hwnd);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT: {
        HDC hdc = reinterpret_cast<HDC>(wParam);
        SetBkMode(hdc, OPAQUE);
        SetBkColor(hdc, kLightBlue);
        SetDCBrushColor(hdc, kLightBlue);
        return reinterpret_cast<LRESULT>(GetStockObject(DC_BRUSH));
    }
    default:
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

} // namespace

bool registerDemoClass() {
    WNDCLASSEXW windowClass;
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = &lf_windowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = kClassName;
    return RegisterClassExW(&windowClass) != 0;
}

HWND createDemoWindow(UINT dpi) {
    const int d = static_cast<int>(dpi);
    setMonitors({MonitorSetup{RECT{0, 0, MulDiv(1920, d, 96), MulDiv(1080, d, 96)},
                              RECT{0, 0, MulDiv(1920, d, 96), MulDiv(1040, d, 96)}, dpi}});
    setSystemDpi(dpi);
    if (g_textFont == nullptr) {
        g_textFont = lf_font(96, FW_NORMAL);
    }
    DeleteObject(g_controlFont);
    g_controlFont = lf_font(d, FW_NORMAL);

    constexpr DWORD kStyle = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    RECT frame{0, 0, MulDiv(kLayoutWidth, d, 96), MulDiv(kLayoutHeight, d, 96)};
    AdjustWindowRectExForDpi(&frame, kStyle, FALSE, 0, dpi);
    HWND hwnd = CreateWindowExW(0, kClassName, u"Skyloom", kStyle, 40, 40, frame.right - frame.left,
                                frame.bottom - frame.top, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    if (hwnd != nullptr) {
        ShowWindow(hwnd, SW_SHOW);
        UpdateWindow(hwnd);
    }
    return hwnd;
}

} // namespace skyloom::tools::winui_demo

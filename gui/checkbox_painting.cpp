// The owner-drawn option check boxes: a white box with a dark grey frame on the options
// area's light blue, a tick when checked, and grey when disabled.
#include <algorithm>
#include <atomic>

#include "gui/gui_palette.h"
#include "gui/option_controls.h"
#include "platform/winui/dpi.h"
#include "platform/winui/gdi.h"
#include "platform/winui/gdi_objects.h"
#include "platform/winui/message_loop.h"
#include "platform/winui/messages.h"
#include "platform/winui/painting.h"
#include "platform/winui/styles.h"
#include "platform/winui/window.h"
#include "platform/winui/window_geometry.h"
#include "platform/winui/window_state.h"

namespace skyloom {

// The procedure the first subclassed check box had: the check-box class's own.
std::atomic<winui::WNDPROC> g_checkboxClassProc{nullptr};

namespace {

constexpr winui::COLORREF kFrameEnabled = winui::RGB(96, 96, 96);
constexpr winui::COLORREF kFrameDisabled = winui::RGB(160, 160, 160);
constexpr winui::COLORREF kBoxEnabled = winui::RGB(255, 255, 255);
constexpr winui::COLORREF kBoxDisabled = winui::RGB(240, 240, 240);
constexpr winui::COLORREF kTickEnabled = winui::RGB(0, 0, 0);
constexpr winui::COLORREF kTickDisabled = winui::RGB(128, 128, 128);

void lf_paintCheckbox(winui::HWND window) {
    winui::PAINTSTRUCT paint;
    const winui::HDC dc = winui::BeginPaint(window, &paint);
    if (dc == nullptr) {
        return;
    }
    winui::RECT client{};
    winui::GetClientRect(window, &client);
    const int w = client.right - client.left;
    const int h = client.bottom - client.top;
    const bool enabled = winui::IsWindowEnabled(window) != winui::FALSE;

    const winui::HGDIOBJ oldPen = winui::SelectObject(dc, winui::GetStockObject(winui::DC_PEN));
    const winui::HGDIOBJ oldBrush = winui::SelectObject(dc, winui::GetStockObject(winui::DC_BRUSH));
    const winui::COLORREF oldPenColour = winui::GetDCPenColor(dc);
    const winui::COLORREF oldBrushColour = winui::SetDCBrushColor(dc, kOptionsBlue);

    winui::FillRect(dc, &client,
                    static_cast<winui::HBRUSH>(winui::GetStockObject(winui::DC_BRUSH)));
    winui::SetDCPenColor(dc, enabled ? kFrameEnabled : kFrameDisabled);
    winui::SetDCBrushColor(dc, enabled ? kBoxEnabled : kBoxDisabled);
    winui::Rectangle(dc, client.left, client.top, client.right, client.bottom);

    if (winui::SendMessageW(window, winui::BM_GETCHECK, 0, 0) == winui::BST_CHECKED) {
        const int width =
            std::max(1, winui::MulDiv(2, static_cast<int>(winui::GetDpiForWindow(window)), 96));
        const winui::HPEN tick =
            winui::CreatePen(winui::PS_SOLID, width, enabled ? kTickEnabled : kTickDisabled);
        const winui::HGDIOBJ framePen = winui::SelectObject(dc, tick);
        const winui::POINT points[3] = {{w / 5, h / 2}, {2 * w / 5, 3 * h / 4}, {4 * w / 5, h / 4}};
        winui::Polyline(dc, points, 3);
        winui::SelectObject(dc, framePen);
        winui::DeleteObject(tick);
    }

    winui::SetDCBrushColor(dc, oldBrushColour);
    winui::SetDCPenColor(dc, oldPenColour);
    winui::SelectObject(dc, oldBrush);
    winui::SelectObject(dc, oldPen);
    winui::EndPaint(window, &paint);
}

} // namespace

winui::LRESULT lf_CheckboxSubclassProc(winui::HWND window, winui::UINT message,
                                       winui::WPARAM wParam, winui::LPARAM lParam) {
    switch (message) {
    case winui::WM_PAINT:
        lf_paintCheckbox(window);
        return 0;
    case winui::WM_ERASEBKGND:
        return 1;
    default:
        break;
    }
    const winui::WNDPROC classProc = g_checkboxClassProc.load();
    const winui::LRESULT result =
        classProc != nullptr ? winui::CallWindowProcW(classProc, window, message, wParam, lParam)
                             : winui::DefWindowProcW(window, message, wParam, lParam);
    if (message == winui::WM_ENABLE || message == winui::BM_SETCHECK) {
        winui::RedrawWindow(window, nullptr, nullptr, winui::RDW_INVALIDATE | winui::RDW_UPDATENOW);
    }
    return result;
}

} // namespace skyloom

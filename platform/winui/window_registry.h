// The layer's record of every window, shared by the window functions: what a window is
// (class, procedure, styles, parent, children in z-order, id, text), where it is (its
// rectangle, show state, normal rectangle, DPI), whom it belongs to (the creating thread and
// its queue), and what it needs painted (invalid region, backing picture). One mutex guards
// all of it; it is never held while a window procedure runs, so procedures may call any
// window function.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/winui/image.h"
#include "platform/winui/region.h"
#include "platform/winui/win_types.h"

namespace skyloom::winui {
class RecordingLog;
}

namespace skyloom::winui::detail {

class ThreadQueue;
struct WindowClass;

struct Window {
    HWND handle = nullptr;
    std::uint64_t sequence = 0; // creation order: parents before their children
    std::shared_ptr<WindowClass> windowClass;
    WNDPROC proc = nullptr;
    DWORD style = 0;
    DWORD exStyle = 0;
    HWND parent = nullptr;      // WS_CHILD windows
    HWND owner = nullptr;       // pop-ups owned by another window
    std::vector<HWND> children; // z-order: the first is on top (and was created first)
    UINT_PTR id = 0;            // control id of a child window
    HINSTANCE instance = nullptr;
    std::u16string text;
    RECT rect; // children: parent's client coordinates; others: screen
    LONG_PTR userData = 0;
    std::vector<unsigned char> extraBytes;
    UINT dpi = 96;
    DWORD threadId = 0;
    std::shared_ptr<ThreadQueue> queue;

    Region invalid;                            // client coordinates, device pixels
    bool eraseBackground = false;              // WM_ERASEBKGND due at the next BeginPaint
    Image backing;                             // the whole window rectangle, made on first paint
    bool frameDirty = true;                    // the non-client part must be drawn again
    std::shared_ptr<RecordingLog> recordPaint; // the next paints go to a recording context

    int showState = 1; // SW_SHOWNORMAL, SW_SHOWMINIMIZED or SW_SHOWMAXIMIZED
    RECT normalRect;   // rectangle to restore a minimised or maximised window to

    std::shared_ptr<void> controlState; // built-in controls keep their state here
    bool destroying = false;
};

// Non-client widths of a window's frame, in device pixels.
struct FrameInsets {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

std::mutex& windowsMutex();

// --- With windowsMutex held ---
Window* findWindowLocked(HWND hwnd);
// Registers a new window (handle and sequence assigned) and links it to its parent.
Window& addWindowLocked(std::unique_ptr<Window> window);
// Unlinks and forgets a window (not its children).
void removeWindowLocked(HWND hwnd);
std::vector<HWND> topLevelWindowsLocked(); // z-order, top first
void raiseTopLevelLocked(HWND hwnd, HWND insertAfter);

FrameInsets frameInsetsFor(DWORD style, DWORD exStyle, UINT dpi, bool child);
FrameInsets frameInsetsLocked(const Window& window);
// The client area in the window's own coordinates (0, 0 = window's top-left).
RECT clientAreaLocked(const Window& window);
// Screen position of the client area's top-left corner.
POINT clientOriginOnScreenLocked(const Window& window);
// Screen rectangle of the whole window.
RECT screenRectLocked(const Window& window);
// True when the window and every ancestor are visible.
bool visibleLocked(const Window& window);
HWND rootLocked(HWND hwnd);
// Adds to the invalid region (whole client area when `clientRect` is null) and marks the
// window for painting.
void invalidateLocked(Window& window, const RECT* clientRect, bool erase);
// Takes the window off its thread's paint list when nothing is invalid or it is hidden; puts
// it back when something is invalid and it is visible.
void refreshPaintPendingLocked(Window& window);
// Window and descendants, depth first in z-order.
void collectTreeLocked(HWND root, std::vector<HWND>& out);

// --- Without the mutex ---
// Drops the windows of a thread that ended, without messages: nobody is left to answer them.
void dropWindowsOfThread(DWORD threadId);
// The procedure and the owning thread's queue of a window; false when it is no window.
bool procedureOf(HWND hwnd, WNDPROC& proc, std::shared_ptr<ThreadQueue>& queue, DWORD& threadId);
// The built-in control state of a window, null when none.
std::shared_ptr<void> controlStateOf(HWND hwnd);
void setControlState(HWND hwnd, std::shared_ptr<void> state);

} // namespace skyloom::winui::detail

// Messages: sending (the window procedure runs on the window's own thread; a sender from
// another thread waits until it has run, answering messages sent to itself meanwhile),
// posting (which can fail), the quit request, and the loop functions GetMessageW,
// PeekMessageW, TranslateMessage and DispatchMessageW. See thread_queue.h for the order in
// which a thread receives what was posted and sent to it.
#pragma once

#include <cstddef>

#include "platform/winui/win_types.h"

namespace skyloom::winui {

inline constexpr UINT PM_NOREMOVE = 0x0000;
inline constexpr UINT PM_REMOVE = 0x0001;

// 0 when the window does not exist (or its thread has ended). An exception thrown by the
// window procedure of another thread's window reaches the sender.
LRESULT SendMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// hwnd null posts to the calling thread. FALSE when the window does not exist, its queue is
// full (ERROR_NOT_ENOUGH_QUOTA) or the post fault is switched on.
BOOL PostMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
BOOL PostThreadMessageW(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);

// > 0 for a message, 0 for WM_QUIT (msg->wParam holds the exit code), -1 on an invalid
// argument. Answers sent messages while it waits.
BOOL GetMessageW(MSG* msg, HWND hwnd, UINT first, UINT last);
BOOL PeekMessageW(MSG* msg, HWND hwnd, UINT first, UINT last, UINT remove);
// Turns a key press that stands for a character (Enter, Backspace, Tab, Escape, space,
// digits, letters) into WM_CHAR, which is read next.
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessageW(const MSG* msg);
// TRUE while the calling thread handles a message sent from another thread.
BOOL InSendMessage();
// The time of the last message the calling thread took with GetMessageW or PeekMessageW (with
// PM_REMOVE): milliseconds of the layer's tick count when it was posted, or, for input, of the
// clock of the input's source. Controls that count clicks compare these times.
LONG GetMessageTime();
// The longest time between the clicks of a double click, in milliseconds.
UINT GetDoubleClickTime();

namespace detail {
// Posts with the message time `time` instead of the tick count of the moment (input whose
// source gives its own time).
BOOL postMessageAt(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, DWORD time);
} // namespace detail

// --- For tests ---
// At most `limit` posted messages wait in one thread's queue (10000 by default).
void setPostMessageLimit(std::size_t limit);
// While on, every post fails (PostMessageW and PostThreadMessageW return FALSE).
void setPostMessageFault(bool failEveryPost);
// How many posted and sent messages wait in a thread's queue (0 for a thread without one).
std::size_t waitingMessageCount(DWORD threadId);
// Handles every message that waits for the calling thread, paints included, without
// blocking; returns how many were handled. A WM_QUIT found on the way is put back.
std::size_t pumpWaitingMessages();

} // namespace skyloom::winui

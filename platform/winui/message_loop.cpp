#include "platform/winui/message_loop.h"

#include <chrono>
#include <exception>
#include <memory>

#include "platform/winui/last_error.h"
#include "platform/winui/messages.h"
#include "platform/winui/painting.h"
#include "platform/winui/styles.h"
#include "platform/winui/thread_queue.h"
#include "platform/winui/window_registry.h"

namespace skyloom::winui {
namespace {

using detail::SentMessage;
using detail::ThreadQueue;

thread_local int t_inSend = 0;
thread_local DWORD t_messageTime = 0;

constexpr UINT kDoubleClickTimeMs = 500;

DWORD lf_tickCount() {
    static const auto start = std::chrono::steady_clock::now();
    return static_cast<DWORD>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                  std::chrono::steady_clock::now() - start)
                                  .count());
}

// Runs a message sent from another thread on this thread and answers the sender.
void lf_handleSent(SentMessage& message) {
    WNDPROC proc = nullptr;
    std::shared_ptr<ThreadQueue> queue;
    DWORD threadId = 0;
    if (!detail::procedureOf(message.hwnd, proc, queue, threadId) ||
        threadId != GetCurrentThreadId() || proc == nullptr) {
        ThreadQueue::reply(message, 0, nullptr);
        return;
    }
    ++t_inSend;
    try {
        const LRESULT result = proc(message.hwnd, message.message, message.wParam, message.lParam);
        --t_inSend;
        ThreadQueue::reply(message, result, nullptr);
    } catch (...) {
        --t_inSend;
        ThreadQueue::reply(message, 0, std::current_exception());
    }
}

// The character a key press stands for, 0 when none.
char16_t lf_characterOfKey(WPARAM key) {
    switch (key) {
    case VK_BACK:
        return u'\b';
    case VK_TAB:
        return u'\t';
    case VK_RETURN:
        return u'\r';
    case VK_ESCAPE:
        return 0x1B;
    case VK_SPACE:
        return u' ';
    default:
        break;
    }
    if (key >= '0' && key <= '9') {
        return static_cast<char16_t>(key);
    }
    if (key >= 'A' && key <= 'Z') {
        // No shift state is modelled: letters come out in lower case.
        return static_cast<char16_t>(key - 'A' + 'a');
    }
    return 0;
}

enum class Taken { error, quit, message, nothing };

Taken lf_take(MSG* msg, HWND hwnd, UINT first, UINT last, bool remove, bool block) {
    if (msg == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return Taken::error;
    }
    if (hwnd != nullptr) {
        std::lock_guard lock(detail::windowsMutex());
        if (detail::findWindowLocked(hwnd) == nullptr) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return Taken::error;
        }
    }
    const detail::MessageFilter filter{hwnd, first, last};
    auto queue = detail::currentQueue();
    for (;;) {
        auto next = queue->next(filter, remove, block);
        switch (next.kind) {
        case ThreadQueue::Next::Kind::sent:
            lf_handleSent(*next.sent);
            continue;
        case ThreadQueue::Next::Kind::posted:
            // Stamped when it was posted.
            *msg = next.msg;
            break;
        case ThreadQueue::Next::Kind::paint:
        case ThreadQueue::Next::Kind::quit:
            *msg = next.msg;
            msg->time = lf_tickCount();
            break;
        case ThreadQueue::Next::Kind::none:
            return block ? Taken::error : Taken::nothing;
        }
        if (remove) {
            t_messageTime = msg->time;
        }
        return next.kind == ThreadQueue::Next::Kind::quit ? Taken::quit : Taken::message;
    }
}

BOOL lf_post(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, DWORD time) {
    MSG msg;
    msg.hwnd = hwnd;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = time;
    if (hwnd == nullptr) {
        return detail::currentQueue()->post(msg) ? TRUE : FALSE;
    }
    std::shared_ptr<ThreadQueue> queue;
    {
        std::lock_guard lock(detail::windowsMutex());
        const detail::Window* window = detail::findWindowLocked(hwnd);
        if (window == nullptr) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        queue = window->queue;
    }
    return queue && queue->post(msg) ? TRUE : FALSE;
}

} // namespace

BOOL detail::postMessageAt(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, DWORD time) {
    return lf_post(hwnd, message, wParam, lParam, time);
}

LONG GetMessageTime() {
    return static_cast<LONG>(t_messageTime);
}

UINT GetDoubleClickTime() {
    return kDoubleClickTimeMs;
}


LRESULT SendMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC proc = nullptr;
    std::shared_ptr<ThreadQueue> target;
    DWORD threadId = 0;
    if (!detail::procedureOf(hwnd, proc, target, threadId)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (threadId == GetCurrentThreadId()) {
        return proc == nullptr ? 0 : proc(hwnd, message, wParam, lParam);
    }
    auto own = detail::currentQueue();
    auto sent = std::make_shared<SentMessage>();
    sent->hwnd = hwnd;
    sent->message = message;
    sent->wParam = wParam;
    sent->lParam = lParam;
    sent->sender = own;
    if (!target || !target->deliver(sent)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    // Answer whatever is sent to this thread while it waits: the receiver may itself be
    // sending to us.
    while (auto incoming = own->nextWhileSending(*sent)) {
        lf_handleSent(*incoming);
    }
    if (sent->error) {
        std::rethrow_exception(sent->error);
    }
    return sent->result;
}

BOOL PostMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return lf_post(hwnd, message, wParam, lParam, lf_tickCount());
}

BOOL PostThreadMessageW(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam) {
    auto queue = detail::queueOfThread(threadId);
    if (!queue) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    MSG msg;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = lf_tickCount();
    return queue->post(msg) ? TRUE : FALSE;
}

void PostQuitMessage(int exitCode) {
    detail::currentQueue()->postQuit(exitCode);
}

BOOL GetMessageW(MSG* msg, HWND hwnd, UINT first, UINT last) {
    switch (lf_take(msg, hwnd, first, last, true, true)) {
    case Taken::message:
        return 1;
    case Taken::quit:
        return 0;
    default:
        return -1;
    }
}

BOOL PeekMessageW(MSG* msg, HWND hwnd, UINT first, UINT last, UINT remove) {
    const Taken taken = lf_take(msg, hwnd, first, last, (remove & PM_REMOVE) != 0, false);
    return taken == Taken::message || taken == Taken::quit ? TRUE : FALSE;
}

BOOL TranslateMessage(const MSG* msg) {
    if (msg == nullptr || msg->message != WM_KEYDOWN) {
        return FALSE;
    }
    const char16_t character = lf_characterOfKey(msg->wParam);
    if (character == 0) {
        return FALSE;
    }
    MSG charMessage = *msg;
    charMessage.message = WM_CHAR;
    charMessage.wParam = character;
    return detail::currentQueue()->postFront(charMessage) ? TRUE : FALSE;
}

LRESULT DispatchMessageW(const MSG* msg) {
    if (msg == nullptr || msg->hwnd == nullptr) {
        return 0;
    }
    WNDPROC proc = nullptr;
    std::shared_ptr<ThreadQueue> queue;
    DWORD threadId = 0;
    if (!detail::procedureOf(msg->hwnd, proc, queue, threadId)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (threadId != GetCurrentThreadId()) {
        SetLastError(ERROR_WINDOW_OF_OTHER_THREAD);
        return 0;
    }
    return proc == nullptr ? 0 : proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

BOOL InSendMessage() {
    return t_inSend > 0 ? TRUE : FALSE;
}

void setPostMessageLimit(std::size_t limit) {
    detail::setPostLimit(limit);
}

void setPostMessageFault(bool failEveryPost) {
    detail::setPostFault(failEveryPost);
}

std::size_t waitingMessageCount(DWORD threadId) {
    auto queue = detail::queueOfThread(threadId);
    return queue ? queue->waitingCount() : 0;
}

std::size_t pumpWaitingMessages() {
    std::size_t handled = 0;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
        ++handled;
        if (msg.message == WM_PAINT) {
            // A procedure that never validates would be painted for ever; a pump must end.
            RECT stillInvalid;
            if (GetUpdateRect(msg.hwnd, &stillInvalid, FALSE)) {
                ValidateRect(msg.hwnd, nullptr);
            }
        }
    }
    return handled;
}

} // namespace skyloom::winui

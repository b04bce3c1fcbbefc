// The message queue of one GUI thread. Posted messages and messages sent from other threads
// wait in one line in the order they arrived, so a thread's posts and sends are handled in
// the order they were made; only a thread that is itself blocked in a send answers the sends
// that wait for it ahead of the posts, which is what keeps two threads that send to each
// other from deadlocking. The quit request comes when nothing else waits; WM_PAINT is made
// up only when the line is empty, for the earliest-created window with an invalid region.
// Every thread that sends, posts to itself or reads messages has one, made on first use; when
// the thread ends its queue closes and the sends still waiting in it return 0.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/winui/win_types.h"

namespace skyloom::winui::detail {

class ThreadQueue;

// A message sent from one thread to a window of another, with the sender's wait state.
struct SentMessage {
    HWND hwnd = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    std::shared_ptr<ThreadQueue> sender;
    // Written by the receiver under the sender's queue mutex.
    LRESULT result = 0;
    std::exception_ptr error;
    bool done = false;
};

// Which posted messages a GetMessageW / PeekMessageW call accepts.
struct MessageFilter {
    HWND hwnd = nullptr; // null: any window and thread messages
    UINT first = 0;      // first == last == 0: every message
    UINT last = 0;
    bool accepts(const MSG& msg) const;
};

class ThreadQueue {
public:
    explicit ThreadQueue(DWORD threadId);
    ThreadQueue(const ThreadQueue&) = delete;
    ThreadQueue& operator=(const ThreadQueue&) = delete;

    DWORD threadId() const { return threadId_; }

    // --- From any thread ---
    // False when the queue is closed, full or a post fault is switched on.
    bool post(const MSG& msg);
    // Puts a message at the head of the line (TranslateMessage's WM_CHAR); never fails while
    // the queue is open.
    bool postFront(const MSG& msg);
    // False when the queue is closed; the sender then gets 0 at once.
    bool deliver(std::shared_ptr<SentMessage> message);
    void postQuit(int exitCode);
    // A window of this thread has (or no longer has) an invalid region. Windows are keyed
    // by their creation sequence so that parents are painted before their children.
    void setPaintPending(std::uint64_t sequence, HWND hwnd, bool pending);
    // The thread ended: refuse posts and sends, answer the waiting sends with 0.
    void close();
    bool closed() const;
    std::size_t postedCount() const;
    // Posted and sent messages in the line.
    std::size_t waitingCount() const;

    // Answers a sent message: stores the result and wakes the sender, who waits on its own
    // queue (the one named in the message).
    static void reply(SentMessage& message, LRESULT result, std::exception_ptr error);

    // --- On the owning thread ---
    struct Next {
        enum class Kind { none, sent, posted, quit, paint } kind = Kind::none;
        MSG msg;                           // posted, quit (wParam = exit code), paint
        std::shared_ptr<SentMessage> sent; // sent
    };
    // The next thing to handle: a sent message, the first accepted posted message (removed
    // when `remove`), the quit request (when no posted message waits at all), or a paint.
    // Blocks until there is one when `block`, else returns Kind::none.
    Next next(const MessageFilter& filter, bool remove, bool block);
    // While this thread waits for `awaited` to be answered: the next message sent to this
    // thread (taken ahead of posted ones), or null once `awaited` is done.
    std::shared_ptr<SentMessage> nextWhileSending(const SentMessage& awaited);

private:
    struct Entry {
        MSG posted;
        std::shared_ptr<SentMessage> sent; // set for a sent message
    };

    bool postLocked(const MSG& msg, bool front);

    const DWORD threadId_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Entry> line_;
    std::size_t posted_ = 0;
    bool quitPending_ = false;
    int quitCode_ = 0;
    std::map<std::uint64_t, HWND> paintPending_;
    bool closed_ = false;
};

// The calling thread's queue, made on first use.
std::shared_ptr<ThreadQueue> currentQueue();
// The queue of a thread that has one and has not ended.
std::shared_ptr<ThreadQueue> queueOfThread(DWORD threadId);

// Posting limits: at most `limit` posted messages wait in one queue (10000 by default, as on
// Windows); with the fault switch on, every post fails. For tests of the callers' recovery.
void setPostLimit(std::size_t limit);
void setPostFault(bool failEveryPost);

} // namespace skyloom::winui::detail

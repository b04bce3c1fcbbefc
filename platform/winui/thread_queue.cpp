#include "platform/winui/thread_queue.h"

#include <atomic>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/winui/last_error.h"
#include "platform/winui/messages.h"
#include "platform/winui/styles.h"
#include "platform/winui/window_registry.h"

namespace skyloom::winui::detail {
namespace {

std::atomic<std::size_t> g_postLimit{10000};
std::atomic<bool> g_postFault{false};

std::mutex g_queuesMutex;
std::unordered_map<DWORD, std::weak_ptr<ThreadQueue>>& lf_queues() {
    static std::unordered_map<DWORD, std::weak_ptr<ThreadQueue>> queues;
    return queues;
}

// Owns the calling thread's queue; closing it when the thread ends answers every sender that
// still waits and drops the thread's windows.
class QueueHolder {
public:
    ~QueueHolder() {
        if (!queue_) {
            return;
        }
        queue_->close();
        {
            std::lock_guard lock(g_queuesMutex);
            lf_queues().erase(queue_->threadId());
        }
        dropWindowsOfThread(queue_->threadId());
    }

    std::shared_ptr<ThreadQueue>& queue() { return queue_; }

private:
    std::shared_ptr<ThreadQueue> queue_;
};

thread_local QueueHolder t_holder;

} // namespace

bool MessageFilter::accepts(const MSG& msg) const {
    if (hwnd != nullptr && msg.hwnd != hwnd) {
        return false;
    }
    if (first == 0 && last == 0) {
        return true;
    }
    return msg.message >= first && msg.message <= last;
}

ThreadQueue::ThreadQueue(DWORD threadId) : threadId_(threadId) {}

bool ThreadQueue::post(const MSG& msg) {
    std::lock_guard lock(mutex_);
    return postLocked(msg, false);
}

bool ThreadQueue::postFront(const MSG& msg) {
    std::lock_guard lock(mutex_);
    return postLocked(msg, true);
}

bool ThreadQueue::postLocked(const MSG& msg, bool front) {
    if (closed_) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    if (!front && (g_postFault.load() || posted_ >= g_postLimit.load())) {
        SetLastError(ERROR_NOT_ENOUGH_QUOTA);
        return false;
    }
    Entry entry{msg, nullptr};
    if (front) {
        line_.push_front(std::move(entry));
    } else {
        line_.push_back(std::move(entry));
    }
    ++posted_;
    wake_.notify_all();
    return true;
}

bool ThreadQueue::deliver(std::shared_ptr<SentMessage> message) {
    std::lock_guard lock(mutex_);
    if (closed_) {
        return false;
    }
    line_.push_back(Entry{MSG{}, std::move(message)});
    wake_.notify_all();
    return true;
}

void ThreadQueue::postQuit(int exitCode) {
    std::lock_guard lock(mutex_);
    quitPending_ = true;
    quitCode_ = exitCode;
    wake_.notify_all();
}

void ThreadQueue::setPaintPending(std::uint64_t sequence, HWND hwnd, bool pending) {
    std::lock_guard lock(mutex_);
    if (pending) {
        paintPending_[sequence] = hwnd;
        wake_.notify_all();
    } else {
        paintPending_.erase(sequence);
    }
}

void ThreadQueue::close() {
    std::vector<std::shared_ptr<SentMessage>> waiting;
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
        for (auto& entry : line_) {
            if (entry.sent) {
                waiting.push_back(std::move(entry.sent));
            }
        }
        line_.clear();
        posted_ = 0;
        paintPending_.clear();
    }
    for (auto& message : waiting) {
        reply(*message, 0, nullptr);
    }
}

bool ThreadQueue::closed() const {
    std::lock_guard lock(mutex_);
    return closed_;
}

std::size_t ThreadQueue::postedCount() const {
    std::lock_guard lock(mutex_);
    return posted_;
}

std::size_t ThreadQueue::waitingCount() const {
    std::lock_guard lock(mutex_);
    return line_.size();
}

void ThreadQueue::reply(SentMessage& message, LRESULT result, std::exception_ptr error) {
    if (!message.sender) {
        return;
    }
    ThreadQueue& sender = *message.sender;
    std::lock_guard lock(sender.mutex_);
    message.result = result;
    message.error = std::move(error);
    message.done = true;
    sender.wake_.notify_all();
}

ThreadQueue::Next ThreadQueue::next(const MessageFilter& filter, bool remove, bool block) {
    std::unique_lock lock(mutex_);
    for (;;) {
        for (auto it = line_.begin(); it != line_.end(); ++it) {
            if (it->sent) {
                Next result;
                result.kind = Next::Kind::sent;
                result.sent = std::move(it->sent);
                line_.erase(it);
                return result;
            }
            if (filter.accepts(it->posted)) {
                Next result;
                result.kind = Next::Kind::posted;
                result.msg = it->posted;
                if (remove) {
                    line_.erase(it);
                    --posted_;
                }
                return result;
            }
        }
        if (quitPending_ && posted_ == 0) {
            Next result;
            result.kind = Next::Kind::quit;
            result.msg.message = WM_QUIT;
            result.msg.wParam = static_cast<WPARAM>(quitCode_);
            if (remove) {
                quitPending_ = false;
            }
            return result;
        }
        if (posted_ == 0) {
            for (const auto& [sequence, hwnd] : paintPending_) {
                if (filter.hwnd == nullptr || filter.hwnd == hwnd) {
                    MSG paint;
                    paint.hwnd = hwnd;
                    paint.message = WM_PAINT;
                    if (filter.accepts(paint)) {
                        Next result;
                        result.kind = Next::Kind::paint;
                        result.msg = paint;
                        return result;
                    }
                }
            }
        }
        if (!block || closed_) {
            return Next{};
        }
        wake_.wait(lock);
    }
}

std::shared_ptr<SentMessage> ThreadQueue::nextWhileSending(const SentMessage& awaited) {
    std::unique_lock lock(mutex_);
    for (;;) {
        if (awaited.done) {
            return nullptr;
        }
        for (auto it = line_.begin(); it != line_.end(); ++it) {
            if (it->sent) {
                auto message = std::move(it->sent);
                line_.erase(it);
                return message;
            }
        }
        wake_.wait(lock);
    }
}

std::shared_ptr<ThreadQueue> currentQueue() {
    auto& queue = t_holder.queue();
    if (!queue) {
        queue = std::make_shared<ThreadQueue>(GetCurrentThreadId());
        std::lock_guard lock(g_queuesMutex);
        lf_queues()[queue->threadId()] = queue;
    }
    return queue;
}

std::shared_ptr<ThreadQueue> queueOfThread(DWORD threadId) {
    std::lock_guard lock(g_queuesMutex);
    auto it = lf_queues().find(threadId);
    return it == lf_queues().end() ? nullptr : it->second.lock();
}

void setPostLimit(std::size_t limit) {
    g_postLimit.store(limit);
}

void setPostFault(bool failEveryPost) {
    g_postFault.store(failEveryPost);
}

} // namespace skyloom::winui::detail

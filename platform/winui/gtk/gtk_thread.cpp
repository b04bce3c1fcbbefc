#include "platform/winui/gtk/gtk_thread.h"

#include <deque>
#include <future>
#include <mutex>
#include <utility>

#include <gtk/gtk.h>

#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#endif

namespace skyloom::winui::gtk {

// What other threads hand the GTK thread passes through this lock rather than through GLib's
// idle sources alone: the lock orders everything the work carries (shared windows, pictures)
// before the GTK thread uses it in a way that the sanitizers see, which GLib's own locking is
// not. The idle source only wakes the loop; it takes the next work from here.
struct GtkThread::Handed {
    std::mutex mutex;
    std::deque<std::function<void()>> work;
    std::function<void()> farewell;

    void runNext() {
        std::function<void()> next;
        {
            const std::lock_guard lock(mutex);
            if (work.empty()) {
                return;
            }
            next = std::move(work.front());
            work.pop_front();
        }
        next();
    }

    std::function<void()> takeFarewell() {
        const std::lock_guard lock(mutex);
        return std::move(farewell);
    }
};

namespace {

// A source and its data pass from the thread that attaches it to the GTK thread under GLib's own
// lock, which ThreadSanitizer does not see (GLib is not built with it): the hand-off is told to
// it, released where the source is attached and acquired where the GTK thread takes the data.
void lf_handOver([[maybe_unused]] gpointer data) {
#if defined(__SANITIZE_THREAD__)
    __tsan_release(data);
#endif
}

void lf_takeOver([[maybe_unused]] gpointer data) {
#if defined(__SANITIZE_THREAD__)
    __tsan_acquire(data);
#endif
}

// Each source holds the queue, not the thread object: a source left over from a stopped thread
// finds the queue it was made for.
gboolean lf_runNext(gpointer data) {
    lf_takeOver(data);
    (*static_cast<std::shared_ptr<GtkThread::Handed>*>(data))->runNext();
    return G_SOURCE_REMOVE;
}

void lf_freeHanded(gpointer data) {
    lf_takeOver(data);
    delete static_cast<std::shared_ptr<GtkThread::Handed>*>(data);
}

} // namespace

GtkThread::GtkThread() : handed_(std::make_shared<Handed>()) {}

GtkThread::~GtkThread() {
    stop();
}

bool GtkThread::start(std::function<void()> ready) {
    if (thread_.joinable()) {
        return running_.load();
    }
    std::promise<bool> opened;
    std::future<bool> result = opened.get_future();
    thread_ = std::thread([this, &opened, ready = std::move(ready)] {
        if (gtk_init_check(nullptr, nullptr) == FALSE) {
            opened.set_value(false);
            return;
        }
        loop_ = g_main_loop_new(nullptr, FALSE);
        if (ready) {
            ready();
        }
        running_.store(true);
        opened.set_value(true);
        g_main_loop_run(loop_);
        if (const std::function<void()> farewell = handed_->takeFarewell()) {
            farewell();
        }
        // What the windows still had queued (their last redraws) is let go with them.
        while (g_main_context_iteration(nullptr, FALSE) != FALSE) {
        }
        g_main_loop_unref(loop_);
        loop_ = nullptr;
    });
    if (!result.get()) {
        thread_.join();
        return false;
    }
    return true;
}

bool GtkThread::post(std::function<void()> work) {
    if (!running_.load()) {
        return false;
    }
    {
        const std::lock_guard lock(handed_->mutex);
        handed_->work.push_back(std::move(work));
    }
    // An idle source always runs on the thread that iterates the context; invoking directly
    // could run the work here, on the wrong thread, whenever the loop is between iterations.
    GSource* source = g_idle_source_new();
    g_source_set_priority(source, G_PRIORITY_DEFAULT);
    auto* data = new std::shared_ptr<Handed>(handed_);
    g_source_set_callback(source, &lf_runNext, data, &lf_freeHanded);
    lf_handOver(data);
    g_source_attach(source, nullptr);
    g_source_unref(source);
    return true;
}

void GtkThread::stop(std::function<void()> farewell) {
    if (!thread_.joinable()) {
        return;
    }
    if (running_.exchange(false)) {
        {
            const std::lock_guard lock(handed_->mutex);
            handed_->farewell = std::move(farewell);
        }
        g_main_loop_quit(loop_);
    }
    thread_.join();
}

} // namespace skyloom::winui::gtk

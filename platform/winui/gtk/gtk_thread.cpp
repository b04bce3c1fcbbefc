#include "platform/winui/gtk/gtk_thread.h"

#include <deque>
#include <future>
#include <mutex>
#include <utility>

#include <gtk/gtk.h>

#include "platform/winui/gtk/library_checks.h"

namespace skyloom::winui::gtk {

// What other threads hand the GTK thread, and its stop, pass through this lock, where the
// sanitizers see every hand-over. GLib's main context is touched by the GTK thread alone: it
// attaches one source of its own at its start and destroys it at its end, and other threads
// only wake the context (`g_main_context_wakeup`, a write to its wake-up descriptor). A source
// attached from another thread would change the context's tables under GLib's own lock, which
// ThreadSanitizer does not see (GLib is not built with it), beside the GTK thread changing
// them for its windows.
struct GtkThread::Handed {
    std::mutex mutex;
    std::deque<std::function<void()>> work;
    std::function<void()> farewell;
    bool quit = false;

    bool due() {
        const std::lock_guard lock(mutex);
        return quit || !work.empty();
    }

    // The next work; none once everything handed before the stop has run, and then whether
    // the loop is to quit (told once).
    std::pair<std::function<void()>, bool> takeNext() {
        const std::lock_guard lock(mutex);
        if (work.empty()) {
            return {{}, std::exchange(quit, false)};
        }
        std::function<void()> next = std::move(work.front());
        work.pop_front();
        return {std::move(next), false};
    }

    std::function<void()> takeFarewell() {
        const std::lock_guard lock(mutex);
        return std::move(farewell);
    }
};

namespace {

// The GTK thread's source of handed work: ready while work waits or the stop is asked for; one
// piece of work a dispatch, so that GTK's own events (redraws, input) come between them. It
// may recurse: work that runs a dialog runs a main loop of its own, in which the work handed
// meanwhile runs as before.
struct HandedSource {
    GSource source;
    GtkThread::Handed* handed;
    GMainLoop* loop;
};

gboolean lf_prepare(GSource* source, gint* timeout) {
    const OwnCodeChecked checked;
    *timeout = -1;
    return reinterpret_cast<HandedSource*>(source)->handed->due() ? TRUE : FALSE;
}

gboolean lf_check(GSource* source) {
    const OwnCodeChecked checked;
    return reinterpret_cast<HandedSource*>(source)->handed->due() ? TRUE : FALSE;
}

gboolean lf_dispatch(GSource* source, GSourceFunc /*callback*/, gpointer /*data*/) {
    const OwnCodeChecked checked;
    auto* own = reinterpret_cast<HandedSource*>(source);
    auto [next, quit] = own->handed->takeNext();
    if (next) {
        next();
    } else if (quit) {
        g_main_loop_quit(own->loop);
    }
    return G_SOURCE_CONTINUE;
}

GSourceFuncs g_handedSourceFuncs{&lf_prepare, &lf_check, &lf_dispatch, nullptr, nullptr, nullptr};

} // namespace

GtkThread::GtkThread() : handed_(std::make_unique<Handed>()) {}

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
        const LibrariesUnchecked libraries;
        if (gtk_init_check(nullptr, nullptr) == FALSE) {
            opened.set_value(false);
            return;
        }
        context_ = g_main_context_default();
        GMainLoop* loop = g_main_loop_new(context_, FALSE);
        GSource* source = g_source_new(&g_handedSourceFuncs, sizeof(HandedSource));
        reinterpret_cast<HandedSource*>(source)->handed = handed_.get();
        reinterpret_cast<HandedSource*>(source)->loop = loop;
        g_source_set_priority(source, G_PRIORITY_DEFAULT);
        g_source_set_can_recurse(source, TRUE);
        g_source_attach(source, context_);
        if (ready) {
            const OwnCodeChecked checked;
            ready();
        }
        running_.store(true);
        opened.set_value(true);
        g_main_loop_run(loop);
        {
            const OwnCodeChecked checked;
            if (const std::function<void()> farewell = handed_->takeFarewell()) {
                farewell();
            }
        }
        // What the windows still had queued (their last redraws) is let go with them, and so is
        // work handed before the stop.
        while (g_main_context_iteration(context_, FALSE) != FALSE) {
        }
        g_source_destroy(source);
        g_source_unref(source);
        g_main_loop_unref(loop);
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
    g_main_context_wakeup(context_);
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
            handed_->quit = true;
        }
        g_main_context_wakeup(context_);
    }
    thread_.join();
}

} // namespace skyloom::winui::gtk

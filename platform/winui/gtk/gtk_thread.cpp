#include "platform/winui/gtk/gtk_thread.h"

#include <future>
#include <memory>
#include <utility>

#include <gtk/gtk.h>

namespace skyloom::winui::gtk {
namespace {

gboolean lf_runWork(gpointer data) {
    (*static_cast<std::function<void()>*>(data))();
    return G_SOURCE_REMOVE;
}

void lf_freeWork(gpointer data) {
    delete static_cast<std::function<void()>*>(data);
}

} // namespace

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
        if (farewell_) {
            farewell_();
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
    // An idle source always runs on the thread that iterates the context; invoking directly
    // could run the work here, on the wrong thread, whenever the loop is between iterations.
    GSource* source = g_idle_source_new();
    g_source_set_priority(source, G_PRIORITY_DEFAULT);
    g_source_set_callback(source, &lf_runWork, new std::function<void()>(std::move(work)),
                          &lf_freeWork);
    g_source_attach(source, nullptr);
    g_source_unref(source);
    return true;
}

void GtkThread::stop(std::function<void()> farewell) {
    if (!thread_.joinable()) {
        return;
    }
    if (running_.exchange(false)) {
        farewell_ = std::move(farewell);
        g_main_loop_quit(loop_);
    }
    thread_.join();
}

} // namespace skyloom::winui::gtk

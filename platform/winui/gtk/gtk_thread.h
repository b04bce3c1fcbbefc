// The thread that owns GTK: it opens the display, runs GLib's default main loop, and runs the
// work other threads hand it, in the order handed. Nothing else ever calls GTK.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

typedef struct _GMainContext GMainContext;

namespace skyloom::winui::gtk {

class GtkThread {
public:
    GtkThread();
    // Stops the thread.
    ~GtkThread();
    GtkThread(const GtkThread&) = delete;
    GtkThread& operator=(const GtkThread&) = delete;

    // Starts the thread and opens the display there; `ready` then runs on it before any
    // handed work. False (and no thread) when GTK cannot open the display.
    bool start(std::function<void()> ready);
    // Runs `work` on the GTK thread, after the work handed before it. False, and `work`
    // dropped, once the thread has stopped or before it started.
    bool post(std::function<void()> work);
    // Ends the main loop and joins the thread; `farewell` runs on the GTK thread last (the
    // windows go). Work handed later is dropped.
    void stop(std::function<void()> farewell = {});
    bool running() const noexcept { return running_.load(); }

    // The handed work and the farewell, under a lock of their own (gtk_thread.cpp).
    struct Handed;

private:
    std::thread thread_;
    GMainContext* context_ = nullptr; // the GTK thread's, set before start() returns
    std::atomic<bool> running_{false};
    std::unique_ptr<Handed> handed_;
};

} // namespace skyloom::winui::gtk

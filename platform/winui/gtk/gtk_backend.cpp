#include "platform/winui/gtk/gtk_backend.h"

#include <chrono>
#include <cstdlib>
#include <future>
#include <map>
#include <string_view>
#include <utility>
#include <vector>

#include <gtk/gtk.h>

#include "platform/os/shell_open.h"
#include "platform/winui/capture.h"
#include "platform/winui/dialogs.h"
#include "platform/winui/dpi.h"
#include "platform/winui/gtk/gtk_dialogs.h"
#include "platform/winui/gtk/gtk_thread.h"
#include "platform/winui/gtk/screen_window.h"
#include "platform/winui/gtk/window_look.h"
#include "platform/winui/message_loop.h"
#include "platform/winui/messages.h"
#include "platform/winui/monitors.h"
#include "platform/winui/window.h"
#include "platform/winui/window_geometry.h"

namespace skyloom::winui::gtk {

// The GTK side: one screen window per shown top-level window of the layer.
struct ScreenWindows {
    ScreenTraits traits;
    bool closed = false;
    std::map<HWND, std::unique_ptr<ScreenWindow>> windows;
    // The last picture of a window that is not shown yet.
    std::map<HWND, Image> pending;

    GtkWindow* gtkWindowOf(HWND hwnd) const {
        const auto found = windows.find(hwnd);
        return found == windows.end() ? nullptr : found->second->gtkWindow();
    }

    // A dialog's parent: the GTK window of its owner, or of the nearest window above it that
    // has one.
    GtkWindow* parentFor(HWND owner) const {
        GtkWindow* parent = nullptr;
        while (owner != nullptr && parent == nullptr) {
            parent = gtkWindowOf(owner);
            owner = GetParent(owner);
        }
        return parent;
    }

    void apply(const WindowLook& look) {
        if (closed) {
            return;
        }
        const auto found = windows.find(look.hwnd);
        if (found != windows.end()) {
            found->second->apply(look);
            return;
        }
        if (!look.visible) {
            return;
        }
        ScreenTraits windowTraits = traits;
        windowTraits.popupShown = [this](HWND root) { return popupShownOver(root); };
        auto window =
            std::make_unique<ScreenWindow>(look, gtkWindowOf(look.ownerRoot), windowTraits);
        if (const auto picture = pending.find(look.hwnd); picture != pending.end()) {
            window->show(std::move(picture->second));
            pending.erase(picture);
        }
        windows.emplace(look.hwnd, std::move(window));
    }

    bool popupShownOver(HWND root) const {
        for (const auto& [hwnd, window] : windows) {
            if (window->ownerRoot() == root && window->shown()) {
                return true;
            }
        }
        return false;
    }

    void show(HWND hwnd, Image picture) {
        if (closed) {
            return;
        }
        const auto found = windows.find(hwnd);
        if (found == windows.end()) {
            pending[hwnd] = std::move(picture);
            return;
        }
        found->second->show(std::move(picture));
    }

    void destroy(HWND hwnd) {
        pending.erase(hwnd);
        windows.erase(hwnd);
    }

    void closeAll() {
        closed = true;
        pending.clear();
        // Pop-ups (made after their owners) go before the windows they stand over.
        while (!windows.empty()) {
            windows.erase(std::prev(windows.end()));
        }
    }
};

namespace {

// No message is ever posted with this number: a peek for it takes no posted message and only
// answers those sent to the thread.
constexpr UINT kNeverPosted = WM_APP - 1;
constexpr std::chrono::milliseconds kAnswerInterval{5};

// The screens as GTK sees them become the layer's monitors, the primary one first; GTK's
// scale factor is the DPI's multiple of 96.
ScreenTraits lf_publishMonitors() {
    GdkDisplay* display = gdk_display_get_default();
    ScreenTraits traits;
    // Only an X11 display lets a program place its windows and tell where they are.
    traits.placesKnown = std::string_view(G_OBJECT_TYPE_NAME(display)) == "GdkX11Display";
    const int count = gdk_display_get_n_monitors(display);
    GdkMonitor* primary = gdk_display_get_primary_monitor(display);
    if (primary == nullptr && count > 0) {
        primary = gdk_display_get_monitor(display, 0);
    }
    const int scale = primary != nullptr ? std::max(1, gdk_monitor_get_scale_factor(primary)) : 1;
    traits.scale = scale;
    std::vector<MonitorSetup> setups;
    for (int i = 0; i < count; ++i) {
        GdkMonitor* monitor = gdk_display_get_monitor(display, i);
        GdkRectangle area;
        GdkRectangle work;
        gdk_monitor_get_geometry(monitor, &area);
        gdk_monitor_get_workarea(monitor, &work);
        const int factor = std::max(1, gdk_monitor_get_scale_factor(monitor));
        MonitorSetup setup;
        setup.area = RECT{area.x * scale, area.y * scale, (area.x + area.width) * scale,
                          (area.y + area.height) * scale};
        setup.workArea = RECT{work.x * scale, work.y * scale, (work.x + work.width) * scale,
                              (work.y + work.height) * scale};
        setup.dpi = static_cast<UINT>(96 * factor);
        if (monitor == primary) {
            setups.insert(setups.begin(), setup);
        } else {
            setups.push_back(setup);
        }
    }
    if (!setups.empty()) {
        setMonitors(setups);
        setSystemDpi(setups.front().dpi);
    }
    return traits;
}

// Waits for a dialog's answer while answering what other threads send to this one: the GTK
// thread and the workers must never wait on a thread that waits for them.
template <class T> T lf_waitAnswering(std::future<T>& answer) {
    while (answer.wait_for(kAnswerInterval) != std::future_status::ready) {
        MSG message;
        PeekMessageW(&message, nullptr, kNeverPosted, kNeverPosted, PM_NOREMOVE);
    }
    return answer.get();
}

// Runs `ask` on the GTK thread with the dialog's parent and waits for its answer; `unanswered`
// once GTK has stopped.
template <class T>
T lf_askOnGtkThread(GtkThread& thread, const std::shared_ptr<ScreenWindows>& windows, HWND owner,
                    T unanswered, std::function<T(GtkWindow*)> ask) {
    auto answer = std::make_shared<std::promise<T>>();
    std::future<T> result = answer->get_future();
    const bool handed = thread.post([windows, owner, answer, ask = std::move(ask)] {
        answer->set_value(ask(windows->parentFor(owner)));
    });
    if (!handed) {
        return unanswered;
    }
    return lf_waitAnswering(result);
}

} // namespace

GtkBackend::GtkBackend()
    : thread_(std::make_unique<GtkThread>()), windows_(std::make_shared<ScreenWindows>()) {}

GtkBackend::~GtkBackend() {
    stop();
}

bool GtkBackend::start() {
    auto windows = windows_;
    return thread_->start([windows] { windows->traits = lf_publishMonitors(); });
}

void GtkBackend::stop() {
    auto windows = windows_;
    thread_->stop([windows] { windows->closeAll(); });
}

int GtkBackend::messageBox(const MessageBoxRequest& request) {
    return lf_askOnGtkThread<int>(
        *thread_, windows_, request.owner, defaultMessageBoxAnswer(request.type),
        [request](GtkWindow* parent) { return gf_runMessageBox(request, parent); });
}

std::optional<std::filesystem::path> GtkBackend::pickFolder(const FolderPickerRequest& request) {
    return lf_askOnGtkThread<std::optional<std::filesystem::path>>(
        *thread_, windows_, request.owner, std::nullopt,
        [request](GtkWindow* parent) { return gf_runFolderPicker(request, parent); });
}

bool GtkBackend::shellOpen(const std::filesystem::path& path) {
    return os::shellOpen(path);
}

void GtkBackend::windowChanged(HWND topLevel) {
    WindowLook look;
    if (!thread_->running() || !gf_readWindowLook(topLevel, look)) {
        return;
    }
    auto windows = windows_;
    thread_->post([windows, look] { windows->apply(look); });
}

void GtkBackend::windowPainted(HWND topLevel) {
    if (!thread_->running() || IsWindowVisible(topLevel) == FALSE) {
        return;
    }
    Image picture = captureWindow(topLevel, CaptureArea::client, CapturePopups::leaveOut);
    if (picture.empty()) {
        return;
    }
    auto windows = windows_;
    thread_->post([windows, topLevel, picture = std::move(picture)]() mutable {
        windows->show(topLevel, std::move(picture));
    });
}

void GtkBackend::windowDestroyed(HWND topLevel) {
    auto windows = windows_;
    thread_->post([windows, topLevel] { windows->destroy(topLevel); });
}

bool gf_displayNamed() {
    const auto named = [](const char* variable) {
        const char* value = std::getenv(variable);
        return value != nullptr && *value != '\0';
    };
    return named("DISPLAY") || named("WAYLAND_DISPLAY");
}

std::shared_ptr<GtkBackend> installGtkBackend() {
    if (!gf_displayNamed()) {
        return nullptr;
    }
    auto backend = std::make_shared<GtkBackend>();
    if (!backend->start()) {
        return nullptr;
    }
    setBackend(backend);
    return backend;
}

} // namespace skyloom::winui::gtk

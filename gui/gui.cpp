#include "gui/gui.h"

#include <utility>

#include "gui/gui_messages.h"
#include "gui/tblo_notice.h"
#include "platform/winui/debug_output.h"
#include "platform/winui/last_error.h"
#include "platform/winui/message_loop.h"
#include "platform/winui/window.h"

namespace skyloom {
namespace {

// Queue failures are for a developer: they go to the debugger output, never to the log,
// since the log itself reports through the window.
constexpr const char16_t* kApplyFailed = u"Gui::applyUpdate failed\n";
constexpr const char16_t* kEnqueueFailed = u"Gui::enqueueUpdate failed\n";

GdiObject<winui::HBRUSH> lf_solidBrush(winui::BYTE red, winui::BYTE green, winui::BYTE blue) {
    return GdiObject<winui::HBRUSH>(winui::CreateSolidBrush(winui::RGB(red, green, blue)));
}

GdiObject<winui::HPEN> lf_solidPen(winui::BYTE red, winui::BYTE green, winui::BYTE blue) {
    return GdiObject<winui::HPEN>(
        winui::CreatePen(winui::PS_SOLID, 1, winui::RGB(red, green, blue)));
}

} // namespace

Gui::Gui() {
    // The window system's tables must be built before this object, so that they are still
    // there when its destructor destroys the window at exit.
    winui::IsWindow(nullptr);
    brushes_.red = lf_solidBrush(255, 0, 0);
    brushes_.lightBlue = lf_solidBrush(153, 204, 255);
    brushes_.black = lf_solidBrush(0, 0, 0);
    brushes_.green = lf_solidBrush(50, 210, 50);
    brushes_.darkGreen = lf_solidBrush(25, 150, 25);
    brushes_.yellow = lf_solidBrush(255, 255, 0);
    brushes_.white = lf_solidBrush(255, 255, 255);
    pens_.black = lf_solidPen(0, 0, 0);
    pens_.white = lf_solidPen(255, 255, 255);
}

Gui::~Gui() {
    stopUpdates();
    const winui::HWND window = window_.exchange(nullptr);
    if (window != nullptr && winui::IsWindow(window) != winui::FALSE) {
        winui::DestroyWindow(window);
    }
    // The fonts, pens and brushes are deleted by their owners.
}

bool Gui::onGuiThread() const noexcept {
    const winui::DWORD guiThread = guiThreadId_.load();
    return guiThread != 0 && guiThread == winui::GetCurrentThreadId();
}

void Gui::enqueueUpdate(GuiUpdate update) noexcept {
    if (closing_.load()) {
        return;
    }
    if (onGuiThread()) {
        try {
            invalidateParts(applyUpdate(update));
        } catch (...) {
            winui::OutputDebugStringW(kApplyFailed);
        }
        return;
    }
    try {
        {
            std::lock_guard lock(mutex_);
            // A stop that came after the first look drops the update here.
            if (closing_.load()) {
                return;
            }
            queue_.push_back(std::move(update));
        }
        const winui::HWND window = window_.load();
        if (window == nullptr) {
            return; // shown once the window exists
        }
        if (posted_.exchange(true)) {
            return; // the pending drain takes this update too
        }
        if (winui::PostMessageW(window, MSG_GUI_UPDATE, 0, 0) == winui::FALSE) {
            // Nothing is in flight now: the next update posts again.
            posted_.store(false);
        }
    } catch (...) {
        winui::OutputDebugStringW(kEnqueueFailed);
    }
}

GuiRedrawFlags Gui::drainUpdateQueue() {
    std::deque<GuiUpdate> taken;
    {
        std::lock_guard lock(mutex_);
        taken.swap(queue_);
        posted_.store(false);
    }
    GuiRedrawFlags flags;
    for (GuiUpdate& update : taken) {
        // One broken update must not cost the others their turn.
        try {
            flags |= applyUpdate(update);
        } catch (...) {
            winui::OutputDebugStringW(kApplyFailed);
        }
    }
    invalidateParts(flags);
    return flags;
}

void Gui::stopUpdates() noexcept {
    closing_.store(true);
    std::deque<GuiUpdate> dropped;
    {
        std::lock_guard lock(mutex_);
        dropped.swap(queue_);
        posted_.store(false);
    }
    // The dropped updates are freed outside the lock.
}

void Gui::recordGuiThread() {
    guiThreadId_.store(winui::GetCurrentThreadId());
    closing_.store(false);
    controlHeights_.clear();
}

void Gui::postUpdatesQueuedBeforeWindow() noexcept {
    const winui::HWND window = window_.load();
    if (window == nullptr) {
        return;
    }
    std::lock_guard lock(mutex_);
    // A worker may have posted already between setWindow and this call: one message in
    // flight is enough.
    if (queue_.empty() || posted_.exchange(true)) {
        return;
    }
    if (winui::PostMessageW(window, MSG_GUI_UPDATE, 0, 0) == winui::FALSE) {
        posted_.store(false);
    }
}

void Gui::addOptionWindow(winui::HWND window) {
    if (window != nullptr && winui::IsWindow(window) != winui::FALSE) {
        optionWindows_.push_back(window);
    }
}

void Gui::setTextFonts(winui::HFONT normal, winui::HFONT bold) noexcept {
    textFont_.reset(normal);
    boldFont_.reset(bold);
}

void Gui::setControlFont(winui::HFONT font) noexcept {
    controlFont_.reset(font);
}

void Gui::setAppliedUpdateObserver(AppliedUpdateObserver observer) {
    observer_ = std::move(observer);
}

std::size_t Gui::queuedUpdateCount() const {
    std::lock_guard lock(mutex_);
    return queue_.size();
}

void Gui::resetState() noexcept {
    state_.resetForRestart();
    staticFitHiddenForSenders_.store(false);
}

void Gui::setStaticParking(const StaticParkingShown& shown) noexcept {
    {
        std::lock_guard lock(staticParkingMutex_);
        if (staticParking_ == shown) {
            return;
        }
        staticParking_ = shown;
    }
    redrawAirportPanel();
}

StaticParkingShown Gui::staticParking() const noexcept {
    std::lock_guard lock(staticParkingMutex_);
    return staticParking_;
}

// --- Typed senders ---

void Gui::setDataSourceText(std::string text) noexcept {
    enqueueUpdate(GuiUpdate::DataSourceText{std::move(text)});
}

void Gui::setSimaddonCount(std::uint64_t count) noexcept {
    enqueueUpdate(GuiUpdate::SimaddonCount{count});
}

void Gui::setUserWingspanKnown(bool known) noexcept {
    enqueueUpdate(GuiUpdate::UserWingspanKnown{known});
}

void Gui::setAirportName(bool loaded, std::string name) noexcept {
    enqueueUpdate(GuiUpdate::AirportFile{loaded, std::move(name)});
}

void Gui::setStaticFitHidden(bool hidden) noexcept {
    staticFitHiddenForSenders_.store(hidden);
    enqueueUpdate(GuiUpdate::StaticFitHidden{hidden});
}

void Gui::redrawHeader() noexcept {
    enqueueUpdate(GuiUpdate::Redraw{GuiRedrawFlags::counters()});
}

void Gui::redrawOptions() noexcept {
    enqueueUpdate(GuiUpdate::Redraw{GuiRedrawFlags::options()});
}

void Gui::redrawAirportPanel() noexcept {
    enqueueUpdate(GuiUpdate::Redraw{GuiRedrawFlags::airportPanel()});
}

void Gui::setPublisher(std::string publisher, bool handmade) noexcept {
    enqueueUpdate(GuiUpdate::Publisher{std::move(publisher), handmade});
}

void Gui::setStaticFit(float hours) noexcept {
    // While the window hides the static fit, senders send none.
    if (staticFitHiddenForSenders()) {
        return;
    }
    enqueueUpdate(GuiUpdate::StaticFit{hours});
}

void Gui::setUserStand(std::string stand) noexcept {
    enqueueUpdate(GuiUpdate::UserStand{std::move(stand)});
}

void Gui::clearStatusText() noexcept {
    if (gf_tbloNoticePending()) {
        try {
            showStatusText(gf_tbloNoticeText(), false);
        } catch (...) {
            winui::OutputDebugStringW(kEnqueueFailed);
        }
        return;
    }
    enqueueUpdate(GuiUpdate::ClearStatus{});
}

void Gui::requestSimulatorSwitch() noexcept {
    if (const winui::HWND target = window(); target != nullptr) {
        winui::PostMessageW(target, MSG_SWITCH_SIM, 0, 0);
    }
}

Gui& gf_gui() {
    // Made on first use rather than as a namespace-scope object: its brushes come from the
    // window system, whose own tables must exist first.
    static Gui gui;
    return gui;
}

} // namespace skyloom

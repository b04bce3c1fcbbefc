// `Gui`: the one object behind the main window. It owns the window handle, the brushes, pens
// and fonts of the painter, the DPI in force and every value the window shows (`GuiState`).
// Only the GUI thread changes those values: every thread sends a `GuiUpdate` through
// `enqueueUpdate`, which applies it at once on the GUI thread and otherwise queues it under
// the update mutex and wakes the window with a single MSG_GUI_UPDATE while none is pending.
// The window procedure drains the queue (`drainUpdateQueue`), and the OR of the applied
// updates' redraw flags repaints only the bands that changed (`invalidateParts`).
//
// It is the program's `WindowSink`: the subsystems below the window see only that.
// The program's instance is gf_gui(); tests make their own.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "gui/gdi_object.h"
#include "gui/gui_state.h"
#include "gui/paint_facts.h"
#include "parking/parking_window.h"
#include "platform/winui/win_types.h"
#include "runtime/gui_redraw_flags.h"
#include "runtime/gui_update.h"
#include "runtime/window_sink.h"

namespace skyloom {

class ProgramParameters;

// The solid brushes and pens of the painter, made when the `Gui` is constructed.
struct GuiBrushes {
    GdiObject<winui::HBRUSH> red;       // (255, 0, 0)
    GdiObject<winui::HBRUSH> lightBlue; // (153, 204, 255): the options area
    GdiObject<winui::HBRUSH> black;
    GdiObject<winui::HBRUSH> green;     // (50, 210, 50)
    GdiObject<winui::HBRUSH> darkGreen; // (25, 150, 25)
    GdiObject<winui::HBRUSH> yellow;    // (255, 255, 0)
    GdiObject<winui::HBRUSH> white;
};

struct GuiPens {
    GdiObject<winui::HPEN> black; // solid, 1 unit
    GdiObject<winui::HPEN> white;
};

class Gui : public WindowSink {
public:
    // Called with every update the GUI thread applies and the flags it returned.
    using AppliedUpdateObserver = std::function<void(const GuiUpdate&, GuiRedrawFlags)>;

    Gui();
    // Stops updates, destroys the window when it still exists, and frees the GDI objects.
    ~Gui() override;
    Gui(const Gui&) = delete;
    Gui& operator=(const Gui&) = delete;

    // --- Any thread ---

    // Applied at once on the GUI thread; from any other thread queued, with one
    // MSG_GUI_UPDATE posted while none is pending. Updates sent before the window exists
    // wait in the queue; after `stopUpdates` every update is dropped. Never throws: a
    // failure goes to the debugger output and loses the update.
    void enqueueUpdate(GuiUpdate update) noexcept override;

    // The typed senders: each builds one update and enqueues it.
    void setDataSourceText(std::string text) noexcept;                // kind 11
    void setSimaddonCount(std::uint64_t count) noexcept;              // kind 15
    void setUserWingspanKnown(bool known) noexcept;                   // kind 17
    void setAirportName(bool loaded, std::string name) noexcept;      // kind 24
    void setStaticFitHidden(bool hidden) noexcept;                    // kind 26, see below
    void redrawHeader() noexcept;                                     // kind 4, counters band
    void redrawOptions() noexcept;                                    // kind 4, options area
    void redrawAirportPanel() noexcept;                               // kind 4, park-airport panel
    void setPublisher(std::string publisher, bool handmade) noexcept; // kind 29
    void setStaticFit(float hours) noexcept;                          // kind 31
    void setUserStand(std::string stand) noexcept;                    // kind 33
    // Clears the status line (kind 37), or, while the unmatched-airport notice is pending,
    // shows that notice instead.
    void clearStatusText() noexcept override;
    // Posts MSG_SWITCH_SIM to the window; nothing without a window.
    void requestSimulatorSwitch() noexcept override;

    // The worker's own copy of "static fit hidden": set by `setStaticFitHidden` before it
    // sends kind 26, cleared by the reset (kind 39); while it is set the worker sends no
    // static fit.
    bool staticFitHiddenForSenders() const noexcept { return staticFitHiddenForSenders_.load(); }

    // What static parking does, as parking last showed it (through `GuiParkingWindow`): any
    // thread stores it, and the park-airport panel is repainted when it changed. The panel
    // and "Park" go by it.
    void setStaticParking(const StaticParkingShown& shown) noexcept;
    StaticParkingShown staticParking() const noexcept;

    // --- GUI thread ---

    // Changes the state as the update's kind says and returns the bands to repaint. Throws
    // std::bad_variant_access for an update without a valid kind.
    GuiRedrawFlags applyUpdate(GuiUpdate& update);
    // Repaints the bands named by `flags`; a resize (16) sizes the window for the current
    // mode and repaints it whole. Nothing without a window.
    void invalidateParts(GuiRedrawFlags flags);
    // The MSG_GUI_UPDATE handler: takes the whole queue, applies it in order and repaints
    // the union of the changed bands once. Returns that union.
    GuiRedrawFlags drainUpdateQueue();
    // Refuses every later update and drops those queued. Called when the window goes and
    // at exit; only `recordGuiThread` accepts updates again.
    void stopUpdates() noexcept;
    // Kind 39: see `GuiState::resetForRestart`; also clears the senders' static-fit flag.
    void resetState() noexcept;
    // Stores the compact flag and hides (compact) or shows every option window.
    void setCompact(bool compact);

    const GuiState& state() const noexcept { return state_; }

    // --- Painting and placement, GUI thread ---

    // Paints the whole window state into `dc` (the window's context between BeginPaint and
    // EndPaint): drawn into one memory bitmap in the 900-unit layout space mapped onto the
    // client area, then copied in one blit. Records where the compact/expand switch lies.
    void paint(winui::HDC dc);
    // Where the painter takes what other subsystems own (the program's facts by default).
    void setPaintFactsSource(GuiPaintFactsSource source);
    // Those facts now (the window's commands ask them too).
    GuiPaintFacts paintFacts() const;
    // After a DPI change (and once after the window is made, from 96): every child window
    // moved and sized from `oldDpi` to `newDpi`; a drop-down combo box takes its height from
    // its 96-DPI height. Nothing without a window, for an old DPI of 0 or an unchanged one.
    void rescaleChildren(winui::UINT oldDpi, winui::UINT newDpi);
    // Moves the window to the saved position (MAIN_WINDOW_X, MAIN_WINDOW_Y) so that at least
    // 48 pixels of it stay inside the work area of the nearest monitor on every side, and
    // saves a position it had to change. A saved coordinate at the end of its range (the
    // window was off the virtual screen) is first replaced by the fallback.
    void keepOnScreen(ProgramParameters& parameters, std::int32_t fallbackX,
                      std::int32_t fallbackY);

    // --- Window start-up, on the thread that becomes the GUI thread ---

    // Makes the calling thread the GUI thread and accepts updates again.
    void recordGuiThread();
    void setWindow(winui::HWND window) noexcept { window_.store(window); }
    winui::HWND window() const noexcept { return window_.load(); }
    // Once the window exists: posts MSG_GUI_UPDATE when updates were queued before it did.
    void postUpdatesQueuedBeforeWindow() noexcept;

    // The option controls, in creation order; the compact mode hides and shows them.
    void addOptionWindow(winui::HWND window);
    const std::vector<winui::HWND>& optionWindows() const noexcept { return optionWindows_; }

    // --- What the painter uses ---
    const GuiBrushes& brushes() const noexcept { return brushes_; }
    const GuiPens& pens() const noexcept { return pens_; }
    winui::HFONT textFont() const noexcept { return textFont_.get(); }
    winui::HFONT boldFont() const noexcept { return boldFont_.get(); }
    winui::HFONT controlFont() const noexcept { return controlFont_.get(); }
    // Each takes ownership and deletes the font it replaces.
    void setTextFonts(winui::HFONT normal, winui::HFONT bold) noexcept;
    void setControlFont(winui::HFONT font) noexcept;
    winui::UINT dpi() const noexcept { return dpi_; }
    void setDpi(winui::UINT dpi) noexcept { dpi_ = dpi; }
    // The compact/expand control in device pixels, as the last paint drew it.
    const winui::RECT& compactHotRect() const noexcept { return compactHotRect_; }
    void setCompactHotRect(const winui::RECT& rect) noexcept { compactHotRect_ = rect; }
    // Drop-down combo boxes: their height at 96 DPI, for the DPI rescaling.
    std::unordered_map<winui::HWND, std::int32_t>& controlHeights() noexcept {
        return controlHeights_;
    }

    // --- Recording ---
    void setAppliedUpdateObserver(AppliedUpdateObserver observer);

    // Updates waiting for the GUI thread, and whether a MSG_GUI_UPDATE is in flight.
    std::size_t queuedUpdateCount() const;
    bool drainPending() const noexcept { return posted_.load(); }

private:
    friend struct GuiUpdateApplier;

    bool onGuiThread() const noexcept;
    // The parts of `paint`, each on the painter's memory context.
    void paintStatus(winui::HDC dc, const GuiPaintFacts& facts) const;
    void paintOptionLabels(winui::HDC dc, const GuiPaintFacts& facts) const;
    void paintAirportPanel(winui::HDC dc, const GuiPaintFacts& facts, int panelTop) const;

    GuiBrushes brushes_;
    GuiPens pens_;
    GdiObject<winui::HFONT> textFont_;
    GdiObject<winui::HFONT> boldFont_;
    winui::RECT compactHotRect_{};

    mutable std::mutex mutex_; // guards the queue only
    std::deque<GuiUpdate> queue_;
    std::atomic<bool> posted_{false};
    std::atomic<bool> closing_{false};
    std::atomic<winui::DWORD> guiThreadId_{0};
    winui::UINT dpi_ = 96;
    std::atomic<winui::HWND> window_{nullptr};
    GdiObject<winui::HFONT> controlFont_;
    std::unordered_map<winui::HWND, std::int32_t> controlHeights_;
    std::vector<winui::HWND> optionWindows_;

    GuiState state_;
    std::atomic<bool> staticFitHiddenForSenders_{false};
    mutable std::mutex staticParkingMutex_; // guards staticParking_ only
    StaticParkingShown staticParking_;
    AppliedUpdateObserver observer_;
    GuiPaintFactsSource paintFacts_;
};

// The program's `Gui`, made on first use.
Gui& gf_gui();

} // namespace skyloom

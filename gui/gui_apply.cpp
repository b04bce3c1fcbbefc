// Applying window updates: one step per kind, each touching only the `Gui`'s state (kinds 0
// to 3 also the window), returning the bands to repaint.
#include <chrono>
#include <variant>

#include <fmt/format.h>

#include "foundation/clock.h"
#include "foundation/log_file.h"
#include "gui/gui.h"
#include "platform/winui/styles.h"
#include "platform/winui/window_geometry.h"

namespace skyloom {
namespace {

constexpr std::chrono::nanoseconds kStatusShownFor = std::chrono::seconds(25);
// A warning is on the line this long at least, whatever lighter follows it.
constexpr std::chrono::nanoseconds kStatusHeldFor = std::chrono::seconds(5);

constexpr GuiRedrawFlags kNone = GuiRedrawFlags::none();
constexpr GuiRedrawFlags kCounters = GuiRedrawFlags::counters();
constexpr GuiRedrawFlags kOptions = GuiRedrawFlags::options();
constexpr GuiRedrawFlags kPanel = GuiRedrawFlags::airportPanel();
constexpr GuiRedrawFlags kBottom = GuiRedrawFlags::bottomLine();
constexpr GuiRedrawFlags kResize = GuiRedrawFlags::resize();

// Stores `value` when it differs from `field`; `flags` when it did, else nothing.
template <class T>
GuiRedrawFlags lf_storeWhenChanged(T& field, const T& value, GuiRedrawFlags flags) {
    if (field == value) {
        return kNone;
    }
    field = value;
    return flags;
}

// The line shows a warning whose few seconds have not passed yet.
bool lf_statusHeld(const GuiState& s, Clock::SteadyTime now) {
    return !s.statusLine.empty() && s.statusWeight == StatusWeight::warning &&
           now < s.statusHeldUntil;
}

// Shows the text for 25 s (the same text again keeps it up for another full period); a text
// that was waiting behind the one before has been overtaken.
GuiRedrawFlags lf_showStatus(GuiState& s, std::string text, StatusWeight weight,
                             Clock::SteadyTime now) {
    const bool changed = s.statusLine != text;
    s.statusLine = std::move(text);
    s.statusWeight = weight;
    s.statusExpiry = now + kStatusShownFor;
    s.statusExpiryArmed = true;
    s.statusHeldUntil = now + kStatusHeldFor;
    s.waitingStatus.clear();
    return changed ? kBottom : kNone;
}

// A clear of the line ends what is going on: a text waiting to be shown goes, and so does the
// line, unless a warning still holds it.
GuiRedrawFlags lf_clearStatus(GuiState& s, Clock::SteadyTime now) {
    s.waitingStatus.clear();
    if (lf_statusHeld(s, now)) {
        return kNone;
    }
    const bool changed = !s.statusLine.empty();
    s.statusLine.clear();
    s.statusExpiryArmed = false;
    return changed ? kBottom : kNone;
}

} // namespace

struct GuiUpdateApplier {
    Gui& gui;
    GuiState& s;

    GuiRedrawFlags operator()(const GuiUpdate::SetCompact& u) const {
        gui.setCompact(u.compact);
        return kResize;
    }
    GuiRedrawFlags operator()(const GuiUpdate::ToggleCompact&) const {
        gui.setCompact(!s.compact);
        return kResize;
    }
    GuiRedrawFlags operator()(const GuiUpdate::StayOnTop& u) const {
        if (const winui::HWND window = gui.window(); window != nullptr) {
            winui::SetWindowPos(window, u.onTop ? winui::HWND_TOPMOST : winui::HWND_NOTOPMOST, 0, 0,
                                0, 0, winui::SWP_NOMOVE | winui::SWP_NOSIZE);
        }
        return kNone;
    }
    GuiRedrawFlags operator()(const GuiUpdate::Minimise&) const {
        if (const winui::HWND window = gui.window(); window != nullptr) {
            winui::ShowWindow(window, winui::SW_MINIMIZE);
        }
        return kNone;
    }
    GuiRedrawFlags operator()(const GuiUpdate::Redraw& u) const { return u.flags; }
    GuiRedrawFlags operator()(const GuiUpdate::StatusExpiryTick&) const {
        const Clock::SteadyTime now = gf_clock().steadyNow();
        if (!s.statusExpiryArmed || now < s.statusExpiry) {
            return kNone;
        }
        s.statusLine.clear();
        s.statusExpiryArmed = false;
        return kBottom;
    }
    GuiRedrawFlags operator()(const GuiUpdate::FeedStatusKnown&) const {
        s.feedStatusPending = false;
        return kCounters;
    }
    GuiRedrawFlags operator()(const GuiUpdate::StaticPlanCount& u) const {
        s.staticPlanCount = u.count;
        return kPanel;
    }
    GuiRedrawFlags operator()(const GuiUpdate::TrafficReaderState& u) const {
        return lf_storeWhenChanged(s.trafficReaderState, u.state, kCounters);
    }
    GuiRedrawFlags operator()(const GuiUpdate::Reserved&) const { return kCounters; }
    GuiRedrawFlags operator()(const GuiUpdate::WeatherReaderState& u) const {
        return lf_storeWhenChanged(s.weatherReaderState, u.state, kCounters);
    }
    GuiRedrawFlags operator()(const GuiUpdate::DataSourceText& u) const {
        s.dataSourceText = u.text;
        return kCounters;
    }
    GuiRedrawFlags operator()(const GuiUpdate::SimulatorText& u) const {
        s.simulatorText = u.text;
        return kCounters;
    }
    GuiRedrawFlags operator()(const GuiUpdate::SimulatorConnected& u) const {
        s.simulatorConnected = u.connected;
        return kCounters;
    }
    GuiRedrawFlags operator()(const GuiUpdate::LiveriesCount& u) const {
        s.liveriesCount = u.count;
        return kCounters;
    }
    GuiRedrawFlags operator()(const GuiUpdate::SimaddonCount& u) const {
        s.simaddonCount = u.count;
        return kCounters;
    }
    GuiRedrawFlags operator()(const GuiUpdate::ThirdpCount& u) const {
        s.thirdpCount = u.count;
        return kCounters;
    }
    GuiRedrawFlags operator()(const GuiUpdate::UserWingspanKnown& u) const {
        s.userWingspanKnown = u.known;
        return kPanel;
    }
    GuiRedrawFlags operator()(const GuiUpdate::LiveAircraftCount& u) const {
        return lf_storeWhenChanged(s.liveAircraftCount, u.count, kCounters);
    }
    GuiRedrawFlags operator()(const GuiUpdate::StandCount& u) const {
        s.standCount = u.count;
        return kPanel;
    }
    GuiRedrawFlags operator()(const GuiUpdate::ParkedCounts& u) const {
        if (s.parkedLiveCount == u.live && s.staticCount == u.statics) {
            return kNone;
        }
        s.parkedLiveCount = u.live;
        s.staticCount = u.statics;
        return kPanel;
    }
    GuiRedrawFlags operator()(const GuiUpdate::ParkingTarget& u) const {
        s.maxParkedCount = u.count;
        s.maxParkedPercentage = u.percentage;
        return kPanel;
    }
    GuiRedrawFlags operator()(const GuiUpdate::QualityText& u) const {
        s.qualityText = u.text;
        return kPanel;
    }
    GuiRedrawFlags operator()(const GuiUpdate::ParkAirport& u) const {
        // In compact mode the panel comes or goes with the park airport, and the window's
        // height with it.
        const bool panelChanges = s.parkAirport.isSet() != u.code.isSet();
        s.parkAirport = u.code;
        return s.compact && panelChanges ? kResize : kPanel;
    }
    GuiRedrawFlags operator()(const GuiUpdate::AirportFile& u) const {
        s.airportFileLoaded = u.loaded;
        s.parkAirportName = u.name;
        if (!s.errorShown()) {
            lf_clearStatus(s, gf_clock().steadyNow());
        }
        return kPanel | kBottom;
    }
    GuiRedrawFlags operator()(const GuiUpdate::NextParkingUpdate& u) const {
        s.minutesToNextParkingUpdate = u.minutes;
        return kPanel;
    }
    GuiRedrawFlags operator()(const GuiUpdate::StaticFitHidden& u) const {
        s.staticFitHidden = u.hidden;
        return kPanel;
    }
    GuiRedrawFlags operator()(const GuiUpdate::Qnh& u) const {
        s.qnhHpa = u.hpa;
        if (s.weatherReaderState == ReaderState::waitingForData) {
            s.weatherReaderState = ReaderState::receiving;
        }
        return kCounters;
    }
    GuiRedrawFlags operator()(const GuiUpdate::QnhUnit& u) const {
        return lf_storeWhenChanged(s.qnhInHg, u.inHg, kCounters);
    }
    GuiRedrawFlags operator()(const GuiUpdate::Publisher& u) const {
        s.publisher = u.publisher;
        s.airportFileHandmade = u.handmade;
        return kPanel;
    }
    GuiRedrawFlags operator()(const GuiUpdate::AirportFileUpdates& u) const {
        return lf_storeWhenChanged(s.airportFileUpdates, u.count, kPanel);
    }
    GuiRedrawFlags operator()(const GuiUpdate::StaticFit& u) const {
        return lf_storeWhenChanged(s.staticFit, u.hours, kPanel);
    }
    GuiRedrawFlags operator()(const GuiUpdate::LiveFit& u) const {
        return lf_storeWhenChanged(s.liveFit, u.hours, kPanel);
    }
    GuiRedrawFlags operator()(const GuiUpdate::UserStand& u) const {
        return lf_storeWhenChanged(s.userStand, u.stand, kCounters);
    }
    GuiRedrawFlags operator()(const GuiUpdate::TimeShiftControlsDisabled&) const {
        s.timeShiftEnabled = false;
        return kOptions;
    }
    GuiRedrawFlags operator()(const GuiUpdate::StatusText& u) const {
        // The error line holds the bottom line until it is cleared: the status is neither
        // shown nor logged meanwhile.
        if (s.errorShown()) {
            return kNone;
        }
        if (u.log && !u.text.empty()) {
            LogFile::write(u.text);
        }
        const Clock::SteadyTime now = gf_clock().steadyNow();
        if (u.text.empty()) {
            return lf_clearStatus(s, now);
        }
        if (lf_statusHeld(s, now) && u.weight < s.statusWeight) {
            s.waitingStatus = u.text;
            return kNone;
        }
        return lf_showStatus(s, u.text, u.weight, now);
    }
    GuiRedrawFlags operator()(const GuiUpdate::ErrorText& u) const {
        if (s.statusLine.empty() && s.errorLine == u.text) {
            return kNone;
        }
        s.statusLine.clear();
        s.statusExpiryArmed = false;
        s.waitingStatus.clear();
        s.errorLine = u.text;
        LogFile::write(fmt::format("Error {}", u.text));
        return kBottom;
    }
    GuiRedrawFlags operator()(const GuiUpdate::ClearStatus&) const {
        if (s.errorShown()) {
            return kNone;
        }
        return lf_clearStatus(s, gf_clock().steadyNow());
    }
    GuiRedrawFlags operator()(const GuiUpdate::ClearError&) const {
        if (!s.errorShown()) {
            return kNone;
        }
        s.errorLine.clear();
        return kBottom;
    }
    GuiRedrawFlags operator()(const GuiUpdate::Reset&) const {
        gui.resetState();
        return kCounters | kOptions | kPanel | kBottom;
    }
};

GuiRedrawFlags Gui::applyUpdate(GuiUpdate& update) {
    // A text that waited behind a warning comes before what followed it, once the warning's
    // seconds are over (the next update of any kind, the once-a-second tick at the latest).
    GuiRedrawFlags flags = kNone;
    const Clock::SteadyTime now = gf_clock().steadyNow();
    if (!state_.waitingStatus.empty() && !state_.errorShown() && !lf_statusHeld(state_, now)) {
        std::string text = std::move(state_.waitingStatus);
        flags = lf_showStatus(state_, std::move(text), StatusWeight::info, now) | kBottom;
    }
    flags = flags | std::visit(GuiUpdateApplier{*this, state_}, update.payload);
    if (observer_) {
        observer_(update, flags);
    }
    return flags;
}

} // namespace skyloom

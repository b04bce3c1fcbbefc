// window_capture: the program's main window alone (no run behind it) on the headless backend,
// captured as PNG.
//   window_capture FOLDER
//       every state (normal, compact, error, counts, counts_compact, park_pushed) at 96, 144
//       and 192 DPI, as FOLDER/main_window_<state>_<dpi>dpi.png
//   window_capture [--dpi N] [--compact] [--counts] [--park] [--next-update MINUTES]
//                  [--error TEXT] FILE
//       one state, as FILE (--park: the counts with "Park" pushed; --next-update: the counts
//       with the parking countdown at MINUTES)
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include <fmt/format.h>

#include "config/parameters.h"
#include "config/params_snapshot.h"
#include "config/startup_choices.h"
#include "config/window_requests.h"
#include "foundation/icao_code.h"
#include "gui/destination.h"
#include "gui/gui.h"
#include "gui/gui_parking_window.h"
#include "gui/main_window.h"
#include "gui/parking_interval.h"
#include "gui/startup_controls.h"
#include "parking/park_airport_list.h"
#include "platform/winui/capture.h"
#include "platform/winui/dpi.h"
#include "platform/winui/headless/headless_backend.h"
#include "platform/winui/input.h"
#include "platform/winui/message_loop.h"
#include "platform/winui/monitors.h"
#include "refdata/airports.h"
#include "runtime/rt_status.h"
#include "runtime/user_aircraft.h"
#include "sim/sim_link_state.h"
#include "tools/window_capture/window_states.h"

namespace {

namespace fs = std::filesystem;
namespace wc = skyloom::tools::window_capture;
using namespace skyloom;

constexpr int kScreenWidth96 = 1920;
constexpr int kScreenHeight96 = 1080;
constexpr int kTaskBar96 = 40;

// The window alone: nothing runs behind it.
class NoRun final : public MainWindowRun {
public:
    void joinRun() override {}
    void startRun() override {}
    void requestUserClose() override {}
    void requestNewSettings(std::int32_t) override {}
    WindowRequests& requests() override { return requests_; }
    const UserAircraft& userAircraft() const override { return user_; }
    int exitCode() const override { return 0; }

private:
    WindowRequests requests_;
    UserAircraft user_;
};

// One screen at `dpi`, large enough for the window at that DPI.
void lf_setScreen(winui::UINT dpi) {
    const int scale = static_cast<int>(dpi);
    const winui::RECT area{0, 0, winui::MulDiv(kScreenWidth96, scale, 96),
                           winui::MulDiv(kScreenHeight96, scale, 96)};
    winui::RECT work = area;
    work.bottom -= winui::MulDiv(kTaskBar96, scale, 96);
    winui::setMonitors({winui::MonitorSetup{area, work, dpi}});
    winui::setSystemDpi(dpi);
}

// What the window reads when it paints, set where the program keeps it: the connections as
// the feed and the simulator link set them, the settings in the program's snapshot (published
// by the window's parameters), and the stand reserved at the destination's airport in the
// program's park-airport list.
void lf_setProgramFacts(const wc::WindowState& state, ProgramParameters& parameters) {
    g_rtConnected.store(state.counts);
    g_simConnectionState.store(state.counts ? SimConnectionState::running
                                            : SimConnectionState::notConnected);
    parameters.DESTINATION.setValue(state.counts ? wc::kCaptureAirport : "");
    if (state.counts) {
        const AirportEntry airport{IcaoCode(wc::kCaptureAirport), IataCode("VIE"), 48.1103, 16.5697,
                                   600};
        gf_setAirports({airport});
        gf_parkAirportList().setPositionAndName(airport.icao, airport.position(), "C35");
    }
    parameters.publishAll();
}

bool lf_capture(const wc::WindowState& state, winui::UINT dpi, const fs::path& file) {
    lf_setScreen(dpi);
    // Defaults, kept in memory only and published as the program's settings.
    ProgramParameters parameters(nullptr, &gf_paramsSnapshotCell());
    lf_setProgramFacts(state, parameters);
    Gui gui;
    NoRun run;
    bool written = false;
    {
        MainWindow window(gui, parameters, run);
        // No saved position: the window opens where a first start puts it.
        window.setParametersFile(file.parent_path() / "no-parameters.xml");
        if (window.create() == nullptr) {
            fmt::print(stderr, "window_capture: the main window could not be made\n");
            return false;
        }
        // The controls and the first values as the start-up leaves them.
        gf_applyStartupControls(gui, parameters, run.userAircraft(), gf_isRtDirect());
        gf_showParkingInterval(gui, *parameters.settings());
        gf_applySavedDestination(gui, parameters);
        for (GuiUpdate& update : wc::gf_updatesFor(state)) {
            gui.enqueueUpdate(std::move(update));
        }
        // What parking shows the parking panel, through the window's own implementation.
        GuiParkingWindow parking(gui, parameters, run.requests());
        parking.showStaticParking(wc::gf_staticParkingFor(state));
        winui::pumpWaitingMessages();
        if (state.parkPushed) {
            winui::injectClickInWindow(parameters.parkButton.window(), winui::POINT{4, 4});
            winui::pumpWaitingMessages();
        }
        written = winui::captureWindowToPng(window.window(), file);
    }
    winui::pumpWaitingMessages();
    if (!written) {
        fmt::print(stderr, "window_capture: could not write {}\n", file.string());
        return false;
    }
    fmt::print("{}\n", file.string());
    return true;
}

bool lf_makeFolder(const fs::path& folder) {
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) {
        fmt::print(stderr, "window_capture: cannot create {}: {}\n", folder.string(),
                   error.message());
        return false;
    }
    return true;
}

int lf_usage() {
    fmt::print(stderr, "usage: window_capture FOLDER\n"
                       "       window_capture [--dpi N] [--compact] [--counts] [--park] "
                       "[--next-update MINUTES] [--error TEXT] FILE\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.empty()) {
        return lf_usage();
    }
    winui::headless::installHeadlessBackend();

    if (arguments.size() == 1 && arguments.front().rfind("--", 0) != 0) {
        const fs::path folder = arguments.front();
        if (!lf_makeFolder(folder)) {
            return 1;
        }
        bool ok = true;
        for (const winui::UINT dpi : {96U, 144U, 192U}) {
            for (const wc::NamedState& named : wc::gf_allStates()) {
                ok =
                    lf_capture(named.state, dpi,
                               folder / fmt::format("main_window_{}_{}dpi.png", named.name, dpi)) &&
                    ok;
            }
        }
        return ok ? 0 : 1;
    }

    wc::WindowState state;
    winui::UINT dpi = 96;
    fs::path file;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (argument == "--compact") {
            state.compact = true;
        } else if (argument == "--counts") {
            state.counts = true;
        } else if (argument == "--park") {
            state.counts = true;
            state.parkPushed = true;
        } else if (argument == "--next-update" && hasValue) {
            state.counts = true;
            state.nextUpdateMinutes =
                static_cast<std::int32_t>(std::strtol(arguments[++i].c_str(), nullptr, 10));
            if (state.nextUpdateMinutes < 1) {
                return lf_usage();
            }
        } else if (argument == "--error" && hasValue) {
            state.error = arguments[++i];
        } else if (argument == "--dpi" && hasValue) {
            dpi = static_cast<winui::UINT>(std::strtoul(arguments[++i].c_str(), nullptr, 10));
        } else if (argument.rfind("--", 0) != 0 && file.empty()) {
            file = argument;
        } else {
            return lf_usage();
        }
    }
    if (file.empty() || dpi < 48 || dpi > 480) {
        return lf_usage();
    }
    if (file.has_parent_path() && !lf_makeFolder(file.parent_path())) {
        return 1;
    }
    return lf_capture(state, dpi, file) ? 0 : 1;
}

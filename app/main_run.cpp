#include "app/main_run.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include <fmt/format.h>

#include "app/headless_notices.h"
#include "app/main_loop.h"
#include "app/process_entry.h"
#include "app/program_traffic.h"
#include "app/program_airport_scan.h"
#include "app/program_mailbox.h"
#include "app/program_parking.h"
#include "app/unsaved_files_notice.h"
#include "app/window_requests.h"
#include "config/configuration.h"
#include "config/msfs_installation.h"
#include "config/parameters.h"
#include "config/params_snapshot.h"
#include "config/program_paths.h"
#include "config/startup_choices.h"
#include "feed/app_position_source.h"
#include "feed/qnh.h"
#include "feed/rt_app_link.h"
#include "feed/rtapi_road.h"
#include "foundation/clock.h"
#include "foundation/icao_code.h"
#include "foundation/log_file.h"
#include "foundation/text.h"
#include "foundation/version.h"
#include "foundation/write_failure.h"
#include "gui/control_text.h"
#include "gui/destination.h"
#include "gui/gui.h"
#include "gui/gui_messages.h"
#include "gui/install_path_check.h"
#include "gui/parking_interval.h"
#include "gui/startup_controls.h"
#include "gui/time_shift.h"
#include "liveries/livery_matching_summary.h"
#include "liveries/livery_scan.h"
#include "liveries/process_scanned_liveries.h"
#include "parking/park_airport_list.h"
#include "parking/park_airport_stands.h"
#include "parking/parking_state.h"
#include "parking/static_parking_state.h"
#include "platform/winui/last_error.h"
#include "platform/winui/message_loop.h"
#include "platform/winui/window.h"
#include "refdata/airports.h"
#include "refdata/dbase.h"
#include "refdata/park_airport.h"
#include "refdata/update_check.h"
#include "runtime/current_day_slot.h"
#include "runtime/stop_reports.h"
#include "runtime/user_aircraft.h"
#include "sim/flight_plan_files.h"
#include "sim/sim_client_thread.h"
#include "sim/sim_command_queue.h"
#include "sim/sim_link_state.h"
#include "sim/sim_tables.h"
#include "traffic/step/traffic_mailbox.h"

namespace skyloom {
namespace {

// How long the start-up waits for the RealTraffic App's buffered traffic (the App may still be
// starting; what comes later is decoded all the same).
constexpr std::chrono::seconds kRtAppBufferedTrafficWait{20};

// Waits (the restart countdown, the pause before the end) look this often whether the user
// closed the window or pushed "Unblock".
constexpr std::chrono::milliseconds kWaitTick{100};

struct RunState {
    const MainRunContext& context;
    std::stop_token token;

    bool exitWanted() const { return context.stop.exitWanted() || token.stop_requested(); }
    bool keepRunning() const { return context.stop.keepRunning() && !token.stop_requested(); }
};

// A start-up step that cannot go on: the window shows why and the run stops for `reason`.
void lf_stopStartUp(const RunState& run, StopReason reason, const std::string& text) {
    run.context.gui.showErrorLine(text);
    gf_requestStop(run.context.stop, reason, 0);
}

// --- Start-up steps ---

// The program finds its data beside itself: started from anywhere else it would make its
// folders there and find nothing.
bool lf_checkWorkingFolder(const RunState& run) {
    if (gf_workingFolderHasDocs()) {
        return true;
    }
    lf_stopStartUp(run, StopReason::systemError,
                   fmt::format("{} must be started from its own folder: '{}' holds no \"{}\" "
                               "folder",
                               kProgramName, gf_pathToUtf8(gf_workingFolder()), kDocsFolderName));
    return false;
}

// parameters.xml (recreated when missing), the radius parameters, the start-up choices and
// the settings snapshot.
bool lf_loadSettings(const RunState&) {
    const ConfigurationStart start = gf_loadConfiguration();
    LogFile::write(fmt::format("Start-up choices: {}, {}",
                               gf_simChoiceText(start.choices.simulator),
                               gf_trafficSourceText(start.choices.source)));
    return true;
}

// The values the window opens each run with.
bool lf_showFirstValues(const RunState& run) {
    Gui& gui = run.context.gui;
    const std::shared_ptr<const ParamsSnapshot> settings = gf_paramsSnapshot();
    gui.enqueueUpdate(GuiUpdate::SetCompact{gf_params().COLLAPSED.value()});
    gui.enqueueUpdate(GuiUpdate::StayOnTop{settings->ALWAYS_ON_TOP});
    gui.enqueueUpdate(GuiUpdate::QnhUnit{settings->qnhInHg});
    gui.enqueueUpdate(GuiUpdate::ParkAirport{IcaoCode{}});
    gf_showParkingInterval(gui, *settings);
    // The captions' colours follow the settings just read.
    gui.redrawOptions();
    return true;
}

bool lf_findInstallation(const RunState& run) {
    const SimChoice simulator = gf_startupChoices()->simulator;
    if (gf_locateMsfsInstallation(gf_params(), simulator) ||
        gf_pickInstallPath(run.context.gui, gf_params(), simulator)) {
        return true;
    }
    // The window stays long enough to read why: the user may pick the folder at the next start,
    // or choose another simulator meanwhile.
    lf_stopStartUp(run, StopReason::installPathMissing,
                   gf_installPathMissingText(simulator));
    return false;
}

// The controls that the saved block, range, park options, livery scan mode and road enable or
// disable. Keeping the simulator's time settings holds for one start only.
bool lf_applyWindowOptions(const RunState& run) {
    gf_applyStartupControls(run.context.gui, gf_params(), run.context.user, gf_isRtDirect());
    gf_clearKeepSimTimePar();
    return true;
}

bool lf_createDataFolders(const RunState&) {
    gf_createDataFolders();
    return true;
}

// Before the data sets are read, so that a newer one from the download area is the one read.
// The check never ends the start-up: without it the program goes on with what it has.
bool lf_checkForUpdates(const RunState& run) {
    try {
        const UpdateCheckResult result = gf_checkForUpdates(run.context.stop);
        if (result.status != UpdateCheckStatus::skipped) {
            LogFile::write(fmt::format("Update check {}: {} data set{} updated, {} failed",
                                       gf_updateCheckStatusText(result.status),
                                       result.updated.size(), result.updated.size() == 1 ? "" : "s",
                                       result.failed.size()));
        }
        if (result.newProgramVersion) {
            // The header's version text now names the newer version.
            run.context.gui.redrawHeader();
        }
    } catch (const std::exception& e) {
        LogFile::writeImportant(fmt::format("Update check failed: {}", e.what()));
    }
    return true;
}

// Without the dbase no aircraft gets its category, wingspan or livery, and without the
// airports table no park airport can be chosen: a data set that is missing or unusable throws,
// and lf_main's handler ends the program with "SYSTEM ERROR", the reason on the error line.
bool lf_readDbase(const RunState&) {
    gf_readDbase();
    return true;
}

bool lf_readAirports(const RunState& run) {
    gf_readAirports();
    gf_readMyParkAirportsFile(run.context.gui);
    gf_setClosestStandReader([services = run.context.services()](const IcaoCode& icao,
                                                                 const Lalo& reference) {
        return gf_readDestApfForClosestStand(icao, reference, services);
    });
    return true;
}

// The saved time shift, which this run starts with (no restart), and the saved destination,
// which needs the airports table.
bool lf_applySavedShiftAndDestination(const RunState& run) {
    ProgramParameters& p = gf_params();
    const TimeShiftLinks links{p, run.context.gui, {}};
    gf_setTimeShift(links, gf_timeShiftMinutesOf(*p.settings()), true, true);
    gf_applySavedDestination(run.context.gui, p);
    return true;
}

// The installed AI liveries, unless the user skips the scan and the file of an earlier scan is
// there to be read. A scan that cannot go on throws what the user must be told; a stop request
// ends it quietly and the next step sees the stop.
bool lf_scanLiveriesWhenNeeded(const RunState& run) {
    if (gf_liveriesScanNeeded()) {
        gf_scanLiveries(
            gf_liveryScanSettings(),
            gf_programLiveryScanServices(run.context.gui, [&run] { return run.keepRunning(); }));
    }
    return true;
}

// The livery tables from the scanned-liveries file (made now or by an earlier scan): what the
// choice of a livery for every aircraft of the run works from.
bool lf_buildLiveryTables(const RunState& run) {
    gf_processScannedLiveries(run.context.gui, gf_params());
    return run.keepRunning();
}

// With MSFS 2020 the simulator reads the AI flight plans from their own folder; a folder that
// cannot be made or is blocked by a file ends the start-up.
bool lf_prepareFlightPlanFolder(const RunState& run) {
    const std::optional<std::filesystem::path> folder = gf_flightPlanFolder();
    if (!folder || gf_ensureFlightPlanFolder(*folder)) {
        return true;
    }
    lf_stopStartUp(
        run, StopReason::systemError,
        fmt::format("The flight-plan folder '{}' cannot be used", gf_pathToUtf8(*folder)));
    return false;
}

// The SimClient thread runs from here until the cleanup stops it; it starts with empty tables.
bool lf_startSimClient(const RunState& run) {
    SimClientThread* simClient = run.context.simClient;
    if (simClient == nullptr) {
        return true;
    }
    gf_resetSimTables();
    simClient->start(
        gf_simClientContext(run.context.services(), run.context.user, run.context.stands));
    return true;
}

// What follows needs the simulator: the park airport comes from the user aircraft's position.
bool lf_waitForSimulator(const RunState& run) {
    if (run.context.simClient == nullptr) {
        return true;
    }
    while (run.keepRunning() && !gf_isSimConnected()) {
        run.context.clock.sleepFor(kWaitTick);
    }
    if (!run.keepRunning()) {
        return false;
    }
    // Asked now rather than at the main loop's first cycle: the feed's start-up asks for the
    // buffered traffic around the user, so the answer must not wait for the main loop.
    gf_simCommandQueue().push(SimDataRequest{SimDataRequestKind::userPosition, 0});
    return true;
}

// Once per start, on both roads, after the simulator is up and before the feed's threads: the
// stands of the installed add-on airports. A failed, skipped or empty scan leaves the earlier
// airport data in place and never stops the run.
bool lf_scanAirports(const RunState& run) {
    gf_runAirportScan(run.context.services());
    return run.keepRunning();
}

// The feed's threads, last: on the RT App road the App's server and the two readers, then
// the buffered traffic, asked for and waited for before the main loop runs, so that the first
// traffic step decodes it before any live entry. Live delivery stays off: the main loop turns
// it on once its traffic step takes from the mailbox.
bool lf_startFeed(const RunState& run) {
    // Where the simulator has told the user's position by now, the readers ask around it at
    // once (the App's buffer request goes with it; the web API's first reply is waited for).
    if (const UserAircraftState state = run.context.user.state(); state.positionKnown()) {
        run.context.user.publishPosition(state);
    }
    if (gf_isRtDirect()) {
        // The web API: authentication, the two readers, the buffered traffic.
        gf_enableTrafficMailbox(false);
        return gf_startRtApiLink(run.context.services(), &gf_postTrafficBatch, run.context.user) &&
               run.keepRunning();
    }
    gf_enableTrafficMailbox(false);
    RtAppLinkSettings link;
    link.tcpPort = gf_paramsSnapshot()->PORT_NUMBER;
    link.post = &gf_postTrafficBatch;
    link.position = [&user = run.context.user] { return gf_userAircraftAppPosition(user); };
    if (!gf_startRtAppLink(run.context.services(), std::move(link))) {
        return false;
    }
    if (!gf_awaitRtAppBufferedTraffic(kRtAppBufferedTrafficWait, run.context.stop)) {
        LogFile::write("No buffered traffic from the RealTraffic App");
    }
    return run.keepRunning();
}

// On the RT Direct road the user's RealTraffic licence or API token: without it the run
// cannot get traffic, so it is looked for before anything else is fetched.
bool lf_findRtCredentials(const RunState& run) {
    return gf_findRtApiCredentials(run.context.gui, run.context.stop);
}

struct StartupStep {
    std::string_view name;
    bool (*run)(const RunState&);
};

// The start-up, in its order. The steps of subsystems that are not part of the program yet
// take their places as follows:
// - before the working-folder check: the socket layer;
// - after the airports: the park airports list;
// - before the SimClient thread: the destination, the traffic state;
// - after the wait for the simulator: the park airport from the user's position; after the
//   airport scan (which loads RealTraffic's weekly airport list itself): the traffic range.
constexpr std::array kStartupSteps = {
    StartupStep{"working folder", &lf_checkWorkingFolder},
    StartupStep{"settings", &lf_loadSettings},
    StartupStep{"window values", &lf_showFirstValues},
    StartupStep{"simulator installation", &lf_findInstallation},
    StartupStep{"data folders", &lf_createDataFolders},
    StartupStep{"RealTraffic credentials", &lf_findRtCredentials},
    StartupStep{"update check", &lf_checkForUpdates},
    StartupStep{"dbase", &lf_readDbase},
    StartupStep{"airports", &lf_readAirports},
    StartupStep{"time shift and destination", &lf_applySavedShiftAndDestination},
    StartupStep{"window options", &lf_applyWindowOptions},
    StartupStep{"livery scan", &lf_scanLiveriesWhenNeeded},
    StartupStep{"livery tables", &lf_buildLiveryTables},
    StartupStep{"flight-plan folder", &lf_prepareFlightPlanFolder},
    StartupStep{"SimClient thread", &lf_startSimClient},
    StartupStep{"simulator", &lf_waitForSimulator},
    StartupStep{"airport scan", &lf_scanAirports},
    StartupStep{"feed", &lf_startFeed},
};

void lf_noteStartUpStoppedAt(const StartupStep& step) noexcept {
    try {
        LogFile::write(fmt::format("Start-up stopped at: {}", step.name));
    } catch (...) {
        // What stopped the start-up is reported by its caller all the same.
    }
}

bool lf_startUp(const RunState& run) {
    for (const StartupStep& step : kStartupSteps) {
        if (!run.keepRunning()) {
            return false;
        }
        bool wentThrough = false;
        try {
            wentThrough = step.run(run);
        } catch (...) {
            lf_noteStartUpStoppedAt(step);
            throw;
        }
        if (!wentThrough) {
            lf_noteStartUpStoppedAt(step);
            return false;
        }
    }
    return run.keepRunning();
}

void lf_reportFailure(const RunState& run, const std::string& logLine, const std::string& shown) {
    try {
        LogFile::writeImportant(logLine);
        run.context.gui.showErrorLine(shown);
    } catch (...) {
        // The stop below still ends the run.
    }
    gf_requestStop(run.context.stop, StopReason::systemError, 0);
}

// --- Cleanup ---

// Takes the run down. The SimClient thread is stopped and joined first (it removes every AI
// object it owns and waits for the confirmations), then the simulator tables are cleared. The
// subsystems that are not part of the program yet follow in this order: the weather and
// traffic readers are stopped and joined; the RealTraffic session is
// deauthenticated (RT Direct) or the App server closed (RT App); the park airport's waiting
// static parking requests are dropped and its static and live aircraft removed, static
// parking is stopped and the park airport cleared; the static and live aircraft are cleared;
// the flight-plan folder is removed; what must persist is saved (destination, park airports,
// livery matching summary and unmatched types).
void lf_closingDown(const RunState& run, const StopRequest& request, ProgramTraffic& program) {
    LogFile::write(fmt::format("Closing down after {} ({}), detail {}",
                               gf_stopReasonText(request.reason), gf_stopReasonCode(request.reason),
                               request.detail));
    // The park-airport list is written back once, after the park airport was left.
    program.leaveParkAirport();
    gf_setClosestStandReader({});
    gf_writeMyParkAirportsFile();
    if (SimClientThread* simClient = run.context.simClient; simClient != nullptr) {
        simClient->stopAndJoin();
        gf_clearSimTables();
        run.context.user.clear();
    }
    // The readers are joined and the App's server closed (RT App).
    gf_stopRtAppLink();
    // The web API's readers are joined and its session deauthenticated (RT Direct).
    gf_stopRtApiLink();
    // With MSFS 2020 the folder of AI flight plans goes with every plan still in it; the
    // removal of the park airport's aircraft comes before it.
    gf_removeFlightPlanFolder();
    // What the run learned about its livery matches is kept for the user.
    gf_writeLiveryMatchingSummary();
    gf_logUnmatchedTypes();
    LogFile::flush();
    // The window is still up: it names what the run could not save (a full disk).
    gf_showUnsavedFiles(run.context.gui);
}

enum class WaitEnd { timeUp, endedEarly, exitWanted };

// Sleeps on the run's clock until `until`; ends early when `endsEarly` is raised (and takes
// it), or when the user closed the window.
WaitEnd lf_waitUntil(const RunState& run, Clock::SteadyTime until,
                     std::atomic<bool>* endsEarly = nullptr) {
    Clock& clock = run.context.clock;
    while (true) {
        if (run.exitWanted()) {
            return WaitEnd::exitWanted;
        }
        if (endsEarly != nullptr && endsEarly->exchange(false)) {
            return WaitEnd::endedEarly;
        }
        const Clock::SteadyTime now = clock.steadyNow();
        if (now >= until) {
            return WaitEnd::timeUp;
        }
        clock.sleepUntil(std::min(now + kWaitTick, until));
    }
}

// The countdown before a restart, one status line a second; "Unblock" ends it at once. False
// when the user closed the window meanwhile: the program then ends instead. An error line
// would hide the countdown (status lines are dropped while one shows), so it goes first; the
// log keeps its text.
bool lf_countDownToRestart(const RunState& run, std::chrono::seconds countdown) {
    std::atomic<bool>& unblock = run.context.requests.unblockPushed;
    unblock.store(false); // only a push during the countdown ends it
    run.context.gui.enqueueUpdate(GuiUpdate::ClearError{});
    if (countdown.count() > 0) {
        LogFile::write(fmt::format("Restart in {} s", countdown.count()));
    }
    const Clock::SteadyTime start = run.context.clock.steadyNow();
    for (std::int64_t left = countdown.count(); left > 0; --left) {
        run.context.gui.showStatusText(gf_restartCountdownText(left), false);
        const Clock::SteadyTime secondEnd =
            start + std::chrono::seconds{countdown.count() - left + 1};
        switch (lf_waitUntil(run, secondEnd, &unblock)) {
        case WaitEnd::exitWanted:
            return false;
        case WaitEnd::endedEarly:
            return true;
        case WaitEnd::timeUp:
            break;
        }
    }
    return !run.exitWanted();
}

// What a new run must not inherit from this one. True when the next run may start; false
// when the user closed the window since the countdown ended (the program then ends).
bool lf_prepareNextRun(const RunState& run) {
    LogFile::write("Restart phase: reinitializing traffic state");
    run.context.user.clearPosition();
    gf_clearRtAppQueryArea();
    gf_clearRtApiQueryAreas();
    gf_trafficMailbox().reset();
    gf_resetQnh();
    gf_clearCurrentDaySlot();
    gf_simTimeFollower().prepareForRestart();
    run.context.requests.clear();
    run.context.gui.enqueueUpdate(GuiUpdate::Reset{});
    // Last, so that a close before it is seen here and one after it stops the next run.
    if (run.context.stop.clearForNextRun() && !run.token.stop_requested()) {
        return true;
    }
    LogFile::write("Restart given up: the window was closed");
    return false;
}

void lf_handOver(const RunState& run, bool restart) {
    const winui::HWND window = run.context.gui.window();
    // A window already gone (it is being torn down and joins this run) needs no word.
    if (window == nullptr || winui::IsWindow(window) == winui::FALSE) {
        return;
    }
    const winui::UINT message = restart ? MSG_START : MSG_EXIT;
    if (winui::PostMessageW(window, message, 0, 0) == winui::FALSE) {
        LogFile::writeImportant(fmt::format("Posting {} to the main window failed: {}",
                                            restart ? "MSG_START" : "MSG_EXIT",
                                            winui::GetLastError()));
    }
}

} // namespace

MainRunEnd gf_runMain(const MainRunContext& context, std::stop_token token) {
    const RunState run{context, std::move(token)};
    // A stop of the worker thread object means that its window is going: every loop that
    // polls the run's stop request (the update check, the scans, the feed) must see it too.
    const std::stop_callback markExit(run.token, [&context] { context.stop.markExitWanted(); });
    MainRunEnd end;
    // The run's traffic and parking outlive its loop: the cleanup takes their aircraft out.
    // They are built once the start-up has fixed the run's choices (the road, the simulator).
    std::optional<ProgramTraffic> program;
    try {
        if (lf_startUp(run)) {
            end.startedUp = true;
            program.emplace(context);
            MainLoop loop(context, *program, run.token);
            try {
                loop.run();
            } catch (...) {
                end.cycles = loop.counters().cycles;
                throw;
            }
            end.cycles = loop.counters().cycles;
        }
    } catch (const WriteFailure& e) {
        end.writeFailure = e.what();
        // "SYSTEM ERROR" ends the program: with a code that says it failed, and in words on
        // standard error at once, since the log may lie on the disk that refused the file. The
        // error line says the same, and a window without a screen does not say it again.
        const std::string said = fmt::format("{} ends: a file it needs could not be written: {}",
                                             kProgramName, e.what());
        gf_setProcessExitCode(kWriteFailureExitCode);
        gf_writeNoticeToStandardError(said);
        lf_reportFailure(run, fmt::format("lf_main exception: {}", e.what()), said);
    } catch (const std::exception& e) {
        lf_reportFailure(run, fmt::format("lf_main exception: {}", e.what()), e.what());
    } catch (...) {
        lf_reportFailure(run, "Exception in lf_main", "Exception in lf_main");
    }

    end.request = context.stop.current();
    try {
        if (!program) {
            program.emplace(context);
        }
        lf_closingDown(run, end.request, *program);
    } catch (const std::exception& e) {
        LogFile::writeNoThrow(fmt::format("lf_closingDown exception: {}", e.what()));
    } catch (...) {
        LogFile::writeNoThrow("Exception in lf_closingDown");
    }

    // Whatever goes wrong from here, the window must still hear how the run ended.
    bool restart = false;
    try {
        const ShutdownPlan plan = gf_planShutdown(end.request, run.exitWanted());
        if (plan.restart) {
            restart = lf_countDownToRestart(run, plan.countdown);
        } else if (plan.exitDelay.count() > 0) {
            LogFile::write(fmt::format("Ending in {} s", plan.exitDelay.count()));
            lf_waitUntil(run, context.clock.steadyNow() + plan.exitDelay);
        }
        if (restart) {
            restart = lf_prepareNextRun(run);
        }
    } catch (const std::exception& e) {
        LogFile::writeNoThrow(fmt::format("lf_main exception: {}", e.what()));
        restart = false;
    } catch (...) {
        LogFile::writeNoThrow("Exception in lf_main");
        restart = false;
    }
    end.restart = restart;
    lf_handOver(run, restart);
    return end;
}

} // namespace skyloom

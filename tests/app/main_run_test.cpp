#include "app/main_run.h"

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/main_loop.h"
#include "config/parameters.h"
#include "foundation/program_clock.h"
#include "gui/gui_messages.h"
#include "refdata/airports.h"
#include "refdata/dbase.h"
#include "refdata/download_area.h"
#include "runtime/current_day_slot.h"
#include "tests/app/support/app_test_support.h"
#include "tools/download_server/download_server.h"

namespace fs = std::filesystem;

namespace skyloom {
namespace {

using std::chrono::seconds;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

class MainRunTest : public testing::AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        createRecordingWindow();
    }

    // One run that stops with `request` at cycle 20 (unless something else ends it first).
    MainRunEnd runUntil(StopRequest request, std::function<void(MainLoop&)> each = {}) {
        MainRunContext run = context();
        run.cycleObserver = [&, request](MainLoop& loop) {
            if (each) {
                each(loop);
            }
            if (loop.counters().cycles == 20) {
                stoppedAt_ = clock_.steadyNow();
                stop_.request(request.reason, request.detail);
            }
        };
        const MainRunEnd end = gf_runMain(run);
        endedAt_ = clock_.steadyNow();
        return end;
    }

    // From the stop request to the hand-over, less the sleep that ends the last cycle.
    Clock::Duration waitAfterStop() const { return endedAt_ - stoppedAt_ - kMainCycle; }

    Clock::SteadyTime stoppedAt_{};
    Clock::SteadyTime endedAt_{};
};

// The download area at a loopback server for one test.
class DownloadAreaFixture {
public:
    explicit DownloadAreaFixture(const fs::path& root) : server_(root) {
        gf_setDownloadAreaBase(server_.baseUrl());
    }
    ~DownloadAreaFixture() { gf_setDownloadAreaBase(""); }
    DownloadAreaFixture(const DownloadAreaFixture&) = delete;
    DownloadAreaFixture& operator=(const DownloadAreaFixture&) = delete;

private:
    tools::DownloadServer server_;
};

// What every start-up shows of its airport scan here: the data folder holds no weekly airport
// list, so the scan keeps the earlier data.
const std::vector<std::string> kAirportScanTexts = {
    "Scanning for airports ...",
    "Reading RT weekly airports failed; keeping previous airport scan data"};

// Where `part` first occurs in `text` (npos when it does not).
std::size_t lf_at(const std::string& text, std::string_view part) {
    return text.find(part);
}

struct ReasonCase {
    StopRequest request;
    bool restart;
    seconds wait; // countdown before MSG_START, or the pause before MSG_EXIT
};

TEST_F(MainRunTest, ARunStartsLoopsAndRestartsOrEndsAsItsStopReasonSays) {
    const std::vector<ReasonCase> cases = {
        {{StopReason::simWasClosed, 0}, false, seconds{0}},
        {{StopReason::newFlight, 60}, true, seconds{60}},
        {{StopReason::newSettings, 0}, true, seconds{3}}, // never a restart without a countdown
        {{StopReason::newSettings, 3}, true, seconds{3}},
        {{StopReason::userClosedSim, 0}, false, seconds{0}},
        {{StopReason::installPathMissing, 0}, false, seconds{25}},
        {{StopReason::simConnectError, 9}, true, seconds{9}},
        {{StopReason::readerError, 15}, true, seconds{15}},
        {{StopReason::systemError, 15}, false, seconds{25}},
        {{StopReason::newVersion, 0}, false, seconds{0}},
        {{StopReason::trafficMailboxStalled, 0}, false, seconds{0}},
    };
    // A saved time shift, which every start applies.
    testing::writeTextFile(parametersFile(),
                           R"(<root><parameters><parameter name="TIME_SHIFT_MINS" )"
                           R"(value="5"/></parameters></root>)");
    for (const ReasonCase& c : cases) {
        const std::string label =
            fmt::format("{} {}", gf_stopReasonText(c.request.reason), c.request.detail);
        stop_.reset();
        const std::size_t statusBefore = statusTexts().size();
        const std::size_t resetsBefore = appliedCount(GuiUpdateKind::reset);

        const MainRunEnd end = runUntil(c.request);

        EXPECT_TRUE(end.startedUp) << label;
        EXPECT_EQ(end.cycles, 20u) << label;
        EXPECT_EQ(end.request, c.request) << label;
        EXPECT_EQ(end.restart, c.restart) << label;
        EXPECT_THAT(pumpPosted(), ElementsAre(c.restart ? MSG_START : MSG_EXIT)) << label;
        EXPECT_EQ(waitAfterStop(), c.wait) << label;
        EXPECT_THAT(logText(),
                    HasSubstr(fmt::format("Closing down after {} ({}), detail {}\n",
                                          gf_stopReasonText(c.request.reason),
                                          gf_stopReasonCode(c.request.reason), c.request.detail)))
            << label;

        // The start-up's time shift, livery scan and airport scan show their status, then the
        // countdown shows every second, from its length down to 1.
        std::vector<std::string> countdown = {"Time shifted 5 minutes",
                                              "Scanning for liveries ..."};
        countdown.insert(countdown.end(), kAirportScanTexts.begin(), kAirportScanTexts.end());
        if (c.restart) {
            for (std::int64_t left = c.wait.count(); left > 0; --left) {
                countdown.push_back(gf_restartCountdownText(left));
            }
        }
        const std::vector<std::string> texts = statusTexts();
        EXPECT_THAT(
            std::vector<std::string>(texts.begin() + static_cast<long>(statusBefore), texts.end()),
            ElementsAreArray(countdown))
            << label;

        // Only a restart resets the window, the time shift, the current DaySlot and the
        // request for the next run.
        EXPECT_EQ(appliedCount(GuiUpdateKind::reset) - resetsBefore, c.restart ? 1u : 0u) << label;
        EXPECT_EQ(g_timeShiftActive.load(), !c.restart) << label;
        EXPECT_EQ(gf_currentDaySlot(), c.restart ? 0u : gf_weekdayAndSlot()) << label;
        EXPECT_EQ(stop_.current(), c.restart ? StopRequest{} : c.request) << label;
    }
    EXPECT_THAT(logText(), HasSubstr("Restart phase: reinitializing traffic state\n"));
}

TEST_F(MainRunTest, TheStartUpReadsTheSettingsShowsTheFirstValuesAndMakesTheDataFolders) {
    ASSERT_FALSE(fs::exists(parametersFile()));
    const MainRunEnd end = runUntil({StopReason::userClosedSim, 0});
    EXPECT_TRUE(end.startedUp);
    EXPECT_TRUE(fs::exists(parametersFile()));
    for (const char* folder : {"input/my_regcodes", "output/info", "output/errors", "airports"}) {
        EXPECT_TRUE(fs::is_directory(workFolder() / folder)) << folder;
    }
    // The airport scan takes the tblo folder away again: it found no airport to mail.
    EXPECT_FALSE(fs::exists(workFolder() / "tblo"));
    // The window's first values come before the loop's first status tick.
    std::vector<GuiUpdateKind> kinds;
    for (const GuiUpdate& update : appliedUpdates()) {
        kinds.push_back(update.kind());
    }
    ASSERT_GE(kinds.size(), 5u);
    EXPECT_THAT(std::vector<GuiUpdateKind>(kinds.begin(), kinds.begin() + 5),
                ElementsAre(GuiUpdateKind::setCompact, GuiUpdateKind::stayOnTop,
                            GuiUpdateKind::qnhUnit, GuiUpdateKind::parkAirport,
                            GuiUpdateKind::nextParkingUpdate));
    EXPECT_EQ(gui_.state().minutesToNextParkingUpdate, 30);
    EXPECT_THAT(logText(), HasSubstr("MSFS 2024 packages folder: '" + packagesRoot().string()));
    // The web API's road: the feed light no longer waits, the data source names the session's
    // licence, and the time-shift section applies.
    EXPECT_EQ(appliedCount(GuiUpdateKind::feedStatusKnown), 1u);
    EXPECT_FALSE(gui_.state().feedStatusPending);
    EXPECT_EQ(gui_.state().dataSourceText, "RT API, professional licence");
    EXPECT_EQ(appliedCount(GuiUpdateKind::timeShiftControlsDisabled), 0u);
    EXPECT_TRUE(gui_.state().timeShiftEnabled);
}

TEST_F(MainRunTest, OutsideItsOwnFolderTheRunStopsBeforeTouchingTheSettings) {
    fs::remove_all(workFolder() / "docs");
    const Clock::SteadyTime start = clock_.steadyNow();
    const MainRunEnd end = runUntil({StopReason::newFlight, 60});
    EXPECT_FALSE(end.startedUp);
    EXPECT_EQ(end.cycles, 0u);
    EXPECT_EQ(end.request, (StopRequest{StopReason::systemError, 0}));
    EXPECT_FALSE(fs::exists(parametersFile()));
    EXPECT_THAT(gui_.state().errorLine, HasSubstr("holds no \"docs\" folder"));
    EXPECT_THAT(logText(), HasSubstr("Start-up stopped at: working folder\n"));
    // "SYSTEM ERROR" leaves the error on screen for 25 s, then ends the program.
    EXPECT_THAT(pumpPosted(), ElementsAre(MSG_EXIT));
    EXPECT_EQ(endedAt_ - start, seconds{25});
}

TEST_F(MainRunTest, WithoutTheSimulatorInstallationTheRunEndsBeforeMakingItsFolders) {
    fs::remove_all(dir_ / "local");
    const Clock::SteadyTime start = clock_.steadyNow();
    const MainRunEnd end = runUntil({StopReason::newFlight, 60});
    EXPECT_FALSE(end.startedUp);
    EXPECT_EQ(end.request, (StopRequest{StopReason::installPathMissing, 0}));
    EXPECT_TRUE(fs::exists(parametersFile()));
    EXPECT_FALSE(fs::exists(workFolder() / "output"));
    // The picker asked for the chosen simulator's Community folder; cancelled, the stop's
    // reason stays on the error line for 25 s before the program ends.
    ASSERT_EQ(backend_->folderPickers().size(), 1u);
    EXPECT_EQ(backend_->folderPickers()[0].title, "Select the Community folder of MSFS 2024");
    EXPECT_EQ(gui_.state().errorLine,
              "INSTALL PATH MISSING: no Community folder of MSFS 2024 picked. Pick it at the next "
              "start, or choose another simulator");
    EXPECT_THAT(pumpPosted(), ElementsAre(MSG_EXIT));
    EXPECT_EQ(endedAt_ - start, seconds{25});
}

TEST_F(MainRunTest, AnExceptionInTheLoopIsLoggedShownAndEndsTheProgramAsSystemError) {
    const MainRunEnd end = runUntil({StopReason::newFlight, 60}, [](MainLoop& loop) {
        if (loop.counters().cycles == 3) {
            throw std::runtime_error("stand table broken");
        }
    });
    EXPECT_TRUE(end.startedUp);
    EXPECT_EQ(end.cycles, 3u);
    EXPECT_EQ(end.request, (StopRequest{StopReason::systemError, 0}));
    EXPECT_THAT(logText(), HasSubstr("==> lf_main exception: stand table broken\n"));
    EXPECT_EQ(gui_.state().errorLine, "stand table broken");
    EXPECT_THAT(pumpPosted(), ElementsAre(MSG_EXIT));
}

TEST_F(MainRunTest, ClosingTheWindowDuringTheCountdownEndsTheProgramInstead) {
    onApplied_ = [this](const GuiUpdate& update) {
        const auto* status = update.get<GuiUpdate::StatusText>();
        if (status != nullptr && status->text == gf_restartCountdownText(58)) {
            stop_.request(StopReason::userClosedSim, 0);
        }
    };
    const MainRunEnd end = runUntil({StopReason::newFlight, 60});
    EXPECT_FALSE(end.restart);
    EXPECT_THAT(pumpPosted(), ElementsAre(MSG_EXIT));
    EXPECT_EQ(waitAfterStop(), seconds{2});
    EXPECT_EQ(stop_.current(), (StopRequest{StopReason::newFlight, 60}));
}

TEST_F(MainRunTest, UnblockEndsTheCountdownAtOnceButNotWhenPushedBeforeIt) {
    // Pushed while the loop ran: the countdown still takes its 15 s.
    runUntil({StopReason::readerError, 15}, [this](MainLoop& loop) {
        if (loop.counters().cycles == 3) {
            requests_.unblockPushed.store(true);
        }
    });
    EXPECT_THAT(pumpPosted(), ElementsAre(MSG_START));
    EXPECT_EQ(waitAfterStop(), seconds{15});

    // Pushed during the countdown: the restart comes at once.
    onApplied_ = [this](const GuiUpdate& update) {
        const auto* status = update.get<GuiUpdate::StatusText>();
        if (status != nullptr && status->text == gf_restartCountdownText(58)) {
            requests_.unblockPushed.store(true);
        }
    };
    const MainRunEnd end = runUntil({StopReason::newFlight, 60});
    EXPECT_TRUE(end.restart);
    EXPECT_THAT(pumpPosted(), ElementsAre(MSG_START));
    EXPECT_EQ(waitAfterStop(), seconds{2});
}

TEST_F(MainRunTest, AUserWhoClosedTheWindowGetsTheEndWithoutTheSystemErrorPause) {
    runUntil({StopReason::systemError, 15}, [this](MainLoop& loop) {
        if (loop.counters().cycles == 20) {
            stop_.markExitWanted();
        }
    });
    EXPECT_THAT(pumpPosted(), ElementsAre(MSG_EXIT));
    EXPECT_EQ(waitAfterStop(), seconds{0});
}

} // namespace
} // namespace skyloom

namespace skyloom {
namespace {

TEST_F(MainRunTest, TheStartUpChecksForUpdatesBeforeItReadsTheDbaseAndTheAirports) {
    // The download area has a newer dbase: the run must read that one, not the one it had.
    testing::TempDir area;
    testing::writeTextFile(area / "versions.json",
                           R"({"datasets": [{"file": "dbase.xml", "version": "2026.2.0"}]})");
    testing::writeTextFile(area / "downloads" / "data" / "dbase.xml",
                           testing::dbaseText("2026.2.0", "A320,B738,A359"));
    MainRunEnd end;
    {
        const DownloadAreaFixture downloadArea(area.path());
        end = runUntil({StopReason::userClosedSim, 0});
    }
    EXPECT_TRUE(end.startedUp);
    EXPECT_EQ(gf_dbase()->version(), "2026.2.0");
    EXPECT_TRUE(gf_dbase()->isKnownModel("A359"));
    EXPECT_TRUE(gf_airportKnown(IcaoCode("EDDF")));

    const std::string log = logText();
    const std::size_t settings = lf_at(log, "Start-up choices: ");
    const std::size_t check = lf_at(log, "Update check done: 1 data set updated, 0 failed\n");
    const std::size_t dbase = lf_at(log, "\ndbase ");
    const std::size_t airports = lf_at(log, "\nairports ");
    ASSERT_NE(check, std::string::npos) << log;
    ASSERT_NE(dbase, std::string::npos) << log;
    ASSERT_NE(airports, std::string::npos) << log;
    EXPECT_LT(settings, check);
    EXPECT_LT(check, dbase);
    EXPECT_LT(dbase, airports);
}

TEST_F(MainRunTest, AnUnreachableDownloadAreaCostsNothingButTheCheck) {
    testing::TempDir area; // no versions.json: every request is answered 404
    {
        const DownloadAreaFixture downloadArea(area.path());
        const MainRunEnd end = runUntil({StopReason::userClosedSim, 0});
        EXPECT_TRUE(end.startedUp);
        EXPECT_EQ(end.cycles, 20u);
    }
    EXPECT_EQ(gf_dbase()->version(), "2026.1.0");
    EXPECT_THAT(logText(), HasSubstr("Update check unreachable: 0 data sets updated, 0 failed\n"));
}

struct MissingDataSetCase {
    std::string file;
    std::string step;
};

TEST_F(MainRunTest, AMissingDbaseOrAirportsTableEndsTheProgramAsSystemError) {
    const std::vector<MissingDataSetCase> cases = {{"dbase.xml", "dbase"},
                                                   {"airports.xml", "airports"}};
    for (const MissingDataSetCase& c : cases) {
        stop_.reset();
        testing::writeTextFile(inputFolder() / "dbase.xml",
                               testing::dbaseText("2026.1.0", "A320,B738"));
        testing::writeTextFile(inputFolder() / "airports.xml", testing::airportsText("2026.1.0"));
        fs::remove(inputFolder() / c.file);
        const Clock::SteadyTime start = clock_.steadyNow();

        const MainRunEnd end = runUntil({StopReason::newFlight, 60});

        EXPECT_FALSE(end.startedUp) << c.file;
        EXPECT_EQ(end.cycles, 0u) << c.file;
        EXPECT_EQ(end.request, (StopRequest{StopReason::systemError, 0})) << c.file;
        EXPECT_THAT(gui_.state().errorLine, HasSubstr(c.step + " not found in")) << c.file;
        EXPECT_THAT(logText(), HasSubstr("Start-up stopped at: " + c.step + "\n")) << c.file;
        EXPECT_THAT(logText(), HasSubstr("==> lf_main exception: " + c.step + " not found in"))
            << c.file;
        // The error stays on screen for 25 s, then the program ends.
        EXPECT_THAT(pumpPosted(), ElementsAre(MSG_EXIT)) << c.file;
        EXPECT_EQ(endedAt_ - start, seconds{25}) << c.file;
        gui_.enqueueUpdate(GuiUpdate::ClearError{});
    }
}

TEST_F(MainRunTest, TheStartUpScansTheLiveriesUnlessSkippedWithAnEarlierFile) {
    const fs::path scanned = workFolder() / "output" / "LiveriesScanned_MSFS2024.xml";
    // The working folder holds no AIG registration table: every start says so once, whether it
    // scans or not.
    const auto missingTableLines = [this] {
        const std::string log = logText();
        const std::string line = "AIG-regcodes.enc not available";
        std::size_t count = 0;
        for (auto at = log.find(line); at != std::string::npos; at = log.find(line, at + 1)) {
            ++count;
        }
        return count;
    };
    EXPECT_TRUE(runUntil({StopReason::userClosedSim, 0}).startedUp);
    EXPECT_EQ(missingTableLines(), 1u);
    EXPECT_TRUE(fs::exists(scanned));
    EXPECT_EQ(gui_.state().liveriesCount, 1u);
    const std::string noShift = "Time shift = 0";
    const std::string scanning = "Scanning for liveries ...";
    const std::string& airports = kAirportScanTexts[0];
    const std::string& keeping = kAirportScanTexts[1];
    EXPECT_THAT(statusTexts(), ElementsAre(noShift, scanning, airports, keeping));

    // Skipped while the file of the earlier scan is there; without it the scan runs anyway.
    gf_params().SKIP_LIVERIES_SCAN.setValue(true);
    stop_.reset();
    EXPECT_TRUE(runUntil({StopReason::userClosedSim, 0}).startedUp);
    EXPECT_THAT(statusTexts(),
                ElementsAre(noShift, scanning, airports, keeping, noShift, airports, keeping));
    EXPECT_EQ(missingTableLines(), 2u);
    fs::remove(scanned);
    stop_.reset();
    EXPECT_TRUE(runUntil({StopReason::userClosedSim, 0}).startedUp);
    gf_params().SKIP_LIVERIES_SCAN.setValue(false);
    EXPECT_THAT(statusTexts(),
                ElementsAre(noShift, scanning, airports, keeping, noShift, airports, keeping,
                            noShift, scanning, airports, keeping));
    EXPECT_TRUE(fs::exists(scanned));
    EXPECT_EQ(missingTableLines(), 3u);
}

TEST_F(MainRunTest, ALiveryScanThatFindsNoPackageEndsTheProgramAsSystemError) {
    fs::remove_all(packagesRoot() / "Community" / "aig-aitraffic-oci-test");
    const MainRunEnd end = runUntil({StopReason::newFlight, 60});
    EXPECT_FALSE(end.startedUp);
    EXPECT_EQ(end.request, (StopRequest{StopReason::systemError, 0}));
    EXPECT_EQ(gui_.state().errorLine,
              "148: Automatic scan has not found any AI packages, choose a different selection, "
              "or switch to Manual mode");
    EXPECT_THAT(logText(), HasSubstr("Start-up stopped at: livery scan\n"));
}

TEST_F(MainRunTest, TheCountdownClearsAnErrorLineThatWouldHideIt) {
    // The SimClient showed its error line before it asked for the restart.
    std::vector<std::string> shown;
    onApplied_ = [&](const GuiUpdate& update) {
        if (update.kind() == GuiUpdateKind::statusText) {
            shown.push_back(gui_.state().statusLine);
        }
    };
    const MainRunEnd end = runUntil({StopReason::simConnectError, 9}, [this](MainLoop& loop) {
        if (loop.counters().cycles == 20) {
            gui_.showErrorLine("SimConnect_CallDispatch failed");
        }
    });
    EXPECT_TRUE(end.restart);
    EXPECT_EQ(gui_.state().errorLine, "");
    // The start-up's time shift, livery scan and airport scan status, then the countdown.
    ASSERT_EQ(shown.size(), 13u);
    EXPECT_EQ(shown.front(), "Time shift = 0");
    EXPECT_EQ(shown[1], "Scanning for liveries ...");
    EXPECT_EQ(shown[2], kAirportScanTexts[0]);
    EXPECT_EQ(shown[4], gf_restartCountdownText(9));
    EXPECT_EQ(shown.back(), gf_restartCountdownText(1));
    // The error's text stays in the log.
    EXPECT_THAT(logText(), HasSubstr("SimConnect_CallDispatch failed"));
}

TEST_F(MainRunTest, AWindowClosedAfterTheCountdownEndsTheProgramInsteadOfRestarting) {
    // The close comes while the run prepares the restart, after the countdown has run out.
    onApplied_ = [this](const GuiUpdate& update) {
        if (update.kind() == GuiUpdateKind::reset) {
            gf_requestStop(stop_, StopReason::userClosedSim, 0);
        }
    };
    const MainRunEnd end = runUntil({StopReason::newSettings, 3});
    EXPECT_FALSE(end.restart);
    EXPECT_THAT(pumpPosted(), ElementsAre(MSG_EXIT));
    EXPECT_TRUE(stop_.exitWanted());
    EXPECT_THAT(logText(), HasSubstr("Restart given up: the window was closed\n"));
}

TEST_F(MainRunTest, AStopOfTheWorkerThreadReachesEveryLoopThatPollsTheStopRequest) {
    std::stop_source worker;
    MainRunContext run = context();
    bool sawStop = false;
    run.cycleObserver = [&](MainLoop& loop) {
        if (loop.counters().cycles == 5) {
            // The window goes and stops the worker thread; a subsystem's own loop polls only
            // the stop request, never the thread's stop token.
            worker.request_stop();
            sawStop = !stop_.keepRunning();
        }
    };
    const MainRunEnd end = gf_runMain(run, worker.get_token());
    EXPECT_TRUE(sawStop);
    EXPECT_TRUE(stop_.exitWanted());
    EXPECT_EQ(end.cycles, 5u);
    EXPECT_FALSE(end.restart);
    EXPECT_THAT(pumpPosted(), ElementsAre(MSG_EXIT));
}

} // namespace
} // namespace skyloom

// A recorded or hand-made App capture through the program's own wiring, at any airport of
// ../shared: the run's traffic and parking as app/ builds them (`ProgramTraffic`) driven by the
// program's main loop (`MainLoop`) on a manual clock; the capture's bursts through the feed's
// parser (the App road) or through the web API's reply reader (the web API road) into the
// program's mailbox; a SimClient of the program's link work on a simulated world with the
// airport's runways (../shared/data/runways) and stands (../shared/data/stands/<ICAO>, where
// the airport has a ground net there) and the demo's liveries for the capture; the program's
// close-down at the end. The program reads its own data sets (data/input); parking chooses the
// airport itself from the user aircraft's gate and the airport file in airports/my_thirdparty,
// written as the demo writes it (every gate offers the capture's airliners).
//
// A test derives its fixture from `ProgramReplayTest`, calls `prepare` in its body (skipping
// when ../shared lacks the airport) and `run`; what the world showed of the followed aircraft
// comes back frame by frame.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/main_loop.h"
#include "config/params_snapshot.h"
#include "config/startup_choices.h"
#include "feed/traffic_entry.h"
#include "foundation/lalo.h"
#include "platform/simworld/installed_world.h"
#include "platform/simworld/world.h"
#include "refdata/airport_file.h"
#include "tests/app/support/app_test_support.h"
#include "tests/traffic/support/live_replay.h"
#include "traffic/step/aircraft_record.h"

namespace skyloom::testing {

inline constexpr const char* kRunwaysCsv = "data/runways/runways.csv";
inline constexpr const char* kAirportsCsv = "data/runways/airports.csv";

// The airport of a replay and the user's gate there (the user stands still all along).
struct ReplayAirport {
    std::string icao;
    Lalo userGate;
    double userGateHeadingDeg = 0;
};

// The user at Los Angeles, at GATE A2, whose taxi-out corridor the capture's ground traffic does
// not cross.
inline const ReplayAirport kLosAngelesReplayAirport{"KLAX", {33.94575, -118.4098667}, 264.0};

// How the capture reaches the program.
enum class ReplayRoad {
    app,   // the App's datagrams through the feed's assembler
    webApi // each report as the web API gives it, through the web API's reply reader
};

struct ReplayRunOptions {
    ReplayRoad road = ReplayRoad::app;
    // On the App road, the capture's first bursts that come as the App's buffer at the start
    // (as the demo's App stand-in gives them), the live traffic from the next one on.
    std::size_t bufferedBursts = 0;
    // The program runs this long after the last burst was fed.
    std::chrono::seconds afterLastBurst{90};
    // The aircraft (hexids) whose objects are recorded every main cycle.
    std::set<std::uint32_t> followed;
    // Called once a main cycle, after the simulator link's dispatch.
    std::function<void(MainLoop&)> onCycle;
};

// What the world shows of a followed aircraft in one main cycle.
struct ObjectFrame {
    double seconds = 0; // since the run began
    std::uint32_t objectId = 0;
    double latitude = 0;
    double longitude = 0;
    double altitudeFt = 0;
    double headingRad = 0;
    double pitchRad = 0; // negative is nose up
    bool onGround = false;
    FlightPhase phase = FlightPhase::birth;
};

struct ReplayRunResult {
    // Per followed hexid, what the world showed while it had an object there: a frame at each
    // change, and one a second while nothing changes.
    std::map<std::uint32_t, std::vector<ObjectFrame>> frames;
    // The seconds the run lasted, and at which the capture's first burst was fed.
    double seconds = 0;
    // The capture's first live burst's time (UTC seconds): a report stamped t is due at
    // t - firstBurstEpoch + the playback delay on the run's clock.
    double firstBurstEpoch = 0;
};

// The clock's UTC time at `epochSeconds` (UTC seconds, as captures stamp them).
Clock::UtcTime gf_epochUtc(double epochSeconds);

class ProgramReplayTest : public AppTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Everything a run at `airport` needs: the program's data sets, the capture's liveries
    // (also in the simulator), the world with the airport's facilities and the user at the
    // gate, the airport file. `utc` is the program's clock at the start. Empty when all is
    // ready, else why the test has to be skipped (data of ../shared missing).
    // The liveries of the airlines in `airlinesWithoutLivery` ("PVT" for aircraft without
    // one) are not installed. The simulator follows `worldTimeline` (seconds from here on),
    // and the run's simulator link connects again after a QUIT as its thread does.
    std::string prepare(const ReplayAirport& airport, tools::Capture capture, Clock::UtcTime utc,
                        const std::set<std::string>& airlinesWithoutLivery = {},
                        std::vector<simworld::TimelineEvent> worldTimeline = {});
    // Runs the program on the prepared capture and closes it down as the program does.
    ReplayRunResult run(const ReplayRunOptions& options);
    // Another capture of the prepared capture's aircraft (the same liveries) for the next run.
    void replaceCapture(tools::Capture capture) { capture_ = std::move(capture); }

    // The capture's reports as the feed's parser posts them, by hexid.
    const std::map<std::uint32_t, std::vector<TrafficEntry>>& reports() const { return reports_; }
    // The airport file's stands (empty at an airport without a ground net in ../shared).
    const std::vector<Stand>& stands() const { return stands_; }
    // The marked ("==> ") lines of the log that are not in `expected`.
    std::vector<std::string> unexpectedMarkedLines(const std::set<std::string>& expected) const;
    // The log's lines that contain `text`.
    std::vector<std::string> logLinesWith(const std::string& text) const;

    // The main window's option controls of the program's parameters, made on a window of the
    // test thread as the program's window makes them, so that a run shows which of them the
    // worker enabled. Before `run`.
    void makeOptionControls();

    std::shared_ptr<simworld::World> world_;
    // Whether `prepare` writes the airport's file into airports/my_thirdparty (as the demo
    // does); without it the airport is one of the simulator's own without a file of its own.
    bool withAirportFile_ = true;
    // The most objects the simulator holds (set before `prepare`).
    std::size_t worldObjectLimit_ = 300;

private:
    void startWorld(const ReplayAirport& airport, const std::vector<ReplayLivery>& liveries,
                    std::vector<simworld::TimelineEvent> timeline);
    void writeAirportFile(const std::string& icao);
    std::vector<std::pair<std::string, std::string>> captureAirliners() const;

    tools::Capture capture_;
    std::map<std::uint32_t, std::vector<TrafficEntry>> reports_;
    std::vector<Stand> stands_;
    std::optional<simworld::WorldInstallation> installation_;
    std::optional<StartupChoices> previousChoices_;
    // Choosing the simulator sets how object ids are written; the tests after this one write
    // them as they found them, and find the settings they found (the parameters' defaults, not
    // a blank snapshot).
    bool previousHexadecimal_ = true;
    std::shared_ptr<const ParamsSnapshot> snapshotBefore_;
    bool optionControlsMade_ = false;
};

} // namespace skyloom::testing

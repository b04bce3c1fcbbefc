#include "tests/traffic/support/program_replay.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <sstream>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "app/main_run_context.h"
#include "app/program_mailbox.h"
#include "app/program_traffic.h"
#include "config/parameters.h"
#include "config/params_snapshot.h"
#include "config/startup_choices.h"
#include "feed/rt_app_datagram.h"
#include "feed/rt_records.h"
#include "feed/rtapi_settings.h"
#include "feed/rtapi_traffic.h"
#include "foundation/file_header.h"
#include "foundation/hours_bitset.h"
#include "foundation/log_file.h"
#include "foundation/text.h"
#include "gui/option_controls.h"
#include "liveries/livery_tables.h"
#include "parking/apf_writer.h"
#include "parking/park_airport_list.h"
#include "parking/parking_state.h"
#include "parking/parking_user_stands.h"
#include "parking/static_parking_state.h"
#include "platform/simworld/facility_import.h"
#include "refdata/airports.h"
#include "refdata/code_table.h"
#include "refdata/dbase.h"
#include "refdata/park_airport.h"
#include "refdata/stand_type.h"
#include "sim/facility_connection.h"
#include "sim/facility_parking.h"
#include "sim/flight_plan_files.h"
#include "sim/sim_client.h"
#include "sim/sim_link_state.h"
#include "sim/sim_tables.h"
#include "tests/support/shared_data.h"
#include "traffic/step/traffic_mailbox.h"

namespace skyloom::testing {

namespace {

namespace fs = std::filesystem;

constexpr double kStillFrameSeconds = 1.0;

bool lf_changed(const ObjectFrame& a, const ObjectFrame& b) {
    return a.objectId != b.objectId || a.latitude != b.latitude || a.longitude != b.longitude ||
           a.altitudeFt != b.altitudeFt || a.headingRad != b.headingRad ||
           a.pitchRad != b.pitchRad || a.onGround != b.onGround || a.phase != b.phase;
}

nlohmann::json lf_optional(const std::optional<double>& value) {
    return value ? nlohmann::json(*value) : nlohmann::json();
}

// The web API's array of an App record (its indices: lat 1, lon 2, track 3, standard-pressure
// altitude 4, ground speed 5, type 8, registration 9, time stamp 10, from 11, to 12, callsign
// 13, on-ground flag 14, vertical rate 15), keyed by its hex id.
std::pair<std::string, nlohmann::json> lf_webApiAircraft(const RtTrafficRecord& r) {
    nlohmann::json values = nlohmann::json::array();
    for (int i = 0; i < 49; ++i) {
        values.push_back(nullptr);
    }
    values[1] = r.latitude;
    values[2] = r.longitude;
    values[3] = lf_optional(r.trackDeg);
    values[4] = r.altitudeFt;
    values[5] = lf_optional(r.groundSpeedKt);
    values[8] = std::string(r.model);
    values[9] = std::string(r.registration);
    values[10] = r.timestamp;
    values[11] = std::string(r.origin);
    values[12] = std::string(r.destination);
    values[13] = std::string(r.callsign);
    values[14] = r.airborne != 0 ? 0 : 1;
    values[15] = lf_optional(r.verticalSpeedFpm);
    return {fmt::format("{:06x}", r.hexid), values};
}

// Feeds a capture on the web API road: each burst as one reply, read with the program's
// reference altitude for aircraft on the ground, posted as the web API reader posts it.
class WebApiReplay {
public:
    WebApiReplay(const tools::Capture& capture, Clock& clock)
        : capture_(capture), clock_(clock), start_(clock.steadyNow()) {}

    bool feedDue() {
        const double elapsed = std::chrono::duration<double>(clock_.steadyNow() - start_).count();
        while (next_ < capture_.bursts.size() &&
               capture_.bursts[next_].time - capture_.bursts.front().time <= elapsed) {
            nlohmann::json data = nlohmann::json::object();
            for (const std::string& datagram : capture_.bursts[next_].datagrams) {
                const AppDatagram split = gf_splitAppDatagram(datagram);
                if (split.kind == AppDatagramKind::traffic) {
                    auto [key, values] = lf_webApiAircraft(gf_rttfcRecord(split));
                    data[key] = std::move(values);
                }
            }
            ++next_;
            RtApiAltitudeBasis basis;
            if (const auto altitude = gf_parkAirportAltitude()) {
                basis.referenceFt = *altitude;
            }
            RtApiTrafficReply reply = gf_readRtApiTraffic({{"status", 200}, {"data", data}}, basis);
            gf_postTrafficBatch(reply.live, TrafficBatchKind::live, kRtApiLiveOffsetBase, false);
        }
        return next_ < capture_.bursts.size();
    }

private:
    const tools::Capture& capture_;
    Clock& clock_;
    Clock::SteadyTime start_;
    std::size_t next_ = 0;
};

} // namespace

Clock::UtcTime gf_epochUtc(double epochSeconds) {
    return Clock::UtcTime(std::chrono::duration_cast<Clock::UtcTime::duration>(
        std::chrono::duration<double>(epochSeconds)));
}

void ProgramReplayTest::SetUp() {
    AppTest::SetUp();
    // The demo's choices; the parameters' defaults.
    previousChoices_ = *gf_startupChoices();
    snapshotBefore_ = gf_paramsSnapshot();
    previousHexadecimal_ = gf_isHexidHexadecimal();
    gf_setStartupChoices({SimChoice::msfs2020, TrafficSource::rtApp});
    gf_params().publishAll();
    // The program's own data sets, read by its start-up steps.
    for (const char* dataSet : {"dbase.xml", "airports.xml"}) {
        fs::copy_file(sourceDir() / "data" / "input" / dataSet, inputFolder() / dataSet,
                      fs::copy_options::overwrite_existing);
    }
    gf_readDbase();
    gf_readAirports();
    // The start-up's flight-plan folder (MSFS 2020 reads the AI flight plans from it).
    ASSERT_TRUE(gf_flightPlanFolder());
    ASSERT_TRUE(gf_ensureFlightPlanFolder(*gf_flightPlanFolder()));
}

void ProgramReplayTest::makeOptionControls() {
    createRecordingWindow();
    ASSERT_TRUE(gf_createControls(gui_, gf_params(), gui_.window()));
    optionControlsMade_ = true;
}

void ProgramReplayTest::TearDown() {
    if (optionControlsMade_) {
        // The window and its controls go with the test's window system.
        for (OptionControl* control : gf_params().controls()) {
            control->setWindow(nullptr);
        }
    }
    gf_closeFacilityConnection();
    installation_.reset();
    world_.reset();
    gf_clearSimTables();
    gf_parkAirportEntry().clear();
    gf_parkingState().clear();
    gf_clearStaticParkingState(gf_staticParkingState());
    gf_setAirports({});
    gf_liveryTables().clear();
    gf_publishDbase(nullptr);
    gf_paramsSnapshotCell().publish(*snapshotBefore_);
    gf_trafficMailbox().reset();
    // A hex id one test's run put in quarantine (a failed take-off) is the next test's aircraft.
    gf_programQuarantine().clear();
    if (previousChoices_) {
        gf_setStartupChoices(*previousChoices_);
    }
    gf_setHexidHexadecimal(previousHexadecimal_);
    AppTest::TearDown();
}

std::string ProgramReplayTest::prepare(const ReplayAirport& airport, tools::Capture capture,
                                       Clock::UtcTime utc,
                                       const std::set<std::string>& airlinesWithoutLivery,
                                       std::vector<simworld::TimelineEvent> worldTimeline) {
    for (const char* file : {kRunwaysCsv, kAirportsCsv}) {
        if (sharedPath(file).empty()) {
            return fmt::format("shared data not found: ../shared/{}", file);
        }
    }
    clock_.setUtc(utc);
    capture_ = std::move(capture);
    reports_ = captureReports(capture_);
    std::vector<ReplayLivery> liveries = captureLiveries(capture_);
    std::erase_if(liveries, [&](const ReplayLivery& livery) {
        return airlinesWithoutLivery.contains(livery.airline);
    });
    buildLiveryTables(liveries);
    startWorld(airport, liveries, std::move(worldTimeline));
    if (withAirportFile_) {
        writeAirportFile(airport.icao);
    }
    return {};
}

// The demo's world: a running flight with the user at a gate, the airport's facility data
// (OurAirports' runways and, where ../shared has one, the FlightGear ground net's stands), the
// demo's liveries, no journal.
void ProgramReplayTest::startWorld(const ReplayAirport& airport,
                                   const std::vector<ReplayLivery>& liveries,
                                   std::vector<simworld::TimelineEvent> timeline) {
    simworld::FacilityImportSources sources;
    sources.airportsCsv = sharedPath(kAirportsCsv);
    sources.runwaysCsv = sharedPath(kRunwaysCsv);
    sources.parkingXml = sharedPath(fmt::format("data/stands/{}/parking.xml", airport.icao));
    simworld::AirportFacilitySetup facilities =
        simworld::gf_importAirportFacilities(airport.icao, sources);
    constexpr double kFeetPerMetre = 3.280839895;
    const double elevationFt = facilities.altitudeMeters * kFeetPerMetre;
    // The program's starter data set knows the airports of the demo's captures but not every
    // airport of ../shared: one it lacks is known as the run folder's data set (all of
    // OurAirports) knows it, so that the user stands at a supported airport.
    if (!gf_airportKnown(IcaoCode(airport.icao))) {
        std::vector<AirportEntry> airports;
        gf_withAirports([&](const std::vector<AirportEntry>& known) { airports = known; });
        airports.push_back({IcaoCode(airport.icao), IataCode(), facilities.latitudeDeg,
                            facilities.longitudeDeg,
                            static_cast<std::int32_t>(std::lround(elevationFt))});
        gf_setAirports(std::move(airports));
    }
    simworld::WorldSetup setup;
    setup.simulator.flightRunning = true;
    setup.user.title = "Airbus A320 Neo FlyByWire";
    setup.user.atcModel = "A20N";
    setup.user.atcId = "N320SK";
    setup.user.groundElevationFeet = gf_findAirportById(IcaoCode(airport.icao))->altitudeFt;
    simworld::TrackPoint gate;
    gate.latitudeDeg = airport.userGate.lat;
    gate.longitudeDeg = airport.userGate.lon;
    gate.headingDeg = airport.userGateHeadingDeg;
    setup.user.track = {gate};
    for (const ReplayLivery& livery : liveries) {
        setup.liveries.push_back({livery.title, livery.model, 7.0, 0.0});
    }
    setup.aiObjects.assignDelaySeconds = 0.2;
    setup.aiObjects.removeDelaySeconds = 0.1;
    setup.aiObjects.maxObjects = worldObjectLimit_;
    setup.aiObjects.tracePointsPerObject = 0;
    setup.journalMaxEntries = 0;
    setup.airports = {std::move(facilities)};
    setup.timeline = std::move(timeline);
    world_ = std::make_shared<simworld::World>(std::move(setup), clock_);
    installation_.emplace(world_);
}

// The demo's airport file: the stands of the simulator's scenery, read as the program reads
// an airport of the simulator, and on its gates flight options every day and half hour for
// the capture's airliners in turn, so that static parking has a plan to make.
void ProgramReplayTest::writeAirportFile(const std::string& icao) {
    AirportFile airport;
    std::int32_t helipads = 0;
    ASSERT_TRUE(gf_readParkingFacilities(stop_, icao, airport, helipads));
    gf_closeFacilityConnection();
    if (const auto known = gf_findAirportById(IcaoCode(icao))) {
        airport.iata = known->iata;
    }
    airport.publisher = "demo";
    // A ground net may name parkings alike: an airport file holds each id once, and the demo
    // keeps the first.
    std::set<std::string> ids;
    std::erase_if(airport.stands, [&](const Stand& s) { return !ids.insert(s.id).second; });
    const std::vector<std::pair<std::string, std::string>> airliners = captureAirliners();
    std::size_t gate = 0;
    for (Stand& stand : airport.stands) {
        if (airliners.empty() || !gf_standTypeName(stand.type).starts_with("GATE")) {
            continue;
        }
        const auto& [airline, model] = airliners[gate % airliners.size()];
        for (std::uint32_t day = 1; day <= 7; ++day) {
            FlightOption option;
            option.key.airline = gf_airlineId(airline);
            option.key.model = gf_modelId(model);
            option.reg = fmt::format("N{}DM", gate + 100);
            option.hours = HoursBitset::range(0, 47);
            option.day = day;
            option.seq = day;
            option.origin = 1;
            option.real = 1;
            stand.options.push_back(option);
        }
        ++gate;
    }
    stands_ = airport.stands;
    const fs::path folder = workFolder() / "airports" / "my_thirdparty";
    fs::create_directories(folder);
    ASSERT_TRUE(gf_writeApf(airport, folder / fmt::format("{}.xml", icao), ApfMode::learned,
                            kHeaderSimMsfs2020, true, std::nullopt, clock_));
}

// The airline (from the callsign, as RealTraffic keys them) and model of every airliner of
// the capture, by its last report.
std::vector<std::pair<std::string, std::string>> ProgramReplayTest::captureAirliners() const {
    std::set<std::pair<std::string, std::string>> airliners;
    for (const auto& [hexid, reports] : reports_) {
        const TrafficEntry& last = reports.back();
        const std::string& callsign = last.callsign;
        const bool flight = callsign.size() > 3 &&
                            std::isdigit(static_cast<unsigned char>(callsign[3])) &&
                            std::all_of(callsign.begin(), callsign.begin() + 3,
                                        [](char c) { return c >= 'A' && c <= 'Z'; });
        if (flight && last.key.model != 0) {
            airliners.emplace(callsign.substr(0, 3), gf_modelCode(last.key.model));
        }
    }
    return {airliners.begin(), airliners.end()};
}

ReplayRunResult ProgramReplayTest::run(const ReplayRunOptions& options) {
    ReplayRunResult result;
    // The program's run context, with parking's stands for the simulator link.
    ParkingUserStands parkingStands(gf_parkingState(), gf_parkAirportList());
    MainRunContext context{clock_, gui_, stop_, requests_, user_, parkingStands};
    gf_trafficMailbox().reset();

    // The start-up's SimClient with the program's link work and queues, connected before the
    // loop runs as the start-up waits for the simulator; here it dispatches once every cycle.
    gf_resetSimTables();
    SimClient client(gf_simClientContext(context.services(), context.user, context.stands));
    EXPECT_EQ(client.connect(), SimClient::ConnectResult::connected);
    while (g_simConnectionState.load() != SimConnectionState::running) {
        if (!client.dispatchPass()) {
            ADD_FAILURE() << "the simulator link did not start";
            return result;
        }
        clock_.advance(std::chrono::milliseconds(1));
    }

    const std::size_t firstLive = options.road == ReplayRoad::app ? options.bufferedBursts : 0;
    result.firstBurstEpoch =
        capture_.bursts.size() <= firstLive ? 0.0 : capture_.bursts[firstLive].time;
    CaptureReplay appRoad(capture_, gf_trafficMailbox(), clock_,
                          options.road == ReplayRoad::app ? options.bufferedBursts : 0);
    WebApiReplay webApiRoad(capture_, clock_);
    const Clock::SteadyTime start = clock_.steadyNow();
    std::optional<Clock::SteadyTime> lastBurstFed;
    // The SimClient thread's loop, a pass every main cycle: a dispatch while connected; after
    // a QUIT or a failed dispatch the connection is dropped, then an open every cycle (a
    // failed one sleeps its 100 ms on the run's clock) until the simulator is back.
    bool connected = true;
    const auto simClientPass = [&] {
        if (connected) {
            connected = client.dispatchPass();
            if (!connected) {
                EXPECT_EQ(client.afterDispatch(), SimClient::AfterDispatch::reconnect);
            }
        } else if (client.connect() == SimClient::ConnectResult::connected) {
            client.flags() = SimClientFlags{};
            connected = true;
        }
    };
    context.cycleObserver = [&](MainLoop& loop) {
        const bool more =
            options.road == ReplayRoad::app ? appRoad.feedDue() : webApiRoad.feedDue();
        if (!more && !lastBurstFed) {
            lastBurstFed = clock_.steadyNow();
        }
        simClientPass();
        const double seconds = std::chrono::duration<double>(clock_.steadyNow() - start).count();
        for (const LiveAircraft& a : loop.traffic().liveAircraft) {
            if (a.objectId == 0 || !options.followed.contains(a.base.hexid)) {
                continue;
            }
            const auto object = world_->object(a.objectId);
            if (!object) {
                continue;
            }
            const ObjectFrame frame{seconds,
                                    a.objectId,
                                    object->latitudeDeg,
                                    object->longitudeDeg,
                                    object->altitudeFeet,
                                    object->headingTrueRad,
                                    object->pitchRad,
                                    object->onGround,
                                    a.phase.phase};
            // The world moves an object at its frames: a cycle that brought no change adds
            // nothing but the time, which a frame a second keeps.
            std::vector<ObjectFrame>& frames = result.frames[a.base.hexid];
            if (frames.empty() || lf_changed(frames.back(), frame) ||
                seconds - frames.back().seconds >= kStillFrameSeconds) {
                frames.push_back(frame);
            }
        }
        if (options.onCycle) {
            options.onCycle(loop);
        }
        if (lastBurstFed && clock_.steadyNow() - *lastBurstFed >= options.afterLastBurst) {
            gf_requestStop(stop_, StopReason::userClosedSim, 0);
        }
    };
    ProgramTraffic program(context);
    {
        MainLoop loop(context, program);
        loop.run();
    }
    // The program's close-down: the park airport's aircraft leave, then the SimClient removes
    // every object it still owns and closes, as its thread does when it is stopped.
    program.leaveParkAirport();
    client.shutdownCleanup();
    client.releaseConnection();
    LogFile::flush();
    result.seconds = std::chrono::duration<double>(clock_.steadyNow() - start).count();
    return result;
}

std::vector<std::string>
ProgramReplayTest::unexpectedMarkedLines(const std::set<std::string>& expected) const {
    std::vector<std::string> lines;
    for (const std::string& line : logLinesWith(std::string(LogFile::kImportantPrefix))) {
        if (line.starts_with(LogFile::kImportantPrefix) && !expected.contains(line)) {
            lines.push_back(line);
        }
    }
    return lines;
}

std::vector<std::string> ProgramReplayTest::logLinesWith(const std::string& text) const {
    std::vector<std::string> lines;
    std::istringstream log(logText());
    for (std::string line; std::getline(log, line);) {
        if (line.find(text) != std::string::npos) {
            lines.push_back(line);
        }
    }
    return lines;
}

} // namespace skyloom::testing

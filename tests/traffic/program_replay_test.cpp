// The whole KLAX capture through the program's own wiring: the run's traffic and parking as
// app/ builds them (`ProgramTraffic`) driven by the program's main loop (`MainLoop`) on a manual
// clock, the capture's bursts through the feed's parser into the program's mailbox, a SimClient
// of the program's link work on a simulated world with Los Angeles' runways and stands, and the
// close-down the program runs. The program reads its own data sets; parking chooses KLAX itself
// from the user aircraft's gate and its airport file in airports/my_thirdparty, written as the
// demo writes it.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/main_loop.h"
#include "app/main_run_context.h"
#include "app/program_mailbox.h"
#include "app/program_traffic.h"
#include "config/parameters.h"
#include "config/params_snapshot.h"
#include "config/startup_choices.h"
#include "foundation/file_header.h"
#include "foundation/geodesy.h"
#include "foundation/hours_bitset.h"
#include "foundation/log_file.h"
#include "liveries/livery_tables.h"
#include "parking/apf_writer.h"
#include "parking/park_airport_list.h"
#include "parking/parking_state.h"
#include "parking/parking_user_stands.h"
#include "parking/static_parking_state.h"
#include "platform/simworld/facility_import.h"
#include "platform/simworld/installed_world.h"
#include "platform/simworld/world.h"
#include "refdata/airports.h"
#include "refdata/code_table.h"
#include "refdata/dbase.h"
#include "refdata/park_airport.h"
#include "refdata/stand_type.h"
#include "runtime/current_day_slot.h"
#include "runtime/stop_request.h"
#include "sim/facility_connection.h"
#include "sim/facility_parking.h"
#include "sim/flight_plan_files.h"
#include "sim/sim_client.h"
#include "sim/sim_link_state.h"
#include "sim/sim_tables.h"
#include "tests/app/support/app_test_support.h"
#include "tests/support/shared_data.h"
#include "tests/traffic/support/live_replay.h"
#include "traffic/stands/static_aircraft.h"
#include "traffic/stands/static_traffic.h"
#include "traffic/step/traffic_mailbox.h"

namespace skyloom {
namespace {

namespace fs = std::filesystem;
using testing::kLosAngelesCapture;
using testing::kLosAngelesElevationFt;

constexpr const char* kRunwaysCsv = "data/runways/runways.csv";
constexpr const char* kAirportsCsv = "data/runways/airports.csv";
constexpr const char* kKlaxParking = "data/stands/KLAX/parking.xml";
// The user's gate: GATE A2, whose taxi-out corridor none of the capture's ground traffic
// crosses. (The demo's gate, G7, faces the gates AAL566 and AAL1331 taxi to: the check of the
// user's corridor takes them out there, as it must.)
constexpr Lalo kUserGate{33.94575, -118.4098667};
constexpr double kUserGateHeadingDeg = 264.0;
// After the last burst: the playback delay and a minute for the last reports to be flown.
constexpr std::chrono::seconds kRunAfterLastBurst{90};
// A report at rest this close to a stand's centre is an aircraft at its stand: the capture's
// positions have four decimals (some 10 m), and a transponder's position lies some way from
// the stand's centre, where the airport file has it.
constexpr double kAtStandMetres = 50.0;
// A first report faster than a taxi is an aircraft landing, not one leaving its stand.
constexpr double kFasterThanTaxiKt = 40.0;
// The marked lines a sound run logs, each with why.
const std::vector<std::pair<std::string, std::string>> kExpectedMarkedLines = {
    {"==> Stop requested: USER CLOSED SIM (4), detail 0", "the test closes the run"},
};

// An arrival that parked from the stand search of its taxi: when and in which half hour of
// the week.
struct Parked {
    std::string callsign;
    Clock::SteadyTime at;
    std::uint64_t daySlot = 0;
};

class ProgramReplayTest : public testing::AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        for (const char* file : {kLosAngelesCapture, kRunwaysCsv, kAirportsCsv, kKlaxParking}) {
            if (testing::sharedPath(file).empty()) {
                GTEST_SKIP() << "shared data not found: ../shared/" << file;
            }
        }
        // The capture's time of day on a Wednesday, as recorded: the run crosses into the next
        // half hour of the week (at 21:59:30).
        clock_.setUtc(ManualClock::utcTime(2026, 1, 7, 21, 52, 32));
        // The demo's choices; the parameters' defaults.
        previousChoices_ = *gf_startupChoices();
        gf_setStartupChoices({SimChoice::msfs2020, TrafficSource::rtApp});
        gf_params().publishAll();
        // The program's own data sets, read by its start-up steps.
        for (const char* dataSet : {"dbase.xml", "airports.xml"}) {
            fs::copy_file(testing::sourceDir() / "data" / "input" / dataSet,
                          inputFolder() / dataSet, fs::copy_options::overwrite_existing);
        }
        gf_readDbase();
        gf_readAirports();
        // The start-up's flight-plan folder (MSFS 2020 reads the AI flight plans from it).
        ASSERT_TRUE(gf_flightPlanFolder());
        ASSERT_TRUE(gf_ensureFlightPlanFolder(*gf_flightPlanFolder()));
        capture_ = tools::gf_readCapture(testing::sharedPath(kLosAngelesCapture),
                                         kLosAngelesElevationFt);
        reports_ = testing::captureReports(capture_);
        const std::vector<testing::ReplayLivery> liveries = testing::captureLiveries(capture_);
        testing::buildLiveryTables(liveries);
        startWorld(liveries);
        writeAirportFile();
    }

    void TearDown() override {
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
        gf_paramsSnapshotCell().publish(ParamsSnapshot{});
        gf_trafficMailbox().reset();
        if (previousChoices_) {
            gf_setStartupChoices(*previousChoices_);
        }
        AppTest::TearDown();
    }

    // The demo's world: a running flight with the user at a gate, Los Angeles' facility data
    // (runways and the FlightGear ground net's stands), the demo's liveries, no journal.
    void startWorld(const std::vector<testing::ReplayLivery>& liveries) {
        simworld::FacilityImportSources sources;
        sources.airportsCsv = testing::sharedPath(kAirportsCsv);
        sources.runwaysCsv = testing::sharedPath(kRunwaysCsv);
        sources.parkingXml = testing::sharedPath(kKlaxParking);
        simworld::WorldSetup setup;
        setup.simulator.flightRunning = true;
        setup.user.title = "Airbus A320 Neo FlyByWire";
        setup.user.atcModel = "A20N";
        setup.user.atcId = "N320SK";
        setup.user.groundElevationFeet = kLosAngelesElevationFt;
        simworld::TrackPoint gate;
        gate.latitudeDeg = std::getenv("G7") ? 33.9407012 : kUserGate.lat;
        gate.longitudeDeg = std::getenv("G7") ? -118.4065843 : kUserGate.lon;
        gate.headingDeg = std::getenv("G7") ? 272.0 : kUserGateHeadingDeg;
        setup.user.track = {gate};
        for (const testing::ReplayLivery& livery : liveries) {
            setup.liveries.push_back({livery.title, livery.model, 7.0, 0.0});
        }
        setup.aiObjects.assignDelaySeconds = 0.2;
        setup.aiObjects.removeDelaySeconds = 0.1;
        setup.aiObjects.maxObjects = 300;
        setup.aiObjects.tracePointsPerObject = 0;
        setup.journalMaxEntries = 0;
        setup.airports = {simworld::gf_importAirportFacilities("KLAX", sources)};
        world_ = std::make_shared<simworld::World>(std::move(setup), clock_);
        installation_.emplace(world_);
    }

    // The demo's KLAX file: the stands of the simulator's scenery, read as the program reads
    // an airport of the simulator, and on its gates flight options every day and half hour
    // for the capture's airliners in turn, so that static parking has a plan to make.
    void writeAirportFile() {
        AirportFile airport;
        std::int32_t helipads = 0;
        ASSERT_TRUE(gf_readParkingFacilities(stop_, "KLAX", airport, helipads));
        gf_closeFacilityConnection();
        airport.iata = IataCode("LAX");
        airport.publisher = "demo";
        // The ground net names some parkings alike (its "ga5" and "car5" are both PARKING 5):
        // an airport file holds each id once, and the demo keeps the first.
        std::set<std::string> ids;
        std::erase_if(airport.stands, [&](const Stand& s) { return !ids.insert(s.id).second; });
        const std::vector<std::pair<std::string, std::string>> airliners = captureAirliners();
        ASSERT_FALSE(airliners.empty());
        std::size_t gate = 0;
        for (Stand& stand : airport.stands) {
            if (!gf_standTypeName(stand.type).starts_with("GATE")) {
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
        ASSERT_TRUE(gf_writeApf(airport, folder / "KLAX.xml", ApfMode::learned, kHeaderSimMsfs2020,
                                true, std::nullopt, clock_));
    }

    // The airline (from the callsign, as RealTraffic keys them) and model of every airliner of
    // the capture, by its last report.
    std::vector<std::pair<std::string, std::string>> captureAirliners() const {
        std::set<std::pair<std::string, std::string>> airliners;
        for (const auto& [hexid, reports] : reports_) {
            const TrafficEntry& last = reports.back();
            const std::string& callsign = last.callsign;
            const bool flight =
                callsign.size() > 3 && std::isdigit(static_cast<unsigned char>(callsign[3])) &&
                std::all_of(callsign.begin(), callsign.begin() + 3,
                            [](char c) { return c >= 'A' && c <= 'Z'; });
            if (flight && last.key.model != 0) {
                airliners.emplace(callsign.substr(0, 3), gf_modelCode(last.key.model));
            }
        }
        return {airliners.begin(), airliners.end()};
    }

    // The capture's arrivals that it shows at rest at a stand: first reported landing
    // (airborne, or rolling faster than a taxi) with Los Angeles as destination, later reported
    // standing (0 kt) on the ground near a stand. By callsign.
    std::set<std::string> arrivalsAtStands() const {
        std::set<std::string> arrivals;
        for (const auto& [hexid, reports] : reports_) {
            const TrafficEntry& first = reports.front();
            if (first.destination != IataCode("LAX") ||
                (first.sample.airborne == 0 && first.sample.groundSpeedKt <= kFasterThanTaxiKt)) {
                continue;
            }
            const auto nearStand = [this](const TrafficSample& at) {
                return std::any_of(stands_.begin(), stands_.end(), [&](const Stand& stand) {
                    return gf_distanceNM(stand.position, {at.latitude, at.longitude}) * 1852.0 <=
                           kAtStandMetres;
                });
            };
            if (std::any_of(reports.begin(), reports.end(), [&](const TrafficEntry& r) {
                    return r.sample.airborne == 0 && r.sample.groundSpeedKt == 0 &&
                           nearStand(r.sample);
                })) {
                arrivals.insert(first.callsign);
            }
        }
        return arrivals;
    }

    std::vector<std::string> unexpectedMarkedLines() const {
        std::vector<std::string> lines;
        std::istringstream log(logText());
        for (std::string line; std::getline(log, line);) {
            if (line.starts_with(LogFile::kImportantPrefix) &&
                std::none_of(kExpectedMarkedLines.begin(), kExpectedMarkedLines.end(),
                             [&](const auto& expected) { return line == expected.first; })) {
                lines.push_back(line);
            }
        }
        return lines;
    }

    tools::Capture capture_;
    std::map<std::uint32_t, std::vector<TrafficEntry>> reports_;
    std::vector<Stand> stands_;
    std::shared_ptr<simworld::World> world_;
    std::optional<simworld::WorldInstallation> installation_;
    std::optional<StartupChoices> previousChoices_;
};

TEST_F(ProgramReplayTest, TheKlaxCaptureRunsThroughTheProgramsWiringAndItsArrivalsPark) {
    // The program's run context, with parking's stands for the simulator link.
    ParkingUserStands parkingStands(gf_parkingState(), gf_parkAirportList());
    MainRunContext run{clock_, gui_, stop_, requests_, user_, parkingStands};
    gf_trafficMailbox().reset();

    // The start-up's SimClient with the program's link work and queues, connected before the
    // loop runs as the start-up waits for the simulator; here it dispatches once every cycle.
    gf_resetSimTables();
    SimClient client(gf_simClientContext(run.services(), run.user, run.stands));
    ASSERT_EQ(client.connect(), SimClient::ConnectResult::connected);
    while (g_simConnectionState.load() != SimConnectionState::running) {
        ASSERT_TRUE(client.dispatchPass());
        clock_.advance(std::chrono::milliseconds(1));
    }

    testing::CaptureReplay replay(capture_, gf_trafficMailbox(), clock_);
    std::map<std::uint32_t, Parked> parked;
    std::map<std::uint32_t, Parked> parkedAtEnd;
    std::vector<LiveStayer> stayers;
    std::optional<Clock::SteadyTime> lastBurstFed;
    if (const char* only = std::getenv("ONLY")) {
        std::erase_if(reports_, [&](const auto& kv) { return kv.first != static_cast<std::uint32_t>(std::atoi(only)); });
        if (const char* seedText = std::getenv("SEED")) {
            unsigned seed = std::atoi(seedText);
            for (auto& [h, rs] : reports_) {
                std::vector<TrafficEntry> kept;
                for (auto& r : rs) { seed = seed * 1103515245u + 12345u; if ((seed >> 16) % 5 != 0) kept.push_back(r); }
                rs = kept;
            }
        }
    }
    const bool api = std::getenv("API") != nullptr;
    const double apiPeriod = api ? std::atof(std::getenv("API")) : 2.0;
    double firstTs = 1e300, lastTs = 0;
    for (const auto& [h, rs] : reports_) for (const auto& r : rs) { firstTs = std::min(firstTs, r.timestamp); lastTs = std::max(lastTs, r.timestamp); }
    const Clock::SteadyTime start = clock_.steadyNow();
    double nextPoll = 0;
    run.cycleObserver = [&](MainLoop& loop) {
        if (api) {
            const double el = std::chrono::duration<double>(clock_.steadyNow() - start).count();
            auto snapshot = [&](double moment) {
                std::vector<TrafficEntry> batch;
                const double m = firstTs + std::floor((moment - firstTs) / 5.0) * 5.0;
                for (const auto& [h, rs] : reports_) {
                    const TrafficEntry* latest = nullptr;
                    for (const auto& r : rs) if (r.timestamp <= m) latest = &r;
                    if (latest && m - latest->timestamp <= 60) { batch.push_back(*latest); if (batch.back().sample.airborne == 0) batch.back().sample.altitudeFt = 125; }
                }
                return batch;
            };
            static bool buffered = false;
            if (!buffered && std::getenv("APIBUF")) {
                buffered = true;
                for (int i = 0; i < 5; ++i) {
                    auto b = snapshot(firstTs + 100 - 6 * i);
                    gf_postTrafficBatch(b, TrafficBatchKind::buffered, (5 - i) * 6, false);
                }
            }
            if (el >= nextPoll && !lastBurstFed) {
                nextPoll += apiPeriod;
                const double nowTs = firstTs + el + (std::getenv("APIBUF") ? 100 : 0);
                if (std::getenv("APIBUF")) {
                    auto batch = snapshot(nowTs);
                    gf_postTrafficBatch(batch, TrafficBatchKind::live, 30, false);
                    if (nowTs > lastTs) lastBurstFed = clock_.steadyNow();
                    goto done;
                }
                std::vector<TrafficEntry> batch;
                for (const auto& [h, rs] : reports_) {
                    const TrafficEntry* latest = nullptr;
                    for (const auto& r : rs) if (r.timestamp <= nowTs) latest = &r;
                    if (latest && nowTs - latest->timestamp < 60) { batch.push_back(*latest); if (batch.back().sample.airborne == 0) batch.back().sample.altitudeFt = 125; }
                }
                gf_postTrafficBatch(batch, TrafficBatchKind::live, 30, false);
                if (nowTs > lastTs) lastBurstFed = clock_.steadyNow();
            }
            done:;
        } else
        if (!replay.feedDue() && !lastBurstFed) {
            lastBurstFed = clock_.steadyNow();
        }
        client.dispatchPass();
        TrafficState& traffic = loop.traffic();
        // Parked from the stand search of a taxi, not first seen at rest on a stand.
        for (const LiveAircraft& a : traffic.liveAircraft) {
            if (a.phase.phase == FlightPhase::parked && a.phase.previous == FlightPhase::parking &&
                !parked.contains(a.base.hexid)) {
                parked[a.base.hexid] = {a.base.callsign, clock_.steadyNow(), gf_currentDaySlot()};
            }
        }
        if (lastBurstFed && clock_.steadyNow() - *lastBurstFed >= kRunAfterLastBurst) {
            // How long each parked arrival has been parked, as the parking plan reads it.
            lf_collectLiveStayers(traffic, stayers);
            for (const LiveAircraft& a : traffic.liveAircraft) {
                if (a.phase.phase == FlightPhase::parked && parked.contains(a.base.hexid)) {
                    parkedAtEnd[a.base.hexid] = {a.base.callsign, clock_.steadyNow(),
                                                 a.stand.daySlot};
                }
            }
            gf_requestStop(stop_, StopReason::userClosedSim, 0);
        }
    };
    ProgramTraffic program(run);
    {
        MainLoop loop(run, program);
        loop.run();
    }
    // The program's close-down: the park airport's aircraft leave, then the SimClient removes
    // every object it still owns and closes, as its thread does when it is stopped.
    program.leaveParkAirport();
    client.shutdownCleanup();
    client.releaseConnection();
    LogFile::flush();

    // Nothing went wrong that the log marks.
    EXPECT_THAT(unexpectedMarkedLines(), ::testing::IsEmpty());
    // Arrivals taxi onto stands and park: at least those the capture shows at a stand.
    std::set<std::string> parkedCallsigns;
    for (const auto& [hexid, p] : parked) {
        parkedCallsigns.insert(p.callsign);
    }
    const std::set<std::string> arrivals = arrivalsAtStands();
    EXPECT_GE(arrivals.size(), 2u);
    for (const std::string& callsign : arrivals) {
        EXPECT_TRUE(parkedCallsigns.contains(callsign)) << callsign << " did not park";
    }
    // A parked aircraft's age is its real age: it counts from the half hour in which it parked,
    // and its minutes parked never exceed the time since.
    ASSERT_FALSE(parkedAtEnd.empty());
    for (const auto& [hexid, end] : parkedAtEnd) {
        const Parked& at = parked.at(hexid);
        EXPECT_EQ(end.daySlot, at.daySlot) << end.callsign;
        const auto stayer = std::find_if(stayers.begin(), stayers.end(), [&](const LiveStayer& s) {
            return s.callsign == end.callsign;
        });
        ASSERT_NE(stayer, stayers.end()) << end.callsign;
        const double minutesSince =
            std::chrono::duration<double, std::ratio<60>>(end.at - at.at).count();
        EXPECT_LE(stayer->minutes, minutesSince) << end.callsign;
    }
    // The close-down removed every object of the run from the simulator.
    EXPECT_THAT(world_->aiObjectIds(), ::testing::IsEmpty());
}

} // namespace
} // namespace skyloom

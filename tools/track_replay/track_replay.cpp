#include "tools/track_replay/track_replay.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <map>
#include <memory>
#include <stdexcept>

#include <fmt/format.h>

#include "config/params_snapshot.h"
#include "feed/app_traffic_assembler.h"
#include "feed/rt_app_datagram.h"
#include "foundation/geo_constants.h"
#include "foundation/manual_clock.h"
#include "parking/park_airport_list.h"
#include "parking/parking_park_airport.h"
#include "parking/parking_state.h"
#include "parking/static_parking_state.h"
#include "platform/simworld/installed_world.h"
#include "platform/simworld/world.h"
#include "refdata/park_airport.h"
#include "runtime/run_services.h"
#include "runtime/stop_request.h"
#include "runtime/user_aircraft.h"
#include "runtime/window_sink.h"
#include "sim/ai_position_batch.h"
#include "sim/sim_client.h"
#include "sim/sim_command_queue.h"
#include "sim/sim_event_queue.h"
#include "sim/sim_link_work.h"
#include "sim/sim_tables.h"
#include "sim/user_aircraft_stand.h"
#include "tools/rtapp_standin/capture.h"
#include "tools/track_replay/replay_tables.h"
#include "traffic/decode/message_decoder.h"
#include "traffic/step/live_update.h"
#include "traffic/step/traffic_mailbox.h"
#include "traffic/step/traffic_state.h"
#include "traffic/step/traffic_step.h"

namespace skyloom::tools {

namespace {

constexpr std::uint32_t kReplayHexid = 0xAC671B;
constexpr const char* kReplayLivery = "Boeing 737-900ER Delta";
constexpr const char* kReplayAirline = "DAL";
constexpr const char* kReplayModel = "B739";
constexpr double kTailSeconds = kReplayDelaySeconds + 10.0;

class QuietWindow final : public WindowSink {
public:
    void enqueueUpdate(GuiUpdate) noexcept override {}
    void clearStatusText() noexcept override {}
    void requestSimulatorSwitch() noexcept override {}
};

class NoStands final : public UserStandServices {
public:
    std::optional<std::string> standAtPosition(const Lalo&) const override { return std::nullopt; }
    std::optional<std::uint64_t> parkAirportKey() const override { return std::nullopt; }
    bool setParkAirportName(std::uint64_t, std::string_view) override { return false; }
};

// The reference tables and settings the replayed aircraft needs on its way through the
// decoder and the spawn: its model known as a jet, one livery for it, the live traffic open.
void lf_prepareTables() {
    gf_publishReplayDbase({{"Large", {kReplayModel}}});
    gf_buildReplayLiveryTables({{kReplayLivery, kReplayAirline, kReplayModel, ""}});
    gf_updateParamsSnapshot([](ParamsSnapshot& s) {
        s.MAX_LIVE_SEL = 500;
        s.MATCHING_DEPTH = 7;
        s.TCAS_FL = 180;
    });
}

simworld::WorldSetup lf_world(const TruePoint& start, double seconds) {
    simworld::WorldSetup setup;
    setup.simulator.flightRunning = true;
    setup.zuluStart = ManualClock::utcTime(2026, 1, 5, 12);
    simworld::TrackPoint user;
    user.latitudeDeg = start.latitude;
    user.longitudeDeg = start.longitude;
    setup.user.track.push_back(user);
    setup.liveries = {{kReplayLivery, kReplayModel, 7.2, 0.4}};
    setup.aiObjects.assignDelaySeconds = 0.1;
    setup.aiObjects.removeDelaySeconds = 0.05;
    // Every frame of the replay (the world sends 30 or fewer a second).
    setup.aiObjects.tracePointsPerObject = static_cast<std::size_t>(seconds * 40.0) + 1000;
    return setup;
}

// The replay runs in the program's process: what its link learned (the user's position, which
// the next client would take for a teleport) and the settings it changed end with it, as the
// program's close-down ends them.
class ReplayClosing {
public:
    explicit ReplayClosing(SimLinkWork& link) : link_(link) {}
    ReplayClosing(const ReplayClosing&) = delete;
    ReplayClosing& operator=(const ReplayClosing&) = delete;
    ~ReplayClosing() {
        gf_clearSimTables(link_);
        gf_paramsSnapshotCell().publish(*settings_);
    }

private:
    SimLinkWork& link_;
    std::shared_ptr<const ParamsSnapshot> settings_ = gf_paramsSnapshot();
};

std::string lf_datagram(const TruePoint& p) {
    return fmt::format(
        "AITFC,{},{:.6f},{:.6f},{:.0f},{:.0f},1,{:.0f},{:.0f},DAL1812,B739,N899DN,MSP,DEN",
        kReplayHexid, p.latitude, p.longitude, p.altitudeFt, p.verticalSpeedFpm, p.trackDeg,
        p.groundSpeedKt);
}

double lf_epochSeconds(Clock::UtcTime t) {
    return std::chrono::duration<double>(t.time_since_epoch()).count();
}

} // namespace

double gf_appCadenceSeconds(const std::filesystem::path& capture) {
    const Capture read = gf_readCapture(capture);
    std::map<std::string, double> lastSeen;
    std::vector<double> intervals;
    for (const CaptureBurst& burst : read.bursts) {
        for (const std::string& datagram : burst.datagrams) {
            const std::size_t a = datagram.find(',');
            const std::size_t b = datagram.find(',', a + 1);
            if (a == std::string::npos || b == std::string::npos) {
                continue;
            }
            const std::string id = datagram.substr(a + 1, b - a - 1);
            if (auto it = lastSeen.find(id); it != lastSeen.end() && burst.time > it->second) {
                intervals.push_back(burst.time - it->second);
            }
            lastSeen[id] = burst.time;
        }
    }
    if (intervals.empty()) {
        throw std::runtime_error(fmt::format("no aircraft repeats in {}", capture.string()));
    }
    std::nth_element(intervals.begin(), intervals.begin() + intervals.size() / 2, intervals.end());
    return intervals[intervals.size() / 2];
}

ReplayRun gf_replayTrack(const std::vector<TruePoint>& part, double cadenceSeconds) {
    if (part.size() < 2 || !(cadenceSeconds > 0)) {
        throw std::invalid_argument("a replay needs two points and a positive cadence");
    }
    ManualClock clock(ManualClock::utcTime(2026, 1, 5, 12));
    StopControl stop;
    QuietWindow window;
    UserAircraft user;
    NoStands stands;
    SimCommandQueue queue;
    AIPositionBatch batch;
    SimEventQueue events;
    SimLinkWork link(queue, batch);
    link.radiusMetres = [] { return 200000u; };
    const ReplayClosing closing(link);
    const double length = part.back().seconds - part.front().seconds;
    auto world =
        std::make_shared<simworld::World>(lf_world(part.front(), length + kTailSeconds), clock);
    simworld::WorldInstallation installation(world);
    SimClientContext context{RunServices{clock, stop, window}, user, stands};
    context.work = &link;
    context.events = &events;
    context.msfs2020 = true;
    SimClient client(context);
    if (client.connect() != SimClient::ConnectResult::connected) {
        throw std::runtime_error("the simulated world refused the connection");
    }

    std::atomic<std::uint32_t> tick{0};
    TrafficMailbox mailbox(clock, stop, tick);
    // No park airport: the replay flies, it does not park.
    ParkingState parking;
    ParkAirportList parkAirports;
    ParkAirportEntry parkEntry;
    StaticParkingState plan;
    ParkingParkAirport parkAirport(parking, parkAirports, parkEntry, user, plan, window);
    const RunServices services{clock, stop, window};
    TrafficState state(
        TrafficLinks{queue, events, batch, tick, mailbox, user, services, parkAirport});
    lf_initTrafficState(state);
    lf_prepareTables();
    LiveTrafficDecoder decoder(state);
    mailbox.setDecoder(&decoder);
    mailbox.enable(true);
    AppTrafficAssembler assembler(
        "track_replay",
        {[&mailbox](std::vector<TrafficEntry>& b, TrafficBatchKind kind, std::uint32_t base,
                    bool dropWhenOff) { return mailbox.post(b, kind, base, dropWhenOff); }});

    ReplayRun run;
    const double start = part.front().seconds;
    const auto totalMs = static_cast<long>((length + kTailSeconds) * 1000.0);
    double nextReport = 0;
    std::uint32_t objectId = 0;
    std::map<long, FlightPhase> phaseAt; // by world millisecond
    for (long ms = 0; ms < totalMs; ++ms) {
        if (ms % 10 == 0) {
            const double now = ms / 1000.0;
            if (nextReport <= length && now >= nextReport) {
                const double epoch = lf_epochSeconds(clock.utcNow());
                const TruePoint report = gf_truePointAt(part, start + nextReport);
                const std::string datagram = gf_rttfcFromAitfc(lf_datagram(report), epoch);
                assembler.handleDatagram(datagram, clock.steadyNow(), clock.utcNow());
                assembler.handleDatagram(kLiveEndMarker, clock.steadyNow(), clock.utcNow());
                run.reports.push_back({report.seconds, report.trackDeg, report.verticalSpeedFpm});
                nextReport += cadenceSeconds;
            }
            lf_handleAddingStack(state);
            batch.commit(gf_steadyNanoseconds(clock));
            if (const LiveAircraft* a = state.findByHexid(kReplayHexid); a != nullptr) {
                objectId = a->objectId != 0 ? a->objectId : objectId;
                phaseAt[ms] = a->phase.phase;
                run.removed = run.removed || a->simState == SimState::removingfromsim;
            }
        }
        clock.advance(std::chrono::milliseconds(1));
        client.dispatchPass();
    }
    const double worldStart = world->secondsSinceStart() - totalMs / 1000.0;
    for (const simworld::TracePoint& p : world->trace(objectId)) {
        if (p.source != simworld::TraceSource::written) {
            continue;
        }
        const double sinceStart = p.seconds - worldStart;
        auto phase = phaseAt.upper_bound(static_cast<long>(sinceStart * 1000.0));
        run.frames.push_back(
            {start + sinceStart - kReplayDelaySeconds, p.latitudeDeg, p.longitudeDeg,
             p.altitudeFeet, p.headingTrueRad, p.bankRad,
             phase == phaseAt.begin() ? FlightPhase::flying : std::prev(phase)->second});
    }
    return run;
}

} // namespace skyloom::tools

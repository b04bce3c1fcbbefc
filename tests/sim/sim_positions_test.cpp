// AI positions from the traffic step to the simulated world: smooth motion across the
// antimeridian and north with nothing written to the user's object, a held batch mutex that
// never blocks a frame, jumps, epochs and removals, a refused position write, the diagnostic,
// and the tables around a run.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <future>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "foundation/log_file.h"
#include "foundation/text.h"
#include "platform/simworld/earth_math.h"
#include "sim/ai_object_table.h"
#include "sim/sim_ids.h"
#include "sim/sim_link_state.h"
#include "sim/sim_tables.h"
#include "tests/sim/support/link_fixture.h"

namespace skyloom::testing {
namespace {

using ::testing::Contains;
using ::testing::IsEmpty;
using ::testing::SizeIs;
using ::testing::StartsWith;

constexpr double kPi = std::numbers::pi;

// A flight to and fro across the antimeridian at 250 kt, 0.31 s each way, climbing 1500 ft a
// minute, its nose turning 3 degrees a second to and fro across north (half a leg apart). The
// crossings fall between the traffic step's samples and, leg after leg, at other moments of
// the frames.
struct Track {
    double latitude = 0.5;
    double knots = 250;
    double legSeconds = 0.31;
    double feetPerSecond = 25;
    double degreesPerSecond = 3;

    // Seconds from the middle of the current leg, positive going east (or right).
    double swing(double seconds) const {
        const double phase = std::fmod(seconds + 0.005, 2 * legSeconds);
        return (phase < legSeconds ? phase : 2 * legSeconds - phase) - legSeconds / 2;
    }
    AIPosition at(double seconds) const {
        AIPosition p;
        p.latitude = latitude;
        const double nm = knots * swing(seconds) / 3600.0;
        p.longitude =
            simworld::gf_wrapLongitude(180.0 + nm / 60.0 / std::cos(latitude * kPi / 180.0));
        p.altitude = 3000 + feetPerSecond * seconds;
        const double heading = degreesPerSecond * swing(seconds + legSeconds / 2) * kPi / 180.0;
        p.headingTrue = heading < 0 ? heading + 2 * kPi : heading;
        p.trueAirspeed = knots;
        p.verticalSpeed = feetPerSecond * 60;
        return p;
    }
};

class SimPositionsTest : public LinkTest {
protected:
    // A world whose objects drift as long as they are not frozen, so that a missing freeze
    // shows in the trace.
    static simworld::WorldSetup driftingSetup() {
        simworld::WorldSetup setup = aiSetup();
        setup.aiObjects.driftKnots = 40;
        setup.aiObjects.driftFeetPerMinute = -300;
        setup.aiObjects.driftDegreesPerSecond = 1;
        return setup;
    }
    std::uint32_t createAt(const AIPosition& p, std::uint32_t hexid = 0x4b1801,
                           const std::string& callsign = "SWR12") {
        SimCreateRequest request = createRequest(hexid, callsign);
        request.position = SIMCONNECT_DATA_INITPOSITION{
            p.latitude, p.longitude, p.altitude, 0, 0, p.headingTrue * 180 / kPi, 0, 250};
        queue_.push(request);
        run(0.2);
        const auto ids = assignedIds(drainEvents());
        EXPECT_THAT(ids, SizeIs(1));
        return ids.empty() ? 0 : ids.front();
    }
    std::int64_t now() const { return gf_steadyNanoseconds(clock_); }
    std::vector<std::string> positionWrites(std::uint32_t objectId) const {
        return journalCalls(fmt::format("SimConnect_SetDataOnSimObject(402, {},", objectId));
    }
};

TEST_F(SimPositionsTest, AMovingObjectsTraceIsSmoothAndTheUsersObjectIsNeverWritten) {
    connect(driftingSetup());
    g_userObjectId.store(world_->setup().user.objectId);
    const Track track;
    const std::uint32_t id = createAt(track.at(0));
    ASSERT_NE(id, 0u);
    const std::int64_t start = now();
    run(3.0, [&] {
        const double t = static_cast<double>(now() - start) * 1e-9;
        batch_.setCurrent(id, track.at(t));
        // A position for the user's own object must never reach the simulator.
        batch_.setCurrent(g_userObjectId.load(), track.at(t));
    });

    const std::vector<simworld::TracePoint> trace = world_->trace(id);
    ASSERT_GT(trace.size(), 80u); // 30 frames a second
    EXPECT_EQ(trace.front().source, simworld::TraceSource::created);
    int crossings = 0;
    for (std::size_t i = 1; i < trace.size(); ++i) {
        const simworld::TracePoint& a = trace[i - 1];
        const simworld::TracePoint& b = trace[i];
        SCOPED_TRACE(
            fmt::format("{:.3f} s: {:.6f} to {:.6f}", b.seconds, a.longitudeDeg, b.longitudeDeg));
        ASSERT_EQ(b.source, simworld::TraceSource::written);
        const double dt = b.seconds - a.seconds;
        ASSERT_GT(dt, 0.0);
        const double nm = simworld::gf_earthDistanceNm(a.latitudeDeg, a.longitudeDeg, b.latitudeDeg,
                                                       b.longitudeDeg);
        // The track counts 60 NM to a degree; the world's earth is 0.07 % larger.
        EXPECT_LE(nm, track.knots / 3600.0 * dt * 1.001);
        EXPECT_LE(std::abs(b.altitudeFeet - a.altitudeFeet), track.feetPerSecond * dt + 1e-6);
        const double turn = std::remainder(b.headingTrueRad - a.headingTrueRad, 2 * kPi);
        EXPECT_LE(std::abs(turn), track.degreesPerSecond * kPi / 180 * dt + 1e-9);
        EXPECT_GE(b.headingTrueRad, 0.0);
        EXPECT_LT(b.headingTrueRad, 2 * kPi);
        EXPECT_GE(b.longitudeDeg, -180.0);
        EXPECT_LE(b.longitudeDeg, 180.0);
        crossings += (a.longitudeDeg > 0) != (b.longitudeDeg > 0) ? 1 : 0;
    }
    EXPECT_GE(crossings, 9);
    // Where the object was shown last: 20 ms behind the traffic step.
    const AIPosition expected = track.at(static_cast<double>(now() - start) * 1e-9 - 0.02);
    EXPECT_NEAR(trace.back().longitudeDeg, expected.longitude, 0.0003);
    EXPECT_THAT(world_->trace(SIMCONNECT_OBJECT_ID_USER), IsEmpty());
    EXPECT_THAT(positionWrites(g_userObjectId.load()), IsEmpty());
    EXPECT_THAT(positionWrites(SIMCONNECT_OBJECT_ID_USER), IsEmpty());
}

TEST_F(SimPositionsTest, AHeldBatchMutexNeverBlocksAFrame) {
    connect();
    const Track track;
    const std::uint32_t id = createAt(track.at(0));
    const std::int64_t start = now();
    const auto tick = [&] {
        batch_.setCurrent(id, track.at(static_cast<double>(now() - start) * 1e-9));
    };
    run(0.2, tick);
    // One more step, committed but not yet taken.
    tick();
    const std::int64_t committed = now();
    batch_.commit(committed);

    std::promise<void> held;
    std::promise<void> framesDone;
    std::thread traffic([&] {
        const auto lock = batch_.hold();
        held.set_value();
        // Should the frames block after all, the hold ends after a while and the assertions
        // below see that the frames took the batch.
        framesDone.get_future().wait_for(std::chrono::seconds(30));
    });
    held.get_future().wait();
    queue_.push(SimCommand{id, EVENT_GEAR_SET, 1});
    const std::size_t writesBefore = positionWrites(id).size();
    run(0.1); // three frames, no traffic step (it holds the mutex)
    const std::int64_t newestShown = link_.history(id)->samples.back().timeNs;
    const std::size_t writesDuring = positionWrites(id).size() - writesBefore;
    framesDone.set_value();
    traffic.join();

    // The frames went on: commands executed, positions written from the histories...
    EXPECT_THAT(journalCalls("SimConnect_TransmitClientEvent"),
                Contains(StartsWith(fmt::format("SimConnect_TransmitClientEvent({}, 219, 1", id))));
    EXPECT_GE(writesDuring, 3u);
    // ... but nothing was taken while the traffic thread held the batch.
    EXPECT_LT(newestShown, committed);
    run(0.04);
    EXPECT_EQ(link_.history(id)->samples.back().timeNs, committed);
}

TEST_F(SimPositionsTest, AJumpShowsAtOnceAndANewEpochForgetsTheHistories) {
    connect();
    const Track track;
    const std::uint32_t id = createAt(track.at(0));
    const std::int64_t start = now();
    double shift = 0;
    const auto tick = [&] {
        AIPosition p = track.at(static_cast<double>(now() - start) * 1e-9);
        p.latitude += shift;
        batch_.setCurrent(id, p);
    };
    run(0.5, tick);
    shift = 0.05; // 5.6 km north
    run(0.04, tick);
    const auto trace = world_->trace(id);
    ASSERT_GE(trace.size(), 2u);
    // The first frame that took the jump shows the object at its new place, not on the way.
    const simworld::TracePoint& last = trace.back();
    EXPECT_NEAR(last.latitudeDeg, track.latitude + 0.05, 1e-9);
    // The history restarted: no sample of before the jump is left.
    for (std::size_t i = 0; i < link_.history(id)->samples.size(); ++i) {
        EXPECT_NEAR(link_.history(id)->samples[i].position.latitude, track.latitude + 0.05, 1e-9);
    }

    EXPECT_EQ(link_.historyCount(), 1u);
    batch_.empty(); // the main loop fell behind
    run(0.04);      // frames, no traffic step
    EXPECT_EQ(link_.historyCount(), 0u);
    run(0.04, tick);
    EXPECT_EQ(link_.historyCount(), 1u);

    // Object ids belong to their connection: a new one starts without histories, and what was
    // queued or committed for the previous connection's objects never reaches the new one.
    batch_.setCurrent(id, track.at(1.0));
    batch_.commit(now());
    queue_.push(SimCommand{id, EVENT_GEAR_SET, 1});
    ASSERT_GT(batch_.pendingCount(), 0u);
    link_.forgetConnection();
    EXPECT_EQ(link_.historyCount(), 0u);
    EXPECT_EQ(queue_.waitingCount(), 0u);
    EXPECT_EQ(batch_.pendingCount(), 0u);
}

TEST_F(SimPositionsTest, AfterItsRemovalAnObjectGetsNoFurtherPosition) {
    connect();
    const Track track;
    const std::uint32_t id = createAt(track.at(0));
    const std::int64_t start = now();
    bool removed = false;
    run(0.3, [&] {
        if (!removed) {
            batch_.setCurrent(id, track.at(static_cast<double>(now() - start) * 1e-9));
        }
    });
    ASSERT_FALSE(positionWrites(id).empty());
    // The traffic step's last position of the object and its removal in one step.
    batch_.setCurrent(id, track.at(0.31));
    gf_queueRemoveAIObject(queue_, batch_, id);
    removed = true;
    world_->clearJournal();
    run(0.3, [] {});
    // The frame that removes it may still show it once: positions go before commands.
    std::vector<std::string> calls;
    for (const simworld::JournalEntry& e : world_->journal()) {
        if (e.kind == simworld::JournalKind::call &&
            (e.text.starts_with("SimConnect_AIRemoveObject") ||
             e.text.starts_with(fmt::format("SimConnect_SetDataOnSimObject(402, {},", id)))) {
            calls.push_back(e.text.substr(0, e.text.find('(')));
        }
    }
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back(), "SimConnect_AIRemoveObject");
    EXPECT_LE(calls.size(), 2u);
    EXPECT_EQ(link_.history(id), nullptr);
    EXPECT_THAT(journalCalls("SimConnect_AIRemoveObject"), SizeIs(1));
}

TEST_F(SimPositionsTest, ARefusedPositionWriteEndsTheRunAndTheFrame) {
    simworld::WorldSetup setup = aiSetup();
    connect(setup);
    const Track track;
    const std::uint32_t first = createAt(track.at(0), 0x111111, "AAA1");
    const std::uint32_t second = createAt(track.at(0), 0x222222, "BBB2");
    simworld::FaultSetup fail;
    fail.kind = simworld::FaultKind::failCall;
    fail.function = "SimConnect_SetDataOnSimObject";
    world_->addFault(fail);
    world_->clearJournal();
    run(0.05, [&] {
        batch_.setCurrent(first, track.at(0));
        batch_.setCurrent(second, track.at(0));
    });
    // One write failed, and the other object got none in that frame or after.
    const auto writes = journalCalls("SimConnect_SetDataOnSimObject(402");
    ASSERT_THAT(writes, SizeIs(1));
    const std::uint32_t refused =
        writes[0].starts_with(fmt::format("SimConnect_SetDataOnSimObject(402, {},", first))
            ? first
            : second;
    EXPECT_EQ(logCount(fmt::format("==> SimConnect_SetDataOnSimObject batch failed, objectid: {}",
                                   gf_hexidText(refused))),
              1u);
    EXPECT_EQ(g_simConnectionState.load(), SimConnectionState::requestError);
    EXPECT_EQ(stop_.current(), (StopRequest{StopReason::simConnectError, 9}));
    // The diagnostic names the refused write.
    const auto report = link_.lastPositionUpdate();
    ASSERT_TRUE(report);
    EXPECT_EQ(report->objectId, refused);
    EXPECT_EQ(static_cast<std::uint32_t>(report->result), 0x80004005u);
    EXPECT_EQ(report->callsign, refused == first ? "AAA1" : "BBB2");
    client_->logDiagnostic();
    EXPECT_TRUE(logHas(fmt::format(
        "SimConnect diagnostic: last AI position update callsign='{}', objectid={}, "
        "result=0x80004005, position=0.500000,179.999826, altitude=3000.0 ft, pitch=0.000 rad, "
        "bank=0.000 rad, heading=0.000 rad, VS=1500.0 fpm, TAS=250.0 kt",
        refused == first ? "AAA1" : "BBB2", gf_hexidText(refused))));
}

// How a frame's first request meets the simulator's end: the quit seen first (a frame still
// handed on after the QUIT), the request failing first (the QUIT still behind the frame, as
// when the simulator quits while the frame is in hand), or the simulator refusing it.
enum class FrameEnd { quitThenFrame, writeThenQuit, createThenQuit, refusedWrite };

struct FrameEndCase {
    const char* name;
    FrameEnd end;
};

TEST_F(SimPositionsTest, ARequestThatFindsTheSimulatorGoneIsItsQuitInEitherOrder) {
    // Frames come at 1.000 and 1.033 s: the quit falls between them.
    constexpr double kQuitAtS = 1.01;
    constexpr double kBackAtS = 1.5;
    const std::vector<FrameEndCase> cases = {
        {"the QUIT, then a frame", FrameEnd::quitThenFrame},
        {"a position write, then the QUIT", FrameEnd::writeThenQuit},
        {"a create, then the QUIT", FrameEnd::createThenQuit},
        {"a refused position write", FrameEnd::refusedWrite},
    };
    for (const FrameEndCase& c : cases) {
        SCOPED_TRACE(c.name);
        simworld::WorldSetup setup = aiSetup();
        if (c.end != FrameEnd::refusedWrite) {
            for (const auto& [at, kind] :
                 {std::pair{kQuitAtS, simworld::TimelineEventKind::quit},
                  std::pair{kBackAtS, simworld::TimelineEventKind::launch},
                  std::pair{kBackAtS, simworld::TimelineEventKind::flightStart}}) {
                simworld::TimelineEvent event;
                event.atSeconds = at;
                event.kind = kind;
                setup.timeline.push_back(event);
            }
        }
        connect(setup);
        LogFile::openIn(dir_.path());
        stop_.reset();
        const Track track;
        const std::uint32_t id = c.end == FrameEnd::createThenQuit ? 0 : createAt(track.at(0));
        const auto tick = [&] {
            if (id != 0) {
                batch_.setCurrent(id, track.at(0));
            }
        };
        // Up to the last frame before the quit, positions flowing.
        run(0.99 - worldSeconds(), tick);
        if (id != 0) {
            ASSERT_FALSE(positionWrites(id).empty());
        }
        tick();
        batch_.commit(now());
        if (c.end == FrameEnd::createThenQuit) {
            queue_.push(createRequest(0x4b1802, "SWR13"));
        }
        if (c.end == FrameEnd::refusedWrite) {
            simworld::FaultSetup fail;
            fail.kind = simworld::FaultKind::failCall;
            fail.function = "SimConnect_SetDataOnSimObject";
            world_->addFault(fail);
        }
        if (c.end == FrameEnd::quitThenFrame) {
            // The frame of 1.000 s goes by; the QUIT comes alone, then a frame behind it.
            advance(kQuitAtS - 0.005 - worldSeconds());
            client_->dispatchPass();
            tick();
            batch_.commit(now());
            advance(0.01);
            EXPECT_FALSE(client_->dispatchPass());
            SIMCONNECT_RECV_EVENT_FRAME frame{};
            frame.size = sizeof(frame);
            frame.version = 4;
            frame.dwID = SIMCONNECT_RECV_ID_EVENT_FRAME;
            frame.uEventID = EVENT_FRAME;
            client_->handleMessage(frame, sizeof(frame));
        } else {
            // One dispatch hands on the frame of 1.000 s and, behind it, the QUIT of 1.010 s:
            // the frame's first request meets a simulator that is gone.
            advance(kQuitAtS + 0.005 - worldSeconds());
            client_->dispatchPass();
        }

        const std::vector<std::string> failed = journalCalls("SimConnect_");
        const auto quitCalls = std::count_if(failed.begin(), failed.end(), [](const auto& call) {
            return call.find("(simulator quit)") != std::string::npos;
        });
        if (c.end == FrameEnd::refusedWrite) {
            EXPECT_EQ(g_simConnectionState.load(), SimConnectionState::requestError);
            EXPECT_EQ(stop_.current(), (StopRequest{StopReason::simConnectError, 9}));
            EXPECT_EQ(
                logCount(fmt::format("==> SimConnect_SetDataOnSimObject batch failed, objectid: {}",
                                     gf_hexidText(id))),
                1u);
        } else {
            // The quit: the link waits for the simulator's next start, and the run goes on.
            EXPECT_EQ(g_simConnectionState.load(), SimConnectionState::notConnected);
            EXPECT_FALSE(stop_.stopRequested());
            EXPECT_EQ(client_->flags().stopDispatch, 1);
            EXPECT_EQ(logCount("SimConnect request error"), 0u);
            // One request at most met the closed link; nothing of the frame came after it.
            EXPECT_EQ(quitCalls, c.end == FrameEnd::quitThenFrame ? 0 : 1);
            const std::string gone =
                "hr=0x8007006D (The pipe has been ended.); the simulator is gone";
            const std::string line =
                c.end == FrameEnd::writeThenQuit
                    ? fmt::format("SimConnect_SetDataOnSimObject batch failed, objectid: {}: {}",
                                  gf_hexidText(id), gone)
                    : fmt::format("! create failed hr=0x8007006D, requestId:{}, callsign:SWR13: {}",
                                  g_nextCreateRequestId.load() - 1, gone);
            EXPECT_EQ(logCount(line), c.end == FrameEnd::quitThenFrame ? 0u : 1u);
            EXPECT_EQ(client_->afterDispatch(), SimClient::AfterDispatch::reconnect);
            // The simulator back: a new connection, nothing of the old one carried over.
            advance(kBackAtS + 0.01 - worldSeconds());
            EXPECT_EQ(client_->connect(), SimClient::ConnectResult::connected);
            EXPECT_TRUE(link_.objects().owned().empty());
            EXPECT_EQ(link_.historyCount(), 0u);
        }
        client_.reset();
        installation_.reset();
        g_simConnectionState.store(SimConnectionState::notConnected);
    }
}

TEST_F(SimPositionsTest, TheTablesAroundARunStartAndEndEmpty) {
    connect();
    const Track track;
    const std::uint32_t id = createAt(track.at(0));
    run(0.1, [&] { batch_.setCurrent(id, track.at(0)); });
    queue_.push(createRequest(0x333333, "CCC3")); // still pending when the run ends
    run(0.05);
    queue_.push(SimCommand{id, EVENT_GEAR_SET, 1});
    batch_.setCurrent(id, track.at(0));
    ASSERT_TRUE(link_.lastPositionUpdate());
    ASSERT_EQ(link_.objects().pendingCreateCount(), 1u);
    const std::uint64_t epoch = batch_.epoch();
    client_.reset();

    g_simConnectionState.store(SimConnectionState::requestError);
    gf_clearSimTables(link_);
    EXPECT_EQ(g_simConnectionState.load(), SimConnectionState::notConnected);
    EXPECT_EQ(batch_.epoch(), epoch + 1);
    EXPECT_EQ(batch_.currentCount(), 0u);
    EXPECT_EQ(batch_.pendingCount(), 0u);
    EXPECT_EQ(queue_.waitingCount(), 0u);
    EXPECT_EQ(link_.historyCount(), 0u);
    EXPECT_EQ(link_.objects().pendingCreateCount(), 0u);
    EXPECT_EQ(link_.objects().packetIndexCount(), 0u);
    EXPECT_FALSE(link_.objects().callsign(id));
    EXPECT_FALSE(link_.lastPositionUpdate());

    batch_.setCurrent(id, track.at(0));
    batch_.commit(now());
    gf_resetSimTables(link_);
    EXPECT_EQ(batch_.epoch(), epoch + 2);
    EXPECT_EQ(batch_.pendingCount(), 0u);
    EXPECT_EQ(batch_.currentCount(), 0u);
}

} // namespace
} // namespace skyloom::testing

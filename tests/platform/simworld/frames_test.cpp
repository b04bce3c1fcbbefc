// Frames come at the world's rate only while a flight runs; flight start and stop send the
// "Sim" event; a client that falls behind misses frames beyond the backlog.
#include <gmock/gmock.h>

#include "support/world_fixture.h"

namespace skyloom::simworld::testing {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;

class FramesTest : public WorldTest {
protected:
    // A world with frames at 10 Hz and a flight from 1 s to 3 s, and a client subscribed to
    // "Sim" (201) and "Frame" (204).
    void startFlightWindow() {
        WorldSetup setup;
        setup.frames.rateHz = 10;
        setup.timeline = {gf_timelineEvent(1.0, TimelineEventKind::flightStart),
                          gf_timelineEvent(3.0, TimelineEventKind::flightStop)};
        start(setup);
        client_.emplace();
        ASSERT_TRUE(client_->opened());
        SimConnect_SubscribeToSystemEvent(client_->handle(), 201, "Sim");
        SimConnect_SubscribeToSystemEvent(client_->handle(), 204, "Frame");
        client_->dispatch(); // OPEN and "Sim" 0
    }

    // Dispatches every 50 ms up to `until` seconds since the world's start.
    std::vector<Received> runUntil(double until) {
        std::vector<Received> all;
        while (world_->secondsSinceStart() < until - 1e-9) {
            advance(0.05);
            for (Received& m : client_->dispatch()) {
                all.push_back(std::move(m));
            }
        }
        return all;
    }

    std::optional<TestClient> client_;
};

TEST_F(FramesTest, FramesOnlyWhileTheFlightRuns) {
    startFlightWindow();
    EXPECT_TRUE(runUntil(0.95).empty());

    const auto during = runUntil(3.0);
    const auto frames = gf_ofKind(during, SIMCONNECT_RECV_ID_EVENT_FRAME);
    EXPECT_EQ(frames.size(), 19u); // 1.1 s to 2.9 s; the stop at 3.0 s comes first
    const auto frame = frames.front().as<SIMCONNECT_RECV_EVENT_FRAME>();
    EXPECT_EQ(frames.front().size, sizeof(SIMCONNECT_RECV_EVENT_FRAME));
    EXPECT_EQ(frame.uEventID, 204u);
    EXPECT_FLOAT_EQ(frame.framesPerSecond, 10.0f);
    EXPECT_FLOAT_EQ(frame.simulationRate, 1.0f);

    const auto sims = gf_ofKind(during, SIMCONNECT_RECV_ID_EVENT);
    ASSERT_EQ(sims.size(), 2u);
    EXPECT_EQ(sims[0].as<SIMCONNECT_RECV_EVENT>().dwData, 1u);
    EXPECT_EQ(sims[1].as<SIMCONNECT_RECV_EVENT>().dwData, 0u);

    EXPECT_TRUE(gf_ofKind(runUntil(6.0), SIMCONNECT_RECV_ID_EVENT_FRAME).empty());
    EXPECT_FALSE(world_->flightRunning());
}

TEST_F(FramesTest, SimEventsArriveInTimeOrderWithTheFrames) {
    startFlightWindow();
    advance(4.0); // one dispatch after the whole flight
    const auto messages = client_->dispatch();
    ASSERT_EQ(messages.size(), 21u);
    EXPECT_EQ(messages.front().id, SIMCONNECT_RECV_ID_EVENT);
    EXPECT_EQ(messages.front().as<SIMCONNECT_RECV_EVENT>().dwData, 1u);
    EXPECT_EQ(messages.back().id, SIMCONNECT_RECV_ID_EVENT);
    EXPECT_EQ(messages.back().as<SIMCONNECT_RECV_EVENT>().dwData, 0u);
}

TEST_F(FramesTest, UnsubscribedConnectionGetsNoFrames) {
    startFlightWindow();
    TestClient quiet("PARKING_DATA_RDR");
    advance(2.0);
    const auto messages = quiet.dispatch();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].id, SIMCONNECT_RECV_ID_OPEN);
}

TEST_F(FramesTest, ALaggingClientMissesFramesBeyondTheBacklog) {
    WorldSetup setup = gf_runningSetup();
    setup.frames.rateHz = 30;
    setup.frames.maxBacklog = 5;
    start(setup);
    TestClient client;
    SimConnect_SubscribeToSystemEvent(client.handle(), 204, "Frame");
    client.dispatch();
    advance(1.0);
    EXPECT_EQ(gf_ofKind(client.dispatch(), SIMCONNECT_RECV_ID_EVENT_FRAME).size(), 5u);
    EXPECT_THAT(world_->journalLines(), Contains(HasSubstr("(25 frames missed before)")));
    advance(0.11);
    EXPECT_EQ(gf_ofKind(client.dispatch(), SIMCONNECT_RECV_ID_EVENT_FRAME).size(), 3u);
}

TEST_F(FramesTest, FlightLoadedNamesTheFile) {
    WorldSetup setup;
    TimelineEvent loaded = gf_timelineEvent(2.0, TimelineEventKind::flightLoaded);
    loaded.file = "flights\\custom\\LOWI.FLT";
    setup.timeline = {loaded};
    start(setup);
    TestClient client;
    SimConnect_SubscribeToSystemEvent(client.handle(), 205, "FlightLoaded");
    client.dispatch();
    advance(2.0);
    const auto messages = client.dispatch();
    ASSERT_EQ(messages.size(), 1u);
    ASSERT_EQ(messages[0].id, SIMCONNECT_RECV_ID_EVENT_FILENAME);
    EXPECT_EQ(messages[0].size, sizeof(SIMCONNECT_RECV_EVENT_FILENAME));
    const auto event = messages[0].as<SIMCONNECT_RECV_EVENT_FILENAME>();
    EXPECT_EQ(event.uEventID, 205u);
    EXPECT_STREQ(event.fileName, "flights\\custom\\LOWI.FLT");
}

TEST_F(FramesTest, FlightLoadedCanComeAsAPlainEvent) {
    WorldSetup setup;
    TimelineEvent loaded = gf_timelineEvent(2.0, TimelineEventKind::flightLoaded);
    loaded.plainEvent = true;
    setup.timeline = {loaded};
    start(setup);
    TestClient client;
    SimConnect_SubscribeToSystemEvent(client.handle(), 205, "FlightLoaded");
    client.dispatch();
    advance(2.0);
    const auto messages = client.dispatch();
    ASSERT_EQ(messages.size(), 1u);
    ASSERT_EQ(messages[0].id, SIMCONNECT_RECV_ID_EVENT);
    EXPECT_EQ(messages[0].size, sizeof(SIMCONNECT_RECV_EVENT));
    const auto event = messages[0].as<SIMCONNECT_RECV_EVENT>();
    EXPECT_EQ(event.uEventID, 205u);
    EXPECT_EQ(event.dwData, 0u);
    EXPECT_THAT(world_->journalLines(),
                Contains("    2.000 -- * flight loaded (told as a plain EVENT)"));
}

} // namespace
} // namespace skyloom::simworld::testing

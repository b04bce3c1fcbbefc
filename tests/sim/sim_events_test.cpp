// The simulator events: the double-buffered queue, the filters of the AI position report, and
// the events the SimClient posts from the world's messages (position reports, static centre of
// gravity and pitch, removed aircraft).
#include <cstring>
#include <stdexcept>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/simconnect/simconnect.h"
#include "sim/sim_event_filters.h"
#include "sim/sim_event_queue.h"
#include "sim/sim_ids.h"
#include "sim/sim_link_state.h"
#include "tests/sim/support/sim_test_support.h"

namespace skyloom::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

SimEvent lf_event(std::uint32_t objectId, SimEventKind kind, double x = 0, double y = 0,
                  std::uint32_t value1 = 0) {
    SimEvent event;
    event.objectId = objectId;
    event.value1 = value1;
    event.kind = kind;
    event.x = x;
    event.y = y;
    return event;
}

std::vector<SimEvent> lf_drainAll(SimEventQueue& queue) {
    std::vector<SimEvent> out;
    queue.drain([&](const SimEvent& event) { out.push_back(event); });
    return out;
}

// --- The queue ---

TEST(SimEventQueueTest, EventsComeOutInPostingOrderAndOnlyOnce) {
    SimEventQueue queue;
    EXPECT_EQ(queue.drain([](const SimEvent&) { FAIL() << "nothing was posted"; }), 0u);
    for (std::uint32_t id = 1; id <= 3; ++id) {
        queue.post(lf_event(id, SimEventKind::objectRemoved));
    }
    EXPECT_EQ(queue.waitingCount(), 3u);
    const auto first = lf_drainAll(queue);
    ASSERT_EQ(first.size(), 3u);
    EXPECT_EQ(first[0].objectId, 1u);
    EXPECT_EQ(first[2].objectId, 3u);
    EXPECT_EQ(queue.waitingCount(), 0u);
    EXPECT_THAT(lf_drainAll(queue), IsEmpty());
    // The buffers swap back and forth without mixing old and new.
    queue.post(lf_event(4, SimEventKind::liveAssigned));
    EXPECT_THAT(lf_drainAll(queue), ElementsAre(lf_event(4, SimEventKind::liveAssigned)));
}

TEST(SimEventQueueTest, AThrowingHandlerLosesNothingAndKeepsTheOrder) {
    SimEventQueue queue;
    for (std::uint32_t id = 1; id <= 4; ++id) {
        queue.post(lf_event(id, SimEventKind::objectRemoved));
    }
    std::vector<std::uint32_t> seen;
    EXPECT_THROW(queue.drain([&](const SimEvent& event) {
        seen.push_back(event.objectId);
        if (event.objectId == 2) {
            throw std::runtime_error("bad event");
        }
    }),
                 std::runtime_error);
    queue.post(lf_event(5, SimEventKind::objectRemoved));
    EXPECT_EQ(queue.drain([&](const SimEvent& event) { seen.push_back(event.objectId); }), 3u);
    EXPECT_THAT(seen, ElementsAre(1u, 2u, 3u, 4u, 5u));
}

TEST(SimEventQueueTest, ClearEmptiesBothBuffers) {
    SimEventQueue queue;
    queue.post(lf_event(1, SimEventKind::objectRemoved));
    queue.post(lf_event(2, SimEventKind::objectRemoved));
    EXPECT_THROW(queue.drain([](const SimEvent&) { throw std::runtime_error("stop"); }),
                 std::runtime_error);
    queue.post(lf_event(3, SimEventKind::objectRemoved));
    queue.clear();
    EXPECT_THAT(lf_drainAll(queue), IsEmpty());
}

TEST(SimEventQueueTest, APosterAndADrainerOnTwoThreadsSeeEveryEventOnceInOrder) {
    SimEventQueue queue;
    constexpr std::uint32_t kEvents = 200000;
    std::thread poster([&] {
        for (std::uint32_t id = 1; id <= kEvents; ++id) {
            queue.post(lf_event(id, SimEventKind::aiPositionReport));
        }
    });
    std::uint32_t expected = 1;
    bool inOrder = true;
    while (expected <= kEvents) {
        queue.drain([&](const SimEvent& event) {
            inOrder = inOrder && event.objectId == expected;
            ++expected;
        });
    }
    poster.join();
    EXPECT_TRUE(inOrder);
    EXPECT_EQ(expected, kEvents + 1);
    EXPECT_THAT(lf_drainAll(queue), IsEmpty());
}

// --- The filters ---

struct ReportCase {
    const char* what;
    std::uint32_t objectId;
    double aboveGround;
    std::string atcId; // up to 32 characters; exactly 32 has no NUL
    bool event;
};

std::vector<std::byte> lf_reportPayload(double aboveGround, double groundAltitude,
                                        std::int64_t onGround, const std::string& atcId) {
    std::vector<std::byte> payload;
    gf_appendBytes(payload, aboveGround);
    gf_appendBytes(payload, groundAltitude);
    gf_appendBytes(payload, onGround);
    char id[32] = {};
    std::memcpy(id, atcId.data(), std::min<std::size_t>(atcId.size(), sizeof(id)));
    gf_appendBytes(payload, id);
    return payload;
}

TEST(SimEventFilterTest, TheAiPositionReportLeavesOutWhatTheTrafficStepMustNotActOn) {
    constexpr std::uint32_t kUser = 7;
    const std::vector<ReportCase> cases = {
        {"an aircraft on the ground", 11, 0, "DLH4AB", true},
        {"the user's own aircraft", kUser, 0, "HBJVA", false},
        {"no ATC id", 12, 0, "", false},
        {"a static aircraft of ours", 13, 0, "SWR12*", false},
        {"a star inside the id", 14, 0, "A*B", true},
        {"exactly 2500 ft above the ground", 15, 2500.0, "EZY12", true},
        {"2500.1 ft above the ground", 16, 2500.1, "EZY13", false},
        {"below the ground", 17, -3.5, "EZY14", true},
        {"an id filling its 32 characters", 18, 10, std::string(32, 'X'), true},
        {"an id of 32 characters ending in a star", 19, 10, std::string(31, 'X') + "*", false},
    };
    for (const ReportCase& c : cases) {
        SCOPED_TRACE(c.what);
        const auto bytes =
            gf_objectDataBytes(SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE, AI_POSITION, c.objectId,
                               lf_reportPayload(c.aboveGround, 1416.0, 1, c.atcId));
        ASSERT_EQ(bytes.size(), kAiPositionReportBytes);
        const auto& message =
            *reinterpret_cast<const SIMCONNECT_RECV_SIMOBJECT_DATA*>(bytes.data());
        const auto event = gf_aiPositionReportEvent(message, bytes.size(), kUser);
        ASSERT_EQ(event.has_value(), c.event);
        if (event) {
            EXPECT_EQ(*event, lf_event(c.objectId, SimEventKind::aiPositionReport, 1416.0,
                                       c.aboveGround, 1));
        }
    }
}

TEST(SimEventFilterTest, OnGroundTravelsAsItsLow32BitsAndShortMessagesGiveNothing) {
    const auto bytes = gf_objectDataBytes(SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE, AI_POSITION, 21,
                                          lf_reportPayload(5, 0, 0x100000002LL, "AFR1"));
    const auto& message = *reinterpret_cast<const SIMCONNECT_RECV_SIMOBJECT_DATA*>(bytes.data());
    EXPECT_EQ(gf_aiPositionReportEvent(message, bytes.size(), 2)->value1, 2u);
    EXPECT_FALSE(gf_aiPositionReportEvent(message, kAiPositionReportBytes - 1, 2).has_value());

    std::vector<std::byte> cg;
    gf_appendBytes(cg, 8.25);
    gf_appendBytes(cg, -0.035);
    const auto cgBytes =
        gf_objectDataBytes(SIMCONNECT_RECV_ID_SIMOBJECT_DATA, AI_STATIC_CG_AND_PITCH, 22, cg);
    const auto& cgMessage =
        *reinterpret_cast<const SIMCONNECT_RECV_SIMOBJECT_DATA*>(cgBytes.data());
    EXPECT_EQ(gf_staticCgAndPitchEvent(cgMessage, kStaticCgAndPitchBytes),
              lf_event(22, SimEventKind::staticCgAndPitch, 8.25, -0.035));
    EXPECT_FALSE(gf_staticCgAndPitchEvent(cgMessage, kStaticCgAndPitchBytes - 1).has_value());
}

TEST(SimEventFilterTest, EveryKindHasItsName) {
    EXPECT_EQ(gf_simEventKindText(SimEventKind::liveAssigned), "live object assigned");
    EXPECT_EQ(gf_simEventKindText(SimEventKind::createFailed), "create failed");
    EXPECT_EQ(gf_simEventKindText(SimEventKind::createRefused), "create refused for want of room");
    EXPECT_EQ(gf_simEventKindText(static_cast<SimEventKind>(7)), "unknown");
}

// --- Events from the world ---

class SimEventsFromWorldTest : public SimTest {
protected:
    static simworld::WorldObjectSetup
    object(std::uint32_t id, std::string atcId, std::optional<double> altitudeFeet = std::nullopt,
           simworld::ObjectKind kind = simworld::ObjectKind::aircraft) {
        simworld::WorldObjectSetup o;
        o.objectId = id;
        o.kind = kind;
        o.atcId = std::move(atcId);
        o.latitudeDeg = 47.4581;
        o.longitudeDeg = 8.5550;
        o.groundElevationFeet = 1416;
        o.altitudeFeet = altitudeFeet;
        o.staticCgToGroundFeet = 9.5;
        o.staticPitchDeg = 1.5;
        return o;
    }

    simworld::WorldSetup zurichSetup() {
        simworld::WorldSetup setup = runningSetup();
        setup.user.objectId = 1;
        setup.user.groundElevationFeet = 1416;
        simworld::TrackPoint at;
        at.latitudeDeg = 47.4580;
        at.longitudeDeg = 8.5560;
        setup.user.track.push_back(at);
        return setup;
    }

    // Connects, lets `request` ask the world on the first frame, and dispatches 0.2 s.
    std::vector<SimEvent> eventsAfter(const std::function<void(HANDLE)>& request) {
        bool asked = false;
        work_.onFrame = [&](SimClient& client) {
            if (!asked) {
                asked = true;
                request(client.handle());
            }
        };
        runClientFor(0.2);
        return lf_drainAll(events_);
    }
};

TEST_F(SimEventsFromWorldTest, PositionReportsOfTheAircraftInRangeReachTheQueueFiltered) {
    simworld::WorldSetup setup = zurichSetup();
    setup.objects = {
        object(11, "DLH4AB"),
        object(12, ""),
        object(13, "SWR12*"),
        object(14, "EZY12", 1416 + 2500.0),
        object(15, "EZY13", 1416 + 2500.5),
        object(16, "RHB1", std::nullopt, simworld::ObjectKind::boat),
    };
    startWorld(setup);
    g_userObjectId.store(1);

    const auto events = eventsAfter([](HANDLE handle) {
        ASSERT_EQ(SimConnect_RequestDataOnSimObjectType(handle, AI_POSITION,
                                                        DEFINITION_AI_GET_POSITION, 5000,
                                                        SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT),
                  S_OK);
    });

    EXPECT_THAT(events,
                UnorderedElementsAre(lf_event(11, SimEventKind::aiPositionReport, 1416, 0, 1),
                                     lf_event(14, SimEventKind::aiPositionReport, 1416, 2500, 0)));
}

TEST_F(SimEventsFromWorldTest, AnAtcIdThatFillsItsFieldIsReadWhole) {
    // 32 characters and no NUL: the star in the last byte still keeps the report out.
    simworld::WorldSetup setup = zurichSetup();
    setup.objects = {object(11, std::string(31, 'A') + "*"), object(12, std::string(32, 'B'))};
    startWorld(setup);
    g_userObjectId.store(1);
    const auto events = eventsAfter([](HANDLE handle) {
        SimConnect_RequestDataOnSimObjectType(handle, AI_POSITION, DEFINITION_AI_GET_POSITION, 5000,
                                              SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT);
    });
    EXPECT_THAT(events, ElementsAre(lf_event(12, SimEventKind::aiPositionReport, 1416, 0, 1)));
}

TEST_F(SimEventsFromWorldTest, ReportsOfAnotherRequestAreNotPositionReports) {
    simworld::WorldSetup setup = zurichSetup();
    setup.objects = {object(11, "DLH4AB")};
    startWorld(setup);
    const auto events = eventsAfter([](HANDLE handle) {
        SimConnect_RequestDataOnSimObjectType(handle, USER_AC_POSITION, DEFINITION_AI_GET_POSITION,
                                              5000, SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT);
    });
    EXPECT_THAT(events, IsEmpty());
}

TEST_F(SimEventsFromWorldTest, ACutPositionReportIsLoggedAndDropped) {
    simworld::WorldSetup setup = zurichSetup();
    setup.objects = {object(11, "DLH4AB")};
    simworld::FaultSetup cut;
    cut.kind = simworld::FaultKind::truncateMessage;
    cut.name = "SIMOBJECT_DATA_BYTYPE";
    cut.bytes = 60;
    cut.count = 10;
    setup.faults.push_back(cut);
    startWorld(setup);
    const auto events = eventsAfter([](HANDLE handle) {
        SimConnect_RequestDataOnSimObjectType(handle, AI_POSITION, DEFINITION_AI_GET_POSITION, 5000,
                                              SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT);
    });
    EXPECT_THAT(events, IsEmpty());
    // The user aircraft and object 11.
    EXPECT_EQ(logCount("==> SimConnect AI_POSITION payload too small: 60 < 96 bytes"), 2u);
}

TEST_F(SimEventsFromWorldTest, TheStaticCentreOfGravityAndPitchOfAnObjectReachTheQueue) {
    simworld::WorldSetup setup = zurichSetup();
    setup.objects = {object(31, "BAW5")};
    startWorld(setup);
    const auto events = eventsAfter([](HANDLE handle) {
        SimConnect_RequestDataOnSimObject(handle, AI_STATIC_CG_AND_PITCH,
                                          DEFINITION_AI_GET_STATIC_CG_AND_PITCH, 31,
                                          SIMCONNECT_PERIOD_ONCE);
    });
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].objectId, 31u);
    EXPECT_EQ(events[0].kind, SimEventKind::staticCgAndPitch);
    EXPECT_DOUBLE_EQ(events[0].x, 9.5);
    EXPECT_NEAR(events[0].y, 1.5 * 3.14159265358979323846 / 180.0, 1e-12);
}

TEST_F(SimEventsFromWorldTest, TheUserAircraftsRepliesGoToTheWork) {
    startWorld(zurichSetup());
    const auto events = eventsAfter([](HANDLE handle) {
        SimConnect_RequestDataOnSimObject(handle, USER_AC_TITLE, DEFINITION_USER_AC_GET_TITLE, 0,
                                          SIMCONNECT_PERIOD_ONCE);
        SimConnect_RequestDataOnSimObject(
            handle, USER_AC_ON_GROUND, DEFINITION_USER_AC_GET_ONGROUND, 0, SIMCONNECT_PERIOD_ONCE);
        // An unknown request id is passed over.
        SimConnect_RequestDataOnSimObject(handle, AI_FLIGHT_PLAN, DEFINITION_USER_AC_GET_TITLE, 0,
                                          SIMCONNECT_PERIOD_ONCE);
    });
    EXPECT_THAT(events, IsEmpty());
    EXPECT_THAT(work_.userDataRequests, ElementsAre(USER_AC_TITLE, USER_AC_ON_GROUND));
}

TEST_F(SimEventsFromWorldTest, EveryRemovedAircraftIsReportedOtherObjectsAreNot) {
    simworld::WorldSetup setup = zurichSetup();
    setup.objects = {object(41, "KLM1"),
                     object(42, "CAT1", std::nullopt, simworld::ObjectKind::ground)};
    startWorld(setup);
    const auto events = eventsAfter([](HANDLE handle) {
        SimConnect_AIRemoveObject(handle, 41, AI_REMOVE_OBJECT);
        SimConnect_AIRemoveObject(handle, 42, AI_REMOVE_OBJECT);
    });
    EXPECT_THAT(events, ElementsAre(lf_event(41, SimEventKind::objectRemoved)));
    EXPECT_THAT(work_.removed, ElementsAre(41u));
}

} // namespace
} // namespace skyloom::testing

// The journal, line for line, for a short session: calls with their arguments, results and
// packets, messages as delivered, world events; and its limit.
#include <gmock/gmock.h>

#include "support/world_fixture.h"

namespace skyloom::simworld::testing {
namespace {

class JournalTest : public WorldTest {};

TEST_F(JournalTest, GoldenSession) {
    WorldSetup setup = gf_runningSetup();
    setup.frames.rateHz = 1;
    TimelineEvent stop;
    stop.atSeconds = 1.5;
    stop.kind = TimelineEventKind::flightStop;
    setup.timeline = {stop};
    start(setup);

    TestClient client;
    const HANDLE h = client.handle();
    SimConnect_SubscribeToSystemEvent(h, 204, "Frame");
    SimConnect_AddToDataDefinition(h, 9, "Plane Altitude", "feet", SIMCONNECT_DATATYPE_FLOAT64);
    SimConnect_AddToDataDefinition(h, 9, "Plane Altitdue", "feet", SIMCONNECT_DATATYPE_FLOAT64);
    SimConnect_RequestDataOnSimObject(h, 1, 9, SIMCONNECT_OBJECT_ID_USER, SIMCONNECT_PERIOD_ONCE);
    client.dispatch();
    advance(1.0);
    client.dispatch();
    client.dispatch(); // nothing waits: not journaled
    client.lastPacket();
    advance(1.0);
    TestClient second("PARKING_DATA_RDR");
    client.close();
    second.close();

    const std::vector<std::string> expected = {
        "    0.000 c1 > SimConnect_Open(\"Skyloom\", config=0) = S_OK #1",
        "    0.000 c1 > SimConnect_SubscribeToSystemEvent(204, \"Frame\") = S_OK #2",
        "    0.000 c1 > SimConnect_AddToDataDefinition(9, \"Plane Altitude\", \"feet\", FLOAT64, "
        "0, unused) = S_OK #3",
        "    0.000 c1 > SimConnect_AddToDataDefinition(9, \"Plane Altitdue\", \"feet\", FLOAT64, "
        "0, unused) = S_OK #4",
        "    0.000 c1 > SimConnect_RequestDataOnSimObject(1, 9, 0, ONCE, 0, 0, 0, 0) = S_OK #5",
        "    0.000 c1 < OPEN \"KittyHawk\" 11.0.282174.999 SimConnect 11.0.62651.3",
        "    0.000 c1 < EXCEPTION 7 NAME_UNRECOGNIZED send=4 index=3 (unknown variable \"Plane "
        "Altitdue\")",
        "    0.000 c1 < SIMOBJECT_DATA request=1 object=1 define=9 [Plane Altitude=0.000000 feet]",
        "    1.000 c1 < EVENT_FRAME id=204 rate=1 speed=1",
        "    1.000 c1 > SimConnect_GetLastSentPacketID(-> 5) = S_OK",
        "    1.500 -- * flight stops",
        "    2.000 c2 > SimConnect_Open(\"PARKING_DATA_RDR\", config=0) = S_OK #1",
        "    2.000 c1 > SimConnect_Close() = S_OK",
        "    2.000 c2 > SimConnect_Close() = S_OK",
        // The second connection never dispatched: its OPEN was still waiting.
        "    2.000 c2 * dropped OPEN \"KittyHawk\" 11.0.282174.999 SimConnect 11.0.62651.3 "
        "(connection closed)",
    };
    EXPECT_EQ(world_->journalLines(), expected);

    const auto entries = world_->journal();
    ASSERT_EQ(entries.size(), expected.size());
    EXPECT_EQ(entries[5].kind, JournalKind::message);
    EXPECT_EQ(entries[10].kind, JournalKind::world);
    EXPECT_EQ(entries[11].connection, 2u);
}

TEST(JournalLimitTest, KeepsTheNewestEntriesAndCountsTheRest) {
    Journal journal(3);
    for (int i = 0; i < 5; ++i) {
        journal.add(i, 1, JournalKind::world, std::to_string(i));
    }
    const auto lines = journal.lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines.front(), "    2.000 c1 * 2");
    EXPECT_EQ(journal.dropped(), 2u);
    journal.clear();
    EXPECT_TRUE(journal.lines().empty());
    EXPECT_EQ(journal.dropped(), 0u);

    Journal off(0);
    off.add(0, 0, JournalKind::call, "x");
    EXPECT_TRUE(off.lines().empty());
    EXPECT_EQ(off.dropped(), 1u);
}

} // namespace
} // namespace skyloom::simworld::testing

// The bookkeeping of created and owned objects on its own: answers tied back through the
// request id or the packet id, each taken only once, confirmations counted only for removals
// that wait for one, and what each kind of emptying keeps.
#include <gtest/gtest.h>

#include "sim/ai_object_table.h"

namespace skyloom {
namespace {

PendingCreate lf_create(std::uint32_t hexid, const char* callsign) {
    return PendingCreate{hexid, hexid > 10000, 0, callsign, "Airbus A320 Neo Swiss"};
}

TEST(OwnedObjectTableTest, AnAssignmentTakesTheCreateAndItsPacketOnce) {
    OwnedObjectTable table;
    table.addPendingCreate(10000, lf_create(0x4b1801, "SWR12"));
    table.setPacketId(10000, 57);
    table.setPacketId(10001, 58); // no such create: nothing indexed
    EXPECT_EQ(table.packetIndexCount(), 1u);
    EXPECT_EQ(table.pendingCreate(10000)->packetId, 57u);

    const auto create = table.takeAssigned(10000);
    ASSERT_TRUE(create);
    EXPECT_EQ(create->callsign, "SWR12");
    EXPECT_TRUE(create->live);
    EXPECT_EQ(table.pendingCreateCount(), 0u);
    EXPECT_EQ(table.packetIndexCount(), 0u);
    EXPECT_FALSE(table.takeAssigned(10000));
    // A failure naming the create's packet now matches nothing.
    EXPECT_FALSE(table.takeRequestIdOfPacket(57));
}

TEST(OwnedObjectTableTest, AFailureFindsItsCreateThroughThePacket) {
    OwnedObjectTable table;
    table.addPendingCreate(10005, lf_create(10000, "STATIC*"));
    table.setPacketId(10005, 90);
    EXPECT_EQ(table.takeRequestIdOfPacket(90), 10005u);
    EXPECT_FALSE(table.takeRequestIdOfPacket(90));
    const auto create = table.takePendingCreate(10005);
    ASSERT_TRUE(create);
    EXPECT_FALSE(create->live);
    EXPECT_FALSE(table.takePendingCreate(10005));
}

TEST(OwnedObjectTableTest, OnlyRemovalsThatWaitAreConfirmed) {
    OwnedObjectTable table;
    table.addOwned(100, "A");
    table.addOwned(101, "B");
    table.startShutdownCounts();
    table.addPendingRemoval(100);
    table.countRemoveRequested();
    EXPECT_FALSE(table.confirmRemoval(101)); // nobody waits for it
    EXPECT_TRUE(table.confirmRemoval(100));
    EXPECT_FALSE(table.confirmRemoval(100)); // a second word counts nothing
    EXPECT_EQ(table.confirmed(), 1u);
    EXPECT_EQ(table.removeRequested(), 1u);
    EXPECT_EQ(table.pendingRemovalCount(), 0u);
    table.startShutdownCounts();
    EXPECT_EQ(table.confirmed(), 0u);
    EXPECT_EQ(table.removeRequested(), 0u);
}

TEST(OwnedObjectTableTest, EachEmptyingKeepsWhatItShould) {
    const auto filled = [] {
        OwnedObjectTable table;
        table.addOwned(100, "SWR12");
        table.addPendingRemoval(100);
        table.addPendingCreate(10000, lf_create(0x4b1801, "DLH4"));
        table.setPacketId(10000, 12);
        return table;
    };
    OwnedObjectTable connection = filled();
    connection.forgetConnection();
    EXPECT_TRUE(connection.owned().empty());
    EXPECT_FALSE(connection.callsign(100));
    EXPECT_EQ(connection.pendingRemovalCount(), 0u);
    EXPECT_EQ(connection.pendingCreateCount(), 0u);
    EXPECT_EQ(connection.packetIndexCount(), 0u);

    OwnedObjectTable shutdown = filled();
    shutdown.forgetAfterShutdown();
    EXPECT_TRUE(shutdown.owned().empty());
    EXPECT_EQ(shutdown.callsign(100), "SWR12"); // for the diagnostic after the stop
    EXPECT_EQ(shutdown.pendingCreateCount(), 0u);

    OwnedObjectTable run = filled();
    run.clearAfterRun();
    EXPECT_FALSE(run.callsign(100));
    EXPECT_EQ(run.pendingCreateCount(), 0u);
    EXPECT_EQ(run.packetIndexCount(), 0u);

    // A removal keeps the callsign too.
    OwnedObjectTable removed = filled();
    removed.eraseOwned(100);
    EXPECT_FALSE(removed.owns(100));
    EXPECT_EQ(removed.callsign(100), "SWR12");
}

TEST(OwnedObjectTableTest, RequestIdsCountUpOnePerCreate) {
    const std::uint32_t first = gf_takeCreateRequestId();
    EXPECT_GE(first, 10000u);
    EXPECT_EQ(gf_takeCreateRequestId(), first + 1);
    EXPECT_EQ(g_nextCreateRequestId.load(), first + 2);
}

} // namespace
} // namespace skyloom

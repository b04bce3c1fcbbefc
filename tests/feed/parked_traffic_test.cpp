#include "feed/parked_traffic.h"

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "feed/block_text.h"

namespace skyloom {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

ParkedEntry lf_parked(std::uint32_t hexid, std::int32_t slot, std::string stand = {},
                      double timestamp = 0.0) {
    ParkedEntry entry;
    entry.hexid = hexid;
    entry.slot = slot;
    entry.standAirport = stand.empty() ? "" : "EGLL";
    entry.standText = std::move(stand);
    entry.timestamp = timestamp;
    return entry;
}

std::vector<std::uint32_t> lf_hexids(const std::vector<ParkedEntry>& entries) {
    std::vector<std::uint32_t> hexids;
    for (const ParkedEntry& entry : entries) {
        hexids.push_back(entry.hexid);
    }
    return hexids;
}

TEST(ParkedTrafficTest, AgesCountHalfHoursBackAcrossMidnight) {
    EXPECT_EQ(gf_parkedAge(10, 10), 0);
    EXPECT_EQ(gf_parkedAge(7, 10), 3);
    EXPECT_EQ(gf_parkedAge(47, 0), 1);
    EXPECT_EQ(gf_parkedAge(1, 0), 47);
    EXPECT_EQ(gf_parkedAge(0, 47), 47);
}

TEST(ParkedTrafficTest, TheListIsSortedYoungestFirstWithoutRepeatedAircraftOrStands) {
    std::vector<ParkedEntry> entries = {
        lf_parked(1, 40, "532", 100.0), lf_parked(2, 46, "531", 100.0),
        lf_parked(3, 46, "532", 200.0), // the same stand, younger: keeps it
        lf_parked(2, 44, "530", 100.0), // the same aircraft, older: goes
        lf_parked(4, 1, "", 100.0),     // slot 1 after midnight: the youngest
        lf_parked(5, 1, "", 100.0),     // no stand named: never a repeat
    };
    gf_prepareParkedList(entries, 2);
    EXPECT_THAT(lf_hexids(entries), ElementsAre(4, 5, 3, 2));
    EXPECT_EQ(entries[0].age, 1);
    EXPECT_EQ(entries[2].age, 4);
    EXPECT_EQ(entries[3].standText, "531");
}

TEST(ParkedTrafficTest, ProcessingWaitsForAReceivedListAndPlacesOnlyWhenAsked) {
    ParkedTrafficList list;
    int placements = 0;
    std::int32_t wanted = 0;
    const ParkedTrafficPlacement placement = [&](std::vector<ParkedEntry>& entries,
                                                 std::int32_t count) {
        ++placements;
        wanted = count;
        entries[0].airlineId = 77; // the placement may write into the list
    };
    EXPECT_FALSE(gf_processParkedTraffic(list, 5, 10, true, placement));

    list.complete({lf_parked(1, 9), lf_parked(2, 10)});
    EXPECT_TRUE(gf_processParkedTraffic(list, 5, 10, false, placement));
    EXPECT_EQ(placements, 0);
    EXPECT_THAT(lf_hexids(list.entries()), ElementsAre(2, 1));

    EXPECT_TRUE(gf_processParkedTraffic(list, 7, 10, true, placement));
    EXPECT_EQ(placements, 1);
    EXPECT_EQ(wanted, 7);
    EXPECT_EQ(list.entries()[0].airlineId, 77);

    list.clear();
    EXPECT_FALSE(list.received());
    EXPECT_THAT(list.entries(), IsEmpty());
}

TEST(ParkedTrafficTest, ThePlacementRunsUnderTheListsMutex) {
    ParkedTrafficList list;
    list.complete({lf_parked(1, 0)});
    std::atomic<bool> completed{false};
    std::thread reader;
    bool completedDuringPlacement = true;
    gf_processParkedTraffic(list, 1, 0, true, [&](std::vector<ParkedEntry>& entries, std::int32_t) {
        // A reader completing a new list must wait until the placement is done: however long
        // the placement takes, the list it works on stays the same.
        reader = std::thread([&] {
            list.complete({lf_parked(9, 0)});
            completed.store(true);
        });
        std::this_thread::sleep_for(std::chrono::milliseconds{20});
        completedDuringPlacement = completed.load();
        EXPECT_EQ(entries[0].hexid, 1u);
    });
    reader.join();
    EXPECT_FALSE(completedDuringPlacement);
    EXPECT_EQ(list.entries()[0].hexid, 9u);
}

TEST(BlockTextTest, FourFieldsWithAHexadecimalIdAreABlock) {
    const BlockText block = gf_parseBlockText("DLH4AB,D-AIZZ,3c6444,A320");
    EXPECT_TRUE(block.valid);
    EXPECT_EQ(block.callsign, "DLH4AB");
    EXPECT_EQ(block.registration, "D-AIZZ");
    EXPECT_EQ(block.hexid, 0x3c6444u);
    EXPECT_TRUE(gf_parseBlockText(",,ffffffff,").valid);
    // The window's aircraft list writes its fields with a blank after each comma.
    const BlockText listed = gf_parseBlockText("SWR1, HB-JLT, 4b1801, oid=1a");
    EXPECT_TRUE(listed.valid);
    EXPECT_EQ(listed.registration, "HB-JLT");
    EXPECT_EQ(listed.hexid, 0x4b1801u);
    for (const char* bad :
         {"DLH4AB,D-AIZZ,3c6444", "a,b,3c6444,d,e", "a,b,,d", "a,b,123456789,d", "a,b,xyz,d", ""}) {
        EXPECT_FALSE(gf_parseBlockText(bad).valid) << bad;
    }
}

} // namespace
} // namespace skyloom

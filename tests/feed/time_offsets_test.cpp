#include "feed/time_offsets.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

#include <gtest/gtest.h>

namespace skyloom {
namespace {

struct OffsetCase {
    const char* label;
    double timestamp;
    double newest;
    std::uint32_t tick;
    std::uint32_t base;
    std::int32_t expected;
};

TEST(TimeOffsetsTest, AnEntryIsDueTheBaseAfterNowLessItsAgeButNeverBeforeTheNextTick) {
    const double t = 1724517662.0;
    const std::vector<OffsetCase> cases = {
        {"newest live entry", t, t, 500, 30, 3500},
        {"2.5 s older", t - 2.5, t, 500, 30, 3250},
        {"rounded to whole ticks", t - 0.004, t, 500, 30, 3500},
        {"29.99 s older", t - 29.99, t, 500, 30, 501},
        {"exactly the base older", t - 30.0, t, 500, 30, 501},
        {"older than the base", t - 45.0, t, 500, 30, 501},
        {"first buffered snapshot", t, t, 0, 6, 600},
        {"third buffered snapshot", t - 1.0, t, 0, 18, 1700},
        {"a time stamp after the newest counts as newest", t + 5.0, t, 7, 30, 3007},
        {"not a number counts as newest", std::nan(""), t, 7, 30, 3007},
        {"a far-off tick stays inside 32 bits", t, t,
         std::numeric_limits<std::uint32_t>::max() - 10, 30,
         std::numeric_limits<std::int32_t>::max()},
    };
    for (const OffsetCase& c : cases) {
        EXPECT_EQ(gf_timeOffsetOf(c.timestamp, c.newest, c.tick, c.base), c.expected) << c.label;
    }
}

// The reference is the newest stamp within a minute after the batch's median: one stamp far
// ahead of the others does not move it, wherever it lies.
TEST(TimeOffsetsTest, TheReferenceIsTheNewestStampWithinReachOfTheMedian) {
    const double t = 1724517662.0;
    const double nan = std::nan("");
    struct Case {
        const char* label;
        std::vector<double> stamps;
        std::optional<double> reference;
    };
    const std::vector<Case> cases = {
        {"one report", {t}, t},
        {"a round", {t - 40.0, t - 3.0, t - 1.0, t}, t},
        {"the newest 41 s after the median, as in a capture", {t - 41.0, t - 41.0, t}, t},
        {"one report an hour ahead", {t - 4.0, t - 2.0, t, t + 3600.0}, t},
        {"one report a minute and a half ahead", {t - 2.0, t - 1.0, t, t + 90.0}, t},
        {"one report six years ahead of two", {t, t + 6 * 31557600.0}, t},
        {"one report long behind", {t - 86400.0, t - 2.0, t}, t},
        {"stamps that are no number do not count", {nan, t - 1.0, nan}, t - 1.0},
        {"no stamp at all", {nan}, std::nullopt},
        {"an empty batch", {}, std::nullopt},
    };
    for (const Case& c : cases) {
        std::vector<TrafficEntry> batch(c.stamps.size());
        for (std::size_t i = 0; i < batch.size(); ++i) {
            batch[i].timestamp = c.stamps[i];
        }
        EXPECT_EQ(gf_batchReferenceTimestamp(batch), c.reference) << c.label;
    }
}

TEST(TimeOffsetsTest, TheNewestTimeStampOfTheBatchIsTheReference) {
    std::vector<TrafficEntry> batch(4);
    batch[0].timestamp = 1000.0;
    batch[1].timestamp = 1010.0; // newest
    batch[2].timestamp = std::numeric_limits<double>::infinity();
    batch[3].timestamp = 995.5;
    gf_setTimeOffsets(batch, 100, 30);
    EXPECT_EQ(batch[0].sample.time, 100 + 3000 - 1000);
    EXPECT_EQ(batch[1].sample.time, 100 + 3000);
    EXPECT_EQ(batch[2].sample.time, 100 + 3000);
    EXPECT_EQ(batch[3].sample.time, 100 + 3000 - 1450);
}

} // namespace
} // namespace skyloom

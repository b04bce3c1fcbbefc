// The feed's clock on its own, in the cases the captures do not hold: a quiet feed of a few
// aircraft beside a sender that makes up a new hex id for each datagram, and a feed that moves
// as a whole to other aircraft (another capture, another App).
#include "feed/feed_clock.h"

#include <chrono>
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/manual_clock.h"

namespace skyloom {
namespace {

// A batch of `count` reports of hex ids from `firstHexid` on, stamped `lagSeconds` before they
// are received, 2 s after the batch before; `taken` of them must be taken.
struct Batch {
    std::uint32_t firstHexid = 0;
    std::size_t count = 0;
    double lagSeconds = 0.0;
    std::size_t taken = 0;
};

struct Case {
    const char* label;
    std::vector<Batch> batches;
};

constexpr double kReplayLag = 3.0 * 365.25 * 86400.0;

// Six aircraft reporting at the replay's lag, and between their rounds ten datagrams of a
// sender stamped an hour after, each with a new hex id: taken only before the clock is known.
std::vector<Batch> lf_quietFeedAndMadeUpHexids() {
    std::vector<Batch> batches;
    for (std::uint32_t round = 0; round < 8; ++round) {
        batches.push_back({1, 6, kReplayLag, 6});
        for (std::uint32_t k = 0; k < 10; ++k) {
            batches.push_back({1000 + 10 * round + k, 1, kReplayLag - 3600.0, round < 1 ? 1u : 0u});
        }
    }
    return batches;
}

// Twenty aircraft, then thirty others an hour further back: the first round of the others is
// refused, the second taken.
std::vector<Batch> lf_anotherFeed() {
    std::vector<Batch> batches;
    for (int round = 0; round < 4; ++round) {
        batches.push_back({1, 20, kReplayLag, 20});
    }
    for (int round = 0; round < 4; ++round) {
        batches.push_back({101, 30, kReplayLag + 3600.0, round == 0 ? 0u : 30u});
    }
    return batches;
}

TEST(FeedClockTest, AQuietFeedLearnsItsClockAndAnotherFeedIsFollowed) {
    const Case cases[] = {
        {"a quiet feed beside a sender that makes up hex ids", lf_quietFeedAndMadeUpHexids()},
        {"a feed of other aircraft an hour further back", lf_anotherFeed()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ManualClock clock;
        FeedClock feed;
        for (std::size_t i = 0; i < c.batches.size(); ++i) {
            const Batch& b = c.batches[i];
            clock.advance(std::chrono::seconds{2});
            const double received =
                std::chrono::duration<double>(clock.utcNow().time_since_epoch()).count();
            std::vector<TrafficEntry> batch(b.count);
            for (std::size_t k = 0; k < b.count; ++k) {
                batch[k].hexid = b.firstHexid + static_cast<std::uint32_t>(k);
                batch[k].timestamp = received - b.lagSeconds;
            }
            const std::size_t refused =
                feed.takeEntriesOffClock(batch, clock.utcNow(), clock.steadyNow()).size();
            EXPECT_EQ(batch.size(), b.taken) << "batch " << i;
            EXPECT_EQ(refused, b.count - b.taken) << "batch " << i;
        }
    }
}

} // namespace
} // namespace skyloom

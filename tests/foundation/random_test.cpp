#include "foundation/random.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <map>
#include <numeric>
#include <set>
#include <span>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace skyloom {
namespace {

// Turns `RANDOM` to a value for one test and back to on afterwards.
class RandomSetting {
public:
    explicit RandomSetting(bool enabled) { gf_setRandomEnabled(enabled); }
    ~RandomSetting() { gf_setRandomEnabled(true); }
    RandomSetting(const RandomSetting&) = delete;
    RandomSetting& operator=(const RandomSetting&) = delete;
};

std::vector<std::size_t> lf_draw(std::size_t n, int count) {
    std::vector<std::size_t> values;
    for (int i = 0; i < count; ++i) {
        values.push_back(gf_randomIndex(n));
    }
    return values;
}

std::vector<std::uint16_t> lf_ids(std::uint16_t count) {
    std::vector<std::uint16_t> ids(count);
    std::iota(ids.begin(), ids.end(), std::uint16_t{100});
    return ids;
}

TEST(RandomTest, EngineIsTheStandardMersenneTwister) {
    // The 10000th output of a default-seeded MT19937 is fixed by the C++ standard.
    gf_seedRandomEngine(std::mt19937::default_seed);
    auto& engine = gf_randomEngine();
    engine.discard(9999);
    EXPECT_EQ(engine(), 4123659995u);
}

TEST(RandomTest, SeededSequencesRepeat) {
    RandomSetting on(true);
    gf_seedRandomEngine(42);
    const auto first = lf_draw(1000, 50);
    auto ids = lf_ids(20);
    gf_shuffle(ids);
    const double variation = gf_randomVariation(100.0, 5.0);

    gf_seedRandomEngine(42);
    EXPECT_EQ(lf_draw(1000, 50), first);
    auto again = lf_ids(20);
    gf_shuffle(again);
    EXPECT_EQ(again, ids);
    EXPECT_EQ(gf_randomVariation(100.0, 5.0), variation);

    gf_seedRandomEngine(43);
    EXPECT_NE(lf_draw(1000, 50), first);
}

TEST(RandomTest, EachThreadHasItsOwnEngine) {
    RandomSetting on(true);
    gf_seedRandomEngine(7);
    const auto expected = lf_draw(1 << 20, 20);

    gf_seedRandomEngine(7);
    std::vector<std::size_t> inThread;
    std::vector<std::size_t> otherThread;
    std::thread seeded([&] {
        gf_seedRandomEngine(7);
        inThread = lf_draw(1 << 20, 20);
    });
    seeded.join();
    // A thread that never seeds draws from its own engine seeded from entropy, and leaves
    // this thread's engine where it was.
    std::thread unseeded([&] { otherThread = lf_draw(1 << 20, 20); });
    unseeded.join();
    EXPECT_EQ(inThread, expected);
    EXPECT_NE(otherThread, expected);
    EXPECT_EQ(lf_draw(1 << 20, 20), expected);
}

TEST(RandomTest, SeedOnceKeepsAnExplicitSeed) {
    RandomSetting on(true);
    gf_seedRandomEngine(99);
    const auto expected = lf_draw(1000, 10);
    gf_seedRandomEngine(99);
    gf_seedRandomEngineOnce();
    EXPECT_EQ(lf_draw(1000, 10), expected);
}

TEST(RandomTest, RandomIndexStaysInRangeAndReachesEveryIndex) {
    RandomSetting on(true);
    gf_seedRandomEngine(1);
    for (const std::size_t n : {2u, 3u, 7u, 10u}) {
        std::set<std::size_t> seen;
        for (int i = 0; i < 2000; ++i) {
            const std::size_t index = gf_randomIndex(n);
            ASSERT_LT(index, n);
            seen.insert(index);
        }
        EXPECT_EQ(seen.size(), n) << n;
    }
    EXPECT_EQ(gf_randomIndex(0), 0u);
    EXPECT_EQ(gf_randomIndex(1), 0u);
}

TEST(RandomTest, RandomOffGivesIndexZeroAndKeepsLists) {
    RandomSetting off(false);
    gf_seedRandomEngine(5);
    for (const std::size_t n : {0u, 1u, 2u, 10u, 1000u}) {
        for (int i = 0; i < 20; ++i) {
            EXPECT_EQ(gf_randomIndex(n), 0u);
        }
    }
    auto ids = lf_ids(30);
    const auto original = ids;
    for (int i = 0; i < 20; ++i) {
        gf_shuffle(ids);
        EXPECT_EQ(ids, original);
    }
    std::array<int, 4> items{1, 2, 3, 4};
    gf_shuffleInPlace(std::span<int>(items));
    EXPECT_EQ(items, (std::array<int, 4>{1, 2, 3, 4}));
}

TEST(RandomTest, RandomOffDoesNotAdvanceTheEngine) {
    gf_seedRandomEngine(11);
    const std::uint32_t expected = std::mt19937(11)();
    {
        RandomSetting off(false);
        auto ids = lf_ids(10);
        gf_shuffle(ids);
        (void)gf_randomIndex(10);
    }
    EXPECT_EQ(gf_randomEngine()(), expected);
}

TEST(RandomTest, ShuffleIsAPermutationAndReachesEveryOrder) {
    RandomSetting on(true);
    gf_seedRandomEngine(2024);
    // Every one of the 6 orders of 3 ids must turn up, about equally often; a shuffle that
    // draws j from [0, i) instead of [0, i] reaches only the 2 cyclic ones.
    std::map<std::vector<std::uint16_t>, int> orders;
    for (int i = 0; i < 6000; ++i) {
        auto ids = lf_ids(3);
        gf_shuffle(ids);
        ++orders[ids];
    }
    ASSERT_EQ(orders.size(), 6u);
    for (const auto& [order, count] : orders) {
        EXPECT_GT(count, 800);
        EXPECT_LT(count, 1200);
    }

    auto ids = lf_ids(50);
    gf_shuffle(ids);
    EXPECT_NE(ids, lf_ids(50));
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids, lf_ids(50));
}

TEST(RandomTest, ShuffleLeavesShortListsAlone) {
    RandomSetting on(true);
    std::vector<std::uint16_t> empty;
    gf_shuffle(empty);
    EXPECT_TRUE(empty.empty());
    std::vector<std::uint16_t> one{7};
    gf_shuffle(one);
    EXPECT_EQ(one, std::vector<std::uint16_t>{7});
}

TEST(RandomTest, RandomUpToIsInclusive) {
    gf_seedRandomEngine(3);
    std::set<std::size_t> seen;
    for (int i = 0; i < 500; ++i) {
        const std::size_t v = gf_randomUpTo(4);
        ASSERT_LE(v, 4u);
        seen.insert(v);
    }
    EXPECT_EQ(seen.size(), 5u);
    EXPECT_EQ(gf_randomUpTo(0), 0u);
}

TEST(RandomTest, VariationIsExactlyPlusOrMinusThePercentage) {
    gf_seedRandomEngine(8);
    struct Case {
        double value;
        double percent;
    };
    for (const Case c : {Case{-9.0, 2.5}, Case{100.0, 10.0}, Case{0.5, 100.0}}) {
        const double delta = c.value * c.percent / 100.0;
        int up = 0;
        int down = 0;
        for (int i = 0; i < 400; ++i) {
            const double v = gf_randomVariation(c.value, c.percent);
            if (v == c.value + delta) {
                ++up;
            } else if (v == c.value - delta) {
                ++down;
            } else {
                FAIL() << "variation " << v << " of " << c.value << " by " << c.percent << "%";
            }
        }
        // Both signs, about equally often.
        EXPECT_GT(up, 140);
        EXPECT_GT(down, 140);
    }
}

TEST(RandomTest, VariationWithoutAPercentageIsTheValue) {
    for (const double percent : {0.0, -1.0, -100.0, std::numeric_limits<double>::quiet_NaN()}) {
        EXPECT_EQ(gf_randomVariation(-8.5, percent), -8.5) << percent;
    }
    EXPECT_EQ(gf_randomVariation(0.0, 50.0), 0.0);
}

} // namespace
} // namespace skyloom

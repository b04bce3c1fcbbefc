// The AI position batch, the per-object histories and the interpolation, on their own: commits
// and their 16-sample cap, taking without waiting, the epoch, what restarts a history, and
// the interpolation 20 ms behind with its wrap cases (+-180 longitude, 0 / 2 pi heading).
#include <cmath>
#include <future>
#include <numbers>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "sim/ai_position_batch.h"
#include "sim/ai_position_history.h"

namespace skyloom {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr std::int64_t kMs = 1'000'000;

AIPosition lf_at(double lat, double lon, double heading = 0, double altitude = 5000) {
    AIPosition p;
    p.latitude = lat;
    p.longitude = lon;
    p.headingTrue = heading;
    p.altitude = altitude;
    return p;
}

AIPositionSample lf_sample(std::int64_t ms, const AIPosition& p) {
    return AIPositionSample{p, ms * kMs};
}

TEST(AIPositionBatchTest, ACommitStampsTheStepsPositionsAndEmptiesThem) {
    AIPositionBatch batch;
    batch.setCurrent(7, lf_at(1, 1));
    batch.setCurrent(7, lf_at(2, 2)); // replaces the first of this step
    batch.setCurrent(8, lf_at(3, 3));
    batch.commit(100 * kMs);
    EXPECT_EQ(batch.currentCount(), 0u);
    EXPECT_EQ(batch.pendingCount(), 2u);
    AIPositionMap taken;
    ASSERT_EQ(batch.tryTake(taken), AIPositionBatch::TakeResult::taken);
    ASSERT_EQ(taken.at(7).size(), 1u);
    EXPECT_EQ(taken.at(7)[0], lf_sample(100, lf_at(2, 2)));
    EXPECT_EQ(taken.at(8)[0].position, lf_at(3, 3));
    EXPECT_EQ(batch.pendingCount(), 0u);
    // Nothing new: nothing taken, the taken batch left alone.
    AIPositionMap none;
    EXPECT_EQ(batch.tryTake(none), AIPositionBatch::TakeResult::nothingNew);
    EXPECT_TRUE(none.empty());
}

TEST(AIPositionBatchTest, EachObjectKeepsItsNewestSixteenSamples) {
    AIPositionBatch batch;
    for (int step = 0; step < 20; ++step) {
        batch.setCurrent(7, lf_at(step, 0));
        batch.commit(step * 10 * kMs);
    }
    AIPositionMap taken;
    batch.tryTake(taken);
    const AIPositionRing& samples = taken.at(7);
    ASSERT_EQ(samples.size(), 16u);
    EXPECT_EQ(samples.front().position.latitude, 4);
    EXPECT_EQ(samples.back().position.latitude, 19);
    for (std::size_t i = 1; i < samples.size(); ++i) {
        EXPECT_EQ(samples[i].timeNs - samples[i - 1].timeNs, 10 * kMs);
    }
}

TEST(AIPositionBatchTest, ARemovedObjectLosesItsWaitingPositions) {
    AIPositionBatch batch;
    batch.setCurrent(7, lf_at(1, 1));
    batch.setCurrent(8, lf_at(1, 1));
    batch.commit(kMs);
    batch.setCurrent(7, lf_at(2, 2));
    batch.forgetObject(7);
    batch.commit(2 * kMs);
    AIPositionMap taken;
    batch.tryTake(taken);
    EXPECT_FALSE(taken.contains(7));
    EXPECT_TRUE(taken.contains(8));
}

TEST(AIPositionBatchTest, EmptyingCountsTheEpochAndDropsEverything) {
    AIPositionBatch batch;
    const std::uint64_t epoch = batch.epoch();
    batch.setCurrent(7, lf_at(1, 1));
    batch.commit(kMs);
    batch.setCurrent(8, lf_at(1, 1));
    batch.empty();
    EXPECT_EQ(batch.epoch(), epoch + 1);
    EXPECT_EQ(batch.currentCount(), 0u);
    EXPECT_EQ(batch.pendingCount(), 0u);
    // The shutdown's emptying leaves the epoch alone.
    batch.setCurrent(7, lf_at(1, 1));
    batch.commit(kMs);
    batch.emptyPending();
    EXPECT_EQ(batch.pendingCount(), 0u);
    EXPECT_EQ(batch.epoch(), epoch + 1);
}

TEST(AIPositionBatchTest, ABusyMutexMeansNothingTakenAndNoWait) {
    AIPositionBatch batch;
    batch.setCurrent(7, lf_at(1, 1));
    batch.commit(kMs);
    AIPositionMap taken;
    {
        // std::mutex may not be tried by its holder: the traffic thread holds it here.
        std::promise<void> held;
        std::promise<void> release;
        std::thread traffic([&] {
            const auto lock = batch.hold();
            held.set_value();
            release.get_future().wait();
        });
        held.get_future().wait();
        EXPECT_EQ(batch.tryTake(taken), AIPositionBatch::TakeResult::busy);
        release.set_value();
        traffic.join();
    }
    EXPECT_TRUE(taken.empty());
    EXPECT_EQ(batch.tryTake(taken), AIPositionBatch::TakeResult::taken);
}

TEST(AIPositionRingTest, TheRingDropsItsOldestWhenFull) {
    AIPositionRing ring;
    for (int i = 0; i < 40; ++i) {
        ring.push_back(lf_sample(i, lf_at(i, 0)));
        EXPECT_EQ(ring.size(), std::min<std::size_t>(i + 1, kMaxAIPositionSamples));
        EXPECT_EQ(ring.back().position.latitude, i);
        EXPECT_EQ(ring.front().position.latitude, std::max(0, i - 15));
    }
    ring.pop_front();
    EXPECT_EQ(ring.front().position.latitude, 25);
    ring.clear();
    EXPECT_TRUE(ring.empty());
}

struct JumpCase {
    std::string what;
    std::int64_t stepNs;
    AIPosition next;
    bool restarts;
};

TEST(AIPositionHistoryTest, AJumpRestartsTheHistory) {
    // A degree of latitude is 60 NM, 111120 m.
    const AIPosition base = lf_at(47.0, 8.0, 0, 5000);
    const std::vector<JumpCase> cases = {
        {"same time", 0, base, true},
        {"time going back", -kMs, base, true},
        {"one nanosecond later", 1, base, false},
        {"250 ms later", 250 * kMs, base, false},
        {"250 ms and 1 ns later", 250 * kMs + 1, base, true},
        {"999 m away", 10 * kMs, lf_at(47.0 + 999.0 / 111120.0, 8.0, 0, 5000), false},
        {"1001 m away", 10 * kMs, lf_at(47.0 + 1001.0 / 111120.0, 8.0, 0, 5000), true},
        {"2000 ft higher", 10 * kMs, lf_at(47.0, 8.0, 0, 7000), false},
        {"2000.1 ft lower", 10 * kMs, lf_at(47.0, 8.0, 0, 2999.9), true},
        {"a position that is no number", 10 * kMs, lf_at(NAN, 8.0, 0, 5000), true},
        {"across the antimeridian, 700 m", 10 * kMs, lf_at(0.0, -179.997, 0, 5000), false},
    };
    for (const JumpCase& c : cases) {
        SCOPED_TRACE(c.what);
        AIPositionHistory history;
        const AIPosition first = c.what.starts_with("across") ? lf_at(0.0, 179.9967) : base;
        gf_addAIPositionSample(history, AIPositionSample{first, 1000 * kMs});
        gf_addAIPositionSample(history, AIPositionSample{first, 1010 * kMs});
        gf_addAIPositionSample(history, AIPositionSample{c.next, 1010 * kMs + c.stepNs});
        EXPECT_EQ(history.samples.size(), c.restarts ? 1u : 3u);
        EXPECT_EQ(history.samples.back().timeNs, 1010 * kMs + c.stepNs);
    }
}

TEST(AIPositionHistoryTest, AnEmptyHistoryGivesNothingAndOneSampleItself) {
    AIPositionHistory history;
    EXPECT_FALSE(gf_interpolateAIPosition(history, 1000 * kMs));
    gf_addAIPositionSample(history, lf_sample(500, lf_at(1, 2)));
    for (const std::int64_t now : {0L, 520L, 9000L}) {
        EXPECT_EQ(gf_interpolateAIPosition(history, now * kMs), lf_at(1, 2));
    }
}

struct InterpolationCase {
    std::string what;
    AIPosition earlier;
    AIPosition later;
    std::int64_t nowMs; // samples at 1000 and 1010 ms; shown 20 ms behind
    AIPosition expected;
};

TEST(AIPositionHistoryTest, PositionsAreInterpolatedTwentyMillisecondsBehind) {
    AIPosition a = lf_at(47.0, 8.0, 1.0, 5000);
    a.pitch = -0.02;
    a.bank = 0.1;
    a.verticalSpeed = 1000;
    a.trueAirspeed = 250;
    AIPosition b = lf_at(47.002, 8.004, 1.2, 5010);
    b.pitch = -0.04;
    b.bank = 0.3;
    b.verticalSpeed = 1200;
    b.trueAirspeed = 254;
    AIPosition quarter = lf_at(47.0005, 8.001, 1.05, 5002.5);
    quarter.pitch = -0.025;
    quarter.bank = 0.15;
    quarter.verticalSpeed = 1050;
    quarter.trueAirspeed = 251;
    const double twoPi = 2 * kPi;
    const std::vector<InterpolationCase> cases = {
        {"before the oldest", a, b, 1010, a},
        {"at the oldest", a, b, 1020, a},
        {"a quarter", a, b, 1022, quarter}, // and half a millisecond: 2.5 ms of 10
        {"at the newest, exactly", a, b, 1030, b},
        {"after the newest", a, b, 1500, b},
        // Longitudes take the short way across the antimeridian (at most 1000 m a step)...
        {"east across 180", lf_at(0, 179.996), lf_at(0, -179.996), 1025, lf_at(0, 180.0)},
        {"a fifth east across 180", lf_at(0, 179.997), lf_at(0, -179.997), 1022,
         lf_at(0, 179.9982)},
        {"seven tenths west across 180", lf_at(0, -179.997), lf_at(0, 179.997), 1027,
         lf_at(0, 179.9988)},
        // ... and headings the short way across north.
        {"right across north", lf_at(0, 0, twoPi - 0.1), lf_at(0, 0, 0.1), 1025, lf_at(0, 0, 0)},
        {"a fifth right across north", lf_at(0, 0, twoPi - 0.2), lf_at(0, 0, 0.2), 1022,
         lf_at(0, 0, twoPi - 0.12)},
        {"seven tenths left across north", lf_at(0, 0, 0.2), lf_at(0, 0, twoPi - 0.2), 1027,
         lf_at(0, 0, twoPi - 0.08)},
    };
    for (const InterpolationCase& c : cases) {
        SCOPED_TRACE(c.what);
        AIPositionHistory history;
        gf_addAIPositionSample(history, lf_sample(1000, c.earlier));
        gf_addAIPositionSample(history, lf_sample(1010, c.later));
        std::int64_t now = c.nowMs * kMs;
        if (c.what == "a quarter") {
            now += kMs / 2; // 2.5 ms of 10
        }
        const std::optional<AIPosition> p = gf_interpolateAIPosition(history, now);
        ASSERT_TRUE(p);
        const AIPosition& e = c.expected;
        EXPECT_NEAR(p->latitude, e.latitude, 1e-9);
        // +180 and -180 are the same meridian.
        EXPECT_NEAR(std::remainder(p->longitude - e.longitude, 360.0), 0.0, 1e-9);
        EXPECT_GE(p->longitude, -180.0);
        EXPECT_LE(p->longitude, 180.0);
        EXPECT_NEAR(std::remainder(p->headingTrue - e.headingTrue, twoPi), 0.0, 1e-9);
        EXPECT_GE(p->headingTrue, 0.0);
        EXPECT_LT(p->headingTrue, twoPi);
        EXPECT_NEAR(p->pitch, e.pitch, 1e-12);
        EXPECT_NEAR(p->bank, e.bank, 1e-12);
        EXPECT_NEAR(p->altitude, e.altitude, 1e-9);
        EXPECT_NEAR(p->verticalSpeed, e.verticalSpeed, 1e-9);
        EXPECT_NEAR(p->trueAirspeed, e.trueAirspeed, 1e-9);
        if (c.what == "at the newest, exactly") {
            EXPECT_EQ(*p, b); // not merely near
        }
    }
}

TEST(AIPositionHistoryTest, SamplesNoLongerNeededAreDroppedButTwoAreKept) {
    AIPositionHistory history;
    for (int i = 0; i < 10; ++i) {
        gf_addAIPositionSample(history, lf_sample(1000 + 10 * i, lf_at(47.0 + i * 1e-4, 8.0)));
    }
    // Shown at 1045: between the samples of 1040 and 1050.
    const auto p = gf_interpolateAIPosition(history, 1065 * kMs);
    ASSERT_TRUE(p);
    EXPECT_NEAR(p->latitude, 47.00045, 1e-12);
    EXPECT_EQ(history.samples.size(), 6u);
    EXPECT_EQ(history.samples.front().timeNs, 1040 * kMs);
    // Long after the last sample: the newest, and the two newest stay.
    EXPECT_DOUBLE_EQ(gf_interpolateAIPosition(history, 5000 * kMs)->latitude, 47.0009);
    EXPECT_EQ(history.samples.size(), 2u);
    EXPECT_EQ(history.samples.back().timeNs, 1090 * kMs);
}

TEST(AIPositionHistoryTest, TwoSamplesTooFarApartAreNotInterpolated) {
    // Built directly: adding would restart the history on such a step.
    AIPositionHistory history;
    history.samples.push_back(lf_sample(1000, lf_at(47.0, 8.0)));
    history.samples.push_back(lf_sample(1300, lf_at(47.001, 8.0)));
    const auto p = gf_interpolateAIPosition(history, 1170 * kMs);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->latitude, 47.001);
}

TEST(AIPositionHistoryTest, ATwoSecondHistoryGlidesWithoutStepsAboveTheCommandedMotion) {
    // 0.0001 degrees a step of 10 ms; frames every 16.7 ms.
    AIPositionHistory history;
    double lastLatitude = NAN;
    for (int ms = 0; ms <= 2000; ++ms) {
        if (ms % 10 == 0) {
            gf_addAIPositionSample(history, lf_sample(ms, lf_at(ms / 10 * 1e-4, 0)));
        }
        if (ms % 17 == 0) {
            const auto p = gf_interpolateAIPosition(history, ms * kMs);
            ASSERT_TRUE(p);
            if (!std::isnan(lastLatitude)) {
                EXPECT_LE(p->latitude - lastLatitude, 17 * 1e-5 + 1e-12) << ms;
                EXPECT_GE(p->latitude - lastLatitude, 0.0) << ms;
            }
            lastLatitude = p->latitude;
        }
    }
}

} // namespace
} // namespace skyloom

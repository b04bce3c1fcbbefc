// The stand at a position among the published stands: the nearest within 20 m, nothing before
// the user's position is known, and the last answer for a position that barely moved.
#include <memory>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "parking/parking_state.h"
#include "parking/stand_at_position.h"

namespace skyloom {
namespace {

constexpr double kMetresPerDegree = 111120.0; // 60 NM of 1852 m

Lalo lf_north(double metres) {
    return {33.94 + metres / kMetresPerDegree, -118.40};
}

TEST(StandAtPositionTest, TheNearestStandWithin20MetresAndTheLastAnswerNearby) {
    auto stands = std::make_shared<StandsSnapshot>();
    stands->stands = {{"GATE 41", lf_north(0)}, {"GATE 42", lf_north(30)}};
    const std::shared_ptr<const StandsSnapshot> published = stands;
    const std::shared_ptr<const StandsSnapshot> empty = std::make_shared<StandsSnapshot>();

    struct Ask {
        std::shared_ptr<const StandsSnapshot> snapshot;
        bool userKnown;
        double metres;
        std::optional<std::string> stand;
        const char* why;
    };
    const Ask asks[] = {
        {published, false, 0, std::nullopt, "the user's position is not known yet"},
        {nullptr, true, 0, std::nullopt, "nothing published"},
        {empty, true, 0, std::nullopt, "no stands"},
        {published, true, -25, std::nullopt, "25 m from the nearest centre"},
        {published, true, -15, "GATE 41", "15 m from its centre"},
        {published, true, 17, "GATE 42", "nearer 42 than 41"},
        // 3.7 m (0.002 NM) back from the last ask, now nearer GATE 41: the last answer holds.
        {published, true, 13.3, "GATE 42", "the last answer nearby"},
        {published, true, 60, std::nullopt, "30 m beyond the last stand"},
        {published, true, 14, "GATE 41", "nearer 41 than 42"},
    };
    for (const Ask& ask : asks) {
        EXPECT_EQ(gf_standAtPosition(ask.snapshot, ask.userKnown, lf_north(ask.metres)), ask.stand)
            << ask.why;
    }
}

TEST(StandAtPositionTest, ANewSnapshotIsSearchedAgainAtTheSamePlace) {
    auto first = std::make_shared<StandsSnapshot>();
    first->stands = {{"A1", lf_north(0)}};
    auto second = std::make_shared<StandsSnapshot>();
    second->stands = {{"B7", lf_north(2)}};
    EXPECT_EQ(gf_standAtPosition(first, true, lf_north(1)), "A1");
    EXPECT_EQ(gf_standAtPosition(second, true, lf_north(1)), "B7");
}

} // namespace
} // namespace skyloom

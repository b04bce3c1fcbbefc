#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "parking/stand_quality.h"
#include "tests/parking/support/parking_test_support.h"

namespace skyloom {
namespace {

using testing::optionOf;
using testing::standAt;

Stand lf_stand(StandType type = StandType::GATE_MEDIUM, double radiusMetres = 25) {
    return standAt("S", 52.3, 4.76, 0, radiusMetres, type);
}

// One option of `day` covering slots first..last.
Stand lf_withOption(Stand stand, std::uint32_t day, unsigned first, unsigned last, bool real = true,
                    std::uint32_t seq = 1) {
    FlightOption option = optionOf("KLM", "B738", "PH-BXA", day, first, last, seq);
    option.real = real ? 1 : 0;
    stand.options.push_back(option);
    return stand;
}

struct QualityCase {
    const char* name;
    std::vector<Stand> stands;
    QualityScores expected;
};

std::vector<QualityCase> lf_qualityCases() {
    // A stand of every day, 250 options, all 48 slots and 350 or more slot hits.
    Stand full = lf_stand();
    for (std::uint32_t i = 0; i < 250; ++i) {
        full = lf_withOption(full, 1 + i % 7, 0, 47, true, i + 1);
    }
    Stand largeStand = lf_withOption(lf_stand(), 3, 0, 3);
    largeStand.radius = 8.0; // NM: weight 1.5
    return {
        {"empty list", {}, {-1, -1}},
        {"no option anywhere", {lf_stand(), lf_stand()}, {-1, -1}},
        // 100 + 20 + 10000 + 50 + 8 = 10178 points: round(63.6125)
        {"one real option", {lf_withOption(lf_stand(), 3, 0, 3)}, {64, 0}},
        {"one soft option", {lf_withOption(lf_stand(), 3, 0, 3, false)}, {0, 64}},
        {"beside a stand without options",
         {lf_withOption(lf_stand(), 3, 0, 3), lf_stand()},
         {32, 0}},
        {"only fuel stands have options",
         {lf_withOption(lf_stand(StandType::FUEL), 3, 0, 3), lf_stand()},
         {0, 0}},
        {"only options of seq 0", {lf_withOption(lf_stand(), 3, 0, 3, true, 0)}, {0, 0}},
        // day 9 is no day: 20 + 10000 + 50 + 8 = 10078 points
        {"day outside the week", {lf_withOption(lf_stand(), 9, 0, 3)}, {63, 0}},
        {"every cap reached", {full}, {100, 0}},
        // 10178 x 1.5 / (1.5 + 0.3) x 0.00625 = 53.01
        {"weights by radius in NM", {largeStand, lf_stand()}, {53, 0}},
    };
}

TEST(StandQualityTest, ScoresFollowTheWeightedPointsOfEachKind) {
    for (const QualityCase& c : lf_qualityCases()) {
        EXPECT_EQ(gf_computeQualityScores(c.stands), c.expected) << c.name;
    }
}

TEST(StandQualityTest, FormatShowsBlanksBothOrTheRealScore) {
    const struct {
        QualityScores scores;
        std::string text;
    } cases[] = {
        {{0, 0}, "  "},    {{-1, -1}, "  "}, {{20, 5}, "20/ 5"}, {{34, 0}, "34/ 0"},
        {{0, 7}, " 0/ 7"}, {{35, 0}, "35"},  {{80, 5}, "80"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(gf_formatQuality(c.scores), c.text) << c.scores.qfReal << "/" << c.scores.qfSoft;
    }
}

} // namespace
} // namespace skyloom

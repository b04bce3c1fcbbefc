#include "parking/stand_quality.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include <fmt/format.h>

namespace skyloom {

namespace {

// Weights by the stand's radius as the record holds it (NM): real stands are far below 7 NM,
// so every scored stand weighs the same and each score is the plain mean over the stands.
constexpr double kSmallStandRadiusLimit = 7.0;
constexpr double kMediumStandRadiusLimit = 10.0;
constexpr double kSmallStandWeight = 0.3;
constexpr double kMediumStandWeight = 1.5;
constexpr double kLargeStandWeight = 1.0;

constexpr double kPointsPerDay = 100.0;
constexpr double kPointsPerOption = 20.0;
constexpr double kMaxOptionPoints = 4000.0;
constexpr double kPointsForAnyOption = 10000.0;
constexpr double kPointsPerSlotCovered = 12.5;
constexpr double kPointsPerSlotHit = 2.0;
constexpr double kMaxSlotHitPoints = 700.0;
constexpr double kScorePerPoint = 0.00625;
constexpr std::int32_t kMaxScore = 100;

double lf_standWeight(double radius) {
    if (radius <= kSmallStandRadiusLimit) {
        return kSmallStandWeight;
    }
    return radius <= kMediumStandRadiusLimit ? kMediumStandWeight : kLargeStandWeight;
}

// The points one stand earns with its options of one kind; 0 when it has none.
double lf_kindPoints(const Stand& stand, bool real) {
    std::size_t count = 0;
    std::uint32_t days = 0; // bit d for day d
    std::uint64_t covered = 0;
    double hits = 0;
    for (const FlightOption& option : stand.options) {
        if (option.seq == 0 || (option.real != 0) != real) {
            continue;
        }
        ++count;
        if (option.day >= 1 && option.day <= 7) {
            days |= 1u << option.day;
        }
        covered |= option.hours.word();
        hits += option.hours.count();
    }
    if (count == 0) {
        return 0.0;
    }
    return kPointsPerDay * std::popcount(days) +
           std::min(kPointsPerOption * static_cast<double>(count), kMaxOptionPoints) +
           kPointsForAnyOption + kPointsPerSlotCovered * std::popcount(covered) +
           std::min(kPointsPerSlotHit * hits, kMaxSlotHitPoints);
}

std::int32_t lf_score(double sum, double totalWeight) {
    const long rounded = std::lround(sum / totalWeight * kScorePerPoint);
    return static_cast<std::int32_t>(std::clamp<long>(rounded, 0, kMaxScore));
}

} // namespace

QualityScores gf_computeQualityScores(std::span<const Stand> stands) {
    const bool anyOption = std::any_of(stands.begin(), stands.end(),
                                       [](const Stand& s) { return !s.options.empty(); });
    if (!anyOption) {
        return QualityScores{-1, -1};
    }
    double totalWeight = 0;
    double realSum = 0;
    double softSum = 0;
    for (const Stand& stand : stands) {
        if (stand.type == StandType::FUEL) {
            continue;
        }
        const double weight = lf_standWeight(stand.radius);
        totalWeight += weight;
        realSum += lf_kindPoints(stand, true) * weight;
        softSum += lf_kindPoints(stand, false) * weight;
    }
    if (!(totalWeight > 0)) {
        return QualityScores{0, 0};
    }
    return QualityScores{lf_score(realSum, totalWeight), lf_score(softSum, totalWeight)};
}

std::string gf_formatQuality(const QualityScores& scores) {
    if (scores.qfReal < 1 && scores.qfSoft < 1) {
        return "  ";
    }
    if (scores.qfReal < 35) {
        return fmt::format("{:2}/{:2}", scores.qfReal, scores.qfSoft);
    }
    return fmt::format("{:2}", scores.qfReal);
}

} // namespace skyloom

// Stand quality: how well an airport's flight options cover its stands, as two scores 0..100,
// one for real options (seen in real traffic) and one for soft options. Airport files store
// them as Qf_real and Qf_soft; they are recomputed when a learned file is merged or saved.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "refdata/airport_file.h"

namespace skyloom {

struct QualityScores {
    std::int32_t qfReal = 0;
    std::int32_t qfSoft = 0;

    friend bool operator==(const QualityScores&, const QualityScores&) = default;
};

// The scores of a stand list; (-1, -1) when the list is empty or no stand has any option,
// (0, 0) when only FUEL stands (which are not scored) are there. Each scored stand can reach
// 16000 points per kind: 100 per distinct day, 20 per option (at most 4000), 10000 for having
// one, 12.5 per half-hour slot covered and 2 per slot hit (at most 700); the score is the
// weighted mean times 0.00625, rounded and clamped to 0..100. Options with seq 0 are not
// scored. Pure.
QualityScores gf_computeQualityScores(std::span<const Stand> stands);

// The scores as reports show them: two blanks when both are below 1; "{:2}/{:2}" (real,
// soft) when the real score is below 35; else the real score alone, "{:2}".
std::string gf_formatQuality(const QualityScores& scores);

} // namespace skyloom

// The picture of a replay: the true track and the simulated path on a flat map around them,
// the path coloured by flight phase, with a scale bar and a legend; written as PNG (cairo).
#pragma once

#include <filesystem>
#include <vector>

#include "tools/track_replay/track_replay.h"
#include "tools/track_replay/true_track.h"

namespace skyloom::tools {

// Throws std::runtime_error when the file cannot be written.
void gf_drawReplay(const std::filesystem::path& png, const std::vector<TruePoint>& truth,
                   const ReplayRun& run);

} // namespace skyloom::tools

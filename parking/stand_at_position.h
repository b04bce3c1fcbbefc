// The stand at a position, among the published stands snapshot: callable from any thread (the
// simulator client, the feed, parking), lock-free, with a per-thread memory of the last answer
// because callers ask again and again about a position that barely moved.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "foundation/lalo.h"

namespace skyloom {

struct StandsSnapshot;

// A stand counts when its centre lies at most this far from the position (20 m, in NM^2).
inline constexpr double kStandAtPositionNm2 = 0.00011662133983924917;
// A position this close to the last one asked on this thread (0.003 NM, in NM^2) gets the last
// answer, as long as the snapshot is the same.
inline constexpr double kStandCacheNm2 = 9e-6;

// The name of the snapshot's stand nearest the position within 20 m; nothing when the snapshot
// holds no stands or the user aircraft's position is not known yet (which also forgets this
// thread's last answer). Flat earth around the position.
std::optional<std::string> gf_standAtPosition(const std::shared_ptr<const StandsSnapshot>& snapshot,
                                              bool userPositionKnown, const Lalo& position);

} // namespace skyloom

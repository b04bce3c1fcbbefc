// The stand snapshot: an immutable copy of the park airport's stand ids and positions that
// other threads read lock-free (`gf_standsSnapshot`). The main worker publishes a new one
// whenever the stand list is read or cleared (`gf_publishStandsSnapshot`); readers keep the one
// they hold until they let it go.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace skyloom {

struct Stand;

struct StandSnapshotEntry {
    std::string id;
    double latitude = 0;
    double longitude = 0;

    friend bool operator==(const StandSnapshotEntry&, const StandSnapshotEntry&) = default;
};
using StandsSnapshot = std::vector<StandSnapshotEntry>;

// Builds the snapshot of `stands`, in their order, swaps it in and wakes threads waiting for a
// change.
void gf_publishStandsSnapshot(const std::vector<Stand>& stands);
// The snapshot in force (never null; empty before the first publication).
std::shared_ptr<const StandsSnapshot> gf_standsSnapshot();
// Blocks until the snapshot in force is another than `seen`.
void gf_waitForStandsSnapshot(const std::shared_ptr<const StandsSnapshot>& seen);

} // namespace skyloom

// The installed-livery list: the liveries of the scanned-liveries file, sorted by
// gf_liveryLess, from which the livery tables are built. Replaced whole by each successful read
// of the file (gf_readLiveriesScanned); belongs to the main worker thread and takes no lock.
#pragma once

#include <vector>

#include "liveries/livery_record.h"

namespace skyloom {

const std::vector<LiveryRecord>& gf_installedLiveries();

// Replaces the list (the reader; tests and benchmarks that build tables from made-up records).
void gf_replaceInstalledLiveries(std::vector<LiveryRecord> records);

} // namespace skyloom

// `LiveryRecord`: one installed AI livery as the livery scan finds it and the scanned-liveries
// file keeps it (title, registration, `LiveryKey`, package rank), and the one order in which
// lists of them are kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "refdata/livery_key.h"

namespace skyloom {

// Both record lists (the scan's and the installed liveries) make room for this many records up
// front: the large AI packages hold tens of thousands of liveries.
inline constexpr std::size_t kLiveryListReserve = 30000;

// A package rank never goes above this; a lower rank is a higher priority.
inline constexpr std::uint16_t kMaxPackageRank = 10;

struct LiveryRecord {
    // The title of the [fltsim.N] section: the name by which the simulator creates an AI
    // object in this livery (UTF-8).
    std::string title;
    // The registration shown by the livery (UTF-8); may be empty.
    std::string regcode;
    LiveryKey key;
    // 1 for the package folder of highest priority, at most kMaxPackageRank. Not kept in the
    // scanned-liveries file: 0 in every record read from it.
    std::uint16_t packageRank = 0;

    // The record that stands for "no livery": empty texts, key 0, rank 0.
    bool isEmpty() const noexcept {
        return title.empty() && regcode.empty() && key.value() == 0 && packageRank == 0;
    }
};

// The order of record lists: by key (airline, operator, model, each as unsigned 16 bits, then
// the cargo byte; the further byte is ignored), then title, then regcode, the texts compared as
// byte strings. The package rank takes no part.
bool gf_liveryLess(const LiveryRecord& a, const LiveryRecord& b) noexcept;

// True when the two records are the same livery: equal title, regcode, airline, operator, model
// and cargo. The further key byte and the package rank take no part, so two copies of one
// livery found in two packages are the same.
bool gf_sameLivery(const LiveryRecord& a, const LiveryRecord& b) noexcept;

} // namespace skyloom

#include "traffic/decode/livery_memory.h"

#include "foundation/fnv_hash.h"
#include "liveries/livery_matching_summary.h"

namespace skyloom {

std::size_t LiveryMemory::HexidHash::operator()(std::uint32_t hexid) const noexcept {
    std::uint64_t hash = kFnv1a64OffsetBasis;
    for (int shift = 0; shift < 32; shift += 8) {
        hash = gf_fnv1a64Byte(hash, static_cast<std::uint8_t>((hexid >> shift) & 0xFFu));
    }
    return hash;
}

void LiveryMemory::remember(std::uint32_t hexid, std::string_view title) {
    titles_.insert_or_assign(hexid, std::string(title));
}

std::optional<std::string> LiveryMemory::recalled(std::uint32_t hexid) {
    const auto it = titles_.find(hexid);
    if (it == titles_.end()) {
        return std::nullopt;
    }
    if (gf_isFailedLiveryTitle(it->second)) {
        titles_.erase(it);
        return std::nullopt;
    }
    return it->second;
}

bool LiveryMemory::forget(std::uint32_t hexid) {
    return titles_.erase(hexid) != 0;
}

} // namespace skyloom

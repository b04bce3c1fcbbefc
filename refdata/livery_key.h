// `LiveryKey`: the identity of a livery, and of an aircraft to be shown in one, by codes: airline
// id, operator id (0 for none), model id, cargo flag and one further byte, which is 1 when the
// key was taken from the dbase's registration table. The ids index the code tables
// (refdata/code_table.h). Eight bytes handled as one 64-bit value, the airline in the low bits
// and the further byte on top. The one key type of the program: the dbase, the feed, the
// scanned liveries (liveries/livery_record.h) and the livery tables all use it.
#pragma once

#include <compare>
#include <cstdint>
#include <tuple>

namespace skyloom {

struct LiveryKey {
    static constexpr std::uint64_t kIdentityMask = 0x00FF'FFFF'FFFF'FFFFull;

    std::uint16_t airline = 0;
    // The operating airline's id; 0, the id of the empty airline code, means none.
    std::uint16_t operatorId = 0;
    std::uint16_t model = 0;
    std::uint8_t cargo = 0;
    // 1 when the key comes from the registration table, else 0. Not part of the identity.
    std::uint8_t fromRegistration = 0;

    constexpr std::uint64_t value() const noexcept {
        return static_cast<std::uint64_t>(airline) |
               (static_cast<std::uint64_t>(operatorId) << 16) |
               (static_cast<std::uint64_t>(model) << 32) |
               (static_cast<std::uint64_t>(cargo) << 48) |
               (static_cast<std::uint64_t>(fromRegistration) << 56);
    }

    // The 56 bits of the identity: the value without the further byte. Two keys are equal
    // exactly when their identities are.
    constexpr std::uint64_t identity() const noexcept { return value() & kIdentityMask; }

    static constexpr LiveryKey fromValue(std::uint64_t value) noexcept {
        return LiveryKey{static_cast<std::uint16_t>(value & 0xFFFFu),
                         static_cast<std::uint16_t>((value >> 16) & 0xFFFFu),
                         static_cast<std::uint16_t>((value >> 32) & 0xFFFFu),
                         static_cast<std::uint8_t>((value >> 48) & 0xFFu),
                         static_cast<std::uint8_t>((value >> 56) & 0xFFu)};
    }

    // Keys order by airline, operator, model and cargo; the further byte is ignored, so a key
    // from the registration table equals the same key built from codes.
    friend constexpr std::strong_ordering operator<=>(const LiveryKey& a,
                                                      const LiveryKey& b) noexcept {
        return std::tie(a.airline, a.operatorId, a.model, a.cargo) <=>
               std::tie(b.airline, b.operatorId, b.model, b.cargo);
    }
    friend constexpr bool operator==(const LiveryKey& a, const LiveryKey& b) noexcept {
        return (a <=> b) == std::strong_ordering::equal;
    }
};

static_assert(sizeof(LiveryKey) == 8);

} // namespace skyloom

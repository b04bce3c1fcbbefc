// FNV-1a 64-bit hashing for the program's hash maps and sets keyed by text or by 16-bit ids,
// so that their bucket order is the same on every platform and run. A 16-bit id is hashed as
// its two bytes, low byte first. The text hasher is transparent: a map keyed by std::string can
// be searched with a std::string_view or a C string without building a std::string.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace skyloom {

inline constexpr std::uint64_t kFnv1a64OffsetBasis = 14695981039346656037ull;
inline constexpr std::uint64_t kFnv1a64Prime = 1099511628211ull;

// Folds one more byte into a running FNV-1a 64 hash.
constexpr std::uint64_t gf_fnv1a64Byte(std::uint64_t hash, std::uint8_t byte) noexcept {
    return (hash ^ byte) * kFnv1a64Prime;
}

constexpr std::uint64_t gf_fnv1a64(std::string_view bytes) noexcept {
    std::uint64_t hash = kFnv1a64OffsetBasis;
    for (const char c : bytes) {
        hash = gf_fnv1a64Byte(hash, static_cast<std::uint8_t>(c));
    }
    return hash;
}

constexpr std::uint64_t gf_fnv1a64(std::uint16_t id) noexcept {
    std::uint64_t hash = kFnv1a64OffsetBasis;
    hash = gf_fnv1a64Byte(hash, static_cast<std::uint8_t>(id & 0xFFu));
    hash = gf_fnv1a64Byte(hash, static_cast<std::uint8_t>(id >> 8));
    return hash;
}

static_assert(sizeof(std::size_t) == sizeof(std::uint64_t), "FNV-1a 64 needs a 64-bit size_t");

struct FnvStringHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const noexcept { return gf_fnv1a64(text); }
    std::size_t operator()(const std::string& text) const noexcept { return gf_fnv1a64(text); }
    std::size_t operator()(const char* text) const noexcept {
        return gf_fnv1a64(std::string_view(text));
    }
};

struct FnvIdHash {
    std::size_t operator()(std::uint16_t id) const noexcept { return gf_fnv1a64(id); }
};

template <typename Value>
using FnvStringMap = std::unordered_map<std::string, Value, FnvStringHash, std::equal_to<>>;
using FnvStringSet = std::unordered_set<std::string, FnvStringHash, std::equal_to<>>;

template <typename Value> using FnvIdMap = std::unordered_map<std::uint16_t, Value, FnvIdHash>;
using FnvIdSet = std::unordered_set<std::uint16_t, FnvIdHash>;

} // namespace skyloom

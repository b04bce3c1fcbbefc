// `HoursBitset`: the half-hour slots of the UTC day (0 = 00:00-00:29, 47 = 23:30-23:59), one
// bit per slot in a 64-bit word, and its text form in airport files: "{}" for one slot,
// "{first}:{last}" for an inclusive range, or a comma-separated list of slots.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace skyloom {

class HoursBitset {
public:
    static constexpr unsigned kSlotCount = 48;
    static constexpr std::uint64_t kAllSlotsMask = (std::uint64_t{1} << kSlotCount) - 1;

    constexpr HoursBitset() = default;
    // The slots of a word; bits above slot 47 are dropped.
    static constexpr HoursBitset fromWord(std::uint64_t word) noexcept {
        HoursBitset bits;
        bits.word_ = word & kAllSlotsMask;
        return bits;
    }
    // One slot; throws std::out_of_range for a slot of 48 or more.
    static HoursBitset single(unsigned slot);
    // The slots first..last inclusive; throws std::out_of_range when either is 48 or more or
    // first > last.
    static HoursBitset range(unsigned first, unsigned last);

    constexpr std::uint64_t word() const noexcept { return word_; }

    // Set, clear and test one slot; a slot of 48 or more throws std::out_of_range.
    HoursBitset& set(unsigned slot);
    HoursBitset& reset(unsigned slot);
    bool test(unsigned slot) const;

    unsigned count() const noexcept;
    constexpr bool any() const noexcept { return word_ != 0; }
    constexpr bool none() const noexcept { return word_ == 0; }
    constexpr bool intersects(const HoursBitset& other) const noexcept {
        return (word_ & other.word_) != 0;
    }
    // The lowest and the highest slot set; no value for an empty set.
    std::optional<unsigned> firstSlot() const noexcept;
    std::optional<unsigned> lastSlot() const noexcept;
    // True when the set is not empty and its slots form one run without gaps.
    bool isContiguous() const noexcept;

    constexpr HoursBitset& operator|=(const HoursBitset& other) noexcept {
        word_ |= other.word_;
        return *this;
    }
    constexpr HoursBitset& operator&=(const HoursBitset& other) noexcept {
        word_ &= other.word_;
        return *this;
    }
    friend constexpr HoursBitset operator|(HoursBitset a, const HoursBitset& b) noexcept {
        return a |= b;
    }
    friend constexpr HoursBitset operator&(HoursBitset a, const HoursBitset& b) noexcept {
        return a &= b;
    }
    friend constexpr bool operator==(const HoursBitset&, const HoursBitset&) = default;

private:
    std::uint64_t word_ = 0;
};

// The slots of a text: "a:b", the inclusive range from a to b, or "a,b,c", a list (one number
// is a list of one); numbers are decimal slots 0 to 47, blanks around them are allowed. A range
// never runs backwards: stand uses are recorded per day, so "40:3" is an error, not a wrap over
// midnight. An error is logged as an important line naming gf_hours2bitset and gives an empty
// set.
HoursBitset gf_hours2bitset(std::string_view text);

// "{}" for one slot, "{}:{}" for one contiguous range of slots; no value for an empty set or
// one with gaps.
std::optional<std::string> gf_bitset2hours(const HoursBitset& hours);

} // namespace skyloom

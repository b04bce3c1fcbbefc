#include "foundation/hours_bitset.h"

#include <bit>
#include <charconv>
#include <stdexcept>

#include <fmt/format.h>

#include "foundation/log_file.h"

namespace skyloom {

namespace {

void lf_checkSlot(unsigned slot) {
    if (slot >= HoursBitset::kSlotCount) {
        throw std::out_of_range(fmt::format("HoursBitset: slot {} is not in 0..47", slot));
    }
}

std::string_view lf_trimBlanks(std::string_view text) {
    constexpr std::string_view blanks = " \t\r\n";
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

// One slot number: decimal digits only, 0 to 47; the error text otherwise.
struct SlotOrError {
    unsigned slot = 0;
    std::string error;
};

SlotOrError lf_parseSlot(std::string_view piece) {
    const std::string_view digits = lf_trimBlanks(piece);
    if (digits.empty()) {
        return {0, "missing slot number"};
    }
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (ec == std::errc::result_out_of_range) {
        return {0, fmt::format("slot {} is not in 0..47", digits)};
    }
    if (ec != std::errc() || end != digits.data() + digits.size()) {
        return {0, fmt::format("'{}' is not a slot number", digits)};
    }
    if (value >= HoursBitset::kSlotCount) {
        return {0, fmt::format("slot {} is not in 0..47", value)};
    }
    return {value, {}};
}

struct BitsOrError {
    HoursBitset bits;
    std::string error;
};

BitsOrError lf_parseRange(std::string_view text, std::size_t colon) {
    if (text.find(':', colon + 1) != std::string_view::npos) {
        return {{}, "more than one ':'"};
    }
    if (text.find(',') != std::string_view::npos) {
        return {{}, "a range and a list at once"};
    }
    const SlotOrError first = lf_parseSlot(text.substr(0, colon));
    if (!first.error.empty()) {
        return {{}, first.error};
    }
    const SlotOrError last = lf_parseSlot(text.substr(colon + 1));
    if (!last.error.empty()) {
        return {{}, last.error};
    }
    if (first.slot > last.slot) {
        return {{}, fmt::format("range {}:{} runs backwards", first.slot, last.slot)};
    }
    return {HoursBitset::range(first.slot, last.slot), {}};
}

BitsOrError lf_parseList(std::string_view text) {
    HoursBitset bits;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        const SlotOrError slot = lf_parseSlot(text.substr(start, comma - start));
        if (!slot.error.empty()) {
            return {{}, slot.error};
        }
        bits.set(slot.slot);
        if (comma == std::string_view::npos) {
            return {bits, {}};
        }
        start = comma + 1;
    }
}

} // namespace

HoursBitset HoursBitset::single(unsigned slot) {
    return HoursBitset().set(slot);
}

HoursBitset HoursBitset::range(unsigned first, unsigned last) {
    lf_checkSlot(first);
    lf_checkSlot(last);
    if (first > last) {
        throw std::out_of_range(
            fmt::format("HoursBitset: range {}:{} runs backwards", first, last));
    }
    const std::uint64_t upTo = (std::uint64_t{1} << (last + 1)) - 1;
    const std::uint64_t below = (std::uint64_t{1} << first) - 1;
    return fromWord(upTo & ~below);
}

HoursBitset& HoursBitset::set(unsigned slot) {
    lf_checkSlot(slot);
    word_ |= std::uint64_t{1} << slot;
    return *this;
}

HoursBitset& HoursBitset::reset(unsigned slot) {
    lf_checkSlot(slot);
    word_ &= ~(std::uint64_t{1} << slot);
    return *this;
}

bool HoursBitset::test(unsigned slot) const {
    lf_checkSlot(slot);
    return (word_ >> slot) & 1u;
}

unsigned HoursBitset::count() const noexcept {
    return static_cast<unsigned>(std::popcount(word_));
}

std::optional<unsigned> HoursBitset::firstSlot() const noexcept {
    if (none()) {
        return std::nullopt;
    }
    return static_cast<unsigned>(std::countr_zero(word_));
}

std::optional<unsigned> HoursBitset::lastSlot() const noexcept {
    if (none()) {
        return std::nullopt;
    }
    return static_cast<unsigned>(63 - std::countl_zero(word_));
}

bool HoursBitset::isContiguous() const noexcept {
    if (none()) {
        return false;
    }
    const std::uint64_t shifted = word_ >> std::countr_zero(word_);
    return (shifted & (shifted + 1)) == 0;
}

HoursBitset gf_hours2bitset(std::string_view text) {
    const std::string_view trimmed = lf_trimBlanks(text);
    BitsOrError result;
    if (trimmed.empty()) {
        result.error = "no slots";
    } else if (const auto colon = trimmed.find(':'); colon != std::string_view::npos) {
        result = lf_parseRange(trimmed, colon);
    } else {
        result = lf_parseList(trimmed);
    }
    if (!result.error.empty()) {
        LogFile::writeImportant(
            fmt::format("gf_hours2bitset: invalid half-hour slots '{}': {}", text, result.error));
        return {};
    }
    return result.bits;
}

std::optional<std::string> gf_bitset2hours(const HoursBitset& hours) {
    if (!hours.isContiguous()) {
        return std::nullopt;
    }
    const unsigned first = *hours.firstSlot();
    const unsigned last = *hours.lastSlot();
    if (first == last) {
        return fmt::format("{}", first);
    }
    return fmt::format("{}:{}", first, last);
}

} // namespace skyloom

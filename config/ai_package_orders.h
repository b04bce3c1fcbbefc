// The 64 choices of `AI_PACKAGE_SELECTOR`: every ordered selection of one to four of the AI
// traffic package kinds AIG, FSLTL, JF and MTL, highest priority first, joined by ", ". The
// list runs from the 24 orders of all four, through the orders of the four three-kind sets
// and of the six pairs, to the four single kinds; within a group the orders run
// lexicographically by kind number. A choice's index gives its package order.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace skyloom {

// The kinds by number: AIG 0, FSLTL 1, JF 2, MTL 3.
inline constexpr std::array<std::string_view, 4> kAiPackageNames = {"AIG", "FSLTL", "JF", "MTL"};
inline constexpr std::size_t kAiPackageChoiceCount = 64;
inline constexpr std::string_view kAiPackageDefaultChoice = "AIG, FSLTL, JF, MTL";

// The package order (kind numbers) of each choice, in list order.
const std::vector<std::vector<std::uint8_t>>& gf_aiPackageOrders();
// The choice texts, in list order.
const std::vector<std::string>& gf_aiPackageChoices();
// The package order of the choice at the index; no value for an index beyond the list.
std::optional<std::vector<std::uint8_t>> gf_aiPackageOrderAt(std::size_t index);

} // namespace skyloom

#include "config/ai_package_orders.h"

#include <algorithm>

namespace skyloom {
namespace {

// Appends every order of each `size`-kind subset, subsets in lexicographic order of their
// kind numbers, orders of one subset in lexicographic order.
void lf_appendOrdersOfSize(std::size_t size, std::vector<std::vector<std::uint8_t>>& orders) {
    // Bit masks in increasing order do not give lexicographic subsets, so walk the
    // combinations with a selection vector instead: true marks a chosen kind.
    std::vector<bool> chosen(kAiPackageNames.size(), false);
    std::fill(chosen.begin(), chosen.begin() + static_cast<std::ptrdiff_t>(size), true);
    do {
        std::vector<std::uint8_t> subset;
        for (std::size_t kind = 0; kind < chosen.size(); ++kind) {
            if (chosen[kind]) {
                subset.push_back(static_cast<std::uint8_t>(kind));
            }
        }
        do {
            orders.push_back(subset);
        } while (std::next_permutation(subset.begin(), subset.end()));
        // prev_permutation over true-first selections walks the subsets in lexicographic order.
    } while (std::prev_permutation(chosen.begin(), chosen.end()));
}

std::vector<std::vector<std::uint8_t>> lf_buildOrders() {
    std::vector<std::vector<std::uint8_t>> orders;
    orders.reserve(kAiPackageChoiceCount);
    for (std::size_t size = kAiPackageNames.size(); size >= 1; --size) {
        lf_appendOrdersOfSize(size, orders);
    }
    return orders;
}

std::vector<std::string> lf_buildChoices() {
    std::vector<std::string> choices;
    choices.reserve(kAiPackageChoiceCount);
    for (const std::vector<std::uint8_t>& order : gf_aiPackageOrders()) {
        std::string text;
        for (std::uint8_t kind : order) {
            if (!text.empty()) {
                text += ", ";
            }
            text += kAiPackageNames[kind];
        }
        choices.push_back(std::move(text));
    }
    return choices;
}

} // namespace

const std::vector<std::vector<std::uint8_t>>& gf_aiPackageOrders() {
    static const std::vector<std::vector<std::uint8_t>> orders = lf_buildOrders();
    return orders;
}

const std::vector<std::string>& gf_aiPackageChoices() {
    static const std::vector<std::string> choices = lf_buildChoices();
    return choices;
}

std::optional<std::vector<std::uint8_t>> gf_aiPackageOrderAt(std::size_t index) {
    const auto& orders = gf_aiPackageOrders();
    if (index >= orders.size()) {
        return std::nullopt;
    }
    return orders[index];
}

} // namespace skyloom

#include "config/ai_package_orders.h"

#include <set>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace skyloom {
namespace {

using ::testing::ElementsAre;

TEST(AiPackageOrdersTest, HasSixtyFourDistinctChoices) {
    const auto& choices = gf_aiPackageChoices();
    ASSERT_EQ(choices.size(), 64u);
    EXPECT_EQ(std::set<std::string>(choices.begin(), choices.end()).size(), 64u);
    EXPECT_EQ(choices.front(), kAiPackageDefaultChoice);
}

TEST(AiPackageOrdersTest, RunsFromFullOrdersThroughTriplesAndPairsToSingles) {
    const auto& choices = gf_aiPackageChoices();
    ASSERT_EQ(choices.size(), 64u);
    // Within a group, lexicographic by kind number.
    EXPECT_EQ(choices[0], "AIG, FSLTL, JF, MTL");
    EXPECT_EQ(choices[1], "AIG, FSLTL, MTL, JF");
    EXPECT_EQ(choices[2], "AIG, JF, FSLTL, MTL");
    EXPECT_EQ(choices[23], "MTL, JF, FSLTL, AIG");
    // The triples: {AIG, FSLTL, JF}, {AIG, FSLTL, MTL}, {AIG, JF, MTL}, {FSLTL, JF, MTL}.
    EXPECT_EQ(choices[24], "AIG, FSLTL, JF");
    EXPECT_EQ(choices[29], "JF, FSLTL, AIG");
    EXPECT_EQ(choices[30], "AIG, FSLTL, MTL");
    EXPECT_EQ(choices[36], "AIG, JF, MTL");
    EXPECT_EQ(choices[42], "FSLTL, JF, MTL");
    // The pairs: {AIG, FSLTL}, {AIG, JF}, {AIG, MTL}, {FSLTL, JF}, {FSLTL, MTL}, {JF, MTL}.
    EXPECT_EQ(choices[48], "AIG, FSLTL");
    EXPECT_EQ(choices[49], "FSLTL, AIG");
    EXPECT_EQ(choices[50], "AIG, JF");
    EXPECT_EQ(choices[54], "FSLTL, JF");
    EXPECT_EQ(choices[59], "MTL, JF");
    EXPECT_EQ(choices[60], "AIG");
    EXPECT_EQ(choices[61], "FSLTL");
    EXPECT_EQ(choices[62], "JF");
    EXPECT_EQ(choices[63], "MTL");
}

TEST(AiPackageOrdersTest, EachOrderSpellsItsChoice) {
    const auto& choices = gf_aiPackageChoices();
    const auto& orders = gf_aiPackageOrders();
    ASSERT_EQ(orders.size(), choices.size());
    for (std::size_t i = 0; i < orders.size(); ++i) {
        std::string text;
        std::set<std::uint8_t> kinds;
        for (std::uint8_t kind : orders[i]) {
            ASSERT_LT(kind, 4u);
            kinds.insert(kind);
            text += (text.empty() ? "" : ", ") + std::string(kAiPackageNames[kind]);
        }
        EXPECT_EQ(kinds.size(), orders[i].size()) << "a kind repeats in choice " << i;
        EXPECT_EQ(text, choices[i]);
    }
}

TEST(AiPackageOrdersTest, AnIndexBeyondTheListHasNoOrder) {
    EXPECT_THAT(gf_aiPackageOrderAt(49).value(), ElementsAre(1, 0));
    EXPECT_EQ(gf_aiPackageOrderAt(64), std::nullopt);
}

} // namespace
} // namespace skyloom

#include "foundation/hours_bitset.h"

#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/log_file.h"
#include "tests/support/temp_dir.h"

namespace skyloom {
namespace {

HoursBitset lf_slots(std::initializer_list<unsigned> slots) {
    HoursBitset bits;
    for (const unsigned s : slots) {
        bits.set(s);
    }
    return bits;
}

// Opens the log in a temporary folder for one test and reads back what was written.
class HoursTextTest : public ::testing::Test {
protected:
    void SetUp() override { LogFile::openIn(dir_.path()); }
    void TearDown() override { LogFile::close(); }

    std::vector<std::string> logLines() {
        LogFile::flush();
        std::ifstream file(dir_ / "Log.txt");
        std::vector<std::string> lines;
        std::string line;
        while (std::getline(file, line)) {
            lines.push_back(line);
        }
        return lines;
    }
    // The log lines after the first (the log's own header line).
    std::vector<std::string> errorLines() {
        auto lines = logLines();
        if (!lines.empty()) {
            lines.erase(lines.begin());
        }
        return lines;
    }

    testing::TempDir dir_;
};

TEST(HoursBitsetTest, SlotsAreBitsOfTheWord) {
    EXPECT_EQ(HoursBitset().word(), 0u);
    EXPECT_EQ(HoursBitset::single(0).word(), 1u);
    EXPECT_EQ(HoursBitset::single(47).word(), std::uint64_t{1} << 47);
    EXPECT_EQ(HoursBitset::range(0, 47).word(), HoursBitset::kAllSlotsMask);
    EXPECT_EQ(HoursBitset::range(20, 23).word(), 0xF00000u);
    EXPECT_EQ(HoursBitset::range(5, 5), HoursBitset::single(5));
    EXPECT_EQ(HoursBitset::fromWord(~std::uint64_t{0}).word(), HoursBitset::kAllSlotsMask);
}

TEST(HoursBitsetTest, SlotsBeyond47AreARangeError) {
    HoursBitset bits;
    EXPECT_THROW(bits.set(48), std::out_of_range);
    EXPECT_THROW(bits.reset(64), std::out_of_range);
    EXPECT_THROW((void)bits.test(48), std::out_of_range);
    EXPECT_THROW(HoursBitset::single(100), std::out_of_range);
    EXPECT_THROW(HoursBitset::range(0, 48), std::out_of_range);
    EXPECT_THROW(HoursBitset::range(10, 9), std::out_of_range);
    EXPECT_TRUE(bits.none()); // nothing was set by the failed calls
}

TEST(HoursBitsetTest, QueriesAndOperators) {
    HoursBitset bits = lf_slots({3, 4, 5, 40});
    EXPECT_EQ(bits.count(), 4u);
    EXPECT_TRUE(bits.test(4));
    EXPECT_FALSE(bits.test(6));
    EXPECT_EQ(bits.firstSlot(), 3u);
    EXPECT_EQ(bits.lastSlot(), 40u);
    EXPECT_FALSE(bits.isContiguous());
    bits.reset(40);
    EXPECT_TRUE(bits.isContiguous());
    EXPECT_EQ(HoursBitset().firstSlot(), std::nullopt);
    EXPECT_EQ(HoursBitset().lastSlot(), std::nullopt);
    EXPECT_FALSE(HoursBitset().isContiguous());

    EXPECT_TRUE(lf_slots({1, 2}).intersects(lf_slots({2, 9})));
    EXPECT_FALSE(lf_slots({1, 2}).intersects(lf_slots({3, 47})));
    EXPECT_EQ(lf_slots({1}) | lf_slots({47}), lf_slots({1, 47}));
    EXPECT_EQ(lf_slots({1, 2}) & lf_slots({2, 3}), lf_slots({2}));
    EXPECT_EQ(HoursBitset::range(0, 47).lastSlot(), 47u);
}

TEST_F(HoursTextTest, ParsesRangesAndLists) {
    struct Case {
        const char* text;
        HoursBitset bits;
    };
    const Case cases[] = {
        {"5", lf_slots({5})},
        {"0", lf_slots({0})},
        {"47", lf_slots({47})},
        {"0:47", HoursBitset::range(0, 47)},
        {"20:23", HoursBitset::range(20, 23)},
        {"7:7", lf_slots({7})},
        {"46:47", lf_slots({46, 47})},
        {"3,5,7", lf_slots({3, 5, 7})},
        {"7,3,3", lf_slots({3, 7})},
        {" 3 , 5 ", lf_slots({3, 5})},
        {" 10 : 12 ", HoursBitset::range(10, 12)},
        {"0,47", lf_slots({0, 47})},
        {"05", lf_slots({5})},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(gf_hours2bitset(c.text), c.bits) << c.text;
    }
    EXPECT_TRUE(errorLines().empty());
}

TEST_F(HoursTextTest, BadTextIsLoggedAndGivesAnEmptySet) {
    const char* bad[] = {
        "",   "  ", "48",   "0:48", "99,1", "-1",    "+3",    "a",    "3a",   "3 4",        "1:2:3",
        "1:", ":5", "1,,2", "1,",   ",1",   "1:3,5", "5,1:3", "40:3", "47:0", "4294967296", "1.5",
    };
    for (const char* text : bad) {
        EXPECT_TRUE(gf_hours2bitset(text).none()) << text;
    }
    const auto lines = errorLines();
    ASSERT_EQ(lines.size(), std::size(bad));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].rfind("==> gf_hours2bitset: ", 0), 0u) << lines[i];
        EXPECT_NE(lines[i].find(std::string("'") + bad[i] + "'"), std::string::npos) << lines[i];
    }
}

TEST_F(HoursTextTest, ABackwardsRangeIsNotAWrapOverMidnight) {
    EXPECT_TRUE(gf_hours2bitset("40:3").none());
    const auto lines = errorLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("backwards"), std::string::npos) << lines[0];
}

TEST(HoursBitsetTest, TextOfOneSlotOrOneRange) {
    EXPECT_EQ(gf_bitset2hours(lf_slots({5})), "5");
    EXPECT_EQ(gf_bitset2hours(lf_slots({0})), "0");
    EXPECT_EQ(gf_bitset2hours(lf_slots({47})), "47");
    EXPECT_EQ(gf_bitset2hours(HoursBitset::range(20, 23)), "20:23");
    EXPECT_EQ(gf_bitset2hours(HoursBitset::range(0, 47)), "0:47");
    EXPECT_EQ(gf_bitset2hours(lf_slots({46, 47})), "46:47");
    EXPECT_EQ(gf_bitset2hours(HoursBitset()), std::nullopt);
    EXPECT_EQ(gf_bitset2hours(lf_slots({3, 5})), std::nullopt);
    EXPECT_EQ(gf_bitset2hours(lf_slots({0, 47})), std::nullopt); // no wrap over midnight
    EXPECT_EQ(gf_bitset2hours(lf_slots({1, 2, 3, 30})), std::nullopt);
}

TEST_F(HoursTextTest, EveryRangeRoundTrips) {
    for (unsigned first = 0; first < HoursBitset::kSlotCount; ++first) {
        for (unsigned last = first; last < HoursBitset::kSlotCount; ++last) {
            const auto text = gf_bitset2hours(HoursBitset::range(first, last));
            ASSERT_TRUE(text.has_value()) << first << ":" << last;
            EXPECT_EQ(gf_hours2bitset(*text), HoursBitset::range(first, last)) << *text;
        }
    }
    EXPECT_TRUE(errorLines().empty());
}

} // namespace
} // namespace skyloom

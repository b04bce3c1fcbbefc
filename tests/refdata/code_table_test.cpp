#include "refdata/code_table.h"

#include <algorithm>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "refdata/dbase.h"
#include "tests/refdata/support/refdata_test_support.h"

namespace skyloom {
namespace {

class CodeTableTest : public ::testing::Test {
protected:
    void SetUp() override { testing::resetReferenceData(); }
    void TearDown() override { testing::resetReferenceData(); }
};

TEST_F(CodeTableTest, EmptyCodeIsIdZeroAndNewCodesAppendInOrder) {
    CodeTable table("model");
    EXPECT_EQ(table.size(), 1u);
    EXPECT_EQ(table.intern(""), 0);
    EXPECT_EQ(table.intern("B738"), 1);
    EXPECT_EQ(table.intern("A320"), 2);
    EXPECT_EQ(table.intern("B738"), 1);
    EXPECT_EQ(table.size(), 3u);
    EXPECT_EQ(table.text(2), "A320");
    EXPECT_EQ(table.text(0), "");
}

TEST_F(CodeTableTest, IdBeyondTheEndHasNoText) {
    CodeTable table("airline");
    table.intern("DLH");
    EXPECT_EQ(table.text(2), "");
    EXPECT_EQ(table.text(65535), "");
    EXPECT_FALSE(table.find("BAW").has_value());
}

TEST_F(CodeTableTest, CodesAreExactAndCaseSensitive) {
    CodeTable table("airline");
    const auto upper = table.intern("DLH");
    EXPECT_NE(table.intern("dlh"), upper);
    EXPECT_NE(table.intern(" DLH"), upper);
    EXPECT_EQ(table.find("DLH"), upper);
}

TEST_F(CodeTableTest, ResetKeepsOnlyTheEmptyCode) {
    CodeTable table("model");
    table.intern("B738");
    table.reset();
    EXPECT_EQ(table.size(), 1u);
    EXPECT_EQ(table.intern("A320"), 1);
}

// Feed readers and the main worker intern at the same time: every code must get exactly one
// id, the same for every thread, and each id must name its own code.
TEST_F(CodeTableTest, ConcurrentAppendsGiveOneIdPerCode) {
    CodeTable table("airline");
    constexpr int kThreads = 8;
    constexpr int kCodes = 3000;
    std::vector<std::vector<std::uint16_t>> seen(kThreads, std::vector<std::uint16_t>(kCodes));
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            // Each thread walks all codes in its own order (a multiplier prime to the count),
            // so appends race with look-ups.
            constexpr int kSteps[kThreads] = {7, 11, 13, 17, 19, 23, 29, 31};
            for (int i = 0; i < kCodes; ++i) {
                const int code = (i * kSteps[t] + t * 101) % kCodes;
                seen[t][code] = table.intern(fmt::format("C{:04}", code));
                table.text(seen[t][code]);
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(table.size(), static_cast<std::size_t>(kCodes) + 1);
    std::set<std::uint16_t> ids;
    for (int code = 0; code < kCodes; ++code) {
        const auto id = seen[0][code];
        for (int t = 1; t < kThreads; ++t) {
            ASSERT_EQ(seen[t][code], id) << "code " << code << " thread " << t;
        }
        EXPECT_EQ(table.text(id), fmt::format("C{:04}", code));
        EXPECT_NE(id, 0);
        ids.insert(id);
    }
    EXPECT_EQ(ids.size(), static_cast<std::size_t>(kCodes));
}

TEST_F(CodeTableTest, FullTableGivesIdZeroAndSaysSoOnce) {
    testing::CapturedLog log;
    CodeTable table("airline");
    for (std::size_t i = 1; i < kMaxCodeTableSize; ++i) {
        table.intern(fmt::format("{:05}", i));
    }
    ASSERT_EQ(table.size(), kMaxCodeTableSize);
    EXPECT_EQ(table.text(65535), "65535");
    EXPECT_EQ(table.intern("NEW1"), 0);
    EXPECT_EQ(table.intern("NEW2"), 0);
    EXPECT_EQ(table.size(), kMaxCodeTableSize);
    // Codes that have ids keep them.
    EXPECT_EQ(table.intern("00042"), 42);
    const auto lines = log.lines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) {
                                return line.find("code table is full") != std::string::npos;
                            }),
              1);
    EXPECT_TRUE(log.has("==> The airline code table is full (65536 codes): 'NEW1' and every "
                        "later new code get id 0"));
}

TEST_F(CodeTableTest, ProgramTablesStartWithTheEmptyCode) {
    EXPECT_EQ(gf_airlineId(""), 0);
    EXPECT_EQ(gf_modelId(""), 0);
    const auto id = gf_airlineId("KLM");
    EXPECT_EQ(gf_airlineCode(id), "KLM");
    EXPECT_EQ(gf_modelCode(60000), "");
    EXPECT_EQ(gf_modelIdOf("B77W"), gf_modelId("B77W"));
}

} // namespace
} // namespace skyloom

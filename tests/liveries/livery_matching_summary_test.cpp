// The bookkeeping around the livery choice: the livery line of an aircraft, the refused titles,
// the unmatched aircraft and the two reports written to Log.txt.
#include "liveries/livery_matching_summary.h"

#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "foundation/log_file.h"
#include "foundation/text.h"
#include "refdata/code_table.h"
#include "tests/liveries/support/livery_world.h"
#include "tests/support/temp_dir.h"

namespace skyloom {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class LiveryMatchingSummaryTest : public ::testing::Test {
protected:
    void SetUp() override {
        LogFile::openIn(dir_.path());
        gf_resetLiveryMatchRecords();
    }
    void TearDown() override {
        gf_resetLiveryMatchRecords();
        LogFile::close();
    }
    std::vector<std::string> logLines() const {
        LogFile::flush();
        auto lines = testing::readLines(dir_ / "Log.txt");
        lines.erase(lines.begin());
        return lines;
    }

    testing::TempDir dir_;
};

struct KeyCase {
    LiveryKey key;
    std::string text;
};

TEST_F(LiveryMatchingSummaryTest, KeyAndLiveryLines) {
    const auto dlh = gf_airlineId("DLH");
    const auto clh = gf_airlineId("CLH");
    const auto a320 = gf_modelId("A320");
    const auto f50 = gf_modelId("F50");
    const KeyCase keys[] = {
        {LiveryKey{dlh, 0, a320, 0, 0}, "DLH     A320 "},
        {LiveryKey{dlh, clh, a320, 1, 0}, "DLH,CLH A320 "},
        {LiveryKey{dlh, 0, f50, 0, 1}, "DLH     F50 ."},
        {LiveryKey{0, 0, 0, 0, 0}, std::string(13, ' ')},
        // Ids beyond the tables have no code.
        {LiveryKey{65000, 65001, 65002, 0, 0}, "   ,      "},
    };
    for (const auto& c : keys) {
        EXPECT_EQ(gf_formatLiveryKey(c.key), c.text);
    }

    LiveryAircraft aircraft;
    aircraft.key = LiveryKey{dlh, 0, a320, 0, 0};
    aircraft.callsign = "DLH4AB";
    aircraft.regcode = "D-AIZA";
    aircraft.origin = IataCode("FRA");
    aircraft.destination = IataCode("MUC");
    EXPECT_EQ(gf_formatLiveryLine(aircraft), "DLH4AB   D-AIZA       FRA->MUC DLH     A320 ");
    aircraft.destination = IataCode();
    EXPECT_EQ(gf_formatLiveryLine(aircraft), "DLH4AB   D-AIZA       FRA->    DLH     A320 ");
    // Without callsign and route: 8 blanks, the registration field, 8 blanks.
    aircraft.callsign = {};
    aircraft.origin = IataCode();
    EXPECT_EQ(gf_formatLiveryLine(aircraft),
              std::string(8, ' ') + " D-AIZA       " + std::string(8, ' ') + " DLH     A320 ");
    // Long texts are not cut.
    aircraft.callsign = "CALLSIGN12";
    aircraft.regcode = "ABCDEFGHIJKLMN";
    EXPECT_EQ(gf_formatLiveryLine(aircraft),
              "CALLSIGN12 ABCDEFGHIJKLMN " + std::string(8, ' ') + " DLH     A320 ");
}

TEST_F(LiveryMatchingSummaryTest, RefusedTitlesAreRecordedOnceInFirstOrder) {
    EXPECT_FALSE(gf_isFailedLiveryTitle("B"));
    EXPECT_EQ(gf_recordFailedLiveryTitle("B", "A320 DLH"), 1u);
    EXPECT_EQ(gf_recordFailedLiveryTitle("A", "B738 KLM"), 2u);
    EXPECT_EQ(gf_recordFailedLiveryTitle("B", "A321 DLH"), 2u);
    EXPECT_TRUE(gf_isFailedLiveryTitle("B"));
    EXPECT_FALSE(gf_isFailedLiveryTitle("b"));
    EXPECT_FALSE(gf_isFailedLiveryTitle("B "));
    EXPECT_EQ(gf_failedLiveryTitleCount(), 2u);
    EXPECT_THAT(gf_failedLiveryTitles(), ElementsAre("  B", "  A"));
}

TEST_F(LiveryMatchingSummaryTest, SummaryListsEveryStepAndTheRefusedTitles) {
    const int counts[] = {5, 0, 3, 0, 0, 0, 0, 0, 1};
    for (std::size_t step = 0; step < kMatchStepCount; ++step) {
        for (int i = 0; i < counts[step]; ++i) {
            gf_countLiveryMatch(step);
        }
    }
    gf_recordFailedLiveryTitle("Bad title", "A320 DLH");
    gf_writeLiveryMatchingSummary();
    EXPECT_THAT(logLines(),
                ElementsAre(gf_titleLine("live traffic livery matching summary"),
                            "Matches at step: ", "  0: 5", "  1: 0", "  2: 3", "  3: 0", "  4: 0",
                            "  5: 0", "  6: 0", "  7: 0", "  8: 1", "", "Could not be created",
                            "  Bad title", std::string(100, '*')));
}

TEST_F(LiveryMatchingSummaryTest, NoSummaryWithoutMatchesEvenWithRefusedTitles) {
    gf_recordFailedLiveryTitle("Bad title", "A320 DLH");
    gf_writeLiveryMatchingSummary();
    EXPECT_THAT(logLines(), IsEmpty());

    gf_countLiveryMatch(2);
    gf_resetLiveryMatchRecords();
    gf_writeLiveryMatchingSummary();
    EXPECT_THAT(logLines(), IsEmpty());
}

TEST_F(LiveryMatchingSummaryTest, SummaryWithoutRefusedTitles) {
    gf_countLiveryMatch(4);
    gf_writeLiveryMatchingSummary();
    const auto lines = logLines();
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_EQ(lines[6], "  4: 1");
    EXPECT_EQ(lines[11], std::string(100, '*'));
}

TEST_F(LiveryMatchingSummaryTest, UnmatchedAircraftAreListedOnceInFirstOrder) {
    gf_logUnmatchedTypes();
    EXPECT_THAT(logLines(), IsEmpty());
    EXPECT_TRUE(gf_addUnmatchedType("KLM     B744  PH-BFA"));
    EXPECT_TRUE(gf_addUnmatchedType("AFR     A359  F-HTYA"));
    EXPECT_FALSE(gf_addUnmatchedType("KLM     B744  PH-BFA"));
    gf_logUnmatchedTypes();
    EXPECT_THAT(logLines(), ElementsAre("", "No match found for:", "KLM     B744  PH-BFA",
                                        "AFR     A359  F-HTYA", ""));
}

} // namespace
} // namespace skyloom

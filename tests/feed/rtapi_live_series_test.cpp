// The web API stand-in's live series against the program's traffic reader: every poll finds
// the aircraft where the series has them at that moment, buffered snapshots come from the
// series' past, and past its end the last reply answers. The series is the recorded live
// reply moved on 0.001 degree north and 10 s per reply.
#include <fstream>

#include <gtest/gtest.h>

#include "feed/rtapi_readers.h"
#include "feed/rtapi_settings.h"
#include "tests/feed/support/rtapi_test_support.h"
#include "tools/rtapi_standin/live_series.h"

namespace skyloom {
namespace {

using testing::ExpectedAircraft;

constexpr int kReplies = 21;
constexpr double kStepSeconds = 10.0;
constexpr double kStepDegrees = 0.001;
constexpr const char* kSeriesFile = "series.json";

class RtApiLiveSeriesTest : public testing::RtApiTest {
protected:
    void SetUp() override {
        RtApiTest::SetUp();
        if (recordings_.empty()) {
            return;
        }
        recorded_ = testing::gf_readRecording(recordings_, tools::kStandInLiveRecording);
        nlohmann::json series = nlohmann::json::array();
        for (int k = 0; k < kReplies; ++k) {
            series.push_back(replyOf(k));
        }
        std::ofstream(dir_.path() / kSeriesFile) << series.dump();
        standIn_ = std::make_unique<tools::RtApiStandIn>(dir_.path(), &clock_);
        standIn_->addLicence(testing::kTestLicence, tools::StandInLicence::professional);
        standIn_->setLiveRecording(kSeriesFile);
        session_ = authenticatedSession();
        setUser(testing::kDuesseldorf);
        rangeNm_ = 200.0;
    }

    // The recorded reply moved on by `k` steps.
    nlohmann::json replyOf(int k) const {
        nlohmann::json reply = recorded_;
        reply["dataepoch"] = recorded_["dataepoch"].get<double>() + k * kStepSeconds;
        for (auto& [key, values] : reply["data"].items()) {
            if (values.is_array() && values[1].is_number() && values[10].is_number()) {
                values[1] = values[1].get<double>() + k * kStepDegrees;
                values[10] = values[10].get<double>() + k * kStepSeconds;
            }
        }
        return reply;
    }
    std::vector<ExpectedAircraft> expectedOf(int k) const {
        std::vector<ExpectedAircraft> expected;
        for (const auto& [key, values] : testing::gf_aircraftOf(replyOf(k)["data"])) {
            expected.push_back(testing::gf_expectedAircraft(key, values));
        }
        return expected;
    }

    testing::TempDir dir_;
    nlohmann::json recorded_;
    std::unique_ptr<RtApiSession> session_;
};

TEST_F(RtApiLiveSeriesTest, EveryPollFindsTheAircraftWhereTheSeriesHasThemThen) {
    SKYLOOM_REQUIRE_RTAPI_RECORDINGS();
    RtApiTrafficReader reader(environment(*session_));
    // The first request starts the playback kLeadSeconds (100 s, the 11th reply) into the
    // series; its five snapshots 6 s apart reach back to 76 s.
    ASSERT_FALSE(reader.step().stop);
    const auto buffered = mailbox_->waitingBufferedBatches();
    ASSERT_EQ(buffered.size(), 5u);
    const int snapshotReplies[] = {7, 8, 8, 9, 10}; // oldest first: 76, 82, 88, 94, 100 s
    for (std::size_t i = 0; i < buffered.size(); ++i) {
        EXPECT_TRUE(testing::gf_entriesMatch(buffered[i], expectedOf(snapshotReplies[i]))) << i;
    }

    const struct {
        double afterSeconds;
        int reply;
    } polls[] = {{2.0, 10}, {9.0, 11}, {21.0, 13}, {100.0, kReplies - 1}};
    for (const auto& poll : polls) {
        clock_.advance(std::chrono::duration_cast<Clock::Duration>(
            std::chrono::duration<double>(poll.afterSeconds)));
        ASSERT_FALSE(reader.step().stop);
        EXPECT_TRUE(testing::gf_entriesMatch(mailbox_->pendingBatch(), expectedOf(poll.reply)))
            << "after " << poll.afterSeconds << " s more";
        // Taken, as the main loop takes them (a mailbox never emptied would stall).
        while (mailbox_->pendingCount() > 0) {
            mailbox_->takeTrafficBatches();
        }
    }
    const auto requests = standIn_->requests("/v6/traffic");
    ASSERT_EQ(requests.size(), 5u);
    EXPECT_EQ(requests[0].form.at("buffercount"), "5");
    EXPECT_EQ(reader.receipts().aircraft(), expectedOf(0).size());
}

// Replies in any order are played in time order; an array without replies, or a reply
// without its moment, is no series.
TEST(LiveSeriesTest, RepliesArePlayedInTimeOrderFromTheirLead) {
    const auto series = tools::LiveSeries::of(nlohmann::json::parse(
        R"([{"dataepoch": 1020, "n": 2}, {"dataepoch": 1000, "n": 0}, {"dataepoch": 1010, "n": 1}])"));
    ASSERT_TRUE(series);
    EXPECT_EQ(series->size(), 3u);
    EXPECT_DOUBLE_EQ(series->momentAt(std::chrono::seconds{5}),
                     1000 + tools::LiveSeries::kLeadSeconds + 5);
    EXPECT_EQ(series->replyAt(999.9), nullptr);
    for (const auto& [moment, n] : {std::pair{1000.0, 0}, std::pair{1009.9, 0},
                                    std::pair{1010.0, 1}, std::pair{5000.0, 2}}) {
        ASSERT_NE(series->replyAt(moment), nullptr) << moment;
        EXPECT_EQ((*series->replyAt(moment))["n"], n) << moment;
    }
    EXPECT_FALSE(tools::LiveSeries::of(nlohmann::json::parse(R"({"dataepoch": 1000})")));
    EXPECT_THROW(tools::LiveSeries::of(nlohmann::json::array()), std::runtime_error);
    EXPECT_THROW(tools::LiveSeries::of(nlohmann::json::parse(R"([{"data": {}}])")),
                 std::runtime_error);
}

} // namespace
} // namespace skyloom

// The web API stand-in's live series against the program's traffic reader: every poll finds
// each aircraft as it was last reported by that moment, buffered snapshots come from the
// series' past, and past its end the last reply answers. The series is the recorded live
// reply moved on 0.001 degree north and 10 s per reply; an aircraft whose report was a step or
// more old when it was recorded stays where it was, as the service repeats a stale report.
#include <cmath>
#include <fstream>
#include <map>
#include <tuple>

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
        const double recordedAt = recorded_["dataepoch"].get<double>();
        reply["dataepoch"] = recordedAt + k * kStepSeconds;
        for (auto& [key, values] : reply["data"].items()) {
            if (values.is_array() && values[1].is_number() && values[10].is_number() &&
                recordedAt - values[10].get<double>() < kStepSeconds) {
                values[1] = values[1].get<double>() + k * kStepDegrees;
                values[10] = values[10].get<double>() + k * kStepSeconds;
            }
        }
        return reply;
    }
    // Each aircraft as its newest report of the whole series that is not after `moment`
    // (seconds after the series' first reply) gives it.
    std::vector<ExpectedAircraft> expectedAt(double moment) const {
        const double at = recorded_["dataepoch"].get<double>() + moment;
        std::map<std::string, nlohmann::json> newest;
        for (int k = 0; k < kReplies; ++k) {
            for (const auto& [key, values] : testing::gf_aircraftOf(replyOf(k)["data"])) {
                if (values[10].get<double>() <= at) {
                    newest[key] = values;
                }
            }
        }
        std::vector<ExpectedAircraft> expected;
        for (const auto& [key, values] : newest) {
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
    // series; its five snapshots 6 s apart reach back to 76 s, each between two replies: an
    // aircraft reported 4 s before the reply of 80 s shows there in the snapshot of 76 s.
    ASSERT_FALSE(reader.step().stop);
    const auto buffered = mailbox_->waitingBufferedBatches();
    ASSERT_EQ(buffered.size(), 5u);
    const double snapshotMoments[] = {76.0, 82.0, 88.0, 94.0, 100.0}; // oldest first
    for (std::size_t i = 0; i < buffered.size(); ++i) {
        EXPECT_TRUE(testing::gf_entriesMatch(buffered[i], expectedAt(snapshotMoments[i]))) << i;
    }

    // Polls between two replies and past the series' end, which the last reply answers.
    const struct {
        double afterSeconds;
        double moment;
    } polls[] = {{2.0, 102.0}, {9.0, 111.0}, {21.0, 132.0}, {100.0, 232.0}};
    for (const auto& poll : polls) {
        clock_.advance(std::chrono::duration_cast<Clock::Duration>(
            std::chrono::duration<double>(poll.afterSeconds)));
        ASSERT_FALSE(reader.step().stop);
        EXPECT_TRUE(testing::gf_entriesMatch(mailbox_->pendingBatch(), expectedAt(poll.moment)))
            << "after " << poll.afterSeconds << " s more";
        // Taken, as the main loop takes them (a mailbox never emptied would stall).
        while (mailbox_->pendingCount() > 0) {
            mailbox_->takeTrafficBatches();
        }
    }
    const auto requests = standIn_->requests("/v6/traffic");
    ASSERT_EQ(requests.size(), 5u);
    EXPECT_EQ(requests[0].form.at("buffercount"), "5");
    EXPECT_EQ(reader.receipts().aircraft(), expectedAt(0.0).size());
}

// Replies in any order are played in time order; between two replies each aircraft shows as
// last reported by then, in either layout, with the moment's whole second as the reply's;
// an array without replies, or a reply without its moment, is no series.
TEST(LiveSeriesTest, RepliesArePlayedInTimeOrderFromTheirLead) {
    const auto series = tools::LiveSeries::of(nlohmann::json::parse(
        R"([{"dataepoch": 1020, "n": 2}, {"dataepoch": 1000, "n": 0}, {"dataepoch": 1010, "n": 1}])"));
    ASSERT_TRUE(series);
    EXPECT_EQ(series->size(), 3u);
    EXPECT_DOUBLE_EQ(series->momentAt(std::chrono::seconds{5}),
                     1000 + tools::LiveSeries::kLeadSeconds + 5);
    EXPECT_FALSE(series->replyAt(999.9));
    for (const auto& [moment, n] : {std::pair{1000.0, 0}, std::pair{1009.9, 0},
                                    std::pair{1010.0, 1}, std::pair{5000.0, 2}}) {
        ASSERT_TRUE(series->replyAt(moment)) << moment;
        EXPECT_EQ((*series->replyAt(moment))["n"], n) << moment;
    }
    // "a" reported at 995 and 1004, "b" first at 1008, "c" at 990 and no more (aged out).
    const auto stamped = [](double at) {
        nlohmann::json values = nlohmann::json::array();
        for (int i = 0; i < 10; ++i) {
            values.push_back(i);
        }
        values.push_back(at);
        return values;
    };
    for (const bool dataLayout : {true, false}) {
        nlohmann::json first{{"a", stamped(995)}, {"c", stamped(990)}};
        nlohmann::json second{{"a", stamped(1004)}, {"b", stamped(1008)}};
        if (dataLayout) {
            first = {{"data", first}};
            second = {{"data", second}};
        }
        first["dataepoch"] = 1000;
        second["dataepoch"] = 1010;
        const auto two = tools::LiveSeries::of(nlohmann::json::array({first, second}));
        for (const auto& [moment, a, b, c] :
             {std::tuple{1003.5, 995.0, -1.0, 990.0}, std::tuple{1004.0, 1004.0, -1.0, 990.0},
              std::tuple{1009.7, 1004.0, 1008.0, 990.0},
              std::tuple{1010.0, 1004.0, 1008.0, -1.0}}) {
            const auto reply = two->replyAt(moment);
            ASSERT_TRUE(reply) << moment;
            const nlohmann::json& aircraft = dataLayout ? (*reply)["data"] : *reply;
            const auto stampOf = [&aircraft](const char* key) {
                return aircraft.contains(key) ? aircraft[key][10].get<double>() : -1.0;
            };
            EXPECT_EQ(stampOf("a"), a) << moment;
            EXPECT_EQ(stampOf("b"), b) << moment;
            EXPECT_EQ(stampOf("c"), c) << moment;
            EXPECT_EQ((*reply)["dataepoch"], std::floor(moment) < 1010 ? std::floor(moment) : 1010)
                << moment;
        }
    }
    EXPECT_FALSE(tools::LiveSeries::of(nlohmann::json::parse(R"({"dataepoch": 1000})")));
    EXPECT_THROW(tools::LiveSeries::of(nlohmann::json::array()), std::runtime_error);
    EXPECT_THROW(tools::LiveSeries::of(nlohmann::json::parse(R"([{"data": {}}])")),
                 std::runtime_error);
}

} // namespace
} // namespace skyloom

// The web API road's time stamps on the traffic reader's own path against the stand-in: a reply
// that holds one or two aircraft has no median of its own to be judged by, and the feed's clock
// that the reader learned from the replies before refuses them when they are stamped far from
// it; a feed whose clock moves as a whole is followed.
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "feed/rtapi_readers.h"
#include "tests/feed/support/rtapi_test_support.h"

namespace skyloom {
namespace {

using std::chrono::milliseconds;
using testing::ExpectedAircraft;
using tools::StandInAnswer;

constexpr double kYear = 365.25 * 86400.0;

class RtApiStampsTest : public testing::RtApiTest {
protected:
    void SetUp() override {
        RtApiTest::SetUp();
        if (recordings_.empty()) {
            return;
        }
        session_ = authenticatedSession();
        setUser(testing::kDuesseldorf);
        rangeNm_ = 200.0;
        recorded_ = testing::gf_readRecording(recordings_, tools::kStandInLiveRecording);
        for (const auto& [key, values] : testing::gf_aircraftOf(recorded_["data"])) {
            newest_ = std::max(newest_, values[10].get<double>());
        }
    }

    // The recorded live reply with every stamp moved on by `shift` seconds.
    nlohmann::json movedReply(double shift) const {
        nlohmann::json reply = recorded_;
        for (auto& [key, values] : reply["data"].items()) {
            values[10] = values[10].get<double>() + shift;
        }
        return reply;
    }
    // A reply of the aircraft `keys`, each the first recorded aircraft stamped at `stamp`.
    nlohmann::json replyOf(const std::vector<std::string>& keys, double stamp) const {
        nlohmann::json reply = recorded_;
        const nlohmann::json first = reply["data"].begin().value();
        reply["data"] = nlohmann::json::object();
        for (const std::string& key : keys) {
            reply["data"][key] = first;
            reply["data"][key][10] = stamp;
        }
        return reply;
    }
    static std::vector<ExpectedAircraft> expectedOf(const nlohmann::json& reply) {
        std::vector<ExpectedAircraft> expected;
        for (const auto& [key, values] : testing::gf_aircraftOf(reply["data"])) {
            expected.push_back(testing::gf_expectedAircraft(key, values));
        }
        return expected;
    }

    // Steps the reader after the wait the previous step asked for, answered with `reply` (the
    // stand-in's own answer without one); true when the reader posted every aircraft of it as
    // a live batch, false when it posted none.
    bool step(RtApiTrafficReader& reader, const std::optional<nlohmann::json>& reply = {}) {
        clock_.advance(wait_);
        if (reply) {
            standIn_->queueAnswer("/v6/traffic", StandInAnswer::withBody(reply->dump()));
        }
        const std::uint64_t posts = mailbox_->counts().livePosts;
        const RtApiStep step = reader.step();
        EXPECT_FALSE(step.stop);
        wait_ = step.wait;
        if (mailbox_->counts().livePosts == posts) {
            return false;
        }
        EXPECT_TRUE(testing::gf_entriesMatch(mailbox_->pendingBatch(),
                                             expectedOf(reply ? *reply : recorded_)));
        while (mailbox_->pendingCount() > 0) {
            mailbox_->takeTrafficBatches();
        }
        return true;
    }

    std::unique_ptr<RtApiSession> session_;
    nlohmann::json recorded_;
    double newest_ = 0.0;
    milliseconds wait_{0};
};

// Replies of one or two aircraft stamped an hour to years after the feed's clock, or a year
// before it, are skipped with a line each; the replies around them are taken whole.
TEST_F(RtApiStampsTest, AircraftAloneInTheirReplyStampedOffTheFeedsClockAreSkipped) {
    SKYLOOM_REQUIRE_RTAPI_RECORDINGS();
    RtApiTrafficReader reader(environment(*session_));
    step(reader); // buffered
    // The first live replies teach the reader the feed's clock.
    ASSERT_TRUE(step(reader));
    ASSERT_TRUE(step(reader));
    const double receiving =
        std::chrono::duration<double>(clock_.utcNow().time_since_epoch()).count();
    const char* const kAfter = "s after the feed's clock";
    struct Case {
        const char* label;
        std::vector<std::string> keys;
        double stamp;
        const char* refusal;
    };
    const Case cases[] = {
        {"an hour after", {"f00001"}, newest_ + 3600.0, kAfter},
        {"a day after", {"f00002"}, newest_ + 86400.0, kAfter},
        {"a year after", {"f00003"}, newest_ + kYear, kAfter},
        {"six years after, past the receiving clock too",
         {"f00004"},
         newest_ + 6.0 * kYear,
         "s ahead of the clock"},
        {"stamped by the receiving clock", {"f00005"}, receiving, kAfter},
        {"a year before", {"f00006"}, newest_ - kYear, "s before the feed's clock"},
        {"two aircraft an hour after", {"f00007", "f00008"}, newest_ + 3600.0, kAfter},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const std::size_t refusedBefore = log_->count(c.refusal);
        EXPECT_FALSE(step(reader, replyOf(c.keys, c.stamp)));
        for (const std::string& key : c.keys) {
            EXPECT_EQ(log_->count(fmt::format("Traffic RTAPIreader: aircraft {} skipped: time "
                                              "stamp ",
                                              key)),
                      1u);
        }
        EXPECT_EQ(log_->count(c.refusal) - refusedBefore, c.keys.size()) << log_->text();
        EXPECT_TRUE(step(reader));
    }
}

// The service's clock moves as a whole, an hour back and on again: the first reply of each
// move is skipped, the second is taken. A time shift the reader asks for moves the feed too,
// and it knows so: the first reply of the new shift is taken.
TEST_F(RtApiStampsTest, AFeedThatMovesAsAWholeIsFollowedFromItsSecondReply) {
    SKYLOOM_REQUIRE_RTAPI_RECORDINGS();
    RtApiTrafficReader reader(environment(*session_));
    step(reader); // buffered
    ASSERT_TRUE(step(reader));
    ASSERT_TRUE(step(reader));
    for (const double shift : {-3600.0, 0.0}) {
        SCOPED_TRACE(shift);
        EXPECT_FALSE(step(reader, movedReply(shift)));
        EXPECT_TRUE(step(reader, movedReply(shift)));
        EXPECT_TRUE(step(reader, movedReply(shift)));
    }
    trafficShift_.store(60);
    EXPECT_TRUE(step(reader, movedReply(-3600.0)));
    EXPECT_TRUE(step(reader, movedReply(-3600.0)));
}

} // namespace
} // namespace skyloom

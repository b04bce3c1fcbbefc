// The web API's transport against the stand-in: form bodies, accepted encodings, HTTP error
// statuses, time-outs, slow and cut-short replies, refused connections, stopping, limits.
#include "feed/rtapi_transport.h"

#include <atomic>
#include <cstdlib>
#include <thread>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "feed/rtapi_reply.h"
#include "tests/feed/support/rtapi_test_support.h"

namespace skyloom {
namespace {

using testing::gf_testRtApiLimits;
using testing::kTestLicence;
using tools::StandInAnswer;
using tools::StandInFault;

TEST(RtApiFormTest, EncodesNamesAndValuesAsAFormBody) {
    struct Case {
        RtApiForm form;
        std::string body;
    };
    const Case cases[] = {
        {{}, ""},
        {{{"GUID", "45518882-b1ed-40bd"}}, "GUID=45518882-b1ed-40bd"},
        {{{"a", "1"}, {"b", ""}}, "a=1&b="},
        // Reserved characters of a form are escaped, unreserved ones kept.
        {{{"software", "Skyloom 0.1.0"}}, "software=Skyloom%200.1.0"},
        {{{"x", "a&b=c+d/e?"}}, "x=a%26b%3Dc%2Bd%2Fe%3F"},
        {{{"t", "rt_A-z.9~"}}, "t=rt_A-z.9~"},
        {{{"u", "\xC3\xA4"}}, "u=%C3%A4"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(gf_encodeRtApiForm(c.form), c.body);
    }
}

TEST(RtApiFormTest, BaseAddressComesFromTheEnvironmentWithoutTrailingSlash) {
    {
        testing::ScopedEnv unset(kRtApiBaseUrlVariable, std::nullopt);
        EXPECT_EQ(gf_rtApiBaseUrl(), "https://rtwa.flyrealtraffic.com");
    }
    {
        testing::ScopedEnv set(kRtApiBaseUrlVariable, std::filesystem::path("http://127.0.0.1:1/"));
        EXPECT_EQ(gf_rtApiBaseUrl(), "http://127.0.0.1:1");
    }
    {
        testing::ScopedEnv empty(kRtApiBaseUrlVariable, std::filesystem::path(""));
        EXPECT_EQ(gf_rtApiBaseUrl(), "https://rtwa.flyrealtraffic.com");
    }
}

class RtApiTransportTest : public testing::RtApiTest {
protected:
    void SetUp() override {
        RtApiTest::SetUp();
        ownStandIn_ = standIn_.get();
        transport_ = std::make_unique<RtApiTransport>(ownStandIn_->baseUrl(), gf_testRtApiLimits(),
                                                      [this] { return keepGoing_.load(); });
    }

    std::atomic<bool> keepGoing_{true};
    tools::RtApiStandIn* ownStandIn_ = nullptr;
    std::unique_ptr<RtApiTransport> transport_;
    const RtApiForm auth_{{"license", kTestLicence}, {"software", "test"}};
};

TEST_F(RtApiTransportTest, PostsAFormAndAsksForCompressedReplies) {
    const RtApiReply reply = transport_->post(kRtApiAuthPath, auth_);
    ASSERT_TRUE(reply.ok()) << reply.detail;
    EXPECT_EQ(reply.httpStatus, 200);
    // The stand-in compressed the body; what comes back is the JSON itself.
    const auto json = nlohmann::json::parse(reply.body);
    EXPECT_EQ(json["status"], 200);
    EXPECT_FALSE(json["GUID"].get<std::string>().empty());

    const auto requests = ownStandIn_->requests(kRtApiAuthPath);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].contentType, "application/x-www-form-urlencoded");
    EXPECT_NE(requests[0].acceptEncoding.find("gzip"), std::string::npos);
    EXPECT_NE(requests[0].acceptEncoding.find("deflate"), std::string::npos);
    EXPECT_EQ(requests[0].form.at("license"), kTestLicence);
    EXPECT_EQ(requests[0].form.at("software"), "test");
}

TEST_F(RtApiTransportTest, UncompressedRepliesReadTheSame) {
    ownStandIn_->setGzip(false);
    const RtApiReply reply = transport_->post(kRtApiAuthPath, auth_);
    ASSERT_TRUE(reply.ok()) << reply.detail;
    EXPECT_EQ(nlohmann::json::parse(reply.body)["status"], 200);
}

// Fail on HTTP errors: the status is kept (so that 402 can be told), the body is not.
TEST_F(RtApiTransportTest, HttpErrorStatusesAreKept) {
    for (const int status : {400, 401, 402, 403, 404, 405, 406, 407, 429, 500, 503}) {
        ownStandIn_->queueAnswer(std::string(kRtApiTrafficPath), StandInAnswer::withStatus(status));
        const RtApiReply reply = transport_->post(kRtApiTrafficPath, {{"GUID", "x"}});
        EXPECT_EQ(reply.transfer, RtApiTransfer::httpError) << status;
        EXPECT_EQ(reply.httpStatus, status);
        EXPECT_TRUE(reply.body.empty());
        EXPECT_EQ(gf_readRtApiAnswer(reply).status, status);
    }
}

// The service may also answer HTTP 200 with the error only in the body.
TEST_F(RtApiTransportTest, StatusInTheBodyOnlyIsReadFromTheJson) {
    ownStandIn_->setStatusInBodyOnly(true);
    ownStandIn_->queueAnswer(std::string(kRtApiTrafficPath),
                             StandInAnswer::withStatus(402, "No active subscription"));
    const RtApiReply reply = transport_->post(kRtApiTrafficPath, {{"GUID", "x"}});
    ASSERT_TRUE(reply.ok());
    const RtApiAnswer answer = gf_readRtApiAnswer(reply);
    EXPECT_EQ(answer.status, 402);
    EXPECT_EQ(answer.problem, "status 402: No active subscription");
}

TEST_F(RtApiTransportTest, ANeverAnsweredRequestTimesOut) {
    ownStandIn_->queueAnswer(std::string(kRtApiAuthPath),
                             StandInAnswer::of(StandInFault::neverAnswer));
    const RtApiReply reply = transport_->post(kRtApiAuthPath, auth_);
    EXPECT_EQ(reply.transfer, RtApiTransfer::timedOut) << reply.detail;
    EXPECT_FALSE(reply.detail.empty());
    EXPECT_TRUE(reply.body.empty());
    // The handle serves the next request.
    EXPECT_TRUE(transport_->post(kRtApiAuthPath, auth_).ok());
}

TEST_F(RtApiTransportTest, ATricklingReplyIsAbandoned) {
    // A byte every 0.4 s stays below 10 bytes a second however slow the machine is, so the
    // low-speed limit may be short here.
    RtApiLimits impatient = gf_testRtApiLimits();
    impatient.lowSpeedTime = std::chrono::seconds(1);
    RtApiTransport transport(ownStandIn_->baseUrl(), impatient, [] { return true; });
    ownStandIn_->setSlowDelay(std::chrono::milliseconds(400));
    ownStandIn_->queueAnswer(std::string(kRtApiAuthPath), StandInAnswer::of(StandInFault::slow));
    const RtApiReply reply = transport.post(kRtApiAuthPath, auth_);
    EXPECT_EQ(reply.transfer, RtApiTransfer::timedOut) << reply.detail;
    EXPECT_TRUE(reply.body.empty());
}

TEST_F(RtApiTransportTest, AReplyCutShortIsNoReply) {
    ownStandIn_->setGzip(false);
    ownStandIn_->queueAnswer(std::string(kRtApiAuthPath),
                             StandInAnswer::of(StandInFault::cutShort));
    const RtApiReply reply = transport_->post(kRtApiAuthPath, auth_);
    EXPECT_EQ(reply.transfer, RtApiTransfer::cutShort) << reply.detail;
    EXPECT_TRUE(reply.body.empty());
}

TEST_F(RtApiTransportTest, ARefusedConnectionFails) {
    // A port that was just free: nothing listens on it.
    std::string url;
    {
        tools::RtApiStandIn closed(std::filesystem::path(), &clock_);
        url = closed.baseUrl();
    }
    RtApiTransport transport(url, gf_testRtApiLimits(), [] { return true; });
    const RtApiReply reply = transport.post(kRtApiAuthPath, auth_);
    EXPECT_EQ(reply.transfer, RtApiTransfer::connectionFailed) << reply.detail;
}

TEST_F(RtApiTransportTest, StoppingEndsATransferUnderWay) {
    RtApiLimits patient = gf_testRtApiLimits();
    patient.totalTimeout = std::chrono::milliseconds(60000);
    patient.lowSpeedTime = std::chrono::seconds(60);
    RtApiTransport transport(ownStandIn_->baseUrl(), patient, [this] { return keepGoing_.load(); });
    ownStandIn_->queueAnswer(std::string(kRtApiAuthPath),
                             StandInAnswer::of(StandInFault::neverAnswer));
    std::thread stopper([this] {
        while (ownStandIn_->requests(kRtApiAuthPath).empty()) {
            std::this_thread::yield();
        }
        keepGoing_.store(false);
    });
    const RtApiReply reply = transport.post(kRtApiAuthPath, auth_);
    stopper.join();
    EXPECT_EQ(reply.transfer, RtApiTransfer::stopped);
    // Once stopped, nothing more is sent.
    EXPECT_EQ(transport.post(kRtApiAuthPath, auth_).transfer, RtApiTransfer::stopped);
    EXPECT_EQ(ownStandIn_->requests(kRtApiAuthPath).size(), 1u);
}

TEST_F(RtApiTransportTest, AReplyBeyondTheLimitIsRefused) {
    RtApiLimits small = gf_testRtApiLimits();
    small.maxReplyBytes = 50;
    RtApiTransport transport(ownStandIn_->baseUrl(), small, [] { return true; });
    const RtApiReply reply = transport.post(kRtApiAuthPath, auth_);
    EXPECT_EQ(reply.transfer, RtApiTransfer::tooLarge);
    EXPECT_TRUE(reply.body.empty());
}

} // namespace
} // namespace skyloom

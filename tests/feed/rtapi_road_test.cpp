// The web API road as the start-up and the shutdown drive it, with both reader threads on a
// manual clock against the stand-in: authentication (and its refusals), the threads' rounds
// within the service's limits, the first traffic before the main loop, the deauthentication.
#include "feed/rtapi_road.h"

#include <algorithm>
#include <optional>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "feed/qnh.h"
#include "feed/rtapi_settings.h"
#include "runtime/rt_status.h"
#include "tests/feed/support/rtapi_test_support.h"

namespace skyloom {
namespace {

using std::chrono::milliseconds;
using tools::StandInAnswer;
using tools::StandInFault;
using tools::StandInLicence;

class RtApiRoadTest : public testing::RtApiTest {
protected:
    void SetUp() override {
        RtApiTest::SetUp();
        gf_resetQnh();
        setUser(testing::kDuesseldorf);
        rangeNm_ = 200.0;
        road_.setCredentials(RtCredentials{RtCredentialKind::licence, testing::kTestLicence});
    }
    void TearDown() override {
        road_.stop();
        gf_resetQnh();
        RtApiTest::TearDown();
    }

    bool start() {
        return road_.start(
            RunServices{clock_, stop_, window_},
            [this](RtApiSession& session) { return environment(session); }, standIn_->baseUrl(),
            testing::gf_testRtApiLimits());
    }

    // Waits (in real time, for the threads' work) until `done` holds; false after about 20 s.
    template <class Done> bool eventually(Done done) {
        for (int i = 0; i < 20000 && !done(); ++i) {
            std::this_thread::sleep_for(milliseconds(1));
        }
        return done();
    }

    RtApiRoad road_;
};

TEST_F(RtApiRoadTest, ARunAuthenticatesReadsAndDeauthenticates) {
    SKYLOOM_REQUIRE_RTAPI_RECORDINGS();
    standIn_->setRateLimits(milliseconds(3000), milliseconds(2000));
    ASSERT_TRUE(start());
    EXPECT_TRUE(road_.running());
    EXPECT_TRUE(g_rtConnected.load());
    EXPECT_TRUE(g_rtProfessional.load());
    // The readers work in real time while their waits pass on the manual clock: the test
    // waits for the first reply itself, after which the start-up's wait ends at once.
    ASSERT_TRUE(eventually([&] { return road_.readers()->firstTrafficDone(); }));
    EXPECT_TRUE(road_.waitForFirstTraffic(kRtApiFirstReplyWaitMs));
    EXPECT_EQ(mailbox_->waitingBufferedBatches().size(), 4u);

    // The test moves the manual clock on, 100 ms at a time, and takes the entries as the main
    // loop would (else the mailbox stalls after a minute).
    ASSERT_TRUE(eventually([&] {
        clock_.advance(milliseconds(100));
        while (mailbox_->takeTrafficBatches() > 0) {
        }
        return standIn_->requests("/v6/traffic").size() >= 6 &&
               standIn_->requests("/v6/nearestmetar").size() >= 2;
    })) << log_->text()
        << standIn_->requests("/v6/traffic").size() << " "
        << standIn_->requests("/v6/nearestmetar").size();
    road_.stop();
    EXPECT_FALSE(road_.running());
    EXPECT_FALSE(g_rtConnected.load());
    EXPECT_EQ(standIn_->sessionCount(), 0u);
    ASSERT_EQ(standIn_->requests("/v6/deauth").size(), 1u);
    EXPECT_EQ(standIn_->requests("/v6/deauth")[0].status, 200);

    // Never sooner than the service allows: no violation, and the manual clock shows the gaps.
    // The last request may have been in flight at the stop, not answered yet (status 0): on a
    // busy machine the readers make more requests while the test waits.
    const auto traffic = standIn_->requests("/v6/traffic");
    for (std::size_t i = 0; i < traffic.size(); ++i) {
        if (i + 1 < traffic.size() || traffic[i].status != 0) {
            EXPECT_EQ(traffic[i].status, 200) << i;
        }
        if (i > 0) {
            EXPECT_GE(traffic[i].at - traffic[i - 1].at, milliseconds(3000)) << i;
        }
    }
    const auto weather = standIn_->requests("/v6/nearestmetar");
    for (std::size_t i = 1; i < weather.size(); ++i) {
        if (i + 1 < weather.size() || weather[i].status != 0) {
            EXPECT_EQ(weather[i].status, 200) << i;
        }
        EXPECT_GE(weather[i].at - weather[i - 1].at, kRtApiWeatherIntervalMs) << i;
    }
    EXPECT_EQ(gf_qnh(), 1014);
    // One buffered request, then live ones; the last may have been in flight at the stop.
    EXPECT_GE(mailbox_->counts().livePosts, 4u);
    const std::string log = log_->text();
    for (const char* line : {"Traffic RTAPIreader started", "Weather RTAPIreader started",
                             "Traffic RTAPIreader stopped", "Weather RTAPIreader stopped",
                             "RealTraffic web API: session"}) {
        EXPECT_NE(log.find(line), std::string::npos) << line;
    }
}

TEST_F(RtApiRoadTest, StoppingAbandonsARequestThatHangs) {
    standIn_->setFault("/v6/traffic", StandInAnswer::of(StandInFault::neverAnswer));
    standIn_->setFault("/v6/nearestmetar", StandInAnswer::of(StandInFault::neverAnswer));
    RtApiLimits patient = testing::gf_testRtApiLimits();
    patient.totalTimeout = milliseconds(600000);
    patient.lowSpeedTime = std::chrono::seconds(600);
    ASSERT_TRUE(road_.start(
        RunServices{clock_, stop_, window_},
        [this](RtApiSession& session) { return environment(session); }, standIn_->baseUrl(),
        patient));
    ASSERT_TRUE(eventually([&] {
        return !standIn_->requests("/v6/traffic").empty() &&
               !standIn_->requests("/v6/nearestmetar").empty();
    }));
    road_.stop();
    EXPECT_FALSE(road_.running());
    // The deauthentication still went out.
    EXPECT_EQ(standIn_->requests("/v6/deauth").size(), 1u);
    EXPECT_TRUE(stop_.keepRunning());
}

TEST_F(RtApiRoadTest, ARefusedLicenceEndsTheRunAsASystemError) {
    standIn_->addLicence("OLD-LIC", StandInLicence::expired);
    road_.setCredentials(RtCredentials{RtCredentialKind::licence, "OLD-LIC"});
    EXPECT_FALSE(start());
    EXPECT_FALSE(road_.running());
    EXPECT_EQ(stop_.current(), (StopRequest{StopReason::systemError, 15}));
    EXPECT_EQ(standIn_->requests("/v6/auth").size(), 1u);
}

// The window's feed light stops waiting once the road starts authenticating (red until the
// session stands), and the data source shows the licence the session has.
TEST_F(RtApiRoadTest, TheWindowIsToldTheFeedIsKnownAndItsDataSource) {
    const struct {
        const char* licence;
        StandInLicence kind;
        bool started;
        std::optional<std::string> dataSource;
    } cases[] = {
        {"PRO-LIC", StandInLicence::professional, true, "RT API, professional licence"},
        {"STD-LIC", StandInLicence::standard, true, "RT API, standard licence"},
        {"OLD-LIC", StandInLicence::expired, false, std::nullopt},
    };
    for (const auto& c : cases) {
        window_.clear();
        stop_.reset();
        standIn_->addLicence(c.licence, c.kind);
        road_.setCredentials(RtCredentials{RtCredentialKind::licence, c.licence});
        EXPECT_EQ(start(), c.started) << c.licence;
        road_.stop();
        EXPECT_EQ(window_.payloads<GuiUpdate::FeedStatusKnown>().size(), 1u) << c.licence;
        const auto text = window_.last<GuiUpdate::DataSourceText>();
        EXPECT_EQ(text ? std::optional(text->text) : std::nullopt, c.dataSource) << c.licence;
    }
}

TEST_F(RtApiRoadTest, AServiceThatCannotAnswerIsTriedFiveTimes) {
    standIn_->setFault("/v6/auth", StandInAnswer::withStatus(500, "No database connection"));
    EXPECT_FALSE(start());
    EXPECT_EQ(standIn_->requests("/v6/auth").size(),
              static_cast<std::size_t>(kRtApiMaxAuthAttempts));
    EXPECT_EQ(stop_.current(), (StopRequest{StopReason::systemError, 15}));
    EXPECT_TRUE(log_->contains("authentication attempt 1 of 5 failed, trying again in 5 s"));
}

TEST_F(RtApiRoadTest, AServiceThatRecoversLetsTheRunGoOn) {
    standIn_->queueAnswer("/v6/auth", StandInAnswer::withStatus(503));
    standIn_->queueAnswer("/v6/auth", StandInAnswer::of(StandInFault::cutShort));
    ASSERT_TRUE(start());
    EXPECT_EQ(standIn_->requests("/v6/auth").size(), 3u);
    EXPECT_TRUE(stop_.keepRunning());
}

TEST_F(RtApiRoadTest, WithoutCredentialsNothingStarts) {
    RtApiRoad bare;
    EXPECT_FALSE(bare.hasCredentials());
    EXPECT_FALSE(bare.start(
        RunServices{clock_, stop_, window_},
        [this](RtApiSession& session) { return environment(session); }, standIn_->baseUrl()));
    EXPECT_EQ(stop_.current(), (StopRequest{StopReason::systemError, 15}));
    EXPECT_TRUE(standIn_->requests().empty());
}

TEST_F(RtApiRoadTest, TheWaitForTheFirstTrafficEndsWithTheRun) {
    user_ = UserPosition{};
    ASSERT_TRUE(start());
    // No user position, no traffic: the wait runs out on the manual clock.
    EXPECT_FALSE(road_.waitForFirstTraffic(milliseconds(5000)));
    stop_.request(StopReason::userClosedSim, 0);
    EXPECT_FALSE(road_.waitForFirstTraffic(kRtApiFirstReplyWaitMs));
    RtApiRoad idle;
    EXPECT_FALSE(idle.waitForFirstTraffic(kRtApiFirstReplyWaitMs));
}

TEST_F(RtApiRoadTest, AStopDuringTheAuthenticationEndsTheStart) {
    standIn_->setFault("/v6/auth", StandInAnswer::withStatus(500));
    stop_.request(StopReason::userClosedSim, 0);
    EXPECT_FALSE(start());
    EXPECT_TRUE(standIn_->requests("/v6/auth").empty());
    EXPECT_EQ(stop_.current().reason, StopReason::userClosedSim);
}

} // namespace
} // namespace skyloom

// The web API session against the stand-in: authentication with a licence or a token, the
// refusals the service gives, renewal by two readers, deauthentication.
#include "feed/rtapi_session.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "feed/rtapi_readers.h"
#include "runtime/rt_status.h"
#include "tests/feed/support/rtapi_test_support.h"

namespace skyloom {
namespace {

using tools::StandInAnswer;
using tools::StandInFault;
using tools::StandInLicence;

class RtApiSessionTest : public testing::RtApiTest {};

TEST_F(RtApiSessionTest, ALicenceAuthenticatesAProfessionalSession) {
    standIn_->setRateLimits(std::chrono::milliseconds(3000), std::chrono::milliseconds(4000));
    auto session = makeSession();
    EXPECT_FALSE(session->authenticated());
    const RtApiAnswer answer = session->authenticate();
    ASSERT_TRUE(answer.ok()) << answer.problem;
    EXPECT_TRUE(session->authenticated());
    EXPECT_TRUE(session->professional());
    EXPECT_TRUE(g_rtProfessional.load());
    EXPECT_TRUE(g_rtConnected.load());
    EXPECT_EQ(session->guid(), answer.json["GUID"].get<std::string>());
    EXPECT_EQ(session->trafficRateLimit(), std::chrono::milliseconds(3000));
    EXPECT_EQ(session->weatherRateLimit(), std::chrono::milliseconds(4000));

    const auto requests = standIn_->requests("/v6/auth");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].form.at("license"), testing::kTestLicence);
    EXPECT_FALSE(requests[0].form.contains("token"));
    EXPECT_EQ(requests[0].form.at("software"), RtApiSession::softwareName());
    EXPECT_TRUE(log_->contains("authenticated with the licence ...-DDD (professional licence)"));
    EXPECT_FALSE(log_->contains(testing::kTestLicence));
}

TEST_F(RtApiSessionTest, ATokenIsSentAsTokenAndAStandardLicenceIsNotProfessional) {
    standIn_->addLicence("rt_0123456789abcdef", StandInLicence::standard);
    g_rtProfessional.store(true);
    auto session = makeSession(RtCredentials{RtCredentialKind::token, "rt_0123456789abcdef"});
    ASSERT_TRUE(session->authenticate().ok());
    EXPECT_FALSE(session->professional());
    EXPECT_FALSE(g_rtProfessional.load());
    const auto requests = standIn_->requests("/v6/auth");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].form.at("token"), "rt_0123456789abcdef");
    EXPECT_FALSE(requests[0].form.contains("license"));
}

// With the status in the HTTP status line the transport fails before the body (and its
// message); with HTTP 200 and the status in the body the message is kept. Either way the
// status decides.
TEST_F(RtApiSessionTest, RefusalsKeepTheSessionClosedAndSayWhy) {
    standIn_->addLicence("OLD-LIC", StandInLicence::expired);
    struct Case {
        RtCredentials credentials;
        long status;
        const char* message;
    };
    const Case cases[] = {
        {{RtCredentialKind::licence, "OLD-LIC"}, 402, "No active subscription"},
        {{RtCredentialKind::licence, "NOT-KNOWN"}, 404, "License not found"},
        {{RtCredentialKind::token, "rt_unknown"}, 404, "Invalid token"},
    };
    for (const bool bodyOnly : {false, true}) {
        standIn_->setStatusInBodyOnly(bodyOnly);
        for (const Case& c : cases) {
            auto session = makeSession(c.credentials);
            const RtApiAnswer answer = session->authenticate();
            EXPECT_EQ(answer.status, c.status) << c.credentials.value;
            EXPECT_EQ(answer.problem, bodyOnly ? fmt::format("status {}: {}", c.status, c.message)
                                               : fmt::format("HTTP status {}", c.status));
            EXPECT_FALSE(session->authenticated());
            EXPECT_FALSE(g_rtConnected.load());
        }
    }
    EXPECT_TRUE(log_->contains("==> RealTraffic web API authentication failed: HTTP status 402"));
    EXPECT_TRUE(log_->contains("==> RealTraffic web API authentication failed: status 402: No "
                               "active subscription"));
}

TEST_F(RtApiSessionTest, AReplyWithoutGuidIsNoSession) {
    standIn_->queueAnswer("/v6/auth", StandInAnswer::withBody(R"({"status":200,"type":2})"));
    auto session = makeSession();
    const RtApiAnswer answer = session->authenticate();
    EXPECT_FALSE(answer.ok());
    EXPECT_EQ(answer.problem, "the reply holds no GUID");
    EXPECT_FALSE(session->authenticated());
}

TEST_F(RtApiSessionTest, AStandardLicenceHasOneSessionAtATime) {
    standIn_->addLicence("ONE-SEAT", StandInLicence::standard);
    const RtCredentials one{RtCredentialKind::licence, "ONE-SEAT"};
    auto first = makeSession(one);
    ASSERT_TRUE(first->authenticate().ok());
    auto second = makeSession(one);
    EXPECT_EQ(second->authenticate().status, 405);
    // Deauthenticating frees the seat.
    ASSERT_TRUE(first->deauthenticate().ok());
    EXPECT_TRUE(second->authenticate().ok());
}

TEST_F(RtApiSessionTest, RenewingOnlyReplacesTheSessionThatFailed) {
    auto session = authenticatedSession();
    const std::string firstGuid = session->guid();
    standIn_->dropSessions();
    // The traffic reader met 401 and renews ...
    ASSERT_TRUE(session->renew(firstGuid).ok());
    const std::string secondGuid = session->guid();
    EXPECT_NE(secondGuid, firstGuid);
    // ... the weather reader met 401 with the old GUID too, and finds it renewed already.
    ASSERT_TRUE(session->renew(firstGuid).ok());
    EXPECT_EQ(session->guid(), secondGuid);
    EXPECT_EQ(standIn_->requests("/v6/auth").size(), 2u);
    EXPECT_TRUE(log_->contains("the session was lost, authenticating again"));
}

// An outage of the authentication fails the renewals of both readers for as long as it lasts:
// the session says its first failure when it begins and its count when an authentication
// succeeds again or the road stops, and the lost session once; nothing in between.
TEST_F(RtApiSessionTest, AnOutageOfTheAuthenticationIsLoggedWhenItBeginsAndWhenItEnds) {
    SKYLOOM_REQUIRE_RTAPI_RECORDINGS();
    struct Case {
        const char* label;
        // What the traffic request meets when the outage begins: 401 (the service forgot the
        // session) or 405 (too many sessions).
        int lostWith;
        StandInAnswer authentication;
        std::size_t failures;
        // The outage ends with an authentication; otherwise the road stops first.
        bool answered;
        const char* begins;
        const char* ends;
    };
    const Case cases[] = {
        {"the service forgot the session and fails for a while", 401,
         StandInAnswer::withStatus(503), 4, true, "authentication failed: HTTP status 503",
         "authenticated after 4 failed authentication attempts (the last: HTTP status 503)"},
        {"too many sessions for a while", 405, StandInAnswer::withStatus(405), 3, true,
         "authentication failed: HTTP status 405",
         "authenticated after 3 failed authentication attempts (the last: HTTP status 405)"},
        {"replies that are no JSON until the road stops", 401,
         StandInAnswer::of(StandInFault::malformed), 5, false,
         "authentication failed: the reply is no JSON",
         "stopped after 5 failed authentication attempts in a row (the last: the reply is no "
         "JSON"},
    };
    standIn_->setGzip(false);
    setUser(testing::kDuesseldorf);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        // The sessions of the case before are gone.
        standIn_->dropSessions();
        auto session = authenticatedSession();
        RtApiTrafficReader traffic(environment(*session));
        RtApiWeatherReader weather(environment(*session));
        // Each reader steps when the wait it asked for has passed.
        Clock::SteadyTime trafficDue = clock_.steadyNow();
        Clock::SteadyTime weatherDue = clock_.steadyNow();
        const auto stepDue = [&] {
            const Clock::SteadyTime next = std::min(trafficDue, weatherDue);
            clock_.advance(next - clock_.steadyNow());
            if (trafficDue <= clock_.steadyNow()) {
                trafficDue = clock_.steadyNow() + traffic.step().wait;
            }
            if (weatherDue <= clock_.steadyNow()) {
                weatherDue = clock_.steadyNow() + weather.step().wait;
            }
        };
        stepDue();
        const auto count = [&](std::string_view part) { return log_->count(part); };
        const std::size_t lines = count("RealTraffic web API");
        const std::size_t begins = count(c.begins);
        const std::size_t ends = count(c.ends);
        const std::size_t lost = count("the session was lost, authenticating again");
        const std::size_t authentications = standIn_->requests("/v6/auth").size();
        if (c.lostWith == 401) {
            standIn_->dropSessions();
        } else {
            standIn_->queueAnswer("/v6/traffic", StandInAnswer::withStatus(c.lostWith));
        }
        for (std::size_t i = 0; i < c.failures; ++i) {
            standIn_->queueAnswer("/v6/auth", c.authentication);
        }
        const std::size_t until = authentications + c.failures + (c.answered ? 1 : 0);
        for (int i = 0; i < 100 && standIn_->requests("/v6/auth").size() < until; ++i) {
            stepDue();
        }
        ASSERT_EQ(standIn_->requests("/v6/auth").size(), until);
        if (c.answered) {
            EXPECT_TRUE(session->authenticated());
        } else {
            session->logFailuresAtStop();
        }
        EXPECT_EQ(count(c.begins) - begins, 1u) << log_->text();
        EXPECT_EQ(count(c.ends) - ends, 1u) << log_->text();
        EXPECT_EQ(count("the session was lost, authenticating again") - lost, 1u);
        // Those three, and the new session's line.
        EXPECT_EQ(count("RealTraffic web API") - lines, c.answered ? 4u : 3u) << log_->text();
        session->logFailuresAtStop();
        EXPECT_EQ(count("RealTraffic web API") - lines, c.answered ? 4u : 3u)
            << "an ended outage is not said again";
    }
}

TEST_F(RtApiSessionTest, DeauthenticationClosesTheSessionOnce) {
    auto session = authenticatedSession();
    const std::string guid = session->guid();
    EXPECT_EQ(standIn_->sessionCount(), 1u);
    ASSERT_TRUE(session->deauthenticate().ok());
    EXPECT_FALSE(session->authenticated());
    EXPECT_FALSE(g_rtConnected.load());
    EXPECT_EQ(standIn_->sessionCount(), 0u);
    const auto requests = standIn_->requests("/v6/deauth");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].form.at("GUID"), guid);
    // Without a session nothing is sent.
    EXPECT_FALSE(session->deauthenticate().ok());
    EXPECT_EQ(standIn_->requests("/v6/deauth").size(), 1u);
}

TEST_F(RtApiSessionTest, ADeauthenticationThatFailsStillForgetsTheSession) {
    auto session = authenticatedSession();
    standIn_->queueAnswer("/v6/deauth", StandInAnswer::withStatus(500));
    EXPECT_EQ(session->deauthenticate().status, 500);
    EXPECT_FALSE(session->authenticated());
    EXPECT_TRUE(log_->contains("==> RealTraffic web API deauthentication failed: HTTP status 500"));
}

TEST_F(RtApiSessionTest, LimitsFollowTheLatestReply) {
    auto session = authenticatedSession();
    session->updateRateLimits(nlohmann::json::parse(R"({"rrl":5000})"));
    EXPECT_EQ(session->trafficRateLimit(), std::chrono::milliseconds(5000));
    EXPECT_EQ(session->weatherRateLimit(), std::chrono::milliseconds(2000));
    session->updateRateLimits(nlohmann::json::parse(R"({"wrrl":"2500","rrl":"bad"})"));
    EXPECT_EQ(session->trafficRateLimit(), std::chrono::milliseconds(5000));
    EXPECT_EQ(session->weatherRateLimit(), std::chrono::milliseconds(2500));
}

} // namespace
} // namespace skyloom

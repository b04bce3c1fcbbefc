// Reading the status of a web API reply and choosing what to do about it.
#include "feed/rtapi_reply.h"

#include <gtest/gtest.h>

#include "feed/rtapi_settings.h"

namespace skyloom {
namespace {

using std::chrono::milliseconds;

RtApiReply lf_body(std::string body) {
    RtApiReply reply;
    reply.transfer = RtApiTransfer::ok;
    reply.httpStatus = 200;
    reply.body = std::move(body);
    return reply;
}

TEST(RtApiReplyTest, StatusComesFromTheBodyOrTheTransfer) {
    struct Case {
        const char* label;
        RtApiReply reply;
        long status;
        const char* problem;
    };
    RtApiReply httpError;
    httpError.transfer = RtApiTransfer::httpError;
    httpError.httpStatus = 429;
    RtApiReply timedOut;
    timedOut.transfer = RtApiTransfer::timedOut;
    timedOut.detail = "Operation timed out";
    const Case cases[] = {
        {"good", lf_body(R"({"status":200,"GUID":"g"})"), 200, ""},
        {"status as text", lf_body(R"({"status":"200"})"), 200, ""},
        {"status as float", lf_body(R"({"status":401.0,"message":"GUID not found"})"), 401,
         "status 401: GUID not found"},
        {"error without message", lf_body(R"({"status":500})"), 500, "status 500"},
        {"no status", lf_body(R"({"data":{}})"), 0, "the reply has no status"},
        {"status not a number", lf_body(R"({"status":"OK"})"), 0, "the reply has no status"},
        {"status zero", lf_body(R"({"status":0})"), 0, "the reply has no status"},
        {"array", lf_body(R"([1,2])"), 0, "the reply is no JSON object"},
        {"not JSON", lf_body("<html>Bad gateway</html>"), 0, "the reply is no JSON (24 bytes)"},
        {"truncated", lf_body(R"({"status":200,"data":{"4ba9)"), 0,
         "the reply is no JSON (27 bytes)"},
        {"empty", lf_body(""), 0, "the reply is no JSON (0 bytes)"},
        {"HTTP error", httpError, 429, "HTTP status 429"},
        {"time-out", timedOut, 0, "timed out: Operation timed out"},
    };
    for (const Case& c : cases) {
        const RtApiAnswer answer = gf_readRtApiAnswer(c.reply);
        EXPECT_EQ(answer.status, c.status) << c.label;
        EXPECT_EQ(answer.problem, c.problem) << c.label;
        EXPECT_EQ(answer.ok(), c.status == 200) << c.label;
    }
}

TEST(RtApiReplyTest, RateLimitsAreReadAsMilliseconds) {
    const auto json = nlohmann::json::parse(
        R"({"rrl":2000,"wrrl":"3500","a":-1,"b":"x","c":1.6,"d":null,"e":1e12})");
    EXPECT_EQ(gf_rtApiMilliseconds(json, "rrl"), milliseconds(2000));
    EXPECT_EQ(gf_rtApiMilliseconds(json, "wrrl"), milliseconds(3500));
    EXPECT_EQ(gf_rtApiMilliseconds(json, "c"), milliseconds(2));
    for (const char* key : {"a", "b", "d", "e", "missing"}) {
        EXPECT_FALSE(gf_rtApiMilliseconds(json, key).has_value()) << key;
    }
    EXPECT_FALSE(gf_rtApiMilliseconds(nlohmann::json::array(), "rrl").has_value());
}

TEST(RtApiReplyTest, EachStatusHasItsCourse) {
    struct Case {
        long status;
        bool authentication;
        RtApiCourse course;
        milliseconds wait;
    };
    const milliseconds limit{3000};
    const Case cases[] = {
        {200, false, RtApiCourse::proceed, milliseconds(0)},
        {401, false, RtApiCourse::authenticateAgain, milliseconds(0)},
        // The authentication cannot lose a session it does not have yet.
        {401, true, RtApiCourse::retry, kRtApiRetryWaitMs},
        {402, false, RtApiCourse::licenceRefused, milliseconds(0)},
        {402, true, RtApiCourse::licenceRefused, milliseconds(0)},
        {403, true, RtApiCourse::licenceRefused, milliseconds(0)},
        {404, true, RtApiCourse::licenceRefused, milliseconds(0)},
        // On data requests 403 and 404 say "no data", which may change.
        {403, false, RtApiCourse::retry, kRtApiRetryWaitMs},
        {404, false, RtApiCourse::retry, kRtApiRetryWaitMs},
        {405, false, RtApiCourse::waitThenAuthenticate, kRtApiTooManySessionsWaitMs},
        {405, true, RtApiCourse::waitThenAuthenticate, kRtApiTooManySessionsWaitMs},
        {406, false, RtApiCourse::retry, limit + kRtApiRetryWaitMs},
        {407, false, RtApiCourse::retry, kRtApiRetryWaitMs},
        {429, true, RtApiCourse::retry, kRtApiLoginLockedWaitMs},
        {400, false, RtApiCourse::retry, kRtApiRetryWaitMs},
        {500, false, RtApiCourse::retry, kRtApiRetryWaitMs},
        {503, true, RtApiCourse::retry, kRtApiRetryWaitMs},
        {0, false, RtApiCourse::retry, kRtApiRetryWaitMs},
    };
    for (const Case& c : cases) {
        RtApiAnswer answer;
        answer.status = c.status;
        answer.transfer = c.status == 0 ? RtApiTransfer::timedOut : RtApiTransfer::ok;
        const RtApiJudgement judgement = gf_judgeRtApiAnswer(answer, c.authentication, limit);
        EXPECT_EQ(judgement.course, c.course) << c.status << (c.authentication ? " auth" : "")
                                              << ": " << gf_rtApiCourseText(judgement.course);
        EXPECT_EQ(judgement.wait, c.wait) << c.status;
    }
    RtApiAnswer stopped;
    stopped.transfer = RtApiTransfer::stopped;
    EXPECT_EQ(gf_judgeRtApiAnswer(stopped, false, limit).course, RtApiCourse::stop);
}

} // namespace
} // namespace skyloom

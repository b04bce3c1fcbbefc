// The web API readers round by round against the stand-in: recorded traffic reaching the
// mailbox, buffered snapshots, parked traffic, the QNH, the rate limits, and every way a
// request can fail.
#include "feed/rtapi_readers.h"

#include <algorithm>
#include <cmath>
#include <set>

#include <gtest/gtest.h>

#include "feed/qnh.h"
#include "feed/rtapi_settings.h"
#include "gui/gui.h"
#include "tests/feed/support/rtapi_test_support.h"

namespace skyloom {
namespace {

using std::chrono::milliseconds;
using testing::ExpectedAircraft;
using testing::gf_aircraftOf;
using testing::gf_entriesMatch;
using testing::gf_expectedAircraft;
using tools::StandInAnswer;
using tools::StandInFault;

class RtApiReadersTest : public testing::RtApiTest {
protected:
    void SetUp() override {
        RtApiTest::SetUp();
        gf_resetQnh();
        session_ = authenticatedSession();
        setUser(testing::kDuesseldorf);
        // Wide enough for every recorded aircraft around Düsseldorf.
        rangeNm_ = 200.0;
    }
    void TearDown() override {
        gf_resetQnh();
        RtApiTest::TearDown();
    }

    std::unique_ptr<RtApiTrafficReader> trafficReader() {
        return std::make_unique<RtApiTrafficReader>(environment(*session_));
    }

    // Steps the reader after waiting (on the manual clock) what the previous step asked.
    RtApiStep stepAfter(RtApiTrafficReader& reader, const RtApiStep& previous) {
        clock_.advance(previous.wait);
        return reader.step();
    }

    // The live recording's aircraft as they must arrive.
    std::vector<ExpectedAircraft> expectedLive() const {
        const auto reply = testing::gf_readRecording(recordings_, tools::kStandInLiveRecording);
        std::vector<ExpectedAircraft> expected;
        for (const auto& [key, values] : gf_aircraftOf(reply["data"])) {
            expected.push_back(gf_expectedAircraft(key, values));
        }
        return expected;
    }

    std::unique_ptr<RtApiSession> session_;
};

// The first request asks for buffered traffic, which is handed over oldest first with its
// offsets; the next brings the live aircraft into the mailbox, as recorded.
TEST_F(RtApiReadersTest, RecordedTrafficReachesTheMailboxAsRecorded) {
    SKYLOOM_REQUIRE_RTAPI_RECORDINGS();
    identities_.clearAndCollect();
    tick_.store(1000);
    auto reader = trafficReader();
    const RtApiStep buffered = reader->step();
    ASSERT_FALSE(buffered.stop);
    EXPECT_TRUE(reader->firstReplyDone());

    const auto requests = standIn_->requests("/v6/traffic");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].form.at("querytype"), "locationtraffic");
    EXPECT_EQ(requests[0].form.at("buffercount"), "5");
    EXPECT_EQ(requests[0].form.at("buffertime"), "6");
    EXPECT_EQ(requests[0].form.at("toffset"), "0");
    EXPECT_EQ(requests[0].form.at("GUID"), session_->guid());

    // No decoder is installed: the buffered batches wait in order.
    const auto recorded =
        testing::gf_readRecording(recordings_, tools::kStandInBufferedRecording)["data"];
    const auto waiting = mailbox_->waitingBufferedBatches();
    ASSERT_EQ(waiting.size(), 4u);
    for (std::size_t i = 0; i < waiting.size(); ++i) {
        const std::size_t index = 3 - i;
        std::vector<ExpectedAircraft> expected;
        for (const auto& [key, values] : gf_aircraftOf(recorded[fmt::format("buffer_{}", index)])) {
            expected.push_back(gf_expectedAircraft(key, values));
        }
        EXPECT_TRUE(gf_entriesMatch(waiting[i], expected)) << "buffer_" << index;
        // The newest entry of a snapshot plays at its offset base: 30 s less 6 s per step back.
        std::int32_t latest = 0;
        for (const TrafficEntry& entry : waiting[i]) {
            latest = std::max(latest, entry.sample.time);
        }
        EXPECT_EQ(latest, 1000 + 100 * static_cast<std::int32_t>(30 - 6 * index)) << index;
    }
    EXPECT_EQ(mailbox_->pendingCount(), 0u);

    const RtApiStep live = stepAfter(*reader, buffered);
    ASSERT_FALSE(live.stop);
    const auto pending = mailbox_->pendingBatch();
    EXPECT_TRUE(gf_entriesMatch(pending, expectedLive()));
    std::int32_t latest = 0;
    for (const TrafficEntry& entry : pending) {
        latest = std::max(latest, entry.sample.time);
    }
    EXPECT_EQ(latest, 1000 + 3000);
    EXPECT_FALSE(standIn_->requests("/v6/traffic").back().form.contains("buffercount"));

    // What went by was collected for static parking.
    for (const ExpectedAircraft& aircraft : expectedLive()) {
        EXPECT_TRUE(identities_.hexids().contains(aircraft.hexid));
        if (!aircraft.callsign.empty()) {
            EXPECT_TRUE(identities_.callsigns().contains(aircraft.callsign));
        }
    }
}

TEST_F(RtApiReadersTest, TheRequestFollowsTheUserAndTheTimeShift) {
    SKYLOOM_REQUIRE_RTAPI_RECORDINGS();
    rangeNm_ = 30.0;
    trafficShift_.store(90);
    auto reader = trafficReader();
    RtApiStep step = reader->step();
    auto request = standIn_->requests("/v6/traffic").back();
    const RtApiBox box = gf_rtApiBoxAround(testing::kDuesseldorf, 30.0);
    EXPECT_EQ(request.form.at("top"), fmt::format("{:.2f}", box.top));
    EXPECT_EQ(request.form.at("bottom"), fmt::format("{:.2f}", box.bottom));
    EXPECT_EQ(request.form.at("left"), fmt::format("{:.2f}", box.left));
    EXPECT_EQ(request.form.at("right"), fmt::format("{:.2f}", box.right));
    EXPECT_EQ(request.form.at("toffset"), "90");

    setUser(Lalo{48.35, 11.78});
    step = stepAfter(*reader, step);
    request = standIn_->requests("/v6/traffic").back();
    EXPECT_EQ(request.form.at("top"),
              fmt::format("{:.2f}", gf_rtApiBoxAround(Lalo{48.35, 11.78}, 30.0).top));
}

TEST_F(RtApiReadersTest, WithoutAUserPositionNothingIsAsked) {
    user_ = UserPosition{};
    auto reader = trafficReader();
    const RtApiStep step = reader->step();
    EXPECT_FALSE(step.stop);
    EXPECT_EQ(step.wait, milliseconds(1000));
    EXPECT_TRUE(standIn_->requests("/v6/traffic").empty());
}

TEST_F(RtApiReadersTest, TheTrafficLimitIsHonouredWithAFloorOfTwoSeconds) {
    SKYLOOM_REQUIRE_RTAPI_RECORDINGS();
    standIn_->setRateLimits(milliseconds(3500), milliseconds(2000));
    auto reader = trafficReader();
    RtApiStep step = reader->step();
    EXPECT_EQ(step.wait, milliseconds(3500));
    // The service lowers its limit in a reply: the floor still holds.
    standIn_->setRateLimits(milliseconds(500), milliseconds(2000));
    step = stepAfter(*reader, step);
    EXPECT_EQ(step.wait, milliseconds(2000));
    for (int i = 0; i < 3; ++i) {
        step = stepAfter(*reader, step);
    }
    for (const auto& request : standIn_->requests("/v6/traffic")) {
        EXPECT_EQ(request.status, 200);
    }
    // Asking again too soon is a request-rate violation: the reader waits the limit and 5 s.
    step = reader->step();
    EXPECT_EQ(standIn_->requests("/v6/traffic").back().status, 406);
    EXPECT_EQ(step.wait, session_->trafficRateLimit() + kRtApiRetryWaitMs);
    EXPECT_EQ(reader->consecutiveFailures(), 1);
}

TEST_F(RtApiReadersTest, ALostSessionIsRenewedAtOnce) {
    SKYLOOM_REQUIRE_RTAPI_RECORDINGS();
    auto reader = trafficReader();
    RtApiStep step = reader->step();
    standIn_->dropSessions();
    const std::string oldGuid = session_->guid();
    step = stepAfter(*reader, step);
    EXPECT_FALSE(step.stop);
    EXPECT_EQ(step.wait, milliseconds(0));
    EXPECT_NE(session_->guid(), oldGuid);
    EXPECT_EQ(reader->consecutiveFailures(), 0);
    EXPECT_EQ(standIn_->requests("/v6/auth").size(), 2u);
    step = stepAfter(*reader, step);
    EXPECT_EQ(standIn_->requests("/v6/traffic").back().status, 200);
    EXPECT_EQ(standIn_->requests("/v6/traffic").back().form.at("GUID"), session_->guid());
}

TEST_F(RtApiReadersTest, AnExpiredLicenceStopsTheRunForARestart) {
    auto reader = trafficReader();
    standIn_->queueAnswer("/v6/traffic", StandInAnswer::withStatus(402, "No active subscription"));
    const RtApiStep step = reader->step();
    EXPECT_TRUE(step.stop);
    EXPECT_EQ(stop_.current(), (StopRequest{StopReason::readerError, 15}));
    EXPECT_FALSE(reader->keepGoing());
    EXPECT_TRUE(log_->contains("Traffic RTAPIreader: buffered traffic request failed: HTTP status "
                               "402 (licence refused)"));
}

TEST_F(RtApiReadersTest, ServerErrorsAreRetriedUntilTwelveInARow) {
    auto reader = trafficReader();
    standIn_->setFault("/v6/traffic", StandInAnswer::withStatus(500, "No database connection"));
    RtApiStep step;
    for (int i = 1; i < kRtApiMaxConsecutiveFailures; ++i) {
        step = stepAfter(*reader, step);
        ASSERT_FALSE(step.stop) << i;
        EXPECT_EQ(step.wait, kRtApiRetryWaitMs);
        EXPECT_EQ(reader->consecutiveFailures(), i);
    }
    EXPECT_TRUE(stop_.keepRunning());
    step = stepAfter(*reader, step);
    EXPECT_TRUE(step.stop);
    EXPECT_EQ(stop_.current(), (StopRequest{StopReason::readerError, 15}));
    EXPECT_TRUE(log_->contains("Traffic RTAPIreader: 12 requests in a row failed, giving up"));
    EXPECT_EQ(mailbox_->pendingCount(), 0u);
    EXPECT_TRUE(mailbox_->waitingBufferedBatches().empty());
}

TEST_F(RtApiReadersTest, ASuccessEndsTheRunOfFailures) {
    SKYLOOM_REQUIRE_RTAPI_RECORDINGS();
    auto reader = trafficReader();
    for (int i = 0; i < 5; ++i) {
        standIn_->queueAnswer("/v6/traffic", StandInAnswer::withStatus(503));
    }
    RtApiStep step;
    for (int i = 0; i < 6; ++i) {
        step = stepAfter(*reader, step);
    }
    EXPECT_EQ(reader->consecutiveFailures(), 0);
    EXPECT_EQ(mailbox_->waitingBufferedBatches().size(), 4u);
}

// An outage fails every request for as long as it lasts, one every 5 s: the log says its first
// failure when it begins and its count once it ends, when a request is answered again, the
// reader gives up or the reader stops; nothing in between.
TEST_F(RtApiReadersTest, AnOutageIsLoggedWhenItBeginsAndWhenItEndsWithItsCount) {
    SKYLOOM_REQUIRE_RTAPI_RECORDINGS();
    enum class End { answered, readerStops, givenUp };
    struct Case {
        const char* label;
        StandInAnswer answer;
        int failures;
        End end;
        const char* begins;
        const char* ends;
    };
    const Case cases[] = {
        {"server errors, then an answer", StandInAnswer::withStatus(503), 5, End::answered,
         "buffered traffic request failed: HTTP status 503 (retry)",
         "requests answered again after 5 failed requests (the last: HTTP status 503)"},
        {"one time-out, then an answer", StandInAnswer::of(StandInFault::neverAnswer), 1,
         End::answered, "buffered traffic request failed: timed out",
         "requests answered again after 1 failed request (the last: timed out"},
        {"replies that are no JSON until the reader stops",
         StandInAnswer::of(StandInFault::malformed), 3, End::readerStops,
         "buffered traffic request failed: the reply is no JSON",
         "stopped after 3 failed requests in a row (the last: the reply is no JSON"},
        {"replies cut short until the reader gives up", StandInAnswer::of(StandInFault::cutShort),
         kRtApiMaxConsecutiveFailures, End::givenUp, "buffered traffic request failed: cut short",
         "12 requests in a row failed, giving up (the last: cut short"},
    };
    standIn_->setGzip(false);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const std::size_t failedBefore = log_->count("Traffic RTAPIreader: ");
        auto reader = trafficReader();
        for (int i = 0; i < c.failures; ++i) {
            standIn_->queueAnswer("/v6/traffic", c.answer);
        }
        RtApiStep step;
        for (int i = 0; i < c.failures && !step.stop; ++i) {
            step = stepAfter(*reader, step);
        }
        switch (c.end) {
        case End::answered:
            step = stepAfter(*reader, step);
            EXPECT_FALSE(step.stop);
            break;
        case End::readerStops:
            reader->logFailuresAtStop();
            break;
        case End::givenUp:
            EXPECT_TRUE(step.stop);
            break;
        }
        EXPECT_EQ(log_->count(std::string("Traffic RTAPIreader: ") + c.begins), 1u) << log_->text();
        EXPECT_EQ(log_->count(std::string("Traffic RTAPIreader: ") + c.ends), 1u) << log_->text();
        // Those two lines, and the buffered snapshots' line after an answer.
        const std::size_t lines = log_->count("Traffic RTAPIreader: ") - failedBefore;
        EXPECT_EQ(lines, c.end == End::answered ? 3u : 2u) << log_->text();
        reader->logFailuresAtStop();
        EXPECT_EQ(log_->count("Traffic RTAPIreader: ") - failedBefore, lines)
            << "an ended outage is not said again";
    }
}

TEST_F(RtApiReadersTest, LockedLoginsAndMissingDataWaitAndRetry) {
    auto reader = trafficReader();
    struct Case {
        int status;
        milliseconds wait;
    };
    for (const Case& c : {Case{429, kRtApiLoginLockedWaitMs}, Case{403, kRtApiRetryWaitMs},
                          Case{404, kRtApiRetryWaitMs}, Case{407, kRtApiRetryWaitMs},
                          Case{400, kRtApiRetryWaitMs}}) {
        standIn_->queueAnswer("/v6/traffic", StandInAnswer::withStatus(c.status));
        const RtApiStep step = reader->step();
        EXPECT_FALSE(step.stop) << c.status;
        EXPECT_EQ(step.wait, c.wait) << c.status;
    }
    EXPECT_TRUE(stop_.keepRunning());
}

TEST_F(RtApiReadersTest, TooManySessionsWaitsThenAuthenticatesAgain) {
    SKYLOOM_REQUIRE_RTAPI_RECORDINGS();
    auto reader = trafficReader();
    standIn_->queueAnswer("/v6/traffic", StandInAnswer::withStatus(405, "Too many sessions"));
    RtApiStep step = reader->step();
    EXPECT_EQ(step.wait, kRtApiTooManySessionsWaitMs);
    EXPECT_EQ(standIn_->requests("/v6/auth").size(), 1u);
    step = stepAfter(*reader, step);
    EXPECT_EQ(standIn_->requests("/v6/auth").size(), 2u);
    EXPECT_EQ(standIn_->requests("/v6/traffic").back().status, 200);
}

// Time-outs, cut-short and malformed replies lose that reply only: nothing is posted, the
// batch already pending stays, and the next good reply comes through.
TEST_F(RtApiReadersTest, BrokenRepliesLoseNothingElse) {
    SKYLOOM_REQUIRE_RTAPI_RECORDINGS();
    auto reader = trafficReader();
    RtApiStep step = reader->step(); // buffered
    step = stepAfter(*reader, step); // live
    ASSERT_EQ(mailbox_->pendingCount(), 18u);
    struct Case {
        StandInAnswer answer;
        const char* logged;
    };
    const Case cases[] = {
        {StandInAnswer::of(StandInFault::neverAnswer), "traffic request failed: timed out"},
        {StandInAnswer::of(StandInFault::cutShort), "traffic request failed: cut short"},
        {StandInAnswer::of(StandInFault::malformed),
         "traffic request failed: the reply is no JSON"},
        {StandInAnswer::withBody("[]"), "traffic request failed: the reply is no JSON object"},
        {StandInAnswer::withBody(R"({"data":{}})"),
         "traffic request failed: the reply has no status"},
    };
    standIn_->setGzip(false);
    for (const Case& c : cases) {
        standIn_->queueAnswer("/v6/traffic", c.answer);
        step = stepAfter(*reader, step);
        EXPECT_FALSE(step.stop);
        EXPECT_EQ(step.wait, kRtApiRetryWaitMs) << c.logged;
        EXPECT_TRUE(log_->contains(c.logged)) << c.logged;
        EXPECT_EQ(mailbox_->pendingCount(), 18u) << c.logged;
        EXPECT_EQ(reader->consecutiveFailures(), 1) << c.logged;
        // The next good reply comes through.
        step = stepAfter(*reader, step);
        EXPECT_EQ(reader->consecutiveFailures(), 0) << c.logged;
    }
    EXPECT_EQ(mailbox_->counts().livePosts, 1u + std::size(cases));
}

TEST_F(RtApiReadersTest, AMalformedAircraftIsLoggedOnceAndSkipped) {
    SKYLOOM_REQUIRE_RTAPI_RECORDINGS();
    auto reader = trafficReader();
    RtApiStep step = reader->step(); // buffered
    const std::string body = R"({"status":200,"rrl":2000,"data":{
        "4ba976":["4ba976",51.257366,6.702499,230.63,3650,151.3,"7715","X","B738","TC-JKV",
          1724517659.49,"ESB","DUS","TKJ3VU",0,2816,"VF5","X_adsb_icao",3700,166,180,0.268,-0.19,
          0.18,226.41,229.49,2848,"none","A3",1003.2,20000,39008,225,"null",8,186,1,9,1,0,-8.4,0,0,
          222,29,null,null,1],
        "4ba977":["4ba977","north",6.702499,230.63,3650,151.3,"7715","X","B738","TC-JKW",
          1724517659.49,"ESB","DUS","TKJ3VV",0,2816,"VF5","X_adsb_icao",3700,166,180,0.268,-0.19,
          0.18,226.41,229.49,2848,"none","A3",1003.2,20000,39008,225,"null",8,186,1,9,1,0,-8.4,0,0,
          222,29,null,null,1]}})";
    for (int i = 0; i < 3; ++i) {
        standIn_->queueAnswer("/v6/traffic", StandInAnswer::withBody(body));
        step = stepAfter(*reader, step);
        const auto pending = mailbox_->pendingBatch();
        ASSERT_EQ(pending.size(), 1u);
        EXPECT_EQ(pending[0].hexid, 0x4ba976u);
    }
    EXPECT_EQ(log_->count("Traffic RTAPIreader: aircraft 4ba977 skipped: latitude 'north' is "
                          "not a number"),
              1u);
    // Beyond the hex ids logged, the count is all the log holds of the skipped reports: it goes
    // with the minute's line of what was received, and again at the stop when it changed. So
    // does what the mailbox left untaken: each reply superseded the last one's report of 4ba976.
    // (Nothing takes from the mailbox: within the minute before it stalls.)
    for (int i = 0; i < 40 && log_->count("received so far") == 0; ++i) {
        standIn_->queueAnswer("/v6/traffic", StandInAnswer::withBody(body));
        step = stepAfter(*reader, step);
    }
    // The minute's line came before the step's reply.
    const std::size_t replies = mailbox_->counts().livePosts - 1;
    ASSERT_GE(replies, 10u);
    EXPECT_EQ(log_->count(
                  fmt::format("Traffic RTAPIreader: {} aircraft reports skipped so far", replies)),
              1u);
    EXPECT_EQ(log_->count(fmt::format("; untaken: {} superseded by a newer record of their "
                                      "aircraft, 0 dropped with their aircraft not updated; {} "
                                      "batches came before the one before was taken",
                                      replies - 1, replies - 1)),
              1u)
        << "the minute's line";
    EXPECT_FALSE(mailbox_->stalledForGood());
    standIn_->queueAnswer("/v6/traffic", StandInAnswer::withBody(body));
    step = stepAfter(*reader, step);
    reader->logReceipts();
    EXPECT_EQ(log_->count(fmt::format("Traffic RTAPIreader: {} aircraft reports skipped so far",
                                      replies + 2)),
              1u);
    EXPECT_EQ(log_->count("aircraft reports skipped so far"), 2u);
}

TEST_F(RtApiReadersTest, ParkedTrafficIsAskedForAroundTheParkAirport) {
    SKYLOOM_REQUIRE_RTAPI_RECORDINGS();
    parkAirport_ = AirportEntry{IcaoCode("EGLL"), IataCode("LHR"), testing::kHeathrow.lat,
                                testing::kHeathrow.lon, 83};
    auto reader = trafficReader();
    RtApiStep step = reader->step();
    const auto requests = standIn_->requests("/v6/traffic");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].form.at("querytype"), "parkedtraffic");
    EXPECT_FALSE(requests[0].form.contains("buffercount"));
    const RtApiBox box = gf_rtApiBoxAround(testing::kHeathrow, kRtApiParkedBoxNm);
    EXPECT_EQ(area_.parkedArea(), box);
    EXPECT_EQ(requests[0].form.at("top"), fmt::format("{:.2f}", box.top));
    EXPECT_EQ(requests[0].form.at("left"), fmt::format("{:.2f}", box.left));

    // The list holds the recorded parked aircraft inside the box.
    const auto recorded =
        testing::gf_readRecording(recordings_, tools::kStandInParkedRecording)["data"];
    std::set<std::uint32_t> expected;
    for (const auto& [key, values] : gf_aircraftOf(recorded)) {
        if (box.holds(Lalo{values[0].get<double>(), values[1].get<double>()})) {
            expected.insert(static_cast<std::uint32_t>(std::stoul(key, nullptr, 16)));
        }
    }
    ASSERT_FALSE(expected.empty());
    ASSERT_TRUE(parked_.received());
    std::set<std::uint32_t> got;
    for (const ParkedEntry& entry : parked_.entries()) {
        got.insert(entry.hexid);
    }
    EXPECT_EQ(got, expected);

    // Then traffic, until the parked list is 5 minutes old.
    step = stepAfter(*reader, step);
    EXPECT_EQ(standIn_->requests("/v6/traffic").back().form.at("querytype"), "locationtraffic");
    clock_.advance(kRtApiParkedRefreshMs);
    step = reader->step();
    EXPECT_EQ(standIn_->requests("/v6/traffic").back().form.at("querytype"), "parkedtraffic");

    // A new park airport is asked for at once, and the old list is gone meanwhile.
    parkAirport_ = AirportEntry{IcaoCode("EDDL"), IataCode("DUS"), testing::kDuesseldorf.lat,
                                testing::kDuesseldorf.lon, 147};
    standIn_->queueAnswer("/v6/traffic", StandInAnswer::withStatus(500));
    step = stepAfter(*reader, step);
    EXPECT_FALSE(parked_.received());
    EXPECT_TRUE(parked_.entries().empty());
}

// Parked traffic that cannot be had must not hold up the live traffic.
TEST_F(RtApiReadersTest, AFailingParkedRequestLetsTheTrafficGoOn) {
    SKYLOOM_REQUIRE_RTAPI_RECORDINGS();
    parkAirport_ = AirportEntry{IcaoCode("EGLL"), IataCode("LHR"), testing::kHeathrow.lat,
                                testing::kHeathrow.lon, 83};
    standIn_->queueAnswer("/v6/traffic", StandInAnswer::withStatus(403));
    auto reader = trafficReader();
    RtApiStep step = reader->step();
    EXPECT_EQ(standIn_->requests("/v6/traffic").back().form.at("querytype"), "parkedtraffic");
    EXPECT_FALSE(parked_.received());
    for (int i = 0; i < 3; ++i) {
        step = stepAfter(*reader, step);
        EXPECT_EQ(standIn_->requests("/v6/traffic").back().form.at("querytype"), "locationtraffic");
    }
    clock_.advance(kRtApiParkedRetryMs);
    step = reader->step();
    EXPECT_EQ(standIn_->requests("/v6/traffic").back().form.at("querytype"), "parkedtraffic");
    EXPECT_TRUE(parked_.received());
}

TEST_F(RtApiReadersTest, TheWeatherReaderSetsTheQnhOfTheNearestMetar) {
    SKYLOOM_REQUIRE_RTAPI_RECORDINGS();
    preciseQnh_.store(std::nan(""));
    metarShift_.store(30);
    trafficShift_.store(90);
    RtApiWeatherReader reader(environment(*session_));
    const RtApiStep step = reader.step();
    EXPECT_FALSE(step.stop);
    EXPECT_EQ(step.wait, kRtApiWeatherIntervalMs);
    EXPECT_EQ(gf_qnh(), 1014);
    EXPECT_EQ(preciseQnh_.load(), 1014.0);
    EXPECT_EQ(reader.state(), ReaderState::receiving);
    const auto requests = standIn_->requests("/v6/nearestmetar");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].form.at("maxcount"), "7");
    EXPECT_EQ(requests[0].form.at("toffset"), "30");
    EXPECT_EQ(requests[0].form.at("lat"), "51.29");
    EXPECT_EQ(requests[0].form.at("lon"), "6.77");
    EXPECT_TRUE(log_->contains("Weather RTAPIreader: QNH 1014 hPa from EDDL"));

    // The traffic's barometric altitudes are corrected with it.
    auto traffic = trafficReader();
    RtApiStep trafficStep = traffic->step();
    trafficStep = stepAfter(*traffic, trafficStep);
    const auto pending = mailbox_->pendingBatch();
    const auto it = std::find_if(pending.begin(), pending.end(),
                                 [](const TrafficEntry& e) { return e.hexid == 0x896456; });
    ASSERT_NE(it, pending.end());
    EXPECT_NEAR(it->sample.altitudeFt, 25825.0 + 0.75 * 27.3, 2.0);
}

TEST_F(RtApiReadersTest, WeatherFailuresFollowTheSameRules) {
    RtApiWeatherReader reader(environment(*session_));
    standIn_->queueAnswer("/v6/nearestmetar", StandInAnswer::withStatus(503));
    RtApiStep step = reader.step();
    EXPECT_EQ(step.wait, kRtApiRetryWaitMs);
    EXPECT_EQ(gf_qnh(), 1013);
    standIn_->queueAnswer(
        "/v6/nearestmetar",
        StandInAnswer::withBody(
            R"({"status":200,"data":[{"ICAO":"XXXX","METAR":"XXXX 010000Z NIL"}]})"));
    step = reader.step();
    EXPECT_EQ(step.wait, kRtApiWeatherIntervalMs);
    EXPECT_TRUE(log_->contains("Weather RTAPIreader: none of 1 nearest METARs gives a QNH"));
    standIn_->queueAnswer("/v6/nearestmetar", StandInAnswer::withStatus(402));
    step = reader.step();
    EXPECT_TRUE(step.stop);
    EXPECT_EQ(stop_.current(), (StopRequest{StopReason::readerError, 15}));
}

// With a window: the reader states, the QNH and the licence text reach it.
TEST_F(RtApiReadersTest, TheWindowHearsOfStatesQnhAndAnExpiredLicence) {
    SKYLOOM_REQUIRE_RTAPI_RECORDINGS();
    Gui gui;
    gui.recordGuiThread();
    RtApiEnvironment env = environment(*session_, gui);
    RtApiTrafficReader traffic(env);
    RtApiWeatherReader weather(env);
    traffic.setState(ReaderState::waitingForData);
    EXPECT_EQ(gui.state().trafficReaderState, ReaderState::waitingForData);
    ASSERT_FALSE(traffic.step().stop);
    EXPECT_EQ(gui.state().trafficReaderState, ReaderState::receiving);
    ASSERT_FALSE(weather.step().stop);
    EXPECT_EQ(gui.state().weatherReaderState, ReaderState::receiving);
    EXPECT_EQ(gui.state().qnhHpa, 1014);

    clock_.advance(kRtApiWeatherIntervalMs);
    standIn_->queueAnswer("/v6/nearestmetar", StandInAnswer::withStatus(402));
    EXPECT_TRUE(weather.step().stop);
    EXPECT_EQ(gui.state().statusLine,
              "Your RealTraffic license has expired (error 402). Check your license and API "
              "token.");
    EXPECT_EQ(stop_.current(), (StopRequest{StopReason::readerError, 15}));

    // Any other reason names the reader.
    stop_.reset();
    standIn_->setFault("/v6/traffic", StandInAnswer::withStatus(500));
    RtApiStep step;
    while (!step.stop) {
        step = stepAfter(traffic, step);
    }
    EXPECT_EQ(gui.state().statusLine, "The Traffic RTAPIreader has stopped with an error");
    gui.stopUpdates();
}

TEST_F(RtApiReadersTest, AStoppedProgramAsksNothingMore) {
    auto reader = trafficReader();
    stop_.request(StopReason::userClosedSim, 0);
    EXPECT_TRUE(reader->step().stop);
    RtApiWeatherReader weather(environment(*session_));
    EXPECT_TRUE(weather.step().stop);
    EXPECT_TRUE(standIn_->requests("/v6/traffic").empty());
    EXPECT_TRUE(standIn_->requests("/v6/nearestmetar").empty());
}

} // namespace
} // namespace skyloom

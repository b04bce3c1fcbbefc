// The conversion of recorded "/v6/traffic" replies (live, older layout, buffered, parked) and
// of broken aircraft arrays, one fault at a time.
#include "feed/rtapi_traffic.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <numbers>
#include <set>

#include <gtest/gtest.h>

#include "feed/feed_fields.h"
#include "feed/time_offsets.h"
#include "tests/feed/support/rtapi_test_support.h"
#include "tests/support/shared_data.h"

namespace skyloom {
namespace {

using testing::ExpectedAircraft;
using testing::gf_aircraftOf;
using testing::gf_entriesMatch;
using testing::gf_expectedAircraft;
using testing::gf_readRecording;

const RtApiAltitudeBasis kStandardBasis{1013.25, std::nullopt};

std::vector<ExpectedAircraft> lf_expected(const nlohmann::json& aircraft,
                                          std::optional<double> referenceFt = std::nullopt) {
    std::vector<ExpectedAircraft> expected;
    for (const auto& [key, values] : gf_aircraftOf(aircraft)) {
        expected.push_back(gf_expectedAircraft(key, values, referenceFt));
    }
    return expected;
}

// A recorded aircraft to break in the mutation tests.
nlohmann::json lf_goodAircraft() {
    return nlohmann::json::parse(R"(["4ba976",51.257366,6.702499,230.63,3650,151.3,"7715","X",
        "B738","TC-JKV",1724517659.49,"ESB","DUS","TKJ3VU",0,2816,"VF5","X_adsb_icao",3700,166,
        180,0.268,-0.19,0.18,226.41,229.49,2848,"none","A3",1003.2,20000,39008,225,"null",8,186,
        1,9,1,0,-8.4,0,0,222,29,null,null,1])");
}

TEST(RtApiTrafficTest, TheLiveRecordingBecomesOneEntryPerAircraft) {
    SKYLOOM_REQUIRE_SHARED(folder, testing::kRtApiRecordings);
    const nlohmann::json reply = gf_readRecording(folder, "746213911.74435.json");
    const RtApiTrafficReply read = gf_readRtApiTraffic(reply, kStandardBasis);
    EXPECT_FALSE(read.buffered);
    EXPECT_EQ(read.aircraftCount, 18u);
    EXPECT_TRUE(read.rejected.empty());
    EXPECT_TRUE(gf_entriesMatch(read.live, lf_expected(reply["data"])));

    // One aircraft in full: the Emirates A380 at FL258.
    const auto it = std::find_if(read.live.begin(), read.live.end(),
                                 [](const TrafficEntry& e) { return e.hexid == 0x896456; });
    ASSERT_NE(it, read.live.end());
    EXPECT_EQ(it->callsign, "UAE31V");
    EXPECT_EQ(it->registration, "A6-EUA");
    EXPECT_EQ(it->origin, IataCode("AMS"));
    EXPECT_EQ(it->destination, IataCode("DXB"));
    EXPECT_DOUBLE_EQ(it->sample.groundSpeedKt, 449.9);
    EXPECT_DOUBLE_EQ(it->sample.trackDeg, 133.38);
    EXPECT_DOUBLE_EQ(it->sample.verticalSpeedFpm, 1344.0);
    EXPECT_DOUBLE_EQ(it->sample.trueAirspeedKt, 470.0);
    EXPECT_EQ(it->sample.airborne, 1);
    EXPECT_EQ(it->sample.bankValid, 1);
    EXPECT_NEAR(it->sample.bankRad, 0.88 * std::numbers::pi / 180.0, 1e-12);
    EXPECT_EQ(it->sample.trueHeadingValid, 1);
    EXPECT_NEAR(it->sample.trueHeadingRad, 142.58 * std::numbers::pi / 180.0, 1e-12);
    EXPECT_EQ(it->sample.time, 0);
    EXPECT_DOUBLE_EQ(it->timestamp, 1724517659.5);
}

TEST(RtApiTrafficTest, TheOlderLayoutHoldsItsAircraftAtTheTopLevel) {
    SKYLOOM_REQUIRE_SHARED(folder, testing::kRtApiRecordings);
    const nlohmann::json reply = gf_readRecording(folder, "725578599.580375.json");
    const RtApiTrafficReply read = gf_readRtApiTraffic(reply, kStandardBasis);
    EXPECT_EQ(read.aircraftCount, 165u);
    // Surface vehicles carry callsigns like "EMERGCY VEH O87", longer than any flight's: they
    // are refused, each with its reason, and nothing else is lost.
    std::set<std::string> tooLong;
    std::vector<ExpectedAircraft> expected;
    for (const auto& [key, values] : gf_aircraftOf(reply)) {
        if (values[13].get<std::string>().size() > kMaxCallsignLength) {
            tooLong.insert(key);
        } else {
            expected.push_back(gf_expectedAircraft(key, values));
        }
    }
    ASSERT_FALSE(tooLong.empty());
    ASSERT_EQ(read.rejected.size(), tooLong.size());
    for (const RtApiRejected& rejected : read.rejected) {
        EXPECT_TRUE(tooLong.contains(rejected.key)) << rejected.key;
        EXPECT_NE(rejected.reason.find("callsign"), std::string::npos) << rejected.reason;
    }
    EXPECT_TRUE(gf_entriesMatch(read.live, expected));
}

TEST(RtApiTrafficTest, BufferedSnapshotsComeOldestFirst) {
    SKYLOOM_REQUIRE_SHARED(folder, testing::kRtApiRecordings);
    const nlohmann::json reply = gf_readRecording(folder, "746214863.95976.json");
    const RtApiTrafficReply read = gf_readRtApiTraffic(reply, kStandardBasis);
    ASSERT_TRUE(read.buffered);
    EXPECT_TRUE(read.live.empty());
    ASSERT_EQ(read.buffers.size(), 4u);
    EXPECT_EQ(read.bufferIndices, (std::vector<std::size_t>{3, 2, 1, 0}));
    EXPECT_EQ(read.aircraftCount, 35u);
    for (std::size_t i = 0; i < 4; ++i) {
        const auto& snapshot = reply["data"][fmt::format("buffer_{}", read.bufferIndices[i])];
        EXPECT_TRUE(gf_entriesMatch(read.buffers[i], lf_expected(snapshot)))
            << "buffer_" << read.bufferIndices[i];
    }
    // The same aircraft moves forward in time from batch to batch.
    auto timeOf = [](const std::vector<TrafficEntry>& batch) {
        for (const TrafficEntry& e : batch) {
            if (e.hexid == 0x48548e) {
                return e.timestamp;
            }
        }
        return 0.0;
    };
    EXPECT_LT(timeOf(read.buffers[1]), timeOf(read.buffers[2]));
    EXPECT_LT(timeOf(read.buffers[2]), timeOf(read.buffers[3]));
}

// One aircraft stamped far in the future would be the batch's newest and make every other one
// due at once; it is skipped with its reason, and the others keep the offsets they had.
TEST(RtApiTrafficTest, AircraftFromTheFutureAreSkippedBeforeTheOffsetsAreSet) {
    SKYLOOM_REQUIRE_SHARED(folder, testing::kRtApiRecordings);
    nlohmann::json reply = gf_readRecording(folder, "746213911.74435.json");
    // Received at the reply's "dataepoch".
    const Clock::UtcTime receivedAt{std::chrono::seconds{1724517662}};
    std::vector<TrafficEntry> genuine = gf_readRtApiTraffic(reply, kStandardBasis).live;
    gf_setTimeOffsets(genuine, 1000, 30);

    reply["data"]["4ba8c3"][10] = 4070908800.0; // 2099-01-01
    reply["data"]["4bb84d"][10] = 1724517662 + kMaxFeedTimestampAheadSeconds + 1.0;
    reply["data"]["3d18a1"][10] = 1724517662 + kMaxFeedTimestampAheadSeconds;
    RtApiTrafficReply read = gf_readRtApiTraffic(reply, kStandardBasis);
    gf_skipEntriesAheadOfClock(read, receivedAt);
    ASSERT_EQ(read.rejected.size(), 2u);
    EXPECT_EQ(read.rejected[0].key, "4ba8c3");
    EXPECT_EQ(read.rejected[0].reason,
              "time stamp 4070908800 lies 2346391138 s ahead of the clock");
    EXPECT_EQ(read.rejected[1].key, "4bb84d");
    EXPECT_EQ(read.rejected[1].reason, "time stamp 1724517963 lies 301 s ahead of the clock");
    ASSERT_EQ(read.live.size(), genuine.size() - 2);

    // Without the one inside the margin, which is newest now, the rest are due as before.
    std::erase_if(read.live, [](const TrafficEntry& e) { return e.hexid == 0x3d18a1; });
    gf_setTimeOffsets(read.live, 1000, 30);
    for (const TrafficEntry& entry : read.live) {
        const auto it = std::find_if(genuine.begin(), genuine.end(),
                                     [&](const TrafficEntry& e) { return e.hexid == entry.hexid; });
        ASSERT_NE(it, genuine.end());
        EXPECT_EQ(entry.sample.time, it->sample.time) << entry.hexid;
    }
    EXPECT_EQ(read.live.size(), 15u);

    // Buffered snapshots lose their aircraft from the future the same way.
    nlohmann::json buffered = gf_readRecording(folder, "746214863.95976.json");
    auto& youngest = buffered["data"]["buffer_0"];
    const std::string key = youngest.begin().key();
    youngest[key][10] = 4070908800.0;
    RtApiTrafficReply snapshots = gf_readRtApiTraffic(buffered, kStandardBasis);
    const std::size_t before = snapshots.buffers.back().size();
    gf_skipEntriesAheadOfClock(snapshots, Clock::UtcTime{std::chrono::seconds{1724521886}});
    ASSERT_EQ(snapshots.rejected.size(), 1u);
    EXPECT_EQ(snapshots.rejected[0].key, key);
    EXPECT_EQ(snapshots.buffers.back().size(), before - 1);
}

// An aircraft stamped far from the reply's others (a clock set wrong, though not ahead of the
// receiving clock: the user plays history) is skipped with its reason, and the others keep the
// offsets they had without it.
TEST(RtApiTrafficTest, AircraftStampedFarFromTheirReplyAreSkippedAndMoveNoOtherAircraft) {
    SKYLOOM_REQUIRE_SHARED(folder, testing::kRtApiRecordings);
    const nlohmann::json recorded = gf_readRecording(folder, "746213911.74435.json");
    // Received two years after the reply's "dataepoch".
    const double dataEpoch = 1724517662.0;
    const Clock::UtcTime receivedAt{std::chrono::seconds{1724517662 + 2 * 31557600}};
    std::vector<TrafficEntry> genuine = gf_readRtApiTraffic(recorded, kStandardBasis).live;
    gf_setTimeOffsets(genuine, 1000, 30);
    struct Case {
        const char* label;
        double stamp;
        const char* reason;
    };
    const Case cases[] = {
        {"an hour ahead", dataEpoch + 3600.0,
         "time stamp 1724521262.0 lies 3604 s after the other reports of its batch"},
        {"a year ahead", dataEpoch + 31557600.0,
         "time stamp 1756075262.0 lies 31557604 s after the other reports of its batch"},
        {"a minute and a half ahead", dataEpoch + 90.0,
         "time stamp 1724517752.0 lies 94 s after the other reports of its batch"},
        {"a day behind", dataEpoch - 86400.0,
         "time stamp 1724431262.0 lies 86394 s before the other reports of its batch"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        nlohmann::json reply = recorded;
        reply["data"]["4ba8c3"][10] = c.stamp;
        RtApiTrafficReply read = gf_readRtApiTraffic(reply, kStandardBasis);
        gf_skipEntriesAheadOfClock(read, receivedAt);
        gf_skipStrayEntries(read);
        ASSERT_EQ(read.rejected.size(), 1u);
        EXPECT_EQ(read.rejected[0].key, "4ba8c3");
        EXPECT_EQ(read.rejected[0].reason, c.reason);
        ASSERT_EQ(read.live.size(), genuine.size() - 1);
        gf_setTimeOffsets(read.live, 1000, 30);
        for (const TrafficEntry& entry : read.live) {
            const auto it = std::find_if(genuine.begin(), genuine.end(), [&](const TrafficEntry& e) {
                return e.hexid == entry.hexid;
            });
            ASSERT_NE(it, genuine.end());
            EXPECT_EQ(entry.sample.time, it->sample.time) << entry.hexid;
        }
    }
}

TEST(RtApiTrafficTest, TheParkedRecordingBecomesParkedEntries) {
    SKYLOOM_REQUIRE_SHARED(folder, testing::kRtApiRecordings);
    const nlohmann::json reply = gf_readRecording(folder, "746828180.600688.json");
    const RtApiParkedReply read = gf_readRtApiParkedTraffic(reply);
    EXPECT_EQ(read.aircraftCount, 95u);
    EXPECT_TRUE(read.rejected.empty());
    ASSERT_EQ(read.entries.size(), 95u);
    std::size_t atHeathrow = 0;
    for (const ParkedEntry& entry : read.entries) {
        atHeathrow += entry.standAirport == "EGLL" ? 1 : 0;
    }
    EXPECT_EQ(atHeathrow, 90u);
    const auto it = std::find_if(read.entries.begin(), read.entries.end(),
                                 [](const ParkedEntry& e) { return e.hexid == 0x040219; });
    ASSERT_NE(it, read.entries.end());
    EXPECT_EQ(it->standText, "256");
    EXPECT_EQ(it->registration, "ET-AZI");
    EXPECT_EQ(it->callsign, "ETH700");
    EXPECT_DOUBLE_EQ(it->position.lat, 51.472618);
    EXPECT_DOUBLE_EQ(it->timestamp, 1725082835.67);
}

// Every kind of fault in one value rejects that aircraft alone, with a reason.
TEST(RtApiTrafficTest, EachBrokenValueRejectsOnlyItsAircraft) {
    struct Mutation {
        const char* label;
        std::size_t index;
        nlohmann::json value;
        const char* reasonPart;
    };
    const Mutation mutations[] = {
        {"latitude text", 1, "north", "latitude"},
        {"latitude missing", 1, nullptr, "latitude is missing"},
        {"latitude out of range", 1, 91.0, "latitude"},
        {"longitude bool", 2, true, "longitude is not a number"},
        {"longitude huge", 2, 1e300, "longitude"},
        {"altitude object", 4, nlohmann::json::object(), "altitude is not a number"},
        {"altitude beyond reach", 4, 2e6, "altitude"},
        {"ground flag 2", 14, 2, "on-ground flag"},
        {"ground flag missing", 14, nullptr, "on-ground flag is missing"},
        {"time stamp missing", 10, nullptr, "time stamp is missing"},
        {"time stamp 1970", 10, 12.0, "timestamp 12 is out of range"},
        {"speed negative", 5, -40.0, "ground speed"},
        {"speed nan text", 5, "nan", "ground speed"},
        {"track out of range", 3, 400.0, "track"},
        {"callsign number", 13, 42, "callsign is not a text"},
        {"callsign binary", 13, std::string("AB\x01\x02", 4), "callsign"},
        {"callsign huge", 13, std::string(5000, 'A'), "callsign"},
        {"model array", 8, nlohmann::json::array({1}), "model is not a text"},
        {"vertical speed text", 15, "fast", "vertical speed"},
    };
    for (const Mutation& m : mutations) {
        nlohmann::json reply = {{"status", 200}, {"data", nlohmann::json::object()}};
        reply["data"]["4ba976"] = lf_goodAircraft();
        reply["data"]["4ba977"] = lf_goodAircraft();
        reply["data"]["4ba977"][m.index] = m.value;
        const RtApiTrafficReply read = gf_readRtApiTraffic(reply, kStandardBasis);
        ASSERT_EQ(read.live.size(), 1u) << m.label;
        EXPECT_EQ(read.live[0].hexid, 0x4ba976u) << m.label;
        ASSERT_EQ(read.rejected.size(), 1u) << m.label;
        EXPECT_EQ(read.rejected[0].key, "4ba977") << m.label;
        EXPECT_NE(read.rejected[0].reason.find(m.reasonPart), std::string::npos)
            << m.label << ": " << read.rejected[0].reason;
    }
}

TEST(RtApiTrafficTest, BrokenArraysAndKeysRejectOnlyTheirAircraft) {
    nlohmann::json reply = {{"status", 200}, {"data", nlohmann::json::object()}};
    reply["data"]["4ba976"] = lf_goodAircraft();
    nlohmann::json truncated = lf_goodAircraft();
    truncated.erase(truncated.begin() + 20, truncated.end());
    reply["data"]["4ba978"] = truncated;
    reply["data"]["zz12"] = lf_goodAircraft();
    reply["data"]["123456789"] = lf_goodAircraft();
    reply["data"]["4ba979"] = nlohmann::json::array();
    // Not arrays: no aircraft at all.
    reply["data"]["note"] = "text";
    reply["data"]["more"] = nlohmann::json::object();
    const RtApiTrafficReply read = gf_readRtApiTraffic(reply, kStandardBasis);
    EXPECT_EQ(read.aircraftCount, 5u);
    ASSERT_EQ(read.live.size(), 1u);
    EXPECT_EQ(read.rejected.size(), 4u);
    for (const RtApiRejected& rejected : read.rejected) {
        EXPECT_FALSE(rejected.reason.empty()) << rejected.key;
    }
}

TEST(RtApiTrafficTest, UnknownValuesAreNoFaults) {
    nlohmann::json values = lf_goodAircraft();
    for (const std::size_t index : {3u, 5u, 15u, 20u, 23u, 25u}) {
        values[index] = nullptr;
    }
    values[13] = "null";
    values[11] = "null";
    values[9] = nullptr;
    values[26] = "null";
    nlohmann::json reply = {{"status", 200}, {"data", {{"4ba976", values}}}};
    const RtApiTrafficReply read = gf_readRtApiTraffic(reply, kStandardBasis);
    ASSERT_EQ(read.live.size(), 1u) << (read.rejected.empty() ? "" : read.rejected[0].reason);
    const TrafficEntry& entry = read.live[0];
    EXPECT_EQ(entry.callsign, "");
    EXPECT_EQ(entry.registration, "");
    EXPECT_FALSE(entry.origin.isSet());
    EXPECT_EQ(entry.sample.groundSpeedKt, 0.0);
    EXPECT_EQ(entry.sample.bankValid, 0);
    EXPECT_EQ(entry.sample.trueHeadingValid, 0);
    EXPECT_EQ(entry.sample.verticalSpeedFpm, 0.0);
    // Without the barometric rate the geometric one is taken.
    values[26] = 640;
    reply["data"]["4ba976"] = values;
    EXPECT_EQ(gf_readRtApiTraffic(reply, kStandardBasis).live.at(0).sample.verticalSpeedFpm, 640.0);
}

TEST(RtApiTrafficTest, NumbersWrittenAsTextAreNumbers) {
    nlohmann::json values = lf_goodAircraft();
    values[1] = "51.257366";
    values[4] = "3650";
    values[14] = "0";
    nlohmann::json reply = {{"status", 200}, {"data", {{"4ba976", values}}}};
    const RtApiTrafficReply read = gf_readRtApiTraffic(reply, kStandardBasis);
    ASSERT_EQ(read.live.size(), 1u);
    EXPECT_DOUBLE_EQ(read.live[0].sample.latitude, 51.257366);
    EXPECT_DOUBLE_EQ(read.live[0].sample.altitudeFt, 3650.0);
}

TEST(RtApiTrafficTest, StaticHexidsAreNeverPassedOn) {
    nlohmann::json reply = {{"status", 200}, {"data", nlohmann::json::object()}};
    reply["data"]["2710"] = lf_goodAircraft(); // 10000
    reply["data"]["2711"] = lf_goodAircraft(); // 10001
    reply["data"]["0"] = lf_goodAircraft();
    const RtApiTrafficReply read = gf_readRtApiTraffic(reply, kStandardBasis);
    ASSERT_EQ(read.live.size(), 1u);
    EXPECT_EQ(read.live[0].hexid, 10001u);
    EXPECT_EQ(read.staticCount, 2u);
    EXPECT_TRUE(read.rejected.empty());
}

TEST(RtApiTrafficTest, AltitudesAreCorrectedWithTheQnh) {
    EXPECT_DOUBLE_EQ(gf_qnhCorrectedAltitudeFt(5000.0, 1013.25), 5000.0);
    // About 27 ft per hPa near the ground, higher pressure reading higher.
    EXPECT_NEAR(gf_qnhCorrectedAltitudeFt(0.0, 1023.25), 273.0, 3.0);
    EXPECT_NEAR(gf_qnhCorrectedAltitudeFt(3000.0, 993.25), 3000.0 - 555.0, 6.0);
    EXPECT_DOUBLE_EQ(gf_qnhCorrectedAltitudeFt(3000.0, 0.0), 3000.0);

    nlohmann::json reply = {{"status", 200}, {"data", {{"4ba976", lf_goodAircraft()}}}};
    const RtApiTrafficReply high = gf_readRtApiTraffic(reply, RtApiAltitudeBasis{1023.25, {}});
    ASSERT_EQ(high.live.size(), 1u);
    EXPECT_NEAR(high.live[0].sample.altitudeFt, 3650.0 + 273.0, 3.0);
}

// On the ground: the reference altitude, then the barometric one corrected to the QNH, then
// the geometric one, which is the height above the ellipsoid (tens of metres off the
// barometric altitude wherever the geoid is). In the air: barometric, then geometric.
TEST(RtApiTrafficTest, AltitudesPreferTheReferenceOnTheGroundThenTheBarometricThenTheGeometric) {
    struct Case {
        const char* label;
        int onGround;
        nlohmann::json baro;
        nlohmann::json geometric;
        std::optional<double> referenceFt;
        std::optional<double> altitudeFt; // no value: refused
    };
    // QNH 1023.25 hPa: the corrected barometric altitude is about 273 ft above the standard one.
    const double above = gf_qnhCorrectedAltitudeFt(0.0, 1023.25);
    const Case cases[] = {
        {"ground, all three", 1, 0, 120, 147.0, 147.0},
        {"ground, no reference", 1, 0, 120, std::nullopt, above},
        {"ground, reference only", 1, nullptr, nullptr, 147.0, 147.0},
        {"ground, geometric only", 1, nullptr, 120, std::nullopt, 120.0},
        {"ground, nothing", 1, nullptr, nullptr, std::nullopt, std::nullopt},
        {"air, all three", 0, 4000, 4100, 147.0, 4000.0 + above},
        {"air, geometric only", 0, nullptr, 4100, 147.0, 4100.0},
        {"air, nothing but the reference", 0, nullptr, nullptr, 147.0, std::nullopt},
    };
    for (const Case& c : cases) {
        nlohmann::json values = lf_goodAircraft();
        values[14] = c.onGround;
        values[4] = c.baro;
        values[18] = c.geometric;
        const nlohmann::json reply = {{"status", 200}, {"data", {{"4ba976", values}}}};
        const RtApiTrafficReply read =
            gf_readRtApiTraffic(reply, RtApiAltitudeBasis{1023.25, c.referenceFt});
        if (!c.altitudeFt) {
            EXPECT_TRUE(read.live.empty()) << c.label;
            ASSERT_EQ(read.rejected.size(), 1u) << c.label;
            EXPECT_EQ(read.rejected[0].reason, "altitude is missing") << c.label;
            continue;
        }
        ASSERT_EQ(read.live.size(), 1u) << c.label;
        EXPECT_DOUBLE_EQ(read.live[0].sample.altitudeFt, *c.altitudeFt) << c.label;
        EXPECT_EQ(read.live[0].sample.airborne, c.onGround == 1 ? 0 : 1) << c.label;
    }
}

TEST(RtApiTrafficTest, RepliesWithoutAircraftGiveNothing) {
    for (const char* text : {R"({"status":200,"data":{}})", R"({"status":200,"data":null})",
                             R"({"status":200,"data":[1,2]})", R"({"status":200})", R"([])",
                             R"({"status":200,"data":{"buffer_0":{}}})"}) {
        const RtApiTrafficReply read =
            gf_readRtApiTraffic(nlohmann::json::parse(text), kStandardBasis);
        EXPECT_TRUE(read.live.empty()) << text;
        EXPECT_EQ(read.aircraftCount, 0u) << text;
        for (const auto& batch : read.buffers) {
            EXPECT_TRUE(batch.empty()) << text;
        }
    }
}

TEST(RtApiTrafficTest, BrokenParkedAircraftRejectOnlyThemselves) {
    const nlohmann::json reply = nlohmann::json::parse(R"({"status":200,"data":{
        "406f75":[51.468492,-0.475082,"EGLL_568","B789","G-ZBKI",1725117281.99,"G-ZBKI"],
        "406f76":[51.468492,-0.475082,"EGLL_568","B789","G-ZBKI",1725117281.99,"G-ZBKI",271.5],
        "406f77":[51.468492,-0.475082,"EGLL_568","B789","G-ZBKI",1725117281.99],
        "406f78":["x",-0.475082,"EGLL_568","B789","G-ZBKI",1725117281.99,"G-ZBKI"],
        "406f79":[51.468492,-0.475082,"EGLL_568","B789","G-ZBKI",null,"G-ZBKI"],
        "qq":[51.468492,-0.475082,"EGLL_568","B789","G-ZBKI",1725117281.99,"G-ZBKI"],
        "406f7a":[51.468492,-0.475082,"","B789","G-ZBKI",1725117281.99,"G-ZBKI"]}})");
    const RtApiParkedReply read = gf_readRtApiParkedTraffic(reply);
    EXPECT_EQ(read.aircraftCount, 7u);
    EXPECT_EQ(read.entries.size(), 3u);
    EXPECT_EQ(read.rejected.size(), 4u);
}

TEST(RtApiTrafficTest, TheRequestCarriesTheBoxTheOffsetAndTheBuffers) {
    const RtApiBox box{51.79, 50.78, 5.95, 7.58};
    EXPECT_EQ(gf_trafficForm("g", RtApiQueryType::location, box, 0),
              (RtApiForm{{"GUID", "g"},
                         {"querytype", "locationtraffic"},
                         {"top", "51.79"},
                         {"bottom", "50.78"},
                         {"left", "5.95"},
                         {"right", "7.58"},
                         {"toffset", "0"}}));
    const RtApiForm buffered =
        gf_trafficForm("g", RtApiQueryType::location, box, 60, RtApiBufferRequest{5, 6});
    EXPECT_EQ(buffered.at(6), (std::pair<std::string, std::string>{"toffset", "60"}));
    EXPECT_EQ(buffered.at(7), (std::pair<std::string, std::string>{"buffercount", "5"}));
    EXPECT_EQ(buffered.at(8), (std::pair<std::string, std::string>{"buffertime", "6"}));
    // Parked traffic is never buffered.
    const RtApiForm parked =
        gf_trafficForm("g", RtApiQueryType::parked, box, 0, RtApiBufferRequest{5, 6});
    EXPECT_EQ(parked.size(), 7u);
    EXPECT_EQ(parked.at(1).second, "parkedtraffic");
}

} // namespace
} // namespace skyloom

#include "feed/rt_app_datagram.h"

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "feed/feed_fields.h"
#include "foundation/program_clock.h"
#include "refdata/code_table.h"
#include "tests/feed/support/app_feed_support.h"

namespace skyloom {
namespace {

using ::testing::HasSubstr;

constexpr double kDegree = std::numbers::pi / 180.0;

TrafficEntry lf_entryOf(std::string_view datagram) {
    const auto entry = gf_convertRtTrafficRecord(gf_rttfcRecord(gf_splitAppDatagram(datagram)));
    if (!entry) {
        throw std::runtime_error("no entry");
    }
    return *entry;
}

TEST(RtAppDatagramTest, TheDocumentedRecordBecomesAnEntry) {
    const TrafficEntry entry = lf_entryOf(testing::kV6ExampleDatagram);
    EXPECT_EQ(entry.hexid, 10750303u);
    EXPECT_DOUBLE_EQ(entry.sample.latitude, -33.7964);
    EXPECT_DOUBLE_EQ(entry.sample.longitude, 152.3938);
    EXPECT_DOUBLE_EQ(entry.sample.altitudeFt, 20375.0);
    EXPECT_DOUBLE_EQ(entry.sample.verticalSpeedFpm, 1376.0);
    EXPECT_EQ(entry.sample.airborne, 1);
    EXPECT_DOUBLE_EQ(entry.sample.trackDeg, 66.77);
    EXPECT_DOUBLE_EQ(entry.sample.groundSpeedKt, 484.30);
    EXPECT_DOUBLE_EQ(entry.sample.trueAirspeedKt, 466.0);
    EXPECT_EQ(entry.sample.bankValid, 1);
    EXPECT_DOUBLE_EQ(entry.sample.bankRad, 0.5 * kDegree);
    EXPECT_EQ(entry.sample.trueHeadingValid, 1);
    EXPECT_DOUBLE_EQ(entry.sample.trueHeadingRad, 67.59 * kDegree);
    EXPECT_EQ(entry.sample.time, 0);
    // The four flags belong to the live traffic: the feed leaves them all at 0.
    EXPECT_EQ(entry.sample.stationary, 0);
    EXPECT_EQ(entry.sample.headingFlag, 0);
    EXPECT_EQ(entry.sample.turnHoldMark, 0);
    EXPECT_EQ(entry.sample.turnHoldExceptionMark, 0);
    EXPECT_EQ(entry.callsign, "UAL842");
    EXPECT_EQ(entry.registration, "N35953");
    EXPECT_EQ(entry.origin.view(), "SYD");
    EXPECT_EQ(entry.destination.view(), "LAX");
    EXPECT_DOUBLE_EQ(entry.timestamp, 1645144889.8);
    EXPECT_EQ(gf_airlineCode(entry.key.airline), "UAL");
    EXPECT_EQ(entry.key.operatorId, 0) << "the operator is the callsign's airline";
    EXPECT_EQ(gf_modelCode(entry.key.model), "B789");
    EXPECT_TRUE(entry.displayCallsign.empty());
    EXPECT_TRUE(entry.thirdText.empty());
    EXPECT_FALSE(entry.reserved);
}

TEST(RtAppDatagramTest, OlderAppsSendFortyTwoOrFortyThreeFields) {
    // The App v10 documentation's example: 42 fields, a checksum last.
    const std::string v10 =
        "RTTFC,11234042,-33.9107,152.9902,26400,1248,0,90.12,490.00,AAL72,B772,N774AN,SYD,LAX,"
        "1645144889.8,X2,AA72,F_adsb_icao,27575,320,474,0.780,0.0,0.0,78.93,92.27,1280,none,A5,"
        "1012.8,35008,-1,71.02,autopilot|vnav|lnav|tcas,0.0,-21.9,223,21,-30,0,1,170124";
    const TrafficEntry entry = lf_entryOf(v10);
    EXPECT_EQ(entry.hexid, 11234042u);
    EXPECT_EQ(entry.sample.airborne, 0);
    EXPECT_EQ(gf_airlineCode(entry.key.airline), "AAL");
    EXPECT_EQ(entry.key.operatorId, 0);

    const std::string v43 = v10 + ",26235";
    EXPECT_EQ(lf_entryOf(v43).hexid, 11234042u);
}

TEST(RtAppDatagramTest, AnOperatorOtherThanTheCallsignsAirlineBecomesTheKeysOperator) {
    const TrafficEntry cityLine =
        lf_entryOf(testing::rttfcDatagram({{9, "DLH4AB"}, {10, "CRJ9"}, {43, "CLH"}}));
    EXPECT_EQ(gf_airlineCode(cityLine.key.airline), "DLH");
    EXPECT_EQ(gf_airlineCode(cityLine.key.operatorId), "CLH");
    EXPECT_EQ(gf_modelCode(cityLine.key.model), "CRJ9");

    const TrafficEntry privateFlight =
        lf_entryOf(testing::rttfcDatagram({{9, "N353FS"}, {43, "ejA"}}));
    EXPECT_EQ(gf_airlineCode(privateFlight.key.airline), "EJA");
    EXPECT_EQ(privateFlight.key.operatorId, 0);

    const TrafficEntry unknown = lf_entryOf(testing::rttfcDatagram({{9, "N353FS"}, {43, ""}}));
    EXPECT_EQ(unknown.key.airline, 0);
    EXPECT_EQ(unknown.key.operatorId, 0);

    const TrafficEntry noModel = lf_entryOf(testing::rttfcDatagram({{10, "null"}}));
    EXPECT_EQ(noModel.key.model, 0);
}

TEST(RtAppDatagramTest, UnknownValuesGiveDefaultsNotFailures) {
    const TrafficEntry entry = lf_entryOf(testing::rttfcDatagram({{5, ""},
                                                                  {7, "-1"},
                                                                  {8, "null"},
                                                                  {12, "null"},
                                                                  {13, "KLAX"},
                                                                  {20, "-1"},
                                                                  {23, ""},
                                                                  {25, "-1"}}));
    EXPECT_EQ(entry.sample.verticalSpeedFpm, 0.0);
    EXPECT_EQ(entry.sample.trackDeg, 0.0);
    EXPECT_EQ(entry.sample.groundSpeedKt, 0.0);
    EXPECT_EQ(entry.sample.trueAirspeedKt, 0.0);
    EXPECT_EQ(entry.sample.bankValid, 0);
    EXPECT_EQ(entry.sample.trueHeadingValid, 0);
    EXPECT_FALSE(entry.origin.isSet());
    EXPECT_FALSE(entry.destination.isSet());

    // Without a track the true heading gives the direction.
    const TrafficEntry headingOnly = lf_entryOf(testing::rttfcDatagram({{7, ""}, {25, "270"}}));
    EXPECT_DOUBLE_EQ(headingOnly.sample.trackDeg, 270.0);
}

TEST(RtAppDatagramTest, StaticAircraftHexidsAreNeverPassedOn) {
    for (const char* hexid : {"0", "170", "10000"}) {
        const std::string text = testing::rttfcDatagram({{1, hexid}});
        const AppDatagram datagram = gf_splitAppDatagram(text);
        EXPECT_FALSE(gf_convertRtTrafficRecord(gf_rttfcRecord(datagram))) << hexid;
    }
    EXPECT_EQ(lf_entryOf(testing::rttfcDatagram({{1, "10001"}})).hexid, 10001u);
    EXPECT_EQ(lf_entryOf(testing::rttfcDatagram({{1, "531931910"}})).hexid, 531931910u)
        << "RealTraffic's own ids above 0xFFFFFF are kept";
}

struct MalformedCase {
    std::string label;
    std::string datagram;
    std::string reason;
};

TEST(RtAppDatagramTest, MalformedDatagramsAreRejectedWithTheirReason) {
    const std::string good = testing::rttfcDatagram();
    const std::vector<MalformedCase> cases = {
        {"empty", "", "empty datagram"},
        {"only line ends", "\r\n", "empty datagram"},
        {"truncated", good.substr(0, good.find(",1645144889.8")), "has 14 fields, expected 42"},
        {"cut in a number", good.substr(0, 30), "has 4 fields"},
        {"extra fields", good + ",X,Y", "has 46 fields, more than 44"},
        {"many extra fields", good + std::string(300, ','), "more than 44"},
        {"huge", good + std::string(3000, 'A'), "bytes is too long"},
        {"binary", std::string("RTTFC,\x00\x01\xff", 9), "the byte 0x00 at offset 6"},
        {"non-ASCII", "RTTFC,1,2,\xc3\xa9", "the byte 0xc3"},
        {"unknown type", "AITFC,1,2,3,4,5,6,7,8,9,10,11,12,13", "record type 'AITFC' is unknown"},
        {"bad buffer index", "RTBUF=x" + good.substr(5), "has no buffer index"},
        {"marker with blank", "RTTFC EOT", "no marker word"},
        {"long marker", std::string(40, 'A'), "marker of 40 characters"},
        {"parked too short", "RTPARK,76cd72,-33.9,151.1", "has 4 fields, expected 9 to 9"},
    };
    for (const MalformedCase& c : cases) {
        try {
            gf_splitAppDatagram(c.datagram);
            ADD_FAILURE() << c.label << ": accepted";
        } catch (const FeedRecordError& e) {
            EXPECT_THAT(e.what(), HasSubstr(c.reason)) << c.label;
        }
    }
}

TEST(RtAppDatagramTest, MalformedValuesAreRejectedWithTheField) {
    const std::vector<MalformedCase> cases = {
        {"non-numeric latitude", testing::rttfcDatagram({{2, "south"}}), "latitude 'south'"},
        {"latitude out of range", testing::rttfcDatagram({{2, "91"}}), "latitude 91"},
        {"missing altitude", testing::rttfcDatagram({{4, ""}}), "altitude is missing"},
        {"altitude too high", testing::rttfcDatagram({{4, "250000"}}), "altitude 250000"},
        {"airborne flag 2", testing::rttfcDatagram({{6, "2"}}), "airborne 2 is not 0 or 1"},
        {"negative ground speed", testing::rttfcDatagram({{8, "-5"}}), "ground speed -5"},
        {"track beyond 360", testing::rttfcDatagram({{7, "361"}}), "track 361"},
        {"hexid in hexadecimal", testing::rttfcDatagram({{1, "a4179f"}}), "hexid 'a4179f'"},
        {"no time stamp", testing::rttfcDatagram({{14, "null"}}), "timestamp is missing"},
        {"time stamp in ms", testing::rttfcDatagram({{14, "1645144889800"}}), "timestamp"},
        {"callsign too long", testing::rttfcDatagram({{9, "ABCDEFGHIJKLMNOP"}}), "callsign"},
        {"operator not a code", testing::rttfcDatagram({{43, "U4L"}}), "operator 'U4L'"},
        {"position never set", testing::rttfcDatagram({{2, "0"}, {3, "0"}}), "position 0,0"},
    };
    for (const MalformedCase& c : cases) {
        try {
            lf_entryOf(c.datagram);
            ADD_FAILURE() << c.label << ": accepted";
        } catch (const FeedRecordError& e) {
            EXPECT_THAT(e.what(), HasSubstr(c.reason)) << c.label;
        }
    }
}

TEST(RtAppDatagramTest, MarkersAndBufferedRecordsAreTold) {
    const AppDatagram eot = gf_splitAppDatagram("RTTFC_EOT\n");
    EXPECT_EQ(eot.kind, AppDatagramKind::marker);
    EXPECT_EQ(eot.marker, "RTTFC_EOT");

    const std::string buffered = "RTBUF=3" + testing::rttfcDatagram().substr(5);
    const AppDatagram record = gf_splitAppDatagram(buffered);
    EXPECT_EQ(record.kind, AppDatagramKind::buffered);
    EXPECT_EQ(record.bufferIndex, 3u);
    EXPECT_EQ(record.fieldCount, 44u);
    EXPECT_EQ(lf_entryOf(buffered).callsign, "UAL842");
}

TEST(RtAppDatagramTest, TheDocumentedParkedRecordBecomesAParkedEntry) {
    const AppDatagram datagram = gf_splitAppDatagram(
        "RTPARK,76cd72,-33.940487,151.163958,SIA231,A388,9V-SKR,YSSY_I61,1768005636.7");
    EXPECT_EQ(datagram.kind, AppDatagramKind::parked);
    const ParkedEntry entry = gf_convertRtParkedRecord(gf_rtparkRecord(datagram));
    EXPECT_EQ(entry.hexid, 0x76CD72u);
    EXPECT_EQ(entry.position, (Lalo{-33.940487, 151.163958}));
    EXPECT_EQ(entry.callsign, "SIA231");
    EXPECT_EQ(entry.registration, "9V-SKR");
    EXPECT_EQ(gf_modelCode(entry.modelId), "A388");
    EXPECT_EQ(gf_airlineCode(entry.airlineId), "SIA");
    EXPECT_EQ(entry.standAirport, "YSSY");
    EXPECT_EQ(entry.standText, "I61");
    // 1768005636.7 is 2026-01-10 00:40:36.7 UTC: the slot of 00:30.
    EXPECT_EQ(entry.slot, 1);
    EXPECT_EQ(entry.age, 0);

    const ParkedEntry noStand = gf_convertRtParkedRecord(gf_rtparkRecord(
        gf_splitAppDatagram("RTPARK,76cd72,-33.94,151.16,N123,C172,N123,,1768005636.7")));
    EXPECT_EQ(noStand.airlineId, 0);
    EXPECT_TRUE(noStand.standText.empty());
    EXPECT_TRUE(noStand.standAirport.empty());

    EXPECT_THROW(gf_rtparkRecord(gf_splitAppDatagram(
                     "RTPARK,10750303x,-33.94,151.16,N123,C172,N123,,1768005636.7")),
                 FeedRecordError);
}

} // namespace
} // namespace skyloom

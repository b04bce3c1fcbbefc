#include "refdata/weekly_airports.h"

#include <gtest/gtest.h>

#include "tests/refdata/support/refdata_test_support.h"

namespace skyloom {
namespace {

class WeeklyAirportsTest : public ::testing::Test {
protected:
    void SetUp() override { testing::resetReferenceData(); }
    void TearDown() override { testing::resetReferenceData(); }

    void write(std::string_view body) {
        testing::writeText(dir_ / "wktraffic.xml",
                           testing::dataSetXml("wktraffic", "2026.6", body));
    }

    testing::TempDir dir_;
};

TEST_F(WeeklyAirportsTest, RefreshReadsEveryListAndLooksCodesUp) {
    testing::CapturedLog log;
    write(R"(<weekly week="2026-06"><w aps="KLAX, EGLL,eham"/><w aps="EGLL,KJFK,,"/></weekly>)");
    ASSERT_TRUE(gf_refreshWeeklyTrafficAirports(dir_.path()));
    EXPECT_EQ(gf_weeklyTrafficAirportCount(), 4u);
    for (const char* code : {"KLAX", "EGLL", "EHAM", "KJFK"}) {
        EXPECT_TRUE(gf_isWeeklyTrafficAirport(IcaoCode(code))) << code;
    }
    EXPECT_FALSE(gf_isWeeklyTrafficAirport(IcaoCode("KLAS")));
    EXPECT_FALSE(gf_isWeeklyTrafficAirport(IcaoCode()));
    EXPECT_TRUE(log.has("    4 RT weekly airports"));
}

TEST_F(WeeklyAirportsTest, FailedRefreshKeepsThePreviousSet) {
    testing::CapturedLog log;
    write(R"(<weekly><w aps="KLAX"/></weekly>)");
    ASSERT_TRUE(gf_refreshWeeklyTrafficAirports(dir_.path()));

    write(R"(<w aps="EGLL"/>)");
    EXPECT_FALSE(gf_refreshWeeklyTrafficAirports(dir_.path()));
    EXPECT_TRUE(log.contains("==> RT weekly airports not read: "));
    EXPECT_TRUE(log.contains("no 'weekly' element"));
    testing::writeText(dir_ / "wktraffic.xml", "<root><weekly>");
    EXPECT_FALSE(gf_refreshWeeklyTrafficAirports(dir_.path()));
    std::filesystem::remove(dir_ / "wktraffic.xml");
    EXPECT_FALSE(gf_refreshWeeklyTrafficAirports(dir_.path()));
    EXPECT_TRUE(log.contains("wktraffic not found in"));

    EXPECT_TRUE(gf_isWeeklyTrafficAirport(IcaoCode("KLAX")));
    EXPECT_FALSE(gf_isWeeklyTrafficAirport(IcaoCode("EGLL")));
}

TEST_F(WeeklyAirportsTest, InvalidCodesAreCountedAndTheRestKept) {
    testing::CapturedLog log;
    write(R"(<weekly><w aps="KLAX,LAX,K-AS,EGLLX,EGLL"/></weekly>)");
    ASSERT_TRUE(gf_refreshWeeklyTrafficAirports(dir_.path()));
    EXPECT_EQ(gf_weeklyTrafficAirportCount(), 2u);
    EXPECT_TRUE(log.has("==> 3 invalid codes in the RT weekly airports"));
}

TEST_F(WeeklyAirportsTest, ClearEmptiesTheSetAndRefreshFillsItAgain) {
    write(R"(<weekly><w aps="KLAX"/></weekly>)");
    ASSERT_TRUE(gf_refreshWeeklyTrafficAirports(dir_.path()));
    gf_clearWeeklyTrafficAirports();
    EXPECT_FALSE(gf_isWeeklyTrafficAirport(IcaoCode("KLAX")));
    EXPECT_EQ(gf_weeklyTrafficAirportCount(), 0u);
    ASSERT_TRUE(gf_refreshWeeklyTrafficAirports(dir_.path()));
    EXPECT_TRUE(gf_isWeeklyTrafficAirport(IcaoCode("KLAX")));
}

TEST_F(WeeklyAirportsTest, EncryptedListIsRead) {
    testing::writeEncrypted(
        dir_ / "wktraffic.enc",
        testing::dataSetXml("wktraffic", "1.0", R"(<weekly><w aps="YSSY"/></weekly>)"));
    ASSERT_TRUE(gf_refreshWeeklyTrafficAirports(dir_.path()));
    EXPECT_TRUE(gf_isWeeklyTrafficAirport(IcaoCode("YSSY")));
}

} // namespace
} // namespace skyloom

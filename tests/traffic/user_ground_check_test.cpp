// The user aircraft's ground check and the texts of the flight messages: which aircraft the
// check names (one at most, live before static, never an airborne one, across the
// antimeridian too), the airline text, the IATA code at a position and where a flight message
// goes.
#include "traffic/removals/user_ground_check.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "config/params_snapshot.h"
#include "refdata/airports.h"
#include "refdata/code_table.h"
#include "refdata/park_airport.h"
#include "tests/sim/support/facility_test_support.h"
#include "tests/support/recording_window_sink.h"
#include "traffic/step/flight_texts.h"

namespace skyloom::testing {
namespace {

// `metres` east of the user.
GroundCheckAircraft lf_aircraft(const Lalo& user, double metres, double radiusNm, bool active,
                                bool onGround) {
    return GroundCheckAircraft{gf_flatOffset(user, metres, 0), radiusNm, active, onGround};
}

TEST(UserGroundCheckTest, AtMostOneAircraftLiveBeforeStatic) {
    const Lalo user{47.45, 8.56};
    const Lalo dateLine{-16.7, 179.9999};
    const double userTerm = 0.02; // NM
    // 0.02 + 0.02 NM reach: 74 m.
    struct Case {
        const char* name;
        Lalo user;
        std::vector<GroundCheckAircraft> live;
        std::vector<GroundCheckAircraft> statics;
        bool hit;
        bool hitIsLive;
        std::size_t index;
    };
    const Case cases[] = {
        {"nobody near",
         user,
         {lf_aircraft(user, 80, 0.02, true, true)},
         {lf_aircraft(user, 80, 0.02, true, false)},
         false,
         false,
         0},
        {"live on the ground",
         user,
         {lf_aircraft(user, 80, 0.02, true, true), lf_aircraft(user, 70, 0.02, true, true),
          lf_aircraft(user, 10, 0.02, true, true)},
         {lf_aircraft(user, 5, 0.02, true, false)},
         true,
         true,
         1},
        {"airborne live passed over",
         user,
         {lf_aircraft(user, 10, 0.02, true, false)},
         {lf_aircraft(user, 60, 0.02, true, false)},
         true,
         false,
         0},
        {"inactive passed over",
         user,
         {lf_aircraft(user, 10, 0.02, false, true)},
         {lf_aircraft(user, 10, 0.02, false, false), lf_aircraft(user, 20, 0.02, true, false)},
         true,
         false,
         1},
        {"no size at all", user, {}, {lf_aircraft(user, 0, -0.02, true, false)}, false, false, 0},
        {"across the antimeridian",
         dateLine,
         {lf_aircraft(dateLine, 30, 0.02, true, true)},
         {},
         true,
         true,
         0},
        {"static across the antimeridian",
         dateLine,
         {},
         {lf_aircraft(dateLine, 30, 0.02, true, false)},
         true,
         false,
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto hit = gf_checkUserAcGndCollisions(c.user, userTerm, c.live, c.statics);
        ASSERT_EQ(hit.has_value(), c.hit);
        if (hit) {
            EXPECT_EQ(hit->live, c.hitIsLive);
            EXPECT_EQ(hit->index, c.index);
        }
    }
}

class FlightTextsTest : public FacilityTest {
protected:
    ~FlightTextsTest() override {
        gf_parkAirportEntry().clear();
        gf_setAirports({});
        gf_airlineCodeTable().reset();
    }
    static AirportEntry airport(const char* icao, const char* iata, Lalo at) {
        AirportEntry e;
        e.icao = IcaoCode(icao);
        if (*iata != '\0') {
            e.iata = IataCode(iata);
        }
        e.lat = at.lat;
        e.lon = at.lon;
        return e;
    }
};

TEST_F(FlightTextsTest, AirlineText) {
    gf_airlineCodeTable().reset();
    const std::uint16_t dal = gf_airlineId("DAL");
    const std::uint16_t skw = gf_airlineId("SKW");
    EXPECT_EQ(gf_airlineText(dal, 0), "DAL");
    EXPECT_EQ(gf_airlineText(dal, skw), "DAL,SKW");
    EXPECT_EQ(gf_airlineText(60000, skw), ",SKW");
    EXPECT_EQ(gf_airlineText(dal, 60000), "DAL");
}

TEST_F(FlightTextsTest, IataCodeAtAPosition) {
    const Lalo zurich{47.458, 8.548};
    const Lalo fiji{-16.466, 179.339};
    // A made-up airport just east of the antimeridian.
    const Lalo dateLine{-16.7, -179.98};
    gf_setAirports({airport("LSZH", "ZRH", zurich), airport("NFNL", "LBS", fiji),
                    airport("LSZB", "", {46.914, 7.499}), airport("LSZG", "ZJG", {47.182, 7.417}),
                    airport("QDLX", "DLX", dateLine)});
    struct Case {
        const char* name;
        Lalo position;
        const char* fallback;
        const char* expected;
    };
    const Case cases[] = {
        {"at the table's airport", gf_flatOffset(zurich, 3000, 3000), "", "ZRH"},
        {"fallback first", gf_flatOffset(zurich, 3000, 3000), "XYZ", "XYZ"},
        {"far from every airport", {40, 0}, "", ""},
        {"airport without IATA code", {46.915, 7.5}, "", ""},
        {"beyond 5 NM", gf_flatOffset(zurich, 9300, 0), "", ""},
        {"across the antimeridian", {-16.7, 179.99}, "", "DLX"},
        {"near Labasa", gf_flatOffset(fiji, -5000, 0), "", "LBS"},
        {"invalid position", {0, 0}, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const IataCode fallback = *c.fallback ? IataCode(c.fallback) : IataCode{};
        EXPECT_EQ(gf_iataCodeAt(c.position, fallback).text(), c.expected);
    }
    // The park airport wins over the fallback when it lies within 5 NM.
    gf_parkAirportEntry().set(airport("LSZG", "ZJG", {47.182, 7.417}));
    EXPECT_EQ(gf_iataCodeAt({47.19, 7.42}, IataCode("XYZ")).text(), "ZJG");
    EXPECT_EQ(gf_iataCodeAt(gf_flatOffset(zurich, 3000, 3000), IataCode("XYZ")).text(), "XYZ");
}

TEST_F(FlightTextsTest, FlightMessageToTheStatusLineOrTheLog) {
    RecordingWindowSink window;
    ParamsSnapshot settings;
    settings.FLIGHT_MESSAGES = true;
    gf_flightMessage("DAL1 take off", settings, window);
    settings.FLIGHT_MESSAGES = false;
    gf_flightMessage("DAL2 touch down", settings, window);
    const auto shown = window.payloads<GuiUpdate::StatusText>();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "DAL1 take off");
    EXPECT_TRUE(shown[0].log);
    EXPECT_TRUE(logHas("DAL2 touch down"));
    EXPECT_FALSE(logHas("DAL1 take off"));
}

} // namespace
} // namespace skyloom::testing

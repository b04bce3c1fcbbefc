// The air-conflict predictor: each mode's conflicts and clear reasons around a user flying
// north at 45 N, tracks either side of north, and a user and an aircraft either side of the
// antimeridian.
#include "traffic/removals/air_conflict.h"

#include <cmath>
#include <numbers>

#include <gtest/gtest.h>

#include "tests/traffic/support/test_numbers.h"

namespace skyloom {
namespace {


struct Case {
    const char* name;
    int mode;
    double northNM, eastNM; // the aircraft from the user
    double aircraftTrackDeg;
    double heightFt; // aircraft above the user
    int conflict;
    int clearReason;
};

TEST(AirConflictTest, ConflictsAndClearReasonsByMode) {
    const Case cases[] = {
        {"far", 2, 5, 0, 0, 0, 0, 1},
        {"high", 2, 2, 0, 0, 1500, 0, 2},
        {"close ahead", 0, 0.5, 0, 0, 200, 1, 0},
        {"close behind", 0, -0.5, 0, 0, 200, 0, 0},
        {"mode 1 ahead", 1, 0.5, 0, 0, 500, 4, 0},
        {"mode 1 far ahead", 1, 1, 0, 0, 500, 0, 6},
        {"mode 1 crossing", 1, 0.5, 0, 90, 500, 0, 3},
        {"mode 1 aside", 1, 0.5, 0.2, 0, 500, 0, 7},
        {"mode 1 behind", 1, -0.5, 0, 0, 500, 0, 5},
        {"mode 2 ahead", 2, 1.5, 0, 0, 500, 3, 0},
        {"mode 2 ahead aside", 2, 1.5, 0.3, 0, 500, 0, 7},
        {"mode 2 behind", 2, -1, 0, 0, 500, 2, 0},
        {"mode 2 far behind", 2, -2, 0, 0, 500, 0, 4},
        {"mode 2 behind aside", 2, -1, 0.2, 0, 500, 0, 4},
        {"mode 2 far ahead", 2, 2, 0, 0, 500, 0, 6},
        {"mode 2 other track", 2, 1.5, 0, 30, 500, 0, 3},
        {"mode 2 abeam", 2, 0, 0.5, 0, 500, 0, 5},
        // 359 and 2 degrees differ by 3, not 357.
        {"mode 1 tracks across north", 1, 0.5, 0, 2, 500, 4, 0},
    };
    const Lalo user{45, 7};
    const double cosLat = std::cos(45 * kDeg);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AirConflictRequest r;
        r.mode = c.mode;
        r.user = user;
        r.aircraft = Lalo{user.lat + c.northNM / 60, user.lon + c.eastNM / 60 / cosLat};
        r.cosUserLat = cosLat;
        r.userTrack = (c.aircraftTrackDeg == 2 ? 359 : 0) * kDeg;
        r.aircraftTrack = c.aircraftTrackDeg * kDeg;
        r.userAltitudeFt = 3000;
        r.aircraftAltitudeFt = 3000 + c.heightFt;
        const AirConflict a = gf_predictAirConflict(r);
        EXPECT_EQ(a.conflict, c.conflict);
        EXPECT_EQ(a.clearReason, c.clearReason);
        EXPECT_NEAR(a.distanceNM, std::hypot(c.northNM, c.eastNM), 1e-9);
    }
}

TEST(AirConflictTest, AcrossTheAntimeridian) {
    AirConflictRequest r;
    r.user = Lalo{0, 179.995};
    r.aircraft = Lalo{0, -179.998}; // 0.007 degree east: 0.42 NM ahead
    r.cosUserLat = 1;
    r.userTrack = 90 * kDeg;
    r.aircraftTrack = 90 * kDeg;
    r.userAltitudeFt = 3000;
    r.aircraftAltitudeFt = 3100;
    const AirConflict a = gf_predictAirConflict(r);
    EXPECT_EQ(a.conflict, 1);
    EXPECT_NEAR(a.distanceNM, 0.42, 1e-6);
    EXPECT_NEAR(a.alongNM, 0.42, 1e-6);
    EXPECT_NEAR(a.crossFt, 0, 1e-6);
}

} // namespace
} // namespace skyloom

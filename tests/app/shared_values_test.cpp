#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "app/window_requests.h"
#include "runtime/user_aircraft.h"

namespace skyloom {
namespace {

struct KnownCase {
    Lalo position;
    bool known;
};

TEST(UserPositionTest, APublishedPositionIsKnownOnlyWhenItIsAValidPositionAwayFromZeroZero) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<KnownCase> cases = {
        // The simulator's 0,0 before the user aircraft is placed, and what lies next to it.
        {{0.0, 0.0}, false},
        {{0.00009, 0.0}, false},
        {{0.0, -0.00009}, false},
        {{0.00011, 0.0}, true},
        {{0.0, -0.00011}, true},
        {{51.4706, -0.461941}, true},
        {{-33.9461, 151.177}, true},
        // The edges of the earth are positions; beyond them, or not a number, none.
        {{90.0, 180.0}, true},
        {{-90.0, -180.0}, true},
        {{90.001, 8.5}, false},
        {{-91.0, 8.5}, false},
        {{47.0, 180.0001}, false},
        {{47.0, -181.0}, false},
        {{nan, 8.5}, false},
        {{47.0, nan}, false},
    };
    UserAircraft user;
    for (const KnownCase& c : cases) {
        user.publishPosition(c.position, 1500.0);
        EXPECT_EQ(user.position().known, c.known) << c.position.lat << "," << c.position.lon;
    }
}

TEST(UserPositionTest, TheLatestPositionIsPublishedUntilTheResetClearsIt) {
    UserAircraft user;
    user.publishPosition({47.4647, 8.5492}, 1416.0);
    user.publishPosition({47.4500, 8.5600}, 3200.0);
    EXPECT_EQ(user.position(), (UserPosition{{47.4500, 8.5600}, 3200.0, true}));
    user.publishPosition({0.0, 0.0}, 0.0);
    EXPECT_FALSE(user.position().known);
    user.publishPosition({47.4647, 8.5492}, 1416.0);
    user.clearPosition();
    EXPECT_EQ(user.position(), UserPosition{});
}

TEST(WindowRequestsTest, ParkTrafficOnlySwitchesAreCountedWithTheLastValueAndClearedTogether) {
    WindowRequests requests;
    EXPECT_EQ(requests.parkTrafficOnlyChange(), ParkTrafficOnlyChange{});
    requests.noteParkTrafficOnlyChange(true);
    requests.noteParkTrafficOnlyChange(false);
    requests.noteParkTrafficOnlyChange(true);
    EXPECT_EQ(requests.parkTrafficOnlyChange(), (ParkTrafficOnlyChange{3, true}));

    requests.flush.store(true);
    requests.unblockPushed.store(true);
    requests.navLightsWhileParked.store(true);
    requests.clear();
    EXPECT_FALSE(requests.flush.load());
    EXPECT_FALSE(requests.unblockPushed.load());
    EXPECT_FALSE(requests.navLightsWhileParked.load());
    EXPECT_EQ(requests.parkTrafficOnlyChange(), ParkTrafficOnlyChange{});
}

} // namespace
} // namespace skyloom

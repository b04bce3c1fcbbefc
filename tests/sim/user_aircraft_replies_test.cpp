#include "sim/user_aircraft_replies.h"

#include <cmath>
#include <optional>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "foundation/geodesy.h"
#include "runtime/rt_status.h"
#include "runtime/user_aircraft.h"
#include "sim/sim_ids.h"
#include "sim/sim_link_state.h"
#include "sim/user_aircraft_stand.h"
#include "sim/user_aircraft_time.h"
#include "tests/sim/support/user_aircraft_fixture.h"

namespace skyloom {
namespace {

using ::testing::ElementsAre;
using testing::gf_onGroundReply;
using testing::gf_positionReply;
using testing::gf_stateAt;
using testing::gf_titleReply;

// Zurich, and positions due north of it at a distance in NM (one minute of latitude is
// 1.000 NM on the program's earth only roughly, so the distance is checked).
constexpr double kLat = 47.4647;
constexpr double kLon = 8.5492;

UserAircraftState lf_north(double nm) {
    const Lalo p = gf_destination({kLat, kLon}, 0.0, nm * 6076.115485564304);
    return gf_stateAt(p.lat, p.lon);
}

class UserReplyTest : public testing::UserAircraftTest {
protected:
    void position(const UserAircraftState& state, DWORD objectId = 1) {
        deliver(gf_positionReply(state, objectId));
    }
    void onGround(std::int64_t value) { deliver(gf_onGroundReply(value)); }
    bool newFlightRequested() const {
        return stop_.current() == StopRequest{StopReason::newFlight, kNewFlightRestartSeconds};
    }
};

// --- Position and teleport ---

TEST_F(UserReplyTest, APositionReplyStoresTheFifteenFieldsAndTheObjectId) {
    UserAircraftState state = gf_stateAt(kLat, kLon);
    state.pitch = -0.05;
    state.bank = 0.1;
    state.verticalSpeed = 700;
    state.headingTrue = 1.5;
    state.indicatedAltitude = 1390;
    state.altitudeAboveGround = 12;
    state.groundVelocity = 14;
    state.lightStates = 0x1f;
    state.gpsGroundTrueTrack = 86;
    position(state, 4711);
    EXPECT_EQ(user_.state(), state);
    EXPECT_EQ(g_userObjectId.load(), 4711U);
}

TEST_F(UserReplyTest, ANegativeAltitudeIsStoredAsZero) {
    UserAircraftState state = gf_stateAt(kLat, kLon);
    state.altitude = -35;
    state.indicatedAltitude = -20;
    position(state);
    EXPECT_EQ(user_.state().altitude, 0.0);
    EXPECT_EQ(user_.state().indicatedAltitude, -20.0);
}

TEST_F(UserReplyTest, AJumpOfMoreThanTenMilesStartsANewFlight) {
    const UserAircraftState far = lf_north(10.1);
    ASSERT_GT(gf_distanceNM({kLat, kLon}, far.position()), 10.0);
    position(gf_stateAt(kLat, kLon));
    EXPECT_FALSE(stop_.stopRequested()) << "the first reply never starts a new flight";
    position(far);
    EXPECT_TRUE(newFlightRequested());
    EXPECT_EQ(logCount("Teleport"), 1U);
}

TEST_F(UserReplyTest, SmallerStepsAddUpWithoutATeleport) {
    position(gf_stateAt(kLat, kLon));
    for (const double nm : {9.9, 19.8, 29.7, 39.6}) {
        const UserAircraftState next = lf_north(nm);
        position(next);
    }
    EXPECT_FALSE(stop_.stopRequested());
    EXPECT_EQ(logCount("Teleport"), 0U);
}

TEST_F(UserReplyTest, AnUnknownPositionIsNeitherTestedNorAStartForTheNextTest) {
    position(gf_stateAt(kLat, kLon));
    position(gf_stateAt(0.00005, 0.00005));
    EXPECT_FALSE(stop_.stopRequested()) << "no test against an unknown position";
    position(lf_north(50));
    EXPECT_FALSE(stop_.stopRequested()) << "the unknown position was the last one";
    position(lf_north(80));
    EXPECT_TRUE(newFlightRequested());
}

TEST_F(UserReplyTest, TheFirstReplyAfterClearingNeverTeleports) {
    position(gf_stateAt(kLat, kLon));
    clearUserAircraft();
    position(lf_north(100));
    EXPECT_FALSE(stop_.stopRequested());
}

TEST_F(UserReplyTest, PositionKnownNeedsMoreThanAHairFromZero) {
    EXPECT_FALSE(gf_stateAt(0.00005, 0.00005).positionKnown());
    EXPECT_FALSE(gf_stateAt(-0.0001, 0.0001).positionKnown());
    EXPECT_TRUE(gf_stateAt(0.00011, 0).positionKnown());
    EXPECT_TRUE(gf_stateAt(0, -0.00011).positionKnown());
}

TEST_F(UserReplyTest, AShortPositionReplyIsLoggedAndIgnored) {
    testing::ReplyBytes reply = gf_positionReply(gf_stateAt(kLat, kLon), 99);
    reply.size = kUserPositionReplyBytes - 1;
    deliver(reply);
    EXPECT_TRUE(logHas("==> SimConnect USER_AC_POSITION payload too small: 159 < 160 bytes"));
    EXPECT_EQ(user_.state(), UserAircraftState{});
    EXPECT_EQ(g_userObjectId.load(), kUserObjectIdAtStart);
}

TEST_F(UserReplyTest, OtherRequestIdsAreIgnored) {
    deliver(gf_positionReply(gf_stateAt(kLat, kLon), 99), AI_FLIGHT_PLAN);
    EXPECT_EQ(user_.state(), UserAircraftState{});
}

TEST_F(UserReplyTest, TheUserPositionIsPublishedFromTheState) {
    position(gf_stateAt(kLat, kLon));
    user_.publishPosition(user_.state());
    EXPECT_EQ(user_.position(), (UserPosition{{kLat, kLon}, 1400.0, true}));
    user_.clearPosition();
}

// --- Stand shown in the window ---

TEST_F(UserReplyTest, TheStandIsShownOnTheGroundAndClearedInTheAir) {
    stands_.standAt = [](const Lalo& p) -> std::optional<std::string> {
        if (std::fabs(p.lat - kLat) < 0.001) {
            return "GATE A 12";
        }
        return std::nullopt;
    };
    position(gf_stateAt(kLat, kLon)); // on the ground not yet known
    onGround(1);
    position(gf_stateAt(kLat, kLon));
    position(gf_stateAt(kLat, kLon));
    position(lf_north(1)); // off the stand
    position(gf_stateAt(kLat, kLon));
    onGround(0);
    position(gf_stateAt(kLat, kLon)); // in the air above it
    EXPECT_THAT(standUpdates(), ElementsAre("", "GATE A 12", "", "GATE A 12", ""))
        << "sent on change only";
}

// --- Simulator time ---

TEST(SimZuluTimeTest, DaysAndSecondsCountFromTheEpochAcrossYearEndsAndLeapDays) {
    const struct {
        std::int64_t year, day, seconds, utc;
    } cases[] = {
        {1970, 1, 0, 0},
        {1969, 365, 86399, -1},
        {2023, 365, 86399, 1704067199},
        {2024, 1, 0, 1704067200},
        {2024, 59, 86399, 1709164799}, // 28 February
        {2024, 60, 0, 1709164800},     // 29 February
        {2024, 61, 0, 1709251200},     // 1 March
        {2024, 366, 86399, 1735689599},
        {2025, 1, 1, 1735689601},
        {2000, 366, 0, 978220800},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(gf_simZuluToUtcSeconds(c.year, c.day, c.seconds), c.utc)
            << c.year << " day " << c.day << " " << c.seconds << " s";
    }
}

TEST(SimZuluTimeTest, OutOfRangeValuesGiveNoTime) {
    const struct {
        std::int64_t year, day, seconds;
    } cases[] = {
        {2023, 366, 0}, {1900, 366, 0}, {2100, 366, 0},    {2024, 367, 0},
        {2024, 0, 0},   {2024, -1, 0},  {2024, 1, 86400},  {2024, 1, -1},
        {32768, 1, 0},  {-32768, 1, 0}, {1LL << 40, 1, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(gf_simZuluToUtcSeconds(c.year, c.day, c.seconds), std::nullopt)
            << c.year << " day " << c.day << " " << c.seconds << " s";
    }
    const auto first = gf_simZuluToUtcSeconds(-32767, 1, 0);
    const auto second = gf_simZuluToUtcSeconds(-32766, 1, 0);
    ASSERT_TRUE(first && second) << "the range ends are valid";
    EXPECT_EQ(*second - *first, 365 * 86400) << "-32767 is no leap year";
    EXPECT_TRUE(gf_simZuluToUtcSeconds(32767, 365, 86399));
}

TEST_F(UserReplyTest, SimulatorTimeIsTakenOnlyWithAProfessionalLicence) {
    UserAircraftState state = gf_stateAt(kLat, kLon);
    state.zuluYear = 2024;
    state.zuluDayOfYear = 366;
    state.zuluTime = 86399;
    position(state);
    EXPECT_FALSE(user_.simUtcValid.load());

    g_rtProfessional.store(true);
    position(state);
    EXPECT_TRUE(user_.simUtcValid.load());
    EXPECT_EQ(user_.simUtcSeconds.load(), 1735689599);

    g_rtProfessional.store(false);
    position(state);
    EXPECT_FALSE(user_.simUtcValid.load()) << "a licence that is no longer professional";
}

TEST_F(UserReplyTest, AnInvalidZuluTimeIsReportedOnceUntilAValidOneCame) {
    g_rtProfessional.store(true);
    UserAircraftState bad = gf_stateAt(kLat, kLon);
    bad.zuluYear = 2023;
    bad.zuluDayOfYear = 366;
    bad.zuluTime = 100;
    const std::string warning =
        "==> Invalid simulator Zulu time: year=2023, day-of-year=366, seconds=100";
    position(gf_stateAt(kLat, kLon));
    ASSERT_TRUE(user_.simUtcValid.load());
    position(bad);
    position(bad);
    EXPECT_FALSE(user_.simUtcValid.load());
    EXPECT_EQ(logCount(warning), 1U);
    position(gf_stateAt(kLat, kLon));
    EXPECT_TRUE(user_.simUtcValid.load());
    EXPECT_EQ(user_.simUtcSeconds.load(), 1767614400) << "2026-01-05 12:00";
    position(bad);
    EXPECT_EQ(logCount(warning), 2U);
}

// --- On the ground ---

TEST_F(UserReplyTest, OnGroundIsTakenOverOnlyOnceThePositionIsKnown) {
    onGround(1);
    EXPECT_TRUE(user_.groundDataReceived.exchange(false));
    EXPECT_EQ(user_.onGroundByte.load(), kUserOnGroundUnknown);
    EXPECT_FALSE(user_.onGround.load());

    UserAircraftState state = gf_stateAt(kLat, kLon);
    state.altitudeAboveGround = 3.4;
    state.groundVelocity = 0.4;
    position(state);
    onGround(1);
    EXPECT_TRUE(user_.groundDataReceived.exchange(false));
    EXPECT_EQ(user_.onGroundByte.load(), 1);
    EXPECT_TRUE(user_.onGround.load());
    onGround(0);
    EXPECT_EQ(user_.onGroundByte.load(), 0);
    EXPECT_FALSE(user_.onGround.load());

    const std::string line = "User ground data: SIM ON GROUND=1, AGL=3 ft, altitude=1400 ft, "
                             "groundspeed=0 kt, position=47.464700,8.549200";
    EXPECT_EQ(logCount(line), 1U) << "once since the tables were cleared";
}

TEST_F(UserReplyTest, TheGroundDataLineComesAgainAfterTheTablesWereCleared) {
    position(gf_stateAt(kLat, kLon));
    onGround(0);
    onGround(0);
    clearUserAircraft();
    EXPECT_EQ(user_.onGroundByte.load(), kUserOnGroundUnknown);
    position(gf_stateAt(kLat, kLon));
    onGround(0);
    EXPECT_EQ(logCount("User ground data: SIM ON GROUND=0, AGL=0 ft, altitude=1400 ft, "
                       "groundspeed=0 kt, position=47.464700,8.549200"),
              2U);
}

TEST_F(UserReplyTest, AShortOnGroundReplyChangesNothing) {
    testing::ReplyBytes reply = gf_onGroundReply(1);
    reply.size = kUserOnGroundReplyBytes - 1;
    deliver(reply);
    EXPECT_FALSE(user_.groundDataReceived.load());
    EXPECT_TRUE(logHas("==> SimConnect USER_AC_ON_GROUND payload too small: 47 < 48 bytes"));
}

// --- Title ---

TEST_F(UserReplyTest, ATitleWithoutItsTerminatingZeroIsNotStored) {
    deliver(gf_titleReply("Airbus A320 Neo Asobo"));
    EXPECT_EQ(user_.title(), "");
    EXPECT_TRUE(logHas("==> SimConnect USER_AC_TITLE is not null terminated"));
    EXPECT_EQ(user_.infoReceived.load() & kUserInfoTitle, kUserInfoTitle);
}

TEST_F(UserReplyTest, AnEmptyTitleIsNotStored) {
    deliver(gf_titleReply(std::string_view("Old\0", 4)));
    user_.infoReceived.store(0);
    deliver(gf_titleReply(std::string_view("\0garbage", 8)));
    EXPECT_EQ(user_.title(), "Old");
    EXPECT_TRUE(logHas("! Title of your aircraft is empty?"));
    EXPECT_EQ(user_.infoReceived.load(), kUserInfoTitle);
}

TEST_F(UserReplyTest, ATitleIsStoredAndLoggedWhenItChanges) {
    deliver(gf_titleReply(std::string_view("Airbus A320 Neo Asobo\0tail", 26)));
    deliver(gf_titleReply(std::string_view("Airbus A320 Neo Asobo\0", 22)));
    EXPECT_EQ(user_.title(), "Airbus A320 Neo Asobo");
    EXPECT_EQ(logCount("          SimConnect: user aircraft title: Airbus A320 Neo Asobo"), 1U);
    deliver(gf_titleReply(std::string_view("Cessna 172\0", 11)));
    EXPECT_EQ(user_.title(), "Cessna 172");
}

TEST_F(UserReplyTest, ALongTitleIsCutToFortyEightCharacters) {
    const std::string sixty(60, 'T');
    deliver(gf_titleReply(sixty + std::string(1, '\0')));
    EXPECT_EQ(user_.title(), std::string(48, 'T'));

    // Two-byte characters: 48 of them, never half of one.
    std::string accents;
    for (int i = 0; i < 50; ++i) {
        accents += "\xC3\xA9";
    }
    deliver(gf_titleReply(accents + std::string(1, '\0')));
    EXPECT_EQ(user_.title(), accents.substr(0, 96));

    // A four-byte character straddling the 48th place stays whole.
    const std::string straddling = std::string(47, 'x') + "\xF0\x9F\x9B\xA9" + "yyyy";
    deliver(gf_titleReply(straddling + std::string(1, '\0')));
    EXPECT_EQ(user_.title(), std::string(47, 'x') + "\xF0\x9F\x9B\xA9");
}

TEST(CutToCharsTest, CountsCharactersNotBytes) {
    EXPECT_EQ(gf_cutToChars("abc", 5), "abc");
    EXPECT_EQ(gf_cutToChars("abc", 0), "");
    EXPECT_EQ(gf_cutToChars("\xC3\xA9\xC3\xA9\xC3\xA9", 2), "\xC3\xA9\xC3\xA9");
    // A stray byte counts as one character; a sequence cut by the end stays as it is.
    EXPECT_EQ(gf_cutToChars("\xFF\xFFz", 2), "\xFF\xFF");
    EXPECT_EQ(gf_cutToChars("ab\xC3", 3), "ab\xC3");
}

TEST_F(UserReplyTest, AShortTitleReplyIsIgnored) {
    testing::ReplyBytes reply = gf_titleReply(std::string_view("\0", 1));
    reply.size = kUserTitleReplyBytes - 1;
    deliver(reply);
    EXPECT_EQ(user_.infoReceived.load(), 0);
    EXPECT_TRUE(logHas("==> SimConnect USER_AC_TITLE payload too small: 40 < 41 bytes"));
}

// --- The user's stand for the park airport ---

class RememberStandTest : public UserReplyTest {
protected:
    RememberStandTest() {
        stand = "B 34";
        stands_.standAt = [](const Lalo&) -> std::optional<std::string> { return stand; };
        stands_.key = [this]() -> std::optional<std::uint64_t> { return frontKey; };
        stands_.setName = [this](std::uint64_t key, std::string_view name) {
            if (key != 77) {
                return false;
            }
            recorded.emplace_back(name);
            return true;
        };
    }

    void standAt(double groundSpeed, bool onGroundNow) {
        UserAircraftState state = gf_stateAt(kLat, kLon);
        state.groundVelocity = groundSpeed;
        position(state);
        onGround(onGroundNow ? 1 : 0);
    }

    static inline std::optional<std::string> stand = "B 34";
    std::optional<std::uint64_t> frontKey = 77;
    std::vector<std::string> recorded;
};

TEST_F(RememberStandTest, AParkedUserAircraftLeavesItsStandWithThePark) {
    standAt(2.0, true);
    EXPECT_EQ(gf_rememberUserStand(user_, stands_), "B 34");
    EXPECT_THAT(recorded, ElementsAre("B 34"));
}

TEST_F(RememberStandTest, NothingIsRecordedWhileMovingAirborneOrAwayFromAStand) {
    standAt(2.1, true);
    EXPECT_EQ(gf_rememberUserStand(user_, stands_), std::nullopt) << "taxiing";
    standAt(0.0, false);
    EXPECT_EQ(gf_rememberUserStand(user_, stands_), std::nullopt) << "in the air";
    standAt(0.0, true);
    stand.reset();
    EXPECT_EQ(gf_rememberUserStand(user_, stands_), std::nullopt) << "no stand there";
    stand = "B 34";
    frontKey = 78;
    EXPECT_EQ(gf_rememberUserStand(user_, stands_), std::nullopt)
        << "another park airport in front";
    frontKey.reset();
    EXPECT_EQ(gf_rememberUserStand(user_, stands_), std::nullopt) << "no park airport";
    EXPECT_TRUE(recorded.empty());
}

TEST_F(RememberStandTest, WithoutParkingServicesNothingHappens) {
    standAt(0.0, true);
    stands_ = testing::TestStands{};
    EXPECT_EQ(gf_rememberUserStand(user_, stands_), std::nullopt);
    EXPECT_EQ(stands_.standAtPosition({kLat, kLon}), std::nullopt);
}

} // namespace
} // namespace skyloom

// The user aircraft's track read back through data definitions: once, every second and by
// type, in the units and data types the client asks for.
#include <cmath>
#include <numbers>

#include <fmt/format.h>
#include <gmock/gmock.h>

#include "support/world_fixture.h"

namespace skyloom::simworld::testing {
namespace {

using ::testing::Contains;
using ::testing::DoubleNear;
using ::testing::HasSubstr;

constexpr std::size_t kData = SIMCONNECT_RECV_SIMOBJECT_DATA_HEADER_SIZE;
constexpr double kPi = std::numbers::pi;

TrackPoint lf_point(double at, double lat, double lon, std::optional<double> altitude = {}) {
    TrackPoint p;
    p.atSeconds = at;
    p.latitudeDeg = lat;
    p.longitudeDeg = lon;
    p.altitudeFeet = altitude;
    return p;
}

// North from the ground to 2000 ft in a minute, then a minute east, then standing.
WorldSetup lf_trackSetup() {
    WorldSetup setup = gf_runningSetup();
    setup.user.title = "Airbus A320 Neo Asobo";
    setup.user.atcModel = "A20N";
    setup.user.groundElevationFeet = 1400;
    setup.user.track = {lf_point(0, 47.0, 8.0), lf_point(60, 47.1, 8.0, 2000.0),
                        lf_point(120, 47.1, 8.1, 2000.0)};
    setup.user.track[0].lights = 0x0F;
    return setup;
}

// The variables of the program's user position definition, in its order and types.
void lf_definePosition(HANDLE h, DWORD define) {
    const struct {
        const char* name;
        const char* unit;
        SIMCONNECT_DATATYPE type;
    } items[] = {{"Plane Latitude", "degree", SIMCONNECT_DATATYPE_FLOAT64},
                 {"Plane Longitude", "degree", SIMCONNECT_DATATYPE_FLOAT64},
                 {"Plane Pitch degrees", "radian", SIMCONNECT_DATATYPE_FLOAT64},
                 {"Plane Bank degrees", "radian", SIMCONNECT_DATATYPE_FLOAT64},
                 {"Vertical Speed", "feet per minute", SIMCONNECT_DATATYPE_FLOAT64},
                 {"Plane Heading degrees true", "radian", SIMCONNECT_DATATYPE_FLOAT64},
                 {"Plane Altitude", "feet", SIMCONNECT_DATATYPE_FLOAT64},
                 {"Indicated Altitude", "feet", SIMCONNECT_DATATYPE_FLOAT64},
                 {"Plane Alt Above Ground", "feet", SIMCONNECT_DATATYPE_FLOAT64},
                 {"Ground Velocity", "knots", SIMCONNECT_DATATYPE_FLOAT64},
                 {"ZULU TIME", "Seconds", SIMCONNECT_DATATYPE_INT64},
                 {"ZULU DAY OF YEAR", "Number", SIMCONNECT_DATATYPE_INT64},
                 {"ZULU YEAR", "Number", SIMCONNECT_DATATYPE_INT64},
                 {"LIGHT STATES", "Mask", SIMCONNECT_DATATYPE_INT64},
                 {"GPS Ground True Track", "degree", SIMCONNECT_DATATYPE_FLOAT64}};
    for (const auto& item : items) {
        ASSERT_EQ(SimConnect_AddToDataDefinition(h, define, item.name, item.unit, item.type), S_OK);
    }
}

struct Position {
    double lat, lon, pitch, bank, vs, heading, alt, indicated, agl, gs;
    std::int64_t zulu, day, year, lights;
    double track;
};

Position lf_position(const Received& m) {
    EXPECT_EQ(m.size, kData + 120);
    const auto f = [&](int i) { return m.dataAt<double>(kData + 8 * static_cast<std::size_t>(i)); };
    const auto n = [&](int i) {
        return m.dataAt<std::int64_t>(kData + 8 * static_cast<std::size_t>(i));
    };
    return {f(0), f(1), f(2),  f(3),  f(4),  f(5),  f(6), f(7),
            f(8), f(9), n(10), n(11), n(12), n(13), f(14)};
}

class UserDataTest : public WorldTest {};

TEST_F(UserDataTest, OnceRequestReadsTheTrackWithDerivedValues) {
    start(lf_trackSetup());
    TestClient client;
    lf_definePosition(client.handle(), 403);
    client.dispatch();
    advance(30);
    ASSERT_EQ(SimConnect_RequestDataOnSimObject(client.handle(), 108, 403,
                                                SIMCONNECT_OBJECT_ID_USER, SIMCONNECT_PERIOD_ONCE),
              S_OK);
    const auto messages = client.dispatch();
    ASSERT_EQ(messages.size(), 1u);
    ASSERT_EQ(messages[0].id, SIMCONNECT_RECV_ID_SIMOBJECT_DATA);
    const auto header = messages[0].as<SIMCONNECT_RECV_SIMOBJECT_DATA>();
    EXPECT_EQ(header.dwRequestID, 108u);
    EXPECT_EQ(header.dwObjectID, 1u); // the user's own id, not 0
    EXPECT_EQ(header.defineId, 403u);
    EXPECT_EQ(header.itemCount, 15u);

    const Position p = lf_position(messages[0]);
    EXPECT_DOUBLE_EQ(p.lat, 47.05);
    EXPECT_DOUBLE_EQ(p.lon, 8.0);
    EXPECT_DOUBLE_EQ(p.alt, 1700.0);
    EXPECT_DOUBLE_EQ(p.indicated, 1700.0);
    EXPECT_DOUBLE_EQ(p.agl, 300.0);
    EXPECT_DOUBLE_EQ(p.vs, 600.0);
    // 0.1 degree of latitude on the mean-radius sphere is 6.0041 NM, flown in one minute.
    EXPECT_THAT(p.gs, DoubleNear(360.243, 0.001));
    EXPECT_THAT(p.track, DoubleNear(0.0, 1e-9));
    EXPECT_THAT(p.heading, DoubleNear(0.0, 1e-9));
    EXPECT_EQ(p.zulu, 12 * 3600 + 30);
    EXPECT_EQ(p.day, 5);
    EXPECT_EQ(p.year, 2026);
    EXPECT_EQ(p.lights, 0x0F);
}

TEST_F(UserDataTest, PerSecondRequestFollowsTheTrack) {
    start(lf_trackSetup());
    TestClient client;
    lf_definePosition(client.handle(), 403);
    ASSERT_EQ(SimConnect_RequestDataOnSimObject(
                  client.handle(), 108, 403, SIMCONNECT_OBJECT_ID_USER, SIMCONNECT_PERIOD_SECOND),
              S_OK);
    advance(3.5);
    const auto data = gf_ofKind(client.dispatch(), SIMCONNECT_RECV_ID_SIMOBJECT_DATA);
    ASSERT_EQ(data.size(), 4u); // at 0, 1, 2 and 3 s
    for (std::size_t k = 0; k < data.size(); ++k) {
        const Position p = lf_position(data[k]);
        EXPECT_DOUBLE_EQ(p.lat, 47.0 + 0.1 * static_cast<double>(k) / 60.0) << k;
        EXPECT_EQ(p.zulu, 12 * 3600 + static_cast<std::int64_t>(k));
    }
    EXPECT_EQ(gf_ofKind(client.dispatch(), SIMCONNECT_RECV_ID_SIMOBJECT_DATA).size(), 0u);

    // The same request id with PERIOD_NEVER ends it.
    SimConnect_RequestDataOnSimObject(client.handle(), 108, 403, SIMCONNECT_OBJECT_ID_USER,
                                      SIMCONNECT_PERIOD_NEVER);
    advance(5);
    EXPECT_TRUE(gf_ofKind(client.dispatch(), SIMCONNECT_RECV_ID_SIMOBJECT_DATA).empty());
}

TEST_F(UserDataTest, EastboundLegAndStandingAfterTheLastWaypoint) {
    start(lf_trackSetup());
    advance(90);
    ObjectState s = world_->userAircraft();
    EXPECT_DOUBLE_EQ(s.latitudeDeg, 47.1);
    EXPECT_DOUBLE_EQ(s.longitudeDeg, 8.05);
    EXPECT_THAT(s.groundTrackDeg, DoubleNear(89.963, 0.001));
    EXPECT_THAT(s.groundSpeedKnots,
                DoubleNear(245.225, 0.001)); // 6.004 NM x cos 47.1 deg per minute
    EXPECT_DOUBLE_EQ(s.verticalSpeedFpm, 0.0);
    EXPECT_FALSE(s.onGround);
    advance(100);
    s = world_->userAircraft();
    EXPECT_DOUBLE_EQ(s.longitudeDeg, 8.1);
    EXPECT_DOUBLE_EQ(s.groundSpeedKnots, 0.0);
    EXPECT_THAT(s.groundTrackDeg, DoubleNear(89.963, 0.001)); // keeps the last course
}

TEST_F(UserDataTest, UnitsAndDataTypesConvert) {
    start(lf_trackSetup());
    TestClient client;
    const HANDLE h = client.handle();
    SimConnect_AddToDataDefinition(h, 7, "PLANE ALTITUDE", "meters", SIMCONNECT_DATATYPE_FLOAT64);
    SimConnect_AddToDataDefinition(h, 7, "Plane Latitude", "radians", SIMCONNECT_DATATYPE_FLOAT64);
    SimConnect_AddToDataDefinition(h, 7, "Ground Velocity", "m/s", SIMCONNECT_DATATYPE_FLOAT32);
    SimConnect_AddToDataDefinition(h, 7, "Vertical Speed", "feet per second",
                                   SIMCONNECT_DATATYPE_INT32);
    SimConnect_AddToDataDefinition(h, 7, "ZULU TIME", "hours", SIMCONNECT_DATATYPE_FLOAT64);
    SimConnect_AddToDataDefinition(h, 7, "SIM ON GROUND", "Bool", SIMCONNECT_DATATYPE_INT32);
    SimConnect_AddToDataDefinition(h, 7, "Plane Heading Degrees True", "degrees",
                                   SIMCONNECT_DATATYPE_FLOAT64);
    advance(30);
    SimConnect_RequestDataOnSimObject(h, 1, 7, SIMCONNECT_OBJECT_ID_USER, SIMCONNECT_PERIOD_ONCE);
    const auto data = gf_ofKind(client.dispatch(), SIMCONNECT_RECV_ID_SIMOBJECT_DATA);
    ASSERT_EQ(data.size(), 1u);
    const Received& m = data[0];
    ASSERT_EQ(m.size, kData + 8 + 8 + 4 + 4 + 8 + 4 + 8);
    EXPECT_DOUBLE_EQ(m.dataAt<double>(kData), 1700.0 * 0.3048);
    EXPECT_DOUBLE_EQ(m.dataAt<double>(kData + 8), 47.05 * kPi / 180.0);
    EXPECT_NEAR(m.dataAt<float>(kData + 16), 360.243 * 1852.0 / 3600.0, 0.002);
    EXPECT_EQ(m.dataAt<std::int32_t>(kData + 20), 10); // 600 fpm
    EXPECT_DOUBLE_EQ(m.dataAt<double>(kData + 24), (12 * 3600 + 30) / 3600.0);
    EXPECT_EQ(m.dataAt<std::int32_t>(kData + 32), 0);
    EXPECT_NEAR(m.dataAt<double>(kData + 36), 0.0, 1e-9);
}

TEST_F(UserDataTest, TextVariablesAsFixedAndVariableStrings) {
    // A fixed field takes the text whole when it fits, with no NUL when the text fills it,
    // and the first 32 characters of a longer one.
    const struct {
        std::size_t length;
        std::size_t kept;
        bool nul;
    } cases[] = {{31, 31, true}, {32, 32, false}, {40, 32, false}, {0, 0, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        WorldSetup setup = lf_trackSetup();
        setup.user.atcModel = std::string(c.length, 'M');
        start(setup);
        TestClient client;
        const HANDLE h = client.handle();
        SimConnect_AddToDataDefinition(h, 407, "TITLE", nullptr, SIMCONNECT_DATATYPE_STRINGV);
        SimConnect_AddToDataDefinition(h, 408, "ATC MODEL", "", SIMCONNECT_DATATYPE_STRING32);
        SimConnect_RequestDataOnSimObject(h, 105, 407, SIMCONNECT_OBJECT_ID_USER,
                                          SIMCONNECT_PERIOD_ONCE);
        SimConnect_RequestDataOnSimObject(h, 106, 408, SIMCONNECT_OBJECT_ID_USER,
                                          SIMCONNECT_PERIOD_ONCE);
        const auto data = gf_ofKind(client.dispatch(), SIMCONNECT_RECV_ID_SIMOBJECT_DATA);
        ASSERT_EQ(data.size(), 2u);
        EXPECT_EQ(data[0].size, kData + std::string("Airbus A320 Neo Asobo").size() + 1);
        EXPECT_EQ(data[0].textAt(kData, 256), "Airbus A320 Neo Asobo");
        ASSERT_EQ(data[1].size, kData + 32);
        const std::string field(reinterpret_cast<const char*>(data[1].bytes.data()) + kData, 32);
        EXPECT_EQ(field.substr(0, c.kept), std::string(c.kept, 'M'));
        EXPECT_EQ(field.find('\0') != std::string::npos, c.nul);
        EXPECT_EQ(field.substr(c.kept), std::string(32 - c.kept, '\0'));
        EXPECT_THAT(
            world_->journalLines(),
            Contains(HasSubstr(fmt::format("[ATC MODEL=\"{}\"]", field.substr(0, c.kept)))));
    }
}

TEST_F(UserDataTest, OnceRequestWithoutAFlightWaitsForTheFlight) {
    WorldSetup setup = lf_trackSetup();
    setup.simulator.flightRunning = false;
    TimelineEvent startFlight;
    startFlight.atSeconds = 30;
    startFlight.kind = TimelineEventKind::flightStart;
    setup.timeline = {startFlight};
    start(setup);
    TestClient client;
    lf_definePosition(client.handle(), 403);
    SimConnect_RequestDataOnSimObject(client.handle(), 108, 403, SIMCONNECT_OBJECT_ID_USER,
                                      SIMCONNECT_PERIOD_ONCE);
    advance(10);
    EXPECT_TRUE(gf_ofKind(client.dispatch(), SIMCONNECT_RECV_ID_SIMOBJECT_DATA).empty());
    advance(40);
    const auto data = gf_ofKind(client.dispatch(), SIMCONNECT_RECV_ID_SIMOBJECT_DATA);
    ASSERT_EQ(data.size(), 1u);
    EXPECT_DOUBLE_EQ(lf_position(data[0]).lat, 47.05); // values of the moment the flight started
}

TEST_F(UserDataTest, RequestByTypeFindsObjectsWithinTheRadius) {
    WorldSetup setup = lf_trackSetup();
    const auto object = [](DWORD id, ObjectKind kind, double lat, const char* atcId) {
        WorldObjectSetup o;
        o.objectId = id;
        o.kind = kind;
        o.latitudeDeg = lat;
        o.longitudeDeg = 8.0;
        o.atcId = atcId;
        o.altitudeFeet = 3000;
        o.groundElevationFeet = 1000;
        return o;
    };
    setup.objects = {object(100, ObjectKind::aircraft, 47.009, "HBJVA"), // 1.0 km north
                     object(101, ObjectKind::aircraft, 47.45, "DAIZA"),  // 50 km north
                     object(102, ObjectKind::boat, 47.005, "")};
    start(setup);
    TestClient client;
    const HANDLE h = client.handle();
    SimConnect_AddToDataDefinition(h, 404, "Plane Alt Above Ground", "feet");
    SimConnect_AddToDataDefinition(h, 404, "Ground Altitude", "feet");
    SimConnect_AddToDataDefinition(h, 404, "SIM ON GROUND", "Bool", SIMCONNECT_DATATYPE_INT64);
    SimConnect_AddToDataDefinition(h, 404, "ATC ID", nullptr, SIMCONNECT_DATATYPE_STRING32);
    client.dispatch();

    struct Case {
        DWORD radius;
        SIMCONNECT_SIMOBJECT_TYPE type;
        std::vector<DWORD> objects;
    };
    for (const Case& c : {Case{10000, SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT, {1, 100}},
                          Case{10000, SIMCONNECT_SIMOBJECT_TYPE_ALL, {1, 100, 102}},
                          Case{100000, SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT, {1, 100, 101}},
                          Case{900, SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT, {1}},
                          Case{10000, SIMCONNECT_SIMOBJECT_TYPE_USER, {1}},
                          Case{10000, SIMCONNECT_SIMOBJECT_TYPE_BOAT, {102}}}) {
        ASSERT_EQ(SimConnect_RequestDataOnSimObjectType(h, 101, 404, c.radius, c.type), S_OK);
        const auto data = client.dispatch();
        std::vector<DWORD> ids;
        for (std::size_t i = 0; i < data.size(); ++i) {
            ASSERT_EQ(data[i].id, SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE);
            ASSERT_EQ(data[i].size, kData + 56);
            const auto header = data[i].as<SIMCONNECT_RECV_SIMOBJECT_DATA_BYTYPE>();
            EXPECT_EQ(header.entry, i + 1);
            EXPECT_EQ(header.entryCount, data.size());
            ids.push_back(header.dwObjectID);
        }
        EXPECT_EQ(ids, c.objects) << c.radius << " m, type " << c.type;
    }
    SimConnect_RequestDataOnSimObjectType(h, 101, 404, 10000, SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT);
    const auto data = client.dispatch();
    ASSERT_EQ(data.size(), 2u);
    EXPECT_DOUBLE_EQ(data[1].dataAt<double>(kData), 2000.0);
    EXPECT_DOUBLE_EQ(data[1].dataAt<double>(kData + 8), 1000.0);
    EXPECT_EQ(data[1].dataAt<std::int64_t>(kData + 16), 0);
    EXPECT_EQ(data[1].textAt(kData + 24, 32), "HBJVA");
    EXPECT_EQ(data[0].dataAt<std::int64_t>(kData + 16), 1); // the user stands at the start
}

TEST_F(UserDataTest, TeleportHoldsThenJumps) {
    WorldSetup setup = lf_trackSetup();
    TimelineEvent teleport;
    teleport.atSeconds = 150;
    teleport.kind = TimelineEventKind::teleport;
    teleport.teleportTo = lf_point(0, 48.0, 9.0);
    setup.timeline = {teleport};
    start(setup);
    advance(149);
    EXPECT_DOUBLE_EQ(world_->userAircraft().longitudeDeg, 8.1);
    advance(1);
    const ObjectState s = world_->userAircraft();
    EXPECT_DOUBLE_EQ(s.latitudeDeg, 48.0);
    EXPECT_DOUBLE_EQ(s.longitudeDeg, 9.0);
    EXPECT_TRUE(s.onGround);
    EXPECT_DOUBLE_EQ(s.groundSpeedKnots, 0.0);
    EXPECT_THAT(world_->journalLines(), Contains(HasSubstr("teleported to 48.000000, 9.000000")));
}

TEST_F(UserDataTest, TrackAcrossTheDateLineWraps) {
    WorldSetup setup = gf_runningSetup();
    setup.user.track = {lf_point(0, 0.0, 179.9, 10000.0), lf_point(60, 0.0, -179.9, 10000.0)};
    start(setup);
    advance(30);
    const ObjectState s = world_->userAircraft();
    EXPECT_NEAR(std::abs(s.longitudeDeg), 180.0, 1e-9);
    EXPECT_NEAR(s.groundTrackDeg, 90.0, 1e-9);
    EXPECT_NEAR(s.groundSpeedKnots, 720.486, 0.001); // 0.2 degree of the equator in a minute
}

} // namespace
} // namespace skyloom::simworld::testing

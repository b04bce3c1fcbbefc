// Data definitions, system events, client events and facility fields are checked by name,
// unit and type; what does not fit comes back as the simulator's EXCEPTION naming the packet
// of the call and the argument at fault. The program's own registrations all pass.
#include <functional>

#include <fmt/format.h>
#include <gmock/gmock.h>

#include "support/world_fixture.h"

namespace skyloom::simworld::testing {
namespace {

constexpr std::size_t kData = SIMCONNECT_RECV_SIMOBJECT_DATA_HEADER_SIZE;

class DefinitionsTest : public WorldTest {
protected:
    void SetUp() override {
        start(gf_runningSetup());
        client_.emplace();
        ASSERT_TRUE(client_->opened());
        client_->dispatch();
    }
    HANDLE h() const { return client_->handle(); }

    // The exceptions the next dispatch brings.
    std::vector<SIMCONNECT_RECV_EXCEPTION> exceptions() {
        std::vector<SIMCONNECT_RECV_EXCEPTION> out;
        for (const Received& m : gf_ofKind(client_->dispatch(), SIMCONNECT_RECV_ID_EXCEPTION)) {
            EXPECT_EQ(m.size, sizeof(SIMCONNECT_RECV_EXCEPTION));
            out.push_back(m.as<SIMCONNECT_RECV_EXCEPTION>());
        }
        return out;
    }

    std::optional<TestClient> client_;
};

TEST_F(DefinitionsTest, TheProgramsRegistrationsAreAllAccepted) {
    const std::pair<DWORD, const char*> systemEvents[] = {{201, "Sim"},
                                                          {202, "ObjectAdded"},
                                                          {203, "ObjectRemoved"},
                                                          {205, "FlightLoaded"},
                                                          {204, "Frame"}};
    for (const auto& [id, name] : systemEvents) {
        ASSERT_EQ(SimConnect_SubscribeToSystemEvent(h(), id, name), S_OK);
    }
    struct Item {
        DWORD define;
        const char* name;
        const char* unit;
        SIMCONNECT_DATATYPE type;
    };
    constexpr auto F = SIMCONNECT_DATATYPE_FLOAT64;
    constexpr auto I = SIMCONNECT_DATATYPE_INT64;
    const Item items[] = {
        {407, "TITLE", nullptr, SIMCONNECT_DATATYPE_STRINGV},
        {408, "ATC MODEL", nullptr, SIMCONNECT_DATATYPE_STRING32},
        {409, "SIM ON GROUND", "Bool", I},
        {402, "Plane Latitude", "degree", F},
        {402, "Plane Longitude", "degree", F},
        {402, "Plane Pitch degrees", "radian", F},
        {402, "Plane Bank degrees", "radian", F},
        {402, "Plane Heading degrees true", "radian", F},
        {402, "Plane Altitude", "feet", F},
        {402, "Vertical Speed", "feet per minute", F},
        {402, "Airspeed True", "knots", F},
        {403, "Plane Latitude", "degree", F},
        {403, "Plane Longitude", "degree", F},
        {403, "Plane Pitch degrees", "radian", F},
        {403, "Plane Bank degrees", "radian", F},
        {403, "Vertical Speed", "feet per minute", F},
        {403, "Plane Heading degrees true", "radian", F},
        {403, "Plane Altitude", "feet", F},
        {403, "Indicated Altitude", "feet", F},
        {403, "Plane Alt Above Ground", "feet", F},
        {403, "Ground Velocity", "knots", F},
        {403, "ZULU TIME", "Seconds", I},
        {403, "ZULU DAY OF YEAR", "Number", I},
        {403, "ZULU YEAR", "Number", I},
        {403, "LIGHT STATES", "Mask", I},
        {403, "GPS Ground True Track", "degree", F},
        {405, "Static CG to Ground", "feet", F},
        {405, "Static Pitch", "radian", F},
        {406, "Light On States", "Mask", I},
        {404, "Plane Alt Above Ground", "feet", F},
        {404, "Ground Altitude", "feet", F},
        {404, "SIM ON GROUND", "Bool", I},
        {404, "ATC ID", nullptr, SIMCONNECT_DATATYPE_STRING32},
        {401, "SPOILERS HANDLE POSITION", "percent", F},
        {401, "GENERAL ENG THROTTLE LEVER POSITION:1", "percent", F},
        {401, "GENERAL ENG THROTTLE LEVER POSITION:2", "percent", F},
    };
    for (const Item& item : items) {
        ASSERT_EQ(SimConnect_AddToDataDefinition(h(), item.define, item.name, item.unit, item.type,
                                                 0, SIMCONNECT_UNUSED),
                  S_OK);
    }
    const std::pair<DWORD, const char*> clientEvents[] = {{219, "GEAR_SET"},
                                                          {220, "ENGINE_AUTO_START"},
                                                          {221, "ENGINE_AUTO_SHUTDOWN"},
                                                          {222, "THROTTLE_SET"},
                                                          {217, "FLAPS_SET"},
                                                          {218, "SPOILERS_SET"},
                                                          {207, "NAV_LIGHTS_SET"},
                                                          {206, "BEACON_LIGHTS_SET"},
                                                          {210, "LANDING_LIGHTS_SET"},
                                                          {208, "TAXI_LIGHTS_SET"},
                                                          {209, "STROBES_SET"},
                                                          {212, "LOGO_LIGHTS_SET"},
                                                          {211, "CABIN_LIGHTS_SET"},
                                                          {213, "ALL_LIGHTS_TOGGLE"},
                                                          {214, "FREEZE_LATITUDE_LONGITUDE_SET"},
                                                          {215, "FREEZE_ALTITUDE_SET"},
                                                          {216, "FREEZE_ATTITUDE_SET"}};
    for (const auto& [id, name] : clientEvents) {
        ASSERT_EQ(SimConnect_MapClientEventToSimEvent(h(), id, name), S_OK);
    }
    for (DWORD id :
         {207, 206, 210, 208, 209, 212, 211, 213, 217, 218, 219, 221, 222, 214, 215, 216}) {
        ASSERT_EQ(SimConnect_AddClientEventToNotificationGroup(h(), 301, id, TRUE), S_OK);
    }
    ASSERT_EQ(SimConnect_SetNotificationGroupPriority(h(), 301, SIMCONNECT_GROUP_PRIORITY_HIGHEST),
              S_OK);

    const auto messages = client_->dispatch();
    EXPECT_TRUE(gf_ofKind(messages, SIMCONNECT_RECV_ID_EXCEPTION).empty());

    // Every definition the program requests answers with the size its handlers expect.
    const std::pair<DWORD, std::size_t> requests[] = {{407, 41},  {408, 72}, {409, 48},
                                                      {403, 160}, {405, 56}, {404, 96}};
    for (const auto& [define, minimum] : requests) {
        ASSERT_EQ(SimConnect_RequestDataOnSimObject(h(), define, define, SIMCONNECT_OBJECT_ID_USER,
                                                    SIMCONNECT_PERIOD_ONCE),
                  S_OK);
        const auto data = gf_ofKind(client_->dispatch(), SIMCONNECT_RECV_ID_SIMOBJECT_DATA);
        ASSERT_EQ(data.size(), 1u) << define;
        EXPECT_GE(data[0].size, minimum) << define;
    }
}

TEST_F(DefinitionsTest, ItemsThatDoNotFitAreAnsweredByTheirException) {
    struct Case {
        const char* name;
        const char* unit;
        SIMCONNECT_DATATYPE type;
        DWORD exception;
        DWORD index;
    };
    constexpr auto F = SIMCONNECT_DATATYPE_FLOAT64;
    const Case cases[] = {
        {"Plane Lattitude", "degree", F, SIMCONNECT_EXCEPTION_NAME_UNRECOGNIZED, 3},
        {"Plane Latitude", "degres", F, SIMCONNECT_EXCEPTION_NAME_UNRECOGNIZED, 4},
        {"Plane Altitude", "degree", F, SIMCONNECT_EXCEPTION_NAME_UNRECOGNIZED, 4},
        {"Plane Altitude", nullptr, F, SIMCONNECT_EXCEPTION_NAME_UNRECOGNIZED, 4},
        {"TITLE", "feet", SIMCONNECT_DATATYPE_STRINGV, SIMCONNECT_EXCEPTION_NAME_UNRECOGNIZED, 4},
        {"TITLE", nullptr, F, SIMCONNECT_EXCEPTION_INVALID_DATA_TYPE, 5},
        {"Plane Altitude", "feet", SIMCONNECT_DATATYPE_STRING32,
         SIMCONNECT_EXCEPTION_INVALID_DATA_TYPE, 5},
        {"Plane Altitude", "feet", static_cast<SIMCONNECT_DATATYPE>(42),
         SIMCONNECT_EXCEPTION_INVALID_DATA_TYPE, 5},
        {"GENERAL ENG THROTTLE LEVER POSITION", "percent", F,
         SIMCONNECT_EXCEPTION_NAME_UNRECOGNIZED, 3},
        {"GENERAL ENG THROTTLE LEVER POSITION:5", "percent", F,
         SIMCONNECT_EXCEPTION_NAME_UNRECOGNIZED, 3},
        {"PLANE ALTITUDE:1", "feet", F, SIMCONNECT_EXCEPTION_NAME_UNRECOGNIZED, 3},
        {nullptr, "feet", F, SIMCONNECT_EXCEPTION_NAME_UNRECOGNIZED, 3},
    };
    // A good item first, so that the send id must be the failing call's, not any earlier one.
    ASSERT_EQ(SimConnect_AddToDataDefinition(h(), 1, "Plane Altitude", "feet"), S_OK);
    for (const Case& c : cases) {
        SCOPED_TRACE(fmt::format("{} / {}", c.name ? c.name : "null", c.unit ? c.unit : "null"));
        ASSERT_EQ(SimConnect_AddToDataDefinition(h(), 1, c.name, c.unit, c.type), S_OK);
        const DWORD packet = client_->lastPacket();
        SimConnect_AddToDataDefinition(h(), 1, "Plane Altitude", "feet"); // a later, good packet
        const auto found = exceptions();
        ASSERT_EQ(found.size(), 1u);
        EXPECT_EQ(found[0].dwException, c.exception);
        EXPECT_EQ(found[0].dwSendID, packet);
        EXPECT_EQ(found[0].dwIndex, c.index);
    }
    // Refused items did not join the definition: it holds the good altitudes only.
    SimConnect_RequestDataOnSimObject(h(), 1, 1, SIMCONNECT_OBJECT_ID_USER, SIMCONNECT_PERIOD_ONCE);
    const auto data = gf_ofKind(client_->dispatch(), SIMCONNECT_RECV_ID_SIMOBJECT_DATA);
    ASSERT_EQ(data.size(), 1u);
    EXPECT_EQ(data[0].size, kData + 8 * (1 + std::size(cases)));
}

TEST_F(DefinitionsTest, UnknownEventNamesAndIds) {
    struct Case {
        std::function<HRESULT()> call;
        DWORD exception;
        DWORD index;
    };
    SimConnect_MapClientEventToSimEvent(h(), 10, "GEAR_SET");
    client_->dispatch();
    const Case cases[] = {
        {[&] { return SimConnect_SubscribeToSystemEvent(h(), 1, "Frames"); },
         SIMCONNECT_EXCEPTION_NAME_UNRECOGNIZED, 3},
        {[&] { return SimConnect_MapClientEventToSimEvent(h(), 11, "GEAR_SETT"); },
         SIMCONNECT_EXCEPTION_NAME_UNRECOGNIZED, 3},
        {[&] { return SimConnect_MapClientEventToSimEvent(h(), 10, "FLAPS_SET"); },
         SIMCONNECT_EXCEPTION_EVENT_ID_DUPLICATE, 2},
        {[&] { return SimConnect_AddClientEventToNotificationGroup(h(), 301, 12, TRUE); },
         SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 3},
        {[&] { return SimConnect_SetNotificationGroupPriority(h(), 302, 1); },
         SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 2},
        {[&] { return SimConnect_TransmitClientEvent(h(), 0, 12, 1, 301, 0); },
         SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 3},
        {[&] { return SimConnect_TransmitClientEvent(h(), 77, 10, 1, 301, 0); },
         SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 2},
        {[&] { return SimConnect_RequestDataOnSimObject(h(), 1, 99, 0, SIMCONNECT_PERIOD_ONCE); },
         SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 3},
        {[&] {
             return SimConnect_RequestDataOnSimObjectType(h(), 1, 99, 1000,
                                                          SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT);
         },
         SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 3},
        {[&] { return SimConnect_AddToFacilityDefinition(h(), 1001, "OPEN AIRPORTS"); },
         SIMCONNECT_EXCEPTION_NAME_UNRECOGNIZED, 3},
        {[&] { return SimConnect_AddToFacilityDefinition(h(), 1001, "LATTITUDE"); },
         SIMCONNECT_EXCEPTION_NAME_UNRECOGNIZED, 3},
        {[&] { return SimConnect_RequestFacilityData(h(), 1003, 2001, "LSZH", ""); },
         SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 2},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(++n);
        ASSERT_EQ(c.call(), S_OK);
        const DWORD packet = client_->lastPacket();
        const auto found = exceptions();
        ASSERT_EQ(found.size(), 1u);
        EXPECT_EQ(found[0].dwException, c.exception);
        EXPECT_EQ(found[0].dwSendID, packet);
        EXPECT_EQ(found[0].dwIndex, c.index);
    }
}

TEST_F(DefinitionsTest, NamesAreMatchedWithoutRegardToCase) {
    EXPECT_EQ(SimConnect_SubscribeToSystemEvent(h(), 1, "frame"), S_OK);
    EXPECT_EQ(SimConnect_MapClientEventToSimEvent(h(), 2, "gear_set"), S_OK);
    EXPECT_EQ(SimConnect_MapClientEventToSimEvent(h(), 3, "Skyloom.MyEvent"), S_OK); // custom
    EXPECT_EQ(SimConnect_AddToDataDefinition(h(), 4, "plane latitude", "DEGREES"), S_OK);
    EXPECT_EQ(SimConnect_AddToFacilityDefinition(h(), 5, "open airport"), S_OK);
    EXPECT_EQ(SimConnect_AddToFacilityDefinition(h(), 5, "open taxi_parking"), S_OK);
    EXPECT_TRUE(exceptions().empty());
}

TEST_F(DefinitionsTest, TheProgramsFacilityDefinitionsAreAccepted) {
    const char* parking[] = {"OPEN AIRPORT",
                             "LATITUDE",
                             "LONGITUDE",
                             "ALTITUDE",
                             "NAME",
                             "N_HELIPADS",
                             "N_TAXI_PARKINGS",
                             "OPEN TAXI_PARKING",
                             "TYPE",
                             "TAXI_POINT_TYPE",
                             "NAME",
                             "SUFFIX",
                             "NUMBER",
                             "ORIENTATION",
                             "HEADING",
                             "RADIUS",
                             "BIAS_X",
                             "BIAS_Z",
                             "CLOSE TAXI_PARKING",
                             "OPEN HELIPAD",
                             "LATITUDE",
                             "LONGITUDE",
                             "ALTITUDE",
                             "HEADING",
                             "LENGTH",
                             "WIDTH",
                             "SURFACE",
                             "TYPE",
                             "CLOSE HELIPAD",
                             "CLOSE AIRPORT"};
    const char* runways[] = {"OPEN AIRPORT",
                             "ALTITUDE",
                             "N_RUNWAYS",
                             "N_STARTS",
                             "OPEN RUNWAY",
                             "LATITUDE",
                             "LONGITUDE",
                             "ALTITUDE",
                             "HEADING",
                             "LENGTH",
                             "WIDTH",
                             "PRIMARY_NUMBER",
                             "PRIMARY_DESIGNATOR",
                             "SECONDARY_NUMBER",
                             "SECONDARY_DESIGNATOR",
                             "OPEN PRIMARY_THRESHOLD",
                             "LENGTH",
                             "WIDTH",
                             "ENABLE",
                             "CLOSE PRIMARY_THRESHOLD",
                             "OPEN SECONDARY_THRESHOLD",
                             "LENGTH",
                             "WIDTH",
                             "ENABLE",
                             "CLOSE SECONDARY_THRESHOLD",
                             "CLOSE RUNWAY",
                             "OPEN START",
                             "LATITUDE",
                             "LONGITUDE",
                             "ALTITUDE",
                             "HEADING",
                             "NUMBER",
                             "DESIGNATOR",
                             "TYPE",
                             "CLOSE START",
                             "CLOSE AIRPORT"};
    for (const char* field : parking) {
        ASSERT_EQ(SimConnect_AddToFacilityDefinition(h(), 1001, field), S_OK);
    }
    for (const char* field : runways) {
        ASSERT_EQ(SimConnect_AddToFacilityDefinition(h(), 1002, field), S_OK);
    }
    EXPECT_TRUE(exceptions().empty());
    // This world has no facility data: the request ends at once without any.
    ASSERT_EQ(SimConnect_RequestFacilityData(h(), 1001, 2001, "LSZH", ""), S_OK);
    const auto messages = client_->dispatch();
    ASSERT_EQ(messages.size(), 1u);
    ASSERT_EQ(messages[0].id, SIMCONNECT_RECV_ID_FACILITY_DATA_END);
    EXPECT_EQ(messages[0].as<SIMCONNECT_RECV_FACILITY_DATA_END>().requestId, 2001u);
}

} // namespace
} // namespace skyloom::simworld::testing

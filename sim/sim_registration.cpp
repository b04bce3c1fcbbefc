#include "sim/sim_registration.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include <fmt/format.h>

#include "foundation/log_file.h"
#include "platform/simconnect/simconnect.h"
#include "sim/sim_ids.h"

namespace skyloom {
namespace {

// One id with the name the log prints for it.
struct NamedId {
    SimId id;
    std::string_view name;
};

struct SystemEvent {
    NamedId id;
    const char* event;
};

constexpr std::array kSystemEvents{
    SystemEvent{{EVENT_SIM, "EVENT_SIM"}, "Sim"},
    SystemEvent{{EVENT_OBJECT_ADDED, "EVENT_OBJECT_ADDED"}, "ObjectAdded"},
    SystemEvent{{EVENT_OBJECT_REMOVED, "EVENT_OBJECT_REMOVED"}, "ObjectRemoved"},
    SystemEvent{{EVENT_FLIGHT_LOADED, "EVENT_FLIGHT_LOADED"}, "FlightLoaded"},
    SystemEvent{{EVENT_FRAME, "EVENT_FRAME"}, "Frame"},
};

struct DataItem {
    const char* variable;
    const char* unit; // nullptr for a text
    SIMCONNECT_DATATYPE type = SIMCONNECT_DATATYPE_FLOAT64;
};

constexpr std::array kUserTitle{DataItem{"TITLE", nullptr, SIMCONNECT_DATATYPE_STRINGV}};
constexpr std::array kUserModel{DataItem{"ATC MODEL", nullptr, SIMCONNECT_DATATYPE_STRING32}};
constexpr std::array kUserOnGround{DataItem{"SIM ON GROUND", "Bool", SIMCONNECT_DATATYPE_INT64}};
// The layout of `AIPosition`.
constexpr std::array kAiPosition{
    DataItem{"Plane Latitude", "degree"},
    DataItem{"Plane Longitude", "degree"},
    DataItem{"Plane Pitch degrees", "radian"},
    DataItem{"Plane Bank degrees", "radian"},
    DataItem{"Plane Heading degrees true", "radian"},
    DataItem{"Plane Altitude", "feet"},
    DataItem{"Vertical Speed", "feet per minute"},
    DataItem{"Airspeed True", "knots"},
};
// The layout of `UserAircraftState`.
constexpr std::array kUserPosition{
    DataItem{"Plane Latitude", "degree"},
    DataItem{"Plane Longitude", "degree"},
    DataItem{"Plane Pitch degrees", "radian"},
    DataItem{"Plane Bank degrees", "radian"},
    DataItem{"Vertical Speed", "feet per minute"},
    DataItem{"Plane Heading degrees true", "radian"},
    DataItem{"Plane Altitude", "feet"},
    DataItem{"Indicated Altitude", "feet"},
    DataItem{"Plane Alt Above Ground", "feet"},
    DataItem{"Ground Velocity", "knots"},
    DataItem{"ZULU TIME", "Seconds", SIMCONNECT_DATATYPE_INT64},
    DataItem{"ZULU DAY OF YEAR", "Number", SIMCONNECT_DATATYPE_INT64},
    DataItem{"ZULU YEAR", "Number", SIMCONNECT_DATATYPE_INT64},
    DataItem{"LIGHT STATES", "Mask", SIMCONNECT_DATATYPE_INT64},
    DataItem{"GPS Ground True Track", "degree"},
};
constexpr std::array kStaticCgAndPitch{
    DataItem{"Static CG to Ground", "feet"},
    DataItem{"Static Pitch", "radian"},
};
constexpr std::array kAiLights{DataItem{"Light On States", "Mask", SIMCONNECT_DATATYPE_INT64}};
constexpr std::array kAiGetPosition{
    DataItem{"Plane Alt Above Ground", "feet"},
    DataItem{"Ground Altitude", "feet"},
    DataItem{"SIM ON GROUND", "Bool", SIMCONNECT_DATATYPE_INT64},
    DataItem{"ATC ID", nullptr, SIMCONNECT_DATATYPE_STRING32},
};
constexpr std::array kReverseThrust{
    DataItem{"SPOILERS HANDLE POSITION", "percent"},
    DataItem{"GENERAL ENG THROTTLE LEVER POSITION:1", "percent"},
    DataItem{"GENERAL ENG THROTTLE LEVER POSITION:2", "percent"},
};

struct DataDefinition {
    NamedId id;
    std::span<const DataItem> items;
};

// The user aircraft's definitions first, then those of the AI objects.
const std::array kDataDefinitions{
    DataDefinition{{DEFINITION_USER_AC_GET_TITLE, "DEFINITION_USER_AC_GET_TITLE"}, kUserTitle},
    DataDefinition{{DEFINITION_USER_AC_GET_MODEL, "DEFINITION_USER_AC_GET_MODEL"}, kUserModel},
    DataDefinition{{DEFINITION_USER_AC_GET_ONGROUND, "DEFINITION_USER_AC_GET_ONGROUND"},
                   kUserOnGround},
    DataDefinition{{DEFINITION_LATLONPIBAHEALVSTAS, "DEFINITION_LATLONPIBAHEALVSTAS"}, kAiPosition},
    DataDefinition{{DEFINITION_LATLONPIBAVSHETRALTGSZULI, "DEFINITION_LATLONPIBAVSHETRALTGSZULI"},
                   kUserPosition},
    DataDefinition{{DEFINITION_AI_GET_STATIC_CG_AND_PITCH, "DEFINITION_AI_GET_STATIC_CG_AND_PITCH"},
                   kStaticCgAndPitch},
    DataDefinition{{DEFINITION_AI_LIGHTS, "DEFINITION_AI_LIGHTS"}, kAiLights},
    DataDefinition{{DEFINITION_AI_GET_POSITION, "DEFINITION_AI_GET_POSITION"}, kAiGetPosition},
    DataDefinition{{DEFINITION_REVERSE_THRUST, "DEFINITION_REVERSE_THRUST"}, kReverseThrust},
};

struct ClientEvent {
    NamedId id;
    const char* simEvent;
};

constexpr std::array kClientEvents{
    ClientEvent{{EVENT_GEAR_SET, "EVENT_GEAR_SET"}, "GEAR_SET"},
    ClientEvent{{EVENT_ENGINE_AUTO_START, "EVENT_ENGINE_AUTO_START"}, "ENGINE_AUTO_START"},
    ClientEvent{{EVENT_ENGINE_AUTO_SHUTDOWN, "EVENT_ENGINE_AUTO_SHUTDOWN"}, "ENGINE_AUTO_SHUTDOWN"},
    ClientEvent{{EVENT_THROTTLE_SET, "EVENT_THROTTLE_SET"}, "THROTTLE_SET"},
    ClientEvent{{EVENT_FLAPS_SET, "EVENT_FLAPS_SET"}, "FLAPS_SET"},
    ClientEvent{{EVENT_SPOILERS_SET, "EVENT_SPOILERS_SET"}, "SPOILERS_SET"},
    ClientEvent{{EVENT_NAV_LIGHTS_SET, "EVENT_NAV_LIGHTS_SET"}, "NAV_LIGHTS_SET"},
    ClientEvent{{EVENT_BEACON_LIGHTS_SET, "EVENT_BEACON_LIGHTS_SET"}, "BEACON_LIGHTS_SET"},
    ClientEvent{{EVENT_LANDING_LIGHTS_SET, "EVENT_LANDING_LIGHTS_SET"}, "LANDING_LIGHTS_SET"},
    ClientEvent{{EVENT_TAXI_LIGHTS_SET, "EVENT_TAXI_LIGHTS_SET"}, "TAXI_LIGHTS_SET"},
    ClientEvent{{EVENT_STROBES_SET, "EVENT_STROBES_SET"}, "STROBES_SET"},
    ClientEvent{{EVENT_LOGO_LIGHTS_SET, "EVENT_LOGO_LIGHTS_SET"}, "LOGO_LIGHTS_SET"},
    ClientEvent{{EVENT_CABIN_LIGHTS_SET, "EVENT_CABIN_LIGHTS_SET"}, "CABIN_LIGHTS_SET"},
    ClientEvent{{EVENT_ALL_LIGHTS_TOGGLE, "EVENT_ALL_LIGHTS_TOGGLE"}, "ALL_LIGHTS_TOGGLE"},
    ClientEvent{{EVENT_FREEZE_LATITUDE_LONGITUDE_SET, "EVENT_FREEZE_LATITUDE_LONGITUDE_SET"},
                "FREEZE_LATITUDE_LONGITUDE_SET"},
    ClientEvent{{EVENT_FREEZE_ALTITUDE_SET, "EVENT_FREEZE_ALTITUDE_SET"}, "FREEZE_ALTITUDE_SET"},
    ClientEvent{{EVENT_FREEZE_ATTITUDE_SET, "EVENT_FREEZE_ATTITUDE_SET"}, "FREEZE_ATTITUDE_SET"},
};

// Every client event but ENGINE_AUTO_START, which is sent to one object at a time and is
// never masked.
constexpr std::array kGroupEvents{
    NamedId{EVENT_NAV_LIGHTS_SET, "EVENT_NAV_LIGHTS_SET"},
    NamedId{EVENT_BEACON_LIGHTS_SET, "EVENT_BEACON_LIGHTS_SET"},
    NamedId{EVENT_LANDING_LIGHTS_SET, "EVENT_LANDING_LIGHTS_SET"},
    NamedId{EVENT_TAXI_LIGHTS_SET, "EVENT_TAXI_LIGHTS_SET"},
    NamedId{EVENT_STROBES_SET, "EVENT_STROBES_SET"},
    NamedId{EVENT_LOGO_LIGHTS_SET, "EVENT_LOGO_LIGHTS_SET"},
    NamedId{EVENT_CABIN_LIGHTS_SET, "EVENT_CABIN_LIGHTS_SET"},
    NamedId{EVENT_ALL_LIGHTS_TOGGLE, "EVENT_ALL_LIGHTS_TOGGLE"},
    NamedId{EVENT_FLAPS_SET, "EVENT_FLAPS_SET"},
    NamedId{EVENT_SPOILERS_SET, "EVENT_SPOILERS_SET"},
    NamedId{EVENT_GEAR_SET, "EVENT_GEAR_SET"},
    NamedId{EVENT_ENGINE_AUTO_SHUTDOWN, "EVENT_ENGINE_AUTO_SHUTDOWN"},
    NamedId{EVENT_THROTTLE_SET, "EVENT_THROTTLE_SET"},
    NamedId{EVENT_FREEZE_LATITUDE_LONGITUDE_SET, "EVENT_FREEZE_LATITUDE_LONGITUDE_SET"},
    NamedId{EVENT_FREEZE_ALTITUDE_SET, "EVENT_FREEZE_ALTITUDE_SET"},
    NamedId{EVENT_FREEZE_ATTITUDE_SET, "EVENT_FREEZE_ATTITUDE_SET"},
};
static_assert(kGroupEvents.size() == kClientEvents.size() - 1);

constexpr NamedId kGroup{TRAFFIC_APP, "TRAFFIC_APP"};

std::string_view lf_dataTypeName(SIMCONNECT_DATATYPE type) {
    switch (type) {
    case SIMCONNECT_DATATYPE_INT64:
        return "SIMCONNECT_DATATYPE_INT64";
    case SIMCONNECT_DATATYPE_STRING32:
        return "SIMCONNECT_DATATYPE_STRING32";
    case SIMCONNECT_DATATYPE_STRINGV:
        return "SIMCONNECT_DATATYPE_STRINGV";
    default:
        return "SIMCONNECT_DATATYPE_FLOAT64";
    }
}

// The call as the log names it: the variable, its unit (nullptr for a text) and the data type
// when it is not the default FLOAT64.
std::string lf_definitionCallText(const NamedId& definition, const DataItem& item) {
    std::string text = fmt::format("SimConnect_AddToDataDefinition(l_hsimconnect, {}, \"{}\", ",
                                   definition.name, item.variable);
    text += item.unit == nullptr ? std::string("nullptr") : fmt::format("\"{}\"", item.unit);
    if (item.type != SIMCONNECT_DATATYPE_FLOAT64) {
        text += fmt::format(", {}", lf_dataTypeName(item.type));
    }
    return text + ")";
}

} // namespace

bool gf_checkSimSetup(HRESULT hr, std::string_view callText) {
    if (hr >= 0) {
        return true;
    }
    LogFile::writeImportant(fmt::format("SimConnect setup failed: {} (hr=0x{:08X})", callText,
                                        static_cast<std::uint32_t>(hr)));
    return false;
}

bool gf_setupSimConnect(HANDLE handle) {
    bool ok = true;
    for (const SystemEvent& event : kSystemEvents) {
        ok &= gf_checkSimSetup(
            SimConnect_SubscribeToSystemEvent(handle, event.id.id, event.event),
            fmt::format("SimConnect_SubscribeToSystemEvent(l_hsimconnect, {}, \"{}\")",
                        event.id.name, event.event));
    }
    for (const DataDefinition& definition : kDataDefinitions) {
        for (const DataItem& item : definition.items) {
            ok &= gf_checkSimSetup(SimConnect_AddToDataDefinition(handle, definition.id.id,
                                                                  item.variable, item.unit,
                                                                  item.type, 0, SIMCONNECT_UNUSED),
                                   lf_definitionCallText(definition.id, item));
        }
    }
    for (const ClientEvent& event : kClientEvents) {
        ok &= gf_checkSimSetup(
            SimConnect_MapClientEventToSimEvent(handle, event.id.id, event.simEvent),
            fmt::format("SimConnect_MapClientEventToSimEvent(l_hsimconnect, {}, \"{}\")",
                        event.id.name, event.simEvent));
    }
    for (const NamedId& event : kGroupEvents) {
        ok &= gf_checkSimSetup(
            SimConnect_AddClientEventToNotificationGroup(handle, kGroup.id, event.id, TRUE),
            fmt::format("SimConnect_AddClientEventToNotificationGroup(l_hsimconnect, {}, {}, TRUE)",
                        kGroup.name, event.name));
    }
    ok &= gf_checkSimSetup(SimConnect_SetNotificationGroupPriority(
                               handle, kGroup.id, SIMCONNECT_GROUP_PRIORITY_HIGHEST),
                           fmt::format("SimConnect_SetNotificationGroupPriority(l_hsimconnect, {}, "
                                       "SIMCONNECT_GROUP_PRIORITY_HIGHEST)",
                                       kGroup.name));
    return ok;
}

} // namespace skyloom

// The fixed ids of the main SimConnect connection (`SimId`): system events 201 to 205, client
// events 206 to 222 in notification group 301, data definitions 401 to 409 and requests 101 to
// 109. Create requests take their ids from 10000 upward, so they never meet a fixed request id.
// The names are the ones the setup's log lines print.
#pragma once

#include "platform/simconnect/win_types.h"

namespace skyloom {

enum SimId : DWORD {
    // Requests.
    AI_POSITION = 101,            // definition 404, by type: the aircraft within the radius
    AI_STATIC_CG_AND_PITCH = 102, // definition 405
    AI_RELEASE_CONTROL = 103,
    AI_REMOVE_OBJECT = 104,
    USER_AC_TITLE = 105,     // definition 407
    USER_AC_MODEL = 106,     // definition 408
    USER_AC_ON_GROUND = 107, // definition 409, every second
    USER_AC_POSITION = 108,  // definition 403
    AI_FLIGHT_PLAN = 109,

    // System events.
    EVENT_SIM = 201,
    EVENT_OBJECT_ADDED = 202,
    EVENT_OBJECT_REMOVED = 203,
    EVENT_FRAME = 204,
    EVENT_FLIGHT_LOADED = 205,

    // Client events.
    EVENT_BEACON_LIGHTS_SET = 206,
    EVENT_NAV_LIGHTS_SET = 207,
    EVENT_TAXI_LIGHTS_SET = 208,
    EVENT_STROBES_SET = 209,
    EVENT_LANDING_LIGHTS_SET = 210,
    EVENT_CABIN_LIGHTS_SET = 211,
    EVENT_LOGO_LIGHTS_SET = 212,
    EVENT_ALL_LIGHTS_TOGGLE = 213,
    EVENT_FREEZE_LATITUDE_LONGITUDE_SET = 214,
    EVENT_FREEZE_ALTITUDE_SET = 215,
    EVENT_FREEZE_ATTITUDE_SET = 216,
    EVENT_FLAPS_SET = 217,
    EVENT_SPOILERS_SET = 218,
    EVENT_GEAR_SET = 219,
    EVENT_ENGINE_AUTO_START = 220,
    EVENT_ENGINE_AUTO_SHUTDOWN = 221,
    EVENT_THROTTLE_SET = 222,

    // The notification group of every client event but ENGINE_AUTO_START.
    TRAFFIC_APP = 301,

    // Data definitions.
    DEFINITION_REVERSE_THRUST = 401,
    DEFINITION_LATLONPIBAHEALVSTAS = 402,
    DEFINITION_LATLONPIBAVSHETRALTGSZULI = 403,
    DEFINITION_AI_GET_POSITION = 404,
    DEFINITION_AI_GET_STATIC_CG_AND_PITCH = 405,
    DEFINITION_AI_LIGHTS = 406, // registered, never requested or set
    DEFINITION_USER_AC_GET_TITLE = 407,
    DEFINITION_USER_AC_GET_MODEL = 408,
    DEFINITION_USER_AC_GET_ONGROUND = 409,
};

// The first request id of an AI aircraft create; later creates count up from it.
inline constexpr DWORD kFirstCreateRequestId = 10000;

} // namespace skyloom

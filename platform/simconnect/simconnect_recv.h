// The records the simulator sends and the program reads, and the one record the program sends
// by value (the initial position of a new AI aircraft). Every record is packed to one byte, as
// on the wire; each size is checked below. A message starts with SIMCONNECT_RECV; dwID says
// which record it is and `size` how many bytes it holds. Records that carry a variable payload
// (object data, facility data) end in a first data word: the payload begins at its offset and
// runs for `size` minus that offset.
#pragma once

#include <cstddef>

#include "platform/simconnect/simconnect_enums.h"

#pragma pack(push, 1)

// Field names the program reads (dwID, dwException, dwSendID, dwIndex, szApplicationName,
// the application version, uEventID, dwData, eObjType, dwRequestID, dwObjectID) are kept as
// the program spells them; the rest are ours and only hold their place in the layout.

struct SIMCONNECT_RECV {
    DWORD size; // bytes in the message, this header included
    DWORD version;
    DWORD dwID;
};

struct SIMCONNECT_RECV_EXCEPTION : SIMCONNECT_RECV {
    DWORD dwException;
    // The packet id of the call that caused it (SimConnect_GetLastSentPacketID after the call).
    DWORD dwSendID;
    // Which argument of that call was at fault, counted from 1 with the handle as the first.
    DWORD dwIndex;
};

struct SIMCONNECT_RECV_OPEN : SIMCONNECT_RECV {
    char szApplicationName[256];
    DWORD dwApplicationVersionMajor;
    DWORD dwApplicationVersionMinor;
    DWORD dwApplicationBuildMajor;
    DWORD dwApplicationBuildMinor;
    // The client library's version: major, minor, build major, build minor.
    DWORD libraryVersion[4];
    DWORD spare[2];
};

struct SIMCONNECT_RECV_QUIT : SIMCONNECT_RECV {};

struct SIMCONNECT_RECV_EVENT : SIMCONNECT_RECV {
    DWORD groupId; // SIMCONNECT_UNUSED for a system event
    DWORD uEventID;
    DWORD dwData;
};

struct SIMCONNECT_RECV_EVENT_OBJECT_ADDREMOVE : SIMCONNECT_RECV_EVENT {
    SIMCONNECT_SIMOBJECT_TYPE eObjType;
};

struct SIMCONNECT_RECV_EVENT_FILENAME : SIMCONNECT_RECV_EVENT {
    char fileName[260];
    DWORD fileFlags;
};

struct SIMCONNECT_RECV_EVENT_FRAME : SIMCONNECT_RECV_EVENT {
    float framesPerSecond;
    float simulationRate; // 1 is real time
};

struct SIMCONNECT_RECV_SIMOBJECT_DATA : SIMCONNECT_RECV {
    DWORD dwRequestID;
    DWORD dwObjectID;
    DWORD defineId;
    DWORD requestFlags;
    DWORD entry;      // by type: this object's place in the reply, from 1
    DWORD entryCount; // by type: how many objects the reply holds
    DWORD itemCount;  // items of the definition
    DWORD payload;    // the first word of the data
};

struct SIMCONNECT_RECV_SIMOBJECT_DATA_BYTYPE : SIMCONNECT_RECV_SIMOBJECT_DATA {};

struct SIMCONNECT_RECV_ASSIGNED_OBJECT_ID : SIMCONNECT_RECV {
    DWORD dwRequestID;
    DWORD dwObjectID;
};

struct SIMCONNECT_RECV_FACILITY_DATA : SIMCONNECT_RECV {
    DWORD userRequestId;
    DWORD uniqueRequestId;
    DWORD parentUniqueRequestId;
    DWORD dataType;   // SIMCONNECT_FACILITY_DATA_TYPE
    DWORD inList;     // 1 when the record is one of a list of its kind
    DWORD listIndex;  // its place in that list, from 0
    DWORD listLength; // the list's length
    DWORD payload;    // the first word of the data
};

struct SIMCONNECT_RECV_FACILITY_DATA_END : SIMCONNECT_RECV {
    DWORD requestId;
};

// Where a new AI aircraft appears; the program fills it in this order.
struct SIMCONNECT_DATA_INITPOSITION {
    double latitude;  // degrees
    double longitude; // degrees
    double altitude;  // feet
    double pitch;     // degrees
    double bank;      // degrees
    double heading;   // degrees
    DWORD onGround;
    DWORD airspeed; // knots
};

#pragma pack(pop)

static_assert(sizeof(SIMCONNECT_RECV) == 12);
static_assert(sizeof(SIMCONNECT_RECV_EXCEPTION) == 24);
static_assert(sizeof(SIMCONNECT_RECV_OPEN) == 308);
static_assert(sizeof(SIMCONNECT_RECV_QUIT) == 12);
static_assert(sizeof(SIMCONNECT_RECV_EVENT) == 24);
static_assert(sizeof(SIMCONNECT_RECV_EVENT_OBJECT_ADDREMOVE) == 28);
static_assert(sizeof(SIMCONNECT_RECV_EVENT_FILENAME) == 288);
static_assert(sizeof(SIMCONNECT_RECV_EVENT_FRAME) == 32);
static_assert(sizeof(SIMCONNECT_RECV_SIMOBJECT_DATA) == 44);
static_assert(sizeof(SIMCONNECT_RECV_SIMOBJECT_DATA_BYTYPE) == 44);
static_assert(sizeof(SIMCONNECT_RECV_ASSIGNED_OBJECT_ID) == 20);
static_assert(sizeof(SIMCONNECT_RECV_FACILITY_DATA) == 44);
static_assert(sizeof(SIMCONNECT_RECV_FACILITY_DATA_END) == 16);
static_assert(sizeof(SIMCONNECT_DATA_INITPOSITION) == 56);

// Where the payload of an object-data or facility-data message begins: the offset of its
// first data word.
inline constexpr std::size_t SIMCONNECT_RECV_SIMOBJECT_DATA_HEADER_SIZE =
    sizeof(SIMCONNECT_RECV_SIMOBJECT_DATA) - sizeof(DWORD);
inline constexpr std::size_t SIMCONNECT_RECV_FACILITY_DATA_HEADER_SIZE =
    sizeof(SIMCONNECT_RECV_FACILITY_DATA) - sizeof(DWORD);
static_assert(SIMCONNECT_RECV_SIMOBJECT_DATA_HEADER_SIZE == 40);
static_assert(SIMCONNECT_RECV_FACILITY_DATA_HEADER_SIZE == 40);

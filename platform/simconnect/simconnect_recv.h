// The records the simulator sends and the program reads, and the one record the program sends
// by value (the initial position of a new AI aircraft). Every record is packed to one byte, as
// on the wire; each size is checked below. A message starts with SIMCONNECT_RECV; dwID says
// which record it is and dwSize how many bytes it holds. Records that carry a variable payload
// (object data, facility data) end in a first data word: the payload begins at its offset and
// runs for dwSize minus that offset.
#pragma once

#include <cstddef>

#include "platform/simconnect/simconnect_enums.h"

#pragma pack(push, 1)

struct SIMCONNECT_RECV {
    DWORD dwSize;
    DWORD dwVersion;
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
    DWORD dwSimConnectVersionMajor;
    DWORD dwSimConnectVersionMinor;
    DWORD dwSimConnectBuildMajor;
    DWORD dwSimConnectBuildMinor;
    DWORD dwReserved1;
    DWORD dwReserved2;
};

struct SIMCONNECT_RECV_QUIT : SIMCONNECT_RECV {};

struct SIMCONNECT_RECV_EVENT : SIMCONNECT_RECV {
    DWORD uGroupID;
    DWORD uEventID;
    DWORD dwData;
};

struct SIMCONNECT_RECV_EVENT_OBJECT_ADDREMOVE : SIMCONNECT_RECV_EVENT {
    SIMCONNECT_SIMOBJECT_TYPE eObjType;
};

struct SIMCONNECT_RECV_EVENT_FILENAME : SIMCONNECT_RECV_EVENT {
    char szFileName[260];
    DWORD dwFlags;
};

struct SIMCONNECT_RECV_EVENT_FRAME : SIMCONNECT_RECV_EVENT {
    float fFrameRate;
    float fSimSpeed;
};

struct SIMCONNECT_RECV_EVENT_EX1 : SIMCONNECT_RECV {
    DWORD uGroupID;
    DWORD uEventID;
    DWORD dwData0;
    DWORD dwData1;
    DWORD dwData2;
    DWORD dwData3;
    DWORD dwData4;
};

struct SIMCONNECT_RECV_SIMOBJECT_DATA : SIMCONNECT_RECV {
    DWORD dwRequestID;
    DWORD dwObjectID;
    DWORD dwDefineID;
    DWORD dwFlags;
    DWORD dwentrynumber;
    DWORD dwoutof;
    DWORD dwDefineCount;
    DWORD dwData; // the first word of the data
};

struct SIMCONNECT_RECV_SIMOBJECT_DATA_BYTYPE : SIMCONNECT_RECV_SIMOBJECT_DATA {};

struct SIMCONNECT_RECV_ASSIGNED_OBJECT_ID : SIMCONNECT_RECV {
    DWORD dwRequestID;
    DWORD dwObjectID;
};

struct SIMCONNECT_RECV_FACILITY_DATA : SIMCONNECT_RECV {
    DWORD UserRequestId;
    DWORD UniqueRequestId;
    DWORD ParentUniqueRequestId;
    DWORD Type; // SIMCONNECT_FACILITY_DATA_TYPE
    DWORD IsListItem;
    DWORD ItemIndex;
    DWORD ListSize;
    DWORD Data; // the first word of the data
};

struct SIMCONNECT_RECV_FACILITY_DATA_END : SIMCONNECT_RECV {
    DWORD RequestId;
};

struct SIMCONNECT_DATA_INITPOSITION {
    double Latitude;  // degrees
    double Longitude; // degrees
    double Altitude;  // feet
    double Pitch;     // degrees
    double Bank;      // degrees
    double Heading;   // degrees
    DWORD OnGround;
    DWORD Airspeed; // knots
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
static_assert(sizeof(SIMCONNECT_RECV_EVENT_EX1) == 40);
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

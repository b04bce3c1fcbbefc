// The simulator client library's API as the program calls it: open and close a named
// connection, dispatch the waiting messages to a callback, subscribe to system events, build
// data definitions and request or set data on objects, map client events into a notification
// group and transmit them, create, control and remove AI aircraft, hand them flight plans, and
// read facility data. Every call returns an HRESULT (below zero is a failure); most calls only
// send a packet, and the simulator's objections come back later as an EXCEPTION message that
// names the packet (SimConnect_GetLastSentPacketID). On Linux platform/simworld implements it;
// a Windows build links the simulator's own library in its place.
#pragma once

#include "platform/simconnect/simconnect_enums.h"
#include "platform/simconnect/simconnect_recv.h"
#include "platform/simconnect/win_types.h"

// Called by SimConnect_CallDispatch once for each waiting message, on the calling thread.
using DispatchProc = void(CALLBACK*)(SIMCONNECT_RECV* message, DWORD size, void* context);

extern "C" {

HRESULT SimConnect_Open(HANDLE* handleOut, const char* clientName, void* window,
                        DWORD windowMessage, HANDLE eventHandle, DWORD configIndex);
HRESULT SimConnect_Close(HANDLE handle);
HRESULT SimConnect_CallDispatch(HANDLE handle, DispatchProc dispatch, void* context);

HRESULT SimConnect_SubscribeToSystemEvent(HANDLE handle, DWORD eventId, const char* eventName);

HRESULT SimConnect_AddToDataDefinition(HANDLE handle, DWORD defineId, const char* variableName,
                                       const char* unitName,
                                       SIMCONNECT_DATATYPE dataType = SIMCONNECT_DATATYPE_FLOAT64,
                                       float epsilon = 0, DWORD itemId = SIMCONNECT_UNUSED);
HRESULT SimConnect_RequestDataOnSimObject(HANDLE handle, DWORD requestId, DWORD defineId,
                                          DWORD objectId, SIMCONNECT_PERIOD period, DWORD flags = 0,
                                          DWORD origin = 0, DWORD interval = 0, DWORD limit = 0);
HRESULT SimConnect_RequestDataOnSimObjectType(HANDLE handle, DWORD requestId, DWORD defineId,
                                              DWORD radiusMeters, SIMCONNECT_SIMOBJECT_TYPE type);
HRESULT SimConnect_SetDataOnSimObject(HANDLE handle, DWORD defineId, DWORD objectId, DWORD flags,
                                      DWORD arrayCount, DWORD unitSize, void* data);

HRESULT SimConnect_MapClientEventToSimEvent(HANDLE handle, DWORD eventId,
                                            const char* simEventName = "");
HRESULT SimConnect_AddClientEventToNotificationGroup(HANDLE handle, DWORD groupId, DWORD eventId,
                                                     BOOL maskable = FALSE);
HRESULT SimConnect_SetNotificationGroupPriority(HANDLE handle, DWORD groupId, DWORD priority);
HRESULT SimConnect_TransmitClientEvent(HANDLE handle, DWORD objectId, DWORD eventId, DWORD data,
                                       DWORD groupId, DWORD flags);

HRESULT SimConnect_AICreateNonATCAircraft(HANDLE handle, const char* liveryTitle,
                                          const char* tailNumber,
                                          SIMCONNECT_DATA_INITPOSITION position, DWORD requestId);
HRESULT SimConnect_AIReleaseControl(HANDLE handle, DWORD objectId, DWORD requestId);
HRESULT SimConnect_AIRemoveObject(HANDLE handle, DWORD objectId, DWORD requestId);
HRESULT SimConnect_AISetAircraftFlightPlan(HANDLE handle, DWORD objectId,
                                           const char* flightPlanPath, DWORD requestId);
HRESULT SimConnect_GetLastSentPacketID(HANDLE handle, DWORD* packetIdOut);

HRESULT SimConnect_AddToFacilityDefinition(HANDLE handle, DWORD defineId, const char* fieldName);
HRESULT SimConnect_RequestFacilityData(HANDLE handle, DWORD defineId, DWORD requestId,
                                       const char* icao, const char* region = "");

} // extern "C"

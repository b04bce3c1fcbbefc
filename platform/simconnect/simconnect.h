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
using DispatchProc = void(CALLBACK*)(SIMCONNECT_RECV* pData, DWORD cbData, void* pContext);

extern "C" {

HRESULT SimConnect_Open(HANDLE* phSimConnect, const char* szName, void* hWnd, DWORD UserEventWin32,
                        HANDLE hEventHandle, DWORD ConfigIndex);
HRESULT SimConnect_Close(HANDLE hSimConnect);
HRESULT SimConnect_CallDispatch(HANDLE hSimConnect, DispatchProc pfcnDispatch, void* pContext);

HRESULT SimConnect_SubscribeToSystemEvent(HANDLE hSimConnect, DWORD EventID,
                                          const char* SystemEventName);

HRESULT SimConnect_AddToDataDefinition(HANDLE hSimConnect, DWORD DefineID, const char* DatumName,
                                       const char* UnitsName,
                                       SIMCONNECT_DATATYPE DatumType = SIMCONNECT_DATATYPE_FLOAT64,
                                       float fEpsilon = 0, DWORD DatumID = SIMCONNECT_UNUSED);
HRESULT SimConnect_RequestDataOnSimObject(HANDLE hSimConnect, DWORD RequestID, DWORD DefineID,
                                          DWORD ObjectID, SIMCONNECT_PERIOD Period, DWORD Flags = 0,
                                          DWORD origin = 0, DWORD interval = 0, DWORD limit = 0);
HRESULT SimConnect_RequestDataOnSimObjectType(HANDLE hSimConnect, DWORD RequestID, DWORD DefineID,
                                              DWORD dwRadiusMeters, SIMCONNECT_SIMOBJECT_TYPE type);
HRESULT SimConnect_SetDataOnSimObject(HANDLE hSimConnect, DWORD DefineID, DWORD ObjectID,
                                      DWORD Flags, DWORD ArrayCount, DWORD cbUnitSize,
                                      void* pDataSet);

HRESULT SimConnect_MapClientEventToSimEvent(HANDLE hSimConnect, DWORD EventID,
                                            const char* EventName = "");
HRESULT SimConnect_AddClientEventToNotificationGroup(HANDLE hSimConnect, DWORD GroupID,
                                                     DWORD EventID, BOOL bMaskable = FALSE);
HRESULT SimConnect_SetNotificationGroupPriority(HANDLE hSimConnect, DWORD GroupID, DWORD uPriority);
HRESULT SimConnect_TransmitClientEvent(HANDLE hSimConnect, DWORD ObjectID, DWORD EventID,
                                       DWORD dwData, DWORD GroupID, DWORD Flags);

HRESULT SimConnect_AICreateNonATCAircraft(HANDLE hSimConnect, const char* szContainerTitle,
                                          const char* szTailNumber,
                                          SIMCONNECT_DATA_INITPOSITION InitPos, DWORD RequestID);
HRESULT SimConnect_AIReleaseControl(HANDLE hSimConnect, DWORD ObjectID, DWORD RequestID);
HRESULT SimConnect_AIRemoveObject(HANDLE hSimConnect, DWORD ObjectID, DWORD RequestID);
HRESULT SimConnect_AISetAircraftFlightPlan(HANDLE hSimConnect, DWORD ObjectID,
                                           const char* szFlightPlanPath, DWORD RequestID);
HRESULT SimConnect_GetLastSentPacketID(HANDLE hSimConnect, DWORD* pdwSendID);

HRESULT SimConnect_AddToFacilityDefinition(HANDLE hSimConnect, DWORD DefineID,
                                           const char* FieldName);
HRESULT SimConnect_RequestFacilityData(HANDLE hSimConnect, DWORD DefineID, DWORD RequestID,
                                       const char* ICAO, const char* Region = "");

} // extern "C"

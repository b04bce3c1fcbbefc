// The SimConnect_* functions of platform/simconnect/simconnect.h, answered by the installed
// world: each resolves its handle to a connection of a world and hands the call on.
#include "platform/simconnect/simconnect.h"

#include "platform/simworld/connection_handles.h"
#include "platform/simworld/installed_world.h"

using skyloom::simworld::gf_forgetConnectionHandle;
using skyloom::simworld::gf_installedWorld;
using skyloom::simworld::gf_registerConnectionHandle;
using skyloom::simworld::gf_resolveConnectionHandle;

namespace {

// Calls `method` of the handle's world with the connection number, or gives E_HANDLE.
template <typename Method, typename... Args>
HRESULT lf_forward(HANDLE handle, Method method, Args&&... args) {
    const auto resolved = gf_resolveConnectionHandle(handle);
    if (!resolved) {
        return E_HANDLE;
    }
    return ((*resolved->world).*method)(resolved->connection, std::forward<Args>(args)...);
}

} // namespace

using World = skyloom::simworld::World;

extern "C" {

HRESULT SimConnect_Open(HANDLE* phSimConnect, const char* szName, void*, DWORD, HANDLE,
                        DWORD ConfigIndex) {
    if (phSimConnect == nullptr) {
        return E_POINTER;
    }
    *phSimConnect = nullptr;
    const auto world = gf_installedWorld();
    if (!world) {
        return E_FAIL;
    }
    std::uint32_t connection = 0;
    const HRESULT result = world->open(szName, ConfigIndex, connection);
    if (result == S_OK) {
        *phSimConnect = gf_registerConnectionHandle(world, connection);
    }
    return result;
}

HRESULT SimConnect_Close(HANDLE hSimConnect) {
    const HRESULT result = lf_forward(hSimConnect, &World::close);
    gf_forgetConnectionHandle(hSimConnect);
    return result;
}

HRESULT SimConnect_CallDispatch(HANDLE hSimConnect, DispatchProc pfcnDispatch, void* pContext) {
    return lf_forward(hSimConnect, &World::callDispatch, pfcnDispatch, pContext);
}

HRESULT SimConnect_SubscribeToSystemEvent(HANDLE hSimConnect, DWORD EventID,
                                          const char* SystemEventName) {
    return lf_forward(hSimConnect, &World::subscribeToSystemEvent, EventID, SystemEventName);
}

HRESULT SimConnect_AddToDataDefinition(HANDLE hSimConnect, DWORD DefineID, const char* DatumName,
                                       const char* UnitsName, SIMCONNECT_DATATYPE DatumType,
                                       float fEpsilon, DWORD DatumID) {
    return lf_forward(hSimConnect, &World::addToDataDefinition, DefineID, DatumName, UnitsName,
                      DatumType, fEpsilon, DatumID);
}

HRESULT SimConnect_RequestDataOnSimObject(HANDLE hSimConnect, DWORD RequestID, DWORD DefineID,
                                          DWORD ObjectID, SIMCONNECT_PERIOD Period, DWORD Flags,
                                          DWORD origin, DWORD interval, DWORD limit) {
    return lf_forward(hSimConnect, &World::requestDataOnSimObject, RequestID, DefineID, ObjectID,
                      Period, Flags, origin, interval, limit);
}

HRESULT SimConnect_RequestDataOnSimObjectType(HANDLE hSimConnect, DWORD RequestID, DWORD DefineID,
                                              DWORD dwRadiusMeters,
                                              SIMCONNECT_SIMOBJECT_TYPE type) {
    return lf_forward(hSimConnect, &World::requestDataOnSimObjectType, RequestID, DefineID,
                      dwRadiusMeters, type);
}

HRESULT SimConnect_SetDataOnSimObject(HANDLE hSimConnect, DWORD DefineID, DWORD ObjectID,
                                      DWORD Flags, DWORD ArrayCount, DWORD cbUnitSize,
                                      void* pDataSet) {
    return lf_forward(hSimConnect, &World::setDataOnSimObject, DefineID, ObjectID, Flags,
                      ArrayCount, cbUnitSize, static_cast<const void*>(pDataSet));
}

HRESULT SimConnect_MapClientEventToSimEvent(HANDLE hSimConnect, DWORD EventID,
                                            const char* EventName) {
    return lf_forward(hSimConnect, &World::mapClientEventToSimEvent, EventID, EventName);
}

HRESULT SimConnect_AddClientEventToNotificationGroup(HANDLE hSimConnect, DWORD GroupID,
                                                     DWORD EventID, BOOL bMaskable) {
    return lf_forward(hSimConnect, &World::addClientEventToNotificationGroup, GroupID, EventID,
                      bMaskable);
}

HRESULT SimConnect_SetNotificationGroupPriority(HANDLE hSimConnect, DWORD GroupID,
                                                DWORD uPriority) {
    return lf_forward(hSimConnect, &World::setNotificationGroupPriority, GroupID, uPriority);
}

HRESULT SimConnect_TransmitClientEvent(HANDLE hSimConnect, DWORD ObjectID, DWORD EventID,
                                       DWORD dwData, DWORD GroupID, DWORD Flags) {
    return lf_forward(hSimConnect, &World::transmitClientEvent, ObjectID, EventID, dwData, GroupID,
                      Flags);
}

HRESULT SimConnect_AICreateNonATCAircraft(HANDLE hSimConnect, const char* szContainerTitle,
                                          const char* szTailNumber,
                                          SIMCONNECT_DATA_INITPOSITION InitPos, DWORD RequestID) {
    return lf_forward(hSimConnect, &World::aiCreateNonAtcAircraft, szContainerTitle, szTailNumber,
                      static_cast<const SIMCONNECT_DATA_INITPOSITION&>(InitPos), RequestID);
}

HRESULT SimConnect_AIReleaseControl(HANDLE hSimConnect, DWORD ObjectID, DWORD RequestID) {
    return lf_forward(hSimConnect, &World::aiReleaseControl, ObjectID, RequestID);
}

HRESULT SimConnect_AIRemoveObject(HANDLE hSimConnect, DWORD ObjectID, DWORD RequestID) {
    return lf_forward(hSimConnect, &World::aiRemoveObject, ObjectID, RequestID);
}

HRESULT SimConnect_AISetAircraftFlightPlan(HANDLE hSimConnect, DWORD ObjectID,
                                           const char* szFlightPlanPath, DWORD RequestID) {
    return lf_forward(hSimConnect, &World::aiSetAircraftFlightPlan, ObjectID, szFlightPlanPath,
                      RequestID);
}

HRESULT SimConnect_GetLastSentPacketID(HANDLE hSimConnect, DWORD* pdwSendID) {
    return lf_forward(hSimConnect, &World::getLastSentPacketId, pdwSendID);
}

HRESULT SimConnect_AddToFacilityDefinition(HANDLE hSimConnect, DWORD DefineID,
                                           const char* FieldName) {
    return lf_forward(hSimConnect, &World::addToFacilityDefinition, DefineID, FieldName);
}

HRESULT SimConnect_RequestFacilityData(HANDLE hSimConnect, DWORD DefineID, DWORD RequestID,
                                       const char* ICAO, const char* Region) {
    return lf_forward(hSimConnect, &World::requestFacilityData, DefineID, RequestID, ICAO, Region);
}

} // extern "C"

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

HRESULT SimConnect_Open(HANDLE* handleOut, const char* clientName, void*, DWORD, HANDLE,
                        DWORD configIndex) {
    if (handleOut == nullptr) {
        return E_POINTER;
    }
    *handleOut = nullptr;
    const auto world = gf_installedWorld();
    if (!world) {
        return E_FAIL;
    }
    std::uint32_t connection = 0;
    const HRESULT result = world->open(clientName, configIndex, connection);
    if (result == S_OK) {
        *handleOut = gf_registerConnectionHandle(world, connection);
    }
    return result;
}

HRESULT SimConnect_Close(HANDLE handle) {
    const HRESULT result = lf_forward(handle, &World::close);
    gf_forgetConnectionHandle(handle);
    return result;
}

HRESULT SimConnect_CallDispatch(HANDLE handle, DispatchProc dispatch, void* context) {
    return lf_forward(handle, &World::callDispatch, dispatch, context);
}

HRESULT SimConnect_SubscribeToSystemEvent(HANDLE handle, DWORD eventId, const char* eventName) {
    return lf_forward(handle, &World::subscribeToSystemEvent, eventId, eventName);
}

HRESULT SimConnect_AddToDataDefinition(HANDLE handle, DWORD defineId, const char* variableName,
                                       const char* unitName, SIMCONNECT_DATATYPE dataType,
                                       float epsilon, DWORD itemId) {
    return lf_forward(handle, &World::addToDataDefinition, defineId, variableName, unitName,
                      dataType, epsilon, itemId);
}

HRESULT SimConnect_RequestDataOnSimObject(HANDLE handle, DWORD requestId, DWORD defineId,
                                          DWORD objectId, SIMCONNECT_PERIOD period, DWORD flags,
                                          DWORD origin, DWORD interval, DWORD limit) {
    return lf_forward(handle, &World::requestDataOnSimObject, requestId, defineId, objectId, period,
                      flags, origin, interval, limit);
}

HRESULT SimConnect_RequestDataOnSimObjectType(HANDLE handle, DWORD requestId, DWORD defineId,
                                              DWORD radiusMeters, SIMCONNECT_SIMOBJECT_TYPE type) {
    return lf_forward(handle, &World::requestDataOnSimObjectType, requestId, defineId, radiusMeters,
                      type);
}

HRESULT SimConnect_SetDataOnSimObject(HANDLE handle, DWORD defineId, DWORD objectId, DWORD flags,
                                      DWORD arrayCount, DWORD unitSize, void* data) {
    return lf_forward(handle, &World::setDataOnSimObject, defineId, objectId, flags, arrayCount,
                      unitSize, static_cast<const void*>(data));
}

HRESULT SimConnect_MapClientEventToSimEvent(HANDLE handle, DWORD eventId,
                                            const char* simEventName) {
    return lf_forward(handle, &World::mapClientEventToSimEvent, eventId, simEventName);
}

HRESULT SimConnect_AddClientEventToNotificationGroup(HANDLE handle, DWORD groupId, DWORD eventId,
                                                     BOOL maskable) {
    return lf_forward(handle, &World::addClientEventToNotificationGroup, groupId, eventId,
                      maskable);
}

HRESULT SimConnect_SetNotificationGroupPriority(HANDLE handle, DWORD groupId, DWORD priority) {
    return lf_forward(handle, &World::setNotificationGroupPriority, groupId, priority);
}

HRESULT SimConnect_TransmitClientEvent(HANDLE handle, DWORD objectId, DWORD eventId, DWORD data,
                                       DWORD groupId, DWORD flags) {
    return lf_forward(handle, &World::transmitClientEvent, objectId, eventId, data, groupId, flags);
}

HRESULT SimConnect_AICreateNonATCAircraft(HANDLE handle, const char* liveryTitle,
                                          const char* tailNumber,
                                          SIMCONNECT_DATA_INITPOSITION position, DWORD requestId) {
    return lf_forward(handle, &World::aiCreateNonAtcAircraft, liveryTitle, tailNumber,
                      static_cast<const SIMCONNECT_DATA_INITPOSITION&>(position), requestId);
}

HRESULT SimConnect_AIReleaseControl(HANDLE handle, DWORD objectId, DWORD requestId) {
    return lf_forward(handle, &World::aiReleaseControl, objectId, requestId);
}

HRESULT SimConnect_AIRemoveObject(HANDLE handle, DWORD objectId, DWORD requestId) {
    return lf_forward(handle, &World::aiRemoveObject, objectId, requestId);
}

HRESULT SimConnect_AISetAircraftFlightPlan(HANDLE handle, DWORD objectId,
                                           const char* flightPlanPath, DWORD requestId) {
    return lf_forward(handle, &World::aiSetAircraftFlightPlan, objectId, flightPlanPath, requestId);
}

HRESULT SimConnect_GetLastSentPacketID(HANDLE handle, DWORD* packetIdOut) {
    return lf_forward(handle, &World::getLastSentPacketId, packetIdOut);
}

HRESULT SimConnect_AddToFacilityDefinition(HANDLE handle, DWORD defineId, const char* fieldName) {
    return lf_forward(handle, &World::addToFacilityDefinition, defineId, fieldName);
}

HRESULT SimConnect_RequestFacilityData(HANDLE handle, DWORD defineId, DWORD requestId,
                                       const char* icao, const char* region) {
    return lf_forward(handle, &World::requestFacilityData, defineId, requestId, icao, region);
}

} // extern "C"

// The world's answers to the AI object calls, the packet-id query and the facility calls.
// The world holds no livery catalogue and no facility data yet: every create names an unknown
// title and fails as the simulator fails it (CREATE_OBJECT_FAILED for the create's packet),
// and every facility request ends without data.
#include <filesystem>
#include <system_error>

#include <fmt/format.h>

#include "platform/simworld/event_catalogue.h"
#include "platform/simworld/facility_fields.h"
#include "platform/simworld/world.h"

namespace skyloom::simworld {

namespace {

std::string lf_quoted(const char* text) {
    return text == nullptr ? std::string("null") : fmt::format("\"{}\"", text);
}

bool lf_fileExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

} // namespace

HRESULT World::aiCreateNonAtcAircraft(std::uint32_t connection, const char* containerTitle,
                                      const char* tailNumber,
                                      const SIMCONNECT_DATA_INITPOSITION& position,
                                      DWORD requestId) {
    std::lock_guard lock(mutex_);
    Call call = beginCall(connection, "SimConnect_AICreateNonATCAircraft");
    const std::string args =
        fmt::format("{}, {}, {{{:.6f}, {:.6f}, {:.1f} ft, pitch {:.2f}, bank {:.2f}, heading "
                    "{:.2f}, ground {}, "
                    "{} kt}}, {}",
                    lf_quoted(containerTitle), lf_quoted(tailNumber), double{position.Latitude},
                    double{position.Longitude}, double{position.Altitude}, double{position.Pitch},
                    double{position.Bank}, double{position.Heading}, DWORD{position.OnGround},
                    DWORD{position.Airspeed}, requestId);
    if (!call.proceed()) {
        return finishCall(call, args, call.failure);
    }
    if (containerTitle == nullptr || tailNumber == nullptr) {
        return finishCall(call, args, E_POINTER);
    }
    refuse(call, SIMCONNECT_EXCEPTION_CREATE_OBJECT_FAILED, 2,
           fmt::format("no installed livery titled \"{}\"", containerTitle));
    return finishCall(call, args, S_OK);
}

HRESULT World::aiReleaseControl(std::uint32_t connection, DWORD objectId, DWORD requestId) {
    std::lock_guard lock(mutex_);
    Call call = beginCall(connection, "SimConnect_AIReleaseControl");
    const std::string args = fmt::format("{}, {}", objectId, requestId);
    if (!call.proceed()) {
        return finishCall(call, args, call.failure);
    }
    if (isUser(objectId)) {
        refuse(call, SIMCONNECT_EXCEPTION_OPERATION_INVALID_FOR_OBJECT_TYPE, 2,
               "the user aircraft");
    } else if (!objects_.contains(objectId)) {
        refuse(call, SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 2, "unknown object");
    }
    return finishCall(call, args, S_OK);
}

HRESULT World::aiRemoveObject(std::uint32_t connection, DWORD objectId, DWORD requestId) {
    std::lock_guard lock(mutex_);
    Call call = beginCall(connection, "SimConnect_AIRemoveObject");
    const std::string args = fmt::format("{}, {}", objectId, requestId);
    if (!call.proceed()) {
        return finishCall(call, args, call.failure);
    }
    const auto it = objects_.find(objectId);
    if (isUser(objectId)) {
        refuse(call, SIMCONNECT_EXCEPTION_OPERATION_INVALID_FOR_OBJECT_TYPE, 2,
               "the user aircraft");
    } else if (it == objects_.end()) {
        refuse(call, SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 2, "unknown object");
    } else {
        const auto type = static_cast<SIMCONNECT_SIMOBJECT_TYPE>(it->second.kind);
        objects_.erase(it);
        journalWorld(call.now, call.number, fmt::format("object {} removed", objectId));
        notifyAll(kSystemEventObjectRemoved, call.now, [&](DWORD id) {
            return gf_objectAddRemoveMessage(id, kSystemEventObjectRemoved, objectId, type);
        });
    }
    return finishCall(call, args, S_OK);
}

HRESULT World::aiSetAircraftFlightPlan(std::uint32_t connection, DWORD objectId, const char* path,
                                       DWORD requestId) {
    std::lock_guard lock(mutex_);
    Call call = beginCall(connection, "SimConnect_AISetAircraftFlightPlan");
    const std::string args = fmt::format("{}, {}, {}", objectId, lf_quoted(path), requestId);
    if (!call.proceed()) {
        return finishCall(call, args, call.failure);
    }
    if (path == nullptr) {
        return finishCall(call, args, E_POINTER);
    }
    if (isUser(objectId)) {
        refuse(call, SIMCONNECT_EXCEPTION_OPERATION_INVALID_FOR_OBJECT_TYPE, 2,
               "the user aircraft");
    } else if (!objects_.contains(objectId)) {
        refuse(call, SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 2, "unknown object");
    } else if (!lf_fileExists(path) && !lf_fileExists(std::string(path) + ".pln")) {
        refuse(call, SIMCONNECT_EXCEPTION_LOAD_FLIGHTPLAN_FAILED, 3, "no such flight-plan file");
    }
    return finishCall(call, args, S_OK);
}

HRESULT World::getLastSentPacketId(std::uint32_t connection, DWORD* packetId) {
    std::lock_guard lock(mutex_);
    Call call = beginCall(connection, "SimConnect_GetLastSentPacketID", false);
    if (!call.proceed()) {
        return finishCall(call, "", call.failure);
    }
    if (packetId == nullptr) {
        return finishCall(call, "null", E_POINTER);
    }
    *packetId = call.connection->lastPacketId;
    return finishCall(call, fmt::format("-> {}", *packetId), S_OK);
}

HRESULT World::addToFacilityDefinition(std::uint32_t connection, DWORD defineId,
                                       const char* fieldName) {
    std::lock_guard lock(mutex_);
    Call call = beginCall(connection, "SimConnect_AddToFacilityDefinition");
    const std::string args = fmt::format("{}, {}", defineId, lf_quoted(fieldName));
    if (!call.proceed()) {
        return finishCall(call, args, call.failure);
    }
    if (fieldName == nullptr || faults_.isUnknownName(fieldName) ||
        !gf_isFacilityFieldName(fieldName)) {
        refuse(call, SIMCONNECT_EXCEPTION_NAME_UNRECOGNIZED, 3, "unknown facility field");
        return finishCall(call, args, S_OK);
    }
    call.connection->facilityDefinitions[defineId].emplace_back(fieldName);
    return finishCall(call, args, S_OK);
}

HRESULT World::requestFacilityData(std::uint32_t connection, DWORD defineId, DWORD requestId,
                                   const char* icao, const char* region) {
    std::lock_guard lock(mutex_);
    Call call = beginCall(connection, "SimConnect_RequestFacilityData");
    const std::string args =
        fmt::format("{}, {}, {}, {}", defineId, requestId, lf_quoted(icao), lf_quoted(region));
    if (!call.proceed()) {
        return finishCall(call, args, call.failure);
    }
    if (icao == nullptr) {
        return finishCall(call, args, E_POINTER);
    }
    if (!call.connection->facilityDefinitions.contains(defineId)) {
        refuse(call, SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 2, "unknown facility definition");
        return finishCall(call, args, S_OK);
    }
    queue(*call.connection, gf_facilityDataEndMessage(requestId), call.now);
    return finishCall(call, args, S_OK, "no facility data in this world");
}

} // namespace skyloom::simworld

// The world's answers to AI flight plans and the packet-id query (creates, release and removal
// are in world_ai.cpp, the facility calls in facility_requests.cpp).
#include <filesystem>
#include <system_error>

#include <fmt/format.h>

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

} // namespace skyloom::simworld

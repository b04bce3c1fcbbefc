// AI objects: the create with its pending bookkeeping, the simulator's answers (an object id
// under the request id, CREATE_OBJECT_FAILED naming the create's packet, with TOO_MANY_OBJECTS
// before or after it when the simulator has no room), the removal and its confirmation.
#include <cstdint>
#include <optional>

#include <fmt/format.h>

#include "foundation/log_file.h"
#include "foundation/text.h"
#include "foundation/version.h"
#include "runtime/window_sink.h"
#include "sim/sim_client.h"
#include "sim/sim_event_queue.h"
#include "sim/sim_ids.h"
#include "sim/sim_link_state.h"
#include "sim/sim_link_work.h"

namespace skyloom {

namespace {

// A create that came to nothing, for the traffic to learn under the create's request id.
void lf_postCreateEvent(SimClient& client, SimEventKind kind, std::uint32_t hexid,
                        std::uint32_t requestId) {
    SimEvent event;
    event.value1 = hexid;
    event.kind = kind;
    event.x = static_cast<double>(requestId);
    client.events().post(event);
}

} // namespace

void SimLinkWork::createAIAircraft(SimClient& client, const SimCreateRequest& request) {
    const std::uint32_t requestId = gf_takeCreateRequestId();
    objects_.addPendingCreate(requestId, PendingCreate{request.hexid, gf_isLiveHexid(request.hexid),
                                                       0, request.callsign, request.liveryTitle});
    const HANDLE h = client.handle();
    const HRESULT hr = SimConnect_AICreateNonATCAircraft(
        h, request.liveryTitle.c_str(), request.callsign.c_str(), request.position, requestId);
    if (hr < 0) {
        objects_.erasePendingCreate(requestId);
        client.onRequestFailed(hr, fmt::format("! create failed hr=0x{:08X}, requestId:{}, "
                                               "callsign:{}",
                                               static_cast<std::uint32_t>(hr), requestId,
                                               request.callsign));
        return;
    }
    DWORD packetId = 0;
    if (const HRESULT packetHr = SimConnect_GetLastSentPacketID(h, &packetId); packetHr < 0) {
        objects_.erasePendingCreate(requestId);
        client.onRequestFailed(
            packetHr, fmt::format("! cannot retrieve packetId for create requestId:{}", requestId));
        return;
    }
    objects_.setPacketId(requestId, packetId);
}

void SimLinkWork::onAssignedObjectId(SimClient& client, DWORD requestId, DWORD objectId) {
    std::optional<PendingCreate> create = objects_.takeAssigned(requestId);
    if (!create) {
        LogFile::write(fmt::format("ASSIGNED_OBJECT_ID: requestId:{} oid:{} (no pending)",
                                   requestId, gf_hexidText(objectId)));
        return;
    }
    objects_.addOwned(objectId, create->callsign);
    if (g_simShutdownInProgress.load()) {
        removeAtShutdown(client, objectId, true);
        return;
    }
    // Skyloom alone moves the object: the simulator's AI lets go of it and the simulator
    // neither moves nor turns nor lowers it any more.
    const HANDLE h = client.handle();
    SimConnect_AIReleaseControl(h, objectId, AI_RELEASE_CONTROL);
    for (const DWORD freeze : {EVENT_FREEZE_LATITUDE_LONGITUDE_SET, EVENT_FREEZE_ALTITUDE_SET,
                               EVENT_FREEZE_ATTITUDE_SET}) {
        SimConnect_TransmitClientEvent(h, objectId, freeze, 1, TRAFFIC_APP, 0);
    }
    SimEvent assigned;
    assigned.objectId = objectId;
    assigned.value1 = create->hexid;
    assigned.kind = create->live ? SimEventKind::liveAssigned : SimEventKind::staticAssigned;
    client.events().post(assigned);
}

void SimLinkWork::onCreateObjectFailed(SimClient&, DWORD packetId) {
    if (objects_.takeRefusedForRoom(packetId)) {
        return; // told already, with TOO_MANY_OBJECTS
    }
    const std::optional<std::uint32_t> requestId = objects_.takeRequestIdOfPacket(packetId);
    if (!requestId) {
        LogFile::write(
            fmt::format("CREATE_OBJECT_FAILED packetId:{} (no pending request)", packetId));
        return;
    }
    std::optional<PendingCreate> create = objects_.takePendingCreate(*requestId);
    if (!create) {
        LogFile::write(
            fmt::format("CREATE_OBJECT_FAILED requestId:{} (no pending create)", *requestId));
        return;
    }
    // A TOO_MANY_OBJECTS for the packet may still follow: then the simulator had no room, and
    // no livery is to blame.
    objects_.holdFailedCreate(HeldCreateFailure{packetId, *requestId, std::move(*create)});
}

void SimLinkWork::postHeldFailures(SimClient& client) {
    for (const HeldCreateFailure& failure : objects_.takeFailuresHeldAFrame()) {
        LogFile::write(fmt::format("CREATE_OBJECT_FAILED packetId:{} requestId:{} hexid:{:x} "
                                   "callsign:{}",
                                   failure.packetId, failure.requestId, failure.create.hexid,
                                   failure.create.callsign));
        lf_postCreateEvent(client, SimEventKind::createFailed, failure.create.hexid,
                           failure.requestId);
    }
}

void SimLinkWork::onTooManyObjects(SimClient& client, DWORD packetId) {
    std::uint32_t requestId = 0;
    std::optional<PendingCreate> create;
    if (const std::optional<std::uint32_t> pending = objects_.takeRequestIdOfPacket(packetId)) {
        requestId = *pending;
        create = objects_.takePendingCreate(requestId);
        if (create) {
            objects_.noteRefusedForRoom(packetId);
        }
    } else if (std::optional<HeldCreateFailure> held = objects_.takeHeldFailure(packetId)) {
        requestId = held->requestId;
        create = std::move(held->create);
    }
    // The simulator names no limit: what the user learns is how many of its objects are ours
    // (those it holds and those it is making).
    if (!tooManyObjectsSaid_) {
        tooManyObjectsSaid_ = true;
        client.window().showStatusText(
            fmt::format("SimConnect: too many objects, {} of them {}'s: no more are created "
                        "until one is removed",
                        objects_.owned().size() + objects_.pendingCreateCount(), kProgramName),
            true, StatusWeight::warning);
    }
    if (!create) {
        LogFile::write(fmt::format("TOO_MANY_OBJECTS packetId:{} (no pending create)", packetId));
        return;
    }
    LogFile::write(fmt::format("TOO_MANY_OBJECTS packetId:{} requestId:{} hexid:{:x} callsign:{}",
                               packetId, requestId, create->hexid, create->callsign));
    lf_postCreateEvent(client, SimEventKind::createRefused, create->hexid, requestId);
}

void SimLinkWork::removeAIObject(SimClient& client, std::uint32_t objectId) {
    // No position may follow the removal.
    histories_.erase(objectId);
    if (objectId == g_userObjectId.load()) {
        LogFile::writeImportant(
            fmt::format("SimConnect call to remove ac with objectid {}", gf_hexidText(objectId)));
        return;
    }
    if (const HRESULT hr = SimConnect_AIRemoveObject(client.handle(), objectId, AI_REMOVE_OBJECT);
        hr < 0) {
        client.onRequestFailed(hr, fmt::format("!SimConnect call to remove AI ac from sim failed, "
                                               "id {}?",
                                               gf_hexidText(objectId)));
        return;
    }
    objects_.eraseOwned(objectId);
}

void SimLinkWork::onObjectRemoved(SimClient&, DWORD objectId) {
    objects_.eraseOwned(objectId);
    objects_.confirmRemoval(objectId);
}

} // namespace skyloom

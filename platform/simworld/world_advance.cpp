// The world moving on in time: timeline events, timed faults, AI objects falling due (assigned
// or removed), per-second data and frames, taken in the order of their times (at one time:
// timeline, faults, AI objects, data, frames).
#include <limits>

#include <fmt/format.h>

#include "platform/simworld/earth_math.h"
#include "platform/simworld/event_catalogue.h"
#include "platform/simworld/world.h"

namespace skyloom::simworld {

namespace {

std::string_view lf_timelineName(TimelineEventKind kind) {
    switch (kind) {
    case TimelineEventKind::flightStart:
        return "flightStart";
    case TimelineEventKind::flightStop:
        return "flightStop";
    case TimelineEventKind::flightLoaded:
        return "flightLoaded";
    case TimelineEventKind::quit:
        return "quit";
    case TimelineEventKind::launch:
        return "launch";
    case TimelineEventKind::teleport:
        return "teleport";
    }
    return "?";
}

} // namespace

void World::advance(double now) {
    constexpr double kNever = std::numeric_limits<double>::infinity();
    while (true) {
        enum class Next { none, timeline, fault, ai, data, frame } next = Next::none;
        double at = kNever;
        Connection* dataConnection = nullptr;
        DataRequest* dataRequest = nullptr;

        if (nextTimelineEvent_ < timeline_.size()) {
            at = timeline_[nextTimelineEvent_].atSeconds;
            next = Next::timeline;
        }
        if (const auto fault = faults_.nextTimed(); fault && *fault < at) {
            at = *fault;
            next = Next::fault;
        }
        if (const auto due = ai_.nextDue(); due && *due < at) {
            at = *due;
            next = Next::ai;
        }
        for (auto& [number, connection] : connections_) {
            for (auto& [id, request] : connection.periodicRequests) {
                if (request.period == SIMCONNECT_PERIOD_SECOND && request.nextDueSeconds < at) {
                    at = request.nextDueSeconds;
                    next = Next::data;
                    dataConnection = &connection;
                    dataRequest = &request;
                }
            }
        }
        if (flightRunning_ && nextFrameAt() < at) {
            at = nextFrameAt();
            next = Next::frame;
        }
        if (next == Next::none || at > now) {
            break;
        }
        switch (next) {
        case Next::timeline:
            runTimelineEvent(timeline_[nextTimelineEvent_++]);
            break;
        case Next::fault:
            for (const FaultSetup& fault : faults_.takeTimed(at)) {
                runTimedFault(fault, at);
            }
            break;
        case Next::ai:
            runAiDue(at);
            break;
        case Next::data:
            if (flightRunning_) {
                answer(*dataConnection, *dataRequest, at);
            }
            dataRequest->nextDueSeconds += 1.0;
            break;
        case Next::frame:
            produceFrame(at);
            ++framesThisFlight_;
            break;
        case Next::none:
            break;
        }
    }
}

void World::notifyAll(std::string_view systemEvent, double at,
                      const std::function<QueuedMessage(DWORD eventId)>& make) {
    for (auto& [number, connection] : connections_) {
        if (connection.broken || connection.simulatorGone) {
            continue;
        }
        for (DWORD id : connection.subscribers(systemEvent)) {
            queue(connection, make(id), at);
        }
    }
}

void World::runTimelineEvent(const TimelineEvent& event) {
    const double at = event.atSeconds;
    const bool needsSimulator = event.kind != TimelineEventKind::launch;
    if (needsSimulator && !simulatorRunning_) {
        journalWorld(
            at, 0,
            fmt::format("{} ignored: the simulator is not running", lf_timelineName(event.kind)));
        return;
    }
    switch (event.kind) {
    case TimelineEventKind::flightStart:
        startFlight(at);
        break;
    case TimelineEventKind::flightStop:
        stopFlight(at);
        break;
    case TimelineEventKind::flightLoaded:
        if (event.plainEvent) {
            journalWorld(at, 0, "flight loaded (told as a plain EVENT)");
            notifyAll(kSystemEventFlightLoaded, at,
                      [&](DWORD id) { return gf_eventMessage(id, 0, kSystemEventFlightLoaded); });
            break;
        }
        journalWorld(at, 0, fmt::format("flight loaded \"{}\"", event.file));
        notifyAll(kSystemEventFlightLoaded, at, [&](DWORD id) {
            return gf_filenameMessage(id, kSystemEventFlightLoaded, event.file);
        });
        break;
    case TimelineEventKind::quit:
        journalWorld(at, 0, "simulator quits");
        flightRunning_ = false;
        simulatorRunning_ = false;
        dropAiObjects(at);
        for (auto& [number, connection] : connections_) {
            if (!connection.broken && !connection.simulatorGone) {
                queue(connection, gf_quitMessage(), at);
                connection.simulatorGone = true;
                // Replies still on their way (a delayed facility reply) never come.
                dropWaiting(connection, at, "simulator quit", at);
            }
        }
        break;
    case TimelineEventKind::launch:
        if (!simulatorRunning_) {
            journalWorld(at, 0, "simulator starts");
            simulatorRunning_ = true;
        }
        break;
    case TimelineEventKind::teleport:
        journalWorld(at, 0,
                     fmt::format("user aircraft teleported to {:.6f}, {:.6f}",
                                 event.teleportTo.latitudeDeg, event.teleportTo.longitudeDeg));
        break;
    }
}

void World::startFlight(double at) {
    if (flightRunning_) {
        return;
    }
    journalWorld(at, 0, "flight starts");
    flightRunning_ = true;
    flightStartedAt_ = at;
    framesThisFlight_ = 0;
    notifyAll(kSystemEventSim, at,
              [](DWORD id) { return gf_eventMessage(id, 1, kSystemEventSim); });
    notifyAll(kSystemEventSimStart, at,
              [](DWORD id) { return gf_eventMessage(id, 0, kSystemEventSimStart); });
    for (auto& [number, connection] : connections_) {
        std::vector<DataRequest> waiting;
        waiting.swap(connection.waitingRequests);
        for (const DataRequest& request : waiting) {
            answer(connection, request, at);
        }
    }
}

void World::stopFlight(double at) {
    if (!flightRunning_) {
        return;
    }
    journalWorld(at, 0, "flight stops");
    flightRunning_ = false;
    notifyAll(kSystemEventSim, at,
              [](DWORD id) { return gf_eventMessage(id, 0, kSystemEventSim); });
    notifyAll(kSystemEventSimStop, at,
              [](DWORD id) { return gf_eventMessage(id, 0, kSystemEventSimStop); });
}

void World::produceFrame(double at) {
    moveUnfrozenObjects(at);
    ai_.reportWhenDue(at);
    if (const std::string failure = ai_.takeTraceFailure(); !failure.empty()) {
        journalWorld(at, 0, failure);
    }
    const auto rate = static_cast<float>(setup_.frames.rateHz);
    const auto speed = static_cast<float>(setup_.frames.simSpeed);
    notifyAll(kSystemEventFrame, at, [&](DWORD id) { return gf_frameMessage(id, rate, speed); });
    for (auto& [number, connection] : connections_) {
        if (connection.broken || connection.simulatorGone) {
            continue;
        }
        for (auto& [id, request] : connection.periodicRequests) {
            if (request.period == SIMCONNECT_PERIOD_VISUAL_FRAME ||
                request.period == SIMCONNECT_PERIOD_SIM_FRAME) {
                answer(connection, request, at);
            }
        }
    }
}

bool World::receivesFault(const Connection& connection, const FaultSetup& fault) {
    return (fault.client.empty() || fault.client == connection.clientName) && !connection.broken &&
           !connection.simulatorGone;
}

void World::runTimedFault(const FaultSetup& fault, double at) {
    bool received = false;
    for (auto& [number, connection] : connections_) {
        if (receivesFault(connection, fault)) {
            applyTimedFault(connection, fault, at);
            received = true;
        }
    }
    if (!received) {
        waitingFaults_.push_back(fault);
        journalWorld(at, 0,
                     fmt::format("fault {} waits for a connection{}", gf_faultKindName(fault.kind),
                                 fault.client.empty() ? std::string()
                                                      : fmt::format(" of \"{}\"", fault.client)));
    }
}

void World::applyTimedFault(Connection& connection, const FaultSetup& fault, double at) {
    switch (fault.kind) {
    case FaultKind::brokenPipe:
        connection.broken = true;
        connection.brokenResult = gf_faultResult(fault);
        journalWorld(at, connection.number, "fault brokenPipe: every call fails from now on");
        dropWaiting(connection, at, "pipe broken");
        break;
    case FaultKind::exception:
        queue(connection,
              gf_exceptionMessage(fault.exception, fault.sendId, fault.index, "fault exception"),
              at);
        break;
    case FaultKind::unknownMessage:
        queue(connection, gf_rawMessage(fault.messageId, fault.bytes), at);
        break;
    default:
        break;
    }
}

void World::deliverWaitingFaults(Connection& connection, double at) {
    for (auto it = waitingFaults_.begin(); it != waitingFaults_.end() && !connection.broken;) {
        if (!receivesFault(connection, *it)) {
            ++it;
            continue;
        }
        journalWorld(at, connection.number,
                     fmt::format("fault {} of {:.3f} s reaches the first connection since",
                                 gf_faultKindName(it->kind), it->atSeconds.value_or(0)));
        applyTimedFault(connection, *it, at);
        it = waitingFaults_.erase(it);
    }
}

void World::answerOrWait(Connection& connection, const DataRequest& request, double at) {
    if (flightRunning_) {
        answer(connection, request, at);
    } else {
        connection.waitingRequests.push_back(request);
    }
}

void World::answer(Connection& connection, const DataRequest& request, double at) {
    if (connection.broken || connection.simulatorGone) {
        return;
    }
    const auto definition = connection.definitions.find(request.defineId);
    if (definition == connection.definitions.end()) {
        return;
    }
    const DWORD items = static_cast<DWORD>(definition->second.size());
    if (!request.byType) {
        const std::optional<ObjectState> state = objectAt(request.objectId, at);
        if (!state) {
            return;
        }
        const EncodedData data =
            gf_encodeData(definition->second, VariableContext{*state, zuluAt(at)});
        queue(connection,
              gf_objectDataMessage(false, request.requestId, state->objectId, request.defineId, 1,
                                   1, items, data),
              at);
        return;
    }
    const ObjectState user = *objectAt(SIMCONNECT_OBJECT_ID_USER, at);
    std::vector<ObjectState> found;
    const auto wanted = [&](const ObjectState& object) {
        switch (request.type) {
        case SIMCONNECT_SIMOBJECT_TYPE_ALL:
            return true;
        case SIMCONNECT_SIMOBJECT_TYPE_USER:
            return false;
        default:
            return static_cast<DWORD>(object.kind) == static_cast<DWORD>(request.type);
        }
    };
    if (request.type == SIMCONNECT_SIMOBJECT_TYPE_USER ||
        request.type == SIMCONNECT_SIMOBJECT_TYPE_ALL ||
        request.type == SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT) {
        found.push_back(user);
    }
    for (const auto& [id, object] : objects_) {
        if (wanted(object) && gf_earthDistanceNm(user.latitudeDeg, user.longitudeDeg,
                                                 object.latitudeDeg, object.longitudeDeg) *
                                      kMetresPerNm <=
                                  request.radiusMeters) {
            found.push_back(object);
        }
    }
    DWORD entry = 0;
    for (const ObjectState& object : found) {
        const EncodedData data =
            gf_encodeData(definition->second, VariableContext{object, zuluAt(at)});
        queue(connection,
              gf_objectDataMessage(true, request.requestId, object.objectId, request.defineId,
                                   ++entry, static_cast<DWORD>(found.size()), items, data),
              at);
    }
}

} // namespace skyloom::simworld

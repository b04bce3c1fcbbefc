// The world's answers to system-event subscriptions, data definitions, data requests, data
// writes, client events and notification groups.
#include <fmt/format.h>

#include "platform/simworld/event_catalogue.h"
#include "platform/simworld/world.h"

namespace skyloom::simworld {

namespace {

std::string lf_quoted(const char* text) {
    return text == nullptr ? std::string("null") : fmt::format("\"{}\"", text);
}

std::string_view lf_periodName(SIMCONNECT_PERIOD period) {
    switch (period) {
    case SIMCONNECT_PERIOD_NEVER:
        return "NEVER";
    case SIMCONNECT_PERIOD_ONCE:
        return "ONCE";
    case SIMCONNECT_PERIOD_VISUAL_FRAME:
        return "VISUAL_FRAME";
    case SIMCONNECT_PERIOD_SIM_FRAME:
        return "SIM_FRAME";
    case SIMCONNECT_PERIOD_SECOND:
        return "SECOND";
    }
    return "?";
}

void lf_forgetRequest(Connection& connection, DWORD requestId) {
    connection.periodicRequests.erase(requestId);
    std::erase_if(connection.waitingRequests,
                  [&](const DataRequest& r) { return r.requestId == requestId; });
}

} // namespace

HRESULT World::subscribeToSystemEvent(std::uint32_t connection, DWORD eventId, const char* name) {
    std::lock_guard lock(mutex_);
    Call call = beginCall(connection, "SimConnect_SubscribeToSystemEvent");
    const std::string args = fmt::format("{}, {}", eventId, lf_quoted(name));
    if (!call.proceed()) {
        return finishCall(call, args, call.failure);
    }
    const std::optional<std::string_view> known =
        name == nullptr || faults_.isUnknownName(name) ? std::nullopt : gf_systemEventName(name);
    if (!known) {
        refuse(call, SIMCONNECT_EXCEPTION_NAME_UNRECOGNIZED, 3, "unknown system event");
        return finishCall(call, args, S_OK);
    }
    call.connection->systemEvents[eventId] = std::string(*known);
    if (*known == kSystemEventSim) {
        queue(*call.connection, gf_eventMessage(eventId, flightRunning_ ? 1 : 0, kSystemEventSim),
              call.now);
    }
    return finishCall(call, args, S_OK);
}

HRESULT World::addToDataDefinition(std::uint32_t connection, DWORD defineId, const char* datumName,
                                   const char* unitsName, SIMCONNECT_DATATYPE type, float epsilon,
                                   DWORD datumId) {
    std::lock_guard lock(mutex_);
    Call call = beginCall(connection, "SimConnect_AddToDataDefinition");
    const std::string args =
        fmt::format("{}, {}, {}, {}, {:g}, {}", defineId, lf_quoted(datumName),
                    lf_quoted(unitsName), gf_dataTypeName(type), epsilon,
                    datumId == SIMCONNECT_UNUSED ? std::string("unused") : std::to_string(datumId));
    if (!call.proceed()) {
        return finishCall(call, args, call.failure);
    }
    auto checked = gf_makeDefinitionItem(datumName, unitsName, type, [this](std::string_view name) {
        return faults_.isUnknownName(name);
    });
    if (const auto* error = std::get_if<DefinitionError>(&checked)) {
        refuse(call, error->exception, error->index, error->reason);
        return finishCall(call, args, S_OK);
    }
    call.connection->definitions[defineId].push_back(std::get<DefinitionItem>(std::move(checked)));
    return finishCall(call, args, S_OK);
}

HRESULT World::requestDataOnSimObject(std::uint32_t connection, DWORD requestId, DWORD defineId,
                                      DWORD objectId, SIMCONNECT_PERIOD period, DWORD flags,
                                      DWORD origin, DWORD interval, DWORD limit) {
    std::lock_guard lock(mutex_);
    Call call = beginCall(connection, "SimConnect_RequestDataOnSimObject");
    const std::string args =
        fmt::format("{}, {}, {}, {}, {}, {}, {}, {}", requestId, defineId, objectId,
                    lf_periodName(period), flags, origin, interval, limit);
    if (!call.proceed()) {
        return finishCall(call, args, call.failure);
    }
    Connection& c = *call.connection;
    if (!c.definitions.contains(defineId)) {
        refuse(call, SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 3, "unknown definition");
    } else if (!isUser(objectId) && !objects_.contains(objectId)) {
        refuse(call, SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 4, "unknown object");
    } else if (period > SIMCONNECT_PERIOD_SECOND) {
        refuse(call, SIMCONNECT_EXCEPTION_INVALID_ENUM, 5, "unknown period");
    } else if (flags != 0 || origin != 0 || interval != 0 || limit != 0) {
        refuse(call, SIMCONNECT_EXCEPTION_ERROR, 6,
               "flags, origin, interval and limit are not modelled");
    } else {
        lf_forgetRequest(c, requestId);
        DataRequest request{requestId, defineId, objectId, period};
        switch (period) {
        case SIMCONNECT_PERIOD_NEVER:
            break;
        case SIMCONNECT_PERIOD_ONCE:
            answerOrWait(c, request, call.now);
            break;
        case SIMCONNECT_PERIOD_SECOND:
            if (flightRunning_) {
                answer(c, request, call.now);
            }
            request.nextDueSeconds = call.now + 1.0;
            c.periodicRequests[requestId] = request;
            break;
        default:
            c.periodicRequests[requestId] = request;
            break;
        }
    }
    return finishCall(call, args, S_OK);
}

HRESULT World::requestDataOnSimObjectType(std::uint32_t connection, DWORD requestId, DWORD defineId,
                                          DWORD radiusMeters, SIMCONNECT_SIMOBJECT_TYPE type) {
    std::lock_guard lock(mutex_);
    Call call = beginCall(connection, "SimConnect_RequestDataOnSimObjectType");
    const std::string args =
        fmt::format("{}, {}, {}, {}", requestId, defineId, radiusMeters, static_cast<DWORD>(type));
    if (!call.proceed()) {
        return finishCall(call, args, call.failure);
    }
    Connection& c = *call.connection;
    std::string note;
    if (!c.definitions.contains(defineId)) {
        refuse(call, SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 3, "unknown definition");
    } else if (type > SIMCONNECT_SIMOBJECT_TYPE_GROUND) {
        refuse(call, SIMCONNECT_EXCEPTION_INVALID_ENUM, 5, "unknown object type");
    } else {
        DataRequest request{requestId, defineId, 0, SIMCONNECT_PERIOD_ONCE};
        request.byType = true;
        request.type = type;
        request.radiusMeters = std::min<double>(radiusMeters, kMaxRequestRadiusMeters);
        if (radiusMeters > kMaxRequestRadiusMeters) {
            note = fmt::format("radius cut to {:.0f} m", kMaxRequestRadiusMeters);
        }
        answerOrWait(c, request, call.now);
    }
    return finishCall(call, args, S_OK, note);
}

HRESULT World::setDataOnSimObject(std::uint32_t connection, DWORD defineId, DWORD objectId,
                                  DWORD flags, DWORD arrayCount, DWORD unitSize, const void* data) {
    std::lock_guard lock(mutex_);
    Call call = beginCall(connection, "SimConnect_SetDataOnSimObject");
    std::string args = journal_.keeps() ? fmt::format("{}, {}, {}, {}, {}", defineId, objectId,
                                                      flags, arrayCount, unitSize)
                                        : std::string();
    if (!call.proceed()) {
        return finishCall(call, args, call.failure);
    }
    if (data == nullptr) {
        return finishCall(call, args + ", null", E_POINTER);
    }
    Connection& c = *call.connection;
    const auto definition = c.definitions.find(defineId);
    if (definition == c.definitions.end()) {
        refuse(call, SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 2, "unknown definition");
        return finishCall(call, args, S_OK);
    }
    if (arrayCount > 1) {
        refuse(call, SIMCONNECT_EXCEPTION_ERROR, 5, "arrays are not modelled");
        return finishCall(call, args, S_OK);
    }
    ObjectState scratch;
    ObjectState* target = &scratch;
    std::string note;
    if (isUser(objectId)) {
        note = "ignored: the user aircraft follows its track";
    } else if (const auto it = objects_.find(objectId); it != objects_.end()) {
        target = &it->second;
    } else {
        refuse(call, SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 3, "unknown object");
        return finishCall(call, args, S_OK);
    }
    std::string values;
    if (const auto error = gf_applyData(definition->second, static_cast<const std::byte*>(data),
                                        unitSize, *target, journal_.keeps() ? &values : nullptr)) {
        refuse(call, error->exception, error->index, error->reason);
        return finishCall(call, args, S_OK);
    }
    onObjectWritten(objectId, *target, call.now);
    return finishCall(call, journal_.keeps() ? args + ", [" + values + "]" : args, S_OK, note);
}

HRESULT World::mapClientEventToSimEvent(std::uint32_t connection, DWORD eventId, const char* name) {
    std::lock_guard lock(mutex_);
    Call call = beginCall(connection, "SimConnect_MapClientEventToSimEvent");
    const std::string args = fmt::format("{}, {}", eventId, lf_quoted(name));
    if (!call.proceed()) {
        return finishCall(call, args, call.failure);
    }
    const std::optional<std::string> known =
        name == nullptr || faults_.isUnknownName(name) ? std::nullopt : gf_simEventName(name);
    if (!known) {
        refuse(call, SIMCONNECT_EXCEPTION_NAME_UNRECOGNIZED, 3, "unknown simulator event");
    } else if (!call.connection->clientEvents.emplace(eventId, *known).second) {
        refuse(call, SIMCONNECT_EXCEPTION_EVENT_ID_DUPLICATE, 2, "client event id mapped already");
    }
    return finishCall(call, args, S_OK);
}

HRESULT World::addClientEventToNotificationGroup(std::uint32_t connection, DWORD groupId,
                                                 DWORD eventId, BOOL maskable) {
    std::lock_guard lock(mutex_);
    Call call = beginCall(connection, "SimConnect_AddClientEventToNotificationGroup");
    const std::string args =
        fmt::format("{}, {}, {}", groupId, eventId, maskable != FALSE ? "TRUE" : "FALSE");
    if (!call.proceed()) {
        return finishCall(call, args, call.failure);
    }
    if (!call.connection->clientEvents.contains(eventId)) {
        refuse(call, SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 3, "client event not mapped");
        return finishCall(call, args, S_OK);
    }
    NotificationGroup& group = call.connection->groups[groupId];
    group.events.push_back(eventId);
    group.maskable.push_back(maskable != FALSE);
    return finishCall(call, args, S_OK);
}

HRESULT World::setNotificationGroupPriority(std::uint32_t connection, DWORD groupId,
                                            DWORD priority) {
    std::lock_guard lock(mutex_);
    Call call = beginCall(connection, "SimConnect_SetNotificationGroupPriority");
    const std::string args = fmt::format("{}, {}", groupId, priority);
    if (!call.proceed()) {
        return finishCall(call, args, call.failure);
    }
    const auto group = call.connection->groups.find(groupId);
    if (group == call.connection->groups.end()) {
        refuse(call, SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 2, "unknown notification group");
    } else {
        group->second.priority = priority;
    }
    return finishCall(call, args, S_OK);
}

HRESULT World::transmitClientEvent(std::uint32_t connection, DWORD objectId, DWORD eventId,
                                   DWORD data, DWORD groupId, DWORD flags) {
    std::lock_guard lock(mutex_);
    Call call = beginCall(connection, "SimConnect_TransmitClientEvent");
    const std::string args =
        fmt::format("{}, {}, {}, {}, {}", objectId, eventId, data, groupId, flags);
    if (!call.proceed()) {
        return finishCall(call, args, call.failure);
    }
    const auto event = call.connection->clientEvents.find(eventId);
    if (event == call.connection->clientEvents.end()) {
        refuse(call, SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 3, "client event not mapped");
        return finishCall(call, args, S_OK);
    }
    if (isUser(objectId)) {
        userEventValues_[event->second] = data;
    } else if (const auto it = objects_.find(objectId); it != objects_.end()) {
        it->second.lastEventValues[event->second] = data;
    } else {
        refuse(call, SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 2, "unknown object");
        return finishCall(call, args, S_OK);
    }
    onClientEvent(objectId, event->second, data, call.now);
    return finishCall(call, args, S_OK, event->second);
}

} // namespace skyloom::simworld

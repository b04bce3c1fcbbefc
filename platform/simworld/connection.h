// One client connection to the world, as the world keeps it: the client's name, its packet
// counter, its system-event subscriptions, data and facility definitions, mapped client
// events and notification groups, its standing data requests and the queue of messages
// waiting for its next dispatch. Each connection has all of these on its own.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/simconnect/simconnect_enums.h"
#include "platform/simworld/data_definition.h"
#include "platform/simworld/messages.h"

namespace skyloom::simworld {

struct DataRequest {
    DWORD requestId = 0;
    DWORD defineId = 0;
    DWORD objectId = 0;
    SIMCONNECT_PERIOD period = SIMCONNECT_PERIOD_ONCE;
    bool byType = false;
    double radiusMeters = 0;
    SIMCONNECT_SIMOBJECT_TYPE type = SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT;
    double nextDueSeconds = 0; // SIMCONNECT_PERIOD_SECOND
};

struct NotificationGroup {
    std::vector<DWORD> events;
    std::vector<bool> maskable;
    std::optional<DWORD> priority;
};

struct Connection {
    std::uint32_t number = 0;
    std::string clientName;
    DWORD lastPacketId = 0;

    std::map<DWORD, std::string> systemEvents; // client event id -> system event name
    std::map<DWORD, DataDefinition> definitions;
    std::map<DWORD, std::string> clientEvents; // client event id -> simulator event name
    std::map<DWORD, NotificationGroup> groups;
    std::map<DWORD, std::vector<std::string>> facilityDefinitions;
    DWORD nextFacilityUniqueId = 1; // the unique id of the next facility record sent

    std::map<DWORD, DataRequest> periodicRequests; // by request id
    std::vector<DataRequest> waitingRequests;      // made while no flight ran

    std::deque<QueuedMessage> queue; // by due time; at one time in the order made
    std::size_t queuedFrames = 0;
    std::uint64_t missedFrames = 0;

    bool broken = false; // every call fails with brokenResult
    HRESULT brokenResult = S_OK;
    bool simulatorGone = false; // after QUIT: dispatch drains the queue, then fails

    // The client ids under which the connection subscribed the system event.
    std::vector<DWORD> subscribers(std::string_view systemEvent) const {
        std::vector<DWORD> ids;
        for (const auto& [id, name] : systemEvents) {
            if (name == systemEvent) {
                ids.push_back(id);
            }
        }
        return ids;
    }
};

} // namespace skyloom::simworld

// The messages the world sends: each is built as the bytes the client reads (a record of
// platform/simconnect/simconnect_recv.h, with its payload), its kind name and a text for the
// journal. The buffer always holds at least the whole record, so that a cut message can be
// read without reading beyond the buffer; `size` is what the client is told.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/simconnect/simconnect_recv.h"
#include "platform/simworld/data_definition.h"

namespace skyloom::simworld {

inline constexpr DWORD kMessageVersion = 4;

struct QueuedMessage {
    double dueSeconds = 0;
    std::string kind;
    std::string text;
    std::vector<std::byte> bytes;
    std::size_t size = 0;
    bool frame = false;
};

QueuedMessage gf_openMessage(std::string_view applicationName,
                             const std::array<std::uint32_t, 4>& applicationVersion,
                             const std::array<std::uint32_t, 4>& simConnectVersion);
QueuedMessage gf_quitMessage();
QueuedMessage gf_exceptionMessage(DWORD exception, DWORD sendId, DWORD index,
                                  std::string_view reason);
QueuedMessage gf_eventMessage(DWORD eventId, DWORD data, std::string_view systemEventName);
QueuedMessage gf_objectAddRemoveMessage(DWORD eventId, std::string_view systemEventName,
                                        DWORD objectId, SIMCONNECT_SIMOBJECT_TYPE type);
QueuedMessage gf_filenameMessage(DWORD eventId, std::string_view systemEventName,
                                 std::string_view fileName);
QueuedMessage gf_frameMessage(DWORD eventId, float frameRate, float simSpeed);
QueuedMessage gf_objectDataMessage(bool byType, DWORD requestId, DWORD objectId, DWORD defineId,
                                   DWORD entry, DWORD outOf, DWORD itemCount,
                                   const EncodedData& data);
QueuedMessage gf_assignedObjectIdMessage(DWORD requestId, DWORD objectId);
QueuedMessage gf_facilityDataEndMessage(DWORD requestId);
// A message of an id the client does not know, `bytes` long (at least a header).
QueuedMessage gf_rawMessage(DWORD id, DWORD bytes);

// Cuts what the client is told to `bytes` (never more than the message holds).
void gf_truncateMessage(QueuedMessage& message, std::size_t bytes);

std::string_view gf_messageKindName(DWORD id);
std::string_view gf_exceptionName(DWORD exception);

} // namespace skyloom::simworld

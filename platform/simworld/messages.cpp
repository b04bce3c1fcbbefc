#include "platform/simworld/messages.h"

#include <algorithm>
#include <cstring>

#include <fmt/format.h>

namespace skyloom::simworld {

namespace {

template <typename Record>
QueuedMessage lf_message(Record record, DWORD id, std::string text,
                         const std::vector<std::byte>& payload = {},
                         std::size_t payloadOffset = sizeof(Record)) {
    const std::size_t size = payload.empty() ? sizeof(Record) : payloadOffset + payload.size();
    record.size = static_cast<DWORD>(size);
    record.version = kMessageVersion;
    record.dwID = id;
    QueuedMessage message;
    message.kind = std::string(gf_messageKindName(id));
    message.text = message.kind + (text.empty() ? "" : " " + text);
    message.bytes.assign(std::max(size, sizeof(Record)), std::byte{0});
    std::memcpy(message.bytes.data(), &record, sizeof(Record));
    if (!payload.empty()) {
        std::memcpy(message.bytes.data() + payloadOffset, payload.data(), payload.size());
    }
    message.size = size;
    return message;
}

template <std::size_t N> void lf_copyText(char (&field)[N], std::string_view text) {
    const std::size_t n = std::min(text.size(), N - 1);
    std::memcpy(field, text.data(), n);
    field[n] = '\0';
}

} // namespace

QueuedMessage gf_openMessage(std::string_view applicationName,
                             const std::array<std::uint32_t, 4>& applicationVersion,
                             const std::array<std::uint32_t, 4>& simConnectVersion) {
    SIMCONNECT_RECV_OPEN r{};
    lf_copyText(r.szApplicationName, applicationName);
    r.dwApplicationVersionMajor = applicationVersion[0];
    r.dwApplicationVersionMinor = applicationVersion[1];
    r.dwApplicationBuildMajor = applicationVersion[2];
    r.dwApplicationBuildMinor = applicationVersion[3];
    for (std::size_t i = 0; i < simConnectVersion.size(); ++i) {
        r.libraryVersion[i] = simConnectVersion[i];
    }
    return lf_message(r, SIMCONNECT_RECV_ID_OPEN,
                      fmt::format("\"{}\" {} SimConnect {}", applicationName,
                                  fmt::join(applicationVersion, "."),
                                  fmt::join(simConnectVersion, ".")));
}

QueuedMessage gf_quitMessage() {
    return lf_message(SIMCONNECT_RECV_QUIT{}, SIMCONNECT_RECV_ID_QUIT, "");
}

QueuedMessage gf_exceptionMessage(DWORD exception, DWORD sendId, DWORD index,
                                  std::string_view reason) {
    SIMCONNECT_RECV_EXCEPTION r{};
    r.dwException = exception;
    r.dwSendID = sendId;
    r.dwIndex = index;
    return lf_message(r, SIMCONNECT_RECV_ID_EXCEPTION,
                      fmt::format("{} {} send={} index={}{}", exception,
                                  gf_exceptionName(exception), sendId, index,
                                  reason.empty() ? "" : fmt::format(" ({})", reason)));
}

QueuedMessage gf_eventMessage(DWORD eventId, DWORD data, std::string_view systemEventName) {
    SIMCONNECT_RECV_EVENT r{};
    r.groupId = SIMCONNECT_UNUSED;
    r.uEventID = eventId;
    r.dwData = data;
    return lf_message(r, SIMCONNECT_RECV_ID_EVENT,
                      fmt::format("{} id={} data={}", systemEventName, eventId, data));
}

QueuedMessage gf_objectAddRemoveMessage(DWORD eventId, std::string_view systemEventName,
                                        DWORD objectId, SIMCONNECT_SIMOBJECT_TYPE type) {
    SIMCONNECT_RECV_EVENT_OBJECT_ADDREMOVE r{};
    r.groupId = SIMCONNECT_UNUSED;
    r.uEventID = eventId;
    r.dwData = objectId;
    r.eObjType = type;
    return lf_message(r, SIMCONNECT_RECV_ID_EVENT_OBJECT_ADDREMOVE,
                      fmt::format("{} id={} object={} type={}", systemEventName, eventId, objectId,
                                  static_cast<DWORD>(type)));
}

QueuedMessage gf_filenameMessage(DWORD eventId, std::string_view systemEventName,
                                 std::string_view fileName) {
    SIMCONNECT_RECV_EVENT_FILENAME r{};
    r.groupId = SIMCONNECT_UNUSED;
    r.uEventID = eventId;
    lf_copyText(r.fileName, fileName);
    return lf_message(r, SIMCONNECT_RECV_ID_EVENT_FILENAME,
                      fmt::format("{} id={} file=\"{}\"", systemEventName, eventId, fileName));
}

QueuedMessage gf_frameMessage(DWORD eventId, float frameRate, float simSpeed) {
    SIMCONNECT_RECV_EVENT_FRAME r{};
    r.groupId = SIMCONNECT_UNUSED;
    r.uEventID = eventId;
    r.framesPerSecond = frameRate;
    r.simulationRate = simSpeed;
    QueuedMessage m =
        lf_message(r, SIMCONNECT_RECV_ID_EVENT_FRAME,
                   fmt::format("id={} rate={:g} speed={:g}", eventId, frameRate, simSpeed));
    m.frame = true;
    return m;
}

QueuedMessage gf_objectDataMessage(bool byType, DWORD requestId, DWORD objectId, DWORD defineId,
                                   DWORD entry, DWORD outOf, DWORD itemCount,
                                   const EncodedData& data) {
    SIMCONNECT_RECV_SIMOBJECT_DATA r{};
    r.dwRequestID = requestId;
    r.dwObjectID = objectId;
    r.defineId = defineId;
    r.entry = entry;
    r.entryCount = outOf;
    r.itemCount = itemCount;
    const DWORD id =
        byType ? SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE : SIMCONNECT_RECV_ID_SIMOBJECT_DATA;
    std::string text = fmt::format("request={} object={} define={}", requestId, objectId, defineId);
    if (byType) {
        text += fmt::format(" entry={}/{}", entry, outOf);
    }
    text += fmt::format(" [{}]", data.text);
    QueuedMessage m =
        lf_message(r, id, std::move(text), data.bytes, SIMCONNECT_RECV_SIMOBJECT_DATA_HEADER_SIZE);
    if (data.bytes.empty()) {
        m.size = SIMCONNECT_RECV_SIMOBJECT_DATA_HEADER_SIZE;
        const DWORD size = static_cast<DWORD>(m.size);
        std::memcpy(m.bytes.data(), &size, sizeof size);
    }
    return m;
}

QueuedMessage gf_assignedObjectIdMessage(DWORD requestId, DWORD objectId) {
    SIMCONNECT_RECV_ASSIGNED_OBJECT_ID r{};
    r.dwRequestID = requestId;
    r.dwObjectID = objectId;
    return lf_message(r, SIMCONNECT_RECV_ID_ASSIGNED_OBJECT_ID,
                      fmt::format("request={} object={}", requestId, objectId));
}

QueuedMessage gf_facilityDataEndMessage(DWORD requestId) {
    SIMCONNECT_RECV_FACILITY_DATA_END r{};
    r.requestId = requestId;
    return lf_message(r, SIMCONNECT_RECV_ID_FACILITY_DATA_END,
                      fmt::format("request={}", requestId));
}

QueuedMessage gf_rawMessage(DWORD id, DWORD bytes) {
    QueuedMessage m = lf_message(SIMCONNECT_RECV{}, id, "");
    const std::size_t size = std::max<std::size_t>(bytes, sizeof(SIMCONNECT_RECV));
    m.bytes.resize(size, std::byte{0});
    m.size = size;
    const DWORD size32 = static_cast<DWORD>(size);
    std::memcpy(m.bytes.data(), &size32, sizeof size32);
    m.text = fmt::format("{} id={} bytes={}", m.kind, id, size);
    return m;
}

void gf_truncateMessage(QueuedMessage& message, std::size_t bytes) {
    const std::size_t cut = std::min(bytes, message.size);
    message.text += fmt::format(" (cut from {} to {} bytes)", message.size, cut);
    message.size = cut;
    if (cut >= sizeof(DWORD)) {
        const DWORD size32 = static_cast<DWORD>(cut);
        std::memcpy(message.bytes.data(), &size32, sizeof size32);
    }
}

std::string_view gf_messageKindName(DWORD id) {
    switch (id) {
    case SIMCONNECT_RECV_ID_EXCEPTION:
        return "EXCEPTION";
    case SIMCONNECT_RECV_ID_OPEN:
        return "OPEN";
    case SIMCONNECT_RECV_ID_QUIT:
        return "QUIT";
    case SIMCONNECT_RECV_ID_EVENT:
        return "EVENT";
    case SIMCONNECT_RECV_ID_EVENT_OBJECT_ADDREMOVE:
        return "EVENT_OBJECT_ADDREMOVE";
    case SIMCONNECT_RECV_ID_EVENT_FILENAME:
        return "EVENT_FILENAME";
    case SIMCONNECT_RECV_ID_EVENT_FRAME:
        return "EVENT_FRAME";
    case SIMCONNECT_RECV_ID_SIMOBJECT_DATA:
        return "SIMOBJECT_DATA";
    case SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE:
        return "SIMOBJECT_DATA_BYTYPE";
    case SIMCONNECT_RECV_ID_ASSIGNED_OBJECT_ID:
        return "ASSIGNED_OBJECT_ID";
    case SIMCONNECT_RECV_ID_CLIENT_DATA:
        return "CLIENT_DATA";
    case SIMCONNECT_RECV_ID_EVENT_EX1:
        return "EVENT_EX1";
    case SIMCONNECT_RECV_ID_FACILITY_DATA:
        return "FACILITY_DATA";
    case SIMCONNECT_RECV_ID_FACILITY_DATA_END:
        return "FACILITY_DATA_END";
    default:
        return "UNKNOWN";
    }
}

std::string_view gf_exceptionName(DWORD exception) {
    switch (exception) {
    case SIMCONNECT_EXCEPTION_ERROR:
        return "ERROR";
    case SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID:
        return "UNRECOGNIZED_ID";
    case SIMCONNECT_EXCEPTION_VERSION_MISMATCH:
        return "VERSION_MISMATCH";
    case SIMCONNECT_EXCEPTION_NAME_UNRECOGNIZED:
        return "NAME_UNRECOGNIZED";
    case SIMCONNECT_EXCEPTION_EVENT_ID_DUPLICATE:
        return "EVENT_ID_DUPLICATE";
    case SIMCONNECT_EXCEPTION_TOO_MANY_OBJECTS:
        return "TOO_MANY_OBJECTS";
    case SIMCONNECT_EXCEPTION_INVALID_DATA_TYPE:
        return "INVALID_DATA_TYPE";
    case SIMCONNECT_EXCEPTION_INVALID_DATA_SIZE:
        return "INVALID_DATA_SIZE";
    case SIMCONNECT_EXCEPTION_DATA_ERROR:
        return "DATA_ERROR";
    case SIMCONNECT_EXCEPTION_CREATE_OBJECT_FAILED:
        return "CREATE_OBJECT_FAILED";
    case SIMCONNECT_EXCEPTION_LOAD_FLIGHTPLAN_FAILED:
        return "LOAD_FLIGHTPLAN_FAILED";
    case SIMCONNECT_EXCEPTION_OPERATION_INVALID_FOR_OBJECT_TYPE:
        return "OPERATION_INVALID_FOR_OBJECT_TYPE";
    case SIMCONNECT_EXCEPTION_INVALID_ENUM:
        return "INVALID_ENUM";
    default:
        return "EXCEPTION"; // a code the world never sends by itself
    }
}

} // namespace skyloom::simworld

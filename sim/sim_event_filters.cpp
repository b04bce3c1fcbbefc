#include "sim/sim_event_filters.h"

#include <cstring>
#include <string_view>

namespace skyloom {
namespace {

constexpr std::size_t kAtcIdChars = 32;

template <typename T> T lf_dataAt(const SIMCONNECT_RECV_SIMOBJECT_DATA& message, std::size_t at) {
    T value;
    std::memcpy(&value,
                reinterpret_cast<const std::byte*>(&message) +
                    SIMCONNECT_RECV_SIMOBJECT_DATA_HEADER_SIZE + at,
                sizeof(T));
    return value;
}

// The text up to its first NUL within its field.
std::string_view lf_fieldText(const SIMCONNECT_RECV_SIMOBJECT_DATA& message, std::size_t at,
                              std::size_t capacity) {
    const char* begin =
        reinterpret_cast<const char*>(&message) + SIMCONNECT_RECV_SIMOBJECT_DATA_HEADER_SIZE + at;
    const void* nul = std::memchr(begin, 0, capacity);
    return {begin, nul != nullptr ? static_cast<const char*>(nul) - begin : capacity};
}

} // namespace

std::optional<SimEvent> gf_aiPositionReportEvent(const SIMCONNECT_RECV_SIMOBJECT_DATA& message,
                                                 std::size_t size, std::uint32_t userObjectId) {
    if (size < kAiPositionReportBytes || message.dwObjectID == userObjectId) {
        return std::nullopt;
    }
    const auto aboveGround = lf_dataAt<double>(message, 0);
    const auto groundAltitude = lf_dataAt<double>(message, 8);
    const auto onGround = lf_dataAt<std::int64_t>(message, 16);
    const std::string_view atcId = lf_fieldText(message, 24, kAtcIdChars);
    if (atcId.empty() || atcId.back() == '*' || aboveGround > kAiPositionReportMaxAglFeet) {
        return std::nullopt;
    }
    SimEvent event;
    event.objectId = message.dwObjectID;
    event.value1 = static_cast<std::uint32_t>(static_cast<std::uint64_t>(onGround));
    event.kind = SimEventKind::aiPositionReport;
    event.x = groundAltitude;
    event.y = aboveGround;
    return event;
}

std::optional<SimEvent> gf_staticCgAndPitchEvent(const SIMCONNECT_RECV_SIMOBJECT_DATA& message,
                                                 std::size_t size) {
    if (size < kStaticCgAndPitchBytes) {
        return std::nullopt;
    }
    SimEvent event;
    event.objectId = message.dwObjectID;
    event.kind = SimEventKind::staticCgAndPitch;
    event.x = lf_dataAt<double>(message, 0);
    event.y = lf_dataAt<double>(message, 8);
    return event;
}

} // namespace skyloom

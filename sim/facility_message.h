// Reading the messages of the facility connection safely: every record is checked against the
// size the simulator says the message has before a field is read, and fields are copied out of
// the bytes (the records are packed). The facility readers build on it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "platform/simconnect/simconnect.h"

namespace skyloom {

// The bytes of one message as the dispatch callback received it.
class FacilityMessage {
public:
    FacilityMessage(const SIMCONNECT_RECV* message, DWORD size)
        : bytes_(reinterpret_cast<const std::byte*>(message)),
          size_(message != nullptr ? size : 0) {}

    std::size_t size() const noexcept { return size_; }
    bool holds(std::size_t bytes) const noexcept { return size_ >= bytes; }
    // The message id; none when even the common header is missing.
    std::optional<DWORD> id() const noexcept {
        return holds(sizeof(SIMCONNECT_RECV)) ? std::optional<DWORD>(at<DWORD>(8)) : std::nullopt;
    }

    // The value at a byte offset; the caller has checked `holds(offset + sizeof(T))`.
    template <typename T> T at(std::size_t offset) const noexcept {
        T value;
        std::memcpy(&value, bytes_ + offset, sizeof(T));
        return value;
    }
    // The text of a fixed character field, up to its first NUL.
    std::string text(std::size_t offset, std::size_t capacity) const {
        std::string out;
        for (std::size_t i = 0; i < capacity && offset + i < size_; ++i) {
            const char c = static_cast<char>(bytes_[offset + i]);
            if (c == '\0') {
                break;
            }
            out.push_back(c);
        }
        return out;
    }

private:
    const std::byte* bytes_;
    std::size_t size_;
};

// The header fields of a FACILITY_DATA message, read once it holds them.
struct FacilityDataHeader {
    DWORD userRequestId = 0;
    DWORD uniqueRequestId = 0;
    DWORD parentUniqueRequestId = 0;
    DWORD type = 0;
};

inline constexpr std::size_t kFacilityPayloadOffset = SIMCONNECT_RECV_FACILITY_DATA_HEADER_SIZE;

inline std::optional<FacilityDataHeader> gf_facilityDataHeader(const FacilityMessage& message) {
    if (!message.holds(kFacilityPayloadOffset)) {
        return std::nullopt;
    }
    // The user request id, unique request id, parent unique request id and data type follow
    // the common header.
    return FacilityDataHeader{message.at<DWORD>(12), message.at<DWORD>(16), message.at<DWORD>(20),
                              message.at<DWORD>(24)};
}

// The name of a facility data type for log lines.
inline std::string_view gf_facilityDataTypeName(DWORD type) noexcept {
    switch (type) {
    case SIMCONNECT_FACILITY_DATA_AIRPORT:
        return "airport";
    case SIMCONNECT_FACILITY_DATA_RUNWAY:
        return "runway";
    case SIMCONNECT_FACILITY_DATA_START:
        return "start";
    case SIMCONNECT_FACILITY_DATA_HELIPAD:
        return "helipad";
    case SIMCONNECT_FACILITY_DATA_TAXI_PARKING:
        return "taxi parking";
    case SIMCONNECT_FACILITY_DATA_PAVEMENT:
        return "pavement";
    default:
        return "other";
    }
}

} // namespace skyloom

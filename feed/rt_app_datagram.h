// The UDP datagrams of the RealTraffic App on its traffic port: one record or one marker word
// per datagram, ASCII, comma-separated. gf_splitAppDatagram checks the datagram's shape (text
// only, not too long, a known record type with the right number of fields) and splits it
// without copying; gf_rttfcRecord and gf_rtparkRecord read the values of a record.
//
// Records: "RTTFC" live traffic and "RTBUF=<n>" buffered traffic, both 42 to 44 fields (older
// Apps send 42 or 43; the 44th is the operator), and "RTPARK" parked traffic, 9 fields. A
// marker is a single word such as "RTTFC_EOT", "RTBUF_SEP" or "RTBUF_EOT".
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "feed/rt_records.h"

namespace skyloom {

// A record is a few hundred bytes; anything much longer is not one.
inline constexpr std::size_t kMaxAppDatagramBytes = 2048;
inline constexpr std::size_t kMinRttfcFields = 42;
inline constexpr std::size_t kMaxRttfcFields = 44;
inline constexpr std::size_t kRtparkFields = 9;
inline constexpr std::size_t kMaxMarkerLength = 32;

inline constexpr std::string_view kLiveEndMarker = "RTTFC_EOT";
inline constexpr std::string_view kBufferSeparatorMarker = "RTBUF_SEP";
inline constexpr std::string_view kBufferEndMarker = "RTBUF_EOT";

enum class AppDatagramKind : std::uint8_t { traffic, buffered, parked, marker };

// A split datagram; its views point into the datagram's bytes.
struct AppDatagram {
    AppDatagramKind kind = AppDatagramKind::marker;
    // The <n> of "RTBUF=<n>".
    std::uint32_t bufferIndex = 0;
    // The marker word, for a marker.
    std::string_view marker;
    std::array<std::string_view, kMaxRttfcFields> fields{};
    std::size_t fieldCount = 0;
};

// Splits and checks one datagram; trailing CR, LF and NUL bytes are ignored. Throws
// FeedRecordError for a datagram that is empty, too long, holds a byte that is not printable
// ASCII, has an unknown record type or the wrong number of fields.
AppDatagram gf_splitAppDatagram(std::string_view datagram);

// The values of an RTTFC or RTBUF record. Throws FeedRecordError for a value that is not a
// number where one must be.
RtTrafficRecord gf_rttfcRecord(const AppDatagram& datagram);
// The values of an RTPARK record (its hexid is hexadecimal). Throws FeedRecordError.
RtParkedRecord gf_rtparkRecord(const AppDatagram& datagram);

} // namespace skyloom

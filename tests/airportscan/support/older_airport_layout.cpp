#include "tests/airportscan/support/older_airport_layout.h"

#include <stdexcept>
#include <string>

#include "airportscan/bgl_parser.h"
#include "tests/airportscan/support/bgl_bytes.h"

namespace skyloom::testing {

namespace {

constexpr std::size_t kOlderHeaderBytes = 56;
constexpr std::size_t kHeaderBytes = 68;
constexpr std::size_t kOlderEntryBytes = 36;
constexpr std::size_t kEntryBytes = 56;

ByteImage lf_slice(std::span<const std::byte> bytes, std::size_t at, std::size_t size) {
    const auto part = bytes.subspan(at, size);
    return ByteImage(std::vector<std::byte>(part.begin(), part.end()));
}

ByteImage lf_rewriteParking(const ByteImage& older) {
    ByteImage parking = lf_slice(older.span(), 0, 8);
    parking.u16(0, 0xE7);
    const std::size_t count = older.readU32(4) >> 16;
    std::size_t at = 8;
    for (std::size_t n = 0; n < count; ++n) {
        const std::size_t codes = older.readU32(at) >> 24;
        parking.append(lf_slice(older.span(), at, kOlderEntryBytes));
        parking.resize(parking.size() + (kEntryBytes - kOlderEntryBytes));
        parking.append(lf_slice(older.span(), at + kOlderEntryBytes, 4 * codes));
        at += kOlderEntryBytes + 4 * codes;
    }
    parking.u32(2, static_cast<std::uint32_t>(parking.size()));
    return parking;
}

ByteImage lf_rewriteAirport(std::span<const std::byte> record) {
    ByteImage airport = lf_slice(record, 0, kOlderHeaderBytes);
    airport.u16(0, 0x56).resize(kHeaderBytes);
    std::size_t at = kOlderHeaderBytes;
    while (at + 6 <= record.size()) {
        const ByteImage head = lf_slice(record, at, 8);
        const std::uint16_t id = static_cast<std::uint16_t>(head.readU32(0));
        const std::size_t size = (head.readU32(0) >> 16) | (head.readU32(4) << 16);
        if (size < 6 || at + size > record.size()) {
            throw std::runtime_error("older airport record with a damaged sub-record");
        }
        const ByteImage sub = lf_slice(record, at, size);
        airport.append(id == kOlderParkingRecordId ? lf_rewriteParking(sub) : sub);
        at += size;
    }
    airport.u32(2, static_cast<std::uint32_t>(airport.size()));
    return airport;
}

} // namespace

std::vector<std::byte> rewriteOlderAirports(std::span<const std::byte> older) {
    const BglParseResult parsed = gf_parseBGL(older);
    if (!parsed.ok()) {
        throw std::runtime_error(std::string(parsed.error->message));
    }
    std::vector<ByteImage> airports;
    for (const auto& ref : parsed.records) {
        if (ref.id == kOlderAirportRecordId) {
            airports.push_back(lf_rewriteAirport(older.subspan(ref.offset, ref.size)));
        }
    }
    return bglWithRecords(airports).bytes();
}

} // namespace skyloom::testing

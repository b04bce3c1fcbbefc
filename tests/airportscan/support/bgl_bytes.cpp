#include "tests/airportscan/support/bgl_bytes.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace skyloom::testing {

ByteImage& ByteImage::u8(std::size_t at, std::uint8_t value) {
    if (at >= bytes_.size()) {
        bytes_.resize(at + 1);
    }
    bytes_[at] = std::byte{value};
    return *this;
}

ByteImage& ByteImage::u16(std::size_t at, std::uint16_t value) {
    u8(at, static_cast<std::uint8_t>(value));
    return u8(at + 1, static_cast<std::uint8_t>(value >> 8));
}

ByteImage& ByteImage::u32(std::size_t at, std::uint32_t value) {
    u16(at, static_cast<std::uint16_t>(value));
    return u16(at + 2, static_cast<std::uint16_t>(value >> 16));
}

ByteImage& ByteImage::f32(std::size_t at, float value) {
    return u32(at, std::bit_cast<std::uint32_t>(value));
}

ByteImage& ByteImage::append(const ByteImage& other) {
    bytes_.insert(bytes_.end(), other.bytes_.begin(), other.bytes_.end());
    return *this;
}

ByteImage& ByteImage::resize(std::size_t size) {
    bytes_.resize(size);
    return *this;
}

std::uint32_t ByteImage::readU32(std::size_t at) const {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        value |= std::to_integer<std::uint32_t>(bytes_.at(at + i)) << (8 * i);
    }
    return value;
}

ByteImage bglHeader(std::uint32_t sections) {
    ByteImage file(56);
    file.u32(0, 0x19920201).u32(4, 56).u32(20, sections);
    return file;
}

void putSection(ByteImage& file, std::size_t index, std::uint32_t type, std::uint32_t flags,
                std::uint32_t subsections, std::uint32_t table) {
    const std::size_t at = 56 + 20 * index;
    file.u32(at, type).u32(at + 4, flags).u32(at + 8, subsections).u32(at + 12, table);
    file.u32(at + 16, 0);
}

void putDescriptor(ByteImage& file, std::size_t at, std::uint32_t records, std::uint32_t data,
                   std::uint32_t size) {
    file.u32(at, 0).u32(at + 4, records).u32(at + 8, data).u32(at + 12, size);
}

ByteImage bglWithRecords(const std::vector<ByteImage>& records) {
    ByteImage block;
    for (const auto& record : records) {
        block.append(record);
    }
    ByteImage file = bglHeader(1);
    putSection(file, 0, 3, 1, 1, 76);
    putDescriptor(file, 76, static_cast<std::uint32_t>(records.size()), kSingleBlockOffset,
                  static_cast<std::uint32_t>(block.size()));
    return file.append(block);
}

std::uint32_t packIdent(const std::string& text) {
    std::uint32_t value = 0;
    for (const char c : text) {
        const std::uint32_t digit = c >= 'A' ? 12u + static_cast<std::uint32_t>(c - 'A')
                                             : 2u + static_cast<std::uint32_t>(c - '0');
        value = value * 38 + digit;
    }
    return value << 5;
}

std::uint32_t rawLatitude(double degrees) {
    return static_cast<std::uint32_t>(std::llround((90.0 - degrees) * 536870912.0 / 180.0));
}

std::uint32_t rawLongitude(double degrees) {
    return static_cast<std::uint32_t>(
        std::llround((degrees + 180.0) * (3.0 * 268435456.0) / 360.0));
}

ByteImage helipadRecord(double lat, double lon, float widthMetres) {
    ByteImage record(36);
    record.u16(0, 0x26).u32(2, 36);
    record.u32(12, rawLongitude(lon)).u32(16, rawLatitude(lat)).f32(28, widthMetres);
    return record;
}

ByteImage parkingRecord(const std::vector<ParkingEntry>& entries) {
    ByteImage record(8);
    record.u16(0, 0xE7).u16(6, static_cast<std::uint16_t>(entries.size()));
    for (const auto& entry : entries) {
        const std::size_t at = record.size();
        record.u32(at, (entry.nameCode & 0x3F) | (entry.type & 0xF) << 8 |
                           (entry.number & 0xFFF) << 12 |
                           static_cast<std::uint32_t>(entry.airlines.size()) << 24);
        record.f32(at + 4, entry.radiusMetres).f32(at + 8, entry.headingDegrees);
        record.u32(at + 28, rawLongitude(entry.lon)).u32(at + 32, rawLatitude(entry.lat));
        record.resize(at + 56);
        for (const auto& code : entry.airlines) {
            const std::size_t codeAt = record.size();
            record.resize(codeAt + 4);
            for (std::size_t i = 0; i < code.size() && i < 4; ++i) {
                record.u8(codeAt + i, static_cast<std::uint8_t>(code[i]));
            }
        }
    }
    record.u32(2, static_cast<std::uint32_t>(record.size()));
    return record;
}

ByteImage otherSubRecord(std::uint16_t id, std::uint32_t size) {
    ByteImage record(size);
    record.u16(0, id).u32(2, size);
    return record;
}

ByteImage airportRecord(const std::string& ident, std::int32_t altitudeMillimetres,
                        const std::vector<ByteImage>& subRecords) {
    ByteImage record(68);
    record.u16(0, 0x56);
    record.u32(20, static_cast<std::uint32_t>(altitudeMillimetres)).u32(40, packIdent(ident));
    for (const auto& sub : subRecords) {
        record.append(sub);
    }
    record.u32(2, static_cast<std::uint32_t>(record.size()));
    return record;
}

std::vector<std::uint32_t> toWords(std::span<const std::byte> bytes) {
    std::vector<std::uint32_t> words(bytes.size() / 4);
    for (std::size_t i = 0; i < words.size(); ++i) {
        for (std::size_t b = 0; b < 4; ++b) {
            words[i] |= std::to_integer<std::uint32_t>(bytes[4 * i + b]) << (8 * b);
        }
    }
    return words;
}

void writeBytes(const std::filesystem::path& path, std::span<const std::byte> bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

std::vector<std::byte> readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> chars{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::vector<std::byte> bytes(chars.size());
    std::transform(chars.begin(), chars.end(), bytes.begin(),
                   [](char c) { return static_cast<std::byte>(c); });
    return bytes;
}

} // namespace skyloom::testing

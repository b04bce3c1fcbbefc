// Building BGL files byte by byte for the tests: a little-endian byte image with setters at
// chosen offsets, the file header and section and subsection entries, airport records with
// helipad and parking sub-records in the layout the stand reader reads, and the file image as
// words.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace skyloom::testing {

class ByteImage {
public:
    ByteImage() = default;
    explicit ByteImage(std::size_t size) : bytes_(size) {}
    explicit ByteImage(std::vector<std::byte> bytes) : bytes_(std::move(bytes)) {}

    // Setters grow the image with zero bytes when they write past its end.
    ByteImage& u8(std::size_t at, std::uint8_t value);
    ByteImage& u16(std::size_t at, std::uint16_t value);
    ByteImage& u32(std::size_t at, std::uint32_t value);
    ByteImage& f32(std::size_t at, float value);
    ByteImage& append(const ByteImage& other);
    ByteImage& resize(std::size_t size);

    std::uint32_t readU32(std::size_t at) const;
    std::size_t size() const { return bytes_.size(); }
    std::span<const std::byte> span() const { return bytes_; }
    std::vector<std::byte>& bytes() { return bytes_; }
    const std::vector<std::byte>& bytes() const { return bytes_; }

private:
    std::vector<std::byte> bytes_;
};

// The 56-byte file header with header size 56 and the section count.
ByteImage bglHeader(std::uint32_t sections);
// Section entry `index` (20 bytes from byte 56).
void putSection(ByteImage& file, std::size_t index, std::uint32_t type, std::uint32_t flags,
                std::uint32_t subsections, std::uint32_t table);
// A 16-byte subsection descriptor at `at`.
void putDescriptor(ByteImage& file, std::size_t at, std::uint32_t records, std::uint32_t data,
                   std::uint32_t size);
// A file with one airport section of one subsection whose data block holds the records, back
// to back: header, section entry at 56, descriptor at 76, data block at 92.
ByteImage bglWithRecords(const std::vector<ByteImage>& records);
inline constexpr std::size_t kSingleBlockOffset = 92;

// The packed ident word of a text of letters and digits.
std::uint32_t packIdent(const std::string& text);
std::uint32_t rawLatitude(double degrees);
std::uint32_t rawLongitude(double degrees);

struct ParkingEntry {
    std::uint32_t nameCode = 10; // GATE
    std::uint32_t type = 8;      // GATE_SMALL
    std::uint32_t number = 1;
    float radiusMetres = 20.0f;
    float headingDegrees = 90.0f;
    double lat = 51.47;
    double lon = -0.45;
    std::vector<std::string> airlines{};
};

// Sub-records: a 36-byte helipad (0x26) and a parking record (0xE7) with its entries.
ByteImage helipadRecord(double lat, double lon, float widthMetres);
ByteImage parkingRecord(const std::vector<ParkingEntry>& entries);
// Any other sub-record of the given size (at least 8 bytes).
ByteImage otherSubRecord(std::uint16_t id, std::uint32_t size);
// An airport record (0x56): 68-byte header with the altitude and ident, then the sub-records.
ByteImage airportRecord(const std::string& ident, std::int32_t altitudeMillimetres,
                        const std::vector<ByteImage>& subRecords);

// The file image as the reader holds it: little-endian words, trailing bytes dropped.
std::vector<std::uint32_t> toWords(std::span<const std::byte> bytes);
void writeBytes(const std::filesystem::path& path, std::span<const std::byte> bytes);
std::vector<std::byte> readBytes(const std::filesystem::path& path);

} // namespace skyloom::testing

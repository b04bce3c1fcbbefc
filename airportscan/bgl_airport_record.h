// One airport record (id 0x56) of a BGL file image and what the scan reads from it: the
// altitude, the packed ident, and the helipad and parking sub-records, which become the
// `Stand`s of an `AirportFile`. The record is addressed in 32-bit words as the file image is:
// word W is the record's first word, E the word after its last.
//
// Sub-records follow the 68-byte record header back to back, each starting with a u16 id and
// a u32 size in bytes. Helipads (0x26): longitude at word 3, latitude at word 4, the width in
// metres (a float) at word 7. Parking (0xE7): a u16 entry count at bytes 6-7, then entries of
// 56 bytes plus 4 per airline code: name code (byte 0, bits 0-5), stand type (byte 1, bits
// 0-3), number (12 bits from bit 12), airline-code count (byte 3), radius in metres (float,
// word 1), heading in degrees (float, word 2), longitude (word 7) and latitude (word 8).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "refdata/airport_file.h"

namespace skyloom {

inline constexpr std::uint16_t kBglAirportRecordId = 0x56;
// The airport record of the older layout (FSX and Prepar3D add-ons, which some packages still
// carry): found and named in the scan log, never read.
inline constexpr std::uint16_t kBglOlderAirportRecordId = 0x3C;
inline constexpr std::uint16_t kBglHelipadRecordId = 0x26;
inline constexpr std::uint16_t kBglParkingRecordId = 0xE7;
// Word of the airport record holding the altitude in millimetres (signed).
inline constexpr std::uint64_t kBglAltitudeWord = 5;
// Word of the airport record holding the packed ident.
inline constexpr std::uint64_t kBglIdentWord = 10;
// Word of the airport record where its sub-records start.
inline constexpr std::uint64_t kBglFirstSubRecordWord = 17;

// The words of one record inside a file image: word W + k is the little-endian value at byte
// offset + 4k, so a record that does not start on a word boundary reads right as well. Reading
// a word outside the record throws std::out_of_range "invalid vector subscript".
class BglRecordWords {
public:
    // The record's bytes must lie inside the image (std::out_of_range otherwise).
    BglRecordWords(std::span<const std::byte> image, std::uint64_t byteOffset,
                   std::uint64_t byteSize);

    std::uint64_t first() const noexcept { return first_; }
    std::uint64_t end() const noexcept { return end_; }
    std::uint64_t byteOffset() const noexcept { return byteOffset_; }
    // Whole words in the file image.
    std::uint64_t imageWords() const noexcept { return image_.size() / 4; }
    std::uint32_t at(std::uint64_t word) const;
    float floatAt(std::uint64_t word) const;
    // The same record, read only up to the word `end` (not beyond its own end).
    BglRecordWords endingAt(std::uint64_t end) const noexcept;

private:
    std::span<const std::byte> image_;
    std::uint64_t byteOffset_ = 0;
    std::uint64_t first_ = 0;
    std::uint64_t end_ = 0;
};

// The altitude in feet from the signed millimetres of word W + 5, rounded half away from zero;
// a value below -20 or above 10000 gives 0.
std::int32_t gf_readAirportAltitude(const BglRecordWords& record);

// Walks the sub-records from word W + 17 and appends the airport's stands: every helipad, and
// the entries of the first parking sub-record, which ends the walk. Returns the number of
// helipads read. Per-stand notes go to the scan log, walk faults to Log.txt. The walk ends at
// the record's end, at a sub-record header that is cut off or has size 0, and after 9000 steps.
std::size_t gf_readAirportStands(const BglRecordWords& record, AirportFile& airport,
                                 std::vector<std::string>& scanLog);

} // namespace skyloom

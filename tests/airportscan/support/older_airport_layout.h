// The older BGL airport layout, as the simulator generation before ours compiled it, rewritten
// into the layout the stand reader reads, so that a real airport file of that generation can
// drive the reader. Field positions of the two layouts:
//
//   airport record      older: id 0x3C, 56-byte header     reader: id 0x56, 68-byte header
//                       both: altitude (mm) at byte 20, packed ident at byte 40
//   parking sub-record  older: id 0x3D                     reader: id 0xE7
//                       both: u16 entry count at byte 6, entries from byte 8
//   parking entry       older: 36 fixed bytes              reader: 56 fixed bytes
//                       both: flags word at 0 (name, type, number, airline-code count),
//                       radius at 4, heading at 8, longitude at 28, latitude at 32,
//                       then 4 bytes per airline code after the fixed bytes
//   helipad (0x26) and all other sub-records: the same in both
//
// The rewrite keeps every byte of the older header (its bytes 6-55) and appends 12 zero
// bytes; it copies every sub-record unchanged except the parking ones, whose entries get 20
// zero bytes after their 36 fixed bytes, before their airline codes. The records are put into
// a new file with one airport section of one subsection.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace skyloom::testing {

inline constexpr std::uint16_t kOlderAirportRecordId = 0x3C;
inline constexpr std::uint16_t kOlderParkingRecordId = 0x3D;

// The rewritten file; throws std::runtime_error when the file does not parse.
std::vector<std::byte> rewriteOlderAirports(std::span<const std::byte> older);

} // namespace skyloom::testing

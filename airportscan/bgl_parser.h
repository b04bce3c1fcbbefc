// The bounds-checked parser of a scenery BGL file's airport sections. It walks the file header,
// the section table, the subsection tables of the airport sections and the records in each
// subsection's data block, and gives either every record found there (id, byte offset, size)
// or one error with its kind, the byte offset where it was found and a fixed message. It never
// reads outside the bytes it is given and refuses subsection tables and data blocks that
// overlap one another. Pure: no log, no state; only allocation can throw.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace skyloom {

inline constexpr std::uint32_t kBglHeaderBytes = 56;
inline constexpr std::uint32_t kBglSectionEntryBytes = 20;
inline constexpr std::uint32_t kBglAirportSectionType = 3;

// One record of an airport subsection's data block.
struct BglRecordRef {
    std::uint16_t id = 0;
    std::uint64_t offset = 0; // bytes from the start of the file
    std::uint64_t size = 0;   // bytes, the 6-byte record header included

    friend bool operator==(const BglRecordRef&, const BglRecordRef&) = default;
};

// The kinds of parse error, with the values the log and the tests know them by.
enum class BglParseErrorKind : std::uint8_t {
    fileTooSmall = 0,      // shorter than the file header
    headerSize = 1,        // header size at offset 4 unreadable or not 56
    sectionTable = 2,      // section count unreadable, or the table longer than the file
    descriptor = 3,        // a section entry or subsection descriptor cut off, or its table
    dataOutsideFile = 4,   // a data block not inside the file
    overlap = 5,           // subsection tables or data blocks overlap
    recordCount = 6,       // more records than the data block can hold
    recordHeader = 7,      // a record header cut off by its block's end
    recordSize = 8,        // a record size below 6 or not a multiple of 4
    recordPastBlock = 9,   // a record running past its block's end
    blockNotConsumed = 10, // the counted records do not end at the block's end
};

struct BglParseError {
    BglParseErrorKind kind = BglParseErrorKind::fileTooSmall;
    std::uint64_t offset = 0; // byte offset at which the fault was found
    std::string_view message; // one of the parser's fixed texts (static storage)

    // Kinds 0 and 1: the file is not a BGL file of this layout, which is no fault worth a line.
    bool notThisLayout() const noexcept {
        return kind == BglParseErrorKind::fileTooSmall || kind == BglParseErrorKind::headerSize;
    }
};

// Either the records (error empty) or one error (records then empty).
struct BglParseResult {
    std::vector<BglRecordRef> records;
    std::optional<BglParseError> error;

    bool ok() const noexcept { return !error.has_value(); }
};

// Parses the bytes of a whole file. Records come in file order of sections, subsections and
// records, of every id; a section entry whose subsection table is exactly one already walked
// is passed over, and so are the records of a data block already walked.
BglParseResult gf_parseBGL(std::span<const std::byte> bytes);

} // namespace skyloom

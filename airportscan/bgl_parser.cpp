#include "airportscan/bgl_parser.h"

#include <iterator>
#include <set>
#include <utility>

namespace skyloom {

namespace {

using Bytes = std::span<const std::byte>;
using Kind = BglParseErrorKind;

constexpr std::uint64_t kHeaderSizeOffset = 4;
constexpr std::uint64_t kSectionCountOffset = 20;
constexpr std::uint64_t kRecordHeaderBytes = 6;
// The smallest record a data block can hold: a 6-byte header rounded up to a multiple of 4.
constexpr std::uint64_t kSmallestRecordBytes = 8;
constexpr std::uint32_t kWideDescriptorFlag = 0x10000;

constexpr std::string_view kFileTooSmall = "BGL file is smaller than its header";
constexpr std::string_view kBadHeaderSize = "Unexpected BGL header size";
constexpr std::string_view kNoSectionCount = "Cannot read BGL section count";
constexpr std::string_view kSectionTablePastFile = "BGL section table exceeds the file";
constexpr std::string_view kSectionEntryCut = "Incomplete airport section descriptor";
constexpr std::string_view kTablePastFile = "Airport subsection table exceeds the file";
constexpr std::string_view kTablesOverlap = "Airport subsection tables overlap";
constexpr std::string_view kDescriptorCut = "Incomplete airport subsection descriptor";
constexpr std::string_view kDataPastFile = "Airport subsection data exceeds the file";
constexpr std::string_view kCountTooLarge =
    "Airport subsection record count cannot fit in its data block";
constexpr std::string_view kBlocksOverlap = "Airport subsection data blocks overlap";
constexpr std::string_view kRecordHeaderPastBlock =
    "Airport section record header exceeds its subsection";
constexpr std::string_view kRecordHeaderUnreadable = "Cannot read airport section record header";
constexpr std::string_view kRecordSizeInvalid = "Airport section record has an invalid size";
constexpr std::string_view kRecordPastBlock = "Airport section record exceeds its subsection";
constexpr std::string_view kBlockNotConsumed =
    "Airport subsection record count does not consume its complete data block";

std::optional<std::uint16_t> lf_readU16At(Bytes bytes, std::uint64_t offset) noexcept {
    if (offset > bytes.size() || bytes.size() - offset < 2) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(std::to_integer<std::uint16_t>(bytes[offset]) |
                                      std::to_integer<std::uint16_t>(bytes[offset + 1]) << 8);
}

std::optional<std::uint32_t> lf_readU32At(Bytes bytes, std::uint64_t offset) noexcept {
    if (offset > bytes.size() || bytes.size() - offset < 4) {
        return std::nullopt;
    }
    return std::to_integer<std::uint32_t>(bytes[offset]) |
           std::to_integer<std::uint32_t>(bytes[offset + 1]) << 8 |
           std::to_integer<std::uint32_t>(bytes[offset + 2]) << 16 |
           std::to_integer<std::uint32_t>(bytes[offset + 3]) << 24;
}

// [offset, offset + length) lies inside [0, limit); written so that nothing can overflow.
constexpr bool lf_rangeFits(std::uint64_t offset, std::uint64_t length,
                            std::uint64_t limit) noexcept {
    return offset <= limit && length <= limit - offset;
}

enum class Claim { fresh, same, overlap };

// Half-open byte ranges, ordered by start, then end. The ranges held never intersect, so a
// new range can only intersect its two neighbours in that order.
class ByteIntervalSet {
public:
    Claim claim(std::uint64_t start, std::uint64_t length) {
        if (length == 0) {
            return Claim::fresh;
        }
        const Range range{start, start + length};
        const auto next = ranges_.lower_bound(range);
        if (next != ranges_.end()) {
            if (*next == range) {
                return Claim::same;
            }
            if (next->first < range.second) {
                return Claim::overlap;
            }
        }
        if (next != ranges_.begin() && std::prev(next)->second > range.first) {
            return Claim::overlap;
        }
        ranges_.insert(next, range);
        return Claim::fresh;
    }

private:
    using Range = std::pair<std::uint64_t, std::uint64_t>;
    std::set<Range> ranges_;
};

class Parser {
public:
    explicit Parser(Bytes bytes) : bytes_(bytes), length_(bytes.size()) {}

    BglParseResult run() {
        if (length_ < kBglHeaderBytes) {
            return fail(Kind::fileTooSmall, 0, kFileTooSmall);
        }
        const auto headerSize = lf_readU32At(bytes_, kHeaderSizeOffset);
        if (!headerSize || *headerSize != kBglHeaderBytes) {
            return fail(Kind::headerSize, kHeaderSizeOffset, kBadHeaderSize);
        }
        const auto sections = lf_readU32At(bytes_, kSectionCountOffset);
        if (!sections) {
            return fail(Kind::sectionTable, kSectionCountOffset, kNoSectionCount);
        }
        if (std::uint64_t{*sections} * kBglSectionEntryBytes > length_ - kBglHeaderBytes) {
            return fail(Kind::sectionTable, kBglHeaderBytes, kSectionTablePastFile);
        }
        for (std::uint64_t i = 0; i < *sections; ++i) {
            if (!section(kBglHeaderBytes + kBglSectionEntryBytes * i)) {
                break;
            }
        }
        return std::move(result_);
    }

private:
    // One section entry; false when the parse failed.
    bool section(std::uint64_t entry) {
        const auto type = lf_readU32At(bytes_, entry);
        if (!type || *type != kBglAirportSectionType) {
            return true;
        }
        const auto flags = lf_readU32At(bytes_, entry + 4);
        const auto count = lf_readU32At(bytes_, entry + 8);
        const auto table = lf_readU32At(bytes_, entry + 12);
        if (!flags || !count || !table) {
            return setError(Kind::descriptor, entry, kSectionEntryCut);
        }
        // 20-byte descriptors when bit 16 is set, 16-byte ones otherwise.
        const std::uint64_t descriptorBytes = ((*flags & kWideDescriptorFlag) | 0x40000) >> 14;
        const std::uint64_t tableBytes = descriptorBytes * *count;
        if (*table > length_ || tableBytes > length_ - *table) {
            return setError(Kind::descriptor, *table, kTablePastFile);
        }
        switch (tables_.claim(*table, tableBytes)) {
        case Claim::same:
            return true;
        case Claim::overlap:
            return setError(Kind::overlap, *table, kTablesOverlap);
        case Claim::fresh:
            break;
        }
        for (std::uint64_t j = 0; j < *count; ++j) {
            if (!subsection(*table + descriptorBytes * j)) {
                return false;
            }
        }
        return true;
    }

    // One subsection descriptor and the records of its data block.
    bool subsection(std::uint64_t descriptor) {
        const auto count = lf_readU32At(bytes_, descriptor + 4);
        const auto data = lf_readU32At(bytes_, descriptor + 8);
        const auto size = lf_readU32At(bytes_, descriptor + 12);
        if (!count || !data || !size) {
            return setError(Kind::descriptor, descriptor, kDescriptorCut);
        }
        if (!lf_rangeFits(*data, *size, length_)) {
            return setError(Kind::dataOutsideFile, *data, kDataPastFile);
        }
        if (*count > *size / kSmallestRecordBytes) {
            return setError(Kind::recordCount, descriptor, kCountTooLarge);
        }
        switch (blocks_.claim(*data, *size)) {
        case Claim::same:
            return true;
        case Claim::overlap:
            return setError(Kind::overlap, *data, kBlocksOverlap);
        case Claim::fresh:
            break;
        }
        std::uint64_t at = *data;
        const std::uint64_t end = std::uint64_t{*data} + *size;
        for (std::uint32_t k = 0; k < *count; ++k) {
            if (!lf_rangeFits(at, kRecordHeaderBytes, end)) {
                return setError(Kind::recordHeader, at, kRecordHeaderPastBlock);
            }
            const auto id = lf_readU16At(bytes_, at);
            const auto recordSize = lf_readU32At(bytes_, at + 2);
            if (!id || !recordSize) {
                return setError(Kind::recordHeader, at, kRecordHeaderUnreadable);
            }
            if (*recordSize < kRecordHeaderBytes || *recordSize % 4 != 0) {
                return setError(Kind::recordSize, at, kRecordSizeInvalid);
            }
            if (!lf_rangeFits(at, *recordSize, end)) {
                return setError(Kind::recordPastBlock, at, kRecordPastBlock);
            }
            result_.records.push_back(BglRecordRef{*id, at, *recordSize});
            at += *recordSize;
        }
        if (at != end) {
            return setError(Kind::blockNotConsumed, at, kBlockNotConsumed);
        }
        return true;
    }

    bool setError(Kind kind, std::uint64_t offset, std::string_view message) {
        result_.records.clear();
        result_.error = BglParseError{kind, offset, message};
        return false;
    }

    BglParseResult fail(Kind kind, std::uint64_t offset, std::string_view message) {
        setError(kind, offset, message);
        return std::move(result_);
    }

    Bytes bytes_;
    std::uint64_t length_;
    ByteIntervalSet tables_;
    ByteIntervalSet blocks_;
    BglParseResult result_;
};

} // namespace

BglParseResult gf_parseBGL(std::span<const std::byte> bytes) {
    return Parser(bytes).run();
}

} // namespace skyloom

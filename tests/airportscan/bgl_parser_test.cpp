// The BGL airport parser: each fault of a damaged file gives its kind, the byte offset where it
// was found and its fixed message; well-formed files give their records, with tables and data
// blocks named twice passed over; the real files of ../shared parse as their layout says.
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "airportscan/bgl_parser.h"
#include "tests/airportscan/support/bgl_bytes.h"
#include "tests/support/shared_data.h"

namespace skyloom {
namespace {

using testing::bglHeader;
using testing::bglWithRecords;
using testing::ByteImage;
using testing::putDescriptor;
using testing::putSection;
using Kind = BglParseErrorKind;

constexpr std::string_view kKphxFolder = "data/bgl/TheMainlineCowboy-SkyHarborPhx/scenery/";

// A top-level record of any id and size.
ByteImage lf_record(std::uint16_t id, std::uint32_t size) {
    ByteImage record(size);
    record.u16(0, id).u32(2, size);
    return record;
}

// One airport section (entry at 56) with `count` 16-byte descriptors at 76.
ByteImage lf_oneSection(std::uint32_t count) {
    ByteImage file = bglHeader(1);
    putSection(file, 0, 3, 1, count, 76);
    return file;
}

struct FaultCase {
    std::string name;
    std::function<ByteImage()> file;
    Kind kind;
    std::uint64_t offset;
    std::string_view message;
};

// Every fault the parser names. Four of its checks guard fields that the earlier checks have
// already proved readable (the section count of a file of 56 bytes or more, an airport section
// entry inside a section table that fits, a descriptor inside a subsection table that fits, a
// record header whose 6 bytes fit in the block), so no file reaches them; the cases "section
// table one byte longer", "subsection table running past" and "record header cut off" are the
// nearest damage, caught by the check before.
std::vector<FaultCase> lf_faultCases() {
    return {
        {"file of 55 bytes", [] { return ByteImage(55); }, Kind::fileTooSmall, 0,
         "BGL file is smaller than its header"},
        {"header size 64", [] { return bglHeader(0).u32(4, 64); }, Kind::headerSize, 4,
         "Unexpected BGL header size"},
        {"section table one byte longer than the file", [] { return bglHeader(1).resize(75); },
         Kind::sectionTable, 56, "BGL section table exceeds the file"},
        {"subsection table starting beyond the file",
         [] {
             ByteImage file = bglHeader(1);
             putSection(file, 0, 3, 1, 1, 77);
             return file.resize(76);
         },
         Kind::descriptor, 77, "Airport subsection table exceeds the file"},
        {"subsection table running past the file's end", [] { return lf_oneSection(1).resize(91); },
         Kind::descriptor, 76, "Airport subsection table exceeds the file"},
        {"subsection tables sharing some bytes",
         [] {
             ByteImage file = bglHeader(2);
             putSection(file, 0, 3, 1, 1, 96);
             putSection(file, 1, 3, 1, 1, 104);
             putDescriptor(file, 96, 0, 0, 0);
             putDescriptor(file, 104, 0, 0, 0);
             return file;
         },
         Kind::overlap, 104, "Airport subsection tables overlap"},
        {"data block running past the file's end",
         [] {
             ByteImage file = lf_oneSection(1);
             putDescriptor(file, 76, 1, 92, 9);
             return file.append(lf_record(1, 8));
         },
         Kind::dataOutsideFile, 92, "Airport subsection data exceeds the file"},
        {"more records than size / 8",
         [] {
             ByteImage file = lf_oneSection(1);
             putDescriptor(file, 76, 2, 92, 12);
             return file.append(lf_record(1, 12));
         },
         Kind::recordCount, 76, "Airport subsection record count cannot fit in its data block"},
        {"data blocks sharing some bytes",
         [] {
             ByteImage file = lf_oneSection(2);
             putDescriptor(file, 76, 1, 108, 8);
             putDescriptor(file, 92, 1, 112, 8);
             return file.append(lf_record(1, 8)).append(lf_record(2, 8));
         },
         Kind::overlap, 112, "Airport subsection data blocks overlap"},
        {"record header cut off by the block's end",
         [] {
             ByteImage file = lf_oneSection(1);
             putDescriptor(file, 76, 2, 92, 16);
             return file.append(lf_record(1, 12)).append(lf_record(2, 4));
         },
         Kind::recordHeader, 104, "Airport section record header exceeds its subsection"},
        {"record of size 6", [] { return bglWithRecords({lf_record(1, 8).u32(2, 6)}); },
         Kind::recordSize, 92, "Airport section record has an invalid size"},
        {"record of size 4", [] { return bglWithRecords({lf_record(1, 8).u32(2, 4)}); },
         Kind::recordSize, 92, "Airport section record has an invalid size"},
        {"record running past its block",
         [] {
             ByteImage file = bglWithRecords({lf_record(1, 8)});
             return file.u32(94, 16).append(ByteImage(8));
         },
         Kind::recordPastBlock, 92, "Airport section record exceeds its subsection"},
        {"records ending before the block's end",
         [] {
             ByteImage file = lf_oneSection(1);
             putDescriptor(file, 76, 1, 92, 16);
             return file.append(lf_record(1, 8)).append(ByteImage(8));
         },
         Kind::blockNotConsumed, 100,
         "Airport subsection record count does not consume its complete data block"},
        {"no record in a block of 8 bytes",
         [] {
             ByteImage file = lf_oneSection(1);
             putDescriptor(file, 76, 0, 92, 8);
             return file.append(ByteImage(8));
         },
         Kind::blockNotConsumed, 92,
         "Airport subsection record count does not consume its complete data block"},
    };
}

TEST(BglParserTest, EachFaultGivesItsKindOffsetAndMessage) {
    for (const auto& fault : lf_faultCases()) {
        const ByteImage file = fault.file();
        const BglParseResult result = gf_parseBGL(file.span());
        ASSERT_FALSE(result.ok()) << fault.name;
        EXPECT_EQ(result.error->kind, fault.kind) << fault.name;
        EXPECT_EQ(result.error->offset, fault.offset) << fault.name;
        EXPECT_EQ(result.error->message, fault.message) << fault.name;
        EXPECT_TRUE(result.records.empty()) << fault.name;
    }
}

TEST(BglParserTest, WellFormedFilesGiveTheirRecordsOnce) {
    struct Case {
        std::string name;
        ByteImage file;
        std::vector<BglRecordRef> records;
    };
    // Two sections naming the very same table, and two descriptors naming the very same block.
    ByteImage sameTable = bglHeader(2);
    putSection(sameTable, 0, 3, 1, 1, 96);
    putSection(sameTable, 1, 3, 1, 1, 96);
    putDescriptor(sameTable, 96, 1, 112, 8);
    sameTable.append(lf_record(7, 8));
    ByteImage sameBlock = lf_oneSection(2);
    putDescriptor(sameBlock, 76, 1, 108, 8);
    putDescriptor(sameBlock, 92, 1, 108, 8);
    sameBlock.append(lf_record(7, 8));
    // 20-byte descriptors (bit 16 of the flags); a table that ends where a block starts.
    ByteImage wide = bglHeader(1);
    putSection(wide, 0, 3, 0x10001, 2, 76);
    putDescriptor(wide, 76, 1, 116, 8);
    putDescriptor(wide, 96, 1, 124, 12);
    wide.u32(112, 0).append(lf_record(0x56, 8)).append(lf_record(0xE7, 12));
    // Other section types are passed over, whatever they point at; empty subsections pass.
    ByteImage others = bglHeader(3);
    putSection(others, 0, 0x25, 1, 9, 0xFFFFFF);
    putSection(others, 1, 3, 1, 1, 116);
    putSection(others, 2, 3, 1, 1, 132);
    putDescriptor(others, 116, 0, 0, 0);
    putDescriptor(others, 132, 2, 148, 20);
    others.append(lf_record(0x26, 8)).append(lf_record(0x56, 12));
    const std::vector<Case> cases{
        {"header only, no section", bglHeader(0), {}},
        {"same table twice", sameTable, {{7, 112, 8}}},
        {"same block twice", sameBlock, {{7, 108, 8}}},
        {"20-byte descriptors", wide, {{0x56, 116, 8}, {0xE7, 124, 12}}},
        {"other sections and an empty subsection", others, {{0x26, 148, 8}, {0x56, 156, 12}}},
    };
    for (const auto& c : cases) {
        const BglParseResult result = gf_parseBGL(c.file.span());
        ASSERT_TRUE(result.ok()) << c.name << ": " << result.error->message;
        EXPECT_EQ(result.records, c.records) << c.name;
    }
    // Read with 16-byte descriptors, the wide table's second descriptor is garbage.
    ByteImage narrow = wide;
    narrow.u32(60, 1);
    EXPECT_FALSE(gf_parseBGL(narrow.span()).ok());
}

TEST(BglParserTest, RealFilesParseAsTheirLayoutSays) {
    SKYLOOM_REQUIRE_SHARED(kphx, std::string(kKphxFolder) + "KPHX_ADEX.BGL");
    SKYLOOM_REQUIRE_SHARED(heli, std::string(kKphxFolder) + "helibcn.BGL");
    SKYLOOM_REQUIRE_SHARED(exclusion, std::string(kKphxFolder) + "kphx_exc3.BGL");
    // KPHX: ten sections, the airport section (its entry at byte 56) holds one subsection
    // (table at byte 256) with one airport record of the older layout at byte 480, 124324
    // bytes long (read with a hex viewer).
    const BglParseResult phoenix = gf_parseBGL(testing::readBytes(kphx));
    ASSERT_TRUE(phoenix.ok());
    EXPECT_EQ(phoenix.records, (std::vector<BglRecordRef>{{0x3C, 480, 124324}}));
    // The other two have no airport section.
    for (const auto& path : {heli, exclusion}) {
        const BglParseResult result = gf_parseBGL(testing::readBytes(path));
        ASSERT_TRUE(result.ok()) << path;
        EXPECT_TRUE(result.records.empty()) << path;
    }
}

} // namespace
} // namespace skyloom

// Seeded mutation test of the BGL parser and stand reader over the real BGL files of ../shared
// (and the Phoenix airport rewritten into the layout the reader reads): thousands of copies
// damaged by byte flips, truncations and inserted bytes, each parsed and read. Whatever the
// damage, the parser answers with in-bounds records or one error, and the reader either gives
// well-formed stands or stops with its out-of-range error; under the sanitizers, no fault.
#include <algorithm>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "airportscan/bgl_parser.h"
#include "airportscan/bgl_stand_reader.h"
#include "foundation/geodesy.h"
#include "foundation/manual_clock.h"
#include "tests/airportscan/support/bgl_bytes.h"
#include "tests/airportscan/support/older_airport_layout.h"
#include "tests/airportscan/support/recording_steps.h"
#include "tests/support/shared_data.h"

namespace skyloom {
namespace {

constexpr std::string_view kPhoenixScenery = "data/bgl/TheMainlineCowboy-SkyHarborPhx/scenery/";
constexpr int kRunsPerFile = 1500;
// Offsets near the structure (header, tables, record and sub-record heads) get a share of the
// damage; random offsets over a whole file would nearly always hit coordinates.
constexpr std::size_t kNearStructureBytes = 24;

struct Outcome {
    int parsed = 0;
    int refused = 0;
    int thrown = 0;
    int airports = 0;
};

// Offsets where a change reaches the structure: the header and section table, each record's
// head, and the first bytes of the airport records' sub-records and parking entries.
std::vector<std::size_t> lf_structureOffsets(std::span<const std::byte> file) {
    std::vector<std::size_t> offsets{0, 4, 20, 56, 60, 64, 68, 76, 80, 84, 88};
    const BglParseResult parsed = gf_parseBGL(file);
    for (const auto& ref : parsed.records) {
        offsets.push_back(ref.offset);
        const std::size_t end = ref.offset + ref.size;
        // Sub-records start after the 68-byte header (56 bytes in the older layout).
        const std::size_t header = ref.id == testing::kOlderAirportRecordId ? 56 : 68;
        for (std::size_t at = ref.offset + header; at + 6 <= end && offsets.size() < 4096;) {
            offsets.push_back(at);
            const std::size_t size = std::to_integer<std::size_t>(file[at + 2]) |
                                     std::to_integer<std::size_t>(file[at + 3]) << 8;
            if (size < 6) {
                break;
            }
            at += size;
        }
    }
    return offsets;
}

std::vector<std::byte> lf_mutate(std::vector<std::byte> bytes,
                                 const std::vector<std::size_t>& structure, std::mt19937& engine) {
    auto pick = [&](std::size_t size) {
        if (size == 0) {
            return std::size_t{0};
        }
        if (std::uniform_int_distribution<int>(0, 1)(engine) == 0) {
            const std::size_t base = structure[std::uniform_int_distribution<std::size_t>(
                0, structure.size() - 1)(engine)];
            const std::size_t at =
                base + std::uniform_int_distribution<std::size_t>(0, kNearStructureBytes)(engine);
            return std::min(at, size - 1);
        }
        return std::uniform_int_distribution<std::size_t>(0, size - 1)(engine);
    };
    auto randomByte = [&] {
        return static_cast<std::byte>(std::uniform_int_distribution<int>(0, 255)(engine));
    };
    const int changes = std::uniform_int_distribution<int>(1, 4)(engine);
    for (int i = 0; i < changes && !bytes.empty(); ++i) {
        const std::size_t at = pick(bytes.size());
        switch (std::uniform_int_distribution<int>(0, 5)(engine)) {
        case 0: // one bit
            bytes[at] ^=
                static_cast<std::byte>(1 << std::uniform_int_distribution<int>(0, 7)(engine));
            break;
        case 1:
        case 2: // one byte, often in a size or count field
            bytes[at] = randomByte();
            break;
        case 3: // bytes put in
            for (int n = std::uniform_int_distribution<int>(1, 8)(engine); n > 0; --n) {
                bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at), randomByte());
            }
            break;
        case 4: // bytes taken out
            bytes.erase(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                        bytes.begin() +
                            static_cast<std::ptrdiff_t>(std::min(
                                bytes.size(),
                                at + std::uniform_int_distribution<std::size_t>(1, 8)(engine))));
            break;
        default: // the file cut short
            bytes.resize(at);
            break;
        }
    }
    return bytes;
}

void lf_checkParse(const BglParseResult& result, std::size_t size, const std::string& what) {
    if (!result.ok()) {
        EXPECT_TRUE(result.records.empty()) << what;
        EXPECT_LE(static_cast<int>(result.error->kind), 10) << what;
        EXPECT_FALSE(result.error->message.empty()) << what;
        return;
    }
    std::vector<BglRecordRef> records = result.records;
    std::sort(records.begin(), records.end(),
              [](const auto& a, const auto& b) { return a.offset < b.offset; });
    for (std::size_t i = 0; i < records.size(); ++i) {
        const auto& r = records[i];
        EXPECT_TRUE(r.size >= 8 && r.size % 4 == 0 && r.offset + r.size <= size) << what;
        if (i > 0) {
            EXPECT_LE(records[i - 1].offset + records[i - 1].size, r.offset) << what;
        }
    }
}

void lf_checkAirports(const testing::RecordingSteps& steps, const std::string& what) {
    for (const auto& generated : steps.written) {
        std::set<std::string> ids;
        std::size_t helipads = 0;
        for (const Stand& stand : generated.airport.stands) {
            EXPECT_FALSE(stand.id.empty()) << what;
            EXPECT_TRUE(ids.insert(stand.id).second) << what << ": " << stand.id;
            EXPECT_TRUE(gf_isValidLalo(stand.position)) << what << ": " << stand.id;
            helipads += stand.heli ? 1 : 0;
        }
        EXPECT_FALSE(generated.airport.stands.empty()) << what;
        EXPECT_EQ(helipads, generated.helipads) << what;
    }
}

Outcome lf_mutateAndRead(const std::vector<std::byte>& good, unsigned seed,
                         const std::string& name) {
    const std::vector<std::size_t> structure = lf_structureOffsets(good);
    std::mt19937 engine(seed);
    const ManualClock clock;
    Outcome outcome;
    for (int run = 0; run < kRunsPerFile; ++run) {
        const std::vector<std::byte> bytes = lf_mutate(good, structure, engine);
        const std::string what = name + " run " + std::to_string(run);
        const BglParseResult parsed = gf_parseBGL(bytes);
        lf_checkParse(parsed, bytes.size(), what);
        (parsed.ok() ? outcome.parsed : outcome.refused) += 1;

        std::vector<std::string> scanLog;
        testing::RecordingSteps steps;
        BglReaderContext context{clock, scanLog, steps};
        std::string_view phase;
        try {
            gf_processBGLimage(testing::toWords(bytes), name, context, phase);
        } catch (const std::out_of_range& e) {
            EXPECT_STREQ(e.what(), "invalid vector subscript") << what;
            ++outcome.thrown;
        }
        lf_checkAirports(steps, what);
        outcome.airports += static_cast<int>(steps.written.size());
    }
    return outcome;
}

TEST(BglMutationTest, DamagedRealFilesNeverFault) {
    SKYLOOM_REQUIRE_SHARED(scenery, kPhoenixScenery);
    const std::vector<std::byte> phoenix = testing::readBytes(scenery / "KPHX_ADEX.BGL");
    struct File {
        std::string name;
        std::vector<std::byte> bytes;
        unsigned seed;
    };
    const std::vector<File> files{
        {"KPHX_ADEX.BGL", phoenix, 1},
        {"KPHX rewritten", testing::rewriteOlderAirports(phoenix), 2},
        {"helibcn.BGL", testing::readBytes(scenery / "helibcn.BGL"), 3},
        {"kphx_exc3.BGL", testing::readBytes(scenery / "kphx_exc3.BGL"), 4},
        // No real file has helipads: a small airport with three of them and a few stands.
        {"helipads",
         testing::bglWithRecords(
             {testing::airportRecord(
                 "EGLL", 25000,
                 {testing::helipadRecord(51.47, -0.45, 30.0f),
                  testing::helipadRecord(51.48, -0.46, 20.0f), testing::otherSubRecord(0x04, 16),
                  testing::helipadRecord(51.49, -0.47, 10.0f),
                  testing::parkingRecord(
                      {{.number = 1}, {.number = 2, .airlines = {"BAW"}}, {.number = 3}})})})
             .bytes(),
         5},
    };
    for (const auto& file : files) {
        const Outcome outcome = lf_mutateAndRead(file.bytes, file.seed, file.name);
        // The damage reaches both answers of the parser.
        EXPECT_GT(outcome.parsed, 0) << file.name;
        EXPECT_GT(outcome.refused, 0) << file.name;
        if (file.name == "KPHX rewritten" || file.name == "helipads") {
            // Much of the damage leaves the airport readable.
            EXPECT_GT(outcome.airports, kRunsPerFile / 5) << file.name;
        }
    }
}

} // namespace
} // namespace skyloom

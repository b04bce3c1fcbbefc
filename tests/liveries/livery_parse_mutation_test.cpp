// Mutation tests of the two parsers: aircraft.cfg sections and the scanned-liveries file. Each
// run damages a good input at random places (fixed seeds, so a failure repeats) and checks what
// must hold for any input: no crash, no stray exception, and only well-formed records.
#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/text.h"
#include "foundation/text_files.h"
#include "foundation/user_related_exception.h"
#include "liveries/fltsim_sections.h"
#include "liveries/liveries_scanned_file.h"
#include "liveries/model_fixes.h"
#include "refdata/code_table.h"
#include "tests/liveries/support/cfg_test_support.h"

namespace skyloom {
namespace {

namespace fs = std::filesystem;

constexpr int kMutationRuns = 300;

// One random change: a character dropped, or one of the characters the parsers react to put
// in, or a line repeated, or the text cut.
std::string lf_mutate(std::string text, std::mt19937& engine) {
    static constexpr std::string_view kSpecial = "[]=\";,*\n\t /\\.x0";
    if (text.empty()) {
        return text;
    }
    std::uniform_int_distribution<std::size_t> at(0, text.size() - 1);
    switch (std::uniform_int_distribution<int>(0, 3)(engine)) {
    case 0:
        text.erase(at(engine), 1);
        break;
    case 1:
        text.insert(
            at(engine), 1,
            kSpecial[std::uniform_int_distribution<std::size_t>(0, kSpecial.size() - 1)(engine)]);
        break;
    case 2: {
        const std::size_t start = text.rfind('\n', at(engine));
        const std::size_t from = start == std::string::npos ? 0 : start + 1;
        const std::size_t end = text.find('\n', from);
        text.insert(from, text.substr(from, end == std::string::npos ? end : end - from + 1));
        break;
    }
    default:
        text.resize(at(engine));
        break;
    }
    return text;
}

TEST(LiveryParseMutationTest, DamagedAircraftCfgGivesOnlyWellFormedRecords) {
    testing::CfgTestDbase dbase;
    testing::CfgLogCapture log;
    const std::string good = testing::readCfgBytes(testing::cfgFixtureDir() / "sections_mixed.cfg");
    ASSERT_FALSE(good.empty());
    const fs::path path = "/c/pkg/SimObjects/Airplanes/X/aircraft.cfg";
    std::mt19937 engine(20260107);
    int runsWithRecords = 0;
    for (int run = 0; run < kMutationRuns; ++run) {
        std::string text = good;
        const int changes = std::uniform_int_distribution<int>(1, 6)(engine);
        for (int i = 0; i < changes; ++i) {
            text = lf_mutate(std::move(text), engine);
        }
        LiveryScanState scan;
        const std::vector<std::string> lines = gf_splitLines(text);
        std::vector<LiveryRecord> records;
        ASSERT_NO_THROW({
            if (gf_checkFltsimNumbers(scan, lines, path)) {
                const std::string model = gf_applyModelFix(scan, path, lines);
                if (!model.empty()) {
                    gf_cutFltSimSections(lines, SectionBoundary::bracketFirst,
                                         [&](std::vector<std::string>& section) {
                                             auto record = gf_procesFltSimSection(
                                                 scan, 1, section, model, path, path.parent_path());
                                             if (record) {
                                                 records.push_back(std::move(*record));
                                             }
                                         });
                }
            }
        }) << text;
        std::vector<std::string> titles;
        for (const auto& record : records) {
            EXPECT_FALSE(record.title.empty()) << text;
            EXPECT_EQ(record.title, gf_trim(record.title)) << text;
            EXPECT_NE(record.key.airline, 0) << text;
            EXPECT_NE(record.key.model, 0) << text;
            EXPECT_LE(record.regcode.size(), 12u) << text;
            EXPECT_TRUE(scan.titles.contains(record.title)) << text;
            titles.push_back(record.title);
        }
        std::sort(titles.begin(), titles.end());
        EXPECT_EQ(std::adjacent_find(titles.begin(), titles.end()), titles.end()) << text;
        runsWithRecords += records.empty() ? 0 : 1;
    }
    // The damage is light enough that most files still give liveries.
    EXPECT_GT(runsWithRecords, kMutationRuns / 2);
}

TEST(LiveryParseMutationTest, DamagedScannedLiveriesFileFailsWithAReason) {
    testing::CfgTestDbase dbase;
    testing::CfgLogCapture log;
    testing::TempDir dir;
    const fs::path good = dir / "good.xml";
    std::vector<LiveryRecord> records;
    for (int i = 0; i < 6; ++i) {
        records.push_back(LiveryRecord{"Title " + std::to_string(i), i % 2 ? "D-AIZ" : "",
                                       LiveryKey{gf_airlineId("DLH"), 0, gf_modelId("A320"),
                                                 static_cast<std::uint8_t>(i % 2), 0},
                                       1});
    }
    std::sort(records.begin(), records.end(), gf_liveryLess);
    ASSERT_TRUE(gf_writeLiveriesScanned(records, good, SimChoice::msfs2024));
    const std::string bytes = testing::readCfgBytes(good);

    std::mt19937 engine(7);
    int refused = 0;
    for (int run = 0; run < kMutationRuns; ++run) {
        std::string text = lf_mutate(bytes, engine);
        const fs::path path = dir / "damaged.xml";
        testing::writeCfgBytes(path, text);
        try {
            const auto read = gf_loadLiveriesScanned(path);
            EXPECT_FALSE(read.empty());
            EXPECT_TRUE(std::is_sorted(read.begin(), read.end(), gf_liveryLess));
        } catch (const UserRelatedException& e) {
            ++refused;
            EXPECT_TRUE(e.code() == 51 || e.code() == 52 || e.code() == 533 || e.code() == 999)
                << e.what();
        } catch (const std::runtime_error&) {
            ++refused; // the data-file header check
        }
    }
    // Most damage breaks the XML; some leaves a readable file.
    EXPECT_GT(refused, 0);
    EXPECT_LT(refused, kMutationRuns);
}

} // namespace
} // namespace skyloom

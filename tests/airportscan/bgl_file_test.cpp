// What the folder walk uses before a BGL file is read: the header probe, the file image
// as words, the airport code in a folder path, and where the scan log goes.
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "airportscan/bgl_file.h"
#include "airportscan/airport_code.h"
#include "airportscan/scan_context.h"
#include "airportscan/scan_limits.h"
#include "foundation/manual_clock.h"
#include "tests/airportscan/support/bgl_bytes.h"
#include "tests/support/shared_data.h"
#include "tests/support/temp_dir.h"

namespace skyloom {
namespace {

using testing::ByteImage;

constexpr std::string_view kScenery = "data/bgl/TheMainlineCowboy-SkyHarborPhx/scenery/";

TEST(BglFileTest, ProbeFindsAnAirportSection) {
    SKYLOOM_REQUIRE_SHARED(scenery, kScenery);
    testing::TempDir dir;
    ByteImage second = testing::bglHeader(2);
    testing::putSection(second, 0, 0x25, 1, 0, 0);
    testing::putSection(second, 1, 3, 1, 0, 0);
    const std::vector<std::pair<std::string, ByteImage>> crafted{
        {"header only.bgl", testing::bglHeader(0)},
        {"header and one byte.bgl", testing::bglHeader(0).resize(57)},
        {"no section.bgl", testing::bglHeader(0).resize(76)},
        {"section count beyond the file.bgl", testing::bglHeader(2).resize(95)},
        {"airport second.bgl", second},
    };
    for (const auto& [name, file] : crafted) {
        testing::writeBytes(dir / name, file.span());
    }
    const std::vector<std::pair<std::filesystem::path, bool>> cases{
        {scenery / "KPHX_ADEX.BGL", true},
        {scenery / "helibcn.BGL", false},
        {scenery / "kphx_exc3.BGL", false},
        {dir / "header only.bgl", false},
        {dir / "header and one byte.bgl", false},
        {dir / "no section.bgl", false},
        {dir / "section count beyond the file.bgl", false},
        {dir / "airport second.bgl", true},
        {dir / "missing.bgl", false},
    };
    const ManualClock clock;
    for (const auto& [path, expected] : cases) {
        EXPECT_EQ(gf_probeBGLHeader(path, clock), expected) << path;
    }
}

TEST(BglFileTest, FileImageHoldsWholeWordsOnly) {
    const std::vector<std::pair<std::string, std::vector<std::uint32_t>>> cases{
        {"", {}},
        {"abc", {}},
        {"abcd", {0x64636261}},
        {"abcdefg", {0x64636261}},
    };
    for (const auto& [bytes, words] : cases) {
        std::istringstream in(bytes);
        EXPECT_EQ(gf_readBGLWords(in), words) << bytes;
    }
}

// A sparse file that claims more than the reader takes is not read at all: no buffer of its
// claimed size, whoever asks for its image.
TEST(BglFileTest, AnImageAboveTheLimitIsNotRead) {
    testing::TempDir dir;
    const std::filesystem::path path = dir / "sparse.bgl";
    { std::ofstream(path, std::ios::binary) << "abcd"; }
    std::filesystem::resize_file(path, kMaxBglFileBytes + 4);
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(gf_readBGLWords(in).empty());
}

TEST(BglFileTest, AirportCodeFromPath) {
    const std::set<std::string> known{"EGLL", "EDDF", "KPHX", "LSZH"};
    const std::set<std::string> weekly{"EGLL", "EDDF", "KPHX"};
    const std::function<bool(const IcaoCode&)> isKnown = [&](const IcaoCode& c) { return known.contains(c.text()); };
    const std::function<bool(const IcaoCode&)> hasTraffic = [&](const IcaoCode& c) { return weekly.contains(c.text()); };
    const std::vector<std::pair<std::string, std::optional<std::string>>> cases{
        {"C:\\Community\\fs24-egll-heathrow\\scenery\\x.bgl", "EGLL"},
        {"FS24", std::nullopt},
        {"fs24-aaaa-lszh-eddf", "EDDF"}, // AAAA unknown, LSZH without traffic
        {"kphx1-eddf", "EDDF"},          // five characters are no code
        {"/x/EGLLX/KPHX.bgl", "KPHX"},
        {"vendor_eddf_2024", "EDDF"}, // any other character separates
        {"\xC3\xA9"
         "egll\xC3\xA9",
         "EGLL"}, // bytes beyond ASCII bound a run
        {"", std::nullopt},
    };
    for (const auto& [text, expected] : cases) {
        const auto code = gf_icaoFromPath(text, AirportCodeTests{isKnown, hasTraffic});
        EXPECT_EQ(code ? std::optional<std::string>(code->text()) : std::nullopt, expected) << text;
    }
}

TEST(BglFileTest, ScanLogInTheInfoFolder) {
    const std::filesystem::path path = gf_scanLogPath();
    EXPECT_EQ(path.filename(), "AirportsScanLog.txt");
    EXPECT_EQ(path.parent_path().filename(), "info");
    EXPECT_EQ(path.parent_path().parent_path().filename(), "output");
}

} // namespace
} // namespace skyloom

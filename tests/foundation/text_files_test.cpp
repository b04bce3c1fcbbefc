#include "foundation/text_files.h"

#include <fstream>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "foundation/utf.h"
#include "tests/support/shared_data.h"
#include "tests/support/small_disk.h"
#include "tests/support/temp_dir.h"

namespace skyloom {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Lines = std::vector<std::string>;

void writeBytes(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
}

std::string readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// A UTF-16 text of the given byte order, from ASCII.
std::string utf16(std::string_view ascii, bool bigEndian) {
    std::string out;
    for (const char c : ascii) {
        if (bigEndian) {
            out.push_back('\0');
        }
        out.push_back(c);
        if (!bigEndian) {
            out.push_back('\0');
        }
    }
    return out;
}

struct LineEndCase {
    const char* name;
    std::string text;
    Lines lines;
};

// Test names in listings show the case's name, not its bytes.
void PrintTo(const LineEndCase& c, std::ostream* os) {
    *os << c.name;
}

class SplitLinesTest : public ::testing::TestWithParam<LineEndCase> {};

TEST_P(SplitLinesTest, EndsLinesAtLfCrAndCrLf) {
    EXPECT_EQ(gf_splitLines(GetParam().text), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SplitLinesTest,
    ::testing::Values(LineEndCase{"Empty", "", {}}, LineEndCase{"NoEnd", "a", {"a"}},
                      LineEndCase{"Lf", "a\nb\n", {"a", "b"}},
                      LineEndCase{"CrLf", "a\r\nb\r\n", {"a", "b"}},
                      LineEndCase{"Cr", "a\rb", {"a", "b"}},
                      LineEndCase{"Mixed", "a\r\nb\nc\rd", {"a", "b", "c", "d"}},
                      LineEndCase{"EmptyLinesKept", "a\n\n\r\n\rb", {"a", "", "", "", "b"}},
                      LineEndCase{"CrCrLf", "a\r\r\nb", {"a", "", "b"}},
                      LineEndCase{"LfCr", "a\n\rb", {"a", "", "b"}},
                      LineEndCase{"OnlyEnd", "\r\n", {""}},
                      LineEndCase{"BlanksKept", " a \t\n", {" a \t"}}),
    [](const auto& info) { return std::string(info.param.name); });

struct ReadCase {
    const char* name;
    std::string bytes;
    Charset charset;
    Lines lines;
};

void PrintTo(const ReadCase& c, std::ostream* os) {
    *os << c.name;
}

class ReadTextFileLinesTest : public ::testing::TestWithParam<ReadCase> {};

// Each kind of file is detected as its charset and read into the same UTF-8 lines, both by
// detection plus gf_readTextFileLines and by LinesFile.
TEST_P(ReadTextFileLinesTest, DetectsAndDecodesEveryCharset) {
    const ReadCase& c = GetParam();
    testing::TempDir dir;
    const auto path = dir / "aircraft.cfg";
    writeBytes(path, c.bytes);

    const Charset charset = gf_detectCharset(path);
    EXPECT_EQ(charset, c.charset) << gf_charsetName(charset) << " instead of "
                                  << gf_charsetName(c.charset);
    Lines lines;
    ASSERT_TRUE(gf_readTextFileLines(charset, path, lines));
    EXPECT_EQ(lines, c.lines);

    const LinesFileResult result = LinesFile::readLines(path, 16);
    ASSERT_TRUE(result.ok) << result.reason;
    EXPECT_EQ(result.reason, "");
    EXPECT_EQ(result.lines, c.lines);
    EXPECT_EQ(result.count, c.lines.size());
}

INSTANTIATE_TEST_SUITE_P(
    Files, ReadTextFileLinesTest,
    ::testing::Values(
        ReadCase{
            "Ascii", "[fltsim.0]\r\ntitle=AIG\r\n", Charset::utf8, {"[fltsim.0]", "title=AIG"}},
        ReadCase{"Utf8", "Z\xC3\xBCrich\nx", Charset::utf8, {"Z\xC3\xBCrich", "x"}},
        ReadCase{"Utf8Bom", "\xEF\xBB\xBF[fltsim.0]\nb", Charset::utf8_bom, {"[fltsim.0]", "b"}},
        // The letter é as the one Windows-1252 byte 0xE9.
        ReadCase{"Cp1252",
                 "title=caf\xE9\r\nna\xEFve \x80",
                 Charset::ansi,
                 {"title=caf\xC3\xA9", "na\xC3\xAFve \xE2\x82\xAC"}},
        ReadCase{"Utf16LeBom",
                 "\xFF\xFE" + utf16("a=1\r\nb=2\r\n", false),
                 Charset::utf16le,
                 {"a=1", "b=2"}},
        ReadCase{
            "Utf16BeBom", "\xFE\xFF" + utf16("a=1\nb=2", true), Charset::utf16be, {"a=1", "b=2"}},
        ReadCase{"Utf16LeNoBom",
                 utf16("title=", false) + std::string("\xE9\0", 2) + utf16("\r\nx", false),
                 Charset::utf16le,
                 {"title=\xC3\xA9", "x"}},
        ReadCase{"Utf16BeNoBom", utf16("k=v\r\n\r\nz", true), Charset::utf16be, {"k=v", "", "z"}},
        ReadCase{"Empty", "", Charset::utf8, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReadTextFileLinesTest, ClearsTheListAndFailsOnUnreadableFiles) {
    testing::TempDir dir;
    Lines lines{"old"};
    EXPECT_FALSE(gf_readTextFileLines(Charset::utf8, dir / "missing.txt", lines));
    EXPECT_THAT(lines, IsEmpty());

    lines = {"old"};
    EXPECT_FALSE(gf_readTextFileLines(Charset::utf8, dir.path(), lines));
    EXPECT_THAT(lines, IsEmpty());

    writeBytes(dir / "a.txt", "x\ny");
    lines = {"old"};
    EXPECT_FALSE(gf_readTextFileLines(Charset::none_found, dir / "a.txt", lines));
    EXPECT_THAT(lines, IsEmpty());

    lines.assign(3, "old");
    ASSERT_TRUE(gf_readTextFileLines(Charset::utf8, dir / "a.txt", lines));
    EXPECT_THAT(lines, ElementsAre("x", "y"));
}

TEST(ReadTextFileLinesTest, ReadsAFileBiggerThanTheSample) {
    testing::TempDir dir;
    std::string bytes;
    for (int i = 0; i < 2000; ++i) {
        bytes += "line " + std::to_string(i) + "\r\n";
    }
    bytes += "last \xE9"; // after the sample: decoded as UTF-8, the stray byte replaced
    writeBytes(dir / "big.txt", bytes);
    const LinesFileResult result = LinesFile::readLines(dir / "big.txt", 4096);
    ASSERT_TRUE(result.ok);
    ASSERT_EQ(result.count, 2001u);
    EXPECT_EQ(result.lines[1999], "line 1999");
    EXPECT_EQ(result.lines[2000], "last \xEF\xBF\xBD");
    EXPECT_GE(result.lines.capacity(), 4096u);
}

TEST(LinesFileTest, ReportsWhyItFailed) {
    testing::TempDir dir;
    const LinesFileResult missing = LinesFile::readLines(dir / "missing.txt", 8);
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.reason, "open_failed");
    EXPECT_THAT(missing.lines, IsEmpty());
    EXPECT_EQ(missing.count, 0u);

    EXPECT_EQ(LinesFile::readLines(dir.path()).reason, "open_failed");

    writeBytes(dir / "binary.dat", std::string("\x01\0\0\0\x02\0\0\0", 8));
    const LinesFileResult binary = LinesFile::readLines(dir / "binary.dat");
    EXPECT_FALSE(binary.ok);
    EXPECT_EQ(binary.reason, "not_text");
}

TEST(LinesFileTest, ReadsAnInstalledAircraftCfg) {
    SKYLOOM_REQUIRE_SHARED(path, "data/aircraftcfg/Samueleonard-AIG-ModelMatching-For-MSFS/"
                                 "Community/aig-aitraffic-oci-beta/SimObjects/Airplanes/"
                                 "AIGAIM_AIG_A330-200F_RR/aircraft.cfg");
    const LinesFileResult result = LinesFile::readLines(path, 1024);
    ASSERT_TRUE(result.ok) << result.reason;
    const std::string raw = readBytes(path);
    EXPECT_EQ(result.count, gf_splitLines(raw).size());
    for (const std::string& line : result.lines) {
        EXPECT_TRUE(gf_isValidUtf8(line)) << line;
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << line;
    }
    EXPECT_THAT(result.lines, ::testing::Contains("[fltsim.0]"));
    EXPECT_THAT(result.lines, ::testing::Contains("ui_variation=Transportes A\xC3\xA9reos "
                                                  "Mercantiles Panamericanos S.A. (TAMPA)"));
}

TEST(WriteLinesToFileTest, BothArgumentOrdersReplaceTheFile) {
    testing::TempDir dir;
    const Lines lines{"EGLL", "", "Z\xC3\xBCrich"};
    writeBytes(dir / "a.txt", "a much longer previous content\n");
    ASSERT_TRUE(gf_writeLinesToFile(dir / "a.txt", lines));
    ASSERT_TRUE(gf_writeLinesToFile(lines, dir / "b.txt"));
    EXPECT_EQ(readBytes(dir / "a.txt"), "EGLL\n\nZ\xC3\xBCrich\n");
    EXPECT_EQ(readBytes(dir / "b.txt"), readBytes(dir / "a.txt"));

    ASSERT_TRUE(gf_writeLinesToFile(dir / "a.txt", Lines{}));
    EXPECT_EQ(readBytes(dir / "a.txt"), "");

    // What is written reads back as written.
    ASSERT_TRUE(gf_writeLinesToFile(dir / "c.txt", lines));
    EXPECT_EQ(LinesFile::readLines(dir / "c.txt").lines, lines);
}

TEST(WriteLinesToFileTest, FalseWhenTheFileCannotBeOpened) {
    testing::TempDir dir;
    EXPECT_FALSE(gf_writeLinesToFile(dir / "no" / "such" / "folder.txt", Lines{"x"}));
    EXPECT_FALSE(gf_writeLinesToFile(Lines{"x"}, dir.path()));
    EXPECT_FALSE(std::filesystem::exists(dir / "no"));
}

TEST(WriteFileTest, WritesTheTextWithOrWithoutANewline) {
    testing::TempDir dir;
    ASSERT_TRUE(gf_writeFile("archive/simaddon/EGLL.enc", dir / "EGLL.txt", true));
    EXPECT_EQ(readBytes(dir / "EGLL.txt"), "archive/simaddon/EGLL.enc\n");
    ASSERT_TRUE(gf_writeFile("x", dir / "EGLL.txt", false));
    EXPECT_EQ(readBytes(dir / "EGLL.txt"), "x");
    ASSERT_TRUE(gf_writeFile("", dir / "empty.txt", false));
    EXPECT_TRUE(std::filesystem::exists(dir / "empty.txt"));
    EXPECT_EQ(readBytes(dir / "empty.txt"), "");
    EXPECT_FALSE(gf_writeFile("x", dir / "missing" / "a.txt", true));
    EXPECT_FALSE(gf_writeFile("x", dir.path(), true));
}

// On a full disk a write fails and the file that was there stays whole, with no ".tmp" left
// beside it; once there is room again the next write replaces it.
TEST(WriteLinesToFileTest, AFullDiskLeavesThePreviousFileWhole) {
    testing::TempDir dir;
    const std::filesystem::path disk = dir / "disk";
    std::filesystem::create_directory(disk);
    const std::filesystem::path out = dir / "out";
    std::filesystem::create_directory(out);
    const Lines before{"EHAM", "EGLL,A10"};
    const Lines after(2000, "KLAX,GATE 12 (a line long enough to need room of its own)");
    const std::optional<int> code = testing::runOnSmallDisk(disk, 64 * 1024, [&] {
        if (!gf_writeLinesToFile(disk / "list.txt", before)) {
            return 2;
        }
        testing::fillDisk(disk);
        const bool fullWrite = gf_writeLinesToFile(disk / "list.txt", after);
        std::filesystem::copy(disk, out / "full");
        std::filesystem::remove(disk / "filler");
        const bool roomyWrite = gf_writeLinesToFile(disk / "list.txt", Lines{"KLAX"});
        std::filesystem::copy_file(disk / "list.txt", out / "roomy.txt");
        return (fullWrite ? 4 : 0) + (roomyWrite ? 0 : 8);
    });
    if (!code) {
        GTEST_SKIP() << testing::kNoSmallDisk;
    }
    EXPECT_EQ(*code, 0) << "4: the write on the full disk succeeded; 8: the later one failed";
    EXPECT_EQ(readBytes(out / "full" / "list.txt"), "EHAM\nEGLL,A10\n");
    EXPECT_FALSE(std::filesystem::exists(out / "full" / "list.txt.tmp"));
    EXPECT_EQ(readBytes(out / "roomy.txt"), "KLAX\n");
}

} // namespace
} // namespace skyloom

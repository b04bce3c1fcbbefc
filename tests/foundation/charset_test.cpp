#include "foundation/charset.h"

#include <fstream>
#include <ostream>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "foundation/utf.h"
#include "tests/support/shared_data.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_files.h"

namespace skyloom {

// Readable charsets in failure messages.
void PrintTo(Charset charset, std::ostream* os) {
    *os << gf_charsetName(charset);
}

namespace {

// "Hi\r\n" in UTF-16 of either byte order, without a mark.
const std::string kHiLe("H\0i\0\r\0\n\0", 8);
const std::string kHiBe("\0H\0i\0\r\0\n", 8);

struct DetectCase {
    const char* name;
    std::string bytes;
    Charset expected;
};

// Test names in listings show the case's name, not its bytes.
void PrintTo(const DetectCase& c, std::ostream* os) {
    *os << c.name;
}

class DetectCharsetTest : public ::testing::TestWithParam<DetectCase> {};

TEST_P(DetectCharsetTest, RecognisesTheFile) {
    testing::TempDir dir;
    const auto path = dir / "file.txt";
    testing::writeText(path, GetParam().bytes);
    EXPECT_EQ(gf_detectCharset(path), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Files, DetectCharsetTest,
    ::testing::Values(
        DetectCase{"Utf8Bom", "\xEF\xBB\xBFtitle=x\r\n", Charset::utf8_bom},
        DetectCase{"Utf8BomOnly", "\xEF\xBB\xBF", Charset::utf8_bom},
        DetectCase{"Utf16LeBom", "\xFF\xFE" + kHiLe, Charset::utf16le},
        DetectCase{"Utf16BeBom", "\xFE\xFF" + kHiBe, Charset::utf16be},
        DetectCase{"Utf16LeNoBom", kHiLe, Charset::utf16le},
        DetectCase{"Utf16BeNoBom", kHiBe, Charset::utf16be},
        // A few non-Latin units (no zero byte) do not hide the pattern.
        DetectCase{"Utf16LeNoBomMixed", kHiLe + std::string("\x14\x04\x30\x04", 4) + kHiLe,
                   Charset::utf16le},
        DetectCase{"OneUtf16Unit", std::string("A\0", 2), Charset::utf16le},
        DetectCase{"Ascii", "[fltsim.0]\r\ntitle = AIG\r\n", Charset::utf8},
        DetectCase{"Utf8NoBom", "title=Z\xC3\xBCrich\n", Charset::utf8},
        DetectCase{"Cp1252", "title=caf\xE9\r\n", Charset::ansi},
        DetectCase{"Cp1252Euro", "\x80 100\n", Charset::ansi},
        DetectCase{"Utf8CutAtEndOfShortFile", "abc\xC3", Charset::ansi},
        DetectCase{"Empty", "", Charset::utf8},
        // Zero bytes that fit no UTF-16 pattern: binary data.
        DetectCase{"ZerosOnBothSides", std::string("\0\0\0\0ab", 6), Charset::none_found},
        DetectCase{"StrayNulInText", std::string("title=abcdefgh\0ijklmn\n", 22),
                   Charset::none_found}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DetectCharsetTest, UnreadablePathsFindNone) {
    testing::TempDir dir;
    EXPECT_EQ(gf_detectCharset(dir / "missing.txt"), Charset::none_found);
    EXPECT_EQ(gf_detectCharset(dir.path()), Charset::none_found);
}

TEST(DetectCharsetTest, OnlyTheFirst4096BytesCount) {
    testing::TempDir dir;
    const std::string prefix(4095, 'a');

    // "é" (C3 A9) straddles the sample's end: the cut sequence is no fault.
    testing::writeText(dir / "cut.txt", prefix + "\xC3\xA9 more");
    EXPECT_EQ(gf_detectCharset(dir / "cut.txt"), Charset::utf8);

    // The same lead byte as the file's very last byte is a truncated sequence.
    testing::writeText(dir / "end.txt", prefix + "\xC3");
    EXPECT_EQ(gf_detectCharset(dir / "end.txt"), Charset::ansi);

    // A Windows-1252 byte after the sample is not seen.
    testing::writeText(dir / "late.txt", std::string(4096, 'a') + "\xE9");
    EXPECT_EQ(gf_detectCharset(dir / "late.txt"), Charset::utf8);

    // One inside it is.
    testing::writeText(dir / "early.txt", std::string(4000, 'a') + "\xE9" + std::string(200, 'a'));
    EXPECT_EQ(gf_detectCharset(dir / "early.txt"), Charset::ansi);

    // A cut sequence that is already malformed still counts against UTF-8.
    testing::writeText(dir / "badcut.txt", std::string(4094, 'a') + "\xE0\x80\x80");
    EXPECT_EQ(gf_detectCharset(dir / "badcut.txt"), Charset::ansi);
}

TEST(DetectCharsetTest, ReadsAnInstalledAircraftCfg) {
    SKYLOOM_REQUIRE_SHARED(path, "data/aircraftcfg/Samueleonard-AIG-ModelMatching-For-MSFS/"
                                 "Community/aig-aitraffic-oci-beta/SimObjects/Airplanes/"
                                 "AIGAIM_AIG_A330-200F_RR/aircraft.cfg");
    // Written in UTF-8 without a mark, with characters beyond ASCII.
    EXPECT_EQ(gf_detectCharset(path), Charset::utf8);
}

TEST(Cp1252Test, MapsEveryByte) {
    // ASCII and 0xA0 to 0xFF are Latin-1.
    for (unsigned b = 0; b < 256; ++b) {
        if (b < 0x80 || b >= 0xA0) {
            EXPECT_EQ(gf_cp1252CodePoint(static_cast<unsigned char>(b)), char32_t(b)) << b;
        }
    }
    EXPECT_EQ(gf_cp1252CodePoint(0x80), U'\u20AC');
    EXPECT_EQ(gf_cp1252CodePoint(0x82), U'\u201A');
    EXPECT_EQ(gf_cp1252CodePoint(0x8A), U'\u0160');
    EXPECT_EQ(gf_cp1252CodePoint(0x93), U'\u201C');
    EXPECT_EQ(gf_cp1252CodePoint(0x99), U'\u2122');
    EXPECT_EQ(gf_cp1252CodePoint(0x9F), U'\u0178');
    // The five undefined bytes keep their value as C1 controls.
    for (const unsigned char b : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
        EXPECT_EQ(gf_cp1252CodePoint(b), char32_t(b)) << int(b);
    }
    // 0x80 to 0x9F otherwise map to 27 distinct characters beyond Latin-1.
    int beyond = 0;
    for (unsigned b = 0x80; b < 0xA0; ++b) {
        beyond += gf_cp1252CodePoint(static_cast<unsigned char>(b)) > 0xFF ? 1 : 0;
    }
    EXPECT_EQ(beyond, 27);
}

TEST(Cp1252Test, DecodesToWellFormedUtf8) {
    EXPECT_EQ(gf_cp1252ToUtf8("caf\xE9"), "caf\xC3\xA9");
    EXPECT_EQ(gf_cp1252ToUtf8("\x80\x99"), "\xE2\x82\xAC\xE2\x84\xA2");
    std::string all;
    for (unsigned b = 0; b < 256; ++b) {
        all.push_back(static_cast<char>(b));
    }
    const std::string utf8 = gf_cp1252ToUtf8(all);
    EXPECT_TRUE(gf_isValidUtf8(utf8));
    EXPECT_EQ(gf_utf8Length(utf8), 256u);
}

TEST(DecodeToUtf8Test, SkipsTheMarkOfItsCharsetOnly) {
    EXPECT_EQ(gf_decodeToUtf8(Charset::utf8_bom, "\xEF\xBB\xBFx"), "x");
    EXPECT_EQ(gf_decodeToUtf8(Charset::utf8, "\xEF\xBB\xBFx"), "x");
    EXPECT_EQ(gf_decodeToUtf8(Charset::utf16le, "\xFF\xFE" + kHiLe), "Hi\r\n");
    EXPECT_EQ(gf_decodeToUtf8(Charset::utf16be, "\xFE\xFF" + kHiBe), "Hi\r\n");
    EXPECT_EQ(gf_decodeToUtf8(Charset::utf16le, kHiLe), "Hi\r\n");
    EXPECT_EQ(gf_decodeToUtf8(Charset::utf16be, kHiBe), "Hi\r\n");
    // In ANSI, EF BB BF are the letters they are.
    EXPECT_EQ(gf_decodeToUtf8(Charset::ansi, "\xEF\xBB\xBF"), "\xC3\xAF\xC2\xBB\xC2\xBF");
}

TEST(DecodeToUtf8Test, Utf16PairsJoinAndBadUnitsBecomeReplacements) {
    // U+1D11E as a pair, then a lone high surrogate before 'a', then a lone low one.
    const std::string le("\x34\xD8\x1E\xDD\x34\xD8"
                         "a\0\x1E\xDD",
                         10);
    EXPECT_EQ(gf_decodeToUtf8(Charset::utf16le, le), "\xF0\x9D\x84\x9E\xEF\xBF\xBD"
                                                     "a\xEF\xBF\xBD");
    const std::string be("\xD8\x34\xDD\x1E", 4);
    EXPECT_EQ(gf_decodeToUtf8(Charset::utf16be, be), "\xF0\x9D\x84\x9E");
    // A lone high surrogate as the last unit, and an odd last byte.
    EXPECT_EQ(gf_decodeToUtf8(Charset::utf16le, std::string("a\0\x34\xD8", 4)), "a\xEF\xBF\xBD");
    EXPECT_EQ(gf_decodeToUtf8(Charset::utf16le, std::string("a\0b", 3)), "a\xEF\xBF\xBD");
}

TEST(DecodeToUtf8Test, MalformedUtf8BecomesReplacements) {
    EXPECT_EQ(gf_decodeToUtf8(Charset::utf8, "ok\xE9"), "ok\xEF\xBF\xBD");
}

TEST(DecodeToUtf8Test, NoCharsetIsAnError) {
    EXPECT_THROW((void)gf_decodeToUtf8(Charset::none_found, "x"), std::invalid_argument);
}

TEST(CharsetTest, NoneFoundKeepsItsValue) {
    EXPECT_EQ(static_cast<int>(Charset::none_found), 5);
    EXPECT_EQ(gf_charsetName(Charset::none_found), "none");
}

} // namespace
} // namespace skyloom

#include "foundation/utf.h"

#include <ostream>
#include <stdexcept>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace skyloom {
namespace {

struct RoundTrip {
    const char* name;
    std::string utf8;
    std::u16string utf16;
};

// Test names in listings show the case's name, not its bytes.
void PrintTo(const RoundTrip& c, std::ostream* os) {
    *os << c.name;
}

class UtfRoundTripTest : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(UtfRoundTripTest, ConvertsBothWays) {
    const RoundTrip& c = GetParam();
    EXPECT_EQ(wide_to_utf8(c.utf16), c.utf8);
    EXPECT_EQ(utf8_to_wide(c.utf8), c.utf16);
    EXPECT_EQ(wide_to_utf8(utf8_to_wide(c.utf8)), c.utf8);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, UtfRoundTripTest,
    ::testing::Values(RoundTrip{"Empty", "", u""}, RoundTrip{"Ascii", "EGLL B738", u"EGLL B738"},
                      RoundTrip{"TwoByte", "caf\xC3\xA9", u"caf\u00E9"},
                      RoundTrip{"ThreeByte", "\xE2\x82\xAC 5", u"\u20AC 5"},
                      RoundTrip{"Cjk", "\xE4\xB8\xAD\xE6\x96\x87", u"\u4E2D\u6587"},
                      // U+1D11E: a surrogate pair in UTF-16, four bytes in UTF-8.
                      RoundTrip{"Astral", "\xF0\x9D\x84\x9E", std::u16string{0xD834, 0xDD1E}},
                      RoundTrip{"Mixed", "a\xF0\x9F\x9B\xA9\xC3\xA9z",
                                std::u16string{u'a', 0xD83D, 0xDEE9, 0x00E9, u'z'}},
                      RoundTrip{"EmbeddedNul", std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
                      // The edges of every sequence length and of the surrogate gap.
                      RoundTrip{"Max1Byte", "\x7F", u"\u007F"},
                      RoundTrip{"Min2Byte", "\xC2\x80", u"\u0080"},
                      RoundTrip{"Max2Byte", "\xDF\xBF", u"\u07FF"},
                      RoundTrip{"Min3Byte", "\xE0\xA0\x80", u"\u0800"},
                      RoundTrip{"BelowSurrogates", "\xED\x9F\xBF", u"\uD7FF"},
                      RoundTrip{"AboveSurrogates", "\xEE\x80\x80", u"\uE000"},
                      RoundTrip{"Max3Byte", "\xEF\xBF\xBF", u"\uFFFF"},
                      RoundTrip{"Min4Byte", "\xF0\x90\x80\x80", std::u16string{0xD800, 0xDC00}},
                      RoundTrip{"MaxCodePoint", "\xF4\x8F\xBF\xBF",
                                std::u16string{0xDBFF, 0xDFFF}}),
    [](const auto& info) { return std::string(info.param.name); });

struct BadUtf16 {
    const char* name;
    std::u16string text;
};

void PrintTo(const BadUtf16& c, std::ostream* os) {
    *os << c.name;
}

class InvalidUtf16Test : public ::testing::TestWithParam<BadUtf16> {};

TEST_P(InvalidUtf16Test, ThrowsRuntimeError) {
    try {
        (void)wide_to_utf8(GetParam().text);
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "wide_to_utf8: invalid UTF-16");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Surrogates, InvalidUtf16Test,
    ::testing::Values(BadUtf16{"LoneHighAtEnd", std::u16string{u'a', 0xD834}},
                      BadUtf16{"HighBeforeLetter", std::u16string{0xD834, u'a'}},
                      BadUtf16{"TwoHighs", std::u16string{0xD834, 0xD834, 0xDD1E}},
                      BadUtf16{"LoneLow", std::u16string{u'a', 0xDD1E, u'b'}},
                      BadUtf16{"LowBeforeHigh", std::u16string{0xDD1E, 0xD834}}),
    [](const auto& info) { return std::string(info.param.name); });

struct BadUtf8 {
    const char* name;
    std::string text;
};

void PrintTo(const BadUtf8& c, std::ostream* os) {
    *os << c.name;
}

class InvalidUtf8Test : public ::testing::TestWithParam<BadUtf8> {};

TEST_P(InvalidUtf8Test, ThrowsRuntimeErrorAndFailsValidation) {
    const std::string& text = GetParam().text;
    try {
        (void)utf8_to_wide(text);
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "utf8_to_wide: invalid UTF-8");
    }
    EXPECT_FALSE(gf_isValidUtf8(text));
}

INSTANTIATE_TEST_SUITE_P(
    Malformed, InvalidUtf8Test,
    ::testing::Values(
        BadUtf8{"StrayContinuation", "a\x80z"}, BadUtf8{"Overlong2C0", "\xC0\xAF"},
        BadUtf8{"Overlong2C1", "\xC1\xBF"}, BadUtf8{"Overlong3", "\xE0\x80\xAF"},
        BadUtf8{"Overlong3High", "\xE0\x9F\xBF"}, BadUtf8{"Overlong4", "\xF0\x80\x80\xAF"},
        BadUtf8{"Overlong4High", "\xF0\x8F\xBF\xBF"}, BadUtf8{"HighSurrogate", "\xED\xA0\x80"},
        BadUtf8{"LowSurrogate", "\xED\xBF\xBF"},
        BadUtf8{"SurrogatePairAsCesu", "\xED\xA0\xBD\xED\xB2\xA9"},
        BadUtf8{"Above10FFFF", "\xF4\x90\x80\x80"}, BadUtf8{"LeadF5", "\xF5\x80\x80\x80"},
        BadUtf8{"LeadFF", "\xFF"}, BadUtf8{"Truncated2AtEnd", "ab\xC3"},
        BadUtf8{"Truncated3AtEnd", "\xE2\x82"}, BadUtf8{"Truncated4AtEnd", "\xF0\x9D\x84"},
        BadUtf8{"TruncatedBeforeAscii", "\xC3"
                                        "A"},
        BadUtf8{"ContinuationMissingInMiddle", "\xE2\x82\xC3\xA9"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Utf8ValidationTest, ACutEndCountsOnlyWhenAllowedAndWellFormedSoFar) {
    EXPECT_TRUE(gf_isValidUtf8("abc\xE2\x82", true));
    EXPECT_FALSE(gf_isValidUtf8("abc\xE2\x82", false));
    EXPECT_TRUE(gf_isValidUtf8("abc\xF0", true));
    // Cut at the end, but already wrong: an overlong start, a surrogate start.
    EXPECT_FALSE(gf_isValidUtf8("abc\xE0\x80", true));
    EXPECT_FALSE(gf_isValidUtf8("abc\xED\xA0", true));
    // A bad byte before the end is bad whatever the end.
    EXPECT_FALSE(gf_isValidUtf8("\xC3(abc\xE2\x82", true));
    EXPECT_TRUE(gf_isValidUtf8(""));
}

TEST(Utf8SequenceLengthTest, TellsWholeCutAndBadSequences) {
    EXPECT_EQ(gf_utf8SequenceLength("A"), 1);
    EXPECT_EQ(gf_utf8SequenceLength("\xC3\xA9"), 2);
    EXPECT_EQ(gf_utf8SequenceLength("\xE2\x82\xAC"), 3);
    EXPECT_EQ(gf_utf8SequenceLength("\xF0\x9D\x84\x9E"), 4);
    EXPECT_EQ(gf_utf8SequenceLength("\xF0\x9D\x84"), -3);
    EXPECT_EQ(gf_utf8SequenceLength("\xC3"), -1);
    EXPECT_EQ(gf_utf8SequenceLength("\x80"), 0);
    EXPECT_EQ(gf_utf8SequenceLength(""), 0);
}

TEST(Utf8SanitizeTest, ReplacesEachBadByteAndKeepsGoodText) {
    EXPECT_EQ(gf_sanitizedUtf8("caf\xC3\xA9"), "caf\xC3\xA9");
    EXPECT_EQ(gf_sanitizedUtf8("a\xFF"
                               "b"),
              "a\xEF\xBF\xBD"
              "b");
    // A cut sequence at the end: each of its bytes is replaced.
    EXPECT_EQ(gf_sanitizedUtf8("x\xE2\x82"), "x\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_TRUE(gf_isValidUtf8(gf_sanitizedUtf8("\xED\xA0\x80\xC0\xAF\xF5")));
}

TEST(Utf8AppendTest, WritesReplacementForValuesThatAreNoCharacter) {
    std::string out;
    gf_appendUtf8(out, U'\U0001F6E9');
    gf_appendUtf8(out, 0xD800);
    gf_appendUtf8(out, 0x110000);
    EXPECT_EQ(out, "\xF0\x9F\x9B\xA9\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(Utf8LengthTest, CountsCodePoints) {
    EXPECT_EQ(gf_utf8Length(""), 0u);
    EXPECT_EQ(gf_utf8Length("caf\xC3\xA9"), 4u);
    EXPECT_EQ(gf_utf8Length("\xF0\x9D\x84\x9E\xE2\x82\xAC"), 2u);
}

} // namespace
} // namespace skyloom

#include "foundation/text.h"

#include <ostream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "foundation/utf.h"

namespace skyloom {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Pieces = std::vector<std::string>;

TEST(TrimTest, RemovesBlanksTabsCrAndLfAtBothEndsOnly) {
    EXPECT_EQ(gf_trim(""), "");
    EXPECT_EQ(gf_trim(" \t\r\n"), "");
    EXPECT_EQ(gf_trim("  EGLL\r\n"), "EGLL");
    EXPECT_EQ(gf_trim("\tA 320 \t"), "A 320");
    EXPECT_EQ(gf_trim("x"), "x");
    // Other control characters and non-breaking spaces are content.
    EXPECT_EQ(gf_trim("\v x \f"), "\v x \f");
    EXPECT_EQ(gf_trim("\xC2\xA0x"), "\xC2\xA0x");
}

struct SplitCase {
    const char* name;
    std::string text;
    Pieces split;        // gf_split at ','
    Pieces splitComma;   // empties dropped
    Pieces splitAtComma; // empties kept, empty text gives none
};

// Test names in listings show the case's name, not its bytes.
void PrintTo(const SplitCase& c, std::ostream* os) {
    *os << c.name;
}

class SplitFamilyTest : public ::testing::TestWithParam<SplitCase> {};

TEST(EqualsIgnoringCaseTest, ComparesAsciiLettersWithoutCase) {
    const struct {
        const char* a;
        const char* b;
        bool equal;
    } cases[] = {{"Archive", "archive", true},
                 {".ENC", ".enc", true},
                 {"", "", true},
                 {"abc", "abd", false},
                 {"abc", "ab", false},
                 {"\xC3\x84", "\xC3\xA4", false},
                 {"[", "{", false}};
    for (const auto& c : cases) {
        EXPECT_EQ(gf_equalsIgnoringCase(c.a, c.b), c.equal) << c.a << " " << c.b;
    }
}

TEST_P(SplitFamilyTest, KeepsOrDropsEmptyPiecesAsEachPromises) {
    const SplitCase& c = GetParam();
    EXPECT_EQ(gf_split(c.text, ','), c.split);
    EXPECT_EQ(gf_splitComma(c.text), c.splitComma);
    EXPECT_EQ(gf_splitAtComma(c.text), c.splitAtComma);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SplitFamilyTest,
    ::testing::Values(SplitCase{"Empty", "", {""}, {}, {}},
                      SplitCase{"Blank", "  \t", {""}, {}, {""}},
                      SplitCase{"One", " BAW ", {"BAW"}, {"BAW"}, {"BAW"}},
                      SplitCase{"Two", "BAW, EZY", {"BAW", "EZY"}, {"BAW", "EZY"}, {"BAW", "EZY"}},
                      SplitCase{"LeadingComma", ",BAW", {"", "BAW"}, {"BAW"}, {"", "BAW"}},
                      SplitCase{"TrailingComma", "BAW,", {"BAW", ""}, {"BAW"}, {"BAW", ""}},
                      SplitCase{"TwoCommasInMiddle",
                                "KLM,,Royal Dutch",
                                {"KLM", "", "Royal Dutch"},
                                {"KLM", "Royal Dutch"},
                                {"KLM", "", "Royal Dutch"}},
                      SplitCase{
                          "BlankPiece", "a, \r\n ,b", {"a", "", "b"}, {"a", "b"}, {"a", "", "b"}},
                      SplitCase{"OnlyComma", ",", {"", ""}, {}, {"", ""}},
                      SplitCase{"InnerBlanksStay",
                                " North Field , x",
                                {"North Field", "x"},
                                {"North Field", "x"},
                                {"North Field", "x"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SplitTest, SplitsAtTheGivenSeparatorOnly) {
    // A user regcode line: title; regcodes; marker.
    EXPECT_EQ(gf_split("AIG A320 Lufthansa ; D-AI*, D-AB ; #", ';'),
              (Pieces{"AIG A320 Lufthansa", "D-AI*, D-AB", "#"}));
    EXPECT_EQ(gf_split("title;;#", ';'), (Pieces{"title", "", "#"}));
    EXPECT_EQ(gf_split("a,b", ';'), (Pieces{"a,b"}));
}

struct SplitAndTrimCase {
    const char* name;
    std::string text;
    std::string expected;
};

void PrintTo(const SplitAndTrimCase& c, std::ostream* os) {
    *os << c.name;
}

class SplitAndTrimTest : public ::testing::TestWithParam<SplitAndTrimCase> {};

TEST_P(SplitAndTrimTest, NormalisesOnlyTextsWithWhiteSpace) {
    std::string text = GetParam().text;
    gf_splitAndTrim(text);
    EXPECT_EQ(text, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SplitAndTrimTest,
    ::testing::Values(
        // Without white space nothing changes, not even empty items.
        SplitAndTrimCase{"NoWhiteSpace", "GATE,RAMP", "GATE,RAMP"},
        SplitAndTrimCase{"NoWhiteSpaceEmptyItems", "GATE,,RAMP,", "GATE,,RAMP,"},
        SplitAndTrimCase{"Empty", "", ""}, SplitAndTrimCase{"Blanks", "GATE, RAMP", "GATE,RAMP"},
        SplitAndTrimCase{"BlanksAndEmptyItems", " GATE ,, RAMP , ", "GATE,RAMP"},
        SplitAndTrimCase{"TabAndCr", "BAW\t\r", "BAW"}, SplitAndTrimCase{"OnlyBlanks", "   ", ""},
        SplitAndTrimCase{"InnerBlankKept", "big gate, x", "big gate,x"}),
    [](const auto& info) { return std::string(info.param.name); });

struct QuotedCase {
    const char* name;
    std::string text;
    std::string expected;
};

void PrintTo(const QuotedCase& c, std::ostream* os) {
    *os << c.name;
}

class QuotedTextTest : public ::testing::TestWithParam<QuotedCase> {};

TEST_P(QuotedTextTest, TakesTheTextBetweenTheFirstTwoQuotes) {
    EXPECT_EQ(gf_quotedText(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, QuotedTextTest,
    ::testing::Values(
        QuotedCase{"NoQuote", "AIG A320 BAW", "AIG A320 BAW"}, QuotedCase{"Empty", "", ""},
        QuotedCase{"TwoQuotes", "\"AIG A320 BAW\"", "AIG A320 BAW"},
        QuotedCase{"QuotesInsideText", "x \"abc\" y", "abc"},
        QuotedCase{"OneCharacter", "\"a\"", "a"}, QuotedCase{"BlankBetween", "\" \"", " "},
        QuotedCase{"OneQuote", "\"AIG A320", ""}, QuotedCase{"OneQuoteAtEnd", "AIG A320\"", ""},
        QuotedCase{"AdjacentQuotes", "\"\"", ""}, QuotedCase{"AdjacentThenMore", "\"\"abc\"", ""},
        QuotedCase{"ThreeQuotes", "\"a\"b\"", "a"},
        QuotedCase{"TrailingComment", "\"BAW\" ; airline", "BAW"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CommaListToSortedSetTest, SortsTrimsAndDropsDuplicatesAndEmpties) {
    EXPECT_THAT(gf_commaListToSortedSet("G-EUUA, D-AIBA,G-EUUA,, A6-EDA "),
                ElementsAre("A6-EDA", "D-AIBA", "G-EUUA"));
    EXPECT_THAT(gf_commaListToSortedSet(""), IsEmpty());
    EXPECT_THAT(gf_commaListToSortedSet(" , "), IsEmpty());
    // Byte-wise: upper case before lower case, and no case folding.
    EXPECT_THAT(gf_commaListToSortedSet("b,B,a"), ElementsAre("B", "a", "b"));
}

TEST(TitleLineTest, CentresTheTextBetweenStarRuns) {
    EXPECT_EQ(gf_titleLine(""), std::string(100, '*'));

    // Even padding: 100 - 2 - 2 = 96, 48 on each side.
    EXPECT_EQ(gf_titleLine("ab"), std::string(48, '*') + " ab " + std::string(48, '*'));
    // Odd padding: 100 - 3 - 2 = 95, the extra star on the right.
    EXPECT_EQ(gf_titleLine("abc"), std::string(47, '*') + " abc " + std::string(48, '*'));

    const std::string summary = gf_titleLine("live traffic livery matching summary");
    EXPECT_EQ(summary.size(), 100u);
    EXPECT_EQ(summary.find(" live traffic livery matching summary "), 31u);
}

TEST(TitleLineTest, CountsCodePointsNotBytes) {
    const std::string line = gf_titleLine("caf\xC3\xA9");
    EXPECT_EQ(gf_utf8Length(line), 100u);
    EXPECT_EQ(line, std::string(47, '*') + " caf\xC3\xA9 " + std::string(47, '*'));
}

TEST(TitleLineTest, LongTextsKeepOneStarEachSideAndAreNeverCut) {
    const std::string fits(96, 'x');
    EXPECT_EQ(gf_titleLine(fits), "* " + fits + " *");
    EXPECT_EQ(gf_titleLine(fits).size(), 100u);

    for (const std::size_t length : {97u, 98u, 99u, 100u, 150u}) {
        const std::string text(length, 'y');
        EXPECT_EQ(gf_titleLine(text), "* " + text + " *") << length;
    }
}

TEST(VersionTextTest, JoinsWithDots) {
    EXPECT_EQ(gf_versionText(1, 2, 3), "1.2.3");
    EXPECT_EQ(gf_versionText(0, 0, 0), "0.0.0");
    EXPECT_EQ(gf_versionText(4294967295u, 10, 0), "4294967295.10.0");
}

TEST(RemoveDotsTest, DropsEveryDot) {
    EXPECT_EQ(gf_removeDots("1.2.3"), "123");
    EXPECT_EQ(gf_removeDots("..a.b.."), "ab");
    EXPECT_EQ(gf_removeDots(""), "");
    EXPECT_EQ(gf_removeDots("EGLL"), "EGLL");
}

TEST(ParseDottedVersionTest, ReadsNumbersAndSuffix) {
    const auto v = gf_parseDottedVersion("1.20.3");
    ASSERT_TRUE(v.has_value());
    EXPECT_THAT(v->numbers, ElementsAre(1u, 20u, 3u));
    EXPECT_FALSE(v->hasSuffix());

    const auto rc = gf_parseDottedVersion(" 2.0-rc12 ");
    ASSERT_TRUE(rc.has_value());
    EXPECT_THAT(rc->numbers, ElementsAre(2u, 0u));
    EXPECT_EQ(rc->suffix, "RC12");
    EXPECT_EQ(rc->suffixValue, 12u);

    const auto beta = gf_parseDottedVersion("7-beta");
    ASSERT_TRUE(beta.has_value());
    EXPECT_THAT(beta->numbers, ElementsAre(7u));
    EXPECT_EQ(beta->suffix, "BETA");
    EXPECT_EQ(beta->suffixValue, 0u);

    const auto semver = gf_parseDottedVersion("1.0.0-beta.2");
    ASSERT_TRUE(semver.has_value());
    EXPECT_EQ(semver->suffix, "BETA.2");
    EXPECT_EQ(semver->suffixValue, 2u);

    const auto max = gf_parseDottedVersion("4294967295");
    ASSERT_TRUE(max.has_value());
    EXPECT_THAT(max->numbers, ElementsAre(4294967295u));
}

TEST(ParseDottedVersionTest, RejectsTextsOfAnotherForm) {
    for (const char* text :
         {"", " ", "v1.2", "1..2", ".1", "1.", "1.2-", "1.a", "1,2", "-rc1", "1.2 3", "4294967296",
          "1.2-rc 1", "1.2-r\xC3\xA9", "1.2-rc99999999999", "+1", "1.-2"}) {
        EXPECT_FALSE(gf_parseDottedVersion(text).has_value()) << "'" << text << "'";
    }
}

TEST(ParseDottedVersionTest, OrdersVersionsAsTheArchiveLookupNeeds) {
    const auto v = [](const char* text) {
        const auto parsed = gf_parseDottedVersion(text);
        EXPECT_TRUE(parsed.has_value()) << text;
        return parsed.value_or(DottedVersion{});
    };
    // Each version is below the next.
    const std::vector<const char*> ascending = {
        "0.9",     "1.2-ALPHA", "1.2-alpha2", "1.2-beta1", "1.2-beta2", "1.2-beta10",
        "1.2-rc1", "1.2",       "1.2.1",      "1.10",      "2"};
    for (std::size_t i = 0; i + 1 < ascending.size(); ++i) {
        EXPECT_LT(v(ascending[i]), v(ascending[i + 1]))
            << ascending[i] << " < " << ascending[i + 1];
        EXPECT_GT(v(ascending[i + 1]), v(ascending[i]));
    }
    EXPECT_EQ(v("1.2"), v("1.2.0"));
    EXPECT_EQ(v("1.2-RC1"), v("1.2.0-rc01"));
    EXPECT_NE(v("1.2"), v("1.2-rc1"));
}

TEST(NumberTextTest, NoDecimalsWhenWholeElseOne) {
    EXPECT_EQ(gf_numberText(3.0), "3");
    EXPECT_EQ(gf_numberText(0.0), "0");
    EXPECT_EQ(gf_numberText(-12.0), "-12");
    EXPECT_EQ(gf_numberText(2.5), "2.5");
    EXPECT_EQ(gf_numberText(2.96), "3.0");
    EXPECT_EQ(gf_numberText(0.04f), "0.0");
    EXPECT_EQ(gf_numberText(1234567.0), "1234567");
}

TEST(HexidTextTest, FollowsTheSimulatorChoice) {
    ASSERT_TRUE(gf_isHexidHexadecimal()) << "hexadecimal is the default";
    EXPECT_EQ(gf_hexidText(0xABCDEF), "abcdef");
    EXPECT_EQ(gf_hexidText(0), "0");
    gf_setHexidHexadecimal(false);
    EXPECT_EQ(gf_hexidText(0xABCDEF), "11259375");
    EXPECT_EQ(gf_hexidText(4294967295u), "4294967295");
    gf_setHexidHexadecimal(true);
    EXPECT_EQ(gf_hexidText(4294967295u), "ffffffff");
}

TEST(PathToUtf8Test, GivesTheUtf8TextOfThePath) {
    const std::filesystem::path path(u8"airports/my_thirdparty/Z\u00FCrich LSZH.xml");
    EXPECT_EQ(gf_pathToUtf8(path), "airports/my_thirdparty/Z\xC3\xBCrich LSZH.xml");
    EXPECT_EQ(gf_pathToUtf8(std::filesystem::path()), "");
}

} // namespace
} // namespace skyloom

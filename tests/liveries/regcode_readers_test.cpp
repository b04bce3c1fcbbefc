// The regcode readers: which codes are valid, how user lines and AIG records become entries
// (special or not) and error lines, the encrypted AIG file made with the maker's encryptor, the
// user folder, and the don't-use titles.
#include "liveries/regcode_readers.h"

#include <filesystem>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "foundation/encrypted_file.h"
#include "foundation/log_file.h"
#include "tests/liveries/support/livery_world.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace skyloom {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using Codes = std::vector<std::string>;

struct ValidityCase {
    std::string_view regcode;
    bool valid;
};

TEST(RegcodeValidityTest, LengthAndCharacters) {
    const ValidityCase cases[] = {
        {"DAIBA", true},         {"D-AIBA", true},   {"N123AB", true},
        {"G+ABC", true},         {"HB.JCA", true},   {"ABC", true},
        {"ABCDEFGHIJKL", true},  {"AB", false},      {"ABCDEFGHIJKLM", false},
        {"d-aiba", false},       {"D-AIBa", false},  {"D AIBA", false},
        {"D,AIBA", false},       {"", false},        {"D_AIBA", false},
        {"\xc3\x84-ABC", false}, {"D-AIBA ", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(gf_isValidRegcode(c.regcode), c.valid) << "'" << c.regcode << "'";
    }
}

struct LineCase {
    std::string line;
    // No value: the line gives no entry.
    std::optional<RegcodeEntry> entry;
    // The error line, empty for none.
    std::string error;
};

TEST(RegcodeLinesTest, EachLineFormAndItsErrors) {
    const LineCase cases[] = {
        {"Title only", RegcodeEntry{"Title only", {}, false}, ""},
        {"  Padded title  ;  D-AIBA  ", RegcodeEntry{"Padded title", {"D-AIBA"}, true}, ""},
        {"Two;D-AIBB,D-AIBA", RegcodeEntry{"Two", {"D-AIBA", "D-AIBB"}, false}, ""},
        {"Two marked;D-AIBA,D-AIBB;#", RegcodeEntry{"Two marked", {"D-AIBA", "D-AIBB"}, true}, ""},
        {"Marked alone;;#", RegcodeEntry{"Marked alone", {}, false}, ""},
        {"Dupes;D-AIBA, D-AIBA ,", RegcodeEntry{"Dupes", {"D-AIBA"}, true}, ""},
        {"Mixed;D-AIBA,bad", RegcodeEntry{"Mixed", {"D-AIBA"}, true},
         "my.txt line 1: invalid registration code 'bad' for title 'Mixed'"},
        {"Only bad;xx", std::nullopt,
         "my.txt line 1: invalid registration code 'xx' for title 'Only bad'"},
        {"Bad marker;D-AIBA,D-AIBB;*", std::nullopt,
         "my.txt line 1: invalid special marker '*' for title 'Bad marker'"},
        {"a;b;c;d", std::nullopt,
         "my.txt line 1: expected at most 3 semicolon-separated fields: 'a;b;c;d'"},
        {" ;D-AIBA", std::nullopt, "my.txt line 1: missing livery title"},
        {"", std::nullopt, ""},
        {"   ", std::nullopt, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const RegcodeList list = gf_parseRegcodeLines("my.txt", {c.line});
        if (c.entry) {
            EXPECT_THAT(list.entries, ElementsAre(*c.entry));
        } else {
            EXPECT_THAT(list.entries, IsEmpty());
        }
        if (c.error.empty()) {
            EXPECT_THAT(list.errors, IsEmpty());
        } else {
            EXPECT_THAT(list.errors, ElementsAre(c.error));
        }
    }
}

TEST(RegcodeLinesTest, LineNumbersCountEveryLineAndEntriesKeepTheirOrder) {
    const RegcodeList list =
        gf_parseRegcodeLines("user.txt", {"B;D-AIBB", "", "a;b;c;d", "A;D-AIBA", "C;zz"});
    ASSERT_EQ(list.entries.size(), 2u);
    EXPECT_EQ(list.entries[0].title, "B");
    EXPECT_EQ(list.entries[1].title, "A");
    EXPECT_THAT(list.errors,
                ElementsAre(HasSubstr("user.txt line 3: "), HasSubstr("user.txt line 5: ")));
}

RegcodeList lf_parseAig(std::string_view body) {
    pugi::xml_document document;
    const std::string xml = testing::aigRegcodesXml(body);
    EXPECT_TRUE(document.load_string(xml.c_str()));
    return gf_parseAIGRegcodes(document);
}

TEST(AigRegcodesTest, RecordsAndTheirErrors) {
    const RegcodeList list = lf_parseAig(R"(
        <l t="Lufthansa A320" r="D-AIZB,D-AIZA" />
        <l t="" r="D-AIXX" />
        <l t="Lufthansa A320" r="D-AIZC" />
        <l t="Special" r="D-ABYA" s="true" />
        <l t="Title only" />
        <l t="Only invalid" r="bad,x" />
        <l t="Some invalid" r="D-AIBA,no" s="1" />
        <x t="Not a record" r="D-AIBB" />)");
    EXPECT_THAT(list.entries,
                ElementsAre(RegcodeEntry{"Lufthansa A320", {"D-AIZA", "D-AIZB"}, false},
                            RegcodeEntry{"Special", {"D-ABYA"}, true},
                            RegcodeEntry{"Title only", {}, false},
                            RegcodeEntry{"Some invalid", {"D-AIBA"}, true}));
    EXPECT_THAT(list.errors,
                ElementsAre("AIG XML record 2 has no title", "duplicate AIG title 'Lufthansa A320'",
                            "invalid registration code 'bad' for AIG title 'Only invalid'",
                            "invalid registration code 'x' for AIG title 'Only invalid'",
                            "invalid registration code 'no' for AIG title 'Some invalid'"));
}

TEST(AigRegcodesTest, MissingElements) {
    pugi::xml_document noRoot;
    noRoot.load_string("<data><aig/></data>");
    EXPECT_THAT(gf_parseAIGRegcodes(noRoot).errors, ElementsAre("missing <root> element"));
    pugi::xml_document noAig;
    noAig.load_string("<root><liveries/></root>");
    const RegcodeList list = gf_parseAIGRegcodes(noAig);
    EXPECT_THAT(list.errors, ElementsAre("missing <aig> element"));
    EXPECT_THAT(list.entries, IsEmpty());
}

class RegcodeFilesTest : public ::testing::Test {
protected:
    void SetUp() override { LogFile::openIn(dir_.path()); }
    void TearDown() override { LogFile::close(); }

    std::vector<std::string> logLines() const {
        LogFile::flush();
        return testing::readLines(dir_ / "Log.txt");
    }
    bool logHas(std::string_view line) const {
        const auto lines = logLines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    testing::TempDir dir_;
};

TEST_F(RegcodeFilesTest, AigFileMadeByTheEncryptor) {
    const fs::path path = dir_ / "AIG-regcodes.enc";
    ASSERT_TRUE(testing::encryptWithTool(
        testing::aigRegcodesXml(R"(<l t="A" r="D-AIBA,D-AIBB"/><l t="B" r="N1XY"/><l t="C"/>)"),
        path))
        << "the encryptor tool did not run";
    const RegcodeList list = gf_readAIGRegcodesFile(path);
    EXPECT_THAT(list.errors, IsEmpty());
    ASSERT_EQ(list.entries.size(), 3u);
    EXPECT_EQ(list.entries[0].regcodes, (Codes{"D-AIBA", "D-AIBB"}));
    EXPECT_TRUE(logHas("    3 livery titles with 3 regcodes, read from AIG-regcodes.enc"));

    ASSERT_TRUE(
        testing::encryptWithTool(testing::aigRegcodesXml(R"(<l t="A" r="D-AIBA"/>)"), path));
    gf_readAIGRegcodesFile(path);
    EXPECT_TRUE(logHas("    1 livery title with 1 regcode, read from AIG-regcodes.enc"));
}

TEST_F(RegcodeFilesTest, AigFileThatCannotBeReadGivesOneErrorAndNoEntry) {
    const fs::path missing = dir_ / "absent.enc";
    RegcodeList list = gf_readAIGRegcodesFile(missing);
    EXPECT_THAT(list.entries, IsEmpty());
    ASSERT_EQ(list.errors.size(), 1u);
    EXPECT_EQ(list.errors[0], gf_readEncryptedFile(missing, kAigRegcodesMaxBytes).error);

    // A plain XML file in place of the encrypted one.
    const fs::path plain = dir_ / "plain.enc";
    testing::writeTextFile(plain, testing::aigRegcodesXml(R"(<l t="A" r="D-AIBA"/>)"));
    list = gf_readAIGRegcodesFile(plain);
    EXPECT_THAT(list.entries, IsEmpty());
    EXPECT_EQ(list.errors.size(), 1u);

    // Decrypts, but is no XML.
    const fs::path notXml = dir_ / "notxml.enc";
    ASSERT_TRUE(testing::encryptWithTool("<root><aig><l t=\"A\"", notXml));
    list = gf_readAIGRegcodesFile(notXml);
    EXPECT_THAT(list.entries, IsEmpty());
    EXPECT_THAT(list.errors, ElementsAre(HasSubstr("' not loaded: ")));
    EXPECT_THAT(list.errors[0], HasSubstr("notxml.enc"));
}

TEST_F(RegcodeFilesTest, AigFileWithoutOurHeaderIsReportedAndStillRead) {
    const fs::path path = dir_ / "AIG-regcodes.enc";
    ASSERT_TRUE(testing::encryptWithTool(R"(<root><aig><l t="A" r="D-AIBA"/></aig></root>)", path));
    const RegcodeList list = gf_readAIGRegcodesFile(path);
    EXPECT_THAT(list.errors, ElementsAre(fmt::format("'{}' has invalid metadata", path.string())));
    EXPECT_EQ(list.entries.size(), 1u);
}

TEST_F(RegcodeFilesTest, UserFolderReadsTextFilesInPathOrder) {
    const fs::path folder = dir_ / "my_regcodes";
    testing::writeTextFile(folder / "b.TXT", "Second;D-AIBB\n");
    testing::writeTextFile(folder / "a.txt", "First;D-AIBA\nBroken;;*\n");
    testing::writeTextFile(folder / "c.csv", "Ignored;D-AIBC\n");
    fs::create_directories(folder / "sub.txt");
    const RegcodeList list = gf_readRegcodeFolder(folder);
    ASSERT_EQ(list.entries.size(), 2u);
    EXPECT_EQ(list.entries[0].title, "First");
    EXPECT_EQ(list.entries[1].title, "Second");
    EXPECT_THAT(list.errors,
                ElementsAre("a.txt line 2: invalid special marker '*' for title 'Broken'"));
    EXPECT_TRUE(logHas(fmt::format("Processing '{}'", (folder / "a.txt").string())));
    EXPECT_TRUE(logHas(fmt::format("Processing '{}'", (folder / "b.TXT").string())));
}

TEST_F(RegcodeFilesTest, UserFilesInOtherCharsetsAreDecoded) {
    const fs::path folder = dir_ / "my_regcodes";
    // "Aéro" in Windows-1252, and a UTF-8 file with a byte-order mark.
    testing::writeTextFile(folder / "ansi.txt", "A\xe9ro;F-GAAA\r\n");
    testing::writeTextFile(folder / "bom.txt", "\xef\xbb\xbf"
                                               "B\xc3\xa9;F-GBBB\n");
    const RegcodeList list = gf_readRegcodeFolder(folder);
    ASSERT_EQ(list.entries.size(), 2u);
    EXPECT_EQ(list.entries[0].title, "A\xc3\xa9ro");
    EXPECT_EQ(list.entries[1].title, "B\xc3\xa9");
    EXPECT_THAT(list.errors, IsEmpty());
}

TEST_F(RegcodeFilesTest, FolderThatIsNoFolder) {
    testing::writeTextFile(dir_ / "file.txt", "x");
    EXPECT_THAT(gf_readRegcodeFolder(dir_ / "file.txt").errors,
                ElementsAre(fmt::format("'{}' is not a directory", (dir_ / "file.txt").string())));
    EXPECT_THAT(gf_readRegcodeFolder(dir_ / "absent").errors,
                ElementsAre(HasSubstr("could not inspect '")));
}

// Only an entry that holds a title and nothing else says "do not use"; a title listed with
// regcodes (or marked special) is a livery to use for its aircraft.
TEST_F(RegcodeFilesTest, DontUseTitlesAreTheEntriesWithATitleAlone) {
    const fs::path aig = dir_ / "AIG-regcodes.enc";
    ASSERT_TRUE(testing::encryptWithTool(testing::aigRegcodesXml(R"(
        <l t="EAT Leipzig" r="D-AEAA"/>
        <l t="" r="D-AIBB"/>
        <l t="Title alone"/>
        <l t="Empty codes" r=""/>
        <l t="Special alone" s="true"/>
        <l t="Turkish Cargo" r="TC-JDO,TC-JDP" s="true"/>
        <l t="Only bad codes" r="bad"/>)"),
                                         aig));
    FnvStringSet titles;
    EXPECT_EQ(gf_readDontUseTitlesFile(aig, titles), 2u);
    EXPECT_THAT(titles, ::testing::UnorderedElementsAre("Title alone", "Empty codes"));
    EXPECT_TRUE(logHas("==> AIG XML record 2 has no title"));
    EXPECT_TRUE(logHas("    2 don't use titles read"));

    const fs::path folder = dir_ / "my_regcodes";
    testing::writeTextFile(folder / "mine.txt", "User alone\n"
                                                "User with code;D-AIBC\n"
                                                "User with codes;D-AIBD,D-AIBE\n"
                                                "User marked;D-AIBF,D-AIBG;#\n"
                                                "User empty codes;\n");
    titles.clear();
    EXPECT_EQ(gf_readDontUseTitlesFolder(folder, titles), 2u);
    EXPECT_THAT(titles, ::testing::UnorderedElementsAre("User alone", "User empty codes"));
    EXPECT_TRUE(
        logHas(fmt::format("    2 don't use titles read from files in {}", folder.string())));
}

} // namespace
} // namespace skyloom

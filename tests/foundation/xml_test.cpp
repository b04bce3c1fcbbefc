#include "foundation/xml.h"

#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace skyloom {
namespace {

std::string lf_readText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void lf_writeText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

pugi::xml_document lf_documentWith(const char* value) {
    pugi::xml_document doc;
    auto root = doc.append_child("root");
    gf_setXmlAttribute(root.append_child("item"), "v", value);
    return doc;
}

TEST(XmlAttributeTest, ReadsPresentEmptyAndAbsentAttributes) {
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(R"(<root a="x" e=""/>)"));
    const auto root = doc.child("root");
    EXPECT_EQ(gf_xmlAttribute(root, "a"), "x");
    EXPECT_EQ(gf_xmlAttribute(root, "e"), "");
    EXPECT_EQ(gf_xmlAttribute(root, "missing"), std::nullopt);
    EXPECT_EQ(gf_xmlAttribute(root.child("none"), "a"), std::nullopt);
}

TEST(XmlAttributeTest, SetAppendsOnceAndReplacesText) {
    pugi::xml_document doc;
    auto node = doc.append_child("l");
    EXPECT_TRUE(gf_setXmlAttribute(node, "t", "first"));
    EXPECT_TRUE(gf_setXmlAttribute(node, "t", "second & <third>"));
    EXPECT_EQ(gf_xmlAttribute(node, "t"), "second & <third>");
    EXPECT_EQ(std::distance(node.attributes_begin(), node.attributes_end()), 1);

    EXPECT_FALSE(gf_setXmlAttribute(pugi::xml_node(), "t", "x"));
    EXPECT_FALSE(gf_setXmlAttribute(node, "", "x"));
    // A text node cannot carry attributes.
    EXPECT_FALSE(gf_setXmlAttribute(node.append_child(pugi::node_pcdata), "t", "x"));
}

TEST(SaveXmlTest, WritesUtf8WithTheDeclaration) {
    testing::TempDir dir;
    auto doc = lf_documentWith("Zürich ✈");
    ASSERT_TRUE(gf_saveXml(doc, dir / "a.xml"));
    const std::string text = lf_readText(dir / "a.xml");
    EXPECT_EQ(text.rfind(R"(<?xml version="1.0" encoding="UTF-8"?>)", 0), 0U) << text;
    EXPECT_NE(text.find("Zürich ✈"), std::string::npos);

    // Saving again keeps one declaration.
    ASSERT_TRUE(gf_saveXml(doc, dir / "a.xml"));
    const std::string again = lf_readText(dir / "a.xml");
    EXPECT_EQ(again.find("<?xml", 1), std::string::npos) << again;
}

TEST(SaveXmlTest, CorrectsAForeignOrMisplacedDeclaration) {
    testing::TempDir dir;
    pugi::xml_document doc;
    ASSERT_TRUE(
        doc.load_string("<!-- c --><?xml version=\"1.1\" encoding=\"ISO-8859-1\"?><root/>",
                        pugi::parse_default | pugi::parse_declaration | pugi::parse_comments));
    ASSERT_TRUE(gf_saveXml(doc, dir / "a.xml"));
    const std::string text = lf_readText(dir / "a.xml");
    EXPECT_EQ(text.rfind(R"(<?xml version="1.0" encoding="UTF-8"?>)", 0), 0U) << text;
    pugi::xml_document back;
    EXPECT_TRUE(back.load_file((dir / "a.xml").c_str()));
}

TEST(SaveXmlTest, FailsWhenTheFileCannotBeWritten) {
    testing::TempDir dir;
    auto doc = lf_documentWith("x");
    EXPECT_FALSE(gf_saveXml(doc, dir / "no-such-folder" / "a.xml"));
    EXPECT_FALSE(gf_saveXml(doc, dir.path()));
    if (std::filesystem::exists("/dev/full")) {
        EXPECT_FALSE(gf_saveXml(doc, "/dev/full")); // device full: the flush fails
    }
}

class SafeSaveTest : public ::testing::Test {
protected:
    std::filesystem::path target() const { return dir_ / "data.xml"; }
    std::filesystem::path tmp() const { return dir_ / "data.xml.tmp"; }
    std::filesystem::path bak() const { return dir_ / "data.xml.bak"; }

    testing::TempDir dir_;
};

TEST_F(SafeSaveTest, FirstSaveWritesTheFileWithoutBackup) {
    auto doc = lf_documentWith("new");
    const auto result = gf_saveXmlSafely(doc, target());
    ASSERT_TRUE(result) << result.error;
    EXPECT_TRUE(result.error.empty());
    EXPECT_NE(lf_readText(target()).find("new"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(tmp()));
    EXPECT_FALSE(std::filesystem::exists(bak()));
}

TEST_F(SafeSaveTest, SuccessKeepsTheOldFileAsBackup) {
    lf_writeText(target(), "<root><item v=\"old\"/></root>");
    lf_writeText(bak(), "older backup");
    lf_writeText(tmp(), "stale temporary file of a crashed run");
    auto doc = lf_documentWith("new");

    const auto result = gf_saveXmlSafely(doc, target(), [](const pugi::xml_document& d) {
        return d.child("root").child("item") ? std::nullopt : std::optional<std::string>("no item");
    });
    ASSERT_TRUE(result) << result.error;
    EXPECT_NE(lf_readText(target()).find("\"new\""), std::string::npos);
    EXPECT_EQ(lf_readText(bak()), "<root><item v=\"old\"/></root>");
    EXPECT_FALSE(std::filesystem::exists(tmp()));
}

TEST_F(SafeSaveTest, ValidatorSeesTheSavedCopy) {
    auto doc = lf_documentWith("new");
    std::string seen;
    ASSERT_TRUE(gf_saveXmlSafely(doc, target(), [&](const pugi::xml_document& d) {
        seen = gf_xmlAttribute(d.child("root").child("item"), "v").value_or("?");
        return std::nullopt;
    }));
    EXPECT_EQ(seen, "new");
}

// Each failure leaves the old file byte for byte, no ".tmp", and the ".bak" untouched.
TEST_F(SafeSaveTest, FailuresLeaveTheOldFileIntact) {
    struct Case {
        const char* name;
        std::function<pugi::xml_document()> make;
        XmlValidator validator;
        const char* errorPart;
    };
    const Case cases[] = {
        {"validator refuses", [] { return lf_documentWith("new"); },
         [](const pugi::xml_document&) { return std::optional<std::string>("count mismatch"); },
         "count mismatch"},
        {"not well-formed",
         [] {
             pugi::xml_document d;
             d.append_child("root").append_child("bad name<");
             return d;
         },
         {},
         "not well-formed"},
    };
    const std::string old = "<root><item v=\"old\"/></root>";
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.name);
        lf_writeText(target(), old);
        lf_writeText(bak(), "previous backup");
        auto doc = tc.make();
        const auto result = gf_saveXmlSafely(doc, target(), tc.validator);
        EXPECT_FALSE(result);
        EXPECT_NE(result.error.find(tc.errorPart), std::string::npos) << result.error;
        EXPECT_EQ(lf_readText(target()), old);
        EXPECT_EQ(lf_readText(bak()), "previous backup");
        EXPECT_FALSE(std::filesystem::exists(tmp()));
    }
}

TEST_F(SafeSaveTest, UnwritableTargetsFailCleanly) {
    auto doc = lf_documentWith("new");
    const auto missing = dir_ / "no-such-folder" / "data.xml";
    const auto result = gf_saveXmlSafely(doc, missing);
    EXPECT_FALSE(result);
    EXPECT_NE(result.error.find("data.xml.tmp"), std::string::npos) << result.error;

    // A folder in the file's place is neither backed up nor replaced.
    std::filesystem::create_directory(target());
    lf_writeText(target() / "inside.txt", "keep");
    EXPECT_FALSE(gf_saveXmlSafely(doc, target()));
    EXPECT_EQ(lf_readText(target() / "inside.txt"), "keep");
    EXPECT_FALSE(std::filesystem::exists(tmp()));
}

} // namespace
} // namespace skyloom

namespace skyloom {
namespace {

TEST(LoadXmlFile, AFolderOrAMissingFileFailsWithoutReadingIt) {
    testing::TempDir dir;
    std::filesystem::create_directory(dir / "parameters.xml");
    pugi::xml_document document;
    EXPECT_EQ(gf_loadXmlFile(document, dir / "parameters.xml").status, pugi::status_io_error);
    EXPECT_EQ(gf_loadXmlFile(document, dir / "missing.xml").status, pugi::status_file_not_found);

    std::ofstream(dir / "good.xml") << "<root><a b=\"c\"/></root>";
    ASSERT_TRUE(gf_loadXmlFile(document, dir / "good.xml"));
    EXPECT_EQ(gf_xmlAttribute(document.child("root").child("a"), "b"), "c");
}

} // namespace
} // namespace skyloom

#include "foundation/file_header.h"

#include <stdexcept>
#include <string>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "foundation/clock.h"
#include "foundation/manual_clock.h"
#include "foundation/xml.h"
#include "tests/support/temp_dir.h"

namespace skyloom {
namespace {

class FileHeaderTest : public ::testing::Test {
protected:
    void SetUp() override { gf_setClock(&clock_); }
    void TearDown() override { gf_setClock(nullptr); }

    ManualClock clock_{ManualClock::utcTime(2024, 2, 29, 23, 59, 58)};
};

TEST_F(FileHeaderTest, RoundTripThroughAFile) {
    testing::TempDir dir;
    for (const int sim : {kHeaderSimMsfs2020, kHeaderSimMsfs2024}) {
        SCOPED_TRACE(sim);
        pugi::xml_document doc;
        const FileHeader written = gf_makeFileHeader(sim);
        ASSERT_TRUE(gf_writeFileHeader(doc, written));
        doc.child("root").append_child("liveries");
        ASSERT_TRUE(gf_saveXml(doc, dir / "h.xml"));

        pugi::xml_document back;
        ASSERT_TRUE(back.load_file((dir / "h.xml").c_str()));
        const FileHeaderCheck check = gf_checkFileHeader(back, HeaderCheckMode::strict);
        EXPECT_TRUE(check.accepted);
        EXPECT_TRUE(check.reason.empty());
        EXPECT_EQ(check.header.version, gf_programVersionText());
        EXPECT_EQ(check.header.simulator, sim);
        EXPECT_EQ(check.header.copyright, kMakerCopyright);
        EXPECT_EQ(check.header.program, kProgramName);
        EXPECT_EQ(check.header.created, "2024-02-29T23:59:58Z");
        EXPECT_STREQ(back.child("root").first_child().name(), "meta");
    }
}

TEST_F(FileHeaderTest, WriterFillsTheCreationTimeWhenEmpty) {
    FileHeader header;
    header.version = "1.2.3";
    header.simulator = kHeaderSimMsfs2024;
    pugi::xml_document doc;
    ASSERT_TRUE(gf_writeFileHeader(doc, header));
    EXPECT_EQ(gf_xmlAttribute(doc.child("root").child("meta"), "created"), "2024-02-29T23:59:58Z");

    header.created = "2020-01-01T00:00:00Z";
    ASSERT_TRUE(gf_writeFileHeader(doc, header));
    EXPECT_EQ(gf_xmlAttribute(doc.child("root").child("meta"), "created"), header.created);
}

TEST_F(FileHeaderTest, HeaderGoesFirstIntoAnExistingRootAndReplacesAnOldOne) {
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(R"(<root><parameters/><meta version="0.0.1"/></root>)"));
    ASSERT_TRUE(gf_writeFileHeader(doc, gf_makeFileHeader(kHeaderSimMsfs2020)));
    const auto root = doc.child("root");
    EXPECT_STREQ(root.first_child().name(), "meta");
    EXPECT_EQ(gf_xmlAttribute(root.first_child(), "version"), gf_programVersionText());
    EXPECT_EQ(std::distance(root.children("meta").begin(), root.children("meta").end()), 1);
    EXPECT_TRUE(root.child("parameters"));
}

TEST_F(FileHeaderTest, WriterRefusesHeadersTheCheckWouldRefuse) {
    struct Case {
        const char* name;
        std::string version;
        int sim;
        const char* document;
    };
    const Case cases[] = {
        {"no version", "", 1, ""},
        {"two-part version", "1.2", 1, ""},
        {"simulator 0", "1.2.3", 0, ""},
        {"simulator 3", "1.2.3", 3, ""},
        {"another top element", "1.2.3", 1, "<other/>"},
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.name);
        pugi::xml_document doc;
        if (*tc.document != '\0') {
            ASSERT_TRUE(doc.load_string(tc.document));
        }
        FileHeader header;
        header.version = tc.version;
        header.simulator = tc.sim;
        EXPECT_FALSE(gf_writeFileHeader(doc, header));
        EXPECT_FALSE(doc.child("root").child("meta"));
    }
}

// Each document and the reason it is refused with; the strict mode throws that text, the
// lenient one returns it.
TEST_F(FileHeaderTest, EachFaultHasItsReasonInBothModes) {
    const std::string c = fmt::format("copyright=\"{}\"", kMakerCopyright);
    struct Case {
        std::string xml;
        std::string_view reason;
    };
    const Case cases[] = {
        {"<other/>", kHeaderNoCopyright},
        {"<root/>", kHeaderNoCopyright},
        {"<root><parameters/></root>", kHeaderNoCopyright},
        {"<meta version=\"1.0.0\" sim=\"1\" " + c + "/>", kHeaderNoCopyright},
        {"<root><meta version=\"1.0.0\" sim=\"1\"/></root>", kHeaderNoCopyright},
        {"<root><meta version=\"1.0.0\" sim=\"1\" copyright=\"Copyright (c) someone\"/></root>",
         kHeaderNoCopyright},
        {"<root><meta version=\"1.0.0\" sim=\"1\" copyright=\"copyright (c) skyloom "
         "developers\"/></root>",
         kHeaderNoCopyright},
        // The copyright is checked first.
        {"<root><meta version=\"x\" sim=\"9\"/></root>", kHeaderNoCopyright},
        {"<root><meta sim=\"1\" " + c + "/></root>", kHeaderInvalidVersion},
        {"<root><meta version=\"1.2\" sim=\"1\" " + c + "/></root>", kHeaderInvalidVersion},
        {"<root><meta version=\"1.2.3.4\" sim=\"1\" " + c + "/></root>", kHeaderInvalidVersion},
        {"<root><meta version=\"1..3\" sim=\"1\" " + c + "/></root>", kHeaderInvalidVersion},
        {"<root><meta version=\"v1.2.3\" sim=\"1\" " + c + "/></root>", kHeaderInvalidVersion},
        {"<root><meta version=\"1.2.3 \" sim=\"1\" " + c + "/></root>", kHeaderInvalidVersion},
        {"<root><meta version=\"1.2.3-beta\" sim=\"1\" " + c + "/></root>", kHeaderInvalidVersion},
        {"<root><meta version=\"4294967296.0.0\" sim=\"1\" " + c + "/></root>",
         kHeaderInvalidVersion},
        // The version is checked before the simulator.
        {"<root><meta version=\"\" sim=\"x\" " + c + "/></root>", kHeaderInvalidVersion},
        {"<root><meta version=\"1.0.0\" " + c + "/></root>", kHeaderInvalidSim},
        {"<root><meta version=\"1.0.0\" sim=\"\" " + c + "/></root>", kHeaderInvalidSim},
        {"<root><meta version=\"1.0.0\" sim=\"MSFS 2020\" " + c + "/></root>", kHeaderInvalidSim},
        {"<root><meta version=\"1.0.0\" sim=\"1.0\" " + c + "/></root>", kHeaderInvalidSim},
        {"<root><meta version=\"1.0.0\" sim=\" 1\" " + c + "/></root>", kHeaderInvalidSim},
        {"<root><meta version=\"1.0.0\" sim=\"99999999999\" " + c + "/></root>", kHeaderInvalidSim},
        {"<root><meta version=\"1.0.0\" sim=\"0\" " + c + "/></root>", kHeaderUnsupportedSim},
        {"<root><meta version=\"1.0.0\" sim=\"3\" " + c + "/></root>", kHeaderUnsupportedSim},
        {"<root><meta version=\"1.0.0\" sim=\"-1\" " + c + "/></root>", kHeaderUnsupportedSim},
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.xml);
        pugi::xml_document doc;
        ASSERT_TRUE(doc.load_string(tc.xml.c_str()));

        const FileHeaderCheck check = gf_checkFileHeader(doc, HeaderCheckMode::lenient);
        EXPECT_FALSE(check.accepted);
        EXPECT_EQ(check.reason, tc.reason);

        try {
            gf_checkFileHeader(doc, HeaderCheckMode::strict);
            ADD_FAILURE() << "strict check accepted the header";
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(e.what(), tc.reason);
        }
    }
}

TEST_F(FileHeaderTest, AcceptsMinimalAndExtendedHeaders) {
    const std::string c = fmt::format("copyright=\"{}\"", kMakerCopyright);
    const std::string cases[] = {
        "<root><meta version=\"0.0.0\" sim=\"1\" " + c + "/></root>",
        "<root><meta version=\"4294967295.10.01\" sim=\"2\" " + c + "/></root>",
        "<root><meta version=\"1.0.0\" sim=\"02\" " + c + " future=\"x\"/><x/></root>",
    };
    for (const auto& xml : cases) {
        SCOPED_TRACE(xml);
        pugi::xml_document doc;
        ASSERT_TRUE(doc.load_string(xml.c_str()));
        const auto check = gf_checkFileHeader(doc);
        EXPECT_TRUE(check.accepted);
        EXPECT_TRUE(check.header.program.empty());
        EXPECT_TRUE(check.header.created.empty());
    }
}

TEST_F(FileHeaderTest, LenientCheckReportsTheFieldsItFound) {
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(fmt::format("<root><meta version=\"2.1.0\" sim=\"7\" "
                                            "copyright=\"{}\" program=\"P\"/></root>",
                                            kMakerCopyright)
                                    .c_str()));
    const auto check = gf_checkFileHeader(doc, HeaderCheckMode::lenient);
    EXPECT_FALSE(check.accepted);
    EXPECT_EQ(check.header.version, "2.1.0");
    EXPECT_EQ(check.header.simulator, 7);
    EXPECT_EQ(check.header.program, "P");
}

TEST(HeaderVersionTest, ParsesThreeNumbers) {
    const auto v = gf_parseHeaderVersion("4294967295.0.17");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->major, 4294967295U);
    EXPECT_EQ(v->minor, 0U);
    EXPECT_EQ(v->patch, 17U);
    for (const char* bad : {"", ".", "1", "1.2.", ".1.2", "+1.2.3", "-1.2.3", "1.2.3x", "1,2,3"}) {
        EXPECT_FALSE(gf_parseHeaderVersion(bad)) << bad;
    }
}

} // namespace
} // namespace skyloom

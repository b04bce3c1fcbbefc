// The publisher lists of the archives data set: publisher groups with their spellings (empty
// names dropped), refused manifest values (built in when the section is missing), the
// simaddon set and the thirdparty sections of the chosen simulator only; the encrypted and
// the plain form; every way a document is refused; and the look-up of a thirdparty file by
// package version.
#include <fstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "airportscan/publisher_lists.h"
#include "airportscan/publisher_section.h"
#include "foundation/encrypted_file.h"
#include "foundation/log_file.h"
#include "foundation/user_related_exception.h"
#include "foundation/text.h"
#include "tests/airportscan/support/scan_test_support.h"
#include "tests/support/temp_dir.h"

namespace skyloom::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr const char* kSimaddons = "<simaddons20><s20 aps=\"EGLL, LSZH,,\"/></simaddons20>";

class PublisherListsTest : public ::testing::Test {
protected:
    void SetUp() override { LogFile::openIn(dir_.path()); }
    void TearDown() override { LogFile::close(); }

    PublisherLists read(const std::string& content, bool msfs2020 = true) {
        gf_writeArchivesXml(dir_ / "input", content);
        PublisherLists lists;
        EXPECT_TRUE(gf_readPublishers(lists, msfs2020, dir_ / "input"));
        return lists;
    }
    std::vector<std::string> logLines() const {
        LogFile::flush();
        std::vector<std::string> lines;
        std::ifstream in(dir_ / "Log.txt");
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
        }
        return lines;
    }

    TempDir dir_;
};

TEST_F(PublisherListsTest, EveryListIsReadForTheChosenSimulator) {
    const std::string content =
        "<publishers><pub pn=\"Some Studio, SomeStudio\"/><pub pn=\"North Field\"/></publishers>"
        "<rejectedpublishers><rp n=\" FSim , Other \"/></rejectedpublishers>"
        "<simaddons20><s20 aps=\"EGLL, LSZH,,\"/></simaddons20>"
        "<simaddons24><s24 aps=\"KSFO\"/></simaddons24>"
        "<thirdparties20><t20 pub=\"North Field\" aps=\"EGLL10, EGLL12,\">"
        "<ap f=\"EGLL10\" v=\"1.0\"/><ap f=\"EGLL12\" v=\"1.2\"/><ap f=\"EGLL\" v=\"9.9\"/>"
        "</t20></thirdparties20>"
        "<thirdparties24><t24 pub=\"Other Pub\" aps=\"KSFO\"/></thirdparties24>";

    const PublisherLists msfs2020 = read(content, true);
    EXPECT_THAT(msfs2020.publishers,
                ElementsAre(ElementsAre("North Field"), ElementsAre("Some Studio", "SomeStudio")));
    EXPECT_THAT(msfs2020.rejected, ElementsAre("fsim", "other"));
    EXPECT_THAT(msfs2020.simaddons, ElementsAre("EGLL", "LSZH"));
    // The ap naming a file the aps list does not hold changes nothing.
    EXPECT_THAT(msfs2020.thirdparties,
                ElementsAre(ThirdpartySection{"North Field", {{"EGLL10", "1.0"}, {"EGLL12", "1.2"}}}));

    const PublisherLists msfs2024 = read(content, false);
    EXPECT_THAT(msfs2024.simaddons, ElementsAre("KSFO"));
    EXPECT_THAT(msfs2024.thirdparties, ElementsAre(ThirdpartySection{"Other Pub", {{"KSFO", ""}}}));
    EXPECT_THAT(logLines(), ::testing::Contains("    2 publishers"));
    EXPECT_THAT(logLines(), ::testing::Contains("    2 rejected manifest publisher values"));
}

TEST_F(PublisherListsTest, RepeatedGroupsCountOnceAndEmptyNamesAreDropped) {
    const PublisherLists lists =
        read(std::string("<publishers><pub pn=\"A,,B\"/><pub pn=\"A,,B\"/><pub pn=\"C,\"/>"
                         "<pub pn=\" , \"/><pub/></publishers>") +
             kSimaddons);
    EXPECT_THAT(lists.publishers, ElementsAre(ElementsAre("A", "B"), ElementsAre("C")));
    // Without an empty name no group claims a text that names none of its publishers.
    EXPECT_EQ(gf_isKnownPublisher(lists, "x-123").status,
              PublisherLookup::notFound);

    read(std::string("<publishers><pub pn=\"Solo\"/><pub pn=\"Solo\"/></publishers>") + kSimaddons);
    EXPECT_THAT(logLines(), ::testing::Contains("    1 publisher"));
}

TEST_F(PublisherListsTest, KnownPublishersAreFoundByAnySpellingInAnyLetterCase) {
    const PublisherLists lists = read(
        std::string("<publishers><pub pn=\"Some Studio, SomeStudio\"/><pub pn=\"Zeta\"/>"
                    "</publishers>") +
        kSimaddons);
    struct Case {
        std::string text;
        PublisherLookup status;
        std::string name;
    };
    const std::vector<Case> cases{
        {"Community/somestudio-airport-egll/scenery/EGLL.bgl", PublisherLookup::found,
         "Some Studio"},
        {"Community/SOMESTUDIO-egll", PublisherLookup::found, "Some Studio"},
        {"made by Some Studio", PublisherLookup::found, "Some Studio"},
        {"zeta-lszh and somestudio", PublisherLookup::found, "Some Studio"},
        {"zeta-lszh", PublisherLookup::found, "Zeta"},
        {"Some-Studio", PublisherLookup::notFound, ""},
        {"", PublisherLookup::emptyText, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const KnownPublisher known = gf_isKnownPublisher(lists, c.text);
        EXPECT_EQ(known.status, c.status);
        EXPECT_EQ(known.name, c.name);
    }
}

TEST_F(PublisherListsTest, RefusedValuesComeFromTheSectionOrTheBuiltInValue) {
    const PublisherLists builtin = read(kSimaddons);
    EXPECT_TRUE(gf_isRejectedPublisher(builtin, " FSIM\t"));
    EXPECT_FALSE(gf_isRejectedPublisher(builtin, "fsim studio"));
    EXPECT_FALSE(gf_isRejectedPublisher(builtin, ""));

    const PublisherLists none = read(std::string("<rejectedpublishers/>") + kSimaddons);
    EXPECT_THAT(none.rejected, IsEmpty());
    EXPECT_FALSE(gf_isRejectedPublisher(none, "fsim"));
}

TEST_F(PublisherListsTest, TheEncryptedFormIsReadLikeThePlainOne) {
    const std::string document =
        std::string("<?xml version=\"1.0\"?><root><publishers><pub pn=\"Zeta\"/></publishers>") +
        kSimaddons + "</root>";
    std::filesystem::create_directories(dir_ / "input");
    ASSERT_TRUE(gf_writeEncryptedFile(
                    dir_ / "input/archives.enc",
                    {reinterpret_cast<const unsigned char*>(document.data()), document.size()})
                    .ok);
    // The encrypted form wins over a plain one beside it.
    gf_writeArchivesXml(dir_ / "input", "<publishers><pub pn=\"Plain\"/></publishers>");
    PublisherLists lists;
    ASSERT_TRUE(gf_readPublishers(lists, true, dir_ / "input"));
    EXPECT_THAT(lists.publishers, ElementsAre(ElementsAre("Zeta")));
    EXPECT_THAT(lists.simaddons, ElementsAre("EGLL", "LSZH"));
}

TEST_F(PublisherListsTest, UnusableDocumentsAreRefusedAndTheListsLeftEmpty) {
    const std::filesystem::path input = dir_ / "input";
    PublisherLists lists;
    lists.simaddons.insert("OLD1");

    EXPECT_THAT([&] { gf_readPublishers(lists, true, input); },
                ::testing::ThrowsMessage<std::runtime_error>(::testing::Eq(
                    gf_pathToUtf8(input / "archives.enc") + " not available")));
    EXPECT_THAT(lists.simaddons, IsEmpty());

    std::filesystem::create_directories(input);
    {
        std::ofstream(input / "archives.xml") << "<root><publishers>";
    }
    EXPECT_FALSE(gf_readPublishers(lists, true, input));
    EXPECT_THAT(logLines().back(),
                ::testing::StartsWith("==> " + gf_pathToUtf8(input / "archives.xml") +
                                      " not read because: "));

    {
        std::ofstream(input / "archives.xml") << "<archive/>";
    }
    EXPECT_FALSE(gf_readPublishers(lists, true, input));
    EXPECT_EQ(logLines().back(),
              "==> '" + gf_pathToUtf8(input / "archives.xml") + "' has no root node");

    // The simaddon section of the chosen simulator is required, the others are not.
    gf_writeArchivesXml(input, kSimaddons);
    try {
        gf_readPublishers(lists, false, input);
        ADD_FAILURE() << "no exception";
    } catch (const UserRelatedException& e) {
        EXPECT_EQ(e.code(), 61);
        EXPECT_EQ(e.text(), "Missing section: simaddons24");
    }

    {
        std::ofstream(input / "archives.enc") << "not encrypted";
    }
    EXPECT_THROW(gf_readPublishers(lists, true, input), std::runtime_error);
}

TEST(PublisherSectionTest, AFileIsFoundByCodeAndPackageVersion) {
    PublisherLists lists;
    lists.thirdparties = {
        {"North Field", {{"EGLL10", "1.0"}, {"EGLL12", "1.2"}, {"LSZH", ""}, {"EHAM2", "2.0-RC1"}}},
    };
    using enum PublisherSectionStatus;
    struct Case {
        std::string publisher;
        std::string icao;
        std::string version;
        PublisherSectionStatus status;
        std::string file;
        std::string higher;
    };
    const std::vector<Case> cases{
        {"North Field", "EGLL", "1.0", foundHigherPresent, "EGLL10", "1.2"},
        {"North Field", "EGLL", "1.1", notFoundHigherPresent, "", "1.2"},
        {"North Field", "EGLL", "1.2", found, "EGLL12", ""},
        // 1.2.0 equals 1.2: found by the entry's version, not by its name.
        {"North Field", "EGLL", "1.2.0", found, "EGLL12", ""},
        {"North Field", "EGLL", "1.3", notFound, "", ""},
        {"North Field", "EGLL", "", notFound, "", ""},
        {"North Field", "LSZH", "", found, "LSZH", ""},
        {"North Field", "LSZH", "3.1", notFound, "", ""},
        // A release ranks above its release candidate.
        {"North Field", "EHAM", "2.0", notFound, "", ""},
        {"North Field", "EHAM", "2.0-RC0", notFoundHigherPresent, "", "2.0-RC1"},
        {"north field", "EGLL", "1.2", notFound, "", ""},
        {"North  Field", "EGLL", "1.2", notFound, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.publisher + " " + c.icao + " " + c.version);
        const PublisherSectionLookup lookup =
            gf_findPublisherSection(lists, c.publisher, c.icao, c.version);
        EXPECT_EQ(lookup.status, c.status);
        EXPECT_EQ(lookup.file, c.file);
        EXPECT_EQ(lookup.higherVersion, c.higher);
    }
}

} // namespace
} // namespace skyloom::testing

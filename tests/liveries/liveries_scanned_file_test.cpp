#include "liveries/liveries_scanned_file.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "config/program_paths.h"
#include "foundation/file_header.h"
#include "foundation/user_related_exception.h"
#include "foundation/version.h"
#include "liveries/installed_liveries.h"
#include "refdata/code_table.h"
#include "tests/liveries/support/cfg_test_support.h"

namespace skyloom {
namespace {

namespace fs = std::filesystem;

// SKYLOOM_WORKDIR for one test.
class WorkFolderOverride {
public:
    explicit WorkFolderOverride(const fs::path& folder) {
        if (const char* old = std::getenv("SKYLOOM_WORKDIR")) {
            old_ = old;
        }
        ::setenv("SKYLOOM_WORKDIR", folder.c_str(), 1);
    }
    ~WorkFolderOverride() {
        if (old_) {
            ::setenv("SKYLOOM_WORKDIR", old_->c_str(), 1);
        } else {
            ::unsetenv("SKYLOOM_WORKDIR");
        }
    }
    WorkFolderOverride(const WorkFolderOverride&) = delete;
    WorkFolderOverride& operator=(const WorkFolderOverride&) = delete;

private:
    std::optional<std::string> old_;
};

std::string lf_document(std::string_view liveries) {
    return fmt::format("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root>\n"
                       "  <meta version=\"{}\" sim=\"1\" copyright=\"{}\"/>\n{}\n</root>\n",
                       gf_programVersionText(), kMakerCopyright, liveries);
}

class LiveriesScannedFileTest : public ::testing::Test {
protected:
    LiveriesScannedFileTest() {
        fs::create_directories(dir_ / "output");
        target_ = dir_ / "output" / "LiveriesScanned_MSFS2024.xml";
        temporary_ = target_;
        temporary_ += ".scan_tmp";
    }

    LiveryRecord record(std::string title, std::string_view airline, std::string_view model,
                        std::string regcode = {}, std::string_view operatorCode = {},
                        int cargo = 0) {
        return LiveryRecord{std::move(title), std::move(regcode),
                            LiveryKey{gf_airlineId(airline), gf_airlineId(operatorCode),
                                      gf_modelId(model), static_cast<std::uint8_t>(cargo), 1},
                            4};
    }

    std::vector<LiveryRecord> sampleRecords() {
        std::vector<LiveryRecord> records = {
            record("Lufthansa A320", "DLH", "A320", "D-AIZZ"),
            record("Plain", "DLH", "B738"),
            record("Cargo MD11", "FDX", "MD11", "", "", 1),
            record("Operated", "KLM", "E190", "PH-EZA", "DLH"),
            record("Titel \xC3\xA9 \"quoted\" <&>", "BAW", "A319", "G-EUPA"),
        };
        std::sort(records.begin(), records.end(), gf_liveryLess);
        return records;
    }

    // Loads and returns the error of a file with this `liveries` part.
    std::optional<UserRelatedException> loadError(std::string_view text) {
        testing::writeCfgBytes(target_, text);
        try {
            gf_loadLiveriesScanned(target_);
        } catch (const UserRelatedException& e) {
            return e;
        }
        return std::nullopt;
    }

    testing::CfgTestDbase dbase_;
    testing::CfgLogCapture log_;
    testing::TempDir dir_;
    fs::path target_;
    fs::path temporary_;
};

TEST_F(LiveriesScannedFileTest, WrittenRecordsReadBackExactly) {
    const auto records = sampleRecords();
    ASSERT_TRUE(gf_writeLiveriesScanned(records, target_, SimChoice::msfs2024));
    EXPECT_FALSE(fs::exists(temporary_));
    EXPECT_TRUE(log_.has(fmt::format("5 liveries in {}", target_.string())));

    const auto read = gf_loadLiveriesScanned(target_);
    ASSERT_EQ(read.size(), records.size());
    for (std::size_t i = 0; i < read.size(); ++i) {
        EXPECT_EQ(read[i].title, records[i].title);
        EXPECT_EQ(read[i].regcode, records[i].regcode);
        EXPECT_EQ(read[i].key, records[i].key) << read[i].title;
        // Neither the rank nor the further byte is kept in the file.
        EXPECT_EQ(read[i].packageRank, 0);
        EXPECT_EQ(read[i].key.fromRegistration, 0);
    }
    EXPECT_TRUE(log_.has(fmt::format("    5 liveries read from {}", target_.string())));
}

TEST_F(LiveriesScannedFileTest, OptionalAttributesAreWrittenOnlyWhenSet) {
    ASSERT_TRUE(gf_writeLiveriesScanned(sampleRecords(), target_, SimChoice::msfs2020));
    pugi::xml_document document;
    ASSERT_TRUE(document.load_file(target_.c_str()));
    const auto meta = gf_checkFileHeader(document);
    EXPECT_EQ(meta.header.simulator, kHeaderSimMsfs2020);

    std::vector<std::string> shapes;
    for (const auto& l : document.child("root").child("liveries").children()) {
        std::string shape = std::string(l.name()) + ":";
        for (const auto& attribute : l.attributes()) {
            shape += fmt::format(" {}={}", attribute.name(), attribute.value());
        }
        shapes.push_back(shape);
    }
    // Sorted by key: the airline ids follow the dbase's order (DLH, BAW, KLM, FDX).
    EXPECT_EQ(shapes, (std::vector<std::string>{
                          "l: a=DLH m=A320 t=Lufthansa A320 r=D-AIZZ",
                          "l: a=DLH m=B738 t=Plain",
                          "l: a=BAW m=A319 t=Titel \xC3\xA9 \"quoted\" <&> r=G-EUPA",
                          "l: a=KLM o=DLH m=E190 t=Operated r=PH-EZA",
                          "l: a=FDX m=MD11 c=true t=Cargo MD11",
                      }));
}

TEST_F(LiveriesScannedFileTest, OrderIsKeyThenTitleThenRegcode) {
    const auto a = record("B", "DLH", "A320", "2");
    const auto sameKeyLaterTitle = record("C", "DLH", "A320", "1");
    const auto sameTitleLaterReg = record("B", "DLH", "A320", "3");
    const auto cargo = record("A", "DLH", "A320", "", "", 1);
    const auto laterModel = record("A", "DLH", "B738");
    const auto withOperator = record("A", "DLH", "A320", "", "BAW");
    EXPECT_TRUE(gf_liveryLess(a, sameKeyLaterTitle));
    EXPECT_TRUE(gf_liveryLess(a, sameTitleLaterReg));
    EXPECT_TRUE(gf_liveryLess(a, cargo)); // cargo sorts after the model id
    EXPECT_TRUE(gf_liveryLess(cargo, laterModel));
    EXPECT_TRUE(gf_liveryLess(laterModel, withOperator)); // the operator sorts before the model
    EXPECT_FALSE(gf_liveryLess(a, a));
    // The further byte and the rank take no part.
    auto other = a;
    other.key.fromRegistration = 0;
    other.packageRank = 9;
    EXPECT_FALSE(gf_liveryLess(a, other));
    EXPECT_FALSE(gf_liveryLess(other, a));
    EXPECT_TRUE(gf_sameLivery(a, other));
    EXPECT_EQ(a.key.identity(), other.key.identity());
    EXPECT_NE(a.key.value(), other.key.value());
    EXPECT_NE(a.key.identity(), cargo.key.identity());
    EXPECT_FALSE(gf_sameLivery(a, sameTitleLaterReg));
}

TEST_F(LiveriesScannedFileTest, ReadFailuresCarryTheirCodes) {
    const std::string path = target_.string();
    struct Case {
        const char* name;
        std::string text;
        int code;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"not XML", "<root><meta", 51, "Error reading " + path + ": "},
        {"no liveries", lf_document("<other/>"), 52,
         path + " does not contain a <liveries> section"},
        {"empty liveries", lf_document("<liveries/>"), 533, path + " does not contain liveries"},
        {"only text", lf_document("<liveries> text <!-- c --></liveries>"), 533,
         path + " does not contain liveries"},
        {"no title",
         lf_document(R"(<liveries><l a="DLH" m="A320" t="x"/><l a="DLH" m="A320"/></liveries>)"),
         999, "Missing required attribute 't' in <l>"},
        {"no model", lf_document(R"(<liveries><x a="DLH" t="x"/></liveries>)"), 999,
         "Missing required attribute 'm' in <x>"},
        {"no airline", lf_document(R"(<liveries><l m="A320" t="x"/></liveries>)"), 999,
         "Missing required attribute 'a' in <l>"},
    };
    for (const auto& c : cases) {
        const auto error = loadError(c.text);
        ASSERT_TRUE(error) << c.name;
        EXPECT_EQ(error->code(), c.code) << c.name;
        EXPECT_TRUE(error->text().starts_with(c.message)) << c.name << ": " << error->text();
    }

    fs::remove(target_);
    try {
        gf_loadLiveriesScanned(target_);
        FAIL() << "a missing file was read";
    } catch (const UserRelatedException& e) {
        EXPECT_EQ(e.code(), 51);
        EXPECT_EQ(e.text(), "Could not open " + path);
    }
    // Not one of ours: the header check refuses it with its own reason.
    testing::writeCfgBytes(target_,
                           "<root><liveries><l a=\"DLH\" m=\"A320\" t=\"x\"/></liveries></root>");
    EXPECT_THROW(gf_loadLiveriesScanned(target_), std::runtime_error);
}

TEST_F(LiveriesScannedFileTest, AnyElementIsALiveryAndAbsentFieldsAreEmpty) {
    testing::writeCfgBytes(target_, lf_document(R"(<liveries>
        <l a="DLH" m="A320" t="Second" c="false"/>
        <livery a="DLH" m="A320" t="First" c="true" r="D-AIZZ" o=""/>
        <l a="" m="" t=""/>
      </liveries>)"));
    const auto read = gf_loadLiveriesScanned(target_);
    ASSERT_EQ(read.size(), 3u);
    // An empty value is accepted: ids 0.
    EXPECT_EQ(read[0].key.value(), 0u);
    EXPECT_EQ(read[0].title, "");
    EXPECT_EQ(read[1].title, "Second");
    EXPECT_EQ(read[1].key.cargo, 0);
    EXPECT_EQ(read[1].regcode, "");
    EXPECT_EQ(read[2].title, "First");
    EXPECT_EQ(read[2].key.cargo, 1);
    EXPECT_EQ(read[2].key.operatorId, 0);
    EXPECT_EQ(read[2].regcode, "D-AIZZ");
}

TEST_F(LiveriesScannedFileTest, FailedReadKeepsTheInstalledLiveries) {
    ASSERT_TRUE(gf_writeLiveriesScanned(sampleRecords(), target_, SimChoice::msfs2024));
    ASSERT_TRUE(gf_readLiveriesScanned(target_));
    ASSERT_EQ(gf_installedLiveries().size(), 5u);

    testing::writeCfgBytes(target_, lf_document("<liveries/>"));
    EXPECT_FALSE(gf_readLiveriesScanned(target_));
    EXPECT_EQ(gf_installedLiveries().size(), 5u);
    EXPECT_TRUE(log_.has(fmt::format("533: {} does not contain liveries", target_.string())));

    testing::writeCfgBytes(target_, "<root/>");
    EXPECT_FALSE(gf_readLiveriesScanned(target_));
    EXPECT_TRUE(
        log_.has(fmt::format("Error reading {}: {}", target_.string(), kHeaderNoCopyright)));
    EXPECT_EQ(gf_installedLiveries().size(), 5u);
    gf_replaceInstalledLiveries({});
}

TEST_F(LiveriesScannedFileTest, CommitMovesOrReplaces) {
    // No previous file: moved into place.
    testing::writeCfgBytes(temporary_, "first");
    ASSERT_TRUE(gf_commitLiveriesScanned(temporary_, target_));
    EXPECT_EQ(testing::readCfgBytes(target_), "first");
    EXPECT_FALSE(fs::exists(temporary_));
    // A previous file: replaced in one step.
    testing::writeCfgBytes(temporary_, "second");
    ASSERT_TRUE(gf_commitLiveriesScanned(temporary_, target_));
    EXPECT_EQ(testing::readCfgBytes(target_), "second");
    EXPECT_FALSE(fs::exists(temporary_));
}

TEST_F(LiveriesScannedFileTest, MissingOutputFolderIsMadeAgain) {
    const fs::path target = dir_ / "gone" / "output" / "LiveriesScanned_MSFS2024.xml";
    ASSERT_TRUE(gf_writeLiveriesScanned(sampleRecords(), target, SimChoice::msfs2024));
    EXPECT_EQ(gf_loadLiveriesScanned(target).size(), 5u);
}

TEST_F(LiveriesScannedFileTest, EmptyListWritesNothing) {
    EXPECT_FALSE(gf_writeLiveriesScanned({}, target_, SimChoice::msfs2024));
    EXPECT_FALSE(fs::exists(target_));
    EXPECT_FALSE(fs::exists(temporary_));
}

TEST_F(LiveriesScannedFileTest, StaleTemporaryFileIsRemovedFirst) {
    testing::writeCfgBytes(temporary_, "left by a crash");
    ASSERT_TRUE(gf_writeLiveriesScanned(sampleRecords(), target_, SimChoice::msfs2024));
    EXPECT_FALSE(fs::exists(temporary_));
    EXPECT_EQ(gf_loadLiveriesScanned(target_).size(), 5u);
}

// Every failure before the commit, and a failed commit, leave the previous file as it was and
// no temporary file behind.
TEST_F(LiveriesScannedFileTest, PreviousFileSurvivesEveryFailure) {
    const auto records = sampleRecords();
    ASSERT_TRUE(gf_writeLiveriesScanned(records, target_, SimChoice::msfs2024));
    const std::string previous = testing::readCfgBytes(target_);

    // A stale temporary that cannot be removed (a folder with something in it) stops the write.
    testing::writeCfgBytes(temporary_ / "inside", "x");
    EXPECT_FALSE(gf_writeLiveriesScanned({records.data(), 1}, target_, SimChoice::msfs2024));
    EXPECT_TRUE(log_.contains("==> Cannot remove stale temporary livery scan file " +
                              temporary_.string() + ": "));
    EXPECT_EQ(testing::readCfgBytes(target_), previous);
    fs::remove_all(temporary_);

    // A target that cannot be replaced (a folder in its place) fails the commit.
    const fs::path blocked = dir_ / "output" / "blocked.xml";
    testing::writeCfgBytes(blocked / "keep", "x");
    EXPECT_FALSE(gf_writeLiveriesScanned(records, blocked, SimChoice::msfs2024));
    EXPECT_TRUE(
        log_.contains("==> Cannot replace " + blocked.string() + " after the livery scan: "));
    EXPECT_TRUE(fs::exists(blocked / "keep"));
    EXPECT_FALSE(fs::exists(fs::path(blocked.string() + ".scan_tmp")));

    // A temporary file that cannot be written: a file where its folder should be.
    testing::writeCfgBytes(dir_ / "missing", "a file");
    const fs::path nowhere = dir_ / "missing" / "LiveriesScanned_MSFS2024.xml";
    EXPECT_FALSE(gf_writeLiveriesScanned(records, nowhere, SimChoice::msfs2024));
    EXPECT_TRUE(
        log_.has("==> Cannot write temporary livery scan file " + nowhere.string() + ".scan_tmp"));
}

TEST_F(LiveriesScannedFileTest, ValidationCountsTheLiveries) {
    const auto records = sampleRecords();
    ASSERT_TRUE(gf_writeLiveriesScanned(records, target_, SimChoice::msfs2024));
    EXPECT_TRUE(gf_validateLiveriesScanned(target_, 5));
    EXPECT_FALSE(gf_validateLiveriesScanned(target_, 4));
    EXPECT_FALSE(gf_validateLiveriesScanned(target_, 6));
    EXPECT_FALSE(gf_validateLiveriesScanned(dir_ / "none.xml", 0));
    // Only `l` elements count, and each needs a, m and t.
    testing::writeCfgBytes(temporary_,
                           lf_document(R"(<liveries><l a="" m="" t=""/><x/></liveries>)"));
    EXPECT_TRUE(gf_validateLiveriesScanned(temporary_, 1));
    testing::writeCfgBytes(temporary_, lf_document(R"(<liveries><l a="" t=""/></liveries>)"));
    EXPECT_FALSE(gf_validateLiveriesScanned(temporary_, 1));
    testing::writeCfgBytes(temporary_, "<root/>");
    EXPECT_FALSE(gf_validateLiveriesScanned(temporary_, 0));
}

TEST_F(LiveriesScannedFileTest, FileOfThisRunsSimulator) {
    WorkFolderOverride work(dir_.path());
    const StartupChoices before = *gf_startupChoices();
    gf_setStartupChoices({SimChoice::msfs2020, before.source});
    EXPECT_EQ(gf_liveriesScannedPath(), dir_ / "output" / "LiveriesScanned_MSFS2020.xml");
    EXPECT_TRUE(gf_writeLiveriesScanned(sampleRecords()));
    EXPECT_TRUE(gf_readLiveriesScanned());
    EXPECT_EQ(gf_installedLiveries().size(), 5u);
    gf_setStartupChoices({SimChoice::msfs2024, before.source});
    EXPECT_EQ(gf_liveriesScannedPath(), dir_ / "output" / "LiveriesScanned_MSFS2024.xml");
    // That simulator has no file yet.
    EXPECT_FALSE(gf_readLiveriesScanned());
    EXPECT_EQ(gf_installedLiveries().size(), 5u);
    gf_setStartupChoices(before);
    gf_replaceInstalledLiveries({});
}

} // namespace
} // namespace skyloom

#include "refdata/update_check.h"

#include <memory>
#include <string>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "foundation/version.h"
#include "refdata/data_set.h"
#include "refdata/download.h"
#include "refdata/download_area.h"
#include "runtime/stop_request.h"
#include "tests/refdata/support/refdata_test_support.h"
#include "tools/download_server/download_server.h"

namespace skyloom {
namespace {

using tools::DownloadServer;
using tools::ServerFault;
namespace fs = std::filesystem;
using Files = std::vector<std::string>;

class UpdateCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::resetReferenceData();
        server_ = std::make_unique<DownloadServer>(area_.path());
        gf_setDownloadAreaBase(server_->baseUrl());
        curl_ = gf_newCurlHandle(DownloadLimits{});
        // The input folder holds dbase 1.0 (plain) and airports 2026.1 (encrypted).
        testing::writeText(input_ / "dbase.xml", dbase("1.0", "OLD"));
        testing::writeEncrypted(input_ / "airports.enc", airports("2026.1"));
    }
    void TearDown() override {
        server_.reset();
        testing::resetReferenceData();
    }

    static std::string dbase(std::string_view version, std::string_view model) {
        return testing::dataSetXml("dbase", version,
                                   fmt::format(R"(<models><m c="{}"/></models>)", model));
    }
    static std::string airports(std::string_view version) {
        return testing::dataSetXml("airports", version, "<airports/>");
    }
    void versions(std::string_view json) { testing::writeText(area_ / "versions.json", json); }
    void publish(std::string_view file, std::string_view text, bool encrypted) {
        const auto path = area_ / "downloads" / "data" / file;
        encrypted ? testing::writeEncrypted(path, text) : testing::writeText(path, text);
    }
    UpdateCheckResult check() { return gf_checkForUpdates(curl_.get(), input_.path(), stop_); }
    std::string localVersion(std::string_view name) {
        const auto version = gf_localDataSetVersion(input_.path(), name);
        return version ? fmt::format("{}", fmt::join(version->numbers, ".")) : "none";
    }

    testing::TempDir area_;
    testing::TempDir input_;
    std::unique_ptr<DownloadServer> server_;
    StopControl stop_;
    CurlEasyHandle curl_;
};

TEST_F(UpdateCheckTest, NewerDataSetsAreDownloadedAndPutInPlace) {
    testing::CapturedLog log;
    versions(R"({"maintenance": false, "datasets": [
        {"file": "dbase.enc", "version": "1.1"},
        {"file": "airports.enc", "version": "2026.1"},
        {"file": "wktraffic.xml", "version": "2026.6", "path": "weekly/wk.xml"}]})");
    publish("dbase.enc", dbase("1.1", "NEW"), true);
    publish("airports.enc", airports("2026.1"), true);
    testing::writeText(area_ / "weekly" / "wk.xml",
                       testing::dataSetXml("wktraffic", "2026.6", "<weekly/>"));

    const auto result = check();
    EXPECT_EQ(result.status, UpdateCheckStatus::done);
    EXPECT_EQ(result.updated, (Files{"dbase.enc", "wktraffic.xml"}));
    EXPECT_TRUE(result.failed.empty());
    // The encrypted dbase now shadows the old plain one.
    EXPECT_EQ(localVersion("dbase"), "1.1");
    EXPECT_EQ(localVersion("wktraffic"), "2026.6");
    // Airports were up to date: not asked for.
    EXPECT_EQ(server_->requests(),
              (Files{"/versions.json", "/downloads/data/dbase.enc", "/weekly/wk.xml"}));
    EXPECT_FALSE(fs::exists(input_ / "dbase.update.enc"));
    EXPECT_TRUE(log.has("==> Data set dbase.enc updated to version 1.1"));
}

TEST_F(UpdateCheckTest, OlderOrEqualVersionsAreLeftAlone) {
    versions(R"({"datasets": [{"file": "dbase.xml", "version": "1.0"},
                              {"file": "airports.enc", "version": "2025.12"}]})");
    const auto result = check();
    EXPECT_EQ(result.status, UpdateCheckStatus::done);
    EXPECT_TRUE(result.updated.empty());
    EXPECT_EQ(server_->requests(), (Files{"/versions.json"}));
}

// A download that fails or brings a bad data set costs nothing: the old one stays.
TEST_F(UpdateCheckTest, BadDownloadsKeepTheOldDataSet) {
    testing::CapturedLog log;
    versions(R"({"datasets": [{"file": "dbase.xml", "version": "1.2"}]})");
    struct Case {
        const char* name;
        std::string published;
        ServerFault fault;
        const char* logged;
    };
    const Case cases[] = {
        {"missing", "", ServerFault::none, "HTTP status 404"},
        {"cut short", dbase("1.2", "NEW"), ServerFault::cutShort, "(18)"},
        {"no header", "<root><dataset name=\"dbase\" version=\"1.2\"/></root>", ServerFault::none,
         "refused: "},
        {"other data set", testing::dataSetXml("airports", "1.2", ""), ServerFault::none,
         "holds the data set 'airports', not 'dbase'"},
        {"other version", dbase("1.1", "NEW"), ServerFault::none,
         "holds version 1.1 instead of the announced one"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(area_ / "downloads" / "data" / "dbase.xml");
        if (!c.published.empty()) {
            publish("dbase.xml", c.published, false);
        }
        server_->setPathFault("/downloads/data/dbase.xml", c.fault);
        const auto result = check();
        EXPECT_EQ(result.status, UpdateCheckStatus::done);
        EXPECT_EQ(result.failed, (Files{"dbase.xml"}));
        EXPECT_TRUE(result.updated.empty());
        EXPECT_EQ(testing::readText(input_ / "dbase.xml"), dbase("1.0", "OLD"));
        EXPECT_FALSE(fs::exists(input_ / "dbase.update.xml"));
        EXPECT_FALSE(fs::exists(input_ / "dbase.update.xml.download_tmp"));
        EXPECT_TRUE(log.contains(c.logged));
    }
}

// A new plain data set takes the place of an older encrypted one, which would otherwise be read
// in its place.
TEST_F(UpdateCheckTest, NewPlainDataSetReplacesAnOlderEncryptedOne) {
    versions(R"({"datasets": [{"file": "airports.xml", "version": "2026.2"}]})");
    publish("airports.xml", airports("2026.2"), false);
    EXPECT_EQ(check().updated, (Files{"airports.xml"}));
    EXPECT_FALSE(fs::exists(input_ / "airports.enc"));
    EXPECT_EQ(localVersion("airports"), "2026.2");
}

TEST_F(UpdateCheckTest, MissingLocalDataSetIsFetched) {
    versions(R"({"datasets": [{"file": "wktraffic.enc", "version": "1.0"}]})");
    publish("wktraffic.enc", testing::dataSetXml("wktraffic", "1.0", "<weekly/>"), true);
    EXPECT_EQ(check().updated, (Files{"wktraffic.enc"}));
    EXPECT_EQ(localVersion("wktraffic"), "1.0");
}

// Maintenance sets the flag and nothing is downloaded; the next check without maintenance
// clears it.
TEST_F(UpdateCheckTest, MaintenanceStopsEveryDownload) {
    testing::CapturedLog log;
    versions(R"({"maintenance": true, "message": "Back at 18:00 UTC.",
                 "datasets": [{"file": "dbase.xml", "version": "9.0"}]})");
    publish("dbase.xml", dbase("9.0", "NEW"), false);
    const auto result = check();
    EXPECT_EQ(result.status, UpdateCheckStatus::maintenance);
    EXPECT_TRUE(gf_isDownloadAreaInMaintenance());
    EXPECT_TRUE(result.updated.empty());
    EXPECT_EQ(server_->requests(), (Files{"/versions.json"}));
    EXPECT_EQ(localVersion("dbase"), "1.0");
    EXPECT_TRUE(log.has("==> Web server temporarily unavailable due to maintenance. Back at "
                        "18:00 UTC."));

    versions(R"({"maintenance": false})");
    EXPECT_EQ(check().status, UpdateCheckStatus::done);
    EXPECT_FALSE(gf_isDownloadAreaInMaintenance());
}

TEST_F(UpdateCheckTest, NewerProgramVersionShowsInTheWindowText) {
    testing::CapturedLog log;
    const auto own = gf_programVersion();
    EXPECT_EQ(gf_windowVersionText(), gf_programVersionText());
    versions(fmt::format(R"({{"program": {{"version": "{}.{}.{}"}}}})", own.major, own.minor,
                         own.patch));
    EXPECT_FALSE(check().newProgramVersion.has_value());
    EXPECT_EQ(gf_windowVersionText(), gf_programVersionText());

    const auto newer = fmt::format("{}.{}.{}", own.major, own.minor + 1, 0);
    versions(fmt::format(R"({{"program": {{"version": "{}"}}}})", newer));
    const auto result = check();
    EXPECT_EQ(result.newProgramVersion, newer);
    EXPECT_EQ(gf_windowVersionText(),
              fmt::format("{} ({} available)", gf_programVersionText(), newer));
    EXPECT_TRUE(log.has(
        fmt::format("==> Skyloom {} is available (this is {})", newer, gf_programVersionText())));

    // A version with a suffix ranks below the same numbers without one.
    versions(fmt::format(R"({{"program": {{"version": "{}.{}.{}-RC1"}}}})", own.major, own.minor,
                         own.patch));
    EXPECT_FALSE(check().newProgramVersion.has_value());
    EXPECT_EQ(gf_windowVersionText(), gf_programVersionText());
}

TEST_F(UpdateCheckTest, UnusableRepliesAreReported) {
    struct Case {
        const char* name;
        const char* json;
        UpdateCheckStatus status;
        const char* logged;
    };
    const Case cases[] = {
        {"not JSON", "<html>", UpdateCheckStatus::invalidReply, "is not valid JSON"},
        {"array", "[1, 2]", UpdateCheckStatus::invalidReply, "not usable: not a JSON object"},
        {"maintenance text", R"({"maintenance": "yes"})", UpdateCheckStatus::invalidReply,
         "'maintenance' is not true or false"},
        {"datasets object", R"({"datasets": {}})", UpdateCheckStatus::invalidReply,
         "'datasets' is not a list"},
        {"program version", R"({"program": {"version": "next"}})", UpdateCheckStatus::invalidReply,
         "program: invalid version 'next'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testing::CapturedLog log;
        versions(c.json);
        EXPECT_EQ(check().status, c.status);
        EXPECT_TRUE(log.contains(c.logged));
    }
}

// A faulty entry costs only its own data set; a file name that leaves the input folder is
// never used.
TEST_F(UpdateCheckTest, FaultyEntriesAreSkipped) {
    testing::CapturedLog log;
    versions(R"({"datasets": [
        {"file": "../dbase.xml", "version": "5.0"},
        {"file": "dbase.txt", "version": "5.0"},
        {"file": "dbase.xml"},
        {"file": "dbase.xml", "version": "v5"},
        7,
        {"file": "airports.enc", "version": "2026.2"}]})");
    publish("airports.enc", airports("2026.2"), true);
    const auto result = check();
    EXPECT_EQ(result.status, UpdateCheckStatus::done);
    EXPECT_EQ(result.updated, (Files{"airports.enc"}));
    EXPECT_TRUE(log.contains("data set file name '../dbase.xml' refused"));
    EXPECT_TRUE(log.contains("data set file name 'dbase.txt' refused"));
    EXPECT_TRUE(log.contains("'version' missing"));
    EXPECT_TRUE(log.contains("dbase.xml: invalid version 'v5'"));
    EXPECT_TRUE(log.contains("an entry of 'datasets' is not an object"));
    EXPECT_FALSE(fs::exists(input_.path().parent_path() / "dbase.xml"));
}

TEST_F(UpdateCheckTest, UnreachableAreaAndNoAreaAndStopping) {
    testing::CapturedLog log;
    server_->setFault(ServerFault::notFound);
    EXPECT_EQ(check().status, UpdateCheckStatus::unreachable);
    server_->setFault(ServerFault::neverAnswer);
    // Only the case that is to time out gets a short limit: a loaded machine can hold the
    // server's thread for longer than a second.
    DownloadLimits impatient;
    impatient.totalTimeout = std::chrono::milliseconds(800);
    EXPECT_EQ(gf_checkForUpdates(gf_newCurlHandle(impatient).get(), input_.path(), stop_).status,
              UpdateCheckStatus::unreachable);

    gf_setDownloadAreaBase("");
    EXPECT_EQ(gf_checkForUpdates(stop_).status, UpdateCheckStatus::skipped);
    EXPECT_TRUE(log.has("Update check skipped: no download area is configured"));

    gf_setDownloadAreaBase(server_->baseUrl());
    stop_.request(StopReason::userClosedSim, 0);
    EXPECT_EQ(check().status, UpdateCheckStatus::stopped);
}

} // namespace
} // namespace skyloom

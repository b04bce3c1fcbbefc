#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "config/startup_choices.h"
#include "foundation/manual_clock.h"
#include "parking/airport_fetch.h"
#include "parking/airport_store.h"
#include "refdata/airports.h"
#include "refdata/download_area.h"
#include "runtime/run_services.h"
#include "runtime/stop_request.h"
#include "tests/parking/support/parking_test_support.h"
#include "tests/support/captured_log.h"
#include "tests/support/recording_window_sink.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_files.h"
#include "tools/download_server/download_server.h"

namespace skyloom {
namespace {

namespace fs = std::filesystem;
using tools::DownloadServer;
using tools::ServerFault;

// A working folder of its own, an airports table that knows EHAM, and the download-area
// stand-in serving the archived files.
class AirportStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("SKYLOOM_WORKDIR", work_.path().c_str(), 1);
        gf_setAirports({AirportEntry{IcaoCode("EHAM"), {}, 52.3, 4.76, -11}});
        server_ = std::make_unique<DownloadServer>(area_.path());
        gf_setDownloadAreaBase(server_->baseUrl());
    }
    void TearDown() override {
        server_.reset();
        gf_setDownloadAreaBase("");
        gf_setAirports({});
        ::unsetenv("SKYLOOM_WORKDIR");
    }

    fs::path airports() const { return work_ / "airports"; }
    std::vector<fs::path> airportsFolderFiles() const {
        std::vector<fs::path> files;
        for (const auto& entry : fs::directory_iterator(airports())) {
            if (entry.is_regular_file()) {
                files.push_back(entry.path().filename());
            }
        }
        return files;
    }

    testing::TempDir work_;
    testing::TempDir area_;
    std::unique_ptr<DownloadServer> server_;
    ManualClock clock_;
    StopControl stop_;
    testing::RecordingWindowSink window_;
    RunServices services_{clock_, stop_, window_};
};

TEST_F(AirportStoreTest, LookupOrderOverAllFolders) {
    const std::string tp = "airports/my_thirdparty/";
    const std::string sa = "airports/my_simaddon/";
    struct Case {
        const char* icao;
        std::vector<std::pair<std::string, std::string>> files; // path, content
        std::optional<std::string> found;                     // relative to the work folder
        bool exists;
    };
    const std::string link = "  archive/simaddon/EGLL2.enc  \nsecond line\n";
    const Case cases[] = {
        {"EGLL", {{tp + "EGLL.txt", link}, {tp + "EGLL.xml", ""}, {sa + "EGLL.xml", ""}},
         "=archive/simaddon/EGLL2.enc", true},
        {"EGLL", {{tp + "EGLL.xml", ""}, {sa + "EGLL.txt", link}}, tp + "EGLL.xml", true},
        {"EGLL", {{tp + "EGLL.txt", "abc"}, {tp + "EGLL.xml", ""}}, tp + "EGLL.xml", true},
        {"EGLL", {{tp + "EGLL.txt", "archive/stock/EGLL.txt"}, {sa + "EGLL.xml", ""}},
         sa + "EGLL.xml", true},
        {"EGLL", {{sa + "EGLL.txt", link}, {sa + "EGLL.xml", ""}}, "=archive/simaddon/EGLL2.enc",
         true},
        {"EGLL", {{tp + "EGLL.txt", "abc"}}, std::nullopt, true},
        {"EGLL", {}, std::nullopt, false},
        {"EHAM", {}, "=archive/stock/EHAM.enc", true},
        {"EHAM", {{sa + "EHAM.xml", ""}}, sa + "EHAM.xml", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(fmt::format("{} with {} files, first {}", c.icao, c.files.size(),
                                 c.files.empty() ? "" : c.files.front().first));
        fs::remove_all(airports());
        for (const auto& [path, content] : c.files) {
            testing::writeText(work_ / path, content);
        }
        const IcaoCode icao(c.icao);
        EXPECT_EQ(gf_airportFileExists(icao), c.exists);
        std::optional<fs::path> expected;
        if (c.found) {
            // "=" marks a link target or archived path, returned as written.
            expected = c.found->front() == '=' ? fs::path(c.found->substr(1)) : work_ / *c.found;
        }
        EXPECT_EQ(gf_findAirportFile(icao), expected);
    }
}

TEST_F(AirportStoreTest, LearnedPathOfEachSource) {
    const fs::path learned = airports() / "learned";
    struct Case {
        fs::path source;
        const char* publisher;
        std::optional<fs::path> expected;
    };
    const Case cases[] = {
        {"archive/stock/EHAM.enc", "", learned / "stock/EHAM.xml"},
        {"archive/simaddon/EHAM2.xml", "", learned / "simaddon/EHAM2.xml"},
        {"archive/thirdparty/Big%20Pub/LFPG12.enc", "x", learned / "thirdparty/Big Pub/LFPG12.xml"},
        {"archive/thirdparty/%2E%2E/LFPG.enc", "x", std::nullopt},
        {work_ / "airports/my_simaddon/EHAM.xml", "simaddon", learned / "my_simaddon/EHAM.xml"},
        {"airports/my_thirdparty/EHAM.xml", " A|B ", learned / "thirdparty/A B/EHAM.xml"},
        {"airports/my_thirdparty2024/EHAM.enc", "Stock", learned / "thirdparty/Stock/EHAM.xml"},
        {"airports/my_thirdparty/EHAM.xml", "???", std::nullopt},
        {"airports/my_thirdparty/EHAM.xml", "..", std::nullopt},
        {"archive/stock/EHAM.txt", "", std::nullopt},
        {"Archive/stock/EHAM.enc", "", std::nullopt},
        {"", "", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source.string() + " / " + c.publisher);
        EXPECT_EQ(gf_makeLearnedPath(c.source, c.publisher), c.expected);
    }
}

// The archived file is downloaded, read and its copy removed; a download cut short half-way
// fails the read and leaves no copy either.
TEST_F(AirportStoreTest, ArchivedFileIsFetchedReadAndItsCopyRemoved) {
    testing::writeApf(testing::gridAirport(4),
                      area_ / (gf_isMsfs2020() ? "downloads/MSFS" : "downloads/MSFS2024") /
                          "archive/stock/EHAM3.xml");
    fs::create_directories(airports());
    AirportFileReadContext context;
    context.locate = [this](const fs::path& requested) {
        return gf_airportFilePath(requested, true, services_);
    };
    for (const ServerFault fault : {ServerFault::none, ServerFault::cutShort}) {
        SCOPED_TRACE(std::string(tools::gf_serverFaultText(fault)));
        testing::CapturedLog log;
        server_->setFault(fault);
        const AirportFileReadResult read = gf_readAirportFile("archive/stock/EHAM3.xml", context);
        EXPECT_EQ(read.file.has_value(), fault == ServerFault::none);
        if (read.file) {
            EXPECT_EQ(read.file->source, StandSource::downloadedCopy);
            EXPECT_EQ(read.file->stands.size(), 4u);
            EXPECT_EQ(read.file->loadedPath.parent_path(), airports());
        } else {
            EXPECT_TRUE(log.contains("failed to download: '" + server_->baseUrl()));
        }
        EXPECT_EQ(airportsFolderFiles(), std::vector<fs::path>{});
    }
}

TEST_F(AirportStoreTest, HostileArchivedPathsAreRefusedBeforeAnyDownload) {
    const char* hostile[] = {
        "archive/stock/../../etc/EHAM.xml", "archive/%2e%2e/stock/EHAM.xml",
        "archive//stock/EHAM.xml",          "archive/thirdparty/a%2F..%2Fb/EHAM.xml",
        "archive/./stock/EHAM.enc",         "archive/thirdparty/%2E/EHAM.enc",
        "archive/thirdparty/x%5C..%5Cy/EHAM.enc",
    };
    for (const char* path : hostile) {
        SCOPED_TRACE(path);
        testing::CapturedLog log;
        const AirportFileLocation location = gf_airportFilePath(path, false, services_);
        EXPECT_FALSE(location.error.empty());
        EXPECT_TRUE(log.contains(fmt::format("==> refused to fetch '{}'", path)));
    }
    EXPECT_EQ(server_->requests(), std::vector<std::string>{});
    // A local target is read where it lies, dots and all.
    const AirportFileLocation local =
        gf_airportFilePath("airports/my_thirdparty/../EHAM.xml", false, services_);
    EXPECT_TRUE(local.error.empty());
    EXPECT_TRUE(local.path.empty());
}

} // namespace
} // namespace skyloom

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <variant>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "config/startup_choices.h"
#include "foundation/manual_clock.h"
#include "parking/airport_fetch.h"
#include "parking/airport_store.h"
#include "parking/learned_airport_file.h"
#include "parking/park_airport_stands.h"
#include "parking/parking_state.h"
#include "refdata/park_airport.h"
#include "foundation/file_header.h"
#include "foundation/text.h"
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
        // A port of an earlier test's stand-in may come again: its failures are not this one's.
        gf_forgetFailedAirportDownloads();
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
            // The read names the airport; the log has the address and why.
            EXPECT_EQ(read.error, "failed to download the airport file of EHAM");
            EXPECT_TRUE(log.contains("Download of " + server_->baseUrl()));
        }
        EXPECT_EQ(airportsFolderFiles(), std::vector<fs::path>{});
    }
}

// Most airports have no archived file, and the park airport's choice, its stands and the
// closest-stand check read an airport's file again and again: a file the download area cannot
// give is asked for once in a run and said once in the log, whichever reader asks, and every
// read fails with a text that names the airport. A new run asks again.
TEST_F(AirportStoreTest, AnUnavailableArchivedFileIsAskedForOnceAndSaidOnce) {
    fs::create_directories(airports());
    const std::string archived = gf_isMsfs2020() ? "/downloads/MSFS/archive/stock/EHAM.enc"
                                                 : "/downloads/MSFS2024/archive/stock/EHAM.enc";
    const std::string error = "failed to download the airport file of EHAM";
    const auto parkAirportRead = [this] {
        return gf_readAirportFile("archive/stock/EHAM.enc", gf_parkAirportReadContext(services_))
            .error;
    };
    const auto closestStand = [this] {
        auto read = gf_readDestApfForClosestStand(IcaoCode("EHAM"), {52.3, 4.76}, services_);
        return std::holds_alternative<std::string>(read) ? std::get<std::string>(read) : "";
    };
    const auto standNames = [this] {
        auto read = gf_readApfForStands(IcaoCode("EHAM"), services_);
        return std::holds_alternative<std::string>(read) ? std::get<std::string>(read) : "";
    };
    const struct {
        const char* area;
        bool configured; // a download area that answers 404, else none at all
    } areas[] = {{"the download area has no such file", true}, {"no download area", false}};
    for (const auto& area : areas) {
        SCOPED_TRACE(area.area);
        gf_forgetFailedAirportDownloads();
        gf_setDownloadAreaBase(area.configured ? server_->baseUrl() : "");
        const std::size_t asked = server_->requests().size();
        testing::CapturedLog log;
        window_.clear();
        for (int round = 0; round < 3; ++round) {
            EXPECT_EQ(parkAirportRead(), error) << round;
            EXPECT_EQ(closestStand(), error) << round;
            EXPECT_EQ(standNames(), error) << round;
        }
        const std::vector<std::string> requests = server_->requests();
        EXPECT_EQ(std::count(requests.begin() + static_cast<std::ptrdiff_t>(asked), requests.end(),
                             archived),
                  area.configured ? 1 : 0);
        const std::vector<std::string> lines = log.lines();
        EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                                [](const std::string& line) {
                                    return line.find("EHAM") != std::string::npos;
                                }),
                  1)
            << "one line, with the address and why";
        EXPECT_TRUE(window_.payloads<GuiUpdate::StatusText>().empty())
            << "the readers' callers show what fits them";
        EXPECT_EQ(airportsFolderFiles(), std::vector<fs::path>{});
        // The next run asks again.
        gf_forgetFailedAirportDownloads();
        EXPECT_EQ(parkAirportRead(), error);
        EXPECT_EQ(server_->requests().size() - requests.size(), area.configured ? 1u : 0u);
    }
}

// A download that fails for a reason that may pass is not remembered for the run: the file is
// asked for again 30 s later, then after 60 s and 120 s, and in between every read fails at
// once and says when. The download area's faults one after the other: a reply cut short, a
// request never answered (until the area goes), no area listening, then the area started again.
// The log says when the failures begin and when they end, and nothing between: they end when
// the file answers, not when another airport's file comes or is not there (a neighbour's 404,
// though that neighbour failed in the same run).
TEST_F(AirportStoreTest, ADownloadThatFailsForAPassingReasonIsTriedAgainAfterAWhile) {
    using namespace std::chrono_literals;
    const std::string areaPath = gf_isMsfs2020() ? "downloads/MSFS" : "downloads/MSFS2024";
    testing::writeApf(testing::gridAirport(3), area_ / areaPath / "archive/stock/EHAM4.xml");
    fs::create_directories(airports());
    const std::uint16_t port = server_->port();
    const std::string url = server_->baseUrl() + areaPath + "/archive/stock/EHAM4.xml";
    const std::string error = "failed to download the airport file of EHAM";
    testing::CapturedLog log;
    std::size_t asked = 0;
    const auto read = [&] {
        return gf_airportFilePath("archive/stock/EHAM4.xml", false, services_);
    };
    // Fails at once without asking while its time has not come; then asks once and fails.
    const auto failsUntil = [&](std::chrono::seconds wait, const char* why) {
        SCOPED_TRACE(why);
        const Clock::SteadyTime due = clock_.steadyNow() + wait;
        const AirportFileLocation again = read();
        EXPECT_EQ(again.error, error);
        EXPECT_EQ(again.retryAt, due);
        EXPECT_EQ(server_ ? server_->requests().size() : asked, asked) << "asked before its time";
        clock_.advance(wait);
    };

    server_->setFault(ServerFault::cutShort);
    AirportFileLocation first = read();
    EXPECT_EQ(first.error, error);
    EXPECT_TRUE(first.logged);
    asked = 1;
    failsUntil(30s, "after a reply cut short");

    server_->setFault(ServerFault::neverAnswer);
    std::atomic<bool> readReturned{false};
    std::thread areaGoes([this, &readReturned] {
        while (server_->requests().size() < 2 && !readReturned.load()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        server_.reset(); // ends the request it holds
    });
    EXPECT_EQ(read().error, error);
    readReturned.store(true);
    areaGoes.join();
    asked = 2;
    failsUntil(60s, "after a request never answered");

    EXPECT_EQ(read().error, error) << "no area listening";
    const AirportFileLocation neighbour =
        gf_airportFilePath("archive/stock/KHHR.enc", false, services_);
    EXPECT_EQ(neighbour.error, "failed to download the airport file of KHHR");
    EXPECT_TRUE(neighbour.retryAt);
    failsUntil(120s, "after a refused connection");

    server_ = std::make_unique<DownloadServer>(area_.path(), port);
    testing::writeApf(testing::gridAirport(2), area_ / areaPath / "archive/stock/EGLL.xml");
    const AirportFileLocation notThere =
        gf_airportFilePath("archive/stock/KHHR.enc", false, services_);
    EXPECT_EQ(notThere.error, "failed to download the airport file of KHHR");
    EXPECT_FALSE(notThere.retryAt) << "not there: not asked for again";
    const AirportFileLocation other =
        gf_airportFilePath("archive/stock/EGLL.xml", false, services_);
    EXPECT_TRUE(other.error.empty()) << other.error;
    fs::remove(other.path);
    const AirportFileLocation fetched = read();
    EXPECT_TRUE(fetched.error.empty()) << fetched.error;
    EXPECT_TRUE(fetched.archived);
    EXPECT_FALSE(fetched.retryAt);
    fs::remove(fetched.path);

    const std::vector<std::string> lines = log.lines();
    std::vector<std::string> said;
    std::copy_if(lines.begin(), lines.end(), std::back_inserter(said),
                 [](const std::string& line) { return line.starts_with("==> "); });
    ASSERT_EQ(said.size(), 3u) << ::testing::PrintToString(lines);
    EXPECT_TRUE(said[0].starts_with("==> Download of " + url + " failed: ")) << said[0];
    EXPECT_TRUE(said[0].ends_with(" (asked for again in 30 s)")) << said[0];
    EXPECT_TRUE(said[1].ends_with("/archive/stock/KHHR.enc failed: HTTP status 404")) << said[1];
    EXPECT_TRUE(said[2].starts_with("==> Airport file downloads answered again after 4 failed "
                                    "downloads (the last: "))
        << said[2];
    EXPECT_TRUE(window_.payloads<GuiUpdate::StatusText>().empty());
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

// What a learned file of each folder holds after a save is merged into the next read of the same
// airport file; each read is made as the program makes it (downloads from the download area).
class LearnedFileTest : public AirportStoreTest {
protected:
    void SetUp() override {
        AirportStoreTest::SetUp();
        context_.cachePath = airports() / "park_airport.xml";
        context_.locate = [this](const fs::path& requested) {
            return gf_airportFilePath(requested, true, services_);
        };
        gf_setLearnedFileSlots(context_, window_);
        entry_.set(AirportEntry{IcaoCode("EHAM"), {}, 52.3, 4.76, -11});
    }
    // Reads the airport file and applies it as the park airport's.
    std::vector<Stand> load(const fs::path& requested) {
        const AirportFileReadResult read = gf_readAirportFile(requested, context_);
        EXPECT_TRUE(read) << read.error;
        if (!read) {
            return {};
        }
        state_.file.airportName = read.file->airportName;
        state_.file.publisherName = read.file->publisher;
        state_.file.altitude = read.file->altitude;
        state_.file.learnedSavePath = read.file->learnedSavePath;
        state_.airportFileApplied = true;
        merged_ = read.file->learnedMerged;
        return read.file->stands;
    }
    void save(const std::vector<Stand>& stands) {
        gf_saveLearned(state_, stands, false, {entry_, settings_, kHeaderSimMsfs2024, clock_});
    }
    static FlightOption learnedOption(std::string reg) {
        FlightOption option = testing::optionOf("KLM", "B738", std::move(reg), 3, 20, 23, 1);
        option.origin = 0;
        return option;
    }
    static bool hasOption(const std::vector<Stand>& stands, std::string_view reg) {
        return !stands.empty() &&
               std::any_of(stands.front().options.begin(), stands.front().options.end(),
                           [&](const FlightOption& o) { return o.reg == reg && o.origin == 0; });
    }

    AirportFileReadContext context_;
    ParkAirportEntry entry_;
    ParkingState state_;
    ParamsSnapshot settings_;
    bool merged_ = false;
};

TEST_F(LearnedFileTest, ALearnedOptionIsSavedAndReadBackInEachLearnedFolder) {
    const fs::path area = area_ / (gf_isMsfs2020() ? "downloads/MSFS" : "downloads/MSFS2024");
    struct Case {
        fs::path requested;
        std::string publisher;
        fs::path filePath; // where the airport file lies
        std::string learned;
    };
    const Case cases[] = {
        {"archive/stock/EHAM.xml", "stock", area / "archive/stock/EHAM.xml", "stock/EHAM.xml"},
        {"archive/simaddon/EHAM.xml", "simaddon", area / "archive/simaddon/EHAM.xml",
         "simaddon/EHAM.xml"},
        {"archive/thirdparty/Big%20Pub/EHAM.1.2.xml", "Big Pub",
         area / "archive/thirdparty/Big Pub/EHAM.1.2.xml", "thirdparty/Big Pub/EHAM.xml"},
        // Generated airports of installed sceneries carry the publisher "simaddon": their learned
        // file belongs to the folder they were read from.
        {work_ / "airports/my_simaddon/EHAM.xml", "simaddon", work_ / "airports/my_simaddon/EHAM.xml",
         "my_simaddon/EHAM.xml"},
        {work_ / "airports/my_thirdparty/EHAM.xml", "A|B", work_ / "airports/my_thirdparty/EHAM.xml",
         "thirdparty/A B/EHAM.xml"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.requested.string());
        fs::remove_all(airports());
        fs::create_directories(airports());
        AirportFile airport = testing::gridAirport(3);
        airport.publisher = c.publisher;
        ASSERT_TRUE(testing::writeApf(airport, c.filePath));
        std::vector<Stand> stands = load(c.requested);
        ASSERT_FALSE(merged_);
        ASSERT_EQ(state_.file.learnedSavePath, airports() / "learned" / c.learned);
        stands.at(0).options.push_back(learnedOption("PH-BXA"));
        const testing::CapturedLog log;
        save(stands);
        EXPECT_TRUE(log.contains("saved with 0 updates"));
        EXPECT_TRUE(fs::exists(airports() / "learned" / c.learned));

        const std::vector<Stand> again = load(c.requested);
        EXPECT_TRUE(merged_);
        EXPECT_TRUE(hasOption(again, "PH-BXA"));
    }
}

// A save that breaks off after its new file was written (the previous file cannot be kept
// aside: a folder stands in the way) replaces nothing: the previous learned file still reads.
TEST_F(LearnedFileTest, AnInterruptedSaveLeavesThePreviousLearnedFileReadable) {
    const fs::path file = work_ / "airports/my_thirdparty/EHAM.xml";
    AirportFile airport = testing::gridAirport(3);
    ASSERT_TRUE(testing::writeApf(airport, file));
    std::vector<Stand> stands = load(file);
    stands.at(0).options.push_back(learnedOption("PH-OLD"));
    save(stands);
    const fs::path learned = state_.file.learnedSavePath;
    ASSERT_TRUE(fs::exists(learned));

    fs::create_directories(fs::path(learned.string() + ".bak") / "in the way");
    stands.at(0).options.push_back(learnedOption("PH-NEW"));
    const testing::CapturedLog log;
    save(stands);
    EXPECT_TRUE(log.contains(fmt::format("saving '{}' did not succeed", gf_pathToUtf8(learned))));
    EXPECT_FALSE(fs::exists(learned.string() + ".tmp"));

    const std::vector<Stand> again = load(file);
    EXPECT_TRUE(merged_);
    EXPECT_TRUE(hasOption(again, "PH-OLD"));
    EXPECT_FALSE(hasOption(again, "PH-NEW"));
}

// How a learned file merges into the airport file's stands: overlapping repeats dropped, new
// uses numbered on, unknown stands and clashing manual stands logged and skipped, new manual
// stands appended; AUTO_PARK off when the file does not say.
TEST(LearnedMergeTest, ALearnedFileMergesIntoTheAirportFilesStands) {
    const testing::TempDir dir;
    const AirportFile archived = testing::gridAirport(3);
    std::vector<Stand> stands = archived.stands;
    AirportFile learned = testing::airportNamed("EHAM");
    learned.airportName = "Schiphol";
    learned.stands = {stands[0], stands[1], stands[2]};
    learned.stands[0].options = {testing::optionOf("KLM", "B738", "PH-BXA", 1, 12, 13, 1),
                                 testing::optionOf("KLM", "B738", "PH-BXA", 1, 20, 21, 2)};
    learned.stands[1].id = "G9";
    learned.stands[2].manual = true;
    Stand manual = testing::standAt("M1", 52.3, 4.75, 90, 25, StandType::GATE_SMALL);
    manual.manual = true;
    learned.stands.push_back(manual);
    ASSERT_TRUE(testing::writeApf(learned, dir / "EHAM.xml", ApfMode::learned));

    testing::RecordingWindowSink window;
    const testing::CapturedLog log;
    const LearnedAirportRead read =
        gf_readLearnedAirportFile(dir / "EHAM.xml", archived.airportName, stands, window);
    ASSERT_TRUE(read.data) << read.error;
    const std::vector<Stand>& merged = read.data->stands;
    ASSERT_EQ(merged.size(), 4u);
    ASSERT_EQ(merged[0].options.size(), 3u); // two of the file's own, one learned
    EXPECT_EQ(merged[0].options[2].hours, HoursBitset::range(20, 21));
    EXPECT_EQ(merged[0].options[2].seq, 3u);
    EXPECT_EQ(merged[0].options[2].origin, 0u);
    EXPECT_TRUE(merged[3].manual);
    EXPECT_EQ(merged[3].id, "M1");
    EXPECT_EQ(read.data->overrides.AUTO_PARK, false);
    EXPECT_FALSE(read.data->handmade);
    EXPECT_TRUE(log.contains("learned stand G9 in "));
    EXPECT_TRUE(log.contains("==> manually created standid G3 already exists in "));
    EXPECT_TRUE(window.last<GuiUpdate::StatusText>()->text.starts_with(
        "Warning: learned file airport name: 'Schiphol' differs"));
}

TEST_F(LearnedFileTest, NothingIsSavedWithoutAnAppliedAirportFile) {
    const testing::CapturedLog log;
    save({});
    EXPECT_TRUE(log.contains("==> gf_saveLearned called without a loaded airport file"));
    EXPECT_FALSE(fs::exists(airports() / "learned"));
}

} // namespace
} // namespace skyloom

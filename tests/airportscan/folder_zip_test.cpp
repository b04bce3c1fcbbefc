// The folder archive: the files directly in the folder under their bare names, a stale archive
// at the target replaced and never archived into itself, sub-folders left out; an empty folder
// gives no archive. And what the scan body writes on the way to it, on a full disk: the copies
// for the archive and the scan log.
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <zip.h>

#include "airportscan/folder_zip.h"
#include "airportscan/unmatched_archive.h"
#include "foundation/log_file.h"
#include "foundation/manual_clock.h"
#include "foundation/text.h"
#include "tests/airportscan/support/scan_installation.h"
#include "tests/airportscan/support/scan_test_support.h"
#include "tests/support/log_capture.h"
#include "tests/support/recording_window_sink.h"
#include "tests/support/small_disk.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_files.h"

namespace skyloom::testing {
namespace {
namespace fs = std::filesystem;
using ::testing::ElementsAre;

TEST(FolderZipTest, ArchivesTheFolderFilesUnderTheirNames) {
    const LogCapture log;
    const TempDir dir;
    writeText(dir / "EGLL.xml", "<a/>");
    writeText(dir / "email address.txt", "x@example.org");
    writeText(dir / "sub" / "KSFO.xml", "<b/>");
    writeText(dir / "tblo.zip", "stale, not an archive");
    std::vector<fs::path> archived;
    ASSERT_TRUE(gf_zipFolder(dir.path(), dir / "tblo.zip", &archived));
    EXPECT_EQ(archived.size(), 2u);

    int error = 0;
    zip_t* archive = zip_open(gf_pathToUtf8(dir / "tblo.zip").c_str(), ZIP_RDONLY, &error);
    ASSERT_NE(archive, nullptr);
    std::vector<std::string> names;
    for (zip_int64_t i = 0; i < zip_get_num_entries(archive, 0); ++i) {
        names.emplace_back(zip_get_name(archive, static_cast<zip_uint64_t>(i), 0));
    }
    zip_discard(archive);
    std::sort(names.begin(), names.end());
    EXPECT_THAT(names, ElementsAre("EGLL.xml", "email address.txt"));
    EXPECT_THAT(log.linesWith("[zip] Removing old zip"), ::testing::SizeIs(1));
}

TEST(FolderZipTest, AnEmptyFolderGivesNoArchive) {
    const LogCapture log;
    const TempDir dir;
    fs::create_directories(dir / "empty");
    std::vector<fs::path> archived;
    EXPECT_FALSE(gf_zipFolder(dir / "empty", dir / "empty" / "tblo.zip", &archived));
    EXPECT_TRUE(archived.empty());
    EXPECT_FALSE(gf_zipFolder(dir / "missing", dir / "tblo.zip"));
    EXPECT_THAT(log.linesWith("[zip] Not a directory: "), ::testing::SizeIs(1));
}

// Runs `work` with a scan body whose folders lie on a small disk, the log written beside it;
// `prepare` fills the scan's folders before the disk is filled. The code `work` returns, or
// none where no small disk can be mounted.
template <typename Prepare, typename Work>
std::optional<int> lf_scanBodyOnFullDisk(const fs::path& disk, const fs::path& out,
                                         Prepare prepare, Work work) {
    fs::create_directories(disk);
    fs::create_directories(out);
    return runOnSmallDisk(disk, 64 * 1024, [&] {
        LogFile::openIn(out);
        ScanFixture scan(disk, {"KPHX"});
        const ManualClock clock;
        AirportScanContext context = scan.context();
        const ScanWalkContext walk{context, clock,
                                   [](std::string_view) { return std::optional<fs::path>(); }};
        RecordingWindowSink window;
        RecordingScanControls controls;
        const ScanBodyContext body{walk, window, controls, disk / "tblo", "", {}};
        prepare(scan, body);
        fillDisk(disk);
        const int code = work(scan, body);
        LogFile::close();
        return code;
    });
}

// An airport file copied for mailing onto a full disk: the copy the disk cut short is removed
// and not counted, so that the archive never holds a cut airport file in its place.
TEST(TbloCopyTest, ACopyAFullDiskCutShortIsNotKept) {
    const TempDir dir;
    const fs::path disk = dir / "disk";
    const fs::path out = dir / "out";
    const std::optional<int> code = lf_scanBodyOnFullDisk(
        disk, out,
        [](ScanFixture& scan, const ScanBodyContext& body) {
            writeText(scan.thirdpartyFolder / "KPHX.xml", std::string(16 * 1024, 'k'));
            fs::create_directories(body.tbloFolder);
        },
        [](ScanFixture& scan, const ScanBodyContext& body) {
            const std::size_t copied =
                gf_copyAirportFilesToTblo(scan.thirdpartyFolder, body, false);
            const bool kept = fs::exists(body.tbloFolder / "KPHX.xml");
            return (copied == 0 ? 0 : 2) + (kept ? 4 : 0);
        });
    if (!code) {
        GTEST_SKIP() << kNoSmallDisk;
    }
    EXPECT_EQ(*code, 0) << "2: the cut copy was counted; 4: it stayed in the tblo folder";
    const std::string log = readText(out / "Log.txt");
    EXPECT_NE(log.find("failed to copy"), std::string::npos) << log;
}

// The scan log written at the end of the scan body onto a full disk: the log says it could not
// be written, rather than that it was.
TEST(ScanLogOnAFullDiskTest, ALogTheDiskRefusedIsNotReportedAsWritten) {
    const TempDir dir;
    const fs::path disk = dir / "disk";
    const fs::path out = dir / "out";
    const std::optional<int> code = lf_scanBodyOnFullDisk(
        disk, out,
        [](ScanFixture& scan, const ScanBodyContext&) {
            scan.scanLog.assign(2000, std::string(80, 's'));
        },
        [](ScanFixture&, const ScanBodyContext& body) {
            return gf_scanAirportFolders({}, body) ? 2 : 0;
        });
    if (!code) {
        GTEST_SKIP() << kNoSmallDisk;
    }
    EXPECT_EQ(*code, 0) << "2: the scan found airport files on an empty disk";
    const std::string log = readText(out / "Log.txt");
    const std::string path = gf_pathToUtf8(disk / kScanLogFileName);
    EXPECT_NE(log.find(fmt::format("==> Could not write '{}'", path)), std::string::npos) << log;
    EXPECT_EQ(log.find(path + " written"), std::string::npos) << log;
}

} // namespace
} // namespace skyloom::testing

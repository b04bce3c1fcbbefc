// The folder archive: the files directly in the folder under their bare names, a stale archive
// at the target replaced and never archived into itself, sub-folders left out; an empty folder
// gives no archive.
#include <algorithm>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <zip.h>

#include "airportscan/folder_zip.h"
#include "foundation/text.h"
#include "tests/support/log_capture.h"
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

} // namespace
} // namespace skyloom::testing

#include "foundation/files.h"

#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "foundation/log_file.h"
#include "foundation/text.h"
#include "tests/support/small_disk.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_files.h"

namespace fs = std::filesystem;

namespace skyloom {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

std::string readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Sets an environment variable for one test and restores it afterwards.
class EnvOverride {
public:
    EnvOverride(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        if (value != nullptr) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~EnvOverride() {
        if (old_) {
            ::setenv(name_.c_str(), old_->c_str(), 1);
        } else {
            ::unsetenv(name_.c_str());
        }
    }
    EnvOverride(const EnvOverride&) = delete;
    EnvOverride& operator=(const EnvOverride&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

// Makes a file undeletable, even for root, with the immutable attribute (the twin of the
// read-only attribute that stops a deletion on Windows); clears it again at scope end.
class ImmutableFile {
public:
    explicit ImmutableFile(const fs::path& path) : fd_(::open(path.c_str(), O_RDONLY)) {
        int flags = 0;
        if (fd_ >= 0 && ::ioctl(fd_, FS_IOC_GETFLAGS, &flags) == 0) {
            flags |= FS_IMMUTABLE_FL;
            set_ = ::ioctl(fd_, FS_IOC_SETFLAGS, &flags) == 0;
        }
    }
    ~ImmutableFile() {
        int flags = 0;
        if (set_ && ::ioctl(fd_, FS_IOC_GETFLAGS, &flags) == 0) {
            flags &= ~FS_IMMUTABLE_FL;
            ::ioctl(fd_, FS_IOC_SETFLAGS, &flags);
        }
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    ImmutableFile(const ImmutableFile&) = delete;
    ImmutableFile& operator=(const ImmutableFile&) = delete;

    bool isSet() const { return set_; }

private:
    int fd_;
    bool set_ = false;
};

// A folder with something in it, and the log written into a folder of its own.
class FilesTest : public ::testing::Test {
protected:
    void SetUp() override { LogFile::openIn(logDir_.path()); }
    void TearDown() override { LogFile::close(); }

    std::string logText() {
        LogFile::flush();
        return readBytes(logDir_ / "Log.txt");
    }
    void touch(const fs::path& relative, std::string_view content = "x") {
        fs::create_directories((dir_ / relative).parent_path());
        testing::writeText(dir_ / relative, content);
    }

    testing::TempDir logDir_;
    testing::TempDir dir_;
};

TEST_F(FilesTest, RemoveFilesRemovesRegularFilesAndKeepsSubFolders) {
    touch("a.txt");
    touch("b.xml");
    touch(".hidden");
    touch("sub/inner.txt");
    fs::create_symlink(dir_ / "sub", dir_ / "link-to-sub");

    EXPECT_EQ(gf_removeFilesFromDirectory(dir_.path()), 3u);
    EXPECT_FALSE(fs::exists(dir_ / "a.txt"));
    EXPECT_FALSE(fs::exists(dir_ / "b.xml"));
    EXPECT_FALSE(fs::exists(dir_ / ".hidden"));
    EXPECT_TRUE(fs::exists(dir_ / "sub/inner.txt"));
    EXPECT_TRUE(fs::is_symlink(dir_ / "link-to-sub"));
    EXPECT_THAT(logText(), Not(HasSubstr("Failed to remove")));

    EXPECT_EQ(gf_removeFilesFromDirectory(dir_.path()), 0u);
}

TEST_F(FilesTest, RemoveFilesOfAMissingFolderRemovesNothing) {
    EXPECT_EQ(gf_removeFilesFromDirectory(dir_ / "missing"), 0u);
}

TEST_F(FilesTest, RemoveFilesThrowsWhenTheFolderCannotBeListedOrQueried) {
    touch("plain.txt");
    EXPECT_THROW(gf_removeFilesFromDirectory(dir_ / "plain.txt"), fs::filesystem_error);
    // A link to itself: its status cannot be read, whoever runs the test.
    fs::create_symlink("loop", dir_ / "loop");
    EXPECT_THROW(gf_removeFilesFromDirectory(dir_ / "loop"), fs::filesystem_error);
    EXPECT_TRUE(fs::exists(dir_ / "plain.txt"));
}

TEST_F(FilesTest, RemoveFilesLogsAFileThatStaysAndRemovesTheOthers) {
    touch("a.txt");
    touch("stuck.txt");
    touch("z.txt");
    const ImmutableFile stuck(dir_ / "stuck.txt");
    if (!stuck.isSet()) {
        GTEST_SKIP() << "cannot make a file undeletable here (needs root and a file system "
                        "with the immutable attribute)";
    }
    EXPECT_EQ(gf_removeFilesFromDirectory(dir_.path()), 2u);
    EXPECT_TRUE(fs::exists(dir_ / "stuck.txt"));
    EXPECT_FALSE(fs::exists(dir_ / "a.txt"));
    EXPECT_FALSE(fs::exists(dir_ / "z.txt"));
    EXPECT_THAT(logText(), HasSubstr("==> Failed to remove " + gf_pathToUtf8(dir_ / "stuck.txt") +
                                     " (Operation not permitted)\n"));
}

TEST_F(FilesTest, RemoveFilesLogsEveryFileOfAReadOnlyFolder) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "running as root: folder permissions do not stop a removal";
    }
    touch("ro/a.txt");
    touch("ro/b.txt");
    fs::permissions(dir_ / "ro", fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(gf_removeFilesFromDirectory(dir_ / "ro"), 0u);
    fs::permissions(dir_ / "ro", fs::perms::owner_all);
    const std::string log = logText();
    EXPECT_THAT(log, HasSubstr("Failed to remove " + gf_pathToUtf8(dir_ / "ro/a.txt") + " ("));
    EXPECT_THAT(log, HasSubstr("Failed to remove " + gf_pathToUtf8(dir_ / "ro/b.txt") + " ("));
}

TEST_F(FilesTest, RemoveXmlFilesTakesOnlyXmlFiles) {
    touch("EGLL.xml");
    touch("KJFK.XML");
    touch("email address.txt");
    touch("EGLL.xml.bak");
    touch("xml");
    fs::create_directory(dir_ / "LFPG.xml");
    EXPECT_EQ(gf_removeXMLFilesFromDirectory(dir_.path()), 2u);
    EXPECT_FALSE(fs::exists(dir_ / "EGLL.xml"));
    EXPECT_FALSE(fs::exists(dir_ / "KJFK.XML"));
    EXPECT_TRUE(fs::exists(dir_ / "email address.txt"));
    EXPECT_TRUE(fs::exists(dir_ / "EGLL.xml.bak"));
    EXPECT_TRUE(fs::exists(dir_ / "xml"));
    EXPECT_TRUE(fs::is_directory(dir_ / "LFPG.xml"));
}

TEST_F(FilesTest, RemoveXmlFilesWithoutFolderEmptiesTheTbloFolder) {
    const EnvOverride workdir("SKYLOOM_WORKDIR", dir_.path().c_str());
    touch("tblo/EGLL.xml");
    touch("tblo/tblo.zip");
    touch("EDDF.xml");
    EXPECT_EQ(gf_removeXMLFilesFromDirectory(), 1u);
    EXPECT_FALSE(fs::exists(dir_ / "tblo/EGLL.xml"));
    EXPECT_TRUE(fs::exists(dir_ / "tblo/tblo.zip"));
    EXPECT_TRUE(fs::exists(dir_ / "EDDF.xml"));
}

TEST_F(FilesTest, CountFilesByExtension) {
    touch("EGLL.xml");
    touch("KJFK.XML");
    touch("EGLL.txt");
    touch("README");
    touch("sub/LFPG.xml");
    fs::create_directory(dir_ / "EDDF.xml");

    struct Case {
        const char* extension;
        std::size_t count;
    };
    for (const Case& c : {Case{"", 4}, Case{".xml", 2}, Case{"xml", 2}, Case{".XML", 2},
                          Case{".txt", 1}, Case{".zip", 0}, Case{".", 0}, Case{"ml", 0}}) {
        EXPECT_EQ(gf_countFilesInDirectory(dir_.path(), c.extension), c.count)
            << "'" << c.extension << "'";
    }
    EXPECT_EQ(gf_countFilesInDirectory(dir_.path()), 4u);
    EXPECT_EQ(gf_countFilesInDirectory(dir_ / "missing", ".xml"), 0u);
    fs::create_symlink("loop", dir_ / "loop");
    EXPECT_THROW(gf_countFilesInDirectory(dir_ / "loop", ""), fs::filesystem_error);
}

TEST_F(FilesTest, ListXmlFilesGivesTheIcaoCodesOfTheStemsInNameOrder) {
    touch("KJFK.xml");
    touch("egll.XML");
    touch("EDDF.xml");
    touch("notacode.xml");
    touch("EGL.xml");
    touch("LFPG.txt");
    touch("LSZH.xml.bak");
    touch("EG-L.xml");
    fs::create_directory(dir_ / "KSEA.xml");
    touch("sub/KBOS.xml");

    const std::vector<IcaoCode> codes = gf_listXMLFiles(dir_.path());
    EXPECT_THAT(codes, ElementsAre(IcaoCode("EDDF"), IcaoCode("EGLL"), IcaoCode("KJFK")));
    EXPECT_THAT(gf_listXMLFiles(dir_ / "missing"), IsEmpty());
}

TEST_F(FilesTest, FindFileMatchesNamesAndPatternsIgnoringCase) {
    touch("regcodes_a.txt");
    touch("Regcodes_B.TXT");
    touch("notes.md");
    touch("star*x");
    fs::create_directory(dir_ / "folder.txt");

    struct Case {
        const char* name;
        std::size_t found;
    };
    for (const Case& c :
         {Case{"regcodes_a.txt", 1}, Case{"REGCODES_A.TXT", 1}, Case{"regcodes_c.txt", 0},
          Case{"*.txt", 2}, Case{"*", 4}, Case{"", 4}, Case{"regcodes_?.txt", 2}, Case{"*_b*", 1},
          Case{"notes", 0}, Case{"folder.txt", 0}, Case{"**s.md", 1}, Case{"?", 0},
          Case{"star*", 1}, Case{"*r*x", 1}, Case{"STAR*X", 1}, Case{"star?x", 1}}) {
        EXPECT_EQ(gf_findFileInDirectory(dir_.path(), c.name), c.found) << "'" << c.name << "'";
    }
}

TEST_F(FilesTest, FindFileInAMissingOrEmptyFolderFindsNothing) {
    EXPECT_EQ(gf_findFileInDirectory(dir_ / "missing", ""), 0u);
    EXPECT_EQ(gf_findFileInDirectory(dir_ / "missing", "a.txt"), 0u);
    fs::create_directory(dir_ / "empty");
    EXPECT_EQ(gf_findFileInDirectory(dir_ / "empty", ""), 0u);
}

TEST_F(FilesTest, FindFileThrowsTheExistsErrorWhenTheStatusCannotBeRead) {
    fs::create_symlink("loop", dir_ / "loop");
    try {
        (void)gf_findFileInDirectory(dir_ / "loop", "");
        FAIL() << "no exception";
    } catch (const fs::filesystem_error& e) {
        EXPECT_THAT(e.what(), HasSubstr("exists"));
        EXPECT_EQ(e.path1(), dir_ / "loop");
    }
}

TEST_F(FilesTest, SaveOneGenerationCopiesWithZeroBeforeTheExtension) {
    touch("parameters.xml", "new");
    touch("parameters0.xml", "older");
    ASSERT_TRUE(gf_save1GenerationOf(dir_ / "parameters.xml"));
    EXPECT_EQ(readBytes(dir_ / "parameters0.xml"), "new");
    EXPECT_EQ(readBytes(dir_ / "parameters.xml"), "new");

    touch("LOCK", "l");
    ASSERT_TRUE(gf_save1GenerationOf(dir_ / "LOCK"));
    EXPECT_EQ(readBytes(dir_ / "LOCK0"), "l");

    touch("EGLL.apf.xml", "a");
    ASSERT_TRUE(gf_save1GenerationOf(dir_ / "EGLL.apf.xml"));
    EXPECT_EQ(readBytes(dir_ / "EGLL.apf0.xml"), "a");

    EXPECT_FALSE(gf_save1GenerationOf(dir_ / "missing.xml"));
    EXPECT_FALSE(fs::exists(dir_ / "missing0.xml"));
}

// On a full disk the copy cannot be made whole: the older generation stays as it was, instead
// of giving way to a copy the disk cut short, and no temporary copy is left beside it.
TEST(SaveOneGenerationOnAFullDiskTest, TheOlderGenerationStaysWhole) {
    testing::TempDir dir;
    const fs::path disk = dir / "disk";
    const fs::path out = dir / "out";
    fs::create_directories(disk);
    fs::create_directories(out);
    const std::string older = "<root>older</root>\n";
    const std::optional<int> code = testing::runOnSmallDisk(disk, 64 * 1024, [&] {
        std::ofstream(disk / "parameters0.xml") << older;
        std::ofstream(disk / "parameters.xml") << std::string(40 * 1024, 'n');
        testing::fillDisk(disk);
        const bool saved = gf_save1GenerationOf(disk / "parameters.xml");
        fs::remove(disk / "filler");
        fs::copy(disk, out / "disk");
        return saved ? 4 : 0;
    });
    if (!code) {
        GTEST_SKIP() << testing::kNoSmallDisk;
    }
    EXPECT_EQ(*code, 0) << "4: the copy was said to be made on a full disk";
    EXPECT_EQ(readBytes(out / "disk" / "parameters0.xml"), older);
    EXPECT_FALSE(fs::exists(out / "disk" / "parameters0.xml.tmp"));
}

TEST_F(FilesTest, MoveFileRenamesAndReplacesTheTarget) {
    touch("a.tmp", "new");
    touch("a.xml", "old");
    ASSERT_TRUE(gf_moveFile(dir_ / "a.tmp", dir_ / "a.xml"));
    EXPECT_FALSE(fs::exists(dir_ / "a.tmp"));
    EXPECT_EQ(readBytes(dir_ / "a.xml"), "new");
    EXPECT_THAT(logText(), Not(HasSubstr("could not")));
}

TEST_F(FilesTest, MoveFileAcrossVolumesCopiesAndRemoves) {
    const fs::path shm("/dev/shm");
    struct stat here {};
    struct stat there {};
    if (::stat(dir_.path().c_str(), &here) != 0 || ::stat(shm.c_str(), &there) != 0 ||
        here.st_dev == there.st_dev) {
        GTEST_SKIP() << "no /dev/shm on another volume than the temporary folder";
    }
    std::error_code ec;
    const fs::path target = shm / fmt::format("skyloom-move-test-{}", ::getpid());
    touch("a.txt", "content");
    const bool moved = gf_moveFile(dir_ / "a.txt", target);
    const std::string content = readBytes(target);
    fs::remove(target, ec);
    ASSERT_TRUE(moved);
    EXPECT_EQ(content, "content");
    EXPECT_FALSE(fs::exists(dir_ / "a.txt"));
}

TEST_F(FilesTest, MoveFileLogsASourceThatCannotBeMovedOrRemoved) {
    EXPECT_FALSE(gf_moveFile(dir_ / "missing.txt", dir_ / "b.txt"));
    EXPECT_THAT(logText(), HasSubstr("==> could not move " + gf_pathToUtf8(dir_ / "missing.txt") +
                                     " => " + gf_pathToUtf8(dir_ / "b.txt") + ": "));

    touch("stuck.txt", "s");
    const ImmutableFile stuck(dir_ / "stuck.txt");
    if (!stuck.isSet()) {
        GTEST_SKIP() << "cannot make a file undeletable here (needs root and a file system "
                        "with the immutable attribute)";
    }
    // The rename is refused, the copy is made, the source stays.
    touch("copy.txt", "old");
    EXPECT_TRUE(gf_moveFile(dir_ / "stuck.txt", dir_ / "copy.txt"));
    EXPECT_EQ(readBytes(dir_ / "copy.txt"), "s");
    EXPECT_TRUE(fs::exists(dir_ / "stuck.txt"));
    EXPECT_FALSE(fs::exists(dir_ / "copy.txt.move_tmp")) << "the staging copy replaced the target";
    EXPECT_THAT(logText(), HasSubstr("==> could not remove " + gf_pathToUtf8(dir_ / "stuck.txt") +
                                     " after copy: Operation not permitted\n"));
}

TEST_F(FilesTest, AFailedMoveLeavesTheTargetAsItWas) {
    // A folder cannot be renamed over a file nor copied: the target keeps its content.
    fs::create_directory(dir_ / "folder");
    touch("target.xml", "kept");
    EXPECT_FALSE(gf_moveFile(dir_ / "folder", dir_ / "target.xml"));
    EXPECT_EQ(readBytes(dir_ / "target.xml"), "kept");
    EXPECT_FALSE(fs::exists(dir_ / "target.xml.move_tmp"));
    EXPECT_THAT(logText(), HasSubstr("==> could not move "));
}

TEST_F(FilesTest, TempFileGuardRemovesTheFileUnlessReleased) {
    touch("a.scan_tmp");
    touch("b.scan_tmp");
    {
        TempFileGuard guard(dir_ / "a.scan_tmp");
        EXPECT_TRUE(guard.armed());
        EXPECT_EQ(guard.path(), dir_ / "a.scan_tmp");
    }
    EXPECT_FALSE(fs::exists(dir_ / "a.scan_tmp"));
    {
        TempFileGuard guard(dir_ / "b.scan_tmp");
        guard.release();
        EXPECT_FALSE(guard.armed());
    }
    EXPECT_TRUE(fs::exists(dir_ / "b.scan_tmp"));
    {
        // Nothing there to remove: no harm done.
        TempFileGuard guard(dir_ / "never-written.tmp");
    }
    EXPECT_FALSE(fs::exists(dir_ / "never-written.tmp"));
}

TEST_F(FilesTest, AppDataPathIsTheRoamingFolder) {
    const EnvOverride appData("SKYLOOM_APPDATA", dir_.path().c_str());
    EXPECT_EQ(gf_appDataPath(), dir_.path());
    EXPECT_THAT(logText(), Not(HasSubstr("Could not find the AppData path")));
}

TEST_F(FilesTest, AppDataPathThatCannotBeFoundIsLoggedAndEmpty) {
    const EnvOverride appData("SKYLOOM_APPDATA", nullptr);
    const EnvOverride xdg("XDG_CONFIG_HOME", nullptr);
    const EnvOverride home("HOME", nullptr);
    EXPECT_TRUE(gf_appDataPath().empty());
    EXPECT_THAT(logText(), HasSubstr("==> Could not find the AppData path\n"));
}

TEST_F(FilesTest, OpenFolderFailsForAMissingPath) {
    EXPECT_FALSE(gf_openFolder(dir_ / "missing"));
}

} // namespace
} // namespace skyloom

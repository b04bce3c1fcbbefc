#include <cstdlib>
#include <fstream>
#include <string>

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/os/file_replace.h"
#include "platform/os/instance_lock.h"
#include "platform/os/known_folders.h"
#include "platform/os/shell_open.h"
#include "tests/support/temp_dir.h"

namespace skyloom::os {
namespace {

// Sets an environment variable for one scope and restores the old value.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
            had_ = true;
        }
        if (value != nullptr) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (had_) {
            ::setenv(name_.c_str(), old_.c_str(), 1);
        } else {
            ::unsetenv(name_.c_str());
        }
    }

private:
    std::string name_;
    std::string old_;
    bool had_ = false;
};

std::string readAll(const std::filesystem::path& p) {
    std::ifstream in(p);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(KnownFolders, EnvironmentOverridesComeFirst) {
    ScopedEnv work("SKYLOOM_WORKDIR", "/tmp/work-here");
    ScopedEnv roaming("SKYLOOM_APPDATA", "/tmp/roaming-here");
    ScopedEnv local("SKYLOOM_LOCALAPPDATA", "/tmp/local-here");
    ScopedEnv config("XDG_CONFIG_HOME", "/tmp/xdg-config");
    EXPECT_EQ(workingFolder(), "/tmp/work-here");
    EXPECT_EQ(roamingAppData(), "/tmp/roaming-here");
    EXPECT_EQ(localAppData(), "/tmp/local-here");
}

TEST(KnownFolders, FallBackToXdgThenHome) {
    ScopedEnv roaming("SKYLOOM_APPDATA", nullptr);
    ScopedEnv local("SKYLOOM_LOCALAPPDATA", nullptr);
    ScopedEnv work("SKYLOOM_WORKDIR", nullptr);
    ScopedEnv home("HOME", "/home/pilot");
    {
        ScopedEnv config("XDG_CONFIG_HOME", "/xdg/config");
        ScopedEnv data("XDG_DATA_HOME", "/xdg/data");
        EXPECT_EQ(roamingAppData(), "/xdg/config");
        EXPECT_EQ(localAppData(), "/xdg/data");
    }
    {
        ScopedEnv config("XDG_CONFIG_HOME", "");
        ScopedEnv data("XDG_DATA_HOME", nullptr);
        EXPECT_EQ(roamingAppData(), "/home/pilot/.config");
        EXPECT_EQ(localAppData(), "/home/pilot/.local/share");
    }
    EXPECT_EQ(workingFolder(), std::filesystem::current_path());
}

TEST(KnownFolders, NoHomeGivesAnEmptyPath) {
    ScopedEnv roaming("SKYLOOM_APPDATA", nullptr);
    ScopedEnv config("XDG_CONFIG_HOME", nullptr);
    ScopedEnv home("HOME", nullptr);
    EXPECT_TRUE(roamingAppData().empty());
}

TEST(FileReplace, ReplacesTheTargetInOneStep) {
    testing::TempDir dir;
    std::ofstream(dir / "new.tmp") << "new content";
    std::ofstream(dir / "file.xml") << "old content";
    std::error_code ec;
    ASSERT_TRUE(replaceFile(dir / "new.tmp", dir / "file.xml", ec)) << ec.message();
    EXPECT_EQ(readAll(dir / "file.xml"), "new content");
    EXPECT_FALSE(std::filesystem::exists(dir / "new.tmp"));
}

TEST(FileReplace, ReplacesInOneStepWhetherSyncedNowOrLater) {
    for (const SyncMode mode : {SyncMode::eachFile, SyncMode::deferred}) {
        testing::TempDir dir;
        std::ofstream(dir / "new.tmp") << "new content";
        std::ofstream(dir / "file.xml") << "old content";
        std::error_code ec;
        ASSERT_TRUE(replaceFile(dir / "new.tmp", dir / "file.xml", ec, mode)) << ec.message();
        EXPECT_EQ(readAll(dir / "file.xml"), "new content");
        EXPECT_FALSE(std::filesystem::exists(dir / "new.tmp"));
        // The deferred sync: the files, then their folder.
        EXPECT_TRUE(syncFiles({dir / "file.xml"}, ec)) << ec.message();
        EXPECT_TRUE(syncFolder(dir.path(), ec)) << ec.message();
    }
}

TEST(FileReplace, SyncingWhatIsNotThereFails) {
    testing::TempDir dir;
    std::ofstream(dir / "file.xml") << "content";
    std::error_code ec;
    EXPECT_FALSE(syncFiles({dir / "file.xml", dir / "missing.xml"}, ec));
    EXPECT_EQ(ec, std::errc::no_such_file_or_directory);
    EXPECT_FALSE(syncFolder(dir / "missing", ec));
    EXPECT_TRUE(ec);
    EXPECT_FALSE(syncFolder(dir / "file.xml", ec));
    EXPECT_EQ(ec, std::errc::not_a_directory);
}

TEST(FileReplace, AMissingSourceFailsAndLeavesTheTarget) {
    testing::TempDir dir;
    std::ofstream(dir / "file.xml") << "old content";
    std::error_code ec;
    EXPECT_FALSE(replaceFile(dir / "missing.tmp", dir / "file.xml", ec));
    EXPECT_TRUE(ec);
    EXPECT_EQ(readAll(dir / "file.xml"), "old content");
}

TEST(InstanceLock, OnlyOneHolderAtATime) {
    testing::TempDir dir;
    {
        InstanceLock first("Local\\$Skyloom$", dir.path());
        ASSERT_TRUE(first.held());
        EXPECT_EQ(first.status(), InstanceLockStatus::held);
        EXPECT_EQ(first.error(), "");
        EXPECT_EQ(first.file().filename(), "Local__Skyloom_.lock");

        InstanceLock second("Local\\$Skyloom$", dir.path());
        EXPECT_FALSE(second.held());
        EXPECT_EQ(second.status(), InstanceLockStatus::busy);
        EXPECT_EQ(second.error(), "");

        // Another process is refused as well.
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            InstanceLock inChild("Local\\$Skyloom$", dir.path());
            ::_exit(inChild.status() == InstanceLockStatus::busy ? 1 : 0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 1);

        InstanceLock other("another name", dir.path());
        EXPECT_TRUE(other.held());
    }
    // Released with its holder.
    InstanceLock again("Local\\$Skyloom$", dir.path());
    EXPECT_TRUE(again.held());
}

TEST(InstanceLock, ALockThatCannotBeTriedIsAnErrorNotAnotherHolder) {
    testing::TempDir dir;
    // No folder for the lock file.
    InstanceLock nowhere("Local\\$Skyloom$", dir / "missing");
    EXPECT_FALSE(nowhere.held());
    EXPECT_EQ(nowhere.status(), InstanceLockStatus::error);
    EXPECT_NE(nowhere.error().find("cannot open " + (dir / "missing").string()), std::string::npos)
        << nowhere.error();
    // The lock file's name taken by a folder.
    std::filesystem::create_directories(dir / "Local__Skyloom_.lock");
    InstanceLock onAFolder("Local\\$Skyloom$", dir.path());
    EXPECT_EQ(onAFolder.status(), InstanceLockStatus::error);
    EXPECT_FALSE(onAFolder.error().empty());
}

TEST(ShellOpen, AMissingPathIsRefused) {
    testing::TempDir dir;
    EXPECT_FALSE(shellOpen(dir / "no such folder"));
}

TEST(ShellOpen, AMissingOpenerIsReported) {
    testing::TempDir dir;
    ScopedEnv path("PATH", dir.path().c_str());
    EXPECT_FALSE(shellOpen(dir.path()));
}

} // namespace
} // namespace skyloom::os

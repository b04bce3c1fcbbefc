#include "foundation/log_file.h"

#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "foundation/clock.h"
#include "foundation/manual_clock.h"
#include "tests/support/small_disk.h"
#include "tests/support/temp_dir.h"

namespace skyloom {
namespace {

std::string readAll(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::vector<std::string> readLines(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        lines.push_back(line);
    }
    return lines;
}

class LogFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        gf_setClock(&clock_);
        LogFile::setTargetNameProvider([] { return std::string("MSFS 2024"); });
        LogFile::openIn(dir_.path());
    }
    void TearDown() override {
        LogFile::close();
        LogFile::setTargetNameProvider({});
        gf_setClock(nullptr);
    }
    std::filesystem::path logPath() const { return dir_ / "Log.txt"; }

    testing::TempDir dir_;
    ManualClock clock_{ManualClock::utcTime(2026, 12, 7, 7, 5, 9)};
};

TEST_F(LogFileTest, FirstLineNamesDateProgramVersionAndSimulator) {
    const auto lines = readLines(logPath());
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("7 Dec 2026 07:05Z Skyloom version ", 0), 0u) << lines[0];
    EXPECT_TRUE(lines[0].ends_with(" for MSFS 2024")) << lines[0];
}

TEST_F(LogFileTest, PlainLinesWaitUntilTheThresholdIsReached) {
    const auto sizeAfterOpen = readAll(logPath()).size();
    const std::string line(99, 'x'); // 100 bytes with its line end
    for (int i = 0; i < 40; ++i) {
        LogFile::write(line);
    }
    EXPECT_EQ(LogFile::waitingBytes(), 4000u);
    EXPECT_EQ(readAll(logPath()).size(), sizeAfterOpen);

    LogFile::write(line.substr(0, 95)); // 4096 bytes wait now
    EXPECT_EQ(LogFile::waitingBytes(), 0u);
    EXPECT_EQ(readAll(logPath()).size(), sizeAfterOpen + 4096u);
}

TEST_F(LogFileTest, ImportantAndNowLinesAreFlushedAtOnce) {
    LogFile::write("waiting");
    LogFile::writeImportant("something went wrong");
    auto lines = readLines(logPath());
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], "waiting");
    EXPECT_EQ(lines[2], "==> something went wrong");

    LogFile::writeIndented("continued");
    LogFile::writeNow("now");
    lines = readLines(logPath());
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[3], "          continued");
    EXPECT_EQ(lines[4], "now");
    EXPECT_EQ(LogFile::waitingBytes(), 0u);
}

TEST_F(LogFileTest, FlushWritesWhatWaitsAndCloseKeepsIt) {
    LogFile::write("one");
    LogFile::writeNoThrow("two");
    EXPECT_GT(LogFile::waitingBytes(), 0u);
    LogFile::flush();
    EXPECT_EQ(LogFile::waitingBytes(), 0u);
    LogFile::write("three");
    LogFile::close();
    const auto lines = readLines(logPath());
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[3], "three");
    // Writes while closed go nowhere and do not fail.
    LogFile::write("dropped");
    LogFile::writeImportant("dropped too");
    EXPECT_EQ(readLines(logPath()).size(), 4u);
    EXPECT_TRUE(LogFile::currentPath().empty());
}

TEST_F(LogFileTest, OpeningAgainKeepsOneGenerationAsLog0) {
    LogFile::writeImportant("first run");
    LogFile::openIn(dir_.path());
    LogFile::writeImportant("second run");
    LogFile::openIn(dir_.path());

    const auto previous = readLines(dir_ / "Log0.txt");
    ASSERT_EQ(previous.size(), 2u);
    EXPECT_EQ(previous[1], "==> second run");
    const auto current = readLines(logPath());
    EXPECT_EQ(current.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(dir_ / "Log00.txt"));
}

// A run of the program that restarts (a web API outage restarts it every minute) goes on in its
// log: what led to each restart stays. Only a new start of the program keeps the log before it
// as Log0.txt.
TEST_F(LogFileTest, ARestartGoesOnInTheRunsLogAndANewProgramKeepsItAsLog0) {
    struct Step {
        const char* label;
        bool newProgram; // the log is not open: the program starts
        const char* simulator;
        const char* line;
        std::size_t lines;     // in Log.txt afterwards
        std::size_t previous;  // in Log0.txt afterwards
    };
    LogFile::writeImportant("the previous program");
    const Step steps[] = {
        {"the program starts", true, "MSFS 2024", "run 1 ends: READER ERROR", 2, 2},
        {"a restart", false, "MSFS 2024", "run 2 ends: READER ERROR", 4, 2},
        {"a restart for the other simulator", false, "MSFS 2020", "run 3 ends: USER CLOSED SIM",
         6, 2},
        {"the program starts again", true, "MSFS 2020", "run 1 of the next program", 2, 6},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.label);
        if (step.newProgram) {
            LogFile::close();
        }
        const std::string simulator = step.simulator;
        LogFile::setTargetNameProvider([simulator] { return simulator; });
        LogFile::openForRunIn(dir_.path());
        LogFile::writeImportant(step.line);
        LogFile::flush();
        const auto lines = readLines(logPath());
        ASSERT_EQ(lines.size(), step.lines);
        EXPECT_TRUE(lines[lines.size() - 2].ends_with(std::string(" for ") + step.simulator))
            << lines[lines.size() - 2];
        EXPECT_EQ(lines.back(), std::string("==> ") + step.line);
        EXPECT_EQ(readLines(dir_ / "Log0.txt").size(), step.previous);
    }
    EXPECT_EQ(readLines(dir_ / "Log0.txt")[3], "==> run 2 ends: READER ERROR");
}

TEST_F(LogFileTest, TheTargetNameProviderMayItselfLog) {
    // Configuration's provider looks up folders and may log while the log is being opened.
    LogFile::setTargetNameProvider([] {
        LogFile::writeImportant("Could not find the AppData path");
        return std::string("MSFS 2020");
    });
    LogFile::openIn(dir_.path());
    const auto previous = readLines(dir_ / "Log0.txt");
    ASSERT_EQ(previous.size(), 2u);
    EXPECT_EQ(previous[1], "==> Could not find the AppData path");
    const auto lines = readLines(logPath());
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(lines[0].ends_with(" for MSFS 2020")) << lines[0];
}

TEST_F(LogFileTest, OpeningFlushesTheLinesWaitingForThePreviousLog) {
    LogFile::write("not yet flushed");
    LogFile::openIn(dir_.path());
    const auto previous = readLines(dir_ / "Log0.txt");
    ASSERT_EQ(previous.size(), 2u);
    EXPECT_EQ(previous[1], "not yet flushed");
}

TEST_F(LogFileTest, ManyThreadsLoseNoLineAndNeverInterleave) {
    constexpr int kThreads = 8;
    constexpr int kLines = 2000;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kLines; ++i) {
                const auto text = fmt::format("thread {} line {} {}", t, i, std::string(t * 7, '.'));
                if (i % 50 == 0) {
                    LogFile::writeImportant(text);
                } else {
                    LogFile::write(text);
                }
            }
        });
    }
    for (auto& th : threads) {
        th.join();
    }
    LogFile::flush();
    const auto lines = readLines(logPath());
    ASSERT_EQ(lines.size(), 1u + kThreads * kLines);
    std::vector<int> next(kThreads, 0);
    for (std::size_t k = 1; k < lines.size(); ++k) {
        std::string_view line = lines[k];
        if (line.starts_with("==> ")) {
            line.remove_prefix(4);
        }
        int t = -1;
        int i = -1;
        ASSERT_EQ(std::sscanf(std::string(line).c_str(), "thread %d line %d", &t, &i), 2) << line;
        ASSERT_GE(t, 0);
        ASSERT_LT(t, kThreads);
        // Each thread's lines arrive whole and in the order it wrote them.
        EXPECT_EQ(i, next[t]) << line;
        next[t] = i + 1;
        EXPECT_EQ(line, fmt::format("thread {} line {} {}", t, i, std::string(t * 7, '.')));
    }
}

// A full disk: the lines the file did not take are counted, and the first write after room
// came back marks the place with their number and the reason, on a line of its own after the
// line the disk cut. What was lost stays known for the program to report.
TEST(LogFileOnAFullDiskTest, LostLinesAreMarkedWhereTheyAreMissing) {
    testing::TempDir dir;
    const std::filesystem::path disk = dir / "disk";
    std::filesystem::create_directory(disk);
    const std::filesystem::path out = dir / "out";
    std::filesystem::create_directory(out);
    const std::string big(3000, 'b');
    const std::optional<int> code = testing::runOnSmallDisk(disk, 64 * 1024, [&] {
        LogFile::openIn(disk);
        LogFile::writeNow("before the disk is full");
        testing::fillDisk(disk);
        for (int i = 0; i < 3; ++i) {
            LogFile::writeNow(fmt::format("{} {}", i, big));
        }
        const LogLoss whileFull = LogFile::loss();
        std::filesystem::remove(disk / "filler");
        LogFile::writeImportant("room again");
        LogFile::close();
        std::filesystem::copy_file(disk / "Log.txt", out / "Log.txt");
        std::ofstream(out / "loss.txt") << whileFull.lines << "\n" << whileFull.reason << "\n";
        return 0;
    });
    if (!code) {
        GTEST_SKIP() << testing::kNoSmallDisk;
    }
    ASSERT_EQ(*code, 0);
    const auto loss = readLines(out / "loss.txt");
    ASSERT_EQ(loss.size(), 2u);
    const auto lines = readLines(out / "Log.txt");
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[1], "before the disk is full");
    EXPECT_EQ(lines.back(), "==> room again");
    // The big lines the disk took whole, the one it cut, then the mark.
    std::size_t whole = 0;
    std::size_t k = 2;
    for (; k < lines.size() && lines[k] == fmt::format("{} {}", whole, big); ++k) {
        ++whole;
    }
    const std::size_t lost = 3 - whole;
    EXPECT_EQ(loss[0], std::to_string(lost));
    EXPECT_EQ(loss[1], "No space left on device");
    ASSERT_GT(lost, 0u) << "the disk took every line";
    const std::string mark = fmt::format("==> {} log line{} lost here: No space left on device",
                                         lost, lost == 1 ? "" : "s");
    if (lines[k] != mark) {
        // A cut line: what the disk took of it, then the mark on the next line.
        EXPECT_TRUE(fmt::format("{} {}", whole, big).starts_with(lines[k])) << lines[k];
        ++k;
    }
    ASSERT_LT(k, lines.size());
    EXPECT_EQ(lines[k], mark);
    EXPECT_EQ(k + 2, lines.size());
}

} // namespace
} // namespace skyloom

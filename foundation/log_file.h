// Log.txt in the working folder: the one log, written by every thread under one mutex. Lines
// carry no time stamp or level; "==> " marks an error, a warning or a notable event and is
// flushed at once, other lines are flushed once 4096 bytes wait. Opening the log keeps the
// previous one as Log0.txt; a restart of the program within its process goes on in the same
// log.
//
// Lines the file does not take (a full disk) are counted; the next write that succeeds first
// puts the important line "{} log line{} lost here: {}" (count, "s", the system's reason) where
// they are missing, on a line of its own after a line the disk cut. What was lost since the
// open, marked or not, can be asked for, so that the program can say so where the log cannot.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace skyloom {

// The lines a log lost since it was opened, and the system's reason for the last loss.
struct LogLoss {
    std::size_t lines = 0;
    std::string reason;
};

class LogFile {
public:
    static constexpr std::size_t kFlushThresholdBytes = 4096;
    static constexpr std::string_view kImportantPrefix = "==> ";
    static constexpr std::string_view kIndent = "          "; // ten blanks

    // Flushes the log, keeps the previous Log.txt of the working folder as Log0.txt, opens
    // Log.txt afresh and writes the first line "{date} {program} version {version} for {sim}".
    static void open();
    // The same in another folder (tests, tools).
    static void openIn(const std::filesystem::path& folder);
    // The log of one run of the program. The first run of a process opens it as open() does;
    // a later run in the same process (a restart) goes on in the same Log.txt after a new
    // first line, so that what led to the restart, and the runs before it, stay in the log.
    // A log that is not open there (closed, or its open failed) is opened afresh.
    static void openForRun();
    static void openForRunIn(const std::filesystem::path& folder);
    // Flushes and closes; later writes are dropped until the next open.
    static void close();

    // Appends the text and "\n"; flushes once 4096 or more bytes wait.
    static void write(std::string_view text);
    // Appends "==> ", the text and "\n" and flushes at once.
    static void writeImportant(std::string_view text);
    // Appends ten blanks, the text and "\n": a line that continues the previous entry.
    static void writeIndented(std::string_view text);
    // Appends the text and "\n" and flushes at once.
    static void writeNow(std::string_view text);
    // As write(), but never throws.
    static void writeNoThrow(std::string_view text) noexcept;
    // Flushes what waits and zeroes the count of waiting bytes.
    static void flush();

    // The text after "for" in the first line: the simulator the run is for. Configuration
    // installs it once the start-up choice is known.
    static void setTargetNameProvider(std::function<std::string()> provider);

    // The lines lost since the last open (none while nothing was lost).
    static LogLoss loss();

    // Where the log is being written; empty while it is closed.
    static std::filesystem::path currentPath();
    // Bytes written since the last flush (for tests of the flush rule).
    static std::size_t waitingBytes();
};

} // namespace skyloom

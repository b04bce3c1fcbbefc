#include "foundation/log_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <mutex>
#include <system_error>

#include <fmt/format.h>

#include "foundation/time_text.h"
#include "foundation/version.h"
#include "platform/os/known_folders.h"

namespace skyloom {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const {
        if (f != nullptr) {
            std::fclose(f);
        }
    }
};

struct LogState {
    std::mutex mutex;
    std::unique_ptr<std::FILE, FileCloser> file;
    std::filesystem::path path;
    std::string waiting;
    std::function<std::string()> targetName;
    // Lines that could not be written since the last mark of the loss (or the open), why, and
    // whether the file now ends inside a line.
    std::size_t unmarkedLost = 0;
    std::string lossReason;
    bool lineCut = false;
    // Every line lost since the open, marked or not; an open that failed loses every line.
    std::size_t lostSinceOpen = 0;
    bool openFailed = false;
};

std::size_t lf_lineCount(std::string_view text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

std::string lf_plural(std::size_t count) {
    return count == 1 ? "" : "s";
}

LogState& lf_state() {
    static LogState state;
    return state;
}

// Caller holds the mutex. What the file did not take (a full disk) is counted, and the next
// write that succeeds first marks the place: a line of its own, after the cut line when one was
// cut, saying how many lines are missing there and why.
void lf_flushLocked(LogState& s) {
    if (!s.file || s.waiting.empty()) {
        s.waiting.clear();
        return;
    }
    std::string out;
    if (s.unmarkedLost != 0) {
        out = fmt::format("{}{}{} log line{} lost here: {}\n", s.lineCut ? "\n" : "",
                          LogFile::kImportantPrefix, s.unmarkedLost, lf_plural(s.unmarkedLost),
                          s.lossReason);
    }
    const std::size_t markBytes = out.size();
    out.append(s.waiting);
    s.waiting.clear();
    errno = 0;
    // Unbuffered: what fwrite counts is what reached the file.
    const std::size_t written = std::fwrite(out.data(), 1, out.size(), s.file.get());
    if (written == out.size() && std::fflush(s.file.get()) == 0 && std::ferror(s.file.get()) == 0) {
        s.unmarkedLost = 0;
        s.lineCut = false;
        return;
    }
    const int error = errno;
    std::clearerr(s.file.get());
    const std::size_t lost =
        lf_lineCount(std::string_view(out).substr(std::max(written, markBytes)));
    s.lostSinceOpen += lost;
    s.unmarkedLost = (written >= markBytes ? 0 : s.unmarkedLost) + lost;
    if (written > 0) {
        s.lineCut = out[written - 1] != '\n';
    }
    s.lossReason =
        error != 0 ? std::generic_category().message(error) : std::string("the file took no more");
}

// Caller holds the mutex. Lines written while no log is open are dropped; while the log could
// not be opened they are counted as lost.
void lf_appendLocked(LogState& s, std::string_view prefix, std::string_view text, bool flushNow) {
    if (!s.file) {
        if (s.openFailed) {
            ++s.lostSinceOpen;
        }
        return;
    }
    s.waiting.append(prefix);
    s.waiting.append(text);
    s.waiting.push_back('\n');
    if (flushNow || s.waiting.size() >= LogFile::kFlushThresholdBytes) {
        lf_flushLocked(s);
    }
}

void lf_append(std::string_view prefix, std::string_view text, bool flushNow) {
    auto& s = lf_state();
    std::lock_guard lock(s.mutex);
    lf_appendLocked(s, prefix, text, flushNow);
}

// The first line of a run's log. The provider may itself log (configuration looks up
// folders), so it runs unlocked.
std::string lf_firstLine() {
    auto& s = lf_state();
    std::function<std::string()> provider;
    {
        std::lock_guard lock(s.mutex);
        provider = s.targetName;
    }
    const std::string target = provider ? provider() : std::string("MSFS");
    return fmt::format("{} {} version {} for {}", gf_dateTimeText(), kProgramName,
                       gf_programVersionText(), target);
}

} // namespace

void LogFile::open() { openIn(os::workingFolder()); }

void LogFile::openForRun() { openForRunIn(os::workingFolder()); }

void LogFile::openForRunIn(const std::filesystem::path& folder) {
    auto& s = lf_state();
    const std::string firstLine = lf_firstLine();
    {
        std::lock_guard lock(s.mutex);
        if (s.file && s.path == folder / "Log.txt") {
            lf_appendLocked(s, {}, firstLine, true);
            return;
        }
    }
    openIn(folder);
}

void LogFile::openIn(const std::filesystem::path& folder) {
    auto& s = lf_state();
    const std::string firstLine = lf_firstLine();

    std::lock_guard lock(s.mutex);
    lf_flushLocked(s);
    s.file.reset();
    const auto path = folder / "Log.txt";
    // Keep the previous log as Log0.txt. When neither the rename nor a copy works, the new
    // run appends to the old log rather than destroying its only copy.
    const char* mode = "wb";
    std::error_code ec;
    if (std::filesystem::exists(path, ec)) {
        const auto previous = folder / "Log0.txt";
        std::filesystem::rename(path, previous, ec);
        if (ec) {
            std::filesystem::copy_file(path, previous,
                                       std::filesystem::copy_options::overwrite_existing, ec);
            if (ec) {
                mode = "ab";
            }
        }
    }
    s.unmarkedLost = 0;
    s.lineCut = false;
    s.lostSinceOpen = 0;
    s.lossReason.clear();
    errno = 0;
    s.file.reset(std::fopen(path.c_str(), mode));
    s.openFailed = !s.file;
    if (s.file) {
        // Unbuffered, so that every write reports what reached the file: the log counts what a
        // full disk refused instead of losing it in a buffer.
        std::setvbuf(s.file.get(), nullptr, _IONBF, 0);
    } else {
        s.lossReason = errno != 0 ? std::generic_category().message(errno)
                                  : std::string("it could not be opened");
    }
    s.path = s.file ? path : std::filesystem::path();
    lf_appendLocked(s, {}, firstLine, true);
}

void LogFile::close() {
    auto& s = lf_state();
    std::lock_guard lock(s.mutex);
    lf_flushLocked(s);
    s.file.reset();
    s.path.clear();
    s.openFailed = false;
}

void LogFile::write(std::string_view text) { lf_append({}, text, false); }

void LogFile::writeImportant(std::string_view text) { lf_append(kImportantPrefix, text, true); }

void LogFile::writeIndented(std::string_view text) { lf_append(kIndent, text, false); }

void LogFile::writeNow(std::string_view text) { lf_append({}, text, true); }

void LogFile::writeNoThrow(std::string_view text) noexcept {
    try {
        write(text);
    } catch (...) {
        // Logging must not take down the caller; a line lost here has nowhere else to go.
    }
}

void LogFile::flush() {
    auto& s = lf_state();
    std::lock_guard lock(s.mutex);
    lf_flushLocked(s);
}

void LogFile::setTargetNameProvider(std::function<std::string()> provider) {
    auto& s = lf_state();
    std::lock_guard lock(s.mutex);
    s.targetName = std::move(provider);
}

std::filesystem::path LogFile::currentPath() {
    auto& s = lf_state();
    std::lock_guard lock(s.mutex);
    return s.path;
}

LogLoss LogFile::loss() {
    auto& s = lf_state();
    std::lock_guard lock(s.mutex);
    return {s.lostSinceOpen, s.lossReason};
}

std::size_t LogFile::waitingBytes() {
    auto& s = lf_state();
    std::lock_guard lock(s.mutex);
    return s.waiting.size();
}

} // namespace skyloom

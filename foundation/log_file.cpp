#include "foundation/log_file.h"

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
};

LogState& lf_state() {
    static LogState state;
    return state;
}

// Caller holds the mutex.
void lf_flushLocked(LogState& s) {
    if (s.file && !s.waiting.empty()) {
        std::fwrite(s.waiting.data(), 1, s.waiting.size(), s.file.get());
        std::fflush(s.file.get());
    }
    s.waiting.clear();
}

// Caller holds the mutex. Lines written while no log is open are dropped.
void lf_appendLocked(LogState& s, std::string_view prefix, std::string_view text, bool flushNow) {
    if (!s.file) {
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

} // namespace

void LogFile::open() { openIn(os::workingFolder()); }

void LogFile::openIn(const std::filesystem::path& folder) {
    auto& s = lf_state();
    // The provider may itself log (configuration looks up folders), so it runs unlocked.
    std::function<std::string()> provider;
    {
        std::lock_guard lock(s.mutex);
        provider = s.targetName;
    }
    const std::string target = provider ? provider() : std::string("MSFS");
    const std::string firstLine = fmt::format("{} {} version {} for {}", gf_dateTimeText(),
                                              kProgramName, gf_programVersionText(), target);

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
    s.file.reset(std::fopen(path.c_str(), mode));
    s.path = s.file ? path : std::filesystem::path();
    lf_appendLocked(s, {}, firstLine, true);
}

void LogFile::close() {
    auto& s = lf_state();
    std::lock_guard lock(s.mutex);
    lf_flushLocked(s);
    s.file.reset();
    s.path.clear();
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

std::size_t LogFile::waitingBytes() {
    auto& s = lf_state();
    std::lock_guard lock(s.mutex);
    return s.waiting.size();
}

} // namespace skyloom

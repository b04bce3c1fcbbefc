#include "app/unsaved_files_notice.h"

#include <atomic>
#include <cstdint>

#include <fmt/format.h>

#include "foundation/text.h"
#include "foundation/version.h"
#include "runtime/window_sink.h"

namespace skyloom {

namespace {

// The failed saves the status line has told of, in this process.
std::atomic<std::uint64_t> g_failuresShown{0};

} // namespace

void gf_showUnsavedFiles(WindowSink& window) {
    // Nothing failed since the last look (the usual case, cheap to tell).
    if (gf_unsavedFailureCount() == g_failuresShown.load()) {
        return;
    }
    const UnsavedFiles unsaved = gf_unsavedFiles();
    const std::uint64_t shown = g_failuresShown.exchange(unsaved.failures);
    if (unsaved.failures <= shown) {
        return;
    }
    const UnsavedFile last = gf_lastUnsavedFile();
    const std::uint64_t failed = unsaved.failures - shown;
    std::string text = fmt::format("Could not save {}: {}", gf_pathToUtf8(last.path), last.reason);
    if (failed > 1) {
        text += fmt::format(" ({} saves failed)", failed);
    }
    // The savers have logged each failure; the status line is for the user.
    window.showStatusText(std::move(text), false, StatusWeight::warning);
}

std::vector<std::string> gf_unsavedFilesText(const UnsavedFiles& unsaved) {
    std::vector<std::string> lines;
    for (const UnsavedFile& file : unsaved.files) {
        lines.push_back(fmt::format("{} could not save {}: {}", kProgramName,
                                    gf_pathToUtf8(file.path), file.reason));
    }
    if (unsaved.more != 0) {
        lines.push_back(fmt::format("{} could not save {} more file{}", kProgramName,
                                    unsaved.more, unsaved.more == 1 ? "" : "s"));
    }
    return lines;
}

} // namespace skyloom

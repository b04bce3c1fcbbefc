#include "foundation/unsaved_files.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <utility>

namespace skyloom {

namespace {

struct UnsavedState {
    std::mutex mutex;
    std::vector<UnsavedFile> files;
    std::size_t more = 0;
    std::uint64_t failures = 0;
    UnsavedFile last;
    // `failures`, for readers that take no lock.
    std::atomic<std::uint64_t> failureCount{0};
};

UnsavedState& lf_state() {
    static UnsavedState state;
    return state;
}

} // namespace

void gf_noteUnsavedFile(const std::filesystem::path& path, std::string reason) {
    UnsavedState& s = lf_state();
    const std::lock_guard lock(s.mutex);
    ++s.failures;
    s.failureCount.store(s.failures);
    s.last = UnsavedFile{path, reason};
    const auto it = std::find_if(s.files.begin(), s.files.end(),
                                 [&](const UnsavedFile& file) { return file.path == path; });
    if (it != s.files.end()) {
        it->reason = std::move(reason);
    } else if (s.files.size() < kMaxKeptUnsavedFiles) {
        s.files.push_back(UnsavedFile{path, std::move(reason)});
    } else {
        ++s.more;
    }
}

void gf_noteSavedFile(const std::filesystem::path& path) {
    UnsavedState& s = lf_state();
    const std::lock_guard lock(s.mutex);
    std::erase_if(s.files, [&](const UnsavedFile& file) { return file.path == path; });
}

UnsavedFiles gf_unsavedFiles() {
    UnsavedState& s = lf_state();
    const std::lock_guard lock(s.mutex);
    return UnsavedFiles{s.files, s.more, s.failures};
}

std::uint64_t gf_unsavedFailureCount() noexcept {
    return lf_state().failureCount.load();
}

UnsavedFile gf_lastUnsavedFile() {
    UnsavedState& s = lf_state();
    const std::lock_guard lock(s.mutex);
    return s.last;
}

void gf_clearUnsavedFiles() {
    UnsavedState& s = lf_state();
    const std::lock_guard lock(s.mutex);
    s.files.clear();
    s.more = 0;
    s.failures = 0;
    s.failureCount.store(0);
    s.last = {};
}

} // namespace skyloom

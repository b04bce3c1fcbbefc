// The single-instance guard: a named lock that only one process holds at a time. Windows has
// a named mutex; here it is an advisory lock on a file named after the lock, in the runtime
// folder ($XDG_RUNTIME_DIR, else the temporary folder). The lock goes with the process, so a
// crashed instance never leaves it held. A lock that cannot even be tried (its file cannot be
// opened, the file system refuses locks) is told apart from one that another holder has.
#pragma once

#include <filesystem>
#include <string>

namespace skyloom::os {

enum class InstanceLockStatus {
    // This object holds the lock.
    held,
    // Another holder has it.
    busy,
    // The lock could not be tried; error() says why.
    error,
};

class InstanceLock {
public:
    // Tries to take the lock named `name` (any text; characters that a file name cannot hold
    // are replaced). held() tells whether it was taken.
    explicit InstanceLock(const std::string& name);
    // Same, with the lock file in `folder`.
    InstanceLock(const std::string& name, const std::filesystem::path& folder);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    bool held() const { return fd_ >= 0; }
    InstanceLockStatus status() const { return status_; }
    // Why the lock could not be tried ("{what}: {system message}"); empty unless the status is
    // `error`.
    const std::string& error() const { return error_; }
    const std::filesystem::path& file() const { return file_; }

private:
    std::filesystem::path file_;
    int fd_ = -1;
    InstanceLockStatus status_ = InstanceLockStatus::error;
    std::string error_;
};

} // namespace skyloom::os

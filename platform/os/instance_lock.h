// The single-instance guard: a named lock that only one process holds at a time. Windows has
// a named mutex; here it is an advisory lock on a file named after the lock, in the runtime
// folder ($XDG_RUNTIME_DIR, else the temporary folder). The lock goes with the process, so a
// crashed instance never leaves it held.
#pragma once

#include <filesystem>
#include <string>

namespace skyloom::os {

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
    const std::filesystem::path& file() const { return file_; }

private:
    std::filesystem::path file_;
    int fd_ = -1;
};

} // namespace skyloom::os

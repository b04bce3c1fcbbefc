#include "platform/os/instance_lock.h"

#include <cerrno>
#include <cstdlib>
#include <system_error>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace skyloom::os {

namespace {

std::filesystem::path lf_runtimeFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && *runtime != '\0') {
        return runtime;
    }
    std::error_code ec;
    auto tmp = std::filesystem::temp_directory_path(ec);
    return ec ? std::filesystem::path("/tmp") : tmp;
}

std::string lf_fileNameFor(const std::string& name) {
    std::string out;
    for (char c : name) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.';
        out += plain ? c : '_';
    }
    return out + ".lock";
}

} // namespace

InstanceLock::InstanceLock(const std::string& name) : InstanceLock(name, lf_runtimeFolder()) {}

InstanceLock::InstanceLock(const std::string& name, const std::filesystem::path& folder)
    : file_(folder / lf_fileNameFor(name)) {
    const int fd = ::open(file_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        const int code = errno;
        error_ = "cannot open " + file_.string() + ": " + std::system_category().message(code);
        return;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int code = errno;
        ::close(fd);
        if (code == EWOULDBLOCK) {
            status_ = InstanceLockStatus::busy;
        } else {
            error_ = "cannot lock " + file_.string() + ": " + std::system_category().message(code);
        }
        return;
    }
    fd_ = fd;
    status_ = InstanceLockStatus::held;
}

InstanceLock::~InstanceLock() {
    if (fd_ >= 0) {
        ::flock(fd_, LOCK_UN);
        ::close(fd_);
    }
}

} // namespace skyloom::os

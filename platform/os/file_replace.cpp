#include "platform/os/file_replace.h"

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace skyloom::os {

namespace {

bool lf_syncPath(const std::filesystem::path& path, int flags, std::error_code& ec) {
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0) {
        ec.assign(errno, std::generic_category());
        return false;
    }
    const int rc = ::fsync(fd);
    const int err = errno;
    ::close(fd);
    if (rc != 0) {
        ec.assign(err, std::generic_category());
        return false;
    }
    return true;
}

} // namespace

bool syncFile(const std::filesystem::path& file, std::error_code& ec) {
    ec.clear();
    return lf_syncPath(file, O_RDONLY, ec);
}

bool replaceFile(const std::filesystem::path& source, const std::filesystem::path& target,
                 std::error_code& ec) {
    ec.clear();
    if (!lf_syncPath(source, O_RDONLY, ec)) {
        return false;
    }
    if (std::rename(source.c_str(), target.c_str()) != 0) {
        ec.assign(errno, std::generic_category());
        return false;
    }
    // The rename is done; a failing folder sync only weakens durability, so it is not an error.
    std::error_code ignored;
    auto folder = target.parent_path();
    if (folder.empty()) {
        folder = ".";
    }
    lf_syncPath(folder, O_RDONLY | O_DIRECTORY, ignored);
    return true;
}

} // namespace skyloom::os

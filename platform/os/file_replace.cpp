#include "platform/os/file_replace.h"

#include <cerrno>
#include <cstdio>
#include <set>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace skyloom::os {

namespace {

// An open descriptor, closed at scope end.
class Descriptor {
public:
    Descriptor(const std::filesystem::path& path, int flags)
        : fd_(::open(path.c_str(), flags | O_CLOEXEC)) {}
    ~Descriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

bool lf_failed(std::error_code& ec) {
    ec.assign(errno, std::generic_category());
    return false;
}

bool lf_syncPath(const std::filesystem::path& path, int flags, std::error_code& ec) {
    const Descriptor file(path, flags);
    if (file.fd() < 0 || ::fsync(file.fd()) != 0) {
        return lf_failed(ec);
    }
    return true;
}

} // namespace

bool syncFile(const std::filesystem::path& file, std::error_code& ec) {
    ec.clear();
    return lf_syncPath(file, O_RDONLY, ec);
}

bool syncFolder(const std::filesystem::path& folder, std::error_code& ec) {
    ec.clear();
    return lf_syncPath(folder.empty() ? std::filesystem::path(".") : folder, O_RDONLY | O_DIRECTORY,
                       ec);
}

bool syncFiles(const std::vector<std::filesystem::path>& files, std::error_code& ec) {
    ec.clear();
    // syncfs writes out every file of one file system and waits for it: a single request in
    // place of one fsync (and one journal commit) per file.
    std::set<dev_t> synced;
    for (const std::filesystem::path& path : files) {
        struct stat status {};
        if (::stat(path.c_str(), &status) != 0) {
            return lf_failed(ec);
        }
        if (synced.contains(status.st_dev)) {
            continue;
        }
        const Descriptor file(path, O_RDONLY);
        if (file.fd() < 0 || ::syncfs(file.fd()) != 0) {
            return lf_failed(ec);
        }
        synced.insert(status.st_dev);
    }
    return true;
}

bool replaceFile(const std::filesystem::path& source, const std::filesystem::path& target,
                 std::error_code& ec, SyncMode mode) {
    ec.clear();
    if (mode == SyncMode::eachFile && !lf_syncPath(source, O_RDONLY, ec)) {
        return false;
    }
    if (std::rename(source.c_str(), target.c_str()) != 0) {
        return lf_failed(ec);
    }
    if (mode == SyncMode::eachFile) {
        // The rename is done; a failing folder sync only weakens durability, so it is not an
        // error.
        std::error_code ignored;
        syncFolder(target.parent_path(), ignored);
    }
    return true;
}

} // namespace skyloom::os

#include "tests/support/small_disk.h"

#include <cerrno>
#include <cstdio>
#include <exception>
#include <fstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

namespace skyloom::testing {

namespace {

// The child's exit code when it could not make the disk.
constexpr int kNoDiskExitCode = 125;

bool lf_writeProcFile(const char* path, const std::string& text) {
    const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(fd);
    return written;
}

// A mount namespace of its own; where only a user namespace grants the right to mount, that one
// too, with this user as its root.
bool lf_enterOwnMountNamespace() {
    if (::unshare(CLONE_NEWNS) == 0) {
        return true;
    }
    const uid_t uid = ::getuid();
    const gid_t gid = ::getgid();
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) {
        return false;
    }
    lf_writeProcFile("/proc/self/setgroups", "deny");
    return lf_writeProcFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") &&
           lf_writeProcFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1");
}

} // namespace

std::optional<int> runOnSmallDisk(const std::filesystem::path& mountPoint, std::size_t bytes,
                                  const std::function<int()>& work) {
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0) {
        return std::nullopt;
    }
    if (child == 0) {
        if (!lf_enterOwnMountNamespace() ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
            ::_exit(kNoDiskExitCode);
        }
        const std::string options = "size=" + std::to_string(bytes) + ",mode=0777";
        if (::mount("skyloom-small-disk", mountPoint.c_str(), "tmpfs", 0, options.c_str()) != 0) {
            ::_exit(kNoDiskExitCode);
        }
        int code = 1;
        try {
            code = work();
        } catch (...) {
            code = 1;
        }
        std::fflush(nullptr);
        ::_exit(code);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            return std::nullopt;
        }
    }
    if (!WIFEXITED(status)) {
        return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    }
    if (WEXITSTATUS(status) == kNoDiskExitCode) {
        return std::nullopt;
    }
    return WEXITSTATUS(status);
}

std::size_t fillDisk(const std::filesystem::path& folder, const std::string& name) {
    const std::vector<char> block(4096, 'f');
    std::size_t written = 0;
    std::FILE* file = std::fopen((folder / name).c_str(), "wb");
    if (file == nullptr) {
        return 0;
    }
    std::setvbuf(file, nullptr, _IONBF, 0);
    while (true) {
        const std::size_t n = std::fwrite(block.data(), 1, block.size(), file);
        written += n;
        if (n < block.size()) {
            break;
        }
    }
    // The last bytes: a block the disk took only in part leaves room below one block.
    while (std::fwrite(block.data(), 1, 1, file) == 1) {
        ++written;
    }
    std::fclose(file);
    return written;
}

} // namespace skyloom::testing

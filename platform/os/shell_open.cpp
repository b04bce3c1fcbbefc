#include "platform/os/shell_open.h"

#include <string>
#include <system_error>
#include <thread>

#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace skyloom::os {

bool shellOpen(const std::filesystem::path& path) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        return false;
    }
    std::string program = "xdg-open";
    std::string argument = path.string();
    char* argv[] = {program.data(), argument.data(), nullptr};
    pid_t pid = 0;
    // glibc reports a program that cannot be executed (missing xdg-open) as the spawn's result.
    if (::posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0) {
        return false;
    }
    // The opener may run as long as the viewer it starts; reap it without waiting here.
    std::thread([pid] {
        int status = 0;
        ::waitpid(pid, &status, 0);
    }).detach();
    return true;
}

} // namespace skyloom::os

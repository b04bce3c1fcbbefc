// The program as a user starts it: a child process with its arguments and its standard error
// in a file, which a test waits on, signals and reaps. A child still running at the end is
// killed.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include <sys/types.h>

namespace skyloom::testing {

class ProgramProcess {
public:
    ProgramProcess(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                   const std::filesystem::path& errors);
    ~ProgramProcess();
    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;

    // Polls `file` until it holds `text`, for at most a minute (a hung child fails the test
    // instead of hanging it).
    static bool waitForText(const std::filesystem::path& file, std::string_view text);
    pid_t pid() const noexcept { return child_; }
    // Waits for the end; the wait status (WIFEXITED, ...).
    int wait();

private:
    pid_t child_ = -1;
};

} // namespace skyloom::testing

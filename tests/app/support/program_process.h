// The program as a user starts it: a child process with its arguments, its standard error in
// a file, which a test waits on through the log, signals and reaps. A child still running when
// the object goes is killed.
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
                   std::filesystem::path errors);
    ~ProgramProcess();
    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;

    // Polls `file` until it holds `text`, for at most a minute (so that a hung child fails the
    // test instead of hanging it). True when it does.
    bool waitForText(const std::filesystem::path& file, std::string_view text) const;
    bool signal(int number) const;
    // Waits for the end; the wait status (WIFEXITED, ...).
    int wait();
    // What the program wrote to standard error.
    std::string errors() const;

private:
    pid_t child_ = -1;
    std::filesystem::path errors_;
};

} // namespace skyloom::testing

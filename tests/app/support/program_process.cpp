#include "tests/app/support/program_process.h"

#include <chrono>
#include <csignal>
#include <thread>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/app/support/app_test_support.h"

namespace fs = std::filesystem;

namespace skyloom::testing {

ProgramProcess::ProgramProcess(const fs::path& program, const std::vector<std::string>& arguments,
                               const fs::path& errors) {
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    child_ = fork();
    if (child_ == 0) {
        // Only calls that are safe between fork and exec.
        const int fd = open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(fd, STDERR_FILENO);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
}

ProgramProcess::~ProgramProcess() {
    if (child_ > 0) {
        kill(child_, SIGKILL);
        wait();
    }
}

bool ProgramProcess::waitForText(const fs::path& file, std::string_view text) {
    for (int i = 0; i < 6000; ++i) {
        if (fs::exists(file) && readTextFile(file).find(text) != std::string::npos) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

int ProgramProcess::wait() {
    int status = 0;
    if (child_ > 0 && waitpid(child_, &status, 0) == child_) {
        child_ = -1;
    }
    return status;
}

} // namespace skyloom::testing

// The process entry's pieces: the single-instance guard (a second instance ends at once with
// -1 while the first holds the named lock "Local\$Skyloom$"), the command line's
// "--production" switch, the process exit code, and the program's run on the calling thread,
// which becomes the GUI thread.
//
// "--production" asks for the production command-line job. The switch is read and recorded
// here; this build has no such job, so a run with it behaves like one without.
#pragma once

#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace skyloom {

inline constexpr std::string_view kInstanceLockName = "Local\\$Skyloom$";
inline constexpr int kSecondInstanceExitCode = -1;
inline constexpr std::string_view kProductionSwitch = "--production";

// True when an argument after the first (the program) is "--production", in any letter case.
bool gf_hasProductionSwitch(std::span<const std::string> arguments) noexcept;

// The production job flag: set by the program's run when the switch was given.
void gf_setProductionJob(bool requested) noexcept;
bool gf_productionJob() noexcept;

// The code the process ends with once MSG_EXIT arrives: 0 unless a job set another.
void gf_setProcessExitCode(int code) noexcept;
int gf_processExitCode() noexcept;

// Runs `body` while holding the single-instance lock and returns its result; returns -1 at
// once, without running it, when another holder has the lock. The lock file lies in the
// runtime folder, or in `lockFolder`.
int gf_runAsSingleInstance(const std::function<int()>& body);
int gf_runAsSingleInstance(const std::filesystem::path& lockFolder,
                           const std::function<int()>& body);

// The program on the calling thread: installs the configuration's log hooks, records the
// production switch, and runs the main window with the program's worker until the window
// quits; returns the exit code. Never throws: a failure is logged as "Windows startup failed:
// {}" (or "... with an unknown exception") and gives 0. The window system's backend must be
// installed first.
int gf_runProgram(std::span<const std::string> arguments) noexcept;

} // namespace skyloom

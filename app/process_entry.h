// The process entry's pieces: the single-instance guard (a second instance ends at once with
// -1 while the first holds the named lock "Local\$Skyloom$", saying so on standard error when
// it has no window on screen), the command line's
// "--production" switch, the process exit code, and the program's run on the calling thread,
// which becomes the GUI thread.
//
// A lock that cannot even be tried (its file cannot be opened or locked) says nothing about
// another instance: the program then runs without the guard rather than lock the user out
// for a fault of the runtime folder, and the first run writes why to the log.
//
// "--production" asks for the production command-line job. The switch is read and recorded
// here; this build has no such job, so a run with it behaves like one without.
#pragma once

#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace skyloom {

class HostWindow;

inline constexpr std::string_view kInstanceLockName = "Local\\$Skyloom$";
inline constexpr int kSecondInstanceExitCode = -1;
// A run that ended because a file it needs could not be written (EX_IOERR of sysexits).
inline constexpr int kWriteFailureExitCode = 74;
inline constexpr std::string_view kProductionSwitch = "--production";

// True when an argument after the first (the program) is "--production", in any letter case.
bool gf_hasProductionSwitch(std::span<const std::string> arguments) noexcept;

// The production job flag: set by the program's run when the switch was given.
void gf_setProductionJob(bool requested) noexcept;
bool gf_productionJob() noexcept;

// The code the process ends with once MSG_EXIT arrives: 0 unless a job, or a run that could
// not write a file it needs, set another.
void gf_setProcessExitCode(int code) noexcept;
int gf_processExitCode() noexcept;

// What a second instance says before it ends: nothing, or, where it has no window on screen
// that the user would miss, on standard error that the program is already running and which
// lock file holds it (gf_alreadyRunningText).
enum class SecondInstanceNotice { none, standardError };

// "Skyloom is already running (lock file {path})".
std::string gf_alreadyRunningText(const std::filesystem::path& lockFile);

// Runs `body` while holding the single-instance lock and returns its result; returns -1 at
// once, without running it, when another holder has the lock (after the notice asked for).
// When the lock cannot be tried it runs `body` without it and notes "The single-instance lock
// failed, {program} runs without it: {reason}" for the log. The lock file lies in the runtime
// folder, or in `lockFolder`.
int gf_runAsSingleInstance(const std::function<int()>& body,
                           SecondInstanceNotice notice = SecondInstanceNotice::none);
int gf_runAsSingleInstance(const std::filesystem::path& lockFolder,
                           const std::function<int()>& body,
                           SecondInstanceNotice notice = SecondInstanceNotice::none);

// Lines for the log that the process entry cannot write yet (the log opens with the first
// run); the main window writes them, as important lines, once it has opened the log.
void gf_noteForLog(std::string line);
std::vector<std::string> gf_takeNotesForLog();

// The program's start with `window` as its main window, in this order: loads the application
// title ("Failed to load application title" logged, 0, when missing), registers the window
// class ("Failed to register window class" logged, 0, when refused), makes the settings folder
// ("Failed to create directory: {}" logged, 0, when it cannot be made), creates the window
// ("initInstance failed" logged as important, 0, when it cannot be made), records the
// production switch, and runs the message loop from MSG_START until it quits; returns the
// exit code. A failure before the first run opens the log to write its line.
int gf_runMainWindow(HostWindow& window, std::span<const std::string> arguments);

// The program on the calling thread: installs the configuration's log hooks and runs
// gf_runMainWindow with the program's window and worker; returns the exit code. Never throws:
// a failure is logged as "Windows startup failed: {}" (or "... with an unknown exception")
// and gives 0. When the log lost lines it could not write, standard error says how many and
// why at the end. The window system's backend must be installed first.
int gf_runProgram(std::span<const std::string> arguments) noexcept;

} // namespace skyloom

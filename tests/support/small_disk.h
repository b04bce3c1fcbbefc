// A small disk for tests of what a full disk does: a tmpfs of a few pages mounted in a child
// process of the test, in a mount namespace of its own (and a user namespace too where the test
// may not mount otherwise), so that the mount never outlives the child and no other process
// sees it. Assertions inside the child reach no test result: the work returns an exit code and
// copies what the test is to look at out of the disk.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace skyloom::testing {

// Runs `work` in a child process that sees a fresh tmpfs of `bytes` at `mountPoint` (an empty
// folder). Returns the child's exit code (work's result, 1 when it threw), or no value when
// this machine lets the test make no such disk (the test then skips, saying why).
std::optional<int> runOnSmallDisk(const std::filesystem::path& mountPoint, std::size_t bytes,
                                  const std::function<int()>& work);

// Fills the disk that holds `folder` with the file `folder`/name until the disk refuses more.
// Returns the bytes written.
std::size_t fillDisk(const std::filesystem::path& folder, const std::string& name = "filler");

// Why runOnSmallDisk gave no value, for the skip message.
inline constexpr const char* kNoSmallDisk =
    "no small disk: this machine lets the test mount no tmpfs in a namespace of its own";

} // namespace skyloom::testing

// `ReaderState`: what the main window shows of a traffic or weather reader. The values are
// those the readers send in window updates: 0 running and receiving, 1 running without data
// yet, 2 not running.
#pragma once

#include <cstdint>
#include <string_view>

namespace skyloom {

enum class ReaderState : std::int32_t {
    receiving = 0,
    waitingForData = 1,
    notRunning = 2,
};

// "receiving", "waiting for data", "not running"; "unknown" for any other value.
std::string_view gf_readerStateText(ReaderState state) noexcept;

} // namespace skyloom

// Recorded RealTraffic App traffic for replay: the capture files of ../shared/feed/recordings
// read into bursts of datagrams in today's record format. Three layouts are read:
//   "<epoch> : <datagram>"              (receiver time, one datagram per line)
//   "(<epoch>, ':', '<datagram>')"      (the same as Python tuples)
//   "<datagram>"                        (csv: AITFC records whose 15th field is the position
//                                        time, with weather JSON lines between them)
// Old captures hold AITFC records (14 or 15 fields); they become RTTFC records of 44 fields with
// the fields that AITFC lacks left empty and, without a position time, the receiver time as
// the time stamp. Bursts are found by time gaps (more than 2 s between receiver times) or, in
// csv files, by the first hexid that repeats; a line identical to the one before it is a
// duplicate datagram and dropped.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace skyloom::tools {

inline constexpr double kCaptureBurstGapSeconds = 2.0;
inline constexpr std::size_t kRttfcFieldCount = 44;

struct CaptureBurst {
    // Receiver time of the burst's first datagram (csv: its newest position time).
    double time = 0.0;
    std::vector<std::string> datagrams;
};

struct Capture {
    std::vector<CaptureBurst> bursts;
    // Weather datagrams (JSON) in file order.
    std::vector<std::string> weather;
    // Lines that were neither records nor weather.
    std::size_t skippedLines = 0;
    // Byte-identical repeats of the line before.
    std::size_t duplicateLines = 0;
};

// An AITFC datagram as an RTTFC datagram; any other datagram comes back unchanged.
std::string gf_rttfcFromAitfc(std::string_view datagram, double receivedAt);

// Reads a capture file; throws std::runtime_error when it cannot be read.
Capture gf_readCapture(const std::filesystem::path& file);

// The datagram of a buffered snapshot record: "RTBUF=<index>" in place of "RTTFC".
std::string gf_bufferedFromRttfc(std::string_view datagram, std::size_t index);

} // namespace skyloom::tools

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
//
// Old Apps marked every aircraft airborne, those on the ground too (at altitude 0), so a
// replay of their captures would hold no ground traffic. When every record of a capture is
// marked airborne and the airport's elevation is known, the flag is inferred instead: on the
// ground are the records at altitude 0 or below (what old Apps reported on the ground) and
// those at most kGroundHeightFt above the airport's elevation that move no faster than
// kMaxGroundSpeedKt (taxiing or standing; a take-off or landing roll near the elevation
// counts as airborne, as does an aircraft at another, higher airport).
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace skyloom::tools {

inline constexpr double kCaptureBurstGapSeconds = 2.0;
inline constexpr std::size_t kRttfcFieldCount = 44;
inline constexpr double kGroundHeightFt = 200.0;
inline constexpr double kMaxGroundSpeedKt = 40.0;

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
    // Every traffic record is marked airborne (as old Apps marked them).
    bool allAirborne = false;
    // The on-ground flags were inferred (see above), and how many records it put on the ground.
    bool groundInferred = false;
    std::size_t groundRecords = 0;
};

// Whether a record of a capture that marks everything airborne is on the ground (see above).
bool gf_inferOnGround(double altitudeFt, double groundSpeedKt, double airportElevationFt) noexcept;

// An AITFC datagram as an RTTFC datagram; any other datagram comes back unchanged.
std::string gf_rttfcFromAitfc(std::string_view datagram, double receivedAt);

// Reads a capture file; throws std::runtime_error when it cannot be read. With the elevation
// of the capture's airport (feet), a capture that marks every record airborne gets inferred
// on-ground flags.
Capture gf_readCapture(const std::filesystem::path& file,
                       std::optional<double> airportElevationFt = std::nullopt);

// The datagram of a buffered snapshot record: "RTBUF=<index>" in place of "RTTFC".
std::string gf_bufferedFromRttfc(std::string_view datagram, std::size_t index);

// What a buffer request ("Qs999=sendbuffer=<count>,<spacing s>,<box>") asks for.
struct BufferRequest {
    std::size_t count = 0;
    double spacingSeconds = 0.0;
};

// The request of a line, or none when the line is no buffer request or its count or spacing
// is not a positive number.
std::optional<BufferRequest> gf_parseBufferRequest(std::string_view line);

// The App's buffer as a request asks for it, from the bursts heard before `now` (capture
// time): `count` snapshots, oldest first, snapshot n of the moment now - (count - n) x spacing.
// The program plays a snapshot's newest record at the delay of its place and every other
// record of it as much earlier as it is older. A capture's bursts seldom lie the request's
// spacing apart, so one snapshot holds them all, oldest first: the one whose moment lies
// nearest the newest burst's time (the younger one when two are as near). Each burst then
// plays as long before the first live burst as it was heard before it, give or take half a
// spacing for all of them alike. The other snapshots stay empty; bursts more than half a
// spacing older than the oldest moment, or younger than now, are left out.
std::vector<CaptureBurst> gf_bufferSnapshots(const std::vector<CaptureBurst>& history, double now,
                                             BufferRequest request);

} // namespace skyloom::tools

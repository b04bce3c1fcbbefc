// App-road captures made in memory: a recorded track, or reports written by hand, as the
// RealTraffic App sends them (RTTFC datagrams of 44 fields, one burst per report time, every
// burst ending with the App's end marker), ready for the program replay
// (tests/traffic/support/program_replay.h). Captures of several aircraft merge into one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "foundation/lalo.h"
#include "tools/rtapp_standin/capture.h"
#include "tools/track_replay/true_track.h"

namespace skyloom::testing {

using tools::TruePoint;

// The UTC seconds where hand-made reports start: 2026-01-07 15:33:20 UTC, a Wednesday.
inline constexpr double kHandMadeEpoch = 1767800000.0;

// Who the App says the aircraft is.
struct TrackIdentity {
    std::uint32_t hexid = 0;
    std::string callsign;
    std::string model;
    std::string registration;
    std::string origin;      // IATA
    std::string destination; // IATA
};

struct TrackCaptureOptions {
    // The UTC seconds of the track's second 0.
    double startEpoch = 0;
    // A report every so many seconds: the track's point at or before each report time (the App
    // reports what its source last had, stamped with the time of its position, so that a
    // position its source repeats goes out as the same datagram again); 0 sends every point at
    // its own time.
    double cadenceSeconds = 0;
    // The part of the track sent, in its own seconds.
    double fromSeconds = -1e18;
    double toSeconds = 1e18;
    // On the ground the App reports the field's altitude (its barometric altitude corrected
    // to the local pressure); without a value the track's own altitude is sent.
    std::optional<double> groundAltitudeFt;
};

// The RTTFC datagram of one report, stamped `epoch` (UTC seconds of its position).
std::string gf_rttfcDatagram(const TrackIdentity& who, const TruePoint& at, double epoch);

// The track's reports as an App capture: burst times are UTC seconds, as the App stand-in's
// readers give them.
tools::Capture gf_trackCapture(const std::vector<TruePoint>& points, const TrackIdentity& who,
                               const TrackCaptureOptions& options);

// One capture of several: the bursts of equal time become one, the bursts in time order.
tools::Capture gf_mergeCaptures(const std::vector<tools::Capture>& captures);

// A hand-made report at `seconds`: on the ground at `at`, moving at `speedKt` along
// `trackDeg`, at `altitudeFt` (the App's altitude of a ground report).
TruePoint gf_groundReport(double seconds, const Lalo& at, double speedKt, double trackDeg,
                          double altitudeFt);

// A hand-made airborne report at `seconds`, its position rounded to the App's four decimals.
TruePoint gf_airReport(double seconds, const Lalo& at, double altitudeFt, double speedKt,
                       double trackDeg, double verticalSpeedFpm = 0.0);

// The point `metres` from `from` along `bearingDeg`.
Lalo gf_offsetMetres(const Lalo& from, double bearingDeg, double metres);

} // namespace skyloom::testing

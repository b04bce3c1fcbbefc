#include "tests/traffic/support/track_capture.h"

#include <algorithm>
#include <cmath>
#include <map>

#include <fmt/format.h>

#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"

namespace skyloom::testing {

namespace {

// The RTTFC fields after the time stamp (source, flight number, ... operator), which the
// recordings do not give: empty, as the App leaves what it does not know.
constexpr std::size_t kFieldsAfterTimestamp = tools::kRttfcFieldCount - 15;

} // namespace

std::string gf_rttfcDatagram(const TrackIdentity& who, const TruePoint& at, double epoch) {
    std::string datagram =
        fmt::format("RTTFC,{},{:.6f},{:.6f},{:.0f},{:.0f},{},{:.2f},{:.2f},{},{},{},{},{},{:.1f}",
                    who.hexid, at.latitude, at.longitude, at.altitudeFt, at.verticalSpeedFpm,
                    at.airborne ? 1 : 0, at.trackDeg, at.groundSpeedKt, who.callsign, who.model,
                    who.registration, who.origin, who.destination, epoch);
    datagram.append(kFieldsAfterTimestamp, ',');
    return datagram;
}

tools::Capture gf_trackCapture(const std::vector<TruePoint>& points, const TrackIdentity& who,
                               const TrackCaptureOptions& options) {
    tools::Capture capture;
    // A burst at `sentAt` (the track's seconds) with the report of `report`'s time.
    const auto send = [&](TruePoint report, double sentAt) {
        if (!report.airborne && options.groundAltitudeFt) {
            report.altitudeFt = *options.groundAltitudeFt;
        }
        capture.bursts.push_back(
            {options.startEpoch + sentAt,
             {gf_rttfcDatagram(who, report, options.startEpoch + report.positionSeconds),
              "RTTFC_EOT"}});
    };
    if (options.cadenceSeconds <= 0) {
        for (const TruePoint& p : points) {
            if (p.seconds >= options.fromSeconds && p.seconds <= options.toSeconds) {
                send(p, p.seconds);
            }
        }
        return capture;
    }
    const double first = std::max(options.fromSeconds, points.front().seconds);
    const double last = std::min(options.toSeconds, points.back().seconds);
    for (double t = first; t <= last; t += options.cadenceSeconds) {
        // The newest point the App's source had at t.
        const auto after =
            std::upper_bound(points.begin(), points.end(), t,
                             [](double s, const TruePoint& p) { return s < p.seconds; });
        // A source without anything newer repeats its last report, datagram for datagram.
        if (after != points.begin()) {
            send(*(after - 1), t);
        }
    }
    return capture;
}

tools::Capture gf_mergeCaptures(const std::vector<tools::Capture>& captures) {
    std::map<double, tools::CaptureBurst> byTime;
    for (const tools::Capture& capture : captures) {
        for (const tools::CaptureBurst& burst : capture.bursts) {
            tools::CaptureBurst& merged = byTime[burst.time];
            merged.time = burst.time;
            for (const std::string& datagram : burst.datagrams) {
                if (datagram != "RTTFC_EOT") {
                    merged.datagrams.push_back(datagram);
                }
            }
        }
    }
    tools::Capture merged;
    for (auto& [time, burst] : byTime) {
        burst.datagrams.push_back("RTTFC_EOT");
        merged.bursts.push_back(std::move(burst));
    }
    return merged;
}

TruePoint gf_groundReport(double seconds, const Lalo& at, double speedKt, double trackDeg,
                          double altitudeFt) {
    TruePoint p;
    p.seconds = seconds;
    p.positionSeconds = seconds;
    p.latitude = at.lat;
    p.longitude = at.lon;
    p.altitudeFt = altitudeFt;
    p.groundSpeedKt = speedKt;
    p.trackDeg = trackDeg;
    p.airborne = false;
    return p;
}

TruePoint gf_airReport(double seconds, const Lalo& at, double altitudeFt, double speedKt,
                       double trackDeg, double verticalSpeedFpm) {
    constexpr double kFeedDecimals = 1e4;
    TruePoint p;
    p.seconds = seconds;
    p.positionSeconds = seconds;
    p.latitude = std::round(at.lat * kFeedDecimals) / kFeedDecimals;
    p.longitude = std::round(at.lon * kFeedDecimals) / kFeedDecimals;
    p.altitudeFt = altitudeFt;
    p.groundSpeedKt = speedKt;
    p.trackDeg = std::fmod(trackDeg + 360.0, 360.0);
    p.verticalSpeedFpm = verticalSpeedFpm;
    p.airborne = true;
    return p;
}

Lalo gf_offsetMetres(const Lalo& from, double bearingDeg, double metres) {
    return gf_destination(from, bearingDeg * geo::kRadiansPerDegree, metres * geo::kFeetPerMetre);
}

} // namespace skyloom::testing

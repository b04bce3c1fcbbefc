// The capture audit: every App capture of ../shared/feed/recordings through the program's own
// wiring (tests/traffic/support/program_replay.h) as the demo plays it, and per object of the
// run what it showed against its aircraft's reports. A tool to compare the motion before and
// after a change, not a test: it asserts nothing and ctest does not run it.
//   build/tests/capture_audit [--gtest_filter=*KLAX*] > audit.txt
// AUDIT_SECONDS=n replays only the first n seconds of each capture; AUDIT_ALL=1 lists every
// object, not only those with a fault; AUDIT_TRACE=<callsign, or hexid for an aircraft without
// one> adds that aircraft's frames, its objects' lag and the log's removals of its callsign.
//
// The faults, each against a bound the motion is to keep:
//   pace     the fastest step (over 0.2 s) above 1.25 times the fastest speed its reports give;
//   alt      in the air more than 500 ft outside the band of the two airborne reports around
//            (from those around where it lies along their line, if it is behind them, to those
//            around its time; reports that repeat the altitude and the vertical speed of the
//            one before them left out);
//   circle   below 500 ft above the park airport within 1.5 NM of its runways, off every
//            runway's extended centreline (300 m, 5 km out) and 500 m off its reports' line,
//            for 10 s or more;
//   offrwy   on the ground at the park airport faster than 40 kt (over 1 s, one world frame
//            to spare) off its runways;
//   roll     on the ground faster than its category's rotation speed with its margin (likewise);
//   nose     moving on the ground 30 degrees or more off its nose;
//   lag      behind its reports by a median of more than 15 s (once a second, where its reports
//            move at 5 kt or more and the object lies within 500 m of their line);
//   stay     shown in the air more than 90 s after its last report was due.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <fmt/ranges.h>
#include <gtest/gtest.h>

#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "platform/simworld/facility_import.h"
#include "refdata/dbase_lookups.h"
#include "tests/support/shared_data.h"
#include "tests/traffic/support/program_replay.h"
#include "tests/traffic/support/replay_measure.h"
#include "traffic/ground/takeoff_rotation.h"
#include "traffic/step/traffic_state.h"

namespace skyloom::testing {
namespace {

constexpr double kPlaybackDelaySeconds = 30.0;
constexpr double kFrameSeconds = 0.1;
constexpr double kPaceMargin = 1.25;
constexpr double kAltitudeBandFt = 500.0;
constexpr double kLowFt = 500.0;
constexpr double kNearRunwaysMetres = 1.5 * 1852.0;
constexpr double kApproachMetres = 5000.0;
constexpr double kOffCentrelineMetres = 300.0;
constexpr double kOffReportsMetres = 500.0;
constexpr double kCircleSeconds = 10.0;
constexpr double kRunwayMarginMetres = 20.0;
constexpr double kGroundWindowSeconds = 1.0;
// The world moves its objects in frames of its own (30 a second): a second measured between the
// program's cycles may hold one frame more, as the replay tests allow.
constexpr double kGroundFrameMargin = 1.0 + 1.0 / 30.0;
constexpr double kNoseOffDeg = 30.0;
constexpr double kLagMedianSeconds = 15.0;
constexpr double kLagMovingMps = 2.5;
constexpr double kBehindKeptSeconds = 30.0;
// The program removes an aircraft whose reports ran out a playback delay after its last was
// due, and some 30 s later at the most; KPTK's N700HW stayed 155 s.
constexpr double kStaySeconds = 90.0;
constexpr double kFeetPerMetre = 1.0 / 0.3048;

struct AuditCapture {
    const char* name;
    const char* path;
    double elevationFt;
    ReplayAirport airport;
    int year, month, day, hour, minute, second;
    friend void PrintTo(const AuditCapture& c, std::ostream* out) { *out << c.name; }
};

struct Report {
    double due = 0;
    Lalo at;
    double altitudeFt = 0;
    double groundSpeedKt = 0;
    double verticalSpeedFpm = 0;
    bool airborne = false;
};

// Metres east and north of `origin` (flat over the few kilometres compared here).
struct Flat {
    double x = 0, y = 0;
};
Flat lf_flat(const Lalo& origin, const Lalo& p) {
    const double m = geo::kMetresPerNM * 60.0;
    return {(p.lon - origin.lon) * m * std::cos(origin.lat * geo::kRadiansPerDegree),
            (p.lat - origin.lat) * m};
}
double lf_segmentDistance(Flat p, Flat a, Flat b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double len2 = dx * dx + dy * dy;
    const double t =
        len2 <= 0 ? 0.0 : std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / len2, 0.0, 1.0);
    return std::hypot(p.x - a.x - t * dx, p.y - a.y - t * dy);
}

struct RunwayPlace {
    double along = 0; // metres from the centre along the heading
    double cross = 0; // metres off the centreline
};
RunwayPlace lf_onRunway(const simworld::FacilityRunwaySetup& r, const Lalo& p) {
    const Lalo centre{r.latitudeDeg, r.longitudeDeg};
    const double metres = gf_distanceNM(centre, p) * geo::kMetresPerNM;
    const double off = gf_bearing(centre, p) - r.headingDeg * geo::kRadiansPerDegree;
    return {std::cos(off) * metres, std::abs(std::sin(off) * metres)};
}

// Where the reports put the aircraft at `t` (between the two due around it).
std::optional<Lalo> lf_reportedAt(const std::vector<Report>& reports, double t) {
    const auto next = std::lower_bound(reports.begin(), reports.end(), t,
                                       [](const Report& r, double x) { return r.due < x; });
    if (next == reports.begin() || next == reports.end()) {
        return std::nullopt;
    }
    const Report& a = *std::prev(next);
    const Report& b = *next;
    const double f = b.due > a.due ? (t - a.due) / (b.due - a.due) : 0.0;
    return Lalo{a.at.lat + (b.at.lat - a.at.lat) * f, a.at.lon + (b.at.lon - a.at.lon) * f};
}

// A frame a second of the aircraft, with the runway of the park airport nearest to it, and each
// report as it falls due.
std::string lf_trace(const std::vector<ObjectFrame>& frames, const std::vector<Report>& reports,
                     const std::vector<simworld::FacilityRunwaySetup>& runways) {
    std::string text;
    double last = -1e9;
    auto report = reports.begin();
    for (const ObjectFrame& f : frames) {
        for (; report != reports.end() && report->due <= f.seconds; ++report) {
            text += fmt::format(
                "  report due {:.1f} s: {:.5f} {:.5f} {:.0f} ft {:.0f} fpm {:.0f} kt{}\n",
                report->due, report->at.lat, report->at.lon, report->altitudeFt,
                report->verticalSpeedFpm, report->groundSpeedKt,
                report->airborne ? "" : " on the ground");
        }
        if (f.seconds - last < 1.0) {
            continue;
        }
        last = f.seconds;
        std::string nearest;
        double cross = 1e12;
        for (const auto& r : runways) {
            const RunwayPlace w = lf_onRunway(r, {f.latitude, f.longitude});
            if (w.cross < cross) {
                cross = w.cross;
                nearest = fmt::format("runway {:02}: along {:.0f} of {:.0f} m, off {:.0f} m",
                                      r.primaryNumber, w.along, r.lengthMeters / 2, w.cross);
            }
        }
        text += fmt::format("  {:.1f} s obj {} {:.5f} {:.5f} {:.0f} ft hdg {:.0f}{} {}; {}\n",
                            f.seconds, f.objectId, f.latitude, f.longitude, f.altitudeFt,
                            f.headingRad * geo::kDegreesPerRadian, f.onGround ? " ground" : "",
                            gf_flightPhaseText(f.phase), nearest);
    }
    return text;
}

// AUDIT_TRACE names an aircraft by its callsign, or by its hexid where it has none.
bool lf_isTraced(const std::string& callsign, std::uint32_t hexid) {
    const char* traced = std::getenv("AUDIT_TRACE");
    return traced != nullptr && *traced != '\0' &&
           (callsign == traced || fmt::format("{:06x}", hexid) == traced);
}

struct ObjectAudit {
    double paceRatio = 0, paceAt = 0;
    double altOffFt = 0, altOffAt = 0;
    double circleSeconds = 0, circleAt = 0;
    double offRunwayKt = 0, offRunwayAt = 0;
    double groundKt = 0, groundAt = 0, groundCapKt = 0;
    FlightPhase offRunwayPhase = FlightPhase::birth, groundPhase = FlightPhase::birth;
    NoseOff nose;
    double lagMedian = 0, lagMost = 0;
    double stay = 0;
    std::vector<std::string> faults;
};

class CaptureAudit : public ProgramReplayTest, public ::testing::WithParamInterface<AuditCapture> {
protected:
    ObjectAudit audit(const std::vector<ObjectFrame>& frames, const std::vector<Report>& reports,
                      AircraftCategory category, double fastestKt) const;

    std::vector<simworld::FacilityRunwaySetup> runways_;
    double parkElevationFt_ = 0;
};

ObjectAudit CaptureAudit::audit(const std::vector<ObjectFrame>& frames,
                                const std::vector<Report>& reports, AircraftCategory category,
                                double fastestKt) const {
    ObjectAudit o;
    std::vector<const Report*> fresh;
    for (std::size_t i = 0; i < reports.size(); ++i) {
        if (i == 0 || reports[i].airborne != reports[i - 1].airborne ||
            reports[i].altitudeFt != reports[i - 1].altitudeFt ||
            reports[i].verticalSpeedFpm != reports[i - 1].verticalSpeedFpm) {
            fresh.push_back(&reports[i]);
        }
    }
    const FastestStep fastest = gf_fastestStep(frames);
    o.paceRatio = gf_fastestStepRatio(frames, fastestKt);
    o.paceAt = fastest.seconds;
    const auto nearRunways = [&](const Lalo& p) {
        return std::any_of(runways_.begin(), runways_.end(), [&](const auto& r) {
            const RunwayPlace w = lf_onRunway(r, p);
            return std::hypot(std::max(0.0, std::abs(w.along) - r.lengthMeters / 2), w.cross) <=
                   kNearRunwaysMetres;
        });
    };
    const auto onRunway = [&](const Lalo& p, double beyondEnds, double crossMost) {
        return std::any_of(runways_.begin(), runways_.end(), [&](const auto& r) {
            const RunwayPlace w = lf_onRunway(r, p);
            return std::abs(w.along) <= r.lengthMeters / 2 + beyondEnds &&
                   w.cross <= (crossMost < 0 ? r.widthMeters / 2 + kRunwayMarginMetres : crossMost);
        });
    };
    const auto offReports = [&](const ObjectFrame& f) {
        const Lalo p{f.latitude, f.longitude};
        double nearest = 1e12;
        for (std::size_t i = 0; i + 1 < reports.size(); ++i) {
            if (reports[i + 1].due < f.seconds - 60.0 || reports[i].due > f.seconds + 60.0) {
                continue;
            }
            nearest = std::min(nearest, lf_segmentDistance({}, lf_flat(p, reports[i].at),
                                                           lf_flat(p, reports[i + 1].at)));
        }
        return nearest;
    };
    o.groundCapKt = gf_fastestOnGroundKt(category);
    // How far `altitudeFt` lies outside the band of the altitudes of the airborne reports from
    // the one before `from` to the one after `to`, counting only reports with altitudes of their
    // own: a report that repeats the altitude and the vertical speed of the one before it says
    // nothing of the altitude at its time (the Las Vegas capture's transponders update them once
    // in two or three reports, so that its reports descend in steps of 1,300 ft that the
    // aircraft flew over 30 s). None where a report of the span is on the ground.
    const auto offBand = [&](double altitudeFt, double from, double to) -> std::optional<double> {
        const auto byDue = [](const Report* r, double x) { return r->due < x; };
        const auto first = std::lower_bound(fresh.begin(), fresh.end(), from, byDue);
        const auto last = std::lower_bound(fresh.begin(), fresh.end(), to, byDue);
        if (first == fresh.begin() || last == fresh.end()) {
            return std::nullopt;
        }
        double lo = 1e12, hi = -1e12;
        for (auto r = std::prev(first); r != std::next(last); ++r) {
            if (!(*r)->airborne) {
                return std::nullopt;
            }
            lo = std::min(lo, (*r)->altitudeFt);
            hi = std::max(hi, (*r)->altitudeFt);
        }
        // Nothing flies below the simulator's ground (the stand-in's is flat at the park
        // airport's elevation), whatever the reports say: a light aircraft's reports 1,000 ft
        // below Las Vegas' field kept it 12 ft above the ground.
        lo = std::max(lo, parkElevationFt_);
        hi = std::max(hi, parkElevationFt_);
        return std::max(lo - altitudeFt, altitudeFt - hi);
    };
    std::size_t j = 0;
    double lastLag = -1e9;
    // How long after the reports the object last passed their line (while within 500 m of it).
    double behind = 0, behindAt = -1e9;
    std::vector<double> lags;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const ObjectFrame& f = frames[i];
        const Lalo p{f.latitude, f.longitude};
        const double dt =
            i + 1 < frames.size() ? std::min(frames[i + 1].seconds - f.seconds, 1.0) : 0.0;
        // In the air, against the reports from where the object lies along their line (how long
        // after them it passed there, within the last 30 s) up to its time: an object behind its
        // reports is counted by its lag, and its altitude may be that of its place, that of its
        // time or any between.
        if (!f.onGround) {
            const double since = f.seconds - behindAt <= kBehindKeptSeconds ? behind : 0.0;
            const std::optional<double> off = offBand(
                f.altitudeFt, f.seconds - std::max(since, 0.0), f.seconds - std::min(since, 0.0));
            if (off && *off > o.altOffFt) {
                o.altOffFt = *off;
                o.altOffAt = f.seconds;
            }
        }
        if (!f.onGround && f.altitudeFt - parkElevationFt_ < kLowFt && nearRunways(p) &&
            !onRunway(p, kApproachMetres, kOffCentrelineMetres) &&
            offReports(f) > kOffReportsMetres) {
            if (o.circleSeconds == 0) {
                o.circleAt = f.seconds;
            }
            o.circleSeconds += dt;
        }
        // On the ground over a second.
        j = std::max(j, i);
        while (j < frames.size() && frames[j].seconds - f.seconds < kGroundWindowSeconds) {
            ++j;
        }
        if (j < frames.size() && f.onGround && frames[j].onGround &&
            frames[j].objectId == f.objectId) {
            const Lalo q{frames[j].latitude, frames[j].longitude};
            const double kt = gf_distanceNM(p, q) * 3600.0 / (frames[j].seconds - f.seconds);
            if (kt > o.groundKt) {
                o.groundKt = kt;
                o.groundAt = f.seconds;
                o.groundPhase = f.phase;
            }
            if (kt > o.offRunwayKt && nearRunways(p) &&
                (!onRunway(p, 60.0, -1.0) || !onRunway(q, 60.0, -1.0))) {
                o.offRunwayKt = kt;
                o.offRunwayAt = f.seconds;
                o.offRunwayPhase = f.phase;
            }
        }
        // Behind the reports: when they passed the point of their line nearest to the frame.
        if (f.seconds - lastLag >= 1.0 && reports.size() >= 2 && f.seconds >= reports.front().due &&
            f.seconds <= reports.back().due) {
            lastLag = f.seconds;
            double best = 1e12, bestT = 0;
            for (double t = f.seconds - 300.0; t <= f.seconds + 60.0; t += 0.5) {
                const std::optional<Lalo> r = lf_reportedAt(reports, t);
                if (!r) {
                    continue;
                }
                const double d = gf_distanceNM(p, *r) * geo::kMetresPerNM;
                if (d < best - 1.0 ||
                    (d <= best + 1.0 && std::abs(t - f.seconds) < std::abs(bestT - f.seconds))) {
                    best = std::min(best, d);
                    bestT = t;
                }
            }
            const std::optional<Lalo> a = lf_reportedAt(reports, bestT - 0.5);
            const std::optional<Lalo> b = lf_reportedAt(reports, bestT + 0.5);
            if (best <= kOffReportsMetres) {
                behind = f.seconds - bestT;
                behindAt = f.seconds;
            }
            if (best <= kOffReportsMetres && a && b &&
                gf_distanceNM(*a, *b) * geo::kMetresPerNM >= kLagMovingMps) {
                lags.push_back(f.seconds - bestT);
            }
        }
    }
    o.nose = gf_largestGroundNoseOff(frames);
    if (!lags.empty()) {
        std::sort(lags.begin(), lags.end());
        o.lagMedian = lags[lags.size() / 2];
        o.lagMost = lags.back();
    }
    // An aircraft its reports left at a stand or on a taxiway stays there as parked traffic.
    o.stay = reports.empty() || frames.back().onGround ? 0.0
                                                       : frames.back().seconds - reports.back().due;

    const auto fault = [&](bool is, std::string text) {
        if (is) {
            o.faults.push_back(std::move(text));
        }
    };
    fault(o.paceRatio > kPaceMargin,
          fmt::format("pace {:.2f}x of {:.0f} kt ({:.0f} kt at {:.0f} s)", o.paceRatio, fastestKt,
                      fastest.kt, o.paceAt));
    fault(o.altOffFt > kAltitudeBandFt,
          fmt::format("alt {:.0f} ft off its reports at {:.0f} s", o.altOffFt, o.altOffAt));
    fault(o.circleSeconds >= kCircleSeconds,
          fmt::format("circle {:.0f} s low off the runways from {:.0f} s", o.circleSeconds,
                      o.circleAt));
    fault(o.offRunwayKt > kOffRunwayMostKt * kGroundFrameMargin,
          fmt::format("offrwy {:.0f} kt at {:.0f} s in {}", o.offRunwayKt, o.offRunwayAt,
                      gf_flightPhaseText(o.offRunwayPhase)));
    fault(o.groundKt > o.groundCapKt * kGroundFrameMargin,
          fmt::format("roll {:.0f} kt (cap {:.0f}) at {:.0f} s in {}", o.groundKt, o.groundCapKt,
                      o.groundAt, gf_flightPhaseText(o.groundPhase)));
    fault(o.nose.deg > kNoseOffDeg,
          fmt::format("nose {:.0f} deg off at {:.0f} s", o.nose.deg, o.nose.seconds));
    fault(o.lagMedian > kLagMedianSeconds,
          fmt::format("lag median {:.0f} s, most {:.0f} s", o.lagMedian, o.lagMost));
    fault(o.stay > kStaySeconds, fmt::format("stay {:.0f} s after its last report", o.stay));
    return o;
}

TEST_P(CaptureAudit, ListsEachObjectsFaults) {
    const AuditCapture& c = GetParam();
    SKYLOOM_REQUIRE_SHARED(capturePath, c.path);
    tools::Capture capture = tools::gf_readCapture(capturePath, c.elevationFt);
    if (const char* limit = std::getenv("AUDIT_SECONDS")) {
        const double first = capture.bursts.front().time;
        std::erase_if(capture.bursts, [&](const tools::CaptureBurst& burst) {
            return burst.time - first > std::atof(limit);
        });
    }
    const std::string skip =
        prepare(c.airport, capture,
                ManualClock::utcTime(c.year, c.month, c.day, c.hour, c.minute, c.second));
    if (!skip.empty()) {
        GTEST_SKIP() << skip;
    }
    simworld::FacilityImportSources sources;
    sources.airportsCsv = sharedPath(kAirportsCsv);
    sources.runwaysCsv = sharedPath(kRunwaysCsv);
    const simworld::AirportFacilitySetup park =
        simworld::gf_importAirportFacilities(c.airport.icao, sources);
    runways_ = park.runways;
    parkElevationFt_ = park.altitudeMeters * kFeetPerMetre;

    // Every object, ten frames a second.
    std::map<std::uint32_t, std::vector<ObjectFrame>> frames;
    std::optional<Clock::SteadyTime> start;
    double lastFrame = -1.0;
    ReplayRunOptions options;
    options.bufferedBursts = 3;
    options.afterLastBurst = std::chrono::seconds(90);
    options.onCycle = [&](MainLoop& loop) {
        if (!start) {
            start = clock_.steadyNow();
        }
        const double seconds = std::chrono::duration<double>(clock_.steadyNow() - *start).count();
        if (seconds - lastFrame < kFrameSeconds) {
            return;
        }
        lastFrame = seconds;
        for (const LiveAircraft& a : loop.traffic().liveAircraft) {
            if (a.objectId == 0) {
                continue;
            }
            if (const auto object = world_->object(a.objectId)) {
                frames[a.base.hexid].push_back({seconds, a.objectId, object->latitudeDeg,
                                                object->longitudeDeg, object->altitudeFeet,
                                                object->headingTrueRad, object->pitchRad,
                                                object->onGround, a.phase.phase});
            }
        }
    };
    const ReplayRunResult result = run(options);

    std::map<std::string, std::size_t> counts;
    std::size_t objects = 0;
    std::string lines;
    for (const auto& [hexid, shown] : frames) {
        const auto reported = reports().find(hexid);
        if (reported == reports().end() || reported->second.empty()) {
            continue;
        }
        std::vector<Report> due;
        for (const TrafficEntry& r : reported->second) {
            due.push_back({r.timestamp - result.firstBurstEpoch + kPlaybackDelaySeconds,
                           {r.sample.latitude, r.sample.longitude},
                           r.sample.altitudeFt,
                           r.sample.groundSpeedKt,
                           r.sample.verticalSpeedFpm,
                           r.sample.airborne != 0});
        }
        std::stable_sort(due.begin(), due.end(),
                         [](const Report& a, const Report& b) { return a.due < b.due; });
        const TrafficEntry& first = reported->second.front();
        const AircraftCategory category = gf_modelCategory(first.key.model);
        const double fastestKt = gf_fastestReportedKt(reported->second);
        const bool traced = lf_isTraced(first.callsign, hexid);
        if (traced) {
            lines += lf_trace(shown, due, runways_);
            for (const std::string& line : logLinesWith(" removed: ")) {
                if (!first.callsign.empty() && line.find(first.callsign) != std::string::npos) {
                    lines += fmt::format("  {}\n", line);
                }
            }
        }
        // One object at a time: the frames of each of the aircraft's objects.
        for (auto from = shown.begin(); from != shown.end();) {
            const auto to = std::find_if(from, shown.end(), [&](const ObjectFrame& f) {
                return f.objectId != from->objectId;
            });
            const std::vector<ObjectFrame> one(from, to);
            ++objects;
            const ObjectAudit o = audit(one, due, category, fastestKt);
            if (traced) {
                lines += fmt::format("  obj {} lag median {:.1f} s, most {:.1f} s\n",
                                     from->objectId, o.lagMedian, o.lagMost);
            }
            for (const std::string& f : o.faults) {
                ++counts[f.substr(0, f.find(' '))];
            }
            if (!o.faults.empty() || std::getenv("AUDIT_ALL") != nullptr) {
                lines += fmt::format(
                    "{} {:8} {:06x} {:4} obj {} {:.0f}-{:.0f} s: {}\n", c.name, first.callsign,
                    hexid, first.key.model, from->objectId, from->seconds, std::prev(to)->seconds,
                    o.faults.empty()
                        ? fmt::format("pace {:.2f} alt {:.0f} ground {:.0f} lag {:.0f} stay {:.0f}",
                                      o.paceRatio, o.altOffFt, o.groundKt, o.lagMedian, o.stay)
                        : fmt::format("{}", fmt::join(o.faults, "; ")));
            }
            from = to;
        }
    }
    std::string summary = fmt::format("{} {} objects:", c.name, objects);
    for (const char* kind : {"pace", "alt", "circle", "offrwy", "roll", "nose", "lag", "stay"}) {
        summary += fmt::format(" {} {}", kind, counts[kind]);
    }
    std::printf("%s%s\n", lines.c_str(), summary.c_str());
    std::fflush(stdout);
}

INSTANTIATE_TEST_SUITE_P(
    Recordings, CaptureAudit,
    ::testing::Values(
        AuditCapture{"KLAX", kLosAngelesCapture, kLosAngelesElevationFt, kLosAngelesReplayAirport,
                     2026, 1, 7, 21, 52, 32},
        AuditCapture{"KLAS", "feed/recordings/KLAS_20190305_2056Z.txt", 2181.0,
                     ReplayAirport{"KLAS", {36.0735, -115.1780}, 0.0}, 2026, 1, 7, 20, 56, 39},
        AuditCapture{"MMMX", "feed/recordings/MMMX.txt", 7316.0,
                     ReplayAirport{"MMMX", {19.4458, -99.0691}, 86.0}, 2026, 1, 7, 21, 29, 12},
        AuditCapture{"KPTK", "feed/recordings/KPTK_20201128.csv", 980.0,
                     ReplayAirport{"KPTK", {42.66343, -83.42010}, 90.0}, 2020, 11, 28, 20, 54, 55}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace skyloom::testing

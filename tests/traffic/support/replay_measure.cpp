#include "tests/traffic/support/replay_measure.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <optional>

#include <fmt/format.h>

#include "feed/rt_app_datagram.h"
#include "feed/rt_records.h"
#include "foundation/geodesy.h"
#include "traffic/motion/flat_earth.h"

namespace skyloom::testing {

namespace {

constexpr double kMetresPerNm = 1852.0;
constexpr double kMetresPerSecondPerKt = kMetresPerNm / 3600.0;
constexpr double kCrossWindowSeconds = 60.0;
constexpr double kStepSpeedWindowSeconds = 10.0;
constexpr double kStandingKt = 1.0;
// The world moves its objects 30 times a second.
constexpr double kWorldFrameSeconds = 1.0 / 30.0;
constexpr double kSlowestReportedKt = 30.0;
constexpr double kPositionSpeedSeconds = 5.0;
constexpr double kStepSeconds = 0.2;

Lalo lf_at(const DueReport& r) {
    return {r.latitude, r.longitude};
}

Lalo lf_at(const ObjectFrame& f) {
    return {f.latitude, f.longitude};
}

double lf_metres(const Lalo& a, const Lalo& b) {
    return gf_distanceNM(a, b) * kMetresPerNm;
}

// The distance of `p` from the segment a-b (flat around a).
double lf_offSegment(const Lalo& p, const Lalo& a, const Lalo& b) {
    const double length = lf_metres(a, b);
    if (length < 0.1) {
        return lf_metres(p, a);
    }
    const DistanceBearing d = gf_distanceBearingMetres(a, gf_bearing(a, b), p);
    if (d.along <= 0) {
        return lf_metres(p, a);
    }
    if (d.along >= length) {
        return lf_metres(p, b);
    }
    return std::abs(d.across);
}

// Median, 95th percentile and largest.
void lf_spread(std::vector<double> values, double& median, double& p95, double& largest) {
    if (values.empty()) {
        return;
    }
    std::sort(values.begin(), values.end());
    median = values[values.size() / 2];
    p95 = values[std::min(values.size() - 1, values.size() * 95 / 100)];
    largest = values.back();
}

} // namespace

double gf_fastestReportedKt(const std::vector<DueReport>& reports) {
    double fastest = kSlowestReportedKt;
    for (std::size_t i = 0; i < reports.size(); ++i) {
        fastest = std::max(fastest, reports[i].groundSpeedKt);
        for (std::size_t j = i + 1; j < reports.size(); ++j) {
            const double seconds = reports[j].dueSeconds - reports[i].dueSeconds;
            if (seconds >= kPositionSpeedSeconds) {
                fastest = std::max(fastest, gf_distanceNM(lf_at(reports[i]), lf_at(reports[j])) *
                                                3600.0 / seconds);
                break;
            }
        }
    }
    return fastest;
}

double gf_fastestReportedKt(const std::vector<TrafficEntry>& reports) {
    std::vector<DueReport> due;
    due.reserve(reports.size());
    for (const TrafficEntry& r : reports) {
        due.push_back(DueReport{r.timestamp, r.sample.latitude, r.sample.longitude,
                                r.sample.groundSpeedKt, r.sample.airborne != 0});
    }
    return gf_fastestReportedKt(due);
}

double gf_fastestStepRatio(const std::vector<ObjectFrame>& frames, double fastestKt,
                           const std::vector<double>& stalls) {
    double ratio = 0.0;
    std::size_t from = 0;
    std::size_t next = 0;
    for (std::size_t i = 1; i < frames.size(); ++i) {
        const ObjectFrame& a = frames[from];
        const ObjectFrame& b = frames[i];
        if (a.objectId != b.objectId) {
            from = i;
            continue;
        }
        if (b.seconds - a.seconds < kStepSeconds) {
            continue;
        }
        from = i;
        while (next < stalls.size() && stalls[next] < a.seconds) {
            ++next;
        }
        if (next < stalls.size() && stalls[next] < b.seconds) {
            continue;
        }
        const double kt = gf_distanceNM(lf_at(a), lf_at(b)) * 3600.0 / (b.seconds - a.seconds);
        ratio = std::max(ratio, kt / fastestKt);
    }
    return ratio;
}

std::map<std::uint32_t, std::vector<DueReport>> gf_dueReports(const tools::Capture& capture,
                                                              double playbackDelaySeconds,
                                                              std::size_t bufferedBursts) {
    std::map<std::uint32_t, std::vector<DueReport>> due;
    if (capture.bursts.empty()) {
        return due;
    }
    // As the App's "now" when its buffer holds every burst.
    const double runStart = bufferedBursts < capture.bursts.size()
                                ? capture.bursts[bufferedBursts].time
                                : capture.bursts.back().time + tools::kCaptureBurstGapSeconds;
    std::map<std::uint32_t, std::string> lastDatagram;
    for (const tools::CaptureBurst& burst : capture.bursts) {
        std::vector<RtTrafficRecord> taken;
        double newest = -std::numeric_limits<double>::infinity();
        for (const std::string& datagram : burst.datagrams) {
            const AppDatagram split = gf_splitAppDatagram(datagram);
            if (split.kind != AppDatagramKind::traffic) {
                continue;
            }
            const RtTrafficRecord record = gf_rttfcRecord(split);
            std::string& last = lastDatagram[record.hexid];
            if (last == datagram) {
                continue;
            }
            last = datagram;
            newest = std::max(newest, record.timestamp);
            taken.push_back(record);
        }
        for (const RtTrafficRecord& record : taken) {
            DueReport r;
            r.dueSeconds =
                burst.time - runStart + playbackDelaySeconds - (newest - record.timestamp);
            r.latitude = record.latitude;
            r.longitude = record.longitude;
            r.groundSpeedKt = record.groundSpeedKt.value_or(0.0);
            r.airborne = record.airborne != 0;
            due[record.hexid].push_back(r);
        }
    }
    for (auto& [hexid, reports] : due) {
        std::stable_sort(
            reports.begin(), reports.end(),
            [](const DueReport& a, const DueReport& b) { return a.dueSeconds < b.dueSeconds; });
    }
    return due;
}

std::string gf_groundPhaseName(GroundPhase phase) {
    switch (phase) {
    case GroundPhase::taxi:
        return "taxi";
    case GroundPhase::standing:
        return "standing";
    case GroundPhase::roll:
        return "roll";
    }
    return "?";
}

std::map<GroundPhase, PhaseFigures> gf_measureGround(const std::vector<ObjectFrame>& frames,
                                                     const std::vector<DueReport>& reports) {
    std::map<GroundPhase, PhaseFigures> figures;
    std::map<GroundPhase, std::vector<double>> cross;
    std::map<GroundPhase, std::vector<double>> sameTime;
    if (reports.size() < 2) {
        return figures;
    }
    const auto dueAfter = [&](double t) {
        return std::upper_bound(reports.begin(), reports.end(), t,
                                [](double s, const DueReport& r) { return s < r.dueSeconds; });
    };
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const ObjectFrame& f = frames[i];
        const bool roll =
            f.phase == FlightPhase::takeoff_roll || f.phase == FlightPhase::landing_roll;
        const bool ground = roll || f.phase == FlightPhase::taxi ||
                            f.phase == FlightPhase::parked || f.phase == FlightPhase::parking ||
                            f.phase == FlightPhase::pushing_back ||
                            f.phase == FlightPhase::pushed_back;
        const auto after = dueAfter(f.seconds);
        if (!ground || after == reports.begin() || after == reports.end()) {
            continue;
        }
        const DueReport& a = *(after - 1);
        const DueReport& b = *after;
        const GroundPhase phase = roll ? GroundPhase::roll
                                       : (std::max(a.groundSpeedKt, b.groundSpeedKt) <= kStandingKt
                                              ? GroundPhase::standing
                                              : GroundPhase::taxi);
        PhaseFigures& out = figures[phase];
        ++out.frames;
        // Where the reports put it now.
        const double span = b.dueSeconds - a.dueSeconds;
        const double k = span > 0 ? (f.seconds - a.dueSeconds) / span : 0.0;
        const Lalo now{a.latitude + (b.latitude - a.latitude) * k,
                       a.longitude + (b.longitude - a.longitude) * k};
        sameTime[phase].push_back(lf_metres(lf_at(f), now));
        double off = std::numeric_limits<double>::infinity();
        for (auto r = reports.begin(); r + 1 != reports.end(); ++r) {
            if (std::abs(r->dueSeconds - f.seconds) <= kCrossWindowSeconds ||
                std::abs((r + 1)->dueSeconds - f.seconds) <= kCrossWindowSeconds) {
                off = std::min(off, lf_offSegment(lf_at(f), lf_at(*r), lf_at(*(r + 1))));
            }
        }
        if (std::isfinite(off)) {
            cross[phase].push_back(off);
        }
        if (i > 0 && frames[i - 1].objectId == f.objectId && f.seconds > frames[i - 1].seconds) {
            const double step = lf_metres(lf_at(frames[i - 1]), lf_at(f));
            if (step > out.largestStepM) {
                out.largestStepM = step;
                const double seconds =
                    std::max(f.seconds - frames[i - 1].seconds, kWorldFrameSeconds);
                out.largestStepKt = step / kMetresPerNm / seconds * 3600;
                out.reportedKt = 0;
                for (const DueReport& r : reports) {
                    if (std::abs(r.dueSeconds - f.seconds) <= kStepSpeedWindowSeconds) {
                        out.reportedKt = std::max(out.reportedKt, r.groundSpeedKt);
                    }
                }
            }
        }
    }
    for (auto& [phase, out] : figures) {
        lf_spread(cross[phase], out.crossMedianM, out.crossP95M, out.crossMaxM);
        lf_spread(sameTime[phase], out.sameTimeMedianM, out.sameTimeP95M, out.sameTimeMaxM);
    }
    return figures;
}

namespace {

std::vector<double> lf_leadSeconds(const std::vector<ObjectFrame>& frames,
                                   const std::vector<DueReport>& reports, bool airborne,
                                   double nearMetres) {
    constexpr double kAroundSeconds = 90.0;
    constexpr double kMovingMetresPerSecond = 2.5;
    std::vector<double> leads;
    for (const ObjectFrame& f : frames) {
        if (airborne ? f.onGround : (!f.onGround || f.phase != FlightPhase::taxi)) {
            continue;
        }
        double nearest = nearMetres;
        std::optional<double> lead;
        for (std::size_t i = 0; i + 1 < reports.size(); ++i) {
            const DueReport& r0 = reports[i];
            const DueReport& r1 = reports[i + 1];
            const double seconds = r1.dueSeconds - r0.dueSeconds;
            const double length = lf_metres(lf_at(r0), lf_at(r1));
            // A position repeated while the aircraft reports moving is a stale one: it says
            // nothing of when the aircraft left it.
            const bool stale = i > 0 && lf_metres(lf_at(reports[i - 1]), lf_at(r0)) < 1.0 &&
                               r0.groundSpeedKt * kMetresPerSecondPerKt >= kMovingMetresPerSecond;
            if (std::abs(r0.dueSeconds - f.seconds) > kAroundSeconds || !(seconds > 0) ||
                length < kMovingMetresPerSecond * seconds || stale) {
                continue;
            }
            const DistanceBearing d =
                gf_distanceBearingMetres(lf_at(r0), gf_bearing(lf_at(r0), lf_at(r1)), lf_at(f));
            if (d.along < 0 || d.along > length || !(std::abs(d.across) < nearest)) {
                continue;
            }
            nearest = std::abs(d.across);
            lead = r0.dueSeconds + seconds * d.along / length - f.seconds;
        }
        if (lead) {
            leads.push_back(*lead);
        }
    }
    return leads;
}

} // namespace

std::vector<double> gf_taxiLeadSeconds(const std::vector<ObjectFrame>& frames,
                                       const std::vector<DueReport>& reports) {
    constexpr double kNearMetres = 30.0;
    return lf_leadSeconds(frames, reports, false, kNearMetres);
}

std::vector<double> gf_airLeadSeconds(const std::vector<ObjectFrame>& frames,
                                      const std::vector<DueReport>& reports) {
    constexpr double kNearMetres = 300.0;
    return lf_leadSeconds(frames, reports, true, kNearMetres);
}

std::string gf_groundFiguresText(const std::map<GroundPhase, PhaseFigures>& figures) {
    std::string text;
    for (const auto& [phase, f] : figures) {
        text += fmt::format(
            "{:8}: {:6} frames, cross-track {:.1f} / {:.1f} / {:.1f} m, same time {:.1f} / "
            "{:.1f} / {:.1f} m, largest frame step {:.2f} m ({:.1f} kt, reported {:.1f} kt)\n",
            gf_groundPhaseName(phase), f.frames, f.crossMedianM, f.crossP95M, f.crossMaxM,
            f.sameTimeMedianM, f.sameTimeP95M, f.sameTimeMaxM, f.largestStepM, f.largestStepKt,
            f.reportedKt);
    }
    return text;
}

NoseOff gf_largestGroundNoseOff(const std::vector<ObjectFrame>& frames) {
    constexpr double kHalfSpanSeconds = 1.0;
    constexpr double kMovingKt = 5.0;
    NoseOff largest;
    for (std::size_t k = 0, i = 0, j = 0; k < frames.size(); ++k) {
        const ObjectFrame& f = frames[k];
        while (i + 1 < k && frames[i + 1].seconds <= f.seconds - kHalfSpanSeconds) {
            ++i;
        }
        j = std::max(j, k);
        while (j < frames.size() && frames[j].seconds < f.seconds + kHalfSpanSeconds) {
            ++j;
        }
        if (j == frames.size()) {
            break;
        }
        const ObjectFrame& a = frames[i];
        const ObjectFrame& b = frames[j];
        if (!f.onGround || f.phase == FlightPhase::pushing_back || a.objectId != b.objectId ||
            a.seconds > f.seconds - kHalfSpanSeconds) {
            continue;
        }
        const double metres = lf_metres(lf_at(a), lf_at(b));
        if (metres / kMetresPerNm / (b.seconds - a.seconds) * 3600.0 < kMovingKt) {
            continue;
        }
        const double off = std::abs(gf_wrapAngle(f.headingRad - gf_bearing(lf_at(a), lf_at(b)))) *
                           180.0 / std::numbers::pi;
        if (off > largest.deg) {
            largest = {off, f.seconds};
        }
    }
    return largest;
}

FastestStep gf_fastestStep(const std::vector<ObjectFrame>& frames, double windowSeconds) {
    FastestStep fastest;
    for (std::size_t i = 0, j = 0; i < frames.size(); ++i) {
        j = std::max(j, i + 1);
        while (j < frames.size() && frames[j].seconds - frames[i].seconds < windowSeconds) {
            ++j;
        }
        if (j == frames.size()) {
            break;
        }
        if (frames[j].objectId != frames[i].objectId) {
            continue;
        }
        const double kt = lf_metres(lf_at(frames[i]), lf_at(frames[j])) / kMetresPerNm /
                          (frames[j].seconds - frames[i].seconds) * 3600.0;
        if (kt > fastest.kt) {
            fastest = {kt, frames[i].seconds};
        }
    }
    return fastest;
}

} // namespace skyloom::testing

#include "tools/track_replay/true_track.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <stdexcept>

#include <fmt/format.h>
#include <nlohmann/json.hpp>
#include <zlib.h>

#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "traffic/motion/flat_earth.h"

namespace skyloom::tools {

namespace {

std::string lf_readMaybeGzip(const std::filesystem::path& file) {
    gzFile in = gzopen(file.string().c_str(), "rb"); // reads plain files unchanged too
    if (in == nullptr) {
        throw std::runtime_error(fmt::format("cannot open the track {}", file.string()));
    }
    std::string text;
    char buffer[65536];
    int n = 0;
    while ((n = gzread(in, buffer, sizeof buffer)) > 0) {
        text.append(buffer, static_cast<std::size_t>(n));
    }
    gzclose(in);
    if (n < 0) {
        throw std::runtime_error(fmt::format("cannot read the track {}", file.string()));
    }
    return text;
}

double lf_number(const nlohmann::json& value, double fallback) {
    return value.is_number() ? value.get<double>() : fallback;
}

// readsb: [dt, lat, lon, alt or "ground", gs, track, flags, vrate, details, ...].
void lf_readReadsb(const nlohmann::json& doc, TrueTrack& track) {
    track.startEpoch = lf_number(doc.value("timestamp", nlohmann::json()), 0);
    track.model = doc.value("t", "");
    TruePoint last;
    for (const nlohmann::json& p : doc.at("trace")) {
        if (!p.is_array() || p.size() < 8 || !p[1].is_number() || !p[2].is_number()) {
            continue;
        }
        TruePoint t = last;
        t.seconds = lf_number(p[0], last.seconds);
        t.positionSeconds = t.seconds;
        t.latitude = p[1].get<double>();
        t.longitude = p[2].get<double>();
        t.airborne = !(p[3].is_string() && p[3].get<std::string>() == "ground");
        t.altitudeFt = lf_number(p[3], t.airborne ? last.altitudeFt : 0.0);
        t.groundSpeedKt = lf_number(p[4], last.groundSpeedKt);
        t.trackDeg = lf_number(p[5], last.trackDeg);
        t.verticalSpeedFpm = lf_number(p[7], last.verticalSpeedFpm);
        if (track.callsign.empty() && p.size() > 8 && p[8].is_object()) {
            track.callsign = p[8].value("flight", "");
        }
        track.points.push_back(t);
        last = t;
    }
}

// Where a record gives no ground speed or track they come from the positions: a receiver
// repeats a position until a newer one comes, so a point takes the move from the position it
// shows to the next other one at least kMoveSeconds later (a noisy position jumps back and
// forth between two seconds), over the time between their first reports; a track only from a
// move of at least kTrackFromMetres.
constexpr double kMoveSeconds = 4.0;
constexpr double kMetresPerNm = 1852.0;
constexpr double kTrackFromMetres = 2.0;

void lf_deriveMotion(std::vector<TruePoint>& points, const std::vector<bool>& speedMissing,
                     const std::vector<bool>& trackMissing) {
    const auto at = [&](std::size_t i) { return Lalo{points[i].latitude, points[i].longitude}; };
    const auto same = [&](std::size_t a, std::size_t b) {
        return points[a].latitude == points[b].latitude &&
               points[a].longitude == points[b].longitude;
    };
    std::size_t shown = 0; // the first point that showed the current position
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (!same(i, shown)) {
            shown = i;
        }
        std::size_t next = i + 1;
        while (next < points.size() &&
               (same(next, shown) || points[next].seconds - points[shown].seconds < kMoveSeconds)) {
            ++next;
        }
        double speed = 0.0;
        double metres = 0.0;
        const double seconds = next < points.size()
                                   ? points[next].positionSeconds - points[shown].positionSeconds
                                   : 0.0;
        if (seconds > 0) {
            metres = gf_distanceNM(at(shown), at(next)) * kMetresPerNm;
            speed = metres / kMetresPerNm / seconds * 3600.0;
        }
        if (speedMissing[i]) {
            points[i].groundSpeedKt = speed;
        }
        if (trackMissing[i]) {
            points[i].trackDeg = metres >= kTrackFromMetres
                                     ? gf_bearing(at(shown), at(next)) * geo::kDegreesPerRadian
                                     : (i > 0 ? points[i - 1].trackDeg : 0.0);
        }
    }
}

// OpenSky: [{latitude, longitude, altitude, groundspeed, track, vertical_rate, timestamp}].
void lf_readOpenSky(const nlohmann::json& doc, TrueTrack& track) {
    TruePoint last;
    std::vector<bool> speedMissing;
    std::vector<bool> trackMissing;
    for (const nlohmann::json& p : doc) {
        if (!p.is_object() || !p.value("latitude", nlohmann::json()).is_number() ||
            !p.value("longitude", nlohmann::json()).is_number() ||
            !p.value("timestamp", nlohmann::json()).is_number()) {
            continue;
        }
        const double epoch = p["timestamp"].get<double>() / 1000.0;
        if (track.points.empty()) {
            track.startEpoch = epoch;
            const nlohmann::json callsign = p.value("callsign", nlohmann::json());
            track.callsign = callsign.is_string() ? callsign.get<std::string>() : "";
        }
        TruePoint t = last;
        t.seconds = epoch - track.startEpoch;
        const nlohmann::json measured = p.value("last_position", nlohmann::json());
        t.positionSeconds =
            measured.is_number() ? measured.get<double>() / 1000.0 - track.startEpoch : t.seconds;
        t.latitude = p["latitude"].get<double>();
        t.longitude = p["longitude"].get<double>();
        t.altitudeFt = lf_number(p.value("altitude", nlohmann::json()), last.altitudeFt);
        t.groundSpeedKt = lf_number(p.value("groundspeed", nlohmann::json()), last.groundSpeedKt);
        t.trackDeg = lf_number(p.value("track", nlohmann::json()), last.trackDeg);
        t.verticalSpeedFpm =
            lf_number(p.value("vertical_rate", nlohmann::json()), last.verticalSpeedFpm);
        const nlohmann::json onGround = p.value("onground", nlohmann::json());
        t.airborne = !(onGround.is_boolean() && onGround.get<bool>());
        speedMissing.push_back(!p.value("groundspeed", nlohmann::json()).is_number());
        trackMissing.push_back(!p.value("track", nlohmann::json()).is_number());
        track.points.push_back(t);
        last = t;
    }
    lf_deriveMotion(track.points, speedMissing, trackMissing);
}

// pandas' column layout of the same records: {"latitude": {"0": 47.4, "1": ...}, ...}, one
// object per column keyed by row; rows in the order of their number.
nlohmann::json lf_rowsFromColumns(const nlohmann::json& doc) {
    std::map<long, nlohmann::json> rows;
    for (const auto& [column, values] : doc.items()) {
        if (!values.is_object()) {
            continue;
        }
        for (const auto& [row, value] : values.items()) {
            char* end = nullptr;
            const long index = std::strtol(row.c_str(), &end, 10);
            if (end != row.c_str() && *end == '\0') {
                rows[index][column] = value;
            }
        }
    }
    nlohmann::json out = nlohmann::json::array();
    for (auto& [index, record] : rows) {
        out.push_back(std::move(record));
    }
    return out;
}

} // namespace

TrueTrack gf_readTrueTrack(const std::filesystem::path& file) {
    TrueTrack track;
    try {
        const nlohmann::json doc = nlohmann::json::parse(lf_readMaybeGzip(file));
        if (doc.is_object() && doc.contains("trace")) {
            lf_readReadsb(doc, track);
        } else if (doc.is_array()) {
            lf_readOpenSky(doc, track);
        } else if (doc.is_object() && doc.contains("latitude")) {
            lf_readOpenSky(lf_rowsFromColumns(doc), track);
        }
    } catch (const nlohmann::json::exception& e) {
        throw std::runtime_error(
            fmt::format("the track {} is not usable: {}", file.string(), e.what()));
    }
    if (track.points.size() < 2) {
        throw std::runtime_error(fmt::format("the track {} holds no positions", file.string()));
    }
    return track;
}

double gf_trackGroundFt(const TrueTrack& track) {
    double lowest = INFINITY;
    for (const TruePoint& p : track.points) {
        if (p.airborne) {
            lowest = std::min(lowest, p.altitudeFt);
        }
    }
    return std::isfinite(lowest) ? lowest : 0.0;
}

std::vector<std::vector<TruePoint>> gf_airborneParts(const std::vector<TruePoint>& points,
                                                     double maximumGapSeconds,
                                                     double minimumSeconds) {
    std::vector<std::vector<TruePoint>> parts;
    std::vector<TruePoint> part;
    auto close = [&] {
        if (part.size() > 1 && part.back().seconds - part.front().seconds >= minimumSeconds) {
            parts.push_back(part);
        }
        part.clear();
    };
    for (const TruePoint& p : points) {
        if (!p.airborne || (!part.empty() && p.seconds - part.back().seconds > maximumGapSeconds)) {
            close();
        }
        if (p.airborne) {
            part.push_back(p);
        }
    }
    close();
    return parts;
}

TruePoint gf_truePointAt(const std::vector<TruePoint>& points, double seconds) {
    const auto after = std::lower_bound(points.begin(), points.end(), seconds,
                                        [](const TruePoint& p, double s) { return p.seconds < s; });
    if (after == points.begin()) {
        return points.front();
    }
    if (after == points.end()) {
        return points.back();
    }
    const TruePoint& a = *(after - 1);
    const TruePoint& b = *after;
    const double span = b.seconds - a.seconds;
    const double f = span > 0 ? (seconds - a.seconds) / span : 0.0;
    TruePoint p = a;
    p.seconds = seconds;
    p.positionSeconds = a.positionSeconds + (b.positionSeconds - a.positionSeconds) * f;
    p.latitude = a.latitude + (b.latitude - a.latitude) * f;
    p.longitude =
        gf_wrapLongitude(a.longitude + gf_longitudeDifference(a.longitude, b.longitude) * f);
    p.altitudeFt = a.altitudeFt + (b.altitudeFt - a.altitudeFt) * f;
    p.groundSpeedKt = a.groundSpeedKt + (b.groundSpeedKt - a.groundSpeedKt) * f;
    const double turn = gf_wrapAngle((b.trackDeg - a.trackDeg) * geo::kRadiansPerDegree);
    p.trackDeg = std::fmod(a.trackDeg + turn * geo::kDegreesPerRadian * f + 360.0, 360.0);
    p.verticalSpeedFpm = a.verticalSpeedFpm + (b.verticalSpeedFpm - a.verticalSpeedFpm) * f;
    return p;
}

} // namespace skyloom::tools

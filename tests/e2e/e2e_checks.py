"""The end-to-end run's checks, each on what the run left behind: the simulator stand-in's AI
report and trace and the program's log. Each returns a list of failures and prints its figures."""
import bisect
import csv
import json
import math
import os
import re
from pathlib import Path

# Marked lines a sound run logs. Each entry is a pattern and why the line is expected.
EXPECTED_ERROR_LINES = [
    (r"AIG-regcodes\.enc not available",
     "the prepared working folder holds no AIG registration table"),
    (r"^==> Download of \S+/downloads/MSFS/archive/stock/\w+\.enc failed: HTTP status 404$",
     "the run's download area holds the park airport's file only, not those of the airports "
     "that live aircraft come from or go to"),
    (r"^==> RealTraffic App connected from ", "a note, not an error"),
    (r"^==> Stop requested: USER CLOSED SIM \(4\)", "the test's SIGTERM closing the program"),
    (r"^==> RealTraffic App disconnected: server closed", "the program closing its App server"),
]
# The world's trace holds a point of each object every 0.2 s of world time. The program moves
# its objects every 10 ms, but a busy machine (another build, a sanitizer) holds its main worker
# up now and then, and the objects then stand still and jump to where they are due, so that two
# points 0.2 s apart can lie a burst apart: between them the trace measures the scheduler as
# much as the motion. The speed and the vertical speed of an object are therefore measured
# between points at least SPEED_SPAN_S apart, the span over which its reports' positions give
# the speed it is held to (base_speed_kt); a stall of 0.6 s then adds 12 % at most. The
# direction of flight is taken over TURN_SPAN_S, and its turn rate between two such directions
# that far apart: there a stall of 0.6 s in a turn adds 15 %, and a corner shows as half its
# angle a second (one of more than 12 degrees breaks the bound of 6 degrees a second).
SPEED_SPAN_S = 5.0
TURN_SPAN_S = 2.0


# The cleanup the program logs when it closes down.
CLEANUP = re.compile(r"SimConnect shutdown cleanup: initially owned (\d+), remove requested (\d+), "
                     r"confirmed (\d+), pending removals (\d+), pending creates (\d+)")
# Fewer live objects than this matched to the capture means the run itself went wrong.
MIN_LIVE_OBJECTS = 20
# Bounds of docs/motion.md ("The whole program on the KLAX capture"), per live object: its trace
# points' distance from its captured track, metres (median, largest), and its fastest step over
# SPEED_SPAN_S or more against the fastest speed its reports give (base_speed_kt).
OBJECT_MEDIAN_BOUND_M = 50.0
OBJECT_LARGEST_BOUND_M = 1500.0
# ... and of all measured points together (median, 95th percentile).
POOLED_BOUNDS_M = (5.0, 100.0)
MIN_MEASURED_POINTS = 5000
STEP_SPEED_MARGIN = 1.5
# Where the capture's reports of an aircraft lie further apart than this, and past its last
# report, the program extrapolates, and it takes a while to find back onto the track: its
# trace is held to the captured track where the reports were this close for this long.
COVERED_GAP_S = 30.0
RECOVERY_S = 60.0
TAXI_FLOOR_KT = 30.0
EARTH_RADIUS_M = 6371008.8
KT_TO_MPS = 1852.0 / 3600.0


def capture_tracks(capture: Path):
    """Per hexid of the capture: its type, every callsign and registration it had, and its
    positions in time order as (time s, latitude, longitude, ground speed kt)."""
    tracks = {}
    with capture.open(encoding="utf-8", errors="replace") as f:
        for row in csv.reader(f):
            if len(row) > 14 and row[0] == "AITFC":
                track = tracks.setdefault(row[1], {"points": [], "names": set()})
                track["type"] = row[10].strip().upper()
                track["names"] |= {row[9].strip().upper(), row[11].strip().upper()} - {""}
                track["points"].append((int(row[14]), float(row[2]), float(row[3]), float(row[8])))
                track.setdefault("courses", {})[(int(row[14]), float(row[2]), float(row[3]))] = (
                    float(row[7]), row[6].strip() == "1")
    for track in tracks.values():
        track["points"].sort()
    return tracks


# Between two airborne reports the path the reports describe leaves the first along its
# reported track and reaches the second along its own (a cubic Hermite curve with tangents as
# long as the leg); in a turn it follows the arc that the polyline of the positions cuts.
PATH_SPEED_FLOOR_KT = 30.0
PATH_LARGEST_OFFSET_DEG = 90.0
PATH_POINTS_PER_LEG = 8


def reported_path(track, metres):
    """The capture's path of one aircraft in the flat frame `metres` gives."""
    points = track["points"]
    path = [metres(points[0][1], points[0][2])]
    for a, b in zip(points, points[1:]):
        (ax, ay), (bx, by) = metres(a[1], a[2]), metres(b[1], b[2])
        chord = math.hypot(bx - ax, by - ay)
        course_a, airborne_a = track["courses"][a[:3]]
        course_b, airborne_b = track["courses"][b[:3]]
        bearing = math.degrees(math.atan2(bx - ax, by - ay))
        if (chord < 1.0 or not (airborne_a and airborne_b)
                or min(a[3], b[3]) < PATH_SPEED_FLOOR_KT
                or max(abs((c - bearing + 180.0) % 360.0 - 180.0) for c in (course_a, course_b))
                > PATH_LARGEST_OFFSET_DEG):
            path.append((bx, by))
            continue
        ta = (chord * math.sin(math.radians(course_a)), chord * math.cos(math.radians(course_a)))
        tb = (chord * math.sin(math.radians(course_b)), chord * math.cos(math.radians(course_b)))
        for k in range(1, PATH_POINTS_PER_LEG + 1):
            u = k / PATH_POINTS_PER_LEG
            h00, h10, h01, h11 = (2 * u**3 - 3 * u**2 + 1, u**3 - 2 * u**2 + u,
                                  -2 * u**3 + 3 * u**2, u**3 - u**2)
            path.append((h00 * ax + h10 * ta[0] + h01 * bx + h11 * tb[0],
                         h00 * ay + h10 * ta[1] + h01 * by + h11 * tb[1]))
    return path


def live_track_of(obj, tracks_by_name):
    """The capture's aircraft an object stands for (by its ATC id), None for static ones."""
    return tracks_by_name.get(obj["atc_id"])


def check_liveries(objects, tracks_by_name, livery_types) -> list:
    """Every object wears an installed livery; a live aircraft's is of its captured type."""
    failures, matched = [], 0
    for obj in objects:
        livery_type = livery_types.get(obj["livery"].lower())
        if livery_type is None:
            failures.append(f"object {obj['id']}: livery '{obj['livery']}' is not installed")
            continue
        track = live_track_of(obj, tracks_by_name)
        if track is None or not track["type"]:
            continue
        matched += 1
        if livery_type != track["type"]:
            failures.append(f"object {obj['id']} ({obj['atc_id']}): livery '{obj['livery']}' of "
                            f"type {livery_type}, the capture says {track['type']}")
    print(f"liveries: {len(objects)} objects, {matched} live ones of a captured type")
    if matched < MIN_LIVE_OBJECTS:
        failures.append(f"only {matched} created objects match a captured aircraft "
                        f"(at least {MIN_LIVE_OBJECTS} expected)")
    return failures


def read_trace(path: Path):
    """The world's trace: per object id its points (seconds, latitude, longitude, on ground)."""
    points = {}
    for line in path.read_text(encoding="utf-8", errors="replace").splitlines():
        f = line.split(";")
        points.setdefault(f[1], []).append((float(f[0]), float(f[3]), float(f[4]), f[7] == "1"))
    return points


def to_metres(latitude0):
    scale = math.radians(1) * EARTH_RADIUS_M
    return lambda lat, lon: ((lon * math.cos(math.radians(latitude0))) * scale, lat * scale)


def distance_to_polyline(p, line) -> float:
    best = math.inf
    for (ax, ay), (bx, by) in zip(line, line[1:] or line):
        dx, dy = bx - ax, by - ay
        length2 = dx * dx + dy * dy
        t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((p[0] - ax) * dx + (p[1] - ay) * dy) / length2))
        best = min(best, math.hypot(p[0] - ax - t * dx, p[1] - ay - t * dy))
    return best


def capture_time_offset(objects, tracks_by_name, trace):
    """Capture time less world time: the program creates a live aircraft at a report's position
    at that report's time plus its playback delay, the same for every aircraft of a run."""
    offsets = []
    for obj in objects:
        track, points = live_track_of(obj, tracks_by_name), trace.get(obj["id"])
        if track and points:
            created = points[0]
            offsets += [t - created[0] for t, lat, lon, _ in track["points"]
                        if abs(lat - created[1]) < 1e-6 and abs(lon - created[2]) < 1e-6][:1]
    return sorted(offsets)[len(offsets) // 2] if offsets else None


def covered(times, at) -> bool:
    """Whether the capture has the aircraft's reports at most COVERED_GAP_S apart from
    RECOVERY_S before `at` to the report after it."""
    first = max(bisect.bisect_left(times, at - RECOVERY_S) - 1, 0)
    after = bisect.bisect_left(times, at)
    return (times[0] <= at and after < len(times)
            and all(b - a <= COVERED_GAP_S for a, b in zip(times[first:], times[first + 1:after + 1])))


def percentile(values, share) -> float:
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(share * len(ordered)))]


def fastest_step(times, xy):
    """The fastest speed (kt) from a trace point to the first one at least SPEED_SPAN_S after
    it, and that step's length (m) and time (s)."""
    fastest = (0.0, 0.0, 0.0)
    for i, (t0, a) in enumerate(zip(times, xy)):
        j = bisect.bisect_left(times, t0 + SPEED_SPAN_S, lo=i + 1)
        if j == len(times):
            break
        length = math.hypot(xy[j][0] - a[0], xy[j][1] - a[1])
        fastest = max(fastest, (length / (times[j] - t0) / KT_TO_MPS, length, times[j] - t0))
    return fastest


def motion_figures(points, track, offset):
    """Cross-track distances (m) from the reported path of the points where the capture covers
    the aircraft, and the fastest step over SPEED_SPAN_S or more (kt, m, s)."""
    metres = to_metres(track["points"][0][1])
    line = reported_path(track, metres)
    xy = [metres(lat, lon) for _, lat, lon, _ in points]
    times = [p[0] for p in track["points"]]
    cross = [distance_to_polyline(p, line) for p, (t, *_) in zip(xy, points)
             if covered(times, t + offset)]
    return cross, fastest_step([p[0] for p in points], xy)


def figures(cross):
    return percentile(cross, 0.5), percentile(cross, 0.95), max(cross)


def check_motion(objects, tracks_by_name, trace) -> list:
    """Each live object's trace lies along its captured track and moves no faster than the
    aircraft flew."""
    offset = capture_time_offset(objects, tracks_by_name, trace)
    if offset is None:
        return ["no live object was created at a captured position"]
    failures, worst, pooled, fastest = [], [0.0] * 3, [], (0.0, 0.0, 0.0)
    for obj in objects:
        track = live_track_of(obj, tracks_by_name)
        points = trace.get(obj["id"], [])
        if track is None or len(points) < 2:
            continue
        cross, (step_kt, step_m, step_s) = motion_figures(points, track, offset)
        captured_kt = base_speed_kt(track)
        name = f"object {obj['id']} ({obj['atc_id']})"
        fastest = max(fastest, (step_kt / captured_kt, step_m, captured_kt))
        if step_kt > STEP_SPEED_MARGIN * captured_kt:
            failures.append(f"{name}: {step_m:.1f} m in {step_s:.1f} s at {step_kt:.0f} kt, "
                            f"fastest captured {captured_kt:.0f} kt")
        if not cross:
            continue
        pooled += cross
        own = figures(cross)
        worst = [max(w, v) for w, v in zip(worst, own)]
        if own[0] > OBJECT_MEDIAN_BOUND_M or own[2] > OBJECT_LARGEST_BOUND_M:
            failures.append(f"{name}: cross-track {own[0]:.0f} / {own[1]:.0f} / {own[2]:.0f} m")
    if len(pooled) < MIN_MEASURED_POINTS:
        return failures + [f"only {len(pooled)} trace points measured"]
    everyone = figures(pooled)
    print(f"motion: {len(pooled)} trace points: cross-track {everyone[0]:.1f} / {everyone[1]:.1f} / "
          f"{everyone[2]:.1f} m; worst object {worst[0]:.1f} / {worst[1]:.1f} / {worst[2]:.1f} m; "
          f"fastest step over {SPEED_SPAN_S:.0f} s or more {fastest[0]:.2f} x the fastest "
          f"captured ground speed ({fastest[1]:.1f} m, {fastest[2]:.0f} kt)")
    if everyone[0] > POOLED_BOUNDS_M[0] or everyone[1] > POOLED_BOUNDS_M[1]:
        failures.append(f"cross-track of all points {everyone[0]:.1f} / {everyone[1]:.1f} m "
                        f"beyond {POOLED_BOUNDS_M}")
    return failures


# How the live aeroplanes fly (docs/motion.md, tools/track_replay/flight_figures.h), where they
# fly at least 200 ft above the capture's airport and the capture covers them: the nose within
# 10 degrees of the direction of flight at the 95th percentile of all such points and within 30
# anywhere; that direction turning no faster than the aircraft plausibly turns (below), except
# within 5 s of a report whose track turned faster than 6 degrees a second; the vertical speed
# within 1500 fpm of the reported one (linear between reports) averaged over the 15 s either
# side; no step faster than 1.25 times the speed its reports give (base_speed_kt). The vertical speed is taken over SPEED_SPAN_S or more, the
# direction of flight over TURN_SPAN_S or more and its turn rate between two such directions
# that far apart.
# Helicopters (ICAO Doc 8643 descriptions "H...") hover, turn on the spot and fly sideways:
# they are left out.
# The direction of flight may turn as fast as the aircraft plausibly turns at its speed
# (docs/motion.md, traffic/motion/turn_reach.h): a coordinated turn at the steepest bank of its
# kind, g tan(bank) / speed, at most a ceiling, by its Doc 8643 description: single-engine
# propeller aircraft (light aircraft, gliders) 70 degrees of bank and 40 degrees a second, other
# propeller aircraft 60 and 30, jets of light wake turbulence 45 and 15, other jets 35 and 10;
# and at least TRACK_TURN_MAX_DEG_S, which any of them turns at an airport's speeds.
DOC_8643 = Path("data") / "aircraft" / "doc8643-AircraftTypes.json"
TURN_LIMITS = {"single prop": (70.0, 40.0), "props": (60.0, 30.0), "light jet": (45.0, 15.0),
               "jet": (35.0, 10.0)}
TURN_LIMIT_SLOWEST_KT = 30.0
GRAVITY_MPS2 = 9.80665
FLIGHT_STEP_SPEED_MARGIN = 1.25
REPORT_SPAN_S = SPEED_SPAN_S
AIRPORT_ELEVATION_FT = 125.0
MEASURED_HEIGHT_FT = 200.0
HEADING_OFF_TRACK_P95_DEG = 10.0
HEADING_OFF_TRACK_MAX_DEG = 30.0
TRACK_TURN_MAX_DEG_S = 6.0
FAST_REPORT_REACH_S = 5.0
VERTICAL_SPEED_OFF_MAX_FPM = 1500.0
SMOOTHING_S = 15.0
# A live object starts at its first report: its first seconds are not measured.
SETTLE_S = 5.0


def read_flight_trace(path: Path):
    """The world's trace with what the flight checks read: per object id its written points
    (seconds, latitude, longitude, altitude ft, heading deg, on ground)."""
    points = {}
    for line in path.read_text(encoding="utf-8", errors="replace").splitlines():
        f = line.split(";")
        if len(f) >= 8 and f[2] == "written":
            points.setdefault(f[1], []).append((float(f[0]), float(f[3]), float(f[4]),
                                                float(f[5]), float(f[6]), f[7] == "1"))
    return points


def capture_reports(capture: Path):
    """Per name (callsign or registration) of the capture's aircraft its reports in time order as
    (time s, track deg, vertical speed fpm)."""
    reports, names = {}, {}
    with capture.open(encoding="utf-8", errors="replace") as f:
        for row in csv.reader(f):
            if len(row) > 14 and row[0] == "AITFC":
                reports.setdefault(row[1], []).append((int(row[14]), float(row[7]), float(row[5])))
                for name in {row[9].strip().upper(), row[11].strip().upper()} - {""}:
                    names.setdefault(name, row[1])
    return {name: sorted(reports[hexid]) for name, hexid in names.items()}


def bearing_deg(a, b) -> float:
    lat1, lat2 = math.radians(a[1]), math.radians(b[1])
    dlon = math.radians(b[2] - a[2])
    y = math.sin(dlon) * math.cos(lat2)
    x = math.cos(lat1) * math.sin(lat2) - math.sin(lat1) * math.cos(lat2) * math.cos(dlon)
    return math.degrees(math.atan2(y, x)) % 360.0


def angle_off(a, b) -> float:
    return abs((a - b + 180.0) % 360.0 - 180.0)


def reported_vertical_speed_at(reports, at) -> float:
    """The reported vertical speed at `at`, linear between the reports around it."""
    times = [r[0] for r in reports]
    i = bisect.bisect_left(times, at)
    if i == 0:
        return reports[0][2]
    if i == len(reports):
        return reports[-1][2]
    (t0, _, v0), (t1, _, v1) = reports[i - 1], reports[i]
    return v0 if t1 <= t0 else v0 + (v1 - v0) * (at - t0) / (t1 - t0)


def smoothed_vertical_speed(reports, at):
    """The mean, over the SMOOTHING_S either side of `at` that the reports span, of the reported
    vertical speed taken linear between two reports."""
    start, end = max(at - SMOOTHING_S, reports[0][0]), min(at + SMOOTHING_S, reports[-1][0])
    values = [reported_vertical_speed_at(reports, start + k)
              for k in range(int(math.floor(end - start)) + 1)]
    return sum(values) / len(values) if values else None


def plausible_turn_deg_s(limit, speed_kt) -> float:
    """The fastest turn of an aircraft of turn limit `limit` (bank deg, ceiling deg/s) at
    `speed_kt`: see TURN_LIMITS."""
    bank, ceiling = limit
    if not speed_kt >= TURN_LIMIT_SLOWEST_KT:
        return ceiling
    rate = math.degrees(GRAVITY_MPS2 * math.tan(math.radians(bank)) / (speed_kt * KT_TO_MPS))
    return max(TRACK_TURN_MAX_DEG_S, min(rate, ceiling))


def flight_figures(points, reports, offset, turn_limit=TURN_LIMITS["jet"]):
    """Per counted point: its capture time, the heading off the direction of flight (deg), that
    direction's turn rate (deg/s, None near a report that turns fast), the vertical speed off
    the reports' (fpm, None without reports near) and the fastest turn plausible there (deg/s,
    of an aircraft of turn limit `turn_limit` at the speed the trace gives)."""
    times = [p[0] for p in points]
    metres = to_metres(points[0][1])

    def around(t, span):
        """The last point at or before t - span / 2 and the first at or after t + span / 2 (the
        trace's points lie about 0.2 s apart): `span` or more apart."""
        i = bisect.bisect_right(times, t - span / 2) - 1
        j = bisect.bisect_left(times, t + span / 2)
        return (points[i], points[j]) if 0 <= i and j < len(points) else (None, None)

    def direction(t):
        """The direction of flight around t and the time it stands for."""
        a, b = around(t, TURN_SPAN_S)
        if a is None:
            return None
        (ax, ay), (bx, by) = metres(a[1], a[2]), metres(b[1], b[2])
        return (bearing_deg(a, b), (a[0] + b[0]) / 2) if math.hypot(bx - ax, by - ay) >= 1.0 else None

    fast = []
    for (t0, track0, _), (t1, track1, _) in zip(reports, reports[1:]):
        if t1 > t0 and angle_off(track1, track0) / (t1 - t0) > TRACK_TURN_MAX_DEG_S:
            fast += [t0, t1]
    report_times = [r[0] for r in reports]
    out = []
    for p in points:
        t = p[0]
        captured = t + offset
        if (t < points[0][0] + SETTLE_S or p[5] or p[3] < AIRPORT_ELEVATION_FT + MEASURED_HEIGHT_FT or not covered(report_times, captured)
                or captured > report_times[-1] - SPEED_SPAN_S / 2):
            continue
        track = direction(t)
        before, after = direction(t - TURN_SPAN_S / 2), direction(t + TURN_SPAN_S / 2)
        a, b = around(t, SPEED_SPAN_S)
        if None in (track, before, after, a) or not after[1] > before[1]:
            continue
        turn = angle_off(after[0], before[0]) / (after[1] - before[1])
        near_fast = any(abs(f - captured) <= FAST_REPORT_REACH_S for f in fast)
        vs = (b[3] - a[3]) / (b[0] - a[0]) * 60.0
        (ax, ay), (bx, by) = metres(a[1], a[2]), metres(b[1], b[2])
        speed_kt = math.hypot(bx - ax, by - ay) / (b[0] - a[0]) / KT_TO_MPS
        reported = smoothed_vertical_speed(reports, captured)
        out.append((captured, angle_off(p[4], track[0]), None if near_fast else turn,
                    None if reported is None else abs(vs - reported),
                    plausible_turn_deg_s(turn_limit, speed_kt)))
    return out


def fastest_between_reports_kt(track) -> float:
    """The fastest speed that two reports at least REPORT_SPAN_S apart give by their positions:
    where the reported positions lie farther apart than the reported speed flies, the object
    reaches each report at its time and flies the positions."""
    metres = to_metres(track["points"][0][1])
    fastest = 0.0
    for a, b in zip(track["points"], track["points"][1:]):
        if b[0] - a[0] >= REPORT_SPAN_S:
            (ax, ay), (bx, by) = metres(a[1], a[2]), metres(b[1], b[2])
            fastest = max(fastest, math.hypot(bx - ax, by - ay) / (b[0] - a[0]) / KT_TO_MPS)
    return fastest


def base_speed_kt(track) -> float:
    """What an object's speed is held to: the fastest ground speed its aircraft reported, or
    that two of its reports give by their positions (docs/motion.md: the object reaches each
    report at its time), at least a taxi's (for aircraft the capture shows standing that the
    program pushes back or parks)."""
    return max(max(p[3] for p in track["points"]), TAXI_FLOOR_KT,
               fastest_between_reports_kt(track))


def helicopter_types(shared: Path) -> set:
    """The type designators of helicopters."""
    types = json.loads((shared / DOC_8643).read_text(encoding="utf-8"))
    return {t["Designator"].upper() for t in types if t.get("Description", "").startswith("H")}


def turn_limits(shared: Path) -> dict:
    """Per type designator its turn limit of TURN_LIMITS (jets' where the description says
    nothing of its engines)."""
    limits = {}
    for t in json.loads((shared / DOC_8643).read_text(encoding="utf-8")):
        description = t.get("Description", "")
        engines, kind = description[1:2], description[2:3]
        if kind in ("P", "T"):
            limit = TURN_LIMITS["single prop" if engines == "1" else "props"]
        elif kind == "J" and t.get("WTC") == "L":
            limit = TURN_LIMITS["light jet"]
        else:
            limit = TURN_LIMITS["jet"]
        # A designator shared by several models keeps the most agile one's limit.
        designator = t["Designator"].upper()
        limits[designator] = max(limits.get(designator, limit), limit, key=lambda l: l[1])
    return limits


def check_flight(objects, reports_by_name, tracks_by_name, trace, flight_trace,
                 helicopters, limits) -> list:
    """Each live aeroplane's nose points where it flies, its direction of flight has no corners,
    its vertical speed keeps to the reported one and it flies no faster than reported."""
    offset = capture_time_offset(objects, tracks_by_name, trace)
    if offset is None:
        return ["no live object was created at a captured position"]
    failures, pooled, fastest = [], [], 0.0
    for obj in objects:
        reports = reports_by_name.get(obj["atc_id"])
        track = live_track_of(obj, tracks_by_name)
        points = flight_trace.get(obj["id"], [])
        if (not reports or len(reports) < 2 or len(points) < 2 or track is None
                or track["type"] in helicopters):
            continue
        _, (step_kt, step_m, step_s) = motion_figures(trace[obj["id"]], track, offset)
        captured_kt = base_speed_kt(track)
        fastest = max(fastest, step_kt / captured_kt)
        if step_kt > FLIGHT_STEP_SPEED_MARGIN * captured_kt:
            failures.append(f"object {obj['id']} ({obj['atc_id']}): {step_m:.1f} m in "
                            f"{step_s:.1f} s at {step_kt:.0f} kt, fastest captured {captured_kt:.0f} kt")
        figures = flight_figures(points, reports, offset,
                                 limits.get(track["type"], TURN_LIMITS["jet"]))
        pooled += figures
        name = f"object {obj['id']} ({obj['atc_id']})"
        for index, bound, text in ((1, lambda f: HEADING_OFF_TRACK_MAX_DEG,
                                    "the nose {:.0f} degrees off the direction of flight"),
                                   (2, lambda f: f[4], "the direction of flight turning "
                                    "{:.1f} degrees a second"),
                                   (3, lambda f: VERTICAL_SPEED_OFF_MAX_FPM, "a vertical speed "
                                    "{:.0f} fpm off the reported one")):
            worst = max((f for f in figures if f[index] is not None),
                        key=lambda f: f[index] - bound(f), default=None)
            if worst is not None and worst[index] > bound(worst):
                failures.append(f"{name}: {text.format(worst[index])} at capture time "
                                f"{worst[0]:.1f}, at most {bound(worst):.1f}")
    if not pooled:
        return failures + ["no trace point of a live object in flight was measured"]
    off = [f[1] for f in pooled]
    print(f"flight: {len(pooled)} trace points in flight: heading off the track "
          f"{percentile(off, 0.95):.1f} deg at the 95th percentile, {max(off):.1f} deg at most; "
          f"track turn rate {max((f[2] for f in pooled if f[2] is not None), default=0):.1f} deg/s "
          f"at most away from fast-turning reports; vertical speed "
          f"{max((f[3] for f in pooled if f[3] is not None), default=0):.0f} fpm at most off the "
          f"reports'; fastest step {fastest:.2f} x the fastest captured ground speed")
    if percentile(off, 0.95) > HEADING_OFF_TRACK_P95_DEG:
        failures.append(f"heading off the track {percentile(off, 0.95):.1f} deg at the 95th "
                        f"percentile, beyond {HEADING_OFF_TRACK_P95_DEG}")
    return failures


def check_on_ground_changes(trace) -> list:
    """Aircraft on the ground stand on it in the world. An aircraft on the ground is created on
    the ground, so its flag changes only at a take-off or a touch-down, which a short run (the
    relaunch's) may not see."""
    changed = sum(1 for points in trace.values()
                  if any(a[3] != b[3] for a, b in zip(points, points[1:])))
    grounded = sum(1 for points in trace.values() if any(p[3] for p in points))
    print(f"on ground: {grounded} objects on the ground, {changed} changed their on-ground flag")
    return [] if grounded else ["no object on the ground in the trace"]


def check_landing_or_parking(counts) -> list:
    print(f"ground: {counts['landed']} touch-downs, {counts['parked']} arrivals parked, "
          f"{counts['created on stands']} created on stands")
    if counts["landed"] + counts["parked"] + counts["created on stands"] == 0:
        return ["no touch-down, no arrival parked and no aircraft created on a stand"]
    return []


def check_removals(objects, lines) -> list:
    """Every removal confirmed at the close-down, and no object of ours left behind."""
    failures = []
    cleanup = [m for m in map(CLEANUP.search, lines) if m]
    if not cleanup:
        failures.append("no shutdown cleanup line in the log")
    else:
        owned, requested, confirmed, pending, creates = map(int, cleanup[-1].groups())
        print(f"cleanup: owned {owned}, remove requested {requested}, confirmed {confirmed}, "
              f"pending removals {pending}, pending creates {creates}")
        if requested != confirmed or pending != 0:
            failures.append(f"shutdown cleanup: {cleanup[-1].group(0)}")
    left = [o["id"] for o in objects if not o["removed"]]
    if left:
        failures.append(f"objects still in the simulator after the close-down: {left}")
    return failures


def check_error_lines(lines) -> list:
    unexpected = [line for line in lines if (line.startswith("==>") or "ERROR" in line)
                  and not any(re.search(p, line) for p, _ in EXPECTED_ERROR_LINES)]
    return [f"unexpected error line in the log: {line}" for line in unexpected]


# The start-up's outcome of the buffered traffic, on either road: one line.
BUFFERED_OUTCOME = re.compile(r"buffered traffic received, \d+ snapshots?$|: \d+ buffered snapshots, "
                              r"\d+ aircraft$|^No buffered traffic from the RealTraffic")


def check_feed_lines(demo, lines) -> list:
    """The buffered traffic came at once and its outcome is logged once per start-up; the
    traffic reader says what it received."""
    failures = []
    outcomes = [line for line in lines if BUFFERED_OUTCOME.search(line)]
    starts = sum(1 for line in lines if re.match(r"(Traffic RTAPIreader|Traffic Reader) "
                                                 r"(started|listening)", line))
    print(f"buffered traffic: {outcomes[0] if outcomes else 'no outcome logged'}")
    if not outcomes or outcomes[0].startswith("No buffered"):
        failures.append(f"the buffered traffic did not come: {outcomes[:1]}")
    if len(outcomes) != starts:
        failures.append(f"{len(outcomes)} outcome lines of the buffered traffic for {starts} "
                        f"reader starts: {outcomes}")
    received = demo.last_match(lines, r": (\d+) traffic records of (\d+) aircraft received so far")
    print(f"aircraft received: {received.group(2) + ' in ' + received.group(1) + ' records' if received else 'not logged'}")
    if received is None:
        failures.append("the traffic reader never logged what it received")
    return failures


def run_checks(demo, layout, capture: Path) -> list:
    lines = demo.log_lines(layout)
    if not any(line.startswith("Closing down after") for line in lines):
        return ["the log holds no orderly close-down"]
    if not layout.ai_report.is_file():
        return ["the simulator stand-in wrote no AI report"]
    objects = demo.ai_objects(layout)
    tracks = capture_tracks(capture)
    by_name = {}
    for track in tracks.values():
        for name in track["names"]:
            by_name.setdefault(name, track)
    livery_types = {l["title"].lower(): l["atcModel"] for l in demo.installed_liveries(layout)}
    trace = read_trace(layout.trace)
    return (check_liveries(objects, by_name, livery_types) + check_motion(objects, by_name, trace)
            + check_flight(objects, capture_reports(capture), by_name, trace,
                           read_flight_trace(layout.trace), helicopter_types(capture.parents[2]),
                           turn_limits(capture.parents[2]))
            + check_landing_or_parking(demo.object_counts(layout, lines))
            + check_on_ground_changes(trace)
            + check_removals(objects, lines) + check_error_lines(lines)
            + check_feed_lines(demo, lines))


# Live aircraft the relaunched simulator must get back within the run, and static ones.
MIN_LIVE_AFTER_RELAUNCH = 20
MIN_STATIC_AFTER_RELAUNCH = 1
START_OVER = "the traffic starts over"
# What the program logs when the simulator refuses a call that names an unknown id.
UNKNOWN_OBJECT = "SIMCONNECT_EXCEPTION #3"


def check_relaunch(demo, layout, times) -> list:
    """After the simulator quit and came back (`times`: world seconds of "quit", "launch"),
    the program started its traffic over once: the objects of the old connection went with
    the simulator and no call named one of them after the quit, and live and static aircraft
    were created anew."""
    lines = demo.log_lines(layout)
    objects = demo.ai_objects(layout)
    quit_at, launch_at = times["quit"], times["launch"]
    failures = []
    over = [line for line in lines if START_OVER in line]
    if len(over) != 1:
        failures.append(f"{len(over)} lines saying '{START_OVER}', expected 1")
    old = {o["id"] for o in objects if o["created_s"] < quit_at}
    # The simulator took the old connection's objects with it, so it refuses a position, an
    # event or a removal for one of them as naming an object it does not know.
    refused = [line for line in lines if UNKNOWN_OBJECT in line]
    if refused:
        failures.append(f"{len(refused)} calls named an object the simulator does not know "
                        f"(an object of the old connection): '{UNKNOWN_OBJECT}'")
    new = [o for o in objects if o["created_s"] >= launch_at]
    live = [o for o in new if not o["atc_id"].endswith("*")]
    static = [o for o in new if o["atc_id"].endswith("*")]
    print(f"relaunch: {len(old)} objects before the quit, {len(live)} live and {len(static)} "
          f"static created after the launch; {over[0] if over else 'no start-over line'}")
    if len(live) < MIN_LIVE_AFTER_RELAUNCH:
        failures.append(f"only {len(live)} live objects created after the relaunch "
                        f"(at least {MIN_LIVE_AFTER_RELAUNCH} expected)")
    if len(static) < MIN_STATIC_AFTER_RELAUNCH:
        failures.append(f"only {len(static)} static objects created after the relaunch "
                        f"(at least {MIN_STATIC_AFTER_RELAUNCH} expected)")
    return failures
